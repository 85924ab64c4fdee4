#include "base/durable_file.h"

#include <atomic>

namespace orvo {
namespace {

std::atomic<DiskWatch*> g_watch{nullptr};

}  // namespace

void WatchDisk(DiskWatch* watch) { g_watch = watch; }

HANDLE CreateDurableFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
    DiskWatch* watch = g_watch.load();
    if (watch) access |= GENERIC_READ;
    HANDLE file = CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (watch && file != INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();  // ERROR_ALREADY_EXISTS tells an existing file was opened
        watch->Created(path, file, disposition);
        SetLastError(e);
    }
    return file;
}

bool FlushDurableFile(HANDLE file) {
    if (!FlushFileBuffers(file)) return false;
    if (DiskWatch* watch = g_watch.load()) watch->Flushed(file);
    return true;
}

bool MoveDurableFile(const std::wstring& from, const std::wstring& to, DWORD flags) {
    if (!MoveFileExW(from.c_str(), to.c_str(), flags)) return false;
    if (DiskWatch* watch = g_watch.load()) {
        watch->Moved(from, to, flags);
        SetLastError(ERROR_SUCCESS);
    }
    return true;
}

}  // namespace orvo
