#!/usr/bin/env bash
# Runs the whole test suite on both architectures: installs what is missing,
# builds the 64-bit and the 32-bit (release) programs, starts a virtual
# display and virtual sound devices, and runs every test program of each build
# under the Wine loader of its own architecture, each in its own prefix.
# Fails if either suite fails or runs no test; only a test program that never
# started runs once more. Arguments go to both ctest runs.
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
        # Windows program, though they may name one (to read its import table).
        [[ "$line" == *.exe* ]] || continue
        local first
        if [[ "$line" == \"* ]]; then first="${line#\"}" && first="${first%%\"*}"; else first="${line%% *}"; fi
        [[ "$first" == *.exe || "$first" == "$loader" ]] || continue
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

# Names of the failed tests of the last run whose output was empty: the
# program never started (a Wine start failure leaves no line at all). A test
# that printed anything ran, and its failure stands.
orvo_never_started() {
    local dir="$1"
    awk -v failed="$2" '
        BEGIN { n = split(failed, f, "\n"); for (i = 1; i <= n; i++) if (f[i] != "") want[f[i]] = 1 }
        /^[0-9]+\/[0-9]+ Test: / { name = $0; sub(/^[0-9]+\/[0-9]+ Test: /, "", name); inout = 0; next }
        /^Output:$/ { getline; inout = 1; text = ""; next }
        inout && /^<end of output>$/ { inout = 0; if ((name in want) && text !~ /[^ \t\r\n]/) print name; next }
        inout { text = text $0 }
    ' "$dir/Testing/Temporary/LastTest.log"
}

# Runs one suite; a program that never started runs once more, anything
# else that failed fails the suite at once. Sets suite_result.
orvo_run_suite() {
    local arch="$1" dir="$ORVO_BUILD/$1"
    shift
    local temp="$dir/Testing/Temporary"
    # A list left by an earlier run would name the wrong tests.
    rm -f "$temp/LastTestsFailed.log" "$temp/LastTest.log"
    if (cd "$dir" && ctest --output-on-failure --no-tests=error "$@"); then
        suite_result=passed
        return 0
    fi
    if [ ! -f "$temp/LastTestsFailed.log" ]; then
        suite_result="FAILED (ctest ran no test: does the filter match any?)"
        return 1
    fi
    local failed silent
    failed="$(cut -d: -f2- "$temp/LastTestsFailed.log")"
    silent="$(orvo_never_started "$dir" "$failed")"
    if [ -z "$silent" ] || [ "$(printf '%s\n' "$silent" | wc -l)" -ne "$(printf '%s\n' "$failed" | wc -l)" ]; then
        suite_result="FAILED: $(printf '%s\n' "$failed" | tr '\n' ' ')"
        return 1
    fi
    local names
    names="$(printf '%s\n' "$silent" | tr '\n' ' ')"
    orvo_log "$arch: these never started (no output at all); running them once more: $names"
    if (cd "$dir" && ctest --output-on-failure -R "^($(printf '%s\n' "$silent" | paste -sd'|'))\$"); then
        suite_result="passed; started only on a second try: $names"
        return 0
    fi
    suite_result="FAILED: $names"
    return 1
}

orvo_install_deps
orvo_build
orvo_environment

status=0
summary=()
for arch in x86_64 i686; do
    start=$SECONDS
    if ! orvo_check_suite "$arch"; then
        status=1
        summary+=("$arch suite: not run, the build or its loader is of the wrong architecture")
        continue
    fi
    orvo_log "running the $arch suite"
    orvo_run_suite "$arch" "$@" || status=1
    summary+=("$arch suite: $suite_result in $((SECONDS - start)) s")
done
printf '== %s\n' "${summary[@]}"
exit "$status"
