#!/bin/sh
# Builds the libFuzzer targets with clang++ straight from the core sources:
#   build_fuzzers.sh SOURCE_DIR OUT_DIR
# Each target is fuzz_<name> in OUT_DIR, built with AddressSanitizer and
# UndefinedBehaviorSanitizer. Exits 77 (skipped) when clang++ or its libFuzzer
# runtime is not installed.
set -eu
src=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)

cxx=${QA_FUZZ_CXX:-}
if [ -z "$cxx" ]; then
    for c in clang++ clang++-19 clang++-18 clang++-17 clang++-16 clang++-15 clang++-14; do
        if command -v "$c" >/dev/null 2>&1; then cxx=$c; break; fi
    done
fi
mkdir -p "$out/obj"
rm -f "$out/skipped" "$out"/fuzz_* "$out"/obj/*.o
skip() {
    echo "$1" >"$out/skipped"
    echo "SKIP: $1"
    exit 77
}
[ -n "$cxx" ] || skip "clang++ not found; the fuzz targets need clang and its libFuzzer runtime"
flags="-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined"
flags="$flags -Wall -Wextra -Wpedantic -I$src -I$src/tests -I$here"

# The runtime must be there before anything else is worth building.
printf '#include <cstdint>\n#include <cstddef>\nextern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }\n' \
    > "$out/probe.cpp"
if ! $cxx $flags -fsanitize=fuzzer "$out/probe.cpp" -o "$out/probe" 2>"$out/probe.log"; then
    cat "$out/probe.log"
    skip "$cxx cannot link -fsanitize=fuzzer (libFuzzer runtime missing)"
fi

# The core library's sources: every .cpp outside the window's folder, but for
# the file calls of Windows.
sources=$(ls "$src"/platform/*.cpp "$src"/coding/*.cpp "$src"/records/*.cpp "$src"/bank/*.cpp "$src"/app/*.cpp \
    "$src"/review/*.cpp |
    grep -v '_win32\.cpp$')
jobs=$(nproc 2>/dev/null || echo 2)
echo "$cxx: compiling $(echo "$sources" | wc -l) core sources with $jobs jobs"
printf '%s\n' $sources | xargs -P "$jobs" -I{} sh -c '
    f={}; o="$1/obj/$(echo "$f" | sed "s|^$2/||; s|/|_|g; s|\.cpp$|.o|")"
    $3 $4 -fsanitize=fuzzer-no-link -c "$f" -o "$o" || exit 255' _ "$out" "$src" "$cxx" "$flags"

for target in decode rem_spaces record_blocks query_file review_files; do
    $cxx $flags -fsanitize=fuzzer "$here/fuzz_$target.cpp" "$out"/obj/*.o -o "$out/fuzz_$target"
    echo "built $out/fuzz_$target"
done
