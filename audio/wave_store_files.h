// Shared by the store's two halves (its bookkeeping and its saving); not a
// face of the store.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "audio/wave_journal.h"
#include "audio/wave_pieces.h"
#include "audio/wave_store.h"

namespace orvo {

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

}  // namespace orvo
