#include "audio/wave_journal.h"

#include <cstdlib>
#include <mutex>

#include "audio/wave_riff.h"
#include "base/durable_file.h"
#include "base/scoped.h"

namespace orvo {
namespace {

std::mutex g_rootLock;
std::wstring g_root;  // empty until first use or set by a test

std::wstring DefaultRoot() {
    wchar_t buffer[32768];
    DWORD n = GetEnvironmentVariableW(L"ORVO_RECOVERY_DIR", buffer, 32768);
    if (n > 0 && n < 32768) return buffer;
    n = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, 32768);
    std::wstring base;
    if (n > 0 && n < 32768) {
        base = buffer;
    } else {
        // Without the variable (a bare environment): the temporary folder
        // still keeps the recordings between runs of the same user.
        n = GetTempPathW(32768, buffer);
        base = n > 0 && n < 32768 ? std::wstring(buffer) : std::wstring(L".");
    }
    if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
    return base + L"OrvoRecord\\Recovery";
}

bool WriteAll(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

uint64_t FileTimeNumber(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

uint64_t NowFileTime() {
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return FileTimeNumber(t);
}

std::wstring RecoveryRoot() {
    std::lock_guard<std::mutex> lock(g_rootLock);
    if (g_root.empty()) g_root = DefaultRoot();
    return g_root;
}

void SetRecoveryRoot(const std::wstring& root) {
    std::lock_guard<std::mutex> lock(g_rootLock);
    g_root = root.empty() ? DefaultRoot() : root;
}

HANDLE OpenOwnerLock(const std::wstring& folder, bool create) {
    // No sharing at all: a second process (or a second open in this one)
    // gets ERROR_SHARING_VIOLATION for as long as the owner lives; the
    // system lets go of it when the owner ends, however it ends.
    return CreateFileW((folder + L"\\" + kLockFile).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                       create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteJournalFile(const std::wstring& folder, const WaveJournal& journal) {
    const std::wstring target = folder + L"\\" + kJournalFile;
    const std::wstring beside = folder + L"\\" + kJournalNewFile;
    {
        ScopedFile file(CreateDurableFile(beside, GENERIC_WRITE, 0, CREATE_ALWAYS));
        if (!file) return false;
        if (!WriteAll(file.Get(), FormatJournal(journal)) || !FlushDurableFile(file.Get())) return false;
    }
    // The current journal becomes the previous one, so a current one that
    // the disk later damages still leaves one to restore from. Between the
    // two moves the new journal, complete and flushed, is the one to read.
    const std::wstring previous = folder + L"\\" + kJournalOldFile;
    if (!MoveDurableFile(target, previous, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) &&
        GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    return MoveDurableFile(beside, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

namespace {

JournalState ReadJournalText(const std::wstring& path, std::string& text) {
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD e = GetLastError();
        return e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? JournalState::Missing : JournalState::Busy;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) return JournalState::Busy;
    // A journal is a few lines per piece; anything huge is not one of ours.
    if (size.QuadPart > (16 << 20)) return JournalState::Damaged;
    text.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() && (!ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr) ||
                          got != text.size()))
        return JournalState::Busy;
    return JournalState::Read;
}

}  // namespace

JournalState LoadJournal(const std::wstring& folder, WaveJournal& out, WAVEFORMATEX* salvaged, bool* previous) {
    // What the current journal says decides the answer when none can be
    // read: a newer version or a busy file is nothing to give up on.
    JournalState current = JournalState::Missing;
    for (const wchar_t* name : {kJournalNewFile, kJournalFile, kJournalOldFile}) {
        std::string text;
        JournalState state = ReadJournalText(folder + L"\\" + name, text);
        if (state == JournalState::Read) state = ParseJournal(text, out);
        if (state == JournalState::Read) {
            if (previous) *previous = name == kJournalOldFile;
            return state;
        }
        if (name == kJournalFile) {
            current = state;
            if (state == JournalState::Newer || state == JournalState::Busy) return state;
            if (salvaged && state == JournalState::Damaged) SalvageFormat(text, *salvaged);
        }
    }
    return current;
}

void DeleteElementFolder(const std::wstring& folder, HANDLE ownerLock) {
    // The samples and the journal go while the lock is still held, so no
    // other instance can take a half-deleted folder for a leftover; the
    // samples first, so that a folder a kill interrupted here holds nothing
    // to offer again.
    DeleteFileW((folder + L"\\" + kSamplesFile).c_str());
    DeleteFileW((folder + L"\\" + kJournalFile).c_str());
    DeleteFileW((folder + L"\\" + kJournalNewFile).c_str());
    DeleteFileW((folder + L"\\" + kJournalOldFile).c_str());
    DeleteFileW((folder + L"\\" + kJournalKeptFile).c_str());
    if (ownerLock && ownerLock != INVALID_HANDLE_VALUE) CloseHandle(ownerLock);
    DeleteFileW((folder + L"\\" + kLockFile).c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace orvo
