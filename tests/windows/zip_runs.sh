#!/usr/bin/env bash
# The Windows download runs as it is: unpacked into an empty folder, with
# nothing of the build, Qt or MinGW on Wine's PATH, qa-review.exe reads a
# class on its command line (every DLL it links is in the folder), and
# qa-tutor.exe in Xvfb (the Windows platform plug-in found beside it) goes
# through the start-up prompts, records one response and quits, as the
# window test drives it; its screenshots go to SHOTS.
#
#   zip_runs.sh ZIP WINE HOST_COMPOSE SHOTS
set -euo pipefail
. "$(dirname "$0")/../reliability/window_driving.sh"
zip=$(realpath "$1") wine=$2 compose=$3
mkdir -p "$4"
shots=$(realpath "$4")
unset WINEPATH
work=$(mktemp -d "${TMPDIR:-/tmp}/qa-zip-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$zip")
folder=$(echo "$work"/unpacked/*)
echo "unpacked: $(cd "$folder" && find . -type f | LC_ALL=C sort | tr '\n' ' ')"
fail=0
for f in qa-tutor.exe qa-review.exe platforms/qwindows.dll NOTICE.txt LICENSE.txt LGPL-3.txt \
         licences/libarchive.txt licences/libxlsxwriter.txt licences/zlib.txt; do
    [ -f "$folder/$f" ] || { echo "FAIL: $f is not in the zip"; fail=1; }
done
grep -q "qt6-base 6\." "$folder/NOTICE.txt" || { echo "FAIL: the notice names no Qt source"; fail=1; }

"$compose" "$work/class" >/dev/null
status=0
(cd "$work" && "$wine" "$folder/qa-review.exe" --csv review.csv class) >"$work/review.log" 2>&1 || status=$?
if [ "$status" -eq 0 ] && [ -s "$work/review.csv" ]; then
    echo "ok: qa-review.exe from the zip reads the class ($(wc -c <"$work/review.csv") bytes of CSV)"
else
    echo "FAIL: qa-review.exe from the zip: status $status"; cat "$work/review.log"; fail=1
fi

cat >"$work/tutor.sh" <<LAUNCH
#!/bin/sh
cd "$folder" || exit 1
QA_TUTOR_DRIVE_ROOT="Z:\$(printf '%s' "\$QA_TUTOR_DRIVE_ROOT" | tr / '\\\\\\\\')" exec "$wine" ./qa-tutor.exe
LAUNCH
chmod +x "$work/tutor.sh"
wineserver=$(dirname "$wine")/wineserver
"$wineserver" -w 2>/dev/null || true
rm -rf "${WINEPREFIX:?}"/drive_c/users/*/AppData/Local/qa-tutor
export SHOTS=$shots
run_window_test "$(dirname "$0")/window_same_records.sh" "$work/tutor.sh" 600
trap 'rm -rf "$root" "$work"' EXIT
"$wineserver" -w 2>/dev/null || true
master=$QA_TUTOR_DRIVE_ROOT/c/kelvarno/masterFile_Ann_Lee.txt
if [ -f "$master" ] && has_response "$master" "Force grows more slowly at greater lengths."; then
    echo "ok: qa-tutor.exe from the zip recorded the response"
else
    echo "FAIL: qa-tutor.exe from the zip recorded no response"; fail=1
fi
exit $fail
