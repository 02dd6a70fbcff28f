#!/usr/bin/env bash
# The built program in a real X server (Xvfb): a recording cut short by a
# kill, while the data folder hangs, loses nothing. The text is either whole
# in the record files or back in the answer box at the next start.
#
# Twice, with a preloaded shim that makes calls on files under the drive root
# hang once a flag file exists: first the writes hang, then the syncs.
# First run: the four start-up prompts, one question (Ctrl+N), a text typed
# and at once recorded (Ctrl+Return), before any draft is due; the flag is
# set just before, so the recording hangs; once it does, kill -9.
# Second run, same student and assignment. When the record files do not both
# hold the text, the restore message must say it is back; it is recorded
# (Ctrl+Return). Otherwise there is nothing to bring back and quitting asks
# nothing. Either way the master file holds the text as a response once.
#
#   window_recording_cut_short.sh PATH/TO/qa-tutor PATH/TO/hang_io_shim.so
#
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"
typed="Cut short while it hung"

# Both record files hold the text.
records_whole() {
    local dir=$QA_TUTOR_DRIVE_ROOT/c/kelvarno
    LC_ALL=C grep -qxF -- "$typed"$'\r' "$dir"/masterFile_Ann_Lee.txt 2>/dev/null &&
        LC_ALL=C grep -qxF -- "$typed"$'\r' "$dir"/send_????Ann_Lee.txt 2>/dev/null
}

# One kill in a hanging CALL ("write" or "sync"), the restart, the check.
cut_short_in() { # CALL
    rm -rf "${QA_TUTOR_DRIVE_ROOT:?}"/* "${XDG_STATE_HOME:?}"/* "$QA_HANG_FLAG" "$QA_HANG_FLAG.hung"
    echo "first run, the $1 calls hang"
    QA_HANG_CALL=$1 LD_PRELOAD=$QA_HANG_SHIM start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$typed"
    touch "$QA_HANG_FLAG"
    xdotool key ctrl+Return
    for _ in $(seq 1 300); do
        [ -e "$QA_HANG_FLAG.hung" ] && break
        sleep 0.1
    done
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    if [ ! -e "$QA_HANG_FLAG.hung" ]; then
        echo "FAIL: the recording did not hang in a $1 call within 30 s" >&2
        return 1
    fi
    rm -f "$QA_HANG_FLAG"

    echo "second run"
    start_and_answer_prompts "$tutor" "$log"
    if records_whole; then
        echo "the text was whole in the record files: nothing to bring back"
        focus "$main"
        xdotool key ctrl+q
        wait_for_exit "Ctrl+Q with nothing unrecorded"
    else
        if ! wait_window qa-tutor; then
            echo "FAIL: no restore message after the restart; the state directory holds:" >&2
            ls -la "$XDG_STATE_HOME"/qa-tutor >&2 || true
            return 1
        fi
        focus "$win"
        xdotool key Return
        sleep 0.5
        focus "$main"
        record_and_quit
    fi
    find_record_files
    local count
    count=$(LC_ALL=C grep -c -x -F -- "$typed"$'\r' "$master" || true)
    if [ "$count" -ne 1 ] || ! has_response "$master" "$typed"; then
        echo "FAIL: after a hang in $1, the master file holds the text $count times; it holds:" >&2
        grep -a -B1 -A1 "RESPONSE" "$master" >&2 || true
        return 1
    fi
    echo "ok: after a hang in $1, the text is recorded once"
}

if [ "${1:-}" = "--inside" ]; then
    tutor=$2
    log=$3
    QA_HANG_UNDER=$(realpath "$QA_TUTOR_DRIVE_ROOT")/
    QA_HANG_FLAG=$(realpath "$QA_TUTOR_DRIVE_ROOT/..")/hang-now
    export QA_HANG_UNDER QA_HANG_FLAG
    cut_short_in write
    cut_short_in sync
    exit 0
fi

tutor=${1:?usage: window_recording_cut_short.sh PATH/TO/qa-tutor PATH/TO/hang_io_shim.so}
QA_HANG_SHIM=$(realpath "${2:?the shim that makes calls hang}")
export QA_HANG_SHIM
run_window_test "$0" "$tutor" 240
