// The file calls whose order decides what a power cut leaves of the files
// that hold the user's sound: creating them, flushing them to the disk and
// moving one over another. Anything written to a file since its last flush
// may be gone after a cut, and so may a move that was not written through.
// The program's files that must survive a cut are created, flushed and
// moved only through these.
#pragma once
#include <windows.h>

#include <string>

namespace orvo {

HANDLE CreateDurableFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition);
bool FlushDurableFile(HANDLE file);
bool MoveDurableFile(const std::wstring& from, const std::wstring& to, DWORD flags);

// A seam for tests, process-wide, never set by the program: told of each of
// those calls once it succeeded, so that a test can keep what the disk
// would hold at every instant. While a watch is set, files are created
// readable too, so that it can read what a flush made safe.
class DiskWatch {
public:
    virtual void Created(const std::wstring& path, HANDLE file, DWORD disposition) = 0;
    virtual void Flushed(HANDLE file) = 0;
    virtual void Moved(const std::wstring& from, const std::wstring& to, DWORD flags) = 0;

protected:
    ~DiskWatch() = default;
};
// nullptr: none.
void WatchDisk(DiskWatch* watch);

}  // namespace orvo
