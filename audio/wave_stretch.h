// Saving part of a WAV file as a new one: the stretch between two frames
// alone, or the file without it. The source is only read.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

#include "base/job.h"

namespace orvo {

enum class StretchSave {
    Keep,    // frames [from, to) alone
    CutOut,  // every frame but those
};

// Writes the frames of source that how says into target as a WAV file in
// source's own format, with source's marks moved to match (marks inside a
// cut-out stretch go). Cuts fall on whole frames; frames beyond the data are
// taken to be its end. The file is written beside target and replaces it only
// when complete. 0 or an MCI error code: MCIERR_FILE_NOT_SAVED when target is
// source itself (never changed) or when cancelled.
MCIERROR SaveWaveStretch(const std::wstring& source, uint64_t from, uint64_t to, StretchSave how,
                         const std::wstring& target, const JobControl* control);

}  // namespace orvo
