#!/usr/bin/env bash
# Runs the whole test suite on both architectures: installs what is missing,
# builds the 64-bit and the 32-bit (release) programs, starts a virtual
# display and virtual sound devices, and runs every test program of each build
# under the Wine loader of its own architecture, each in its own prefix.
# Fails if either suite fails or runs no test. Arguments go to both ctest runs.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Every program of a build must be of the build's architecture, and every test
# must run it under the loader of that architecture: given a PE32 program,
# wine64 either prints nothing and exits 0 or hands it to another prefix.
orvo_check_suite() {
    local arch="$1" loader pe elf
    case "$arch" in
        x86_64) loader="$WINE64" pe='^PE32\+ executable .*x86-64' elf='ELF 64-bit' ;;
        i686) loader="$WINE32" pe='^PE32 executable .*Intel 80386' elf='ELF 32-bit' ;;
    esac
    if ! file -bL "$loader" | grep -q "^$elf"; then
        orvo_log "$arch: the loader $loader is not an $elf program: $(file -bL "$loader")"
        return 1
    fi
    local f
    for f in "$ORVO_BUILD/$arch"/bin/*.exe "$ORVO_BUILD/$arch"/bin/*.dll; do
        if ! file -b "$f" | grep -Eq "$pe"; then
            orvo_log "$arch: $f is $(file -b "$f")"
            return 1
        fi
    done
    local re="(^|\")${loader}\"? \"([^\"]+\\.exe)\"" line count=0
    while IFS= read -r line; do
        count=$((count + 1))
        # Checks that run on the host itself (cmake scripts, shell) start no
        # Windows program.
        [[ "$line" == *.exe* ]] || continue
        if ! [[ "$line" =~ $re ]]; then
            orvo_log "$arch: a test does not run under $loader: $line"
            return 1
        fi
        if ! file -b "${BASH_REMATCH[2]}" | grep -Eq "$pe"; then
            orvo_log "$arch: ${BASH_REMATCH[2]} is $(file -b "${BASH_REMATCH[2]}")"
            return 1
        fi
    done < <(cd "$ORVO_BUILD/$arch" && ctest -N -V | sed -n 's/^[0-9]*: Test command: //p')
    if [ "$count" -eq 0 ]; then
        orvo_log "$arch: no tests registered"
        return 1
    fi
}

orvo_install_deps
orvo_build
orvo_environment

status=0
summary=()
for arch in x86_64 i686; do
    if ! orvo_check_suite "$arch"; then
        status=1
        summary+=("$arch suite: not run, the build or its loader is of the wrong architecture")
        continue
    fi
    orvo_log "running the $arch suite"
    start=$SECONDS
    if (cd "$ORVO_BUILD/$arch" && ctest --output-on-failure --no-tests=error "$@"); then
        result=passed
    else
        # A Wine program very rarely fails to start at all (no output, 0 s).
        # The failed tests run once more; one that passes then is named in
        # the summary, one that fails again fails the suite.
        failed="$(cut -d: -f2 "$ORVO_BUILD/$arch/Testing/Temporary/LastTestsFailed.log" 2>/dev/null | tr '\n' ' ')"
        orvo_log "running the failed $arch tests once more: $failed"
        if (cd "$ORVO_BUILD/$arch" && ctest --rerun-failed --output-on-failure "$@"); then
            result="passed, but only on a second run: $failed"
        else
            result=FAILED
            status=1
        fi
    fi
    summary+=("$arch suite: $result in $((SECONDS - start)) s")
done
printf '== %s\n' "${summary[@]}"
exit "$status"
