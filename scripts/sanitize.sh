#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer, in a build of its
# own, and runs the whole suite, end-to-end tests included; the first report ends the process
# that made it, and so fails its test. Extra arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZORVA_SANITIZE_BUILD_DIR:-build-sanitize}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZORVA_WERROR=ON -DZORVA_SANITIZE=ON
cmake --build "$build" -j2

# The installed program, run by the end-to-end tests, inherits these as well.
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Two at a time: the end-to-end tests still take turns on their ports (a resource lock).
ctest --test-dir "$build" --output-on-failure --timeout 300 -j2 "$@"
