// The element's pieces as the journal lists them, apart from any file (so
// that a journal's ranges can be checked on any bytes at all: tests/fuzz).
#pragma once
#include <cstdint>
#include <vector>

#include "audio/wave_journal.h"

namespace orvo {

// pieces with the given piece inserted at element offset `at`.
std::vector<JournalPiece> Spliced(const std::vector<JournalPiece>& pieces, uint64_t at, JournalPiece piece);
uint64_t LengthOf(const std::vector<JournalPiece>& pieces);
// The marks when bytes are put into the element at byte offset at: those
// after it move on, and (takeEnded) the marks of the take that was running
// there land in it.
void PlaceMarks(std::vector<WaveMark>& marks, std::vector<WaveMark>& takeMarks, WORD blockAlign, uint64_t at,
                uint64_t bytes, bool takeEnded);

// Adopting a leftover: a take that was running becomes a piece with
// whatever of it reached the samples file (samplesSize bytes in all), and
// then every piece is cut to what its file holds, the cuts counted in loss.
void SettleTake(WaveJournal& j, uint64_t samplesSize);
void ClampPieces(WaveJournal& j, uint64_t samplesSize, RecoveryLoss& loss);

}  // namespace orvo
