#!/usr/bin/env bash
# The tutor's window on Windows (under Wine, with Qt's Windows platform
# plug-in, in Xvfb) records what the Linux build records. The same program
# over a fixed clock (qa_tutor_fixed_clock), built for each side, is driven
# the same way with xdotool: the four start-up prompts answered, one question
# shown, one response typed and recorded, quit. The two sides' record files
# must match byte for byte, names included. A screenshot of the first prompt
# and of the main window after the response goes to SHOTS.
#
#   window_same_records.sh HOST_TUTOR WINDOWS_TUTOR WINE SHOTS
#
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/../reliability/window_driving.sh"
response="Force grows more slowly at greater lengths."

if [ "${1:-}" = "--inside" ]; then
    tutor=$2
    log=$3
    shot() { # NAME: the screen as it is now
        [ -n "${SHOTS:-}" ] || return 0
        sleep 1
        import -window root "$SHOTS/$1.png"
    }
    show_what_is_there_on_failure
    "$tutor" >>"$log" 2>&1 &
    pid=$!
    first=1
    for reply in 1 "Ann Lee" ALE 1; do
        wait_window qa-tutor
        focus "$win"
        [ -z "$first" ] || shot tutor-prompt
        first=
        xdotool type --delay 30 "$reply"
        xdotool key Return
    done
    wait_window Form1
    main=$win
    show_question_and_type "$response"
    before=$(responses)
    xdotool key ctrl+Return
    wait_for 60 eval '[ "$(responses)" -gt "$before" ]' ||
        { echo "the master file holds no new response 60 s after Ctrl+Return" >&2; exit 1; }
    shot tutor-main-window
    xdotool key ctrl+q
    wait_for 60 eval '! kill -0 "$pid"' || { echo "still running 60 s after Ctrl+Q" >&2; exit 1; }
    exit 0
fi

host_tutor=${1:?usage: window_same_records.sh HOST_TUTOR WINDOWS_TUTOR WINE SHOTS}
win_tutor=${2:?} wine=${3:?} shots=${4:?}
require_window_tools
mkdir -p "$shots"
export SHOTS=
work=$(mktemp -d "${TMPDIR:-/tmp}/qa-same-records-XXXXXX")
# Wine's programs see the drive root as a Windows path (Z: is /).
cat >"$work/tutor.exe.sh" <<LAUNCH
#!/bin/sh
QA_TUTOR_DRIVE_ROOT="Z:\$(printf '%s' "\$QA_TUTOR_DRIVE_ROOT" | tr / '\\\\\\\\')" exec "$wine" "$win_tutor"
LAUNCH
chmod +x "$work/tutor.exe.sh"
# One Wine server per prefix, with the X display it was started in: the
# tests before this one ran without one.
wineserver=$(dirname "$wine")/wineserver
"$wineserver" -w 2>/dev/null || true
rm -rf "${WINEPREFIX:?}"/drive_c/users/*/AppData/Local/qa-tutor

side() { # side NAME TUTOR SECONDS
    echo "=== $1 ==="
    run_window_test "$0" "$2" "$3"
    mkdir -p "$work/$1"
    cp -a "$QA_TUTOR_DRIVE_ROOT/c/kelvarno" "$work/$1/"
    rm -rf "$root"
}
side linux "$host_tutor" 180
export SHOTS=$(realpath "$shots")
side windows "$work/tutor.exe.sh" 600
trap 'rm -rf "$work"' EXIT
"$wineserver" -w 2>/dev/null || true

fail=0
master=$work/linux/kelvarno/masterFile_Ann_Lee.txt
if [ -f "$master" ] && has_response "$master" "$response"; then
    echo "ok: the Linux master file holds the response"
else
    echo "FAIL: the Linux master file does not hold the response"
    fail=1
fi
if diff -r "$work/linux/kelvarno" "$work/windows/kelvarno"; then
    echo "ok: the same record files on both sides: $(cd "$work/linux/kelvarno" && echo *)"
else
    echo "FAIL: the record files differ between Linux and Windows"
    for f in "$work"/linux/kelvarno/*; do
        cmp "$f" "$work/windows/kelvarno/$(basename "$f")" ||
            diff <(od -c "$f") <(od -c "$work/windows/kelvarno/$(basename "$f")") | head -20
    done
    fail=1
fi
for s in tutor-prompt tutor-main-window; do
    if [ -s "$shots/$s.png" ]; then echo "ok: screenshot $shots/$s.png"; else echo "FAIL: no $s.png"; fail=1; fi
done
exit $fail
