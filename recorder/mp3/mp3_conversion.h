// Converting a WAV file to MP3 with the system's own encoder through Media
// Foundation. The system may have no Media Foundation at all (it is loaded at
// run time, so the recorder still starts without it) or no MP3 encoder (only
// Windows 8 and later ship one); both are reported as failures with a reason a
// user can read.
#pragma once

#include <string>

#include "base/job.h"

namespace orvo::recorder {

// Converts input (WAV) into output (MP3). The input is opened and read first,
// then the encoder is looked for, and only then is anything written: into a
// temporary file beside the output that replaces it on success and is deleted
// on failure, so a failed run leaves neither a half-written file nor a damaged
// older one. Throws orvo::Failure. Call on a thread without a COM apartment or
// with a multithreaded one; it joins the multithreaded apartment itself.
void ConvertWaveToMp3(const std::wstring& input, const std::wstring& output, const JobControl& control);

// True when a Failure of ConvertWaveToMp3 means the run was cancelled.
bool IsCancellation(long failureCode);

// Makes the new, empty file a conversion writes to before it becomes output:
// "<output>.<hex>.part", created exclusively, so no file already there (a
// ".part" of someone else's included) is ever written over. Its path.
std::wstring CreatePartialFile(const std::wstring& output);

}  // namespace orvo::recorder
