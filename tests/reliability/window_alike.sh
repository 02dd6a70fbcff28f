#!/usr/bin/env bash
# Alike answers marked once, in a real X server (Xvfb), driven by xdotool with
# the keys alone. A class answers question 1: every fourth student with one
# worked answer, the next with the question pasted above the same answer; the
# third student changes one figure of it (near-identical), the fourth hands in
# only the question, the rest answers of their own. qa-review --mark, Alt+S
# (Alike Answers), the mark 2 (Alt+M) and a comment (Alt+C), Alt+G and Enter
# at the question naming the students; SIGKILL 1.5 s later. The marks file
# must hold the mark for each copied and pasted answer and for no other.
# Started again, the first student's answer is marked 1 on its own, then the
# comment is edited in Comment Bank (Alt+B), its text and its mark 2, and the
# program killed again: every answer that carried it must carry the new text
# and the mark 2, the first student's too. Started a third time, the third
# student's answer is given the comment from the list (Alt+R, Enter): it must
# get the bank's mark, and the bank's file must hold the comment with it.
#
#   window_alike.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS [STUDENTS]]
#
# With SHOTS, screenshots of Alike Answers, Comment Bank, the marking window
# and Question Statistics go to that folder. STUDENTS: 12 unless given. Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"

if [ "${1:-}" = "--inside" ]; then
    review=$2
    log=$3
    start() {
        "$review" --mark --html "$OUT/review.html" "$CLASS" >>"$log" 2>&1 &
        pid=$!
        seen=" "
        wait_window "Marking - marks-class.csv"
        focus "$win"
    }
    stop() {
        sleep 1.5
        kill -9 "$pid"
        wait "$pid" 2>/dev/null || true
    }
    start
    xdotool key alt+s
    wait_window "Alike Answers"
    focus "$win"
    xdotool key alt+m
    xdotool type --delay 30 "2"
    xdotool key alt+c
    xdotool type --delay 30 "Worked through"
    if [ -n "${SHOTS:-}" ]; then import -window "$win" "$SHOTS/alike-answers.png"; fi
    xdotool key alt+g
    wait_window "Alike Answers" # the question naming the students
    focus "$win"
    xdotool key Return
    stop
    cp "$OUT/marks-class.csv" "$OUT/after-first.csv" 2>/dev/null || true
    start
    xdotool key alt+m ctrl+a
    xdotool type --delay 30 "1"
    # The comment edited in Comment Bank, its text and then its mark, each
    # asked about and answered Yes.
    xdotool key alt+b
    wait_window "Comment Bank"
    bank=$win
    for edit in "Home:Worked through well" "Home Right:2"; do
        focus "$bank"
        xdotool key ctrl+Home ${edit%%:*} F2 ctrl+a
        xdotool type --delay 30 "${edit#*:}"
        xdotool key Return
        wait_window "Comment Bank" # the question naming the answers
        focus "$win"
        xdotool key Return
    done
    if [ -n "${SHOTS:-}" ]; then focus "$bank"; import -window "$bank" "$SHOTS/comment-bank.png"; fi
    stop
    cp "$OUT/marks-class.csv" "$OUT/after-edit.csv" 2>/dev/null || true
    # Started again: the third student's answer given the comment from the
    # list, with the bank's mark.
    start
    xdotool key ctrl+Down ctrl+Down alt+r Home Return
    if [ -n "${SHOTS:-}" ]; then
        sleep 0.5
        import -window "$win" "$SHOTS/marking-window.png"
        xdotool key alt+t
        wait_window "Question Statistics"
        sleep 0.5
        import -window "$win" "$SHOTS/question-statistics.png"
    fi
    stop
    exit 0
fi

usage="usage: window_alike.sh PATH/TO/qa-review PATH/TO/qa_compose_class [SHOTS [STUDENTS]]"
review=${1:?$usage}
compose=${2:?$usage}
[ -n "${3:-}" ] && export SHOTS=$(realpath "$3")
students=${4:-12}
require_window_tools
root=$(mktemp -d "${TMPDIR:-/tmp}/qa-alike-window-XXXXXX")
trap 'rm -rf "$root"' EXIT
export CLASS=$root/class OUT=$root/out HOME=$root/home XDG_CONFIG_HOME=$root/home/.config
asked="A rubber band is stretched to lengths of 10 cm, 12 cm, 14 cm, 16 cm and 18 cm, and the tension force \
it exerts at these lengths is measured as 0.8 N, 1.9 N, 2.7 N, 3.3 N and 3.7 N. Write these forces as a \
sequence and find its sequence of first differences, then the sequence of second differences. What do the \
signs of these differences tell you about how the force changes? Finally, find a sequence whose first \
differences are the five forces, beginning with 0."
worked="The first differences are 1.1, 0.8, 0.6 and 0.4 N, so the force grows more slowly as the band gets \
longer; the second differences are all negative, which says the same thing."
name() { printf 'Student %03d' $(($1 + 1)); }
clean() {
    rm -rf "${root:?}"/*
    mkdir -p "$OUT" "$HOME"
    local i answer letters=ABCDEFGHIJKLMNOPQRSTUVWXYZ
    for ((i = 0; i < students; i++)); do
        case $i in
        2) answer=${worked/0.4 N/0.5 N} ;;
        3) answer=$asked ;;
        *) case $((i % 4)) in
            0) answer=$worked ;;
            1) answer="$asked"$'\n\n'"$worked" ;;
            *) answer="My own answer, number $i: each force less the one before it." ;;
            esac ;;
        esac
        "$compose" --student "$CLASS" "$(name "$i")" "S${letters:$((i / 26 % 26)):1}${letters:$((i % 26)):1}" \
            "$answer" >/dev/null
    done
}
run_under_xvfb "$0" "$review" "$root/qa-review.log" 180 clean

fail=0
holds() { # FILE WHAT PATTERN [absent]
    if grep -q -- "$3" "$1"; then found=yes; else found=no; fi
    if [ "$found" = "$([ "${4:-}" = absent ] && echo no || echo yes)" ]; then
        echo "ok: $2"
    else
        echo "FAIL: $2; the file holds:"
        cat "$1"
        fail=1
    fi
}
first=$OUT/after-first.csv
[ -f "$first" ] || { echo "FAIL: no marks file after the first kill"; exit 1; }
for ((i = 0; i < students; i++)); do
    row="^$(name "$i"),,001,1,"
    if [ $i -ne 2 ] && [ $i -ne 3 ] && [ $((i % 4)) -lt 2 ]; then
        holds "$first" "$(name "$i")'s alike answer was given the mark" "${row}2,,Worked through,"
    else
        holds "$first" "$(name "$i")'s answer was given nothing" "$row" absent
    fi
done
edited=$OUT/after-edit.csv
[ -f "$edited" ] || { echo "FAIL: no marks file after the bank's edit"; exit 1; }
holds "$edited" "Student 002's comment and mark edited in the bank" "^Student 002,,001,1,2,,Worked through well,"
holds "$edited" "Student 001's own mark set by the bank's edit" "^Student 001,,001,1,2,,Worked through well,"
holds "$edited" "no answer kept the comment as it was" ",Worked through," absent
final=$OUT/marks-class.csv
holds "$final" "Student 003 given the comment again with the bank's mark" "^Student 003,,001,1,2,,Worked through well,"
holds "$final" "Student 005 kept the edited mark" "^Student 005,,001,1,2,,Worked through well,"
holds "$OUT/comments-class.csv" "the bank's file holds the comment edited" "^001,1,Worked through well,2"$'\r'"\$"
exit $fail
