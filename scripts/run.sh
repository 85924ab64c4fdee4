#!/usr/bin/env bash
# Installs what is missing, builds the 64-bit recorder (and only what it
# needs: the tests are scripts/test.sh's), and starts it under Wine64. With no
# display it starts a virtual one and leaves a screenshot of the main window
# in build/screenshots/main-window.png.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

had_display=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then had_display=1; fi

orvo_install_deps
# The help files it opens are written beside it when the build is configured;
# it loads no other program of the project.
orvo_build x86_64 OrvoRecord
# The display, the sound and the 64-bit prefix: the 32-bit one is the tests'.
orvo_start_display
orvo_start_sound
orvo_prepare_prefix "$WINE64" "$ORVO_PREFIX" win64

exe="$ORVO_BUILD/x86_64/bin/OrvoRecord.exe"
cd "$(dirname "$exe")"
if [ "$had_display" -eq 1 ]; then
    exec "$WINE64" "$exe"
fi

"$WINE64" "$exe" &
pid=$!
mkdir -p "$ORVO_BUILD/screenshots"
shot="$ORVO_BUILD/screenshots/main-window.png"
sleep "${ORVO_SHOT_DELAY:-6}"
import -window root -display "$DISPLAY" "$shot"
echo "OrvoRecord is running on the virtual display $DISPLAY (pid $pid); screenshot: $shot"
echo "Press Ctrl+C to stop it."
wait "$pid" || true
