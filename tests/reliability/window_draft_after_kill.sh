#!/usr/bin/env bash
# The built program in a real X server (Xvfb), killed with SIGKILL while the
# student is typing, then started again: the typed text must come back.
#
# First run: the four start-up prompts, one question (Ctrl+N), a text typed
# into the answer box; once the draft in the state directory holds it,
# kill -9. No record file may hold the text yet.
# Second run, same student and assignment, same state directory: after the
# window shows, one message says the text is back; it is recorded
# (Ctrl+Return), the program quits (Ctrl+Q), and the master and send files
# hold it as the response.
#
#   window_draft_after_kill.sh PATH/TO/qa-tutor
#
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail

# What the student types. The e with an acute accent is one byte (0xE9) in
# the record files.
typed="Half the band was stretched in caf$(printf '\303\251') light."

. "$(dirname "$0")/window_driving.sh"

# The text as the record files hold it: Windows-1252.
recorded=$(printf '%s' "$typed" | iconv -f UTF-8 -t WINDOWS-1252)

if [ "${1:-}" = "--inside" ]; then
    # Runs under xvfb-run: both runs of the program, one after the other.
    # Every step waits for what the previous one must lead to, not for a
    # time: a loaded machine may take seconds over any of them.
    tutor=$2
    log=$3
    show_what_is_there_on_failure
    keys_for_letters eacute || echo "no key of its own for the accented letter; xdotool maps one as it types"
    records_hold_text() { grep -rqF -- "Half the band was stretched" "$QA_TUTOR_DRIVE_ROOT/c/kelvarno"; }

    echo "first run"
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$typed"
    # The draft is saved at most two seconds after the program took in the
    # first change not yet saved. Should a keystroke still come out wrong,
    # the text is typed over once more.
    for attempt in 1 2 3; do
        wait_for 30 draft_holds "$typed" && break
        echo "attempt $attempt: the draft does not hold the typed text 30 s after typing; typing it again"
        type_answer "$typed"
    done
    draft_holds "$typed" || { echo "FAIL: no draft with the typed text in the state directory" >&2; exit 1; }
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    if records_hold_text; then
        echo "FAIL: a record file holds the text before it was recorded" >&2
        exit 1
    fi

    echo "second run"
    start_and_answer_prompts "$tutor" "$log"
    # The window is shown first; the message about the draft comes after it.
    wait_window qa-tutor || { echo "FAIL: no message that the text is back" >&2; exit 1; }
    dismiss_message
    record_and_quit
    exit
fi

tutor=${1:?usage: window_draft_after_kill.sh PATH/TO/qa-tutor}
run_window_test "$0" "$tutor" 210

find_record_files
# The response stands on the line after the response label.
fail=0
for f in "$master" "$send"; do
    if has_response "$f" "$recorded"; then
        echo "ok: the typed text is the response in $(basename "$f")"
    else
        echo "FAIL: the typed text is not the response in $(basename "$f"); it holds:"
        grep -a -A1 "RESPONSE" "$f" || true
        fail=1
    fi
done
exit $fail
