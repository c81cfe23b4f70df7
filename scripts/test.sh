#!/usr/bin/env bash
# Sets up, builds and runs every test: the Linux suites (ctest), a Release build with warnings as
# errors, the same suites under AddressSanitizer and UndefinedBehaviorSanitizer, a short run of
# each fuzz target, the Windows build and its suites under Wine, and the Windows program, window
# and all, installed by its installer and run end to end under Wine (Qt for Windows is built
# first when its cache is missing: scripts/build-qt-windows.sh). Arguments go to ctest (for
# example: -L e2e). ZORVA_QUICK=1 runs only the Linux suites. The last line says how it went.
set -euo pipefail
cd "$(dirname "$0")/.."

begun=$SECONDS
step="setup"
summary=""
finish() {
    local status=$?
    if [ "$status" -ne 0 ]; then
        echo "== scripts/test.sh FAILED in: $step (exit $status), after $((SECONDS - begun)) s${summary:+; passed before it:${summary%,}}"
    fi
}
trap finish EXIT

# Runs one step and notes its time.
run_step() {
    step=$1
    shift
    local started=$SECONDS
    "$@"
    echo "== $step: $((SECONDS - started)) s"
    summary+=" $step $((SECONDS - started)) s,"
}

linux_suites() {
    local build=${ZORVA_BUILD_DIR:-build}
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZORVA_WERROR=ON ${ZORVA_CMAKE_ARGS:-}
    cmake --build "$build"
    # Two at a time: the end-to-end tests still take turns on their ports (a resource lock).
    ctest --test-dir "$build" --output-on-failure --timeout 300 -j2 "$@"
}

# The optimiser warns of things a Debug build never sees; the benchmarks are built, not run.
release_build() {
    local build=${ZORVA_RELEASE_BUILD_DIR:-build-release-check}
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVA_WERROR=ON \
        -DZORVA_BUILD_TESTS=OFF -DZORVA_BENCH=ON >/dev/null
    cmake --build "$build"
}

# The installer, run under Wine beside the 64-bit stand-in, fed from the Linux sender.
windows_program() {
    local out=${ZORVA_WINDOWS_BUILD_DIR:-build-windows}
    local version
    version=$(sed -n 's/^project(zorva .*VERSION \([0-9.]*\)).*/\1/p' CMakeLists.txt)
    tests/windows/e2e.sh "$out/package/zorva-kilit-$version-windows-setup.exe" \
        "$out/x86_64-package/lock-host/LevelLock.dll" "$out/x86_64/tests/windows/close_window.exe" \
        "${ZORVA_BUILD_DIR:-build}/tools/zorva-send"
}

run_step "setup" scripts/setup.sh test
run_step "Linux suites" linux_suites "$@"
if [ "${ZORVA_QUICK:-0}" != 1 ]; then
    run_step "Release build" release_build
    run_step "sanitizer suites" scripts/sanitize.sh "$@"
    run_step "fuzz smoke run" scripts/fuzz-smoke.sh
    run_step "Windows check" scripts/windows-check.sh
    run_step "Qt for Windows" scripts/build-qt-windows.sh
    run_step "Windows package" scripts/package-windows.sh
    run_step "Windows program under Wine" windows_program
fi
step="done"
echo "== scripts/test.sh passed in $((SECONDS - begun)) s:${summary%,}"
