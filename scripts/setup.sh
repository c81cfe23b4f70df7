#!/usr/bin/env bash
# Installs the Debian packages that building needs: `setup.sh run` what building and running the
# program takes, `setup.sh test` (the default) everything the tests and checks take as well.
# Does nothing when all are present.
set -euo pipefail

run_packages=(
    cmake ninja-build g++
    qt6-base-dev
    fonts-liberation
)
test_packages=(
    pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb trayer xdotool x11-utils
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 googletest fonts-wine nsis
    clang libclang-rt-14-dev llvm
)

case "${1:-test}" in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
*)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
