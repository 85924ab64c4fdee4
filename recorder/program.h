// Names the whole recorder shares.
#pragma once

#include "orvo_version.h"

namespace orvo::recorder {

// The title of every message box that does not name its own.
inline constexpr wchar_t kProgramTitle[] = L"欧沃录音机";

// The version the user sees (about box, status bar), set once for the whole
// build in the top CMakeLists.txt.
inline constexpr wchar_t kProgramVersion[] = L"" ORVO_VERSION_TEXT;

}  // namespace orvo::recorder
