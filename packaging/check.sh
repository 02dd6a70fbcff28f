#!/usr/bin/env bash
# The Debian package as a student, an instructor or a lab administrator gets
# it: its desktop entries and AppStream data valid, lintian without errors,
# installed with apt-get, the installed tutor driven in a real window, the
# installed review run on its command line over a class composed with the
# record layouts and driven in a real window, and removed with apt-get
# leaving none of its files behind. Needs root (or sudo) for apt-get.
#
#   check.sh DEB WINDOW_TEST REVIEW_WINDOW_TEST COMPOSE_CLASS
#     DEB                 PATH/TO/qa-tutor_<version>_<arch>.deb
#     WINDOW_TEST         PATH/TO/window_one_response.sh
#     REVIEW_WINDOW_TEST  PATH/TO/window_review_desk.sh
#     COMPOSE_CLASS       PATH/TO/qa_compose_class (from the same build)
set -euo pipefail

usage="usage: check.sh DEB WINDOW_TEST REVIEW_WINDOW_TEST COMPOSE_CLASS"
deb=$(realpath "${1:?$usage}")
window_test=$(realpath "${2:?$usage}")
review_window_test=$(realpath "${3:?$usage}")
compose=$(realpath "${4:?$usage}")
app_id=io.github.qatutor.QaTutor
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

passed=0
installed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/qa-package-XXXXXX")
cleanup() {
    if [ "$installed" -eq 1 ]; then
        echo "removing qa-tutor after the failed check"
        DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq qa-tutor >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
pass() {
    echo "ok: $1"
    passed=$((passed + 1))
}
fail() {
    echo "FAIL: $1"
    echo "package-check: $passed passed, 1 failed"
    exit 1
}
status() { dpkg-query -W -f='${db:Status-Abbrev}' qa-tutor 2>/dev/null || true; }

echo "--- $deb"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"

# The files as the package holds them.
dpkg-deb -x "$deb" "$work/root"
for entry in $app_id $app_id.Review; do
    desktop-file-validate "$work/root/usr/share/applications/$entry.desktop" ||
        fail "desktop-file-validate reports errors in $entry.desktop"
done
pass "desktop entries valid"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate reports errors"
pass "AppStream metainfo valid"
echo "--- lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"
pass "lintian: no errors"

# Installed over nothing of its own, so that what is left after removal is
# known to come from this package.
case "$(status)" in
    "" | "un "*) ;;
    *) fail "qa-tutor is installed already (apt-get remove qa-tutor first)" ;;
esac
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/\?$' >"$work/contents"
while read -r path; do
    if [ ! -d "$path" ] && { [ -e "$path" ] || [ -L "$path" ]; }; then
        fail "$path exists before the package is installed"
    fi
done <"$work/contents"

echo "--- apt-get install $deb"
installed=1
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb"
[ "$(status)" = "ii " ] || fail "qa-tutor not installed (status '$(status)')"
# The menu finds each program, its icon and manual page, and the entries the
# metainfo names.
for pair in $app_id:qa-tutor $app_id.Review:qa-review; do
    entry=/usr/share/applications/${pair%%:*}.desktop program=/usr/bin/${pair#*:}
    [ -x "$program" ] || fail "no $program"
    exec=$(sed -n 's/^Exec=//p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ "$(command -v "$exec")" = "$program" ] || fail "Exec=$exec in $entry is not $program"
    [ -f "/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon named $icon"
    [ -f "/usr/share/man/man1/${pair#*:}.1.gz" ] || fail "no manual page for ${pair#*:}"
    grep -qx "    <binary>${pair#*:}</binary>" "/usr/share/metainfo/$app_id.metainfo.xml" ||
        fail "the metainfo does not list the binary ${pair#*:}"
done
for launchable in $(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' \
    "/usr/share/metainfo/$app_id.metainfo.xml"); do
    [ -f "/usr/share/applications/$launchable" ] || fail "the metainfo launches $launchable, which is not installed"
done
dpkg -L qa-tutor >"$work/files"
pass "installed with apt-get ($(wc -l <"$work/files") paths)"

echo "--- real-window test against /usr/bin/qa-tutor"
# Anything the program keeps for itself goes to the scratch folder, not root's home.
rc=0
XDG_STATE_HOME=$work/state "$window_test" /usr/bin/qa-tutor || rc=$?
[ "$rc" -eq 0 ] || fail "real-window test against the installed program (status $rc)"
pass "real-window test against the installed program"

echo "--- /usr/bin/qa-review on a composed class"
"$compose" "$work/class"
find "$work/class" -type f -exec sha256sum {} + | sort >"$work/class.sums"
(cd "$work" && /usr/bin/qa-review --html "$work/review.html" --csv "$work/review.csv" class) ||
    fail "qa-review on the composed class (status $?)"
# Every student, every question of assignment 001, the accents as UTF-8.
for student in "Ann Lee,ALE" "Bo Chen,BCH" "Zoë Ñúñez,ZNU"; do
    grep -q "^$student,001," "$work/review.csv" || fail "no rows for $student in the CSV"
done
grep -q "Zoë Ñúñez" "$work/review.html" || fail "the report does not name Zoë Ñúñez"
find "$work/class" -type f -exec sha256sum {} + | sort | cmp -s - "$work/class.sums" ||
    fail "qa-review changed the handed-in files"
[ "$(find "$work/class" -type f | wc -l)" -eq "$(wc -l <"$work/class.sums")" ] ||
    fail "qa-review added files among the handed-in ones"
pass "qa-review on a composed class: every student in the CSV and the report, the class untouched"
rc=0
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/qa-review >"$work/usage" 2>&1 || rc=$?
[ "$rc" -eq 2 ] && grep -q '^usage: qa-review ' "$work/usage" ||
    fail "qa-review without arguments and display: status $rc, not 2 with the usage"
pass "qa-review without arguments and display: the usage, status 2"
rc=0
"$review_window_test" /usr/bin/qa-review "$compose" || rc=$?
[ "$rc" -eq 0 ] || fail "real-window test against the installed qa-review (status $rc)"
pass "real-window test against the installed qa-review"

echo "--- apt-get remove qa-tutor"
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq qa-tutor
installed=0
case "$(status)" in
    "" | "un "*) ;;
    *) fail "dpkg still knows qa-tutor after removal (status '$(status)')" ;;
esac
left=0
while read -r path; do
    [ -e "$path" ] || [ -L "$path" ] || continue
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        # A directory stays when another package owns it or other files live in it.
        dpkg-query -S "$path" >/dev/null 2>&1 && continue
        [ -n "$(ls -A "$path")" ] && continue
    fi
    echo "left behind: $path"
    left=1
done <"$work/files"
[ "$left" -eq 0 ] || fail "removal left files of the package behind"
pass "removed with apt-get, nothing left behind"

echo "package-check: $passed passed, 0 failed"
