#!/usr/bin/env bash
# The built program in a real X server (Xvfb): what happens to unrecorded
# text when the program is killed, started twice, ended by the system or
# left without a display, and when its state folder cannot be used. One
# case after the other, each from empty folders:
#
# recorded_twice  A draft exists (typed for more than 2 s); "Enter Response"
#                 hangs in the sync of the data folder (a preloaded shim); the
#                 program is killed. The next start brings nothing back: the
#                 text is once in the master and send files, and quitting
#                 asks nothing.
# second_window   While Ann Lee's assignment 1 is open with a draft, a second
#                 start for it says "QA Tutor is already open for Ann Lee,
#                 assignment 001. Use that window." and ends, writing nothing;
#                 another student starts and records at the same time.
# bound_question  Question 1 answered, text typed for question 2, a kill: the
#                 next start says the text for question 2 is back, and
#                 recording it puts it under question 2's line.
# state_folder    A state folder that other users may write to (mode 0777), on
#                 a read-only mount (where a mount namespace can be made) or
#                 another user's (when run as root): said at start, once, with
#                 which folder and why; typing on says nothing more, and
#                 recording works.
# sigterm, sighup The signal comes just after typing that no draft holds yet:
#                 the program ends as quit would, asking nothing, the draft
#                 holds the whole text and the next start brings it back.
# lost_display    The same when the X server itself goes away under the
#                 program (a second server, started for the case).
#
#   window_nothing_lost.sh PATH/TO/qa-tutor PATH/TO/clipboard_text [PATH/TO/hang_io_shim.so]
#
# Without the shim (a sanitizer build cannot preload one) recorded_twice is
# left out. QA_WINDOW_CASES (names, blank-separated) runs only those cases.
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"

# The built-in bank's first two questions, as far as a message quotes one.
question1="A rubber band is stretched to lengths of 10 cm, 12 cm, 14"
question2="Sketch a trapezoidal graph of force against length using "
records=
state=

# Each response block of FILE as "question line<TAB>text", one a line: the
# question line stands before the rule above the response label, the text
# after the label.
responses_by_line() { # FILE
    LC_ALL=C awk -v rule='......!!!!!!!!...................................'$'\r' '
        want { t = $0; sub(/\r$/, "", t); sub(/\r$/, "", q); print q "\t" t; want = 0 }
        $0 == "RESPONSE -->  \r" && prev == rule { want = 1; q = before }
        { before = prev; prev = $0 }' "$1"
}

# Whether RESPONSES (as responses_by_line gives them) have TEXT under a
# question line that begins with QUESTION.
answered() { # RESPONSES QUESTION TEXT
    printf '%s\n' "$1" | awk -F '\t' -v q="$2" -v t="$3" 'index($1, q) == 1 && $2 == t { f = 1 } END { exit !f }'
}

# Names, sizes and checksums of every file under the drive root and the
# state folder.
snapshot() {
    (cd "$root" && find drive state -type f -exec md5sum {} + | sort)
}

# Types TAIL at the end of the answer box and makes sure no draft holds
# TEXT, the whole box, yet (the draft is saved 2 s after the first change):
# when one already does, a loaded machine was slow, and another tail is
# typed. Sets $text to what the box holds.
type_past_the_draft() { # TEXT-SO-FAR TAIL
    local attempt
    text=$1
    for attempt in 1 2 3; do
        wait_for_draft "$text"
        text="$text $2$attempt"
        xdotool key ctrl+End
        xdotool type --delay 10 " $2$attempt"
        draft_holds "$text" || return 0
        echo "attempt $attempt: the draft already holds the tail; typing another"
    done
    echo "FAIL: every tail was in the draft before the program could be ended" >&2
    return 1
}

case_recorded_twice() {
    if [ -z "$hang_shim" ]; then
        echo "SKIP: no shim to make the sync hang in this build"
        return 0
    fi
    local typed="Recorded while the share hung"
    QA_HANG_UNDER=$(realpath "$QA_TUTOR_DRIVE_ROOT")/
    QA_HANG_FLAG=$root/hang-now
    export QA_HANG_UNDER QA_HANG_FLAG
    QA_HANG_CALL=sync LD_PRELOAD=$hang_shim start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$typed"
    wait_for_draft "$typed"
    touch "$QA_HANG_FLAG"
    xdotool key ctrl+Return
    wait_for 30 test -e "$QA_HANG_FLAG.hung" || { echo "FAIL: the recording did not hang in a sync" >&2; return 1; }
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    rm -f "$QA_HANG_FLAG"
    # What the kill left: the text in both files, and its draft.
    once_in "$records"/masterFile_Ann_Lee.txt "$typed"
    once_in "$(echo "$records"/send_????Ann_Lee.txt)" "$typed"
    draft_holds "$typed" || { echo "FAIL: the draft went before the kill" >&2; return 1; }

    start_and_answer_prompts "$tutor" "$log"
    # The start settles the draft: it goes, or comes back with a message.
    wait_for 30 eval '! draft_holds "$typed" || xdotool search --onlyvisible --name "^qa-tutor\$" >/dev/null'
    if xdotool search --onlyvisible --name "^qa-tutor\$" >/dev/null; then
        wait_window qa-tutor && read_message || true
        echo "FAIL: a text already recorded came back; the message says: $said" >&2
        return 1
    fi
    focus "$main"
    xdotool key ctrl+q
    wait_for_exit "Ctrl+Q with nothing unrecorded"
    find_record_files
    once_in "$master" "$typed"
    once_in "$send" "$typed"
    has_response "$master" "$typed"
    if [ -n "$(ls -A "$state")" ]; then
        echo "FAIL: the state folder is not empty after quitting:" >&2
        ls -la "$state" >&2
        return 1
    fi
    echo "ok: recorded once, nothing came back, the state folder is empty"
}

case_second_window() {
    local typed="Typed in the first window" first_pid first_main before
    start_and_answer_prompts "$tutor" "$log"
    first_pid=$pid
    first_main=$main
    other_windows=$main
    show_question_and_type "$typed"
    wait_for_draft "$typed"
    before=$(snapshot)

    start_and_reply "$tutor" "$log"
    wait_window qa-tutor || { echo "FAIL: the second start says nothing" >&2; return 1; }
    read_message
    expect_said "QA Tutor is already open for Ann Lee, assignment 001. Use that window."
    focus "$win"
    xdotool key Return
    wait_for_exit "the already-open message"
    if [ "$(snapshot)" != "$before" ]; then
        echo "FAIL: the second start changed files; before and after:" >&2
        diff <(echo "$before") <(snapshot) >&2 || true
        return 1
    fi
    echo "ok: the second start said it is open elsewhere and wrote nothing"

    start_and_answer_prompts "$tutor" "$log" "Bo Chen" BCH 1
    show_question_and_type "Another student"
    xdotool key ctrl+Return
    wait_for 30 grep -qsF "Another student" "$records"/masterFile_Bo_Chen.txt ||
        { echo "FAIL: the other student's recording is not in his master file" >&2; return 1; }
    xdotool key ctrl+q
    wait_for_exit "Ctrl+Q for the other student"
    echo "ok: another student started and recorded meanwhile"

    pid=$first_pid
    main=$first_main
    other_windows=
    focus "$main"
    record_and_quit
    once_in "$records"/masterFile_Ann_Lee.txt "$typed"
    echo "ok: the first window recorded its text once"
}

case_bound_question() {
    local answer1="The second differences are negative" answer2="The slopes are the first differences"
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$answer1"
    xdotool key ctrl+Return
    wait_for 30 eval '[ "$(responses)" -eq 1 ]' || { echo "FAIL: question 1 not answered" >&2; return 1; }
    show_question_and_type "$answer2"
    wait_for_draft "$answer2"
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true

    start_and_answer_prompts "$tutor" "$log"
    wait_window qa-tutor || { echo "FAIL: no message that the text is back" >&2; return 1; }
    read_message
    expect_said "The text you had not recorded for the question \"$question2...\""
    expect_said "is back in the answer box."
    dismiss_message
    record_and_quit
    local got
    got=$(responses_by_line "$records"/masterFile_Ann_Lee.txt)
    printf 'responses by question line:\n%s\n' "$got"
    if [ "$(printf '%s\n' "$got" | grep -c .)" -ne 2 ] || ! answered "$got" "$question1" "$answer1" ||
        ! answered "$got" "$question2" "$answer2"; then
        echo "FAIL: the two answers do not each stand once under their own question" >&2
        return 1
    fi
    echo "ok: the text typed for question 2 came back for it and is recorded under it"
}

# The state folder made unusable by HOW ("mode", "read-only", "owner"); the
# start must say WHY.
state_folder_case() { # HOW WHY
    local typed="Kept without a state folder: $1" run=$tutor
    mkdir -m 700 -p "$state"
    case $1 in
    mode) chmod 0777 "$state" ;;
    owner) chown 65534 "$state" ;;
    read-only)
        # The tutor, in a mount namespace of its own, sees the folder read-only.
        run=$root/read-only-tutor
        printf '#!/bin/sh\nmount --bind "%s" "%s" && mount -o remount,bind,ro "%s" && exec "%s"\n' \
            "$state" "$state" "$state" "$tutor" >"$run.sh"
        printf '#!/bin/sh\nexec unshare -rm sh "%s"\n' "$run.sh" >"$run"
        chmod +x "$run"
        ;;
    esac
    start_and_reply "$run" "$log"
    wait_window qa-tutor || { echo "FAIL: nothing said about the state folder ($1)" >&2; return 1; }
    read_message
    expect_said "QA Tutor cannot use its folder for drafts, \"$state\": $2."
    expect_said "is not kept as a draft, a recording cut short by a crash is not repaired"
    expect_said "chmod 700"
    focus "$win"
    xdotool key Return
    wait_gone "$win"
    wait_window Form1
    main=$win
    show_question_and_type "$typed"
    # The draft would have fallen due 2 s after the first change.
    sleep 5
    if xdotool search --onlyvisible --name "^qa-tutor\$" >/dev/null; then
        wait_window qa-tutor && read_message || true
        echo "FAIL: said again while typing ($1): $said" >&2
        return 1
    fi
    record_and_quit
    once_in "$records"/masterFile_Ann_Lee.txt "$typed"
    case $1 in owner | mode) chmod 0700 "$state" && chown "$(id -u)" "$state" ;; esac
    if [ -n "$(ls -A "$state")" ]; then
        echo "FAIL: something was kept in the unusable state folder ($1):" >&2
        ls -la "$state" >&2
        return 1
    fi
    echo "ok: the state folder ($1: $2) is said at start, once; recording goes on"
}

case_state_folder() {
    state_folder_case mode "other users may write to it (its mode is 0777)"
    clean_case
    local probe=$root/mount-probe
    mkdir -p "$probe"
    if unshare -rm sh -c "mount --bind '$probe' '$probe' && mount -o remount,bind,ro '$probe'" 2>/dev/null; then
        state_folder_case read-only "it cannot be written (Read-only file system)"
    else
        echo "SKIP read-only: no mount namespace can be made here"
    fi
    clean_case
    if [ "$(id -u)" = 0 ]; then
        state_folder_case owner "it belongs to another user"
    else
        echo "SKIP owner: only root can give the folder to another user"
    fi
}

# Ends the program with SIGNAL while the box holds typing no draft has yet;
# the draft must hold it after, and the next start brings it back.
ended_by() { # SIGNAL
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "Typed before SIG$1"
    type_past_the_draft "Typed before SIG$1" "and the last words"
    kill -"$1" "$pid"
    wait_for_exit "SIG$1" || { echo "FAIL: SIG$1 did not end the program as quit would" >&2; return 1; }
    draft_holds "$text" || { echo "FAIL: after SIG$1 the draft does not hold \"$text\"" >&2; return 1; }
    restarted_with "$text" "SIG$1"
}

# The next start for the same student brings TEXT back for question 1, and
# it is recorded.
restarted_with() { # TEXT WHAT
    start_and_answer_prompts "$tutor" "$log"
    wait_window qa-tutor || { echo "FAIL: no message that the text is back after $2" >&2; return 1; }
    read_message
    expect_said "for the question \"$question1...\""
    dismiss_message
    record_and_quit
    find_record_files
    once_in "$master" "$1"
    has_response "$master" "$1"
    # What the ended program left (its claim, its journal) went with the next.
    if [ -n "$(ls -A "$state")" ]; then
        echo "FAIL: the state folder is not empty after the next start quit:" >&2
        ls -la "$state" >&2
        return 1
    fi
    echo "ok: after $2 the draft held the whole text, and the next start recorded it"
}

case_sigterm() { ended_by TERM; }
case_sighup() { ended_by HUP; }

case_lost_display() {
    local fifo=$root/display-number number server status
    mkfifo "$fifo"
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fifo" >>"$log" 2>&1 &
    server=$!
    read -r -t 30 number <"$fifo" || { echo "FAIL: a second X server did not start" >&2; return 1; }
    (
        export DISPLAY=:$number
        start_and_answer_prompts "$tutor" "$log"
        show_question_and_type "Typed before the display went"
        type_past_the_draft "Typed before the display went" "and the last words"
        echo "$text" >"$root/typed"
        kill -9 "$server"
        status=0
        wait_for_exit "the display going away" || status=$?
        echo "the program ended with status $status once its display was gone, leaving:" $(ls "$state")
        draft_holds "$text" || { echo "FAIL: the draft does not hold \"$text\" once the display is gone" >&2; exit 1; }
    )
    wait "$server" 2>/dev/null || true
    restarted_with "$(cat "$root/typed")" "the display going away"
}

clean_case() {
    chmod -R u+rwX "$root/state" 2>/dev/null || true
    rm -rf "${QA_TUTOR_DRIVE_ROOT:?}" "${XDG_STATE_HOME:?}"
    mkdir -p "$QA_TUTOR_DRIVE_ROOT" "$XDG_STATE_HOME"
}

if [ "${1:-}" = "--inside" ]; then
    tutor=$2
    log=$3
    records=$QA_TUTOR_DRIVE_ROOT/c/kelvarno
    state=$XDG_STATE_HOME/qa-tutor
    root=$(dirname "$QA_TUTOR_DRIVE_ROOT")
    hang_shim=${QA_HANG_SHIM:-}
    run_cases ${QA_WINDOW_CASES:-recorded_twice second_window bound_question state_folder sigterm sighup \
        lost_display}
fi

tutor=${1:?usage: window_nothing_lost.sh PATH/TO/qa-tutor PATH/TO/clipboard_text [PATH/TO/hang_io_shim.so]}
QA_CLIPBOARD_TEXT=$(realpath "${2:?the program that prints the clipboard}")
QA_HANG_SHIM=$([ -n "${3:-}" ] && realpath "$3" || true)
export QA_CLIPBOARD_TEXT QA_HANG_SHIM
run_window_test "$0" "$tutor" 540
