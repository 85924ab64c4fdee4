// One save of a device's element to a file the user already named, in any of
// the three formats, for every command that saves (Save, the save of a
// leftover recording, the MP3 conversion): what cannot work is told before
// anything is written, what the file will hold is told once, the file is
// written on a worker behind the progress window with Cancel, and a failure
// is told in words. The element and any file at the target stay as they were
// unless the save succeeds.
#pragma once
#include <windows.h>

#include <string>

#include "audio/wave_audio_device.h"
#include "recorder/save/save_formats.h"

namespace orvo::recorder {

struct SaveJob {
    std::wstring path;        // the target, its extension already settled
    SaveFormat format = SaveFormat::Wav;
    std::wstring sourceFile;  // the file the element came from, for the tags' date; may be empty
    std::wstring caption;     // the progress window's text
};

enum class SaveResult { Saved, Cancelled, Failed };

// Cancelled: the user stopped it (at the notice or in the progress window);
// Failed: it could not be done, and the user has been told why.
SaveResult RunSave(HWND owner, WaveAudioDevice& device, const SaveJob& job);

}  // namespace orvo::recorder
