// Shared by the store's two halves (its bookkeeping and its saving); not a
// face of the store.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "audio/wave_journal.h"
#include "audio/wave_store.h"

namespace orvo {

// pieces with the given piece inserted at element offset `at`.
std::vector<WaveStore::Piece> Spliced(const std::vector<WaveStore::Piece>& pieces, uint64_t at,
                                      WaveStore::Piece piece);
// What a journal records of an opened file, so that a later start can tell
// whether it is still the same file.
bool StampSource(HANDLE file, const std::wstring& path, JournalSource& s);
HANDLE OpenForReading(const std::wstring& path);
// The file at s.path opened for reading when it is still the file s was
// stamped from (and a path an opened WAV file can have); otherwise
// INVALID_HANDLE_VALUE.
HANDLE OpenSameSource(const JournalSource& s);
// True when now (a fresh stamp) is the file then was stamped from.
bool SameSource(const JournalSource& then, const JournalSource& now);
// The samples file: readers and writers of this process share one handle.
HANDLE OpenSamples(const std::wstring& path, DWORD disposition);
uint64_t LengthOf(const std::vector<WaveStore::Piece>& pieces);
// The marks when bytes are put into the element at byte offset at: those
// after it move on, and (takeEnded) the marks of the take that was running
// there land in it.
void PlaceMarks(std::vector<WaveMark>& marks, std::vector<WaveMark>& takeMarks, WORD blockAlign, uint64_t at,
                uint64_t bytes, bool takeEnded);

}  // namespace orvo
