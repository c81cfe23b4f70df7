#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them, each repeated and reported by its median.
# Extra arguments go to the benchmark binary (for example --benchmark_filter=Throughput).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZORVA_BENCH_BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVA_BENCH=ON \
    -DZORVA_BUILD_TESTS=OFF -DZORVA_WERROR=ON
cmake --build "$build" -j2
rm -rf "$build/bench-install"
cmake --install "$build" --prefix "$build/bench-install" >/dev/null
echo "Machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p' | head -1)"
"$build/bench/zorva_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_counters_tabular=true "$@"
