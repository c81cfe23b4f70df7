#!/usr/bin/env bash
# Cross-builds everything below the window, the lock host and the stand-in LevelLock.dll for
# Windows with mingw-w64, for i686 (the vendor's library is 32-bit) and x86_64, with the test
# suites for x86_64; runs those under Wine, the x86_64 lock host with the x86_64 stand-in among
# them; checks that the i686 LevelLock.dll exports the six calls under their plain names and that
# the i686 lock host takes nothing from LevelLock.dll at load time (it loads it by name). The
# i686 programs are not run: this machine's kernel runs no 32-bit programs.
#
# Installs nothing. Needs the Debian packages g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
# googletest. The build goes to $ZORVA_WINDOWS_BUILD_DIR (default build-windows/), with Wine's
# private prefix inside it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=${ZORVA_WINDOWS_BUILD_DIR:-build-windows}
mkdir -p "$out"
out=$(cd "$out" && pwd)
wine=${ZORVA_WINE:-/usr/lib/wine/wine64}
wineserver=${ZORVA_WINESERVER:-/usr/lib/wine/wineserver}
started=$SECONDS

fail() {
    echo "windows-check: $*" >&2
    exit 1
}

for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix i686-w64-mingw32-objdump; do
    command -v "$tool" >/dev/null || fail "$tool is missing (g++-mingw-w64-i686, g++-mingw-w64-x86-64)"
done
[ -x "$wine" ] || fail "$wine is missing (wine64)"
[ -f /usr/src/googletest/CMakeLists.txt ] || fail "/usr/src/googletest is missing (googletest)"

configure() {
    cmake -S . -B "$out/$1" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZORVA_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-$1.cmake" "${@:2}" >/dev/null
}

# The i686 build is not run, so of its test programs only the lock suite is built; it depends on
# every library below the window but the settings, named beside it.
echo "== Windows i686: build"
configure i686
cmake --build "$out/i686" -j2 --target LevelLock zorva-lock-host zorva_settings lock_tests

echo "== Windows x86_64: build"
configure x86_64 -DCMAKE_CROSSCOMPILING_EMULATOR="$wine"
cmake --build "$out/x86_64" -j2

echo "== Windows i686: LevelLock.dll exports the six calls under their plain names"
expected=$(printf '%s\n' LV4_BeepFailure LV4_BeepOk LV4_FreeSystem LV4_InitializeSystem \
    LV4_IssueGuestCard LV4_SetAuthCode)
dll="$out/i686/lock-host/LevelLock.dll"
i686-w64-mingw32-objdump -f "$dll" | grep -q 'file format pei-i386' || fail "$dll is not a 32-bit DLL"
exports=$(i686-w64-mingw32-objdump -p "$dll" |
    sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}' | sort)
echo "$exports" | sed 's/^/    /'
[ "$exports" = "$expected" ] || fail "LevelLock.dll exports differ from the six plain names"

echo "== Windows i686: the lock host takes nothing from LevelLock.dll at load time"
host="$out/i686/lock-host/zorva-lock-host.exe"
i686-w64-mingw32-objdump -f "$host" | grep -q 'file format pei-i386' || fail "$host is not a 32-bit program"
table=$(i686-w64-mingw32-objdump -p "$host")
dlls=$(echo "$table" | awk '/DLL Name:/ {print $3}' | sort -u)
echo "$dlls" | sed 's/^/    /'
if grep -qi '^levellock\.dll$' <<<"$dlls"; then
    fail "zorva-lock-host.exe imports LevelLock.dll"
fi
grep -qw 'LoadLibraryA' <<<"$table" || fail "zorva-lock-host.exe does not import LoadLibraryA"

echo "== Windows x86_64: test suites under Wine"
export WINEPREFIX="$out/wineprefix" WINEARCH=win64 WINEDEBUG=-all WINELOADER="$wine"
export WINESERVER="$wineserver"
# No display, no .NET or HTML engine: nothing asks to be installed.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot.exe -i </dev/null >/dev/null 2>&1 || true
    "$wineserver" -w
fi
[ -f "$WINEPREFIX/system.reg" ] || fail "the Wine prefix could not be made in $WINEPREFIX"
# One server for all the test programs, ended however the script ends. Its services start now,
# with nothing of ours open: started by the first test program, they would inherit its output
# pipe and keep CTest waiting for that test until the server ends.
"$wineserver" -p </dev/null >/dev/null 2>&1
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
"$wine" wineboot.exe </dev/null >/dev/null 2>&1
# Wine now and then keeps a test program from ending after its last test (a console host or a
# service it started holding the program's output); a second run tells that from a failure.
ctest --test-dir "$out/x86_64" --output-on-failure --timeout 120 --repeat until-pass:2 -j2

echo "== Windows check done in $((SECONDS - started)) s"
