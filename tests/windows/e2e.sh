#!/usr/bin/env bash
# The Windows program end to end under Wine with Xvfb, as the Linux end-to-end suite runs the
# Linux program: installed silently by its installer into a private Wine prefix, started with
# stored settings and rooms, its automatic start and its cards seen in the stand-in's journal
# through the lock host, check-ins sent from Linux to its UDP port, the start-with-Windows box
# ticked and unticked in its window, WM_CLOSE saving its settings, senders allowed and refused,
# the card record, an upgrade keeping Data and the uninstaller keeping it unless asked.
#
# Usage: e2e.sh SETUP.exe LEVELLOCK64.dll CLOSE_WINDOW.exe ZORVA_SEND [SCREENSHOT_DIR]
# The 64-bit stand-in replaces the package's 32-bit one, as an administrator puts the vendor's
# in its place: this machine runs no 32-bit program, so the 32-bit host cannot be run here.
set -euo pipefail
setup=$1
dll64=$2
closer=$3
sender=$4
shots=${5:-}
wine=${ZORVA_WINE:-/usr/lib/wine/wine64}
wineserver=${ZORVA_WINESERVER:-/usr/lib/wine/wineserver}
title="MERVANTO Zorva Kilit Entegrasyon Sistemi s1.02.05f"

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINELOADER="$wine"
export WINESERVER="$wineserver" WINEDLLOVERRIDES="mscoree,mshtml="
display=:$((60 + RANDOM % 20))
xvfb=""
cleanup() {
    "$wineserver" -k >/dev/null 2>&1 || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

step() { echo "== Windows program: $*"; }
fail() {
    echo "windows e2e: FAIL: $*" >&2
    [ -f "$work/out.txt" ] && tail -20 "$work/out.txt" >&2
    [ -f "$work/journal.txt" ] && tail -20 "$work/journal.txt" >&2
    exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
within() {
    local limit=$1
    shift
    for _ in $(seq $((limit * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

lines() { [ -f "$work/journal.txt" ] && [ "$(wc -l <"$work/journal.txt")" -ge "$1" ]; }
windowId() { xdotool search --name "^$title\$" 2>/dev/null | head -1; }
hasWindow() { [ -n "$(windowId)" ]; }
runValue() {
    "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v "$title" \
        </dev/null 2>/dev/null | tr -d '\r'
}
hasRunValue() { runValue | grep -q REG_SZ; }
noRunValue() { ! hasRunValue; }
programEnded() { ! kill -0 "$program" 2>/dev/null; }
programGone() { [ ! -f "$dir/zorva-kilit.exe" ]; }
dataGone() { [ ! -d "$dir/Data" ]; }

step "a private Wine prefix and a display"
# The display first: Wine's desktop process, started with the prefix's services, keeps the
# display it found for every window after.
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
within 10 xwininfo -root >/dev/null 2>&1 || fail "no display"
"$wine" wineboot.exe -i </dev/null >/dev/null 2>&1 || true
"$wineserver" -w
# Services start now, with nothing of ours open that they could inherit.
"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine" wineboot.exe </dev/null >/dev/null 2>&1

step "the installer installs silently"
"$wine" "$setup" /S </dev/null >/dev/null 2>&1 || fail "the installer failed"
dir="$WINEPREFIX/drive_c/Zorva Kilit"
for f in zorva-kilit.exe zorva-lock-host.exe zorva-lock-host32.exe LevelLock.dll uninstall.exe; do
    [ -f "$dir/$f" ] || fail "the installer left out $f"
done
[ -d "$dir/Data/Ini" ] || fail "no Data\\Ini"
find "$WINEPREFIX/drive_c" -path "*Start Menu/Programs/Zorva Kilit/Zorva Kilit.lnk" | grep -q . ||
    fail "no Start-menu entry"

step "the program starts with stored settings and rooms, and starts the lock system"
cp "$dll64" "$dir/LevelLock.dll"
port=$((41000 + RANDOM % 9000))
printf '[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=1\r\nEditZorvakilt_EMD_R1_Text=ABCDEFGH\r\nEditZorvakilt_EMD_R3_Text=IJKLMNOP\r\nSpinEdit_EMD_CalismaSektoru_Value=1\r\nSpinEdit_EMD_KNKSektor1_Value=2\r\nSpinEdit_EMD_KNKSektor2_Value=3\r\nSpinEdit_EMD_GenelSektor1_Value=4\r\nSpinEdit_EMD_GKKSektor_Value=5\r\nSpinEdit_EMD_KulSektor1_Value=6\r\nSpinEdit_EMD_GenelSektor2_Value=7\r\nCurrencyEditUDP_Value=%s\r\nEditIzinliGonderenler_Text=127.0.0.1, 127.0.0.16/28\r\n' \
    "$port" >"$dir/Data/Ini/AnaF_JvFormStorage1.ini"
printf '[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=101\r\n[RecNo2]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=13\r\nODA_STR=102\r\n' \
    >"$dir/Data/Ini/Odalar.ini"
cp "$dir/Data/Ini/Odalar.ini" "$work/rooms.ini"
journal_win="Z:$(echo "$work/journal.txt" | tr / '\\')"
# The Turkish regional settings, which Wine takes from the locale variables.
(cd "$dir" && LC_ALL=tr_TR.UTF-8 LEVELLOCK_JOURNAL="$journal_win" \
    "$wine" "$dir/zorva-kilit.exe" </dev/null >"$work/out.txt" 2>&1) &
program=$!
within 60 lines 4 || fail "no automatic start"
expected_start="LV4_FreeSystem
LV4_InitializeSystem 5 -> 0
LV4_SetAuthCode 4142434445464748494a4b4c4d4e4f50 1 2 3 4 5 6 7 0 0 0 0 0 0 0 -> 0
LV4_BeepOk"
[ "$(head -4 "$work/journal.txt" | tr -d '\r')" = "$expected_start" ] || fail "the start sequence differs"
within 30 hasWindow || fail "no window"
if [ -n "$shots" ]; then
    mkdir -p "$shots"
    sleep 1
fi

step "a sender that is not allowed gets nothing; one in an allowed range gets its card"
"$sender" --quiet --port "$port" --from 127.0.0.3 --room 102 --in "29.07.2025 14:00" --out "31.07.2025 12:00"
sleep 2
lines 5 && fail "a sender that is not allowed got a card"

step "check-ins from Linux give exactly the Linux program's requests; an undefined room no card"
"$sender" --quiet --port "$port" --from 127.0.0.20 --room 102 --in "29.07.2025 14:00" --out "31.07.2025 12:00"
within 20 lines 6 || fail "no card for room 102"
"$sender" --quiet --port "$port" --room nowhere --in "29.07.2025" --out "30.07.2025"
within 20 lines 7 || fail "nothing for the undefined room"
"$sender" --quiet --port "$port" --room 101 --in "30.07.2025 09:30" --out "01.08.2025 11:00"
within 20 lines 9 || fail "no card for room 101"
expected_cards="LV4_IssueGuestCard 0101020d 0000000000000000 0000 000000 323032353037323931343030 323032353037333131323030 0100000000001000000000 00000000000000 0 -> 0
LV4_BeepOk
LV4_BeepFailure
LV4_IssueGuestCard 0101020c 0000000000000000 0000 000000 323032353037333030393330 323032353038303131313030 0100000000001000000000 00000000000000 0 -> 0
LV4_BeepOk"
[ "$(sed -n '5,9p' "$work/journal.txt" | tr -d '\r')" = "$expected_cards" ] || fail "the cards differ"

# The window in window coordinates: the page tabs at the top, the page's client area 4 pixels in
# from the left and 24 down.
window=$(windowId)
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.7; }
shoot() { [ -n "$shots" ] && import -window "$window" "$shots/windows-page-$1.png"; true; }
shoot 0
# Wine's stand-in for the notification area, at the screen's top left, with the icon in it.
[ -n "$shots" ] && import -window root -crop 200x60+0+0 "$shots/windows-tray.png"
click 133 10
shoot 1
step "ticking the start-with-Windows box writes the Run value, unticking removes it"
click 220 10
shoot 2
noRunValue || fail "a Run value before the box was ticked"
click 50 130
within 10 hasRunValue || fail "ticking wrote no Run value"
runValue | grep -qF 'C:\Zorva Kilit\zorva-kilit.exe' ||
    fail "the Run value is not the program's path: $(runValue)"
click 50 130
within 10 noRunValue || fail "unticking left the Run value"

step "WM_CLOSE closes the program and saves its settings"
"$wine" "$closer" "$title" >/dev/null 2>&1 || fail "could not close the window"
within 30 programEnded || fail "the program did not end"
settings=$(tr -d '\r' <"$dir/Data/Ini/AnaF_JvFormStorage1.ini")
for line in "[TAnaF]" "FormVersion=0" "EditZorvakilt_EMD_R1_Text=ABCDEFGH" \
    "SpinEdit_EMD_GKKSektor_Value=5" "CheckBoxWAcilis_Checked=False" "CurrencyEditUDP_Value=$port"; do
    grep -qxF "$line" <<<"$settings" || fail "the saved settings lack $line"
done
cmp -s "$dir/Data/Ini/Odalar.ini" "$work/rooms.ini" || fail "the room file was rewritten"
[ "$(wc -l <"$work/journal.txt")" -eq 9 ] || fail "closing made a library call"

step "the card record holds a line for each check-in, the sender's address in it"
record=$(ls "$dir"/Data/Log/Kartlar-[0-9][0-9][0-9][0-9]-[0-9][0-9].csv 2>/dev/null | tail -1)
[ -n "$record" ] || fail "no card record in Data\\Log"
# The time and the sender's port are the run's own; the rest is byte for byte.
printf '\xEF\xBB\xBFZaman;Gönderen;Port;Oda Adı;Kilit Adresi;Giriş;Çıkış;Sonuç Kodu;Sonuç\r\n127.0.0.20;102;1.1.2.13;202507291400;202507311200;0;kart\r\n127.0.0.1;nowhere;;;;;tanımsız oda\r\n127.0.0.1;101;1.1.2.12;202507300930;202508011100;0;kart\r\n' \
    >"$work/record.expected"
sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2};([0-9.]+);[0-9]+;/\1;/' "$record" \
    >"$work/record.csv"
cmp -s "$work/record.csv" "$work/record.expected" ||
    fail "the card record differs: $(od -c "$record" | head -20)"
cp "$record" "$work/record.kept"

step "an upgrade keeps Data\\Ini; the uninstaller keeps it unless asked"
cp "$dir/Data/Ini/AnaF_JvFormStorage1.ini" "$work/settings.ini"
"$wine" "$setup" /S </dev/null >/dev/null 2>&1 || fail "the upgrade failed"
cmp -s "$dir/Data/Ini/AnaF_JvFormStorage1.ini" "$work/settings.ini" || fail "the upgrade changed the settings"
cmp -s "$dir/Data/Ini/Odalar.ini" "$work/rooms.ini" || fail "the upgrade changed the rooms"
cmp -s "$dir/LevelLock.dll" "$dll64" || fail "the upgrade replaced the library put in the stand-in's place"
cmp -s "$record" "$work/record.kept" || fail "the upgrade changed the card record"
"$wine" "$dir/uninstall.exe" /S </dev/null >/dev/null 2>&1
# The uninstaller goes on from a copy of itself after the first one has returned.
within 60 programGone || fail "the uninstaller left the program"
sleep 2
cmp -s "$dir/Data/Ini/Odalar.ini" "$work/rooms.ini" || fail "the uninstaller removed the rooms"
cmp -s "$record" "$work/record.kept" || fail "the uninstaller removed the card record"
"$wine" "$setup" /S </dev/null >/dev/null 2>&1 || fail "the reinstall failed"
"$wine" "$dir/uninstall.exe" /S /DELETEDATA </dev/null >/dev/null 2>&1
within 60 dataGone || fail "/DELETEDATA left Data"
step "passed"
