#include "audio/wave_journal.h"

#include <cstdlib>
#include <mutex>
#include <sstream>

#include "audio/wave_riff.h"
#include "base/scoped.h"
#include "base/text.h"

namespace orvo {
namespace {

constexpr char kMagicStem[] = "OrvoRecord journal ";
constexpr int kVersion = 1;

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
    out << kMagicStem << kVersion << "\n";
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
        if (s.fingerprint) out << "check " << (i + 1) << " " << s.fingerprint << "\n";
    }
    for (const JournalPiece& p : j.pieces) out << "piece " << p.source << " " << p.fileOffset << " " << p.bytes << "\n";
    if (j.recording)
        out << "take " << j.take.elementOffset << " " << j.take.fileOffset << " " << j.take.bytes << " "
            << j.take.began << "\n";
    for (const WaveMark& m : j.marks) out << MarkLine("mark", m);
    if (j.recording)
        for (const WaveMark& m : j.takeMarks) out << MarkLine("takemark", m);
    if (j.replacement.Pending()) {
        const JournalSource& r = j.replacement.file;
        out << "replace " << r.size << " " << r.lastWrite << " " << r.fingerprint << " " << WideToUtf8(r.path) << "\n";
        for (const JournalPiece& p : j.replacement.pieces) out << "replacepiece " << p.fileOffset << " " << p.bytes << "\n";
    }
    out << "end\n";
    return out.str();
}

namespace {

// The journal's version from its first line; 0 when it is not one of ours.
int JournalVersion(const std::string& line) {
    const size_t stem = sizeof kMagicStem - 1;
    if (line.compare(0, stem, kMagicStem) != 0 || line.size() == stem || line.size() > stem + 9) return 0;
    int version = 0;
    for (size_t i = stem; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        version = version * 10 + (line[i] - '0');
    }
    return version;
}

// A line without its end, whether the file came with LF or CRLF ends (an
// editor or a copy through another system may have changed them).
bool NextLine(std::istringstream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool ParseFormat(std::istringstream& fields, WAVEFORMATEX& f) {
    unsigned tag, channels, rate, avg, align, bits;
    if (!(fields >> tag >> channels >> rate >> avg >> align >> bits)) return false;
    if (tag > 0xFFFF || channels > 0xFFFF || align > 0xFFFF || bits > 0xFFFF) return false;
    f = WAVEFORMATEX{};
    f.wFormatTag = static_cast<WORD>(tag);
    f.nChannels = static_cast<WORD>(channels);
    f.nSamplesPerSec = rate;
    f.nAvgBytesPerSec = avg;
    f.nBlockAlign = static_cast<WORD>(align);
    f.wBitsPerSample = static_cast<WORD>(bits);
    return true;
}

}  // namespace

bool SalvageFormat(std::string_view text, WAVEFORMATEX& format) {
    std::istringstream in{std::string(text)};
    std::string line;
    if (!NextLine(in, line) || JournalVersion(line) != kVersion) return false;
    while (NextLine(in, line)) {
        if (line.compare(0, 7, "format ") != 0) continue;
        std::istringstream fields(line.substr(7));
        WAVEFORMATEX f;
        if (!ParseFormat(fields, f) || !IsUsableFormat(f)) return false;
        format = f;
        return true;
    }
    return false;
}

JournalState ParseJournal(std::string_view text, WaveJournal& out) {
    WaveJournal j;
    std::istringstream in{std::string(text)};
    std::string line;
    if (!NextLine(in, line)) return JournalState::Damaged;
    const int version = JournalVersion(line);
    if (version > kVersion) return JournalState::Newer;
    if (version != kVersion) return JournalState::Damaged;
    bool format = false, ended = false;
    while (NextLine(in, line)) {
        size_t space = line.find(' ');
        std::string key = line.substr(0, space);
        std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
        std::istringstream fields(rest);
        if (key == "end") {
            ended = true;
            break;
        } else if (key == "format") {
            if (!ParseFormat(fields, j.format)) return JournalState::Damaged;
            format = true;
        } else if (key == "extension") {
            unsigned valid, mask;
            if (!(fields >> valid >> mask)) return JournalState::Damaged;
            j.extension = {true, static_cast<uint16_t>(valid), mask};
        } else if (key == "untitled" || key == "saved") {
            int v;
            if (!(fields >> v)) return JournalState::Damaged;
            (key == "untitled" ? j.untitled : j.saved) = v != 0;
        } else if (key == "began") {
            if (!(fields >> j.began)) return JournalState::Damaged;
        } else if (key == "name") {
            j.name = Utf8ToWide(rest);
        } else if (key == "source") {
            size_t n;
            JournalSource s;
            if (!(fields >> n >> s.size >> s.lastWrite) || n != j.sources.size() + 1) return JournalState::Damaged;
            std::string path;
            std::getline(fields >> std::ws, path);
            s.path = Utf8ToWide(path);
            j.sources.push_back(s);
        } else if (key == "check") {
            size_t n;
            uint64_t fingerprint;
            if (!(fields >> n >> fingerprint) || n == 0 || n > j.sources.size()) return JournalState::Damaged;
            j.sources[n - 1].fingerprint = fingerprint;
        } else if (key == "piece") {
            JournalPiece p{};
            if (!(fields >> p.source >> p.fileOffset >> p.bytes)) return JournalState::Damaged;
            if (p.source > j.sources.size()) return JournalState::Damaged;
            j.pieces.push_back(p);
        } else if (key == "take") {
            if (!(fields >> j.take.elementOffset >> j.take.fileOffset >> j.take.bytes >> j.take.began)) return JournalState::Damaged;
            j.recording = true;
        } else if (key == "replace") {
            JournalSource& r = j.replacement.file;
            std::string path;
            if (!(fields >> r.size >> r.lastWrite >> r.fingerprint) || !std::getline(fields >> std::ws, path))
                return JournalState::Damaged;
            r.path = Utf8ToWide(path);
        } else if (key == "replacepiece") {
            JournalPiece p{0, 0, 1};
            if (!j.replacement.Pending() || !(fields >> p.fileOffset >> p.bytes)) return JournalState::Damaged;
            j.replacement.pieces.push_back(p);
        } else if (key == "mark" || key == "takemark") {
            ReadMark(fields, key == "mark" ? j.marks : j.takeMarks);
        }
        // Unknown records are skipped, so a newer journal still restores.
    }
    if (!format || !ended || !IsUsableFormat(j.format)) return JournalState::Damaged;
    if (!j.recording) j.takeMarks.clear();
    SortMarks(j.marks);
    SortMarks(j.takeMarks);
    out = std::move(j);
    return JournalState::Read;
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
        ScopedFile file(CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file) return false;
        if (!WriteAll(file.Get(), FormatJournal(journal)) || !FlushFileBuffers(file.Get())) return false;
    }
    // The current journal becomes the previous one, so a current one that
    // the disk later damages still leaves one to restore from. Between the
    // two moves the new journal, complete and flushed, is the one to read.
    const std::wstring previous = folder + L"\\" + kJournalOldFile;
    if (!MoveFileExW(target.c_str(), previous.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) &&
        GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    return MoveFileExW(beside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
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
