#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers and runs each
# for the given number of seconds (default 60), starting from the seed
# corpus in tests/fuzz/corpus. New inputs go to build/fuzz/corpus; a crash
# leaves its input in build/fuzz/crashes.
#   tools/fuzz.sh [seconds] [target...]
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-60}
shift || true
TARGETS=${*:-settings_file command_line record_intake}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)" >/dev/null

mkdir -p build/fuzz/crashes
status=0
for target in $TARGETS; do
    corpus=build/fuzz/corpus/$target
    mkdir -p "$corpus"
    echo "== $target: ${SECONDS_EACH}s"
    build/fuzz/tests/fuzz/fuzz_$target -max_total_time="$SECONDS_EACH" -max_len=4096 \
        -artifact_prefix=build/fuzz/crashes/$target- "$corpus" tests/fuzz/corpus/$target 2>&1 |
        grep -E "^#[0-9]+ +DONE|ERROR|SUMMARY|Done [0-9]+ runs" || true
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
done
exit $status
