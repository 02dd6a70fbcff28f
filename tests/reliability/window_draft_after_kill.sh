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

if [ "${1:-}" = "--inside" ]; then
    # Runs under xvfb-run: both runs of the program, one after the other.
    tutor=$2
    log=$3
    pid=

    # Sets $win to the id of a visible window with this exact title that is
    # not in $seen.
    seen=" "
    win=
    wait_window() {
        local title=$1 deadline=$((SECONDS + 30)) id
        while [ $SECONDS -lt $deadline ]; do
            for id in $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true); do
                case "$seen" in *" $id "*) ;; *)
                    seen="$seen$id "
                    win=$id
                    return 0
                    ;;
                esac
            done
            kill -0 "$pid" 2>/dev/null || { echo "qa-tutor ended while waiting for \"$title\"" >&2; return 1; }
            sleep 0.1
        done
        echo "no new \"$title\" window within 30 s" >&2
        return 1
    }
    focus() {
        xdotool windowfocus --sync "$1"
        sleep 0.3
    }
    # Starts the program and answers the four prompts; sets $main to the
    # main window's id. A new client may get the ids the killed one had.
    start() {
        "$tutor" >>"$log" 2>&1 &
        pid=$!
        seen=" "
        local reply
        for reply in 1 "Ann Lee" ALE 1; do
            wait_window qa-tutor
            focus "$win"
            xdotool type --delay 30 "$reply"
            xdotool key Return
        done
        wait_window Form1
        main=$win
    }
    records_hold_text() {
        grep -rqF -- "Half the band was stretched" "$QA_TUTOR_DRIVE_ROOT/c/kelvarno" 2>/dev/null
    }

    echo "first run"
    start
    focus "$main"
    xdotool key ctrl+n
    sleep 0.5
    # Into the answer box (5640, 720 twips: 376, 48 pixels), over what it holds.
    xdotool mousemove --window "$main" 480 160 click 1
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 20 "$typed"
    sleep 3 # the draft is saved two seconds after the last change
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    if records_hold_text; then
        echo "FAIL: a record file holds the text before it was recorded" >&2
        exit 1
    fi
    if ! ls "$XDG_STATE_HOME"/qa-tutor/draft-* >/dev/null 2>&1; then
        echo "FAIL: no draft in the state directory after the pause" >&2
        exit 1
    fi

    echo "second run"
    start
    # The window is shown first; the message about the draft comes after it.
    wait_window qa-tutor
    message=$win
    focus "$message"
    xdotool key Return
    sleep 0.5
    focus "$main"
    xdotool key ctrl+Return
    sleep 0.5
    xdotool key ctrl+q

    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "qa-tutor still running 10 s after Ctrl+Q" >&2
        kill -9 "$pid"
        exit 1
    fi
    wait "$pid"
    exit $?
fi

tutor=${1:?usage: window_draft_after_kill.sh PATH/TO/qa-tutor}
for tool in xvfb-run xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

root=$(mktemp -d "${TMPDIR:-/tmp}/qa-window-XXXXXX")
trap 'rm -rf "$root"' EXIT
export QA_TUTOR_DRIVE_ROOT=$root/drive
export XDG_STATE_HOME=$root/state
log=$root/qa-tutor.log

# xvfb-run -a can lose the race for a display number to another X server
# starting at the same moment; such a start is tried again, from scratch.
# -noreset: the server must not reset when the killed program, its only
# client, goes, or the second start could find no display.
status=0
for attempt in 1 2 3; do
    status=0
    rm -rf "${root:?}"/*
    mkdir -p "$QA_TUTOR_DRIVE_ROOT" "$XDG_STATE_HOME"
    timeout 150 xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" --inside "$tutor" "$log" || status=$?
    [ "$status" -eq 0 ] && break
    grep -q "" "$log" 2>/dev/null && break # the program ran: a real failure
    echo "attempt $attempt: the X server did not start (status $status); trying again"
    sleep 1
done
echo "--- qa-tutor output ---"
cat "$log" 2>/dev/null || true
if [ "$status" -ne 0 ]; then
    echo "FAIL: the run under Xvfb ended with status $status"
    exit 1
fi

dir=$QA_TUTOR_DRIVE_ROOT/c/kelvarno
master=$dir/masterFile_Ann_Lee.txt
sends=("$dir"/send_????Ann_Lee.txt)
ls -l "$dir"
[ -f "$master" ] || { echo "FAIL: no master file"; exit 1; }
[ ${#sends[@]} -eq 1 ] && [ -f "${sends[0]}" ] || { echo "FAIL: no single send file"; exit 1; }
# The response stands on the line after the response label, in Windows-1252.
expected=$(printf '%s' "$typed" | iconv -f UTF-8 -t WINDOWS-1252)
fail=0
for f in "$master" "${sends[0]}"; do
    if LC_ALL=C awk -v want="$expected"$'\r' 'prev == "RESPONSE -->  \r" && $0 == want { found = 1 }
            { prev = $0 } END { exit !found }' "$f"; then
        echo "ok: the typed text is the response in $(basename "$f")"
    else
        echo "FAIL: the typed text is not the response in $(basename "$f")"
        fail=1
    fi
done
exit $fail
