#!/usr/bin/env bash
# Installs the Debian packages that building and testing need. Does nothing when all are present.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev
    xvfb trayer xdotool x11-utils fonts-liberation
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 googletest
    clang libclang-rt-14-dev llvm
)

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
