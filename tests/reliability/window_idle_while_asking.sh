#!/usr/bin/env bash
# The built program in a real X server (Xvfb): while the end question is up,
# the program is idle (under 2% of a core over 5 s), and the draft of the
# unrecorded text still falls due and is saved.
#
# The four start-up prompts, one question (Ctrl+N), a text typed, quit
# (Ctrl+Q) at once: the end question comes up. Its CPU time is measured;
# a draft must hold the text while the question is still up; Yes (Return)
# then records the text and ends the program.
#
#   window_idle_while_asking.sh PATH/TO/qa-tutor
#
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"
typed="Asked before the end"

if [ "${1:-}" = "--inside" ]; then
    tutor=$2
    log=$3
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$typed"
    xdotool key ctrl+q
    wait_window qa-tutor # the end question
    expect_idle 5 "the end question"
    wait_for_draft "$typed"
    xdotool search --onlyvisible --name '^qa-tutor$' >/dev/null ||
        { echo "FAIL: the end question is gone before it was answered" >&2; exit 1; }
    focus "$win"
    xdotool key Return
    wait_for_exit "Yes to the end question"
    exit $?
fi

tutor=${1:?usage: window_idle_while_asking.sh PATH/TO/qa-tutor}
run_window_test "$0" "$tutor" 120

find_record_files
if has_response "$master" "$typed"; then
    echo "ok: Yes recorded the text in $(basename "$master")"
else
    echo "FAIL: the text is not the response in $(basename "$master"); it holds:"
    grep -a -A1 "RESPONSE" "$master" || true
    exit 1
fi
