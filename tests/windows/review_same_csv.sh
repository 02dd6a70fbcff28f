#!/usr/bin/env bash
# The review gives the same CSV bytes on Linux and on Windows (under Wine).
# Each side composes the same class with its own build of the record layouts
# into a folder whose name has an accent, and the two trees must match, file
# names included (on Windows they go through the wide calls); then each
# side's qa-review reads its own tree. And qa-review.exe without arguments,
# the command line alone, gives its usage and status 2; with the window
# (WINDOW given as "window"), no arguments open the desk, and --help gives
# the usage and status 0.
#
#   review_same_csv.sh HOST_COMPOSE HOST_REVIEW WINDOWS_COMPOSE WINDOWS_REVIEW WINE [WINDOW]
set -euo pipefail
host_compose=$1 host_review=$2 win_compose=$3 win_review=$4 wine=$5 window=${6:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/qa-same-csv-XXXXXX")
trap 'rm -rf "$work"' EXIT
class="Année 1"
mkdir -p "$work/linux" "$work/windows"

(cd "$work/linux" && "$host_compose" "$class" && "$host_review" --csv review.csv "$class")
(cd "$work/windows" && "$wine" "$win_compose" "$class" && "$wine" "$win_review" --csv review.csv "$class")

fail=0
status=0
if [ "$window" = window ]; then
    "$wine" "$win_review" --help >"$work/usage" 2>&1 || status=$?
    asked="--help" expected=0
else
    "$wine" "$win_review" >"$work/usage" 2>&1 || status=$?
    asked="without arguments" expected=2
fi
if [ "$status" -eq "$expected" ] && grep -q "^usage: qa-review " "$work/usage"; then
    echo "ok: $asked, the usage and status $expected"
else
    echo "FAIL: $asked: status $status, and: $(cat "$work/usage")"
    fail=1
fi
if diff -r "$work/linux/$class" "$work/windows/$class"; then
    echo "ok: the same class on both sides ($(find "$work/linux/$class" -type f | wc -l) files)"
else
    echo "FAIL: the composed classes differ"
    fail=1
fi
if ! grep -q "Zoë Ñúñez" "$work/linux/review.csv"; then
    echo "FAIL: the Linux CSV does not hold the student with accents"
    fail=1
fi
if cmp "$work/linux/review.csv" "$work/windows/review.csv"; then
    echo "ok: the same CSV bytes ($(wc -c <"$work/linux/review.csv") bytes)"
else
    echo "FAIL: the CSV differs between Linux and Windows"
    diff <(od -c "$work/linux/review.csv") <(od -c "$work/windows/review.csv") | head -20
    fail=1
fi
exit $fail
