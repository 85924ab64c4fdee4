// The two halves of every save the user asks for: which file (the save
// dialog for WAV files, and the question before an existing file is
// replaced), and the writing on a worker behind the progress window.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <string>

#include "base/job.h"

namespace orvo::recorder {

// The path the user chose and agreed to replace; empty when cancelled or
// declined.
std::wstring ChooseSaveTarget(HWND owner, const std::wstring& proposedName);

// Runs save(path) behind the progress window with 取消; a failure (not a
// cancel) is told in a message with the text errorText gives for its code.
// True when the file was saved.
bool SaveWithProgress(HWND owner, const std::wstring& path,
                      const std::function<MCIERROR(const JobControl&)>& save,
                      const std::function<std::wstring(MCIERROR)>& errorText);

}  // namespace orvo::recorder
