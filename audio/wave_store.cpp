#include "audio/wave_store.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

#include "audio/wave_riff.h"
#include "audio/wave_store_files.h"
#include "base/path.h"

namespace orvo {
namespace {

// The test seams: a disk that fills at this file size, and an element limit.
std::atomic<uint64_t> g_writeLimit{WaveStore::kNoLimit};
std::atomic<uint64_t> g_elementLimit{WaveStore::kNoLimit};
std::atomic<void (*)()> g_flushHook{nullptr};

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

// A folder name nobody else picks: the time, this process and a counter.
std::wstring NewElementFolder() {
    static LONG counter = 0;
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t name[80];
    swprintf(name, 80, L"%04u%02u%02u-%02u%02u%02u-%lu-%ld", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
             GetCurrentProcessId(), InterlockedIncrement(&counter));
    return RecoveryRoot() + L"\\" + name;
}

bool CreateFolders(const std::wstring& path) {
    if (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    if (GetLastError() != ERROR_PATH_NOT_FOUND) return false;
    std::wstring parent = FolderOf(path);
    if (parent.empty() || parent == path || !CreateFolders(parent)) return false;
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

std::vector<WaveStore::Piece> Spliced(const std::vector<WaveStore::Piece>& pieces, uint64_t at,
                                      WaveStore::Piece piece) {
    std::vector<WaveStore::Piece> out;
    out.reserve(pieces.size() + 2);
    uint64_t pos = 0;
    bool placed = false;
    for (const auto& p : pieces) {
        if (!placed && at < pos + p.bytes) {
            uint64_t head = at - pos;
            if (head) out.push_back({p.fileOffset, head, p.source});
            out.push_back(piece);
            out.push_back({p.fileOffset + head, p.bytes - head, p.source});
            placed = true;
        } else {
            out.push_back(p);
        }
        pos += p.bytes;
    }
    if (!placed) out.push_back(piece);
    // Neighbours that are neighbours in the file too become one piece, so
    // stop-and-continue recording keeps the list at one entry.
    std::vector<WaveStore::Piece> merged;
    merged.reserve(out.size());
    for (const auto& p : out) {
        if (p.bytes == 0) continue;
        if (!merged.empty() && merged.back().source == p.source &&
            merged.back().fileOffset + merged.back().bytes == p.fileOffset)
            merged.back().bytes += p.bytes;
        else
            merged.push_back(p);
    }
    return merged;
}

namespace {

uint64_t FileFingerprint(HANDLE file, uint64_t size) {
    // Sixteen blocks spread over the whole file, first and last included:
    // cheap even for hours of sound, and any rewrite of the file's sound
    // that keeps its size is all but sure to touch one of them.
    constexpr uint64_t kBlocks = 16, kBlock = 4096;
    uint64_t hash = 14695981039346656037ull;
    uint8_t buffer[kBlock];
    for (uint64_t i = 0; i < kBlocks; ++i) {
        const uint64_t at = size > kBlock ? (size - kBlock) * i / (kBlocks - 1) : 0;
        const uint32_t n = static_cast<uint32_t>(std::min(kBlock, size - at));
        if (n && !ReadFileRange(file, at, buffer, n)) return 0;
        for (uint32_t k = 0; k < n; ++k) hash = (hash ^ buffer[k]) * 1099511628211ull;
        if (size <= kBlock) break;
    }
    return hash ? hash : 1;
}

}  // namespace

void PlaceMarks(std::vector<WaveMark>& marks, std::vector<WaveMark>& takeMarks, WORD blockAlign, uint64_t at,
                uint64_t bytes, bool takeEnded) {
    const uint64_t align = std::max<WORD>(blockAlign, 1), atFrame = at / align, frames = bytes / align;
    for (WaveMark& m : marks)
        if (m.frame > atFrame) m.frame += frames;
    if (takeEnded) {
        for (WaveMark& m : takeMarks) marks.push_back({atFrame + std::min(m.frame, frames), std::move(m.name)});
        takeMarks.clear();
    }
    SortMarks(marks);
}

bool StampSource(HANDLE file, const std::wstring& path, JournalSource& s) {
    LARGE_INTEGER size{};
    FILETIME written{};
    if (!GetFileSizeEx(file, &size) || !GetFileTime(file, nullptr, nullptr, &written)) return false;
    s.path = path;
    s.size = static_cast<uint64_t>(size.QuadPart);
    s.lastWrite = FileTimeNumber(written);
    s.fingerprint = FileFingerprint(file, s.size);
    return s.fingerprint != 0;
}

bool SameSource(const JournalSource& then, const JournalSource& now) {
    if (then.size != now.size) return false;
    // The write time alone is no proof either way: FAT volumes report it
    // shifted after a change of time zone or summer time. Journals of
    // older builds have only the time to go by.
    return then.fingerprint ? then.fingerprint == now.fingerprint : then.lastWrite == now.lastWrite;
}

HANDLE OpenSamples(const std::wstring& path, DWORD disposition) {
    // Readers and writers of this process share one handle; nobody else may
    // write or delete the file while the element is open.
    return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

uint64_t LengthOf(const std::vector<WaveStore::Piece>& pieces) {
    uint64_t length = 0;
    for (const auto& p : pieces) length += p.bytes;
    return length;
}

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

WaveStore::~WaveStore() {
    // Nobody said the element may go: its files stay for the next start.
    if (IsOpen()) Release();
}

void WaveStore::ResetState() {
    samples_.Reset();
    owner_.Reset();
    sourceFiles_.clear();
    folder_.clear();
    path_.clear();
    meta_ = WaveJournal{};
    length_ = 0;
    fileEnd_ = 0;
}

bool WaveStore::Open() {
    Close();
    std::wstring folder = NewElementFolder();
    if (!CreateFolders(folder)) return false;
    ScopedFile owner(OpenOwnerLock(folder, true));
    if (!owner) {
        DWORD e = GetLastError();
        RemoveDirectoryW(folder.c_str());
        SetLastError(e);
        return false;
    }
    std::lock_guard<std::mutex> lock(lock_);
    folder_ = folder;
    path_ = folder + L"\\" + kSamplesFile;
    owner_ = std::move(owner);
    meta_ = WaveJournal{};
    meta_.format = PcmFormat(44100, 16, 2);
    // The journal comes first: a folder with samples but no journal would be
    // something no start could make sense of.
    if (!WriteJournalLocked()) {
        DWORD e = GetLastError();
        DeleteElementFolder(folder_, owner_.Detach());
        ResetState();
        SetLastError(e);
        return false;
    }
    samples_.Reset(OpenSamples(path_, CREATE_ALWAYS));
    if (!samples_) {
        DWORD e = GetLastError();
        DeleteElementFolder(folder_, owner_.Detach());
        ResetState();
        SetLastError(e);
        return false;
    }
    lastCheckpoint_ = std::chrono::steady_clock::now();
    return true;
}

void WaveStore::Close() {
    std::lock_guard<std::mutex> lock(lock_);
    if (!folder_.empty()) {
        samples_.Reset();
        sourceFiles_.clear();
        DeleteElementFolder(folder_, owner_.Detach());
    }
    ResetState();
}

void WaveStore::Release() {
    std::lock_guard<std::mutex> lock(lock_);
    if (samples_) {
        meta_.recording = false;
        FlushFileBuffers(samples_.Get());
        WriteJournalLocked();
    }
    ResetState();
}

bool WaveStore::WriteJournalLocked() {
    if (folder_.empty()) return false;
    return WriteJournalCopy(folder_, meta_, ++journalTaken_);
}

bool WaveStore::WriteJournalCopy(const std::wstring& folder, const WaveJournal& journal, uint64_t taken) {
    std::lock_guard<std::mutex> lock(journalLock_);
    if (taken < journalWritten_) return true;  // a newer one is there already
    journalWritten_ = taken;
    return WriteJournalFile(folder, journal);
}

void WaveStore::Describe(const WAVEFORMATEX& format, const WaveExtension& extension, const std::wstring& name,
                         bool untitled) {
    std::lock_guard<std::mutex> lock(lock_);
    meta_.format = format;
    meta_.format.cbSize = 0;
    meta_.extension = extension;
    meta_.name = name;
    meta_.untitled = untitled;
    WriteJournalLocked();
}

void WaveStore::SetSaved(bool saved) {
    std::lock_guard<std::mutex> lock(lock_);
    if (meta_.saved == saved) return;
    meta_.saved = saved;
    WriteJournalLocked();
}

bool WaveStore::Saved() const {
    std::lock_guard<std::mutex> lock(lock_);
    return meta_.saved;
}

uint64_t WaveStore::Length() const {
    std::lock_guard<std::mutex> lock(lock_);
    return length_;
}

uint64_t WaveStore::FileEnd() const {
    std::lock_guard<std::mutex> lock(lock_);
    return fileEnd_;
}

std::vector<WaveStore::Piece> WaveStore::Pieces() const {
    std::lock_guard<std::mutex> lock(lock_);
    return meta_.pieces;
}

void WaveStore::FailWritesBeyond(uint64_t fileBytes) { g_writeLimit = fileBytes; }
void WaveStore::LimitElementsTo(uint64_t elementBytes) { g_elementLimit = elementBytes; }
void WaveStore::BeforeCheckpointFlush(void (*hook)()) { g_flushHook = hook; }
uint64_t WaveStore::ElementLimit(uint64_t formatLimit) { return std::min(formatLimit, g_elementLimit.load()); }

bool WaveStore::WriteFileAt(uint64_t fileOffset, const void* data, uint32_t n) const {
    const char* p = static_cast<const char*>(data);
    const uint64_t limit = g_writeLimit.load();
    if (limit != kNoLimit && fileOffset + n > limit) {
        // As a full disk does: what fits is written, the rest fails.
        uint32_t fits = fileOffset < limit ? static_cast<uint32_t>(limit - fileOffset) : 0;
        if (fits) WriteFileAt(fileOffset, p, fits);
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    while (n > 0) {
        OVERLAPPED o = At(fileOffset);
        DWORD written = 0;
        if (!WriteFile(samples_.Get(), p, n, &written, &o) || written == 0) return false;
        p += written;
        n -= written;
        fileOffset += written;
    }
    return true;
}

bool WaveStore::ReadFileAt(uint64_t fileOffset, void* data, uint32_t n) const {
    return ReadFileRange(samples_.Get(), fileOffset, data, n);
}

bool WaveStore::Append(const void* data, uint32_t n) {
    uint64_t at = FileEnd();
    if (!WriteFileAt(at, data, n)) return false;
    Insert(UINT64_MAX, at, n);
    return true;
}

void WaveStore::Insert(uint64_t elementOffset, uint64_t fileOffset, uint64_t bytes) {
    std::lock_guard<std::mutex> lock(lock_);
    bool wasRecording = meta_.recording;
    meta_.recording = false;
    const uint64_t at = std::min(elementOffset, length_);
    PlaceMarks(meta_.marks, meta_.takeMarks, meta_.format.nBlockAlign, at, bytes, wasRecording);
    if (bytes > 0) {
        // What the journal is about to name must be on the disk first.
        FlushFileBuffers(samples_.Get());
        meta_.pieces = Spliced(meta_.pieces, at, {fileOffset, bytes, 0});
        length_ += bytes;
        fileEnd_ = std::max(fileEnd_, fileOffset + bytes);
        meta_.saved = false;
    }
    if (bytes > 0 || wasRecording) WriteJournalLocked();
}

void WaveStore::TakeFile(const std::wstring& path, ScopedFile file, const WaveLayout& layout) {
    std::lock_guard<std::mutex> lock(lock_);
    JournalSource source;
    StampSource(file.Get(), path, source);
    meta_.format = layout.format;
    meta_.format.cbSize = 0;
    meta_.extension = layout.extension;
    meta_.name = path;
    meta_.untitled = false;
    meta_.sources = {source};
    sourceFiles_.clear();
    sourceFiles_.push_back(std::move(file));
    meta_.pieces.clear();
    if (layout.dataBytes) meta_.pieces.push_back({layout.dataOffset, layout.dataBytes, 1});
    length_ = layout.dataBytes;
    meta_.marks = layout.marks;
    meta_.takeMarks.clear();
    meta_.saved = true;
    WriteJournalLocked();
}

void WaveStore::BeginTake(uint64_t elementOffset, uint64_t fileOffset) {
    std::lock_guard<std::mutex> lock(lock_);
    uint64_t now = NowFileTime();
    if (meta_.began == 0) meta_.began = now;
    meta_.recording = true;
    meta_.take = {std::min(elementOffset, length_), fileOffset, 0, now};
    meta_.saved = false;
    WriteJournalLocked();
    lastCheckpoint_ = std::chrono::steady_clock::now();
}

void WaveStore::TakeWritten(uint64_t bytes) {
    if (checkpointMs_ == 0) return;
    auto now = std::chrono::steady_clock::now();
    HANDLE samples;
    uint64_t began;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!meta_.recording || now - lastCheckpoint_ < std::chrono::milliseconds(checkpointMs_)) return;
        lastCheckpoint_ = now;
        samples = samples_.Get();  // stays open: the take must end before the store closes
        began = meta_.take.began;
    }
    // Samples first, then the journal that counts them; neither under the
    // store's lock, which the window reads the length through.
    if (auto hook = g_flushHook.load()) hook();
    if (!FlushFileBuffers(samples)) return;
    WaveJournal copy;
    std::wstring folder;
    uint64_t taken;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!meta_.recording || meta_.take.began != began) return;  // the take ended meanwhile
        meta_.take.bytes = std::max(meta_.take.bytes, bytes);
        copy = meta_;
        folder = folder_;
        taken = ++journalTaken_;
    }
    WriteJournalCopy(folder, copy, taken);
}

void WaveStore::AddMark(const WaveMark& mark, bool inTake) {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<WaveMark>& marks = inTake && meta_.recording ? meta_.takeMarks : meta_.marks;
    marks.push_back(mark);
    SortMarks(marks);
    meta_.saved = false;
    WriteJournalLocked();
}

void WaveStore::MarkTake(const WaveMark& mark) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!meta_.recording) return;
    meta_.takeMarks.push_back(mark);
    SortMarks(meta_.takeMarks);
    meta_.saved = false;
}

std::vector<WaveMark> WaveStore::Marks(const Pending* pending) const {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<WaveMark> marks = meta_.marks, takeMarks = meta_.takeMarks;
    if (pending)
        PlaceMarks(marks, takeMarks, meta_.format.nBlockAlign, std::min(pending->elementOffset, length_),
                   pending->bytes, true);
    return marks;
}

HANDLE WaveStore::SourceHandle(const std::vector<ScopedFile>& files, uint32_t source) {
    if (source == 0 || source > files.size()) return INVALID_HANDLE_VALUE;
    return files[source - 1].Get();
}

}  // namespace orvo
