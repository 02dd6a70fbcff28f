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

if [ "${1:-}" = "--inside" ]; then
    # Runs under xvfb-run: start the program and drive it.
    tutor=$2
    log=$3
    "$tutor" >"$log" 2>&1 &
    pid=$!
    echo "$pid" >"$log.pid"

    # The id of a visible window with this exact title that is not in $seen.
    seen=" "
    wait_window() {
        local title=$1 deadline=$((SECONDS + 30)) id
        while [ $SECONDS -lt $deadline ]; do
            for id in $(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true); do
                case "$seen" in *" $id "*) ;; *)
                    seen="$seen$id "
                    echo "$id"
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

    # The four prompts: where, name, initials, assignment.
    for reply in 1 "Ann Lee" ALE 1; do
        id=$(wait_window qa-tutor)
        focus "$id"
        xdotool type --delay 30 "$reply"
        xdotool key Return
    done

    main=$(wait_window Form1)
    focus "$main"
    xdotool key ctrl+n
    sleep 0.5
    # Into the answer box (5640, 720 twips: 376, 48 pixels), over what it holds.
    xdotool mousemove --window "$main" 480 160 click 1
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 20 "Force grows more slowly at greater lengths."
    sleep 0.3
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

tutor=${1:?usage: window_one_response.sh PATH/TO/qa-tutor}
for tool in xvfb-run xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

root=$(mktemp -d "${TMPDIR:-/tmp}/qa-window-XXXXXX")
trap 'rm -rf "$root"' EXIT
export QA_TUTOR_DRIVE_ROOT=$root
log=$root/qa-tutor.log

# xvfb-run -a can lose the race for a display number to another X server
# starting at the same moment; such a start is tried again, from scratch.
status=0
for attempt in 1 2 3; do
    status=0
    rm -rf "${root:?}"/*
    timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$tutor" "$log" || status=$?
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

dir=$root/c/kelvarno
master=$dir/masterFile_Ann_Lee.txt
sends=("$dir"/send_????Ann_Lee.txt)
ls -l "$dir"
fail=0
check() { # check FILE WHAT LINE: the file holds LINE followed by CR LF
    if grep -qxF -- "$3"$'\r' "$1"; then
        echo "ok: $2 in $(basename "$1")"
    else
        echo "FAIL: $2 missing from $(basename "$1")"
        fail=1
    fi
}
[ -f "$master" ] || { echo "FAIL: no master file"; exit 1; }
[ ${#sends[@]} -eq 1 ] && [ -f "${sends[0]}" ] || { echo "FAIL: no single send file"; exit 1; }
for f in "$master" "${sends[0]}"; do
    check "$f" "student name" "Student Name:  Ann Lee"
    check "$f" "assignment number" "assignment #001"
    check "$f" "assignment header" "001.  test 1"
    check "$f" "initials" "Initials:  ALE"
    check "$f" "first question" "$(printf '%s' "A rubber band is stretched to lengths of 10 cm, 12 cm, 14 cm, 16 cm and" \
        " 18 cm, and the tension force it exerts at these lengths is measured as 0.8 N, 1.9 N, 2.7 N, 3.3 N and" \
        " 3.7 N. Write these forces as a sequence and find its sequence of first differences, then the sequence" \
        " of second differences. What do the signs of these differences tell you about how the force changes?" \
        " Finally, find a sequence whose first differences are the five forces, beginning with 0.")"
    # The response stands on the line after the response label.
    if awk 'prev == "RESPONSE -->  \r" && $0 == "Force grows more slowly at greater lengths.\r" { found = 1 }
            { prev = $0 } END { exit !found }' "$f"; then
        echo "ok: response in $(basename "$f")"
    else
        echo "FAIL: response missing from $(basename "$f")"
        fail=1
    fi
done
check "$master" "question tag" "\`questionNumber 10000 "
exit $fail
