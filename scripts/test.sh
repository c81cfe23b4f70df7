#!/usr/bin/env bash
# Sets up, builds and runs every test. Extra arguments go to ctest (for example: -L e2e).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
build=${ZORVA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZORVA_WERROR=ON ${ZORVA_CMAKE_ARGS:-}
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"
