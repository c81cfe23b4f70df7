#!/usr/bin/env bash
# Builds Qt 6 (Core, Gui, Widgets, static) for x86_64 Windows with mingw-w64, from Debian's own
# source package of qt6-base, so that its version is the one of the host tools (moc, rcc, uic)
# that a cross-built Qt uses from qt6-base-dev-tools. The result goes into a cache outside the
# checkout, ZORVA_QT_WINDOWS (default /var/cache/zorva/qt6-<version>-mingw64), and is built only
# once: with the cache complete, this does nothing. About 1,100 build steps, 25 to 40 minutes on
# two cores; it prints its progress.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
need=(g++-mingw-w64-x86-64 qt6-base-dev-tools cmake ninja-build dpkg-dev xz-utils)
missing=()
for p in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "build-qt-windows: installing ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
upstream=${version%%+*}
prefix=${ZORVA_QT_WINDOWS:-/var/cache/zorva/qt6-$upstream-mingw64}
if [ -f "$prefix/.zorva-complete" ]; then
    echo "build-qt-windows: Qt $upstream for Windows is in $prefix"
    exit 0
fi

# The source package needs a deb-src entry beside the machine's deb entries.
if ! apt-get source --print-uris "qt6-base=$version" 2>/dev/null | grep -q "\.dsc"; then
    echo "build-qt-windows: adding deb-src entries beside the deb entries"
    for list in /etc/apt/sources.list.d/*.sources; do
        [ -f "$list" ] || continue
        grep -q '^Types:.*deb-src' "$list" && continue
        sed 's/^Types: deb$/Types: deb-src/' "$list" |
            $sudo tee "/etc/apt/sources.list.d/zorva-src-$(basename "$list")" >/dev/null
    done
    if [ -f /etc/apt/sources.list ]; then
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee /etc/apt/sources.list.d/zorva-src.list >/dev/null
    fi
    $sudo apt-get update
fi

work=${ZORVA_QT_WORK:-/var/tmp/zorva-qt-build}
mkdir -p "$work"
cd "$work"
source_dir=$(find . -maxdepth 1 -type d -name "qt6-base-*" | head -1)
if [ -z "$source_dir" ]; then
    echo "build-qt-windows: fetching the source of qt6-base $version"
    apt-get source "qt6-base=$version"
    source_dir=$(find . -maxdepth 1 -type d -name "qt6-base-*" | head -1)
fi
[ -n "$source_dir" ] || { echo "build-qt-windows: no qt6-base source in $work" >&2; exit 1; }

echo "build-qt-windows: configuring Qt $upstream for x86_64 Windows into $prefix"
# Only what the program uses; the third-party libraries come bundled, since there are none for
# Windows on this machine. Debian's source drops the Windows tablet header, so tablet events go;
# without OpenGL the dynamic OpenGL loader must go too, or the Windows platform plugin does not
# compile.
cmake -S "$source_dir" -B build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_dbus=OFF -DFEATURE_icu=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_testlib=OFF -DFEATURE_tabletevent=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_libjpeg=OFF \
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_md4c=OFF \
    -DINPUT_openssl=no

echo "build-qt-windows: building (this is the long part)"
started=$SECONDS
cmake --build build --parallel "$(nproc)"
echo "build-qt-windows: built in $(((SECONDS - started) / 60)) min; installing"
$sudo mkdir -p "$prefix"
$sudo cmake --install build >/dev/null
$sudo touch "$prefix/.zorva-complete"
echo "build-qt-windows: Qt $upstream for Windows is in $prefix"
