// The store's saving: which opened file a path is, a copy of the element
// through a writer into a temporary file beside the target, the replace, and
// the sources pointed at the new file.
#include "audio/wave_store.h"

#include <algorithm>

#include "audio/wave_riff.h"
#include "audio/wave_store_files.h"
#include "audio/wave_writer.h"
#include "base/replacing_file.h"

namespace orvo {

uint32_t WaveStore::SourceOf(const std::wstring& path) const {
    // The same file, however the path is spelled: same volume, same index.
    ScopedFile probe(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION target{};
    bool haveTarget = probe && GetFileInformationByHandle(probe.Get(), &target);
    wchar_t full[MAX_PATH * 4];
    std::wstring targetPath = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr) ? full : path;
    std::lock_guard<std::mutex> lock(lock_);
    for (size_t i = 0; i < meta_.sources.size(); ++i) {
        if (haveTarget && sourceFiles_[i]) {
            BY_HANDLE_FILE_INFORMATION info{};
            if (GetFileInformationByHandle(sourceFiles_[i].Get(), &info) &&
                info.dwVolumeSerialNumber == target.dwVolumeSerialNumber &&
                info.nFileIndexHigh == target.nFileIndexHigh && info.nFileIndexLow == target.nFileIndexLow &&
                (info.nFileIndexHigh || info.nFileIndexLow))
                return static_cast<uint32_t>(i + 1);
        }
        std::wstring sourcePath = GetFullPathNameW(meta_.sources[i].path.c_str(), MAX_PATH * 4, full, nullptr)
                                      ? full
                                      : meta_.sources[i].path;
        if (CompareStringOrdinal(sourcePath.c_str(), -1, targetPath.c_str(), -1, TRUE) == CSTR_EQUAL)
            return static_cast<uint32_t>(i + 1);
    }
    return 0;
}

void WaveStore::ReleaseSource(uint32_t source) {
    std::lock_guard<std::mutex> lock(lock_);
    if (source >= 1 && source <= sourceFiles_.size()) sourceFiles_[source - 1].Reset();
}

bool WaveStore::ReopenSource(uint32_t source) {
    std::lock_guard<std::mutex> lock(lock_);
    if (source < 1 || source > sourceFiles_.size()) return false;
    sourceFiles_[source - 1].Reset(OpenForReading(meta_.sources[source - 1].path));
    return sourceFiles_[source - 1].Valid();
}

bool WaveStore::ReplaceSources(const std::wstring& path, ScopedFile file,
                               const std::vector<std::pair<uint64_t, uint64_t>>& pieces) {
    std::lock_guard<std::mutex> lock(lock_);
    JournalSource s;
    if (!StampSource(file.Get(), path, s)) return false;
    sourceFiles_.clear();
    sourceFiles_.push_back(std::move(file));
    meta_.sources = {s};
    meta_.pieces.clear();
    length_ = 0;
    for (const auto& [offset, bytes] : pieces) {
        meta_.pieces = Spliced(meta_.pieces, length_, {offset, bytes, 1});
        length_ += bytes;
    }
    WriteJournalLocked();
    return true;
}

bool WaveStore::ReadElement(uint64_t offset, void* data, uint32_t n, const Pending* pending) const {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<Piece> spliced;
    const std::vector<Piece>* view = &meta_.pieces;
    uint64_t total = length_;
    if (pending && pending->bytes) {
        spliced = Spliced(meta_.pieces, std::min(pending->elementOffset, length_),
                          {pending->fileOffset, pending->bytes, 0});
        view = &spliced;
        total += pending->bytes;
    }
    if (offset > total || n > total - offset) return false;
    char* out = static_cast<char*>(data);
    uint64_t pos = 0;
    for (const auto& p : *view) {
        if (n == 0) break;
        if (offset < pos + p.bytes) {
            uint64_t within = offset - pos;
            uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(n, p.bytes - within));
            HANDLE file = p.source == 0 ? samples_.Get() : SourceHandle(sourceFiles_, p.source);
            if (file == INVALID_HANDLE_VALUE || !ReadFileRange(file, p.fileOffset + within, out, take)) return false;
            out += take;
            offset += take;
            n -= take;
        }
        pos += p.bytes;
    }
    return n == 0;
}

MCIERROR WaveStore::CopyInto(HANDLE out, SampleWriter& writer, const Pending* pending, uint64_t from, uint64_t to,
                             const JobControl* control) const {
    const uint64_t align = std::max<WORD>(Format().nBlockAlign, 1);
    auto read = [&](uint64_t offset, void* data, uint32_t n) { return ReadElement(from + offset, data, n, pending); };
    std::vector<WaveMark> marks = Marks(pending);
    if (from > 0 || to < Length() + (pending ? pending->bytes : 0)) marks = MarksKept(marks, from / align, to / align);
    return WriteSound(out, writer, Format(), Extension(), to - from, marks, read, control);
}

MCIERROR WaveStore::WriteTemporary(ReplacingFile& out, SampleWriter& writer, const Pending* pending, uint64_t from,
                                   uint64_t to, const JobControl* control) const {
    MCIERROR e = out.Open() ? CopyInto(out.Handle(), writer, pending, from, to, control) : MCIERR_FILE_NOT_SAVED;
    // What the system refused, for the caller to tell (a full disk, a file
    // held by another program) after the clean-up.
    DWORD why = GetLastError();
    out.Close();
    if (!e && control && control->Cancelled()) e = MCIERR_FILE_NOT_SAVED;
    SetLastError(why);
    return e;
}

MCIERROR WaveStore::SaveAs(const std::wstring& path, SampleWriter& writer, const Pending* pending,
                           const JobControl* control) {
    if (!IsOpen()) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (path.empty()) return MCIERR_FILE_NOT_SAVED;
    const uint64_t length = Length();
    ReplacingFile out(path);
    MCIERROR e = WriteTemporary(out, writer, pending, 0, length + (pending ? pending->bytes : 0), control);
    DWORD why = GetLastError();
    uint64_t data = 0;
    const bool readable = writer.HoldsSamplesAt(data);
    const uint32_t source = e ? 0 : SourceOf(path);
    // Replacing a file the element reads with one it cannot read would lose
    // the sound.
    if (source && !readable) e = MCIERR_FILE_NOT_SAVED;
    if (!e) ReleaseSource(source);
    if (!e && !out.Replace()) {
        why = GetLastError();
        e = MCIERR_FILE_NOT_SAVED;
        ReopenSource(source);
    }
    if (e) {
        out.Discard();
        SetLastError(why);
        return e;
    }
    if (source) {
        ScopedFile saved(OpenForReading(path));
        // A take still running is spliced in at its place when it ends, so
        // the part of it already in the file is left out of the pieces.
        const uint64_t at = pending ? pending->elementOffset : 0, taken = pending ? pending->bytes : 0;
        std::vector<std::pair<uint64_t, uint64_t>> pieces = {{data, at}, {data + at + taken, length - at}};
        if (!taken) pieces = {{data, length}};
        if (!saved || !ReplaceSources(path, std::move(saved), pieces)) return MCIERR_FILE_READ;
    }
    if (!pending && readable) SetSaved(true);
    return 0;
}

MCIERROR WaveStore::SaveRange(const std::wstring& path, SampleWriter& writer, const Pending* pending, uint64_t from,
                              uint64_t to, const JobControl* control) {
    if (!IsOpen()) return MCIERR_NONAPPLICABLE_FUNCTION;
    if (path.empty()) return MCIERR_FILE_NOT_SAVED;
    const uint64_t align = std::max<WORD>(Format().nBlockAlign, 1);
    if (from > to || to > Length() + (pending ? pending->bytes : 0) || from % align || to % align)
        return MCIERR_OUTOFRANGE;
    // Replacing a file the element reads with a part of it would lose the
    // rest of the sound.
    if (SourceOf(path)) return MCIERR_FILE_NOT_SAVED;
    ReplacingFile out(path);
    MCIERROR e = WriteTemporary(out, writer, pending, from, to, control);
    if (!e && !out.Replace()) e = MCIERR_FILE_NOT_SAVED;
    if (e) {
        DWORD why = GetLastError();
        out.Discard();
        SetLastError(why);
    }
    return e;
}

}  // namespace orvo
