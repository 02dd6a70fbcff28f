#!/usr/bin/env bash
# The Debian package as a student or a lab administrator gets it: its desktop
# entry and AppStream data valid, lintian without errors, installed with
# apt-get, the installed program driven in a real window, and removed with
# apt-get leaving none of its files behind. Needs root (or sudo) for apt-get.
#
#   check.sh PATH/TO/qa-tutor_<version>_<arch>.deb PATH/TO/window_one_response.sh
set -euo pipefail

deb=$(realpath "${1:?usage: check.sh DEB WINDOW_TEST}")
window_test=$(realpath "${2:?usage: check.sh DEB WINDOW_TEST}")
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
desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate reports errors"
pass "desktop entry valid"
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
[ -x /usr/bin/qa-tutor ] || fail "no /usr/bin/qa-tutor"
# The menu finds the program, its icon and the entry the metainfo names.
entry=/usr/share/applications/$app_id.desktop
exec=$(sed -n 's/^Exec=//p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' \
    "/usr/share/metainfo/$app_id.metainfo.xml")
[ "$(command -v "$exec")" = /usr/bin/qa-tutor ] || fail "Exec=$exec is not /usr/bin/qa-tutor"
[ -f "/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon named $icon"
[ -f "/usr/share/applications/$launchable" ] || fail "the metainfo launches $launchable, which is not installed"
dpkg -L qa-tutor >"$work/files"
pass "installed with apt-get ($(wc -l <"$work/files") paths)"

echo "--- real-window test against /usr/bin/qa-tutor"
# Anything the program keeps for itself goes to the scratch folder, not root's home.
rc=0
XDG_STATE_HOME=$work/state "$window_test" /usr/bin/qa-tutor || rc=$?
[ "$rc" -eq 0 ] || fail "real-window test against the installed program (status $rc)"
pass "real-window test against the installed program"

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
