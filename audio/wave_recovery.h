// Elements left behind by a recorder that ended without closing them (a
// crash, a kill, the end of the session): found at start-up and offered to
// the user, who may restore, save or discard each one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/wave_journal.h"
#include "base/scoped.h"

namespace orvo {

struct Leftover {
    std::wstring folder;
    ScopedFile lock;  // held: no other instance offers it meanwhile
    WaveJournal journal;
    uint64_t bytes = 0;  // of the element, a running take included as far as it reached the disk

    uint32_t Milliseconds() const;
    // Nothing to lose: empty, or every byte already in a saved file.
    bool Disposable() const { return bytes == 0 || journal.saved; }
};

// Takes the element folder for this process when its owner is gone. False
// while a running instance holds it, or when it holds no journal we can read
// (such a folder with nobody holding it is debris and is removed).
bool ClaimLeftover(const std::wstring& folder, Leftover& out);
// Every leftover in the recovery folder, claimed, oldest recording first.
std::vector<Leftover> FindLeftovers();
// The user's word: deletes the leftover's files.
void DiscardLeftover(Leftover& leftover);

}  // namespace orvo
