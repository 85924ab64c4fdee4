#include "audio/wave_journal.h"

#include <cstdlib>
#include <mutex>
#include <sstream>

#include "audio/wave_riff.h"
#include "base/scoped.h"
#include "base/text.h"

namespace orvo {
namespace {

constexpr char kMagic[] = "OrvoRecord journal 1";

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

std::string Utf8Line(std::string_view key, std::wstring_view text) {
    return std::string(key) + " " + WideToUtf8(text) + "\n";
}

// A mark's record: its frame and its name on one line, whatever the name
// holds.
std::string MarkLine(std::string_view key, const WaveMark& m) {
    std::wstring name = m.name;
    for (wchar_t& c : name)
        if (c < L' ') c = L' ';
    return std::string(key) + " " + std::to_string(m.frame) + " " + WideToUtf8(name) + "\n";
}

// A mark's record read back; a record that says no frame is passed over.
void ReadMark(std::istringstream& fields, std::vector<WaveMark>& into) {
    WaveMark m;
    if (!(fields >> m.frame)) return;
    std::string name;
    std::getline(fields >> std::ws, name);
    m.name = Utf8ToWide(name);
    into.push_back(std::move(m));
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

std::string FormatJournal(const WaveJournal& j) {
    std::ostringstream out;
    const WAVEFORMATEX& f = j.format;
    out << kMagic << "\n";
    out << "format " << f.wFormatTag << " " << f.nChannels << " " << f.nSamplesPerSec << " " << f.nAvgBytesPerSec
        << " " << f.nBlockAlign << " " << f.wBitsPerSample << "\n";
    if (j.extension.present) out << "extension " << j.extension.validBits << " " << j.extension.channelMask << "\n";
    out << "untitled " << (j.untitled ? 1 : 0) << "\n";
    out << "saved " << (j.saved ? 1 : 0) << "\n";
    out << "began " << j.began << "\n";
    out << Utf8Line("name", j.name);
    for (size_t i = 0; i < j.sources.size(); ++i) {
        const JournalSource& s = j.sources[i];
        out << "source " << (i + 1) << " " << s.size << " " << s.lastWrite << " " << WideToUtf8(s.path) << "\n";
    }
    for (const JournalPiece& p : j.pieces) out << "piece " << p.source << " " << p.fileOffset << " " << p.bytes << "\n";
    if (j.recording)
        out << "take " << j.take.elementOffset << " " << j.take.fileOffset << " " << j.take.bytes << " "
            << j.take.began << "\n";
    for (const WaveMark& m : j.marks) out << MarkLine("mark", m);
    if (j.recording)
        for (const WaveMark& m : j.takeMarks) out << MarkLine("takemark", m);
    out << "end\n";
    return out.str();
}

bool ParseJournal(std::string_view text, WaveJournal& out) {
    WaveJournal j;
    std::istringstream in{std::string(text)};
    std::string line;
    if (!std::getline(in, line) || line != kMagic) return false;
    bool format = false, ended = false;
    while (std::getline(in, line)) {
        size_t space = line.find(' ');
        std::string key = line.substr(0, space);
        std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        std::istringstream fields(rest);
        if (key == "end") {
            ended = true;
            break;
        } else if (key == "format") {
            unsigned tag, channels, rate, avg, align, bits;
            if (!(fields >> tag >> channels >> rate >> avg >> align >> bits)) return false;
            j.format.wFormatTag = static_cast<WORD>(tag);
            j.format.nChannels = static_cast<WORD>(channels);
            j.format.nSamplesPerSec = rate;
            j.format.nAvgBytesPerSec = avg;
            j.format.nBlockAlign = static_cast<WORD>(align);
            j.format.wBitsPerSample = static_cast<WORD>(bits);
            format = true;
        } else if (key == "extension") {
            unsigned valid, mask;
            if (!(fields >> valid >> mask)) return false;
            j.extension = {true, static_cast<uint16_t>(valid), mask};
        } else if (key == "untitled" || key == "saved") {
            int v;
            if (!(fields >> v)) return false;
            (key == "untitled" ? j.untitled : j.saved) = v != 0;
        } else if (key == "began") {
            if (!(fields >> j.began)) return false;
        } else if (key == "name") {
            j.name = Utf8ToWide(rest);
        } else if (key == "source") {
            size_t n;
            JournalSource s;
            if (!(fields >> n >> s.size >> s.lastWrite) || n != j.sources.size() + 1) return false;
            std::string path;
            std::getline(fields >> std::ws, path);
            s.path = Utf8ToWide(path);
            j.sources.push_back(s);
        } else if (key == "piece") {
            JournalPiece p{};
            if (!(fields >> p.source >> p.fileOffset >> p.bytes)) return false;
            if (p.source > j.sources.size()) return false;
            j.pieces.push_back(p);
        } else if (key == "take") {
            if (!(fields >> j.take.elementOffset >> j.take.fileOffset >> j.take.bytes >> j.take.began)) return false;
            j.recording = true;
        } else if (key == "mark" || key == "takemark") {
            ReadMark(fields, key == "mark" ? j.marks : j.takeMarks);
        }
        // Unknown records are skipped, so a newer journal still restores.
    }
    if (!format || !ended || !IsUsableFormat(j.format)) return false;
    if (!j.recording) j.takeMarks.clear();
    SortMarks(j.marks);
    SortMarks(j.takeMarks);
    out = std::move(j);
    return true;
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
    std::wstring target = folder + L"\\" + kJournalFile;
    std::wstring beside = folder + L"\\" + kJournalNewFile;
    {
        ScopedFile file(CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file) return false;
        if (!WriteAll(file.Get(), FormatJournal(journal)) || !FlushFileBuffers(file.Get())) return false;
    }
    return MoveFileExW(beside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool ReadJournalFile(const std::wstring& folder, WaveJournal& out) {
    ScopedFile file(CreateFileW((folder + L"\\" + kJournalFile).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    // A journal is a few lines per piece; anything huge is not one of ours.
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > (16 << 20)) return false;
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!text.empty() && (!ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr) ||
                          got != text.size()))
        return false;
    return ParseJournal(text, out);
}

void DeleteElementFolder(const std::wstring& folder, HANDLE ownerLock) {
    // The samples and the journal go while the lock is still held, so no
    // other instance can take a half-deleted folder for a leftover.
    DeleteFileW((folder + L"\\" + kJournalFile).c_str());
    DeleteFileW((folder + L"\\" + kJournalNewFile).c_str());
    DeleteFileW((folder + L"\\" + kSamplesFile).c_str());
    if (ownerLock && ownerLock != INVALID_HANDLE_VALUE) CloseHandle(ownerLock);
    DeleteFileW((folder + L"\\" + kLockFile).c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace orvo
