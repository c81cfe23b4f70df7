#!/usr/bin/env bash
# Makes the Windows installer and a portable zip of the same folder, both named with the version:
#   build-windows/package/zorva-kilit-<version>-windows-setup.exe
#   build-windows/package/zorva-kilit-<version>-windows.zip
# The folder holds the 64-bit program (zorva-kilit.exe), both lock hosts (zorva-lock-host.exe
# for a 64-bit library, zorva-lock-host32.exe for a 32-bit one such as the vendor's) and the
# 32-bit stand-in LevelLock.dll, which an administrator replaces with the vendor's.
#
# Builds Qt for Windows first when it is missing (scripts/build-qt-windows.sh, once), then Release
# trees of its own for x86_64 and i686 in $ZORVA_WINDOWS_BUILD_DIR (default build-windows/).
# Needs the Debian packages of scripts/windows-check.sh and nsis.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${ZORVA_WINDOWS_BUILD_DIR:-build-windows}
mkdir -p "$out"
out=$(cd "$out" && pwd)

command -v makensis >/dev/null || { echo "package-windows: makensis is missing (nsis)" >&2; exit 1; }
qt=$(scripts/build-qt-windows.sh | sed -n 's/^build-qt-windows: Qt .* is in //p')
[ -n "$qt" ] || { echo "package-windows: no Qt for Windows" >&2; exit 1; }

version=$(sed -n 's/^project(zorva .*VERSION \([0-9.]*\)).*/\1/p' CMakeLists.txt)
# The window title, under which the program registers itself to start with Windows.
title="MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.05f"

x64=$out/x86_64-package
x86=$out/i686-package
echo "== Windows package: build"
"$qt/bin/qt-cmake" -S . -B "$x64" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVA_WERROR=ON \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DZORVA_BUILD_WINDOW=ON -DZORVA_BUILD_TESTS=OFF >/dev/null
cmake --build "$x64" -j2 --target zorva-kilit zorva-lock-host LevelLock
cmake -S . -B "$x86" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVA_WERROR=ON -DZORVA_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-i686.cmake" >/dev/null
cmake --build "$x86" -j2 --target zorva-lock-host LevelLock

name=zorva-kilit-$version
package=$out/package
stage=$package/$name
rm -rf "$stage"
mkdir -p "$stage"
cp "$x64/app/zorva-kilit.exe" "$x64/lock-host/zorva-lock-host.exe" "$stage/"
cp "$x86/lock-host/zorva-lock-host.exe" "$stage/zorva-lock-host32.exe"
cp "$x86/lock-host/LevelLock.dll" "$stage/"
cp README.md "$stage/"
# No debugging symbols in what goes to a hotel.
x86_64-w64-mingw32-strip "$stage/zorva-kilit.exe" "$stage/zorva-lock-host.exe"
i686-w64-mingw32-strip "$stage/zorva-lock-host32.exe" "$stage/LevelLock.dll"

echo "== Windows package: installer and zip"
setup=$package/$name-windows-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" -DTITLE="$title" \
    packaging/windows/zorva-kilit.nsi
rm -f "$package/$name-windows.zip"
(cd "$package" && cmake -E tar cf "$name-windows.zip" --format=zip "$name")
(cd "$package" && sha256sum "$name-windows-setup.exe" "$name-windows.zip" > "$name-windows.sha256")
echo "package-windows: $setup"
echo "package-windows: $package/$name-windows.zip"
