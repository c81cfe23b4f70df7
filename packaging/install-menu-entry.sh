#!/bin/sh
# Puts Zorva Kilit into the desktop's application menu for this user. A desktop entry names
# its program by a full path, so zorva-kilit.desktop beside this script is the pattern and the
# installed entry points at this folder: run it again after moving the folder. "--remove"
# takes the entry out again.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
entry="$data/applications/zorva-kilit.desktop"
icon="$data/icons/hicolor/scalable/apps/zorva-kilit.svg"

if [ "${1:-}" = "--remove" ]; then
    rm -f "$entry" "$icon"
    echo "Removed $entry"
    exit 0
fi

# Inside a quoted argument of Exec, a desktop entry escapes ", `, $ and \ with a backslash,
# and every backslash of the file is itself doubled.
quoted=$(printf '%s' "$here/zorva-kilit" | sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g')
iconValue=$(printf '%s' "$icon" | sed -e 's/\\/\\\\/g')
mkdir -p "$(dirname "$entry")" "$(dirname "$icon")"
cp "$here/zorva-kilit.svg" "$icon"
while IFS= read -r line; do
    case $line in
    Exec=*) printf 'Exec="%s"\n' "$quoted" ;;
    Icon=*) printf 'Icon=%s\n' "$iconValue" ;;
    *) printf '%s\n' "$line" ;;
    esac
done <"$here/zorva-kilit.desktop" >"$entry.tmp"
mv "$entry.tmp" "$entry"
echo "Installed $entry"
