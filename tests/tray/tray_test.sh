#!/usr/bin/env bash
# The notification-area icon on a real X server: it docks in a tray host, docks again when the
# host is restarted, and a double-click on it brings back the window that hid itself at start.
# Usage: tray_test.sh INSTALLED_DIR
set -u
installed=$1
for tool in Xvfb trayer xdotool xwininfo; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
cleanup() { kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
cp -r "$installed"/. "$work"/
mkdir -p "$work/Data/Ini"
# A code and a port, so that the lock system starts by itself and the log tells when; a port
# that happens to be held only adds the port's error line before "Sistem Başlatıldı.".
port=$((40000 + RANDOM % 20000))
printf '[TAnaF]\r\nEditZorvakilt_EMD_R1_Text=ABCDEFGHIJKLMNOP\r\nCurrencyEditUDP_Value=%s\r\nCheckBoxAutoGizle_Checked=True\r\n' \
    "$port" > "$work/Data/Ini/AnaF_JvFormStorage1.ini"

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

fail() { echo "FAIL: $*"; xwininfo -root -tree | head -40; cat "$work/out.log"; exit 1; }

startTray() { trayer --edge top --align right --widthtype pixel --width 100 --height 24 >/dev/null 2>&1 & trayPid=$!; }

# True once the tray host's panel holds a window of the program.
docked() {
    for _ in $(seq 100); do
        if xwininfo -root -tree | awk '/"panel": \("panel" "trayer"\)/ {p=1; next} p && /^     0x/ {p=0} p' |
            grep -q '"zorva-kilit" "zorva-kilit"'; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

mainWindowVisible() { xdotool search --onlyvisible --class zorva-kilit 2>/dev/null |
    while read -r w; do
        geometry=$(xdotool getwindowgeometry "$w" | awk '/Geometry/ {print $2}')
        [ "$geometry" = "709x471" ] && echo "$w"
    done | grep -q .; }

startTray
sleep 0.5
HOME="$work" XDG_CONFIG_HOME="$work/config" "$work/zorva-kilit" >"$work/out.log" 2>&1 &
docked || fail "the icon did not dock"
# The icon can dock before the window is first shown: the hide comes after the start, which
# the log tells of.
for _ in $(seq 100); do grep -q "Sistem Başlatıldı." "$work/out.log" && break; sleep 0.1; done
grep -q "Sistem Başlatıldı." "$work/out.log" || fail "the lock system did not start"
for _ in $(seq 50); do mainWindowVisible || break; sleep 0.1; done
sleep 1 # a window mapped late would show by now
mainWindowVisible && fail "the window did not hide itself after the start"

kill "$trayPid"; wait "$trayPid" 2>/dev/null
startTray
docked || fail "the icon did not dock again after the tray host restarted"

icon=$(xwininfo -root -tree | grep '"zorva-kilit" "zorva-kilit")  22x22' | awk '{print $1}' | head -1)
[ -n "$icon" ] || fail "no icon window"
xdotool mousemove --window "$icon" 10 10 click --repeat 2 --delay 80 1
for _ in $(seq 50); do mainWindowVisible && break; sleep 0.1; done
mainWindowVisible || fail "a double-click on the icon did not show the window"

# "Gizle" hides the window again; a double-click with the right button brings it back too,
# and a single right click does nothing.
window=$(xdotool search --onlyvisible --class zorva-kilit | while read -r w; do
    xdotool getwindowgeometry "$w" | grep -q 709x471 && echo "$w"; done | head -1)
xdotool mousemove --window "$window" 526 442 click 1
for _ in $(seq 50); do mainWindowVisible || break; sleep 0.1; done
mainWindowVisible && fail "Gizle did not hide the window"
xdotool mousemove --window "$icon" 10 10 click 3
sleep 1
mainWindowVisible && fail "a single right click showed the window"
xdotool mousemove --window "$icon" 10 10 click --repeat 2 --delay 80 3
for _ in $(seq 50); do mainWindowVisible && break; sleep 0.1; done
mainWindowVisible || fail "a right-button double-click did not show the window"
echo "PASS: docked, re-docked, double-clicks show the window, Gizle hides it"
