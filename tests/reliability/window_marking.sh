#!/usr/bin/env bash
# qa-review --mark in a real X server (Xvfb), driven by xdotool with the keys
# alone: the first answer gets the mark 2 (Alt+M) of a maximum of 3 (Alt+X)
# and a comment (Alt+C); Ctrl+Down goes to the next student, who gets 1,5.
# The program is killed (SIGKILL) 1.5 s later: the marks file must hold both
# marks. Started again over the same inputs, a third mark (Alt+Right, the
# next question) is given and the program killed again: the file must hold
# all three, so the second run read the first run's marks back.
#
#   window_marking.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS]
#
# With SHOTS, a screenshot of the window goes to that folder. Exits 77
# (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"

if [ "${1:-}" = "--inside" ]; then
    review=$2
    log=$3
    mark_and_kill() { # KEYS...: after the window shows, then SIGKILL
        "$review" --mark --html "$OUT/review.html" "$CLASS" >>"$log" 2>&1 &
        pid=$!
        seen=" "
        wait_window "Marking - marks-class.csv"
        focus "$win"
        for step in "$@"; do
            case $step in
            type:*) xdotool type --delay 30 "${step#type:}" ;;
            *) xdotool key "$step" ;;
            esac
            sleep 0.2
        done
        sleep 1.5
        if [ -n "${SHOTS:-}" ]; then import -window root "$SHOTS/marking-window-$pid.png"; fi
        kill -9 "$pid"
        wait "$pid" 2>/dev/null || true
    }
    mark_and_kill alt+m type:2 alt+x type:3 alt+c "type:Units missing" ctrl+Down alt+m "type:1,5"
    cp "$OUT/marks-class.csv" "$OUT/after-first.csv" 2>/dev/null || true
    mark_and_kill alt+m alt+Right alt+m type:1
    exit 0
fi

review=${1:?usage: window_marking.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS]}
compose=${2:?usage: window_marking.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS]}
[ -n "${3:-}" ] && export SHOTS=$(realpath "$3")
require_window_tools
root=$(mktemp -d "${TMPDIR:-/tmp}/qa-marking-window-XXXXXX")
trap 'rm -rf "$root"' EXIT
export CLASS=$root/class OUT=$root/out HOME=$root/home XDG_CONFIG_HOME=$root/home/.config
clean() {
    rm -rf "${root:?}"/*
    mkdir -p "$OUT" "$HOME"
    "$compose" "$CLASS"
}
run_under_xvfb "$0" "$review" "$root/qa-review.log" 120 clean

fail=0
check() { # FILE WHAT PATTERN
    if grep -q -- "$3" "$1"; then
        echo "ok: $2"
    else
        echo "FAIL: $2; the file holds:"
        cat "$1"
        fail=1
    fi
}
first=$OUT/after-first.csv
[ -f "$first" ] || { echo "FAIL: no marks file after the first kill"; exit 1; }
# Students in name order: Ann Lee, Bo Chen; the maximum on its own row.
check "$first" "the maximum of question 1 is kept" '^,,001,1,,3,'
check "$first" "Ann Lee's mark and comment survived the kill" '^Ann Lee,,001,1,2,3,Units missing,'
check "$first" "Bo Chen's mark (typed 1,5) survived the kill" '^Bo Chen,,001,1,1.5,3,'
check "$OUT/marks-class.csv" "the second run kept the first run's marks" '^Ann Lee,,001,1,2,3,Units missing,'
check "$OUT/marks-class.csv" "the second run kept Bo Chen's mark" '^Bo Chen,,001,1,1.5,3,'
check "$OUT/marks-class.csv" "the second run's mark was saved before its kill" '^Ann Lee,,001,2,1,,'
if [ -n "$(find "$CLASS" -newer "$OUT/review.html" -type f)" ] || [ -n "$(find "$CLASS" -name 'marks*')" ]; then
    echo "FAIL: something was written among the handed-in files"
    fail=1
fi
exit $fail
