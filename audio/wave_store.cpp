#include "audio/wave_store.h"

#include <algorithm>

namespace orvo {
namespace {

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

// pieces with the given piece inserted at element offset `at`.
std::vector<WaveStore::Piece> Spliced(const std::vector<WaveStore::Piece>& pieces, uint64_t at,
                                      WaveStore::Piece piece) {
    std::vector<WaveStore::Piece> out;
    out.reserve(pieces.size() + 2);
    uint64_t pos = 0;
    bool placed = false;
    for (const auto& p : pieces) {
        if (!placed && at < pos + p.bytes) {
            uint64_t head = at - pos;
            if (head) out.push_back({p.fileOffset, head});
            out.push_back(piece);
            out.push_back({p.fileOffset + head, p.bytes - head});
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
        if (!merged.empty() && merged.back().fileOffset + merged.back().bytes == p.fileOffset)
            merged.back().bytes += p.bytes;
        else
            merged.push_back(p);
    }
    return merged;
}

}  // namespace

bool WaveStore::Open() {
    Close();
    wchar_t dir[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, dir);
    if (n == 0 || n > MAX_PATH) return false;
    wchar_t name[MAX_PATH + 1];
    if (!GetTempFileNameW(dir, L"orv", 0, name)) return false;
    file_.Reset(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file_) {
        DWORD e = GetLastError();
        DeleteFileW(name);
        SetLastError(e);
        return false;
    }
    path_ = name;
    return true;
}

void WaveStore::Close() {
    file_.Reset();
    path_.clear();
    pieces_.clear();
    length_ = 0;
    fileEnd_ = 0;
}

bool WaveStore::WriteFileAt(uint64_t fileOffset, const void* data, uint32_t n) const {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        OVERLAPPED o = At(fileOffset);
        DWORD written = 0;
        if (!WriteFile(file_.Get(), p, n, &written, &o) || written == 0) return false;
        p += written;
        n -= written;
        fileOffset += written;
    }
    return true;
}

bool WaveStore::ReadFileAt(uint64_t fileOffset, void* data, uint32_t n) const {
    char* p = static_cast<char*>(data);
    while (n > 0) {
        OVERLAPPED o = At(fileOffset);
        DWORD got = 0;
        if (!ReadFile(file_.Get(), p, n, &got, &o) || got == 0) return false;
        p += got;
        n -= got;
        fileOffset += got;
    }
    return true;
}

bool WaveStore::Append(const void* data, uint32_t n) {
    if (!WriteFileAt(fileEnd_, data, n)) return false;
    Insert(length_, fileEnd_, n);
    return true;
}

void WaveStore::Insert(uint64_t elementOffset, uint64_t fileOffset, uint64_t bytes) {
    if (bytes == 0) return;
    pieces_ = Spliced(pieces_, std::min(elementOffset, length_), {fileOffset, bytes});
    length_ += bytes;
    fileEnd_ = std::max(fileEnd_, fileOffset + bytes);
}

bool WaveStore::ReadElement(uint64_t offset, void* data, uint32_t n, const Pending* pending) const {
    std::vector<Piece> spliced;
    const std::vector<Piece>* view = &pieces_;
    uint64_t total = length_;
    if (pending && pending->bytes) {
        spliced = Spliced(pieces_, std::min(pending->elementOffset, length_), {pending->fileOffset, pending->bytes});
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
            if (!ReadFileAt(p.fileOffset + within, out, take)) return false;
            out += take;
            offset += take;
            n -= take;
        }
        pos += p.bytes;
    }
    return n == 0;
}

}  // namespace orvo
