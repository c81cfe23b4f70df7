#!/usr/bin/env bash
# Sets up, builds, installs into out/ and starts the program with the stand-in encoder.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVA_BUILD_TESTS=OFF
cmake --build build-release
cmake --install build-release --prefix out

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display here: running on Qt's offscreen platform. Check-ins sent to UDP port 4040" >&2
    echo "still reach the stand-in encoder, which prints each card below. Ctrl+C ends it." >&2
    export QT_QPA_PLATFORM=offscreen
    # Without a window nobody can type the authorization code, so a first run gets a demo
    # configuration and one room; files that exist are never touched.
    mkdir -p out/Data/Ini
    if [ ! -e out/Data/Ini/AnaF_JvFormStorage1.ini ]; then
        printf '[TAnaF]\r\nEditZorvakilt_EMD_R1_Text=DEMO\r\nEditZorvakilt_EMD_R2_Text=CODE\r\nEditZorvakilt_EMD_R3_Text=0000\r\nEditZorvakilt_EMD_R4_Text=0001\r\nCurrencyEditUDP_Value=4040\r\n' \
            > out/Data/Ini/AnaF_JvFormStorage1.ini
        echo "Wrote a demo configuration to out/Data/Ini/AnaF_JvFormStorage1.ini." >&2
    fi
    if [ ! -e out/Data/Ini/Odalar.ini ]; then
        printf '[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=1\r\nODA=1\r\nODA_STR=101\r\n' > out/Data/Ini/Odalar.ini
        echo "Wrote one demo room, 101, to out/Data/Ini/Odalar.ini." >&2
    fi
fi
echo "Send a check-in from a second terminal: out/zorva-send --room 101 --in \"29.07.2025 14:00\" --out \"31.07.2025 12:00\"" >&2
exec out/zorva-kilit "$@"
