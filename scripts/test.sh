#!/usr/bin/env bash
# Runs the whole test suite: installs what is missing, builds the 64-bit and
# 32-bit programs, starts a virtual display and virtual sound devices, and
# runs every test program under Wine64 (this machine cannot run 32-bit code).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

orvo_install_deps
orvo_build
orvo_environment

for exe in "$ORVO_BUILD/i686/bin/OrvoRecord.exe" "$ORVO_BUILD/x86_64/bin/OrvoRecord.exe"; do
    file "$exe"
done
file "$ORVO_BUILD/i686/bin/OrvoRecord.exe" | grep -q 'PE32 executable' || { echo "i686 build is not PE32"; exit 1; }
file "$ORVO_BUILD/x86_64/bin/OrvoRecord.exe" | grep -q 'PE32+ executable' || { echo "x86_64 build is not PE32+"; exit 1; }

cd "$ORVO_BUILD/x86_64"
ctest --output-on-failure "$@"
