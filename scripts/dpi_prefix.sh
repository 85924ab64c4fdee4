#!/bin/sh
# Makes a Wine prefix that reports another screen scale: a copy of the test
# prefix with LogPixels set, so a suite can run once at 144 or 192 dpi.
# Usage: dpi_prefix.sh SOURCE_PREFIX TARGET_PREFIX DPI
set -eu
src=$1 dst=$2 dpi=$3
stamp="$dst/.orvo-dpi-$dpi"
[ -f "$stamp" ] && exit 0
rm -rf "$dst"
cp -a "$src" "$dst"
hex=$(printf '%08x' "$dpi")
reg="$dst/orvo-dpi.reg"
{
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%s\r\n\r\n' "$hex"
    printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts]\r\n'
    printf '"LogPixels"=dword:%s\r\n' "$hex"
} >"$reg"
WINEPREFIX="$dst" /usr/lib/wine/wine64 regedit /S "$reg" >/dev/null 2>&1 || true
WINEPREFIX="$dst" /usr/lib/wine/wineserver -w 2>/dev/null || true
touch "$stamp"
