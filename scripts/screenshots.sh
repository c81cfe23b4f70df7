#!/usr/bin/env bash
# Takes a screenshot of each page of the real program under Xvfb, for the README.
# Needs: xvfb, xdotool, imagemagick, trayer (scripts/setup.sh does not install them).
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-docs}
build=${ZORVA_BUILD_DIR:-build}
dir=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$dir"' EXIT

cmake --install "$build" --prefix "$dir" >/dev/null
mkdir -p "$dir/Data/Ini"
printf '[RecNo1]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=12\r\nODA_STR=201\r\n[RecNo2]\r\nALAN=1\r\nBINA=1\r\nKAT=2\r\nODA=13\r\nODA_STR=202\r\n[RecNo3]\r\nALAN=1\r\nBINA=2\r\nKAT=1\r\nODA=5\r\nODA_STR=Kule S\xfcit\r\n' \
    > "$dir/Data/Ini/Odalar.ini"
printf '[TAnaF]\r\nFormVersion=0\r\nComboBoxEMD_KartTipi_ItemIndex=1\r\nEditZorvakilt_EMD_R1_Text=ABCD\r\nEditZorvakilt_EMD_R2_Text=EFGH\r\nEditZorvakilt_EMD_R3_Text=IJKL\r\nEditZorvakilt_EMD_R4_Text=MNOP\r\nSpinEdit_EMD_CalismaSektoru_Value=1\r\nSpinEdit_EMD_KNKSektor1_Value=2\r\nSpinEdit_EMD_KNKSektor2_Value=3\r\nCurrencyEditUDP_Value=4041\r\nEditIzinliGonderenler_Text=127.0.0.1, 192.168.1.0/24\r\n' \
    > "$dir/Data/Ini/AnaF_JvFormStorage1.ini"

export DISPLAY=:77
Xvfb "$DISPLAY" -screen 0 1024x768x24 >/dev/null 2>&1 &
sleep 1
trayer --edge top --align right --widthtype pixel --width 80 --height 24 >/dev/null 2>&1 &
sleep 1
LANG=tr_TR.UTF-8 HOME="$dir" XDG_CONFIG_HOME="$dir/config" "$dir/zorva-kilit" >/dev/null 2>&1 &
sleep 2
"$dir/zorva-send" --port 4041 --room 201 --in "29.07.2025 14:00" --out "31.07.2025 12:00"
"$dir/zorva-send" --port 4041 --room 999 --in "29.07.2025 14:00" --out "31.07.2025 12:00"
"$dir/zorva-send" --port 4041 --from 127.0.0.9 --room 202 --in "29.07.2025 14:00" --out "31.07.2025 12:00"
sleep 1
window=$(xdotool search --onlyvisible --class zorva-kilit | while read -r w; do
    xdotool getwindowgeometry "$w" | grep -q 709x471 && echo "$w"; done | head -1 || true)
mkdir -p "$out"
# The page tabs, left to right, in window coordinates.
tabs=(45 133 220)
for page in 0 1 2; do
    xdotool mousemove --window "$window" "${tabs[$page]}" 10 click 1
    sleep 0.5
    import -window "$window" "$out/page-$page.png"
done
echo "screenshots in $out/"
