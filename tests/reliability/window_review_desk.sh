#!/usr/bin/env bash
# qa-review without arguments in a real X server (Xvfb), driven by xdotool the
# way an instructor would. First an empty folder: the save dialog's offer is
# taken, and the message that nothing could be read offers to choose again
# (taken). Then the class folder's path is typed into the folder chooser and
# a report path into the save dialog; the box that says what the report
# holds is answered with Open. Afterwards the report must be written
# there and nothing for the empty folder, nothing may be written among the
# handed-in files, and the browser (a stub xdg-open first on the PATH, which
# is what Qt opens documents with) must have been given the report's URL.
#
#   window_review_desk.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS]
#
# With SHOTS, a screenshot of each dialog goes to that folder, and the report
# too. Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"

if [ "${1:-}" = "--inside" ]; then
    review=$2
    log=$3
    shot() { # NAME: the screen as it is, when screenshots were asked for
        if [ -n "${SHOTS:-}" ]; then
            sleep 0.5
            import -window root "$SHOTS/$1.png"
        fi
    }
    "$review" >>"$log" 2>&1 &
    pid=$!
    wait_window "Folder of handed-in files.*"
    focus "$win"
    shot folder-chooser
    xdotool type --delay 20 "$EMPTY"
    xdotool key Return
    wait_window "Save the report as.*"
    focus "$win"
    xdotool key Return
    wait_window "QA Tutor Review"
    focus "$win"
    shot nothing-read
    xdotool key Return
    wait_window "Folder of handed-in files.*"
    focus "$win"
    xdotool type --delay 20 "$CLASS"
    xdotool key Return
    wait_window "Save the report as.*"
    focus "$win"
    shot save-dialog
    xdotool key ctrl+a
    xdotool type --delay 20 "$REPORT"
    xdotool key Return
    # The report is renamed into place when it is whole; then the box that
    # says what it holds is the one window of that title left standing (the
    # progress dialog, which has the same title and may have come up on a
    # loaded machine, is gone by then). Open, its default, opens the report.
    for _ in $(seq 1 300); do
        [ -f "$REPORT" ] && break
        sleep 0.1
    done
    box=""
    for _ in $(seq 1 120); do
        now=$(xdotool search --onlyvisible --name "^QA Tutor Review\$" 2>/dev/null | tr '\n' ' ' || true)
        if [ -n "$now" ] && [ "$now" = "$box" ] && [ "$(echo $now | wc -w)" -eq 1 ]; then
            break
        fi
        box=$now
        sleep 0.5
    done
    win=${box% }
    focus "$win"
    shot report-written
    xdotool key Return
    for _ in $(seq 1 300); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        shot stuck
        echo "qa-review still running 30 s after the report path was given" >&2
        kill -9 "$pid"
        exit 1
    fi
    wait "$pid"
    exit $?
fi

review=${1:?usage: window_review_desk.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS]}
compose=${2:?usage: window_review_desk.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS]}
[ -n "${3:-}" ] && export SHOTS=$(realpath "$3")
require_window_tools
root=$(mktemp -d "${TMPDIR:-/tmp}/qa-review-window-XXXXXX")
trap 'rm -rf "$root"' EXIT
export CLASS=$root/class EMPTY=$root/empty REPORT="$root/reports/week 1.html" HOME=$root/home XDG_CONFIG_HOME=$root/home/.config
export PATH=$root/bin:$PATH
clean() {
    rm -rf "${root:?}"/*
    mkdir -p "$root/bin" "$root/reports" "$HOME/Documents" "$EMPTY"
    "$compose" "$CLASS"
    # The browser: notes what it was given.
    printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s/opened"\n' "$root" >"$root/bin/xdg-open"
    chmod +x "$root/bin/xdg-open"
}
run_under_xvfb "$0" "$review" "$root/qa-review.log" 90 clean

fail=0
if [ -s "$REPORT" ]; then
    echo "ok: the report is written ($(wc -c <"$REPORT") bytes)"
else
    echo "FAIL: no report at $REPORT"
    ls -lR "$root/reports" "$HOME"
    fail=1
fi
url="file://$root/reports/week%201.html"
if [ -f "$root/opened" ] && [ "$(cat "$root/opened")" = "$url" ]; then
    echo "ok: the browser was given $url"
else
    echo "FAIL: the browser was not given $url; it was given: $(cat "$root/opened" 2>/dev/null || echo nothing)"
    fail=1
fi
left=$(find "$HOME/Documents" "$EMPTY" -mindepth 1)
if [ -n "$left" ]; then
    echo "FAIL: a file was written for the empty folder: $left"
    fail=1
fi
if [ -n "$(find "$CLASS" -newer "$root/bin/xdg-open" -o -type f ! -name '*.txt')" ]; then
    echo "FAIL: something was written among the handed-in files"
    fail=1
fi
[ -n "${SHOTS:-}" ] && [ -f "$REPORT" ] && cp "$REPORT" "$SHOTS/report.html"
exit $fail
