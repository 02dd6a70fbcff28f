#!/usr/bin/env bash
# Makes the Windows prefix the cross build links against, and prints its path:
# Qt for x86_64-w64-mingw32 (the version of the host's Qt tools), libarchive
# (ZIP with deflate) and libxlsxwriter, each built from Debian's own source
# package with Debian's MinGW-w64 compilers, against Debian's zlib for MinGW.
#
#   packaging/windows/prefix.sh            -> <cache>/<qt6-base-VERSION-x86_64-w64-mingw32>/prefix
#
# <cache> is ${XDG_CACHE_HOME:-$HOME/.cache}/qa-tutor. What is in the prefix
# already is kept: a stamp per source package and version in <folder>/built/.
# When QA_QT_MINGW_ARCHIVE names a tarball of a Qt prefix made by this recipe
# (prefix/ at its top, SHA-256 in <tarball>.sha256), it is unpacked instead of
# building Qt, once its checksum is checked.
#
# The sources come through apt, without changing the machine's apt set-up:
# deb-src entries derived from its own sources (same URIs, suites, components
# and keys) go into a private list with private index folders, which are
# removed when the sources are unpacked. Nothing here needs root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
toolchain=$here/../../cmake/mingw-w64-x86_64.cmake
target=x86_64-w64-mingw32
jobs=${QA_JOBS:-$(nproc)}

say() { echo "windows prefix: $*" >&2; }
die() { say "$*"; exit 1; }

# The source version of the package a binary package of this machine's
# candidate version was built from.
source_version() { # source_version BINARY_PACKAGE
    local v src
    v=$(apt-cache policy "$1" | sed -n 's/^  Candidate: //p')
    [ -n "$v" ] && [ "$v" != "(none)" ] || die "apt knows no package $1: run apt-get update"
    src=$(apt-cache show "$1=$v" | sed -n 's/^Source: //p' | head -n1)
    case $src in *"("*) v=${src#*(}; v=${v%)} ;; esac
    echo "$v"
}

qt_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev-tools 2>/dev/null) ||
    die "the host's Qt tools are missing: install qt6-base-dev-tools"
archive_version=$(source_version libarchive-dev)
xlsxwriter_version=$(source_version libxlsxwriter-dev)

name=qt6-base-$qt_version-$target
folder=${XDG_CACHE_HOME:-$HOME/.cache}/qa-tutor/$name
prefix=$folder/prefix
work=$folder/work
mkdir -p "$folder/built"

# --- Sources through a private apt list ------------------------------------
apt_dir=$work/apt
apt_opts=()
apt_begin() {
    [ ${#apt_opts[@]} -eq 0 ] || return 0
    rm -rf "$apt_dir"
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    derive_deb_src >"$apt_dir/sources.list.d/qa-tutor-deb-src.sources"
    [ -s "$apt_dir/sources.list.d/qa-tutor-deb-src.sources" ] || die "no deb entries in the apt sources"
    apt_opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
              -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
              -o "APT::Sandbox::User=$(id -un)")
    say "reading the source indices"
    # A third-party source without a Sources index only warns; what matters is
    # whether the package's source is found below.
    apt-get "${apt_opts[@]}" -qq update || say "(some source indices were not found)"
}
apt_end() { rm -rf "$apt_dir"; apt_opts=(); }

# deb-src stanzas for every deb entry of /etc/apt (one-line and deb822 forms).
derive_deb_src() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]\+\(\[\([^]]*\)\][[:space:]]\+\)\?\([^[:space:]]\+\)[[:space:]]\+\([^[:space:]]\+\)[[:space:]]\+\(.*\)$/Types: deb-src\nURIs: \3\nSuites: \4\nComponents: \5\nOptions: \2\n/p' "$f" |
            sed 's/^Options: \(.*\)$/X-Options: \1/'
    done | awk '/^X-Options: /{ n=split(substr($0, 12), o, " "); for (i = 1; i <= n; i++)
                    if (o[i] ~ /^signed-by=/) print "Signed-By: " substr(o[i], 11); next } { print }'
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; FS = "\n" }
             { deb = 0; enabled = 1; out = "Types: deb-src\n"
               for (i = 1; i <= NF; i++) {
                 if ($i ~ /^#/) continue
                 if ($i ~ /^Types:/) { if ($i ~ /[[:space:]]deb([[:space:]]|$)/) deb = 1; continue }
                 if ($i ~ /^Enabled:[[:space:]]*no/) enabled = 0
                 out = out $i "\n" }
               if (deb && enabled) print out }' "$f"
    done
}

# Unpacks Debian's source package SOURCE=VERSION into $work/SOURCE with its
# patches applied, and prints that folder.
fetch_source() { # fetch_source SOURCE VERSION
    apt_begin
    local dir=$work/$1-source
    rm -rf "$dir" && mkdir -p "$dir"
    say "fetching the source package $1 $2"
    (cd "$dir" && apt-get "${apt_opts[@]}" -qq source --download-only "$1=$2") >&2 ||
        die "the source package $1 $2 is not to be had from this machine's apt sources"
    (cd "$dir" && dpkg-source -x ./*.dsc tree) >&2
    echo "$dir/tree"
}

cmake_cross() { # cmake_cross SOURCE BUILD [options...]
    local src=$1 build=$2; shift 2
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >&2
    cmake --build "$build" -j"$jobs" >&2
    cmake --install "$build" >&2
}

# --- Qt ----------------------------------------------------------------------
unpack_qt() {
    local tarball=$QA_QT_MINGW_ARCHIVE
    [ -f "$tarball" ] && [ -f "$tarball.sha256" ] || die "$tarball or its .sha256 is missing"
    case $(basename "$tarball") in
        "$name".*) ;;
        *) die "$tarball is not Qt $qt_version for $target (the host's Qt tools are $qt_version)" ;;
    esac
    say "checking and unpacking $tarball"
    (cd "$(dirname "$tarball")" && sha256sum --quiet -c "$(basename "$tarball").sha256") >&2 ||
        die "$tarball does not match its checksum"
    rm -rf "$prefix"
    tar -xzf "$tarball" -C "$folder" prefix
}

build_qt() {
    local src build=$work/qt-build
    src=$(fetch_source qt6-base "$qt_version")
    apt_end
    rm -rf "$build" && mkdir -p "$build"
    say "building Qt $qt_version for $target (about an hour on two cores)"
    # Debian's source leaves out wintab, hence no tablet events; what the
    # tutor and the review do not use stays out; the image and font
    # libraries are Qt's own.
    (cd "$build" && "$src/configure" -prefix "$prefix" -release -xplatform win32-g++ \
        -qt-host-path /usr -nomake examples -nomake tests \
        -no-opengl -no-dbus -no-icu -no-feature-tabletevent -no-feature-sql -no-feature-network \
        -no-feature-vulkan -no-openssl \
        -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -- \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake) >&2
    cmake --build "$build" -j"$jobs" >&2
    cmake --install "$build" >&2
    rm -rf "$build" "$work/qt6-base-source"
}

# --- libarchive and libxlsxwriter ------------------------------------------
build_libarchive() {
    local src off=()
    src=$(fetch_source libarchive "$archive_version")
    # ZIP with deflate (zlib); no other compression, crypto, XML or tools.
    for o in BZip2 LZ4 LZMA ZSTD LIBB2 LZO MBEDTLS NETTLE OPENSSL CNG LIBXML2 EXPAT PCREPOSIX \
             LIBGCC ICONV ACL XATTR TAR CPIO CAT TEST; do
        off+=("-DENABLE_$o=OFF")
    done
    # Its configure runs a program to learn whether zlib was built with
    # ZLIB_WINAPI. Cross-built, that program runs only under Wine, and without
    # Wine cmake 3.25 crashes in the attempt; so the answer is given here, and
    # the prefix comes out the same with or without Wine. Debian's zlib for
    # MinGW is built without it (its zlibCompileFlags() returns 0x65, bit 10
    # clear), so under Wine the test fails and leaves ZLIB_WINAPI empty in the
    # cache, as here. libarchive forgets the answer unless ZLIB_WINAPI_WITH_LIB
    # names the very libraries zlib was found as, hence zlib is named, not
    # searched for.
    local zlib=/usr/$target/lib/libz.dll.a
    [ -f "$zlib" ] || die "$zlib is missing: install libz-mingw-w64-dev"
    cmake_cross "$src" "$work/libarchive-build" -DENABLE_ZLIB=ON -DPOSIX_REGEX_LIB=NONE "${off[@]}" \
        "-DZLIB_LIBRARY:FILEPATH=$zlib" "-DZLIB_WINAPI_WITH_LIB:INTERNAL=$zlib" "-DZLIB_WINAPI:INTERNAL="
    rm -rf "$work/libarchive-build" "$work/libarchive-source"
}

build_libxlsxwriter() {
    local src
    src=$(fetch_source libxlsxwriter "$xlsxwriter_version")
    cmake_cross "$src" "$work/libxlsxwriter-build" -DBUILD_SHARED_LIBS=ON -DBUILD_TESTS=OFF \
        -DBUILD_EXAMPLES=OFF -DUSE_SYSTEM_MINIZIP=OFF
    rm -rf "$work/libxlsxwriter-build" "$work/libxlsxwriter-source"
}

stamp=$folder/built
if [ ! -e "$stamp/qt6-base_$qt_version" ]; then
    rm -f "$stamp"/*
    if [ -n "${QA_QT_MINGW_ARCHIVE:-}" ]; then unpack_qt; else build_qt; fi
    touch "$stamp/qt6-base_$qt_version"
fi
if [ ! -e "$stamp/libarchive_$archive_version" ]; then
    build_libarchive
    touch "$stamp/libarchive_$archive_version"
fi
if [ ! -e "$stamp/libxlsxwriter_$xlsxwriter_version" ]; then
    build_libxlsxwriter
    touch "$stamp/libxlsxwriter_$xlsxwriter_version"
fi
apt_end
rm -rf "$work"
echo "$prefix"
