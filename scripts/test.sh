#!/usr/bin/env bash
# Sets up, builds and runs every test: the Linux suites (ctest), the same under AddressSanitizer
# and UndefinedBehaviorSanitizer, a short run of each fuzz target, then the Windows build and
# its suites under Wine. Arguments go to ctest (for example: -L e2e). ZORVA_QUICK=1 runs only
# the Linux suites.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
build=${ZORVA_BUILD_DIR:-build}
started=$SECONDS
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZORVA_WERROR=ON ${ZORVA_CMAKE_ARGS:-}
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"
echo "== Linux suites: $((SECONDS - started)) s"

[ "${ZORVA_QUICK:-0}" = 1 ] && exit 0

started=$SECONDS
scripts/sanitize.sh "$@"
echo "== Sanitizer suites: $((SECONDS - started)) s"

started=$SECONDS
scripts/fuzz-smoke.sh
echo "== Fuzz smoke run: $((SECONDS - started)) s"

started=$SECONDS
scripts/windows-check.sh
echo "== Windows check: $((SECONDS - started)) s"
