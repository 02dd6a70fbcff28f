#!/usr/bin/env bash
# The built program in a real X server (Xvfb), driven by xdotool the way a
# student would: the four start-up prompts answered, one question shown
# (Ctrl+N), one response typed and recorded (Ctrl+Return), then quit
# (Ctrl+Q). Afterwards the program must have ended and the master and send
# files must hold the opening header, the question and the response.
#
#   window_one_response.sh PATH/TO/qa-tutor
#
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"
response="Force grows more slowly at greater lengths."

if [ "${1:-}" = "--inside" ]; then
    # Runs under xvfb-run: start the program and drive it.
    tutor=$2
    log=$3
    show_what_is_there_on_failure
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$response"
    record_and_quit
    exit
fi

tutor=${1:?usage: window_one_response.sh PATH/TO/qa-tutor}
run_window_test "$0" "$tutor" 120

find_record_files
fail=0
check() { # check FILE WHAT LINE: the file holds LINE followed by CR LF
    if grep -qxF -- "$3"$'\r' "$1"; then
        echo "ok: $2 in $(basename "$1")"
    else
        echo "FAIL: $2 missing from $(basename "$1")"
        fail=1
    fi
}
for f in "$master" "$send"; do
    check "$f" "student name" "Student Name:  Ann Lee"
    check "$f" "assignment number" "assignment #001"
    check "$f" "assignment header" "001.  test 1"
    check "$f" "initials" "Initials:  ALE"
    check "$f" "first question" "$(printf '%s' "A rubber band is stretched to lengths of 10 cm, 12 cm, 14 cm, 16 cm and" \
        " 18 cm, and the tension force it exerts at these lengths is measured as 0.8 N, 1.9 N, 2.7 N, 3.3 N and" \
        " 3.7 N. Write these forces as a sequence and find its sequence of first differences, then the sequence" \
        " of second differences. What do the signs of these differences tell you about how the force changes?" \
        " Finally, find a sequence whose first differences are the five forces, beginning with 0.")"
    if has_response "$f" "$response"; then
        echo "ok: response in $(basename "$f")"
    else
        echo "FAIL: response missing from $(basename "$f")"
        fail=1
    fi
done
check "$master" "question tag" "\`questionNumber 10000 "
exit $fail
