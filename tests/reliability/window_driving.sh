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

# xdotool reads the text it types in the locale's character set, and in the C
# locale of a bare system it refuses any letter beyond ASCII. It always gets
# a UTF-8 locale here: C.UTF-8, which Debian always has, or another one.
utf8_locale=$(locale -a 2>/dev/null | grep -ixm1 'c\.utf-\?8' ||
    locale -a 2>/dev/null | grep -im1 '\.utf-\?8$' || true)
xdotool() {
    if [ -z "$utf8_locale" ]; then
        echo "no UTF-8 locale to type in; make one, e.g. localedef -i C -f UTF-8 C.UTF-8" >&2
        return 1
    fi
    LC_ALL=$utf8_locale command xdotool "$@"
}

# Inside the X server, before the program starts: gives each LETTER (an X
# keysym name) a key of its own. Otherwise xdotool maps a spare key to the
# letter for each keystroke and maps it back at once, and a loaded machine
# can read the keystroke after the key was mapped back.
#   keys_for_letters LETTER...
keys_for_letters() {
    local map=${TMPDIR:-/tmp}/qa-keymap-$$.xkb spare letter
    xkbcomp -w0 -xkb "$DISPLAY" "$map" || return 1
    # Keys of the standard map that no student uses: F13 to F20.
    for spare in FK13 FK14 FK15 FK16 FK17 FK18 FK19 FK20; do
        [ $# -gt 0 ] || break
        letter=$1
        shift
        sed -i "s/key <$spare> *{[^}]*}/key <$spare> { [ $letter ] }/" "$map"
    done
    xkbcomp -w0 "$map" "$DISPLAY" || return 1
    rm -f "$map"
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

# Inside the X server: each named case (the function case_NAME) in a
# subshell of its own, so that a failed step ends it alone and its programs
# still running are killed; the script's clean_case before and after each.
# Exits 1 naming the cases that failed, else 0.
#   run_cases NAME...
run_cases() {
    local name failed=
    set +e
    for name in "$@"; do
        echo "=== $name"
        clean_case
        (
            set -e
            trap 'status=$?; [ $status -eq 0 ] || show_what_is_there >&2; kill -9 $(jobs -p) 2>/dev/null || true; exit $status' EXIT
            "case_$name"
        )
        [ $? -eq 0 ] || failed="$failed $name"
        clean_case
    done
    if [ -n "$failed" ]; then
        echo "FAIL:$failed"
        exit 1
    fi
    exit 0
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
# assignment: Ann Lee's assignment 1 unless given); sets $pid, and $main to
# the main window's id. A new program may get the window ids a killed one
# had: $seen starts afresh, but for the windows of programs still running
# that are listed in $other_windows.
start_and_answer_prompts() { # TUTOR LOG [NAME INITIALS ASSIGNMENT]
    start_and_reply "$@"
    wait_window Form1
    main=$win
}
other_windows=
start_and_reply() { # TUTOR LOG [NAME INITIALS ASSIGNMENT]: the prompts alone
    "$1" >>"$2" 2>&1 &
    pid=$!
    seen=" $other_windows "
    said=
    local reply
    for reply in 1 "${3:-Ann Lee}" "${4:-ALE}" "${5:-1}"; do
        wait_window qa-tutor
        focus "$win"
        xdotool type --delay 30 "$reply"
        xdotool key Return
    done
}

# Sets $said to the text of the message box $win: its Ctrl+C puts the title,
# the text and the buttons on the clipboard, which $QA_CLIPBOARD_TEXT (a
# program that prints it) reads. A box of the same program that said the
# same before would read the same: each read waits for a new text.
said=
read_message() {
    local text deadline=$((SECONDS + 30))
    focus "$win"
    xdotool key ctrl+c
    while [ $SECONDS -lt $deadline ]; do
        # Its status is not asked: what it printed tells (a sanitizer's
        # report at its exit must not count).
        text=$("$QA_CLIPBOARD_TEXT" 2>/dev/null | tr -d '\r' || true)
        if [ -n "$text" ] && [ "$text" != "$said" ]; then
            said=$text
            return 0
        fi
        sleep 0.2
    done
    echo "FAIL: nothing new on the clipboard 30 s after Ctrl+C in window $win" >&2
    return 1
}

# Fails unless the message read last says TEXT (a part of it, on one line).
expect_said() { # TEXT
    case "$said" in *"$1"*) return 0 ;; esac
    printf 'FAIL: the message does not say "%s"; it says:\n%s\n' "$1" "$said" >&2
    return 1
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

# Records the answer box (Ctrl+Return), waits until the master file holds
# one response more, quits (Ctrl+Q) and waits for the end.
record_and_quit() {
    local before
    before=$(responses)
    xdotool key ctrl+Return
    if ! wait_for 30 eval '[ "$(responses)" -gt "$before" ]'; then
        echo "the master file holds no new response 30 s after Ctrl+Return" >&2
        return 1
    fi
    xdotool key ctrl+q
    wait_for_exit Ctrl+Q
}
responses() { # the response labels in Ann Lee's master file
    local n
    n=$(LC_ALL=C grep -sc "^RESPONSE -->" "$QA_TUTOR_DRIVE_ROOT/c/kelvarno/masterFile_Ann_Lee.txt" || true)
    echo "${n:-0}"
}

# Answers the message box $win with Return, waits until it is gone, and
# gives the main window the focus again.
dismiss_message() {
    local message=$win
    focus "$message"
    xdotool key Return
    wait_gone "$message"
    focus "$main"
}

# Runs COMMAND every tenth of a second until it succeeds or SECONDS pass.
wait_for() { # SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    shift
    until "$@" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# Inside the X server: when the run fails, it shows what was there.
show_what_is_there_on_failure() {
    trap 'status=$?; [ $status -eq 0 ] || show_what_is_there >&2; exit $status' EXIT
}

# What the screen and the files show: the visible windows, the state
# directory and the record files.
show_what_is_there() {
    local id f
    echo "--- visible windows ---"
    for id in $(command xdotool search --onlyvisible --name . 2>/dev/null); do
        echo "$id: $(command xdotool getwindowname "$id" 2>/dev/null)"
    done
    echo "--- state directory ---"
    for f in "$XDG_STATE_HOME"/qa-tutor/*; do
        [ -f "$f" ] || continue
        echo "$(basename "$f"):"
        od -c "$f" | head -8
    done
    echo "--- record files ---"
    for f in "$QA_TUTOR_DRIVE_ROOT"/c/kelvarno/*; do
        [ -f "$f" ] || continue
        echo "$(basename "$f"), last lines:"
        tail -n 4 "$f" | od -c | tail -n 8
    done
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

# Fails unless FILE holds TEXT on exactly one line.
once_in() { # FILE TEXT
    local n
    n=$(LC_ALL=C grep -c -x -F -- "$2"$'\r' "$1" 2>/dev/null || true)
    [ "$n" = 1 ] && return 0
    echo "FAIL: $(basename "$1") holds \"$2\" ${n:-0} times" >&2
    return 1
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

# The waits below allow 30 s: a loaded machine can take that long.

# Whether a draft in the state directory holds TEXT; waits until one does.
# A draft's temporary file (a name with a dot) does not count: a kill before
# its rename leaves no draft.
draft_holds() { # TEXT
    local f
    for f in "$XDG_STATE_HOME"/qa-tutor/draft-*; do
        case ${f##*/} in *.*) continue ;; esac
        grep -qsF -- "$1" "$f" && return 0
    done
    return 1
}
wait_for_draft() { # TEXT
    wait_for 30 draft_holds "$1" && return 0
    echo "FAIL: no draft holds \"$1\" within 30 s" >&2
    return 1
}

# Waits until window ID is no longer shown.
wait_gone() { # ID
    local id=$1
    wait_for 30 eval '! xdotool search --onlyvisible --name "^qa-tutor\$" | grep -qx "$id"' && return 0
    echo "FAIL: window $id still shown after 30 s" >&2
    return 1
}

# Waits until the program has ended; kills it and fails after 30 s.
wait_for_exit() { # WHAT: what should have ended it
    if ! wait_for 30 eval '! kill -0 "$pid"'; then
        echo "FAIL: qa-tutor still running 30 s after $1" >&2
        kill -9 "$pid"
        return 1
    fi
    wait "$pid"
}
