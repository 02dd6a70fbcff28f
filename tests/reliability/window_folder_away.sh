#!/usr/bin/env bash
# The built program in a real X server (Xvfb) when the data folder is not
# there: at start, or taken away during the session. One case after the
# other, each from empty folders:
#
# absent_at_start  The drive's folder is a stick not plugged in (c is a link
#                  to a folder that does not exist). The start says which
#                  folder could not be opened and what to do; the stick is
#                  plugged in (the folder made), a response recorded: the
#                  master and send files each begin with the session's header
#                  and hold the response once.
# taken_away       A response recorded; the data folder renamed away (root
#                  may write anywhere, so a mode would not stop it); a second
#                  response is refused with our message, no record file made,
#                  the text still in the box; the folder back, the same click
#                  records it: each text once in both files, after the header.
# share_dropped    The data folder is a share (a tmpfs mounted there): it is
#                  unmounted during the session, leaving the bare folder
#                  under it. A response is refused with our message and
#                  nothing is made in the bare folder; the share back, the
#                  click records it: each text once in both files. Skipped,
#                  saying why, where mount is not permitted.
#
#   window_folder_away.sh PATH/TO/qa-tutor PATH/TO/clipboard_text
#
# QA_WINDOW_CASES (names, blank-separated) runs only those cases.
# Exits 77 (skipped) when xvfb-run or xdotool is not installed.
set -euo pipefail
. "$(dirname "$0")/window_driving.sh"

first="Recorded while the folder was there"
second="Recorded once the folder was back"

# Fails unless FILE's second line is the header's name line: the code line
# and then the student's name come before anything else.
begins_with_header() { # FILE
    local line
    line=$(LC_ALL=C sed -n 2p "$1")
    [ "$line" = "Student Name:  Ann Lee"$'\r' ] && return 0
    echo "FAIL: $(basename "$1") does not begin with the session's header; its first lines:" >&2
    head -n 3 "$1" | od -c | head -n 6 >&2
    return 1
}

# Records the answer box and waits for the master file to hold one response more.
record() {
    local before
    before=$(responses)
    focus "$main"
    xdotool key ctrl+Return
    wait_for 30 eval '[ "$(responses)" -gt "$before" ]' && return 0
    echo "FAIL: the master file holds no new response 30 s after Ctrl+Return" >&2
    return 1
}

# Clicks "Enter Response" with the folder away: our message, nothing made,
# the text still in the box.
refused() { # WHY: a part of the message
    focus "$main"
    xdotool key ctrl+Return
    wait_window qa-tutor
    read_message
    expect_said "Your text was not recorded"
    expect_said "$1"
    expect_said "Your text is still in the answer box"
    dismiss_message
}

# Both record files: the header first, each text once, as a response.
each_once() {
    local f
    find_record_files
    for f in "$master" "$send"; do
        begins_with_header "$f"
        once_in "$f" "$first"
        once_in "$f" "$second"
        has_response "$f" "$second"
    done
}

# Answers the message box $win, shown before the main window is, with Return.
answer_before_the_window() {
    local message=$win
    focus "$message"
    xdotool key Return
    wait_gone "$message"
}

quit_asking_nothing() {
    focus "$main"
    xdotool key ctrl+q
    wait_for_exit "Ctrl+Q with nothing unrecorded"
}

case_absent_at_start() {
    local stick=$root/stick f
    ln -s "$stick" "$QA_TUTOR_DRIVE_ROOT/c"
    start_and_reply "$tutor" "$log"
    wait_window qa-tutor # the error number, as for any error
    answer_before_the_window
    wait_window qa-tutor
    read_message
    expect_said "Your record files could not be opened in the folder \"$QA_TUTOR_DRIVE_ROOT/c/kelvarno\""
    expect_said "plug it in"
    answer_before_the_window
    wait_window Form1
    main=$win
    mkdir -p "$stick/kelvarno"
    show_question_and_type "$second"
    record
    quit_asking_nothing
    find_record_files
    for f in "$master" "$send"; do
        begins_with_header "$f"
        once_in "$f" "$second"
        [ "$(LC_ALL=C grep -c "^Student Name:" "$f")" = 1 ] || { echo "FAIL: not one header in $f" >&2; return 1; }
    done
    echo "ok: the start said which folder; the header came first in both files"
}

case_taken_away() {
    local dir=$QA_TUTOR_DRIVE_ROOT/c/kelvarno
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$first"
    record
    mv "$dir" "$dir.away"
    show_question_and_type "$second"
    refused "No record file was changed"
    [ ! -e "$dir" ] || { echo "FAIL: the recording made the data folder again" >&2; return 1; }
    mv "$dir.away" "$dir"
    record
    quit_asking_nothing
    each_once
    echo "ok: refused while the folder was away, recorded once when it was back"
}

case_share_dropped() {
    local dir=$QA_TUTOR_DRIVE_ROOT/c/kelvarno share=$root/share
    mkdir -p "$dir" "$share"
    if ! mount -t tmpfs -o size=4m qa-share "$share" 2>/dev/null; then
        echo "SKIP share_dropped: a file system cannot be mounted here (not root, or no permission to mount)"
        return 0
    fi
    mount --bind "$share" "$dir"
    start_and_answer_prompts "$tutor" "$log"
    show_question_and_type "$first"
    record
    umount "$dir"
    show_question_and_type "$second"
    refused "a share may have gone from under it"
    if [ -n "$(ls -A "$dir")" ]; then
        echo "FAIL: the recording made files in the folder the share left:" >&2
        ls -la "$dir" >&2
        return 1
    fi
    mount --bind "$share" "$dir"
    record
    quit_asking_nothing
    each_once
    echo "ok: refused while the share was away, recorded once when it was back"
}

# A case's mounts go first, whatever it left: the share over the data folder,
# then the share itself.
clean_case() {
    local m
    for m in "$QA_TUTOR_DRIVE_ROOT/c/kelvarno" "$root/share"; do
        mountpoint -q "$m" 2>/dev/null && { umount "$m" || umount -l "$m"; }
    done
    rm -rf "${QA_TUTOR_DRIVE_ROOT:?}" "${XDG_STATE_HOME:?}" "${root:?}/stick" "${root:?}/share"
    mkdir -p "$QA_TUTOR_DRIVE_ROOT" "$XDG_STATE_HOME"
}

if [ "${1:-}" = "--inside" ]; then
    tutor=$2
    log=$3
    root=$(dirname "$QA_TUTOR_DRIVE_ROOT")
    run_cases ${QA_WINDOW_CASES:-absent_at_start taken_away share_dropped}
fi

tutor=${1:?usage: window_folder_away.sh PATH/TO/qa-tutor PATH/TO/clipboard_text}
QA_CLIPBOARD_TEXT=$(realpath "${2:?the program that prints the clipboard}")
export QA_CLIPBOARD_TEXT
run_window_test "$0" "$tutor" 400
