#!/usr/bin/env bash
# The built program in a real X server (Xvfb): a student who types on
# steadily, never pausing for two seconds, loses nothing when the program is
# killed. The restore message that brings the text back leaves the program
# idle while it is up.
#
# First run: the four start-up prompts, one question (Ctrl+N), a first
# phrase typed into the answer box, then more words with short pauses until
# a draft holds the first phrase; kill -9 at once, typing not yet paused.
# Second run, same student and assignment: the restore message comes up;
# the program uses under 2% of a core over 5 s while it is (the draft timer
# falls due then); it is dismissed, the text is recorded (Ctrl+Return), the
# program quits (Ctrl+Q), and the master file holds the first phrase in the
# response.
#
#   window_steady_typing.sh PATH/TO/qa-tutor
#
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"
first="Steady typing is kept"

if [ "${1:-}" = "--inside" ]; then
    tutor=$2
    log=$3

    echo "first run"
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$first"
    # Under the old rule (a save two seconds after the last change) no draft
    # appears while the pauses stay this short.
    saved=
    for _ in $(seq 1 60); do
        if draft_holds "$first"; then
            saved=yes
            break
        fi
        xdotool type --delay 20 " and on"
        sleep 0.3
    done
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    if [ -z "$saved" ]; then
        echo "FAIL: typing on with short pauses, no draft held the first phrase" >&2
        exit 1
    fi

    echo "second run"
    start_and_answer_prompts "$tutor" "$log"
    wait_window qa-tutor # the restore message, once the window is shown
    expect_idle 5 "the restore message"
    dismiss_message
    record_and_quit
    exit $?
fi

tutor=${1:?usage: window_steady_typing.sh PATH/TO/qa-tutor}
run_window_test "$0" "$tutor" 180

find_record_files
if LC_ALL=C grep -a -A1 "^RESPONSE -->" "$master" | grep -qF -- "$first"; then
    echo "ok: the text typed before the kill is the response in $(basename "$master")"
else
    echo "FAIL: the text typed before the kill is not the response; the master file holds:"
    cat -A "$master" | tail -20
    exit 1
fi
