// A leftover's journal on any bytes, with a samples file of any size: what
// adopting keeps of its pieces lies inside the files, the running take
// included, whatever ranges the journal names.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "audio/wave_journal_text.h"
#include "audio/wave_pieces.h"

using namespace orvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint64_t samplesSize = in.ConsumeIntegral<uint64_t>();
    const std::string text = in.ConsumeRemainingBytesAsString();
    WaveJournal j;
    if (ParseJournal(text, j) != JournalState::Read) return 0;
    RecoveryLoss loss;
    SettleTake(j, samplesSize);
    ClampPieces(j, samplesSize, loss);
    if (j.recording || !j.takeMarks.empty()) abort();
    for (const JournalPiece& p : j.pieces) {
        if (p.bytes == 0 || p.source > j.sources.size()) abort();
        const uint64_t file = p.source == 0 ? samplesSize : j.sources[p.source - 1].size;
        if (p.fileOffset > file || p.bytes > file - p.fileOffset) abort();
    }
    return 0;
}
