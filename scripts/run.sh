#!/usr/bin/env bash
# Sets up, builds, installs into out/ and starts the program with the stand-in encoder.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVA_BUILD_TESTS=OFF
cmake --build build-release
cmake --install build-release --prefix out
if [ ! -x out/zorva-kilit ]; then
    echo "out/ holds the stand-in encoder library; the program itself is not built yet." >&2
    exit 0
fi
exec out/zorva-kilit "$@"
