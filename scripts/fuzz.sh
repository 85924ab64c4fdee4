#!/usr/bin/env bash
# Builds the fuzzers with the build machine's clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) from the very sources the programs are built from
# and runs each for a bounded time, starting from its seeds in
# tests/fuzz/seeds/<harness>/. Fails on the first crash, leak, sanitizer report
# or broken check; the input that did it is left in the harness's folder under
# $ORVO_BUILD/fuzz/ (crash-*), to be added to the seeds once mended.
# Usage: scripts/fuzz.sh [seconds per harness, default 60] [harness...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
orvo_install_deps

seconds="${1:-60}"
[ $# -gt 0 ] && shift
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(journal adopt riff waveform)

CXX="${ORVO_FUZZ_CXX:-clang++-14}"
command -v "$CXX" >/dev/null || CXX=clang++
out="$ORVO_BUILD/fuzz"
mkdir -p "$out"

# What each harness is built from besides itself and the Windows stand-in.
orvo_fuzz_sources() {
    local standin=tests/fuzz/standin/windows_standin.cpp
    case "$1" in
        journal) echo "$standin audio/wave_journal_text.cpp audio/wave_riff.cpp audio/wave_marks.cpp base/text.cpp" ;;
        adopt) echo "$standin audio/wave_pieces.cpp audio/wave_journal_text.cpp audio/wave_riff.cpp audio/wave_marks.cpp \
base/text.cpp" ;;
        riff) echo "$standin audio/wave_riff.cpp audio/wave_marks.cpp base/text.cpp" ;;
        waveform) echo "$standin tests/fuzz/standin/mmio_standin.cpp recorder/waveform/mod_audio_edit.cpp \
recorder/waveform/wave_trace.cpp" ;;
        *) orvo_log "no such harness: $1"; return 1 ;;
    esac
}

failed=()
for h in "${harnesses[@]}"; do
    sources="$(orvo_fuzz_sources "$h")"
    orvo_log "fuzz $h: building"
    # shellcheck disable=SC2086
    (cd "$ORVO_ROOT" && "$CXX" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -Itests/fuzz/standin -I. \
        "tests/fuzz/${h}_fuzz.cpp" $sources -o "$out/$h") || { failed+=("$h (build)"); continue; }
    mkdir -p "$out/$h-corpus" "$out/$h-artifacts"
    orvo_log "fuzz $h: running ${seconds} s"
    # The seeds are read, never written: new inputs go to the corpus folder.
    if ! (cd "$out/$h-artifacts" &&
        "$out/$h" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
            -print_final_stats=1 "$out/$h-corpus" "$ORVO_ROOT/tests/fuzz/seeds/$h" >"$out/$h.log" 2>&1); then
        tail -n 40 "$out/$h.log" >&2
        failed+=("$h: $(ls "$out/$h-artifacts" | head -n 1)")
        continue
    fi
    orvo_log "fuzz $h: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$out/$h.log" | grep -o '[0-9]*$') inputs, no fault"
done
if [ ${#failed[@]} -gt 0 ]; then
    orvo_log "fuzzing failed: ${failed[*]} (inputs under $out)"
    exit 1
fi
