// Where recordings made without anyone at the keyboard go (a folder, a file
// format and a name pattern of the date and time, remembered per user), and
// the worker that writes stretches of the element there while recording goes
// on, so that neither the window nor the take waits for a disk or an encoder.
#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/wave_audio_device.h"
#include "recorder/save/save_formats.h"

namespace orvo::recorder {

struct AutoSaveTarget {
    std::wstring folder;  // without a trailing separator
    SaveFormat format = SaveFormat::Wav;
    std::wstring pattern;  // see ExpandNamePattern
};

inline constexpr wchar_t kDefaultNamePattern[] = L"录音_YYYYMMDD_HHMMSS";

// The user's Music folder (else Documents), WAV, kDefaultNamePattern.
AutoSaveTarget DefaultAutoSaveTarget();
// The stored target; what is missing or unusable in it is the default's.
AutoSaveTarget LoadAutoSaveTarget();
void StoreAutoSaveTarget(const AutoSaveTarget& target);

// A file name (without extension) from pattern at the given local time:
// YYYY the year, MM the month before the first HH and the minutes after it,
// DD the day, HH the hour, SS the seconds, each with leading zeros; other
// text is kept, except what a file name cannot hold, which becomes '_'. An
// empty result becomes "录音".
std::wstring ExpandNamePattern(const std::wstring& pattern, const SYSTEMTIME& local);

// The full path of the next file at local time: the pattern's name in the
// target's folder with the format's extension, with _2, _3, ... added while
// a file of that name exists or the name is among reserved (paths already
// promised to pieces not yet written).
std::wstring UniqueTarget(const AutoSaveTarget& target, const SYSTEMTIME& local,
                          const std::vector<std::wstring>& reserved = {});

// One stretch of an element to write: frames [fromFrame, toFrame) of the
// device's element into path, in format.
struct AutoSavePiece {
    WaveAudioDevice* device = nullptr;
    uint64_t fromFrame = 0, toFrame = 0;
    std::wstring path;
    SaveFormat format = SaveFormat::Wav;
};

// How one piece went: failure is empty when it was saved, else the reason in
// the user's words.
struct AutoSaveResult {
    AutoSavePiece piece;
    std::wstring failure;
    bool Saved() const { return failure.empty(); }
};

// Writes queued pieces one after another on one worker thread, and posts
// message (wParam 0, lParam 0) to notify after each; the owner collects the
// results with TakeResults. Nothing here shows a window.
//
// The element of a queued piece must stay open, and its device alive, until
// the piece is written. The owner guarantees it by calling Finish before it
// closes, replaces or destroys the element (the main window does so before
// every "close" and before its device goes), and by declaring the saver
// after the device, so that the saver's destructor (which finishes) runs
// first.
class AutoSaver {
public:
    AutoSaver(HWND notify = nullptr, UINT message = 0);
    ~AutoSaver();
    AutoSaver(const AutoSaver&) = delete;
    AutoSaver& operator=(const AutoSaver&) = delete;

    void SetNotify(HWND notify, UINT message);
    void Queue(AutoSavePiece piece);
    // Pieces queued or being written.
    size_t Pending() const;
    // The targets of those pieces, for UniqueTarget.
    std::vector<std::wstring> Reserved() const;
    // Returns once every queued piece is written.
    void Finish();
    // The results since the last call, in the order the pieces were queued.
    std::vector<AutoSaveResult> TakeResults();

    // Writes one piece here and now: what the worker does with each.
    static AutoSaveResult Write(const AutoSavePiece& piece);

private:
    void Run();

    mutable std::mutex lock_;
    std::condition_variable wake_, idle_;
    std::deque<AutoSavePiece> queue_;
    std::vector<std::wstring> writing_;  // the piece being written, if any
    std::vector<AutoSaveResult> results_;
    bool stopping_ = false;
    HWND notify_;
    UINT message_;
    std::thread worker_;
};

}  // namespace orvo::recorder
