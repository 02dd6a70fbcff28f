#!/usr/bin/env bash
# Makes the Windows download from a cross build with the windows:
# qa-tutor-<version>-windows-x64.zip in BUILD, one folder holding both
# programs and everything they load that Windows does not have (the Qt DLLs,
# the Windows platform and style plug-ins, the MinGW runtime, libarchive,
# libxlsxwriter, zlib), stripped, with the licence and a notice of what was
# built from which source. A cross build has no windeployqt: the DLLs are
# found by following each file's imports.
#
#   zip.sh BUILD PREFIX     (PREFIX: what packaging/windows/prefix.sh printed)
set -euo pipefail
build=$(realpath "$1") prefix=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(realpath "$here/../..")
target=x86_64-w64-mingw32
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "zip.sh: $build is no configured build" >&2; exit 1; }
name=qa-tutor-$version-windows-x64
stage=$build/zip-stage/$name
rm -rf "$build/zip-stage" "$build/$name.zip"
mkdir -p "$stage/platforms" "$stage/styles"

# Where the DLLs that are not Windows' own come from.
search=("$prefix/bin")
for dll in libstdc++-6.dll libwinpthread-1.dll zlib1.dll; do
    f=$("$target-g++-posix" -print-file-name="$dll")
    [ -f "$f" ] && search+=("$(dirname "$(realpath "$f")")")
done

cp "$build/qa-tutor.exe" "$build/qa-review.exe" "$stage/"
cp "$prefix/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$prefix/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"

# Each import found in the search folders goes beside the programs, and its
# own imports after it; the rest are the system's.
todo=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#todo[@]} -gt 0 ]; do
    file=${todo[0]}
    todo=("${todo[@]:1}")
    for dll in $("$target-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$stage/$dll" ] && continue
        for dir in "${search[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$stage/"
                todo+=("$stage/$dll")
                break
            fi
        done
    done
done
find "$stage" -name '*.exe' -o -name '*.dll' | xargs "$target-strip" --strip-unneeded

qt_version=$(basename "$(dirname "$prefix")")
crlf() { sed 's/$/\r/'; }
crlf <"$source_dir/LICENSE" >"$stage/LICENSE.txt"
crlf </usr/share/common-licenses/LGPL-3 >"$stage/LGPL-3.txt"
crlf </usr/share/common-licenses/GPL-3 >"$stage/GPL-3.txt"
# The licence texts of the other libraries, as their Debian packages hold them
# (the same Debian versions that the prefix was built from).
mkdir -p "$stage/licences"
for pkg in libarchive-dev:libarchive libxlsxwriter-dev:libxlsxwriter libz-mingw-w64:zlib \
           gcc-mingw-w64-base:gcc-runtime mingw-w64-common:winpthreads; do
    copyright=/usr/share/doc/${pkg%%:*}/copyright
    [ -f "$copyright" ] || { echo "zip.sh: $copyright is missing: install ${pkg%%:*}" >&2; exit 1; }
    crlf <"$copyright" >"$stage/licences/${pkg#*:}.txt"
done
built=$(cd "$(dirname "$prefix")/built" && ls | sed 's/_/ /; s/^/  /')
crlf >"$stage/NOTICE.txt" <<NOTICE
qa-tutor $version for 64-bit Windows

qa-tutor.exe is the tutor for students; qa-review.exe is the review for
instructors (with folders on its command line, the command line; without,
the folder chooser). Both run from this folder as they are: keep the DLLs
and the platforms and styles folders beside them. The licence of qa-tutor
is in LICENSE.txt.

Built with Debian's MinGW-w64 cross compilers from these Debian source
packages (each with Debian's patches), at these versions:
$built

Qt ($qt_version: Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the plug-ins
in platforms and styles) is used under the GNU Lesser General Public
License version 3 (LGPL-3.txt, with GPL-3.txt, which it builds on). Its
source is the Debian source package qt6-base named above (for example,
apt-get source qt6-base=VERSION on Debian, or from sources.debian.org); the
DLLs may be replaced by your own build of that source.
libarchive (libarchive.dll) is under the BSD 2-clause licence, libxlsxwriter
(libxlsxwriter.dll) under the BSD 2-clause licence (the minizip in it under
the zlib licence, its tmpfileplus under the MPL-2.0), zlib (zlib1.dll) under
the zlib licence, and the GCC runtime (libstdc++-6.dll, libgcc_s_seh-1.dll)
and winpthreads (libwinpthread-1.dll) under their licences with the GCC
runtime library exception and the MIT licence; each as its Debian package's
copyright file says. Those files, with the licence texts, are in the licences
folder: libarchive.txt, libxlsxwriter.txt, zlib.txt, gcc-runtime.txt and
winpthreads.txt.
NOTICE

(cd "$build/zip-stage" && find "$name" -exec touch -d @0 {} + && find "$name" | LC_ALL=C sort | zip -qX "$build/$name.zip" -@)
rm -rf "$build/zip-stage"
echo "$build/$name.zip"
