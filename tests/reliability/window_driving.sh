# Shared by the real-window tests: driving the built program under Xvfb with
# xdotool the way a student would, and checking what it recorded. Sourced.

# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
require_window_tools() {
    local tool
    for tool in xvfb-run xdotool; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed"
            exit 77
        fi
    done
}

# Outside the X server: a temporary drive root and state directory
# ($QA_TUTOR_DRIVE_ROOT, $XDG_STATE_HOME, removed at exit), then the run.
#   run_window_test SCRIPT TUTOR SECONDS
run_window_test() {
    require_window_tools
    root=$(mktemp -d "${TMPDIR:-/tmp}/qa-window-XXXXXX")
    trap 'rm -rf "$root"' EXIT
    export QA_TUTOR_DRIVE_ROOT=$root/drive
    export XDG_STATE_HOME=$root/state
    log=$root/qa-tutor.log
    clean_root() { rm -rf "${root:?}"/*; mkdir -p "$QA_TUTOR_DRIVE_ROOT" "$XDG_STATE_HOME"; }
    run_under_xvfb "$1" "$2" "$log" "$3" clean_root
}

# Runs "SCRIPT --inside TUTOR LOG" under a fresh X server. xvfb-run -a can
# lose the race for a display number to another X server starting at the
# same moment; such a start is tried again, from scratch (CLEAN is called
# first each time). -noreset: the server must not reset when the program, its
# only client, is killed.
#   run_under_xvfb SCRIPT TUTOR LOG SECONDS CLEAN
run_under_xvfb() {
    local script=$1 tutor=$2 log=$3 seconds=$4 clean=$5 status=0 attempt
    for attempt in 1 2 3; do
        status=0
        "$clean"
        timeout "$seconds" xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$script" --inside "$tutor" "$log" ||
            status=$?
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
}

# Inside the X server. $pid is the running program.
# Sets $win to the id of a visible window with this exact title that is not
# in $seen, and adds it there.
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

# Starts the program and answers the four prompts (where, name, initials,
# assignment); sets $pid, and $main to the main window's id. A new program
# may get the window ids a killed one had: $seen starts afresh.
start_and_answer_prompts() { # TUTOR LOG
    "$1" >>"$2" 2>&1 &
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

# Shows the next question (Ctrl+N) and types TEXT over what the answer box
# holds (5640, 720 twips: 376, 48 pixels).
show_question_and_type() { # TEXT
    focus "$main"
    xdotool key ctrl+n
    sleep 0.5
    type_answer "$1"
}
type_answer() { # TEXT
    xdotool mousemove --window "$main" 480 160 click 1
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 20 "$1"
}

# Records the answer box (Ctrl+Return), quits (Ctrl+Q) and waits for the end.
record_and_quit() {
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
}

# After the run: sets $master and $send to Ann Lee's record files, and fails
# unless there is one of each.
find_record_files() {
    local dir=$QA_TUTOR_DRIVE_ROOT/c/kelvarno sends
    master=$dir/masterFile_Ann_Lee.txt
    sends=("$dir"/send_????Ann_Lee.txt)
    ls -l "$dir"
    [ -f "$master" ] || { echo "FAIL: no master file"; exit 1; }
    [ ${#sends[@]} -eq 1 ] && [ -f "${sends[0]}" ] || { echo "FAIL: no single send file"; exit 1; }
    send=${sends[0]}
}

# After the run: whether FILE holds TEXT (record-file bytes) on the line
# after the response label.
has_response() { # FILE TEXT
    LC_ALL=C awk -v want="$2"$'\r' 'prev == "RESPONSE -->  \r" && $0 == want { found = 1 }
            { prev = $0 } END { exit !found }' "$1"
}

# The CPU time the running program has used so far, in clock ticks (user
# and system time, the 14th and 15th fields of its stat line).
cpu_ticks() {
    sed 's/^.*) //' "/proc/$pid/stat" | awk '{ print $12 + $13 }'
}

# Fails unless the running program stays idle, under 2% of a core, over
# SECONDS while WHAT is on screen.
#   expect_idle SECONDS WHAT
expect_idle() {
    local hz before used allowed
    hz=$(getconf CLK_TCK)
    before=$(cpu_ticks)
    sleep "$1"
    used=$(($(cpu_ticks) - before))
    allowed=$((hz * $1 * 2 / 100))
    echo "CPU time while $2 is up: $used ticks in $1 s (at most $allowed; $hz a second)"
    if [ "$used" -gt "$allowed" ]; then
        echo "FAIL: the program is busy while $2 is up" >&2
        return 1
    fi
}

# Waits until a draft in the state directory holds TEXT; fails after 15 s.
wait_for_draft() { # TEXT
    local _
    for _ in $(seq 1 150); do
        grep -qsF -- "$1" "$XDG_STATE_HOME"/qa-tutor/draft-* && return 0
        sleep 0.1
    done
    echo "FAIL: no draft holds \"$1\" within 15 s" >&2
    return 1
}

# Waits until window ID is no longer shown; fails after 10 s.
wait_gone() { # ID
    local _
    for _ in $(seq 1 100); do
        xdotool search --onlyvisible --name '^qa-tutor$' 2>/dev/null | grep -qx "$1" || return 0
        sleep 0.1
    done
    echo "FAIL: window $1 still shown after 10 s" >&2
    return 1
}

# Waits until the program has ended; kills it and fails after 10 s.
wait_for_exit() { # WHAT: what should have ended it
    local _
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: qa-tutor still running 10 s after $1" >&2
        kill -9 "$pid"
        return 1
    fi
    wait "$pid"
}
