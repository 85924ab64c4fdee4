#include "base/replacing_file.h"

#include "base/durable_file.h"
#include "base/path.h"

namespace orvo {

ReplacingFile::~ReplacingFile() { Discard(); }

void ReplacingFile::Discard() {
    file_.Reset();
    if (!temp_.empty() && !placed_) DeleteFileW(temp_.c_str());
    temp_.clear();
}

namespace {

// A killed save leaves its temporary file: a file cannot be both deleted
// when its process ends and renamed into place when complete. So the
// names are our own, and the next save to the folder clears them. A save
// still writing one (in another instance) holds it open without sharing,
// so its delete fails and it stays.
void DeleteLeftoverTemps(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\" + ReplacingFile::kTempPattern).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((dir + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

}  // namespace

bool ReplacingFile::Open() {
    std::wstring dir = FolderOf(target_);
    if (dir.empty()) dir = L".";
    DeleteLeftoverTemps(dir);
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[64];
        swprintf(name, 64, L"orv~%lx-%lx.tmp", GetCurrentProcessId(), InterlockedIncrement(&counter));
        temp_ = dir + L"\\" + name;
        file_.Reset(CreateDurableFile(temp_, GENERIC_WRITE, 0, CREATE_NEW));
        if (file_ || GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file_) temp_.clear();
    return file_.Valid();
}

bool ReplacingFile::Replace() {
    file_.Reset();
    if (temp_.empty()) return false;
    placed_ = MoveDurableFile(temp_, target_, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    return placed_;
}

namespace {

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH * 4];
    return GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr) ? std::wstring(full) : path;
}

bool Identity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    ScopedFile probe(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe && GetFileInformationByHandle(probe.Get(), &info) && (info.nFileIndexHigh || info.nFileIndexLow);
}

}  // namespace

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (Identity(a, ia) && Identity(b, ib))
        return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
               ia.nFileIndexLow == ib.nFileIndexLow;
    return CompareStringOrdinal(FullPath(a).c_str(), -1, FullPath(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace orvo
