// Elements left behind by a recorder that ended without closing them (a
// crash, a kill, the end of the session): found at start-up and offered to
// the user, who may restore, save or discard each one.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio/wave_journal.h"

namespace orvo {


// Takes the element folder for this process when its owner is gone. False
// while a running instance holds it, or when it holds no journal we can read
// (such a folder with nobody holding it is debris and is removed).
bool ClaimLeftover(const std::wstring& folder, Leftover& out);
// Every leftover in the recovery folder, claimed, oldest recording first.
std::vector<Leftover> FindLeftovers();
// Which of a leftover's opened files are not there now as they were (not
// plugged in, held by another program, changed), and how much of the
// element they hold: what a restore now would leave out. Looked at afresh
// at each call, so a drive plugged in meanwhile counts.
RecoveryLoss UnavailableSources(const Leftover& leftover);
// The user's word: deletes the leftover's files.
void DiscardLeftover(Leftover& leftover);

}  // namespace orvo
