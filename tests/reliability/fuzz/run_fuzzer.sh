#!/bin/sh
# Runs one libFuzzer target for a fixed number of inputs with a fixed seed:
#   run_fuzzer.sh OUT_DIR TARGET RUNS
# OUT_DIR is where the build put fuzz_TARGET. A failing input is kept as
# OUT_DIR/crash-TARGET-*.
set -eu
out=$1
target=$2
runs=$3
bin="$out/fuzz_$target"

if [ ! -x "$bin" ]; then
    echo "fuzz_$target is missing: the build did not make it (see the fuzz targets' part of the build)"
    exit 1
fi

# A fresh corpus each time, so that a run depends on the seed alone.
corpus="$out/corpus_$target"
rm -rf "$corpus"
mkdir -p "$corpus"
# Files a target writes go to tmpfs when there is one: cheap to sync.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
log="$out/fuzz_$target.log"
# libFuzzer's own exit code for a failure is 77, which CTest would count as a
# skip: failures exit with 1 instead.
status=0
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$bin" -runs="$runs" -seed=20260307 -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
    -error_exitcode=1 -timeout_exitcode=1 \
    -print_final_stats=1 -artifact_prefix="$out/crash-$target-" "$corpus" >"$log" 2>&1 || status=$?
tail -n 40 "$log"
echo "fuzz_$target: $runs runs, exit status $status"
exit $status
