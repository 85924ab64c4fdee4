// Names the whole recorder shares.
#pragma once

namespace orvo::recorder {

// The title of every message box that does not name its own.
inline constexpr wchar_t kProgramTitle[] = L"欧沃录音机";

}  // namespace orvo::recorder
