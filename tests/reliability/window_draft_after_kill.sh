#!/usr/bin/env bash
# The built program in a real X server (Xvfb), killed with SIGKILL while the
# student is typing, then started again: the typed text must come back.
#
# First run: the four start-up prompts, one question (Ctrl+N), a text typed
# into the answer box, a pause longer than the two seconds after which the
# box is kept as a draft, then kill -9. No record file may hold the text yet.
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

if [ "${1:-}" = "--inside" ]; then
    # Runs under xvfb-run: both runs of the program, one after the other.
    tutor=$2
    log=$3
    records_hold_text() {
        grep -rqF -- "Half the band was stretched" "$QA_TUTOR_DRIVE_ROOT/c/kelvarno" 2>/dev/null
    }

    echo "first run"
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$typed"
    # The draft is saved two seconds after the last change the program has
    # taken in; on a loaded machine the keys may arrive late, so wait until
    # the draft holds all of the text (at most 10 s), then kill. xdotool
    # types the accented letter by remapping a key for a moment, which a
    # loaded machine can garble: then the text is typed over once more.
    for attempt in 1 2 3; do
        for _ in $(seq 1 100); do
            grep -qsF -- "$typed" "$XDG_STATE_HOME"/qa-tutor/draft-* && break 2
            sleep 0.1
        done
        echo "attempt $attempt: the draft does not hold the typed text yet; typing it again"
        type_answer "$typed"
    done
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    if records_hold_text; then
        echo "FAIL: a record file holds the text before it was recorded" >&2
        exit 1
    fi
    if ! grep -qsF -- "$typed" "$XDG_STATE_HOME"/qa-tutor/draft-*; then
        echo "FAIL: no draft with the typed text in the state directory after the pause; there is:" >&2
        od -c "$XDG_STATE_HOME"/qa-tutor/draft-* | head -20 >&2 || true
        exit 1
    fi

    echo "second run"
    start_and_answer_prompts "$tutor" "$log"
    # The window is shown first; the message about the draft comes after it.
    wait_window qa-tutor
    focus "$win"
    xdotool key Return
    sleep 0.5
    focus "$main"
    record_and_quit
    exit $?
fi

tutor=${1:?usage: window_draft_after_kill.sh PATH/TO/qa-tutor}
run_window_test "$0" "$tutor" 150

find_record_files
# The response stands on the line after the response label, in Windows-1252.
expected=$(printf '%s' "$typed" | iconv -f UTF-8 -t WINDOWS-1252)
fail=0
for f in "$master" "$send"; do
    if has_response "$f" "$expected"; then
        echo "ok: the typed text is the response in $(basename "$f")"
    else
        echo "FAIL: the typed text is not the response in $(basename "$f"); it holds:"
        grep -a -A1 "RESPONSE" "$f" || true
        fail=1
    fi
done
exit $fail
