#!/usr/bin/env bash
# Builds both architectures and makes the packages in build/dist/: a setup
# program and a portable zip of each build, signed when ORVO_SIGN_PFX names a
# PKCS#12 certificate (password in ORVO_SIGN_PASSWORD). Then installs and
# removes the 64-bit package in a Wine prefix of its own to check it
# (tests/package/package_test.sh), and prints the packages' paths.
#
#   scripts/package.sh [--no-build] [--no-test] [--out DIR]
#     --no-build  package what build/i686 and build/x86_64 already hold
#     --no-test   skip the install test
#     --out DIR   write the packages to DIR instead of build/dist
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build=1
run_tests=1
dist="$ORVO_BUILD/dist"
while [ $# -gt 0 ]; do
    case "$1" in
        --no-build) build=0 ;;
        --no-test) run_tests=0 ;;
        --out) dist="$2"; shift ;;
        *) echo "usage: $0 [--no-build] [--no-test] [--out DIR]" >&2; exit 2 ;;
    esac
    shift
done

if [ -n "${ORVO_SIGN_PFX:-}" ]; then
    ORVO_SIGN_PFX="$(realpath "$ORVO_SIGN_PFX")"
    export ORVO_SIGN_PFX ORVO_SIGN_PASSWORD ORVO_SIGN_TIMESTAMP
fi

if [ "$build" -eq 1 ]; then
    orvo_install_deps
    orvo_build
fi

version_h="$ORVO_BUILD/x86_64/generated/orvo_version.h"
[ -f "$version_h" ] || { echo "no build in $ORVO_BUILD (run without --no-build)" >&2; exit 1; }
version="$(sed -n 's/^#define ORVO_VERSION_TEXT "\(.*\)"$/\1/p' "$version_h")"
[ -n "$version" ] || { echo "no version in $version_h" >&2; exit 1; }

# What a user gets, in the order the setup script names them.
payload=(OrvoRecord.exe readme.txt FAQ.txt OrvoVMNotify.dll vmminihome.htm libmp3lame-0.dll LAME-COPYING.txt FLAC-COPYING.txt)

mkdir -p "$dist"
dist="$(realpath "$dist")"
work="$(mktemp -d "$ORVO_BUILD/package.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# package ARCH TRIPLE PE-KIND: stages one build's files, signs them, and makes
# its setup program and its zip.
package() {
    local arch="$1" triple="$2" kind="$3"
    local name="OrvoRecord-$version-$arch"
    local stage="$work/$name" bin="$ORVO_BUILD/$triple/bin" f
    local setup="$dist/OrvoRecord-$version-setup-$arch.exe" zip="$dist/$name.zip"
    orvo_log "packaging $arch ($triple)"
    mkdir -p "$stage"
    for f in "${payload[@]}"; do
        cp "$bin/$f" "$stage/$f"
    done
    # A package of the wrong build would install and then fail to load.
    for f in OrvoRecord.exe OrvoVMNotify.dll; do
        file -b "$stage/$f" | grep -q "^$kind " || { echo "$bin/$f is not $kind" >&2; return 1; }
    done
    if [ -n "${ORVO_SIGN_PFX:-}" ]; then
        "$ORVO_ROOT/scripts/sign_file.sh" "$stage/OrvoRecord.exe" "$stage/OrvoVMNotify.dll"
    fi

    rm -f "$setup" "$zip"
    local sign=()
    [ -n "${ORVO_SIGN_PFX:-}" ] && sign=(-DSIGN="$ORVO_ROOT/scripts/sign_file.sh")
    makensis -V2 -INPUTCHARSET UTF8 -DARCH="$arch" -DFILES="$stage" -DVERSION_H="$version_h" \
        -DICON="$ORVO_ROOT/recorder/resources/orvorecord.ico" -DOUTFILE="$setup" "${sign[@]}" \
        "$ORVO_ROOT/installer/OrvoRecord.nsi" >"$work/makensis-$arch.log" 2>&1 ||
        { cat "$work/makensis-$arch.log" >&2; return 1; }
    (cd "$work" && 7z a -tzip -mx=9 "$zip" "$name" >/dev/null)
}

package x86 i686 PE32
package x64 x86_64 PE32+
(cd "$dist" && sha256sum "OrvoRecord-$version-setup-x86.exe" "OrvoRecord-$version-setup-x64.exe" \
    "OrvoRecord-$version-x86.zip" "OrvoRecord-$version-x64.zip" >SHA256SUMS)

if [ "$run_tests" -eq 1 ]; then
    "$ORVO_ROOT/tests/package/package_test.sh" "$dist"
fi

echo "Packages of OrvoRecord $version:"
for f in "OrvoRecord-$version-setup-x86.exe" "OrvoRecord-$version-setup-x64.exe" \
    "OrvoRecord-$version-x86.zip" "OrvoRecord-$version-x64.zip" SHA256SUMS; do
    echo "  $dist/$f"
done
