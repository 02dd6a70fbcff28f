#!/usr/bin/env bash
# The built program in a real X server (Xvfb): "Next Question / Answer" with
# unrecorded text asks before the prompt reset replaces it.
#
# The four start-up prompts, one question (Ctrl+N), a text typed, Ctrl+N
# again: the question comes up; Escape (Cancel) leaves everything as it was.
# Ctrl+N once more: Return (Yes) records the text and steps on, so the box
# holds the prompt and quitting (Ctrl+Q) asks nothing. The master file holds
# the text as the response once.
#
#   window_question_before_reset.sh PATH/TO/qa-tutor
#
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"
typed="Asked before the next question"

if [ "${1:-}" = "--inside" ]; then
    tutor=$2
    log=$3
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$typed"
    sleep 0.3
    xdotool key ctrl+n
    wait_window qa-tutor || { echo "FAIL: no question before the prompt reset" >&2; exit 1; }
    focus "$win"
    xdotool key Escape
    wait_gone "$win"
    focus "$main"
    xdotool key ctrl+n
    wait_window qa-tutor || { echo "FAIL: no question after Cancel and a second click" >&2; exit 1; }
    focus "$win"
    xdotool key Return
    wait_gone "$win"
    focus "$main"
    xdotool key ctrl+q
    wait_for_exit "Ctrl+Q with the text recorded"
    exit $?
fi

tutor=${1:?usage: window_question_before_reset.sh PATH/TO/qa-tutor}
run_window_test "$0" "$tutor" 150

find_record_files
count=$(LC_ALL=C grep -c -x -F -- "$typed"$'\r' "$master" || true)
if [ "$count" -eq 1 ] && has_response "$master" "$typed"; then
    echo "ok: Yes recorded the text once in $(basename "$master")"
else
    echo "FAIL: the master file holds the text $count times; it holds:"
    grep -a -B1 -A1 "RESPONSE" "$master" || true
    exit 1
fi
