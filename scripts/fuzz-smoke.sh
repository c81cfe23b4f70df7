#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a short while (ZORVA_FUZZ_SECONDS, 20 by
# default) from its seed corpus. New inputs go to a scratch folder, not into fuzz/corpus; a
# crash leaves its input in build-fuzz/artifacts/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZORVA_FUZZ_BUILD_DIR:-build-fuzz}
seconds=${ZORVA_FUZZ_SECONDS:-20}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZORVA_FUZZ=ON -DZORVA_BUILD_TESTS=OFF -DZORVA_WERROR=ON
cmake --build "$build" -j2 --target fuzzers

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/artifacts"
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

run() { # target, dictionary, longest input
    local target=$1 dict=$2 max_len=$3 rc=0
    mkdir -p "$scratch/$target"
    echo "== $target: $seconds s"
    "$build/fuzz/$target" "$scratch/$target" "fuzz/corpus/$target" \
        -dict="fuzz/$dict" -max_len="$max_len" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        >"$scratch/$target.log" 2>&1 || rc=$?
    if [ "$rc" -ne 0 ]; then
        tail -n 60 "$scratch/$target.log"
        echo "== $target FAILED (status $rc)"
    else
        grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' \
            "$scratch/$target.log" || true
    fi
    return "$rc"
}

status=0
run fuzz_checkin_message checkin_message.dict 8193 || status=1
run fuzz_ini_file ini.dict 65536 || status=1
run fuzz_room_file ini.dict 65536 || status=1
run fuzz_sender_and_record sender_and_record.dict 4096 || status=1
exit $status
