// A file written beside its target and put in the target's place only when
// complete, so that a full disk, a failure or a cancel half-way never leaves
// a half-written file where a good one was.
#pragma once
#include <windows.h>

#include <string>

#include "base/scoped.h"

namespace orvo {

class ReplacingFile {
public:
    explicit ReplacingFile(std::wstring target) : target_(std::move(target)) {}
    // The temporary file goes unless it was put in place.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file in the target's folder, open for writing.
    // Temporary files of earlier saves there that a kill or a crash left
    // behind (kTempPattern, not open in any process) are deleted first.
    bool Open();
    // The names the temporary files take in the target's folder.
    static constexpr wchar_t kTempPattern[] = L"orv~*.tmp";
    HANDLE Handle() const { return file_.Get(); }
    // The temporary file's path (empty before Open).
    const std::wstring& TempPath() const { return temp_; }
    // Closes the temporary file; Replace needs it closed.
    void Close() { file_.Reset(); }
    // Deletes the temporary file now (a caller that reports GetLastError
    // after it wants nothing to run later).
    void Discard();
    // Moves the closed temporary file over the target, written through.
    // False: the target is as it was.
    bool Replace();

private:
    std::wstring target_, temp_;
    ScopedFile file_;
    bool placed_ = false;
};

// True when both paths name one file, however each is spelled (the same
// volume and file index; for a path that names no file yet, the same full
// path).
bool IsSameFile(const std::wstring& a, const std::wstring& b);

}  // namespace orvo
