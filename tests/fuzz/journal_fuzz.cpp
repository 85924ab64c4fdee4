// The journal parser on any bytes: it never fails other than by saying
// Damaged or Newer, and what it reads, written out again, reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "audio/wave_journal_text.h"

using namespace orvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    WAVEFORMATEX salvaged{};
    if (SalvageFormat(text, salvaged) && !IsUsableFormat(salvaged)) abort();
    WaveJournal journal;
    if (ParseJournal(text, journal) != JournalState::Read) return 0;
    if (!IsUsableFormat(journal.format)) abort();
    for (const JournalPiece& p : journal.pieces)
        if (p.source > journal.sources.size()) abort();
    const std::string written = FormatJournal(journal);
    WaveJournal again;
    if (ParseJournal(written, again) != JournalState::Read || FormatJournal(again) != written) abort();
    return 0;
}
