#!/usr/bin/env bash
# qa-review.exe without arguments, under Wine in Xvfb: the desk opens its
# folder chooser (Wine's own dialog stands in for Windows'), is given a class
# composed with the record layouts, then the report's path in the save
# dialog, and writes the report there. A screenshot of the folder chooser
# goes to SHOTS.
#
#   window_review_desk.sh WINDOWS_REVIEW WINE HOST_COMPOSE SHOTS
set -euo pipefail
. "$(dirname "$0")/../reliability/window_driving.sh"
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

if [ "${1:-}" = "--inside" ]; then
    review=$2
    log=$3
    show_what_is_there_on_failure
    "$review" >>"$log" 2>&1 &
    pid=$!
    wait_window "(Folder of handed-in files|Select Folder).*"
    focus "$win"
    sleep 1
    import -window root "$SHOTS/desk-folder-chooser.png"
    xdotool type --delay 20 "$(winpath "$CLASS")"
    xdotool key Return
    wait_window "(Save the report as|Save As).*"
    focus "$win"
    sleep 1
    import -window root "$SHOTS/desk-save-dialog.png"
    xdotool key ctrl+a
    xdotool type --delay 20 "$(winpath "$REPORT")"
    xdotool key Return
    wait_for 120 eval 'grep -qs "</html>" "$REPORT"' || { echo "no report 120 s after its path" >&2; exit 1; }
    # What the browser does with it is Wine's: the desk's part is done.
    kill "$pid" 2>/dev/null || true
    exit 0
fi

review=${1:?usage: window_review_desk.sh WINDOWS_REVIEW WINE HOST_COMPOSE SHOTS}
wine=${2:?} compose=${3:?}
mkdir -p "${4:?}"
export SHOTS=$(realpath "$4")
require_window_tools
root=$(mktemp -d "${TMPDIR:-/tmp}/qa-desk-XXXXXX")
trap 'rm -rf "$root"' EXIT
export CLASS=$root/class REPORT=$root/reports/week1.html
cat >"$root/review.sh" <<LAUNCH
#!/bin/sh
exec "$wine" "$review"
LAUNCH
chmod +x "$root/review.sh"
clean() {
    rm -rf "$CLASS" "$root/reports"
    mkdir -p "$root/reports"
    "$compose" "$CLASS" >/dev/null
}
wineserver=$(dirname "$wine")/wineserver
"$wineserver" -w 2>/dev/null || true
WINEDLLOVERRIDES="mshtml=d;winebrowser.exe=d" run_under_xvfb "$0" "$root/review.sh" "$root/review.log" 600 clean
"$wineserver" -k 2>/dev/null || true

fail=0
if grep -q "Zo&euml;\|Zoë" "$REPORT"; then
    echo "ok: the report is written ($(wc -c <"$REPORT") bytes) and names the students"
else
    echo "FAIL: the report at $REPORT does not name the students"
    fail=1
fi
if [ -n "$(find "$CLASS" -type f ! -name '*.txt')" ]; then
    echo "FAIL: something was written among the handed-in files"
    fail=1
fi
[ -s "$SHOTS/desk-folder-chooser.png" ] || { echo "FAIL: no screenshot"; fail=1; }
exit $fail
