#include "audio/wave_stretch.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "audio/wave_marks.h"
#include "audio/wave_riff.h"
#include "audio/wave_writer.h"
#include "base/replacing_file.h"
#include "base/scoped.h"

namespace orvo {
namespace {

// Runs of the source file (offset, bytes), read one after the other as one
// stretch of sound.
using Runs = std::vector<std::pair<uint64_t, uint64_t>>;

bool ReadRuns(HANDLE file, const Runs& runs, uint64_t offset, char* data, uint32_t n) {
    uint64_t pos = 0;
    for (const auto& [at, bytes] : runs) {
        if (n == 0) break;
        if (offset < pos + bytes) {
            const uint64_t within = offset - pos;
            const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(n, bytes - within));
            if (!ReadFileRange(file, at + within, data, take)) return false;
            data += take;
            offset += take;
            n -= take;
        }
        pos += bytes;
    }
    return n == 0;
}

}  // namespace

MCIERROR SaveWaveStretch(const std::wstring& source, uint64_t from, uint64_t to, StretchSave how,
                         const std::wstring& target, const JobControl* control) {
    if (target.empty() || IsSameFile(source, target)) return MCIERR_FILE_NOT_SAVED;
    // Shared for writing too: the recorder may have the file open.
    ScopedFile in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in) return MCIERR_FILE_NOT_FOUND;
    WaveLayout layout;
    if (MCIERROR e = ParseWaveFile(in.Get(), layout)) return e;
    const uint64_t align = layout.format.nBlockAlign, frames = layout.dataBytes / align;
    to = std::min(to, frames);
    from = std::min(from, to);
    const uint64_t data = layout.dataOffset;
    Runs runs = {{data + from * align, (to - from) * align}};
    std::vector<WaveMark> marks = MarksKept(layout.marks, from, to);
    if (how == StretchSave::CutOut) {
        runs = {{data, from * align}, {data + to * align, (frames - to) * align}};
        marks = MarksCut(layout.marks, from, to);
    }
    const uint64_t bytes = runs[0].second + (runs.size() > 1 ? runs[1].second : 0);

    ReplacingFile out(target);
    if (!out.Open()) return MCIERR_FILE_NOT_SAVED;
    WavWriter writer;
    auto read = [&](uint64_t offset, void* buffer, uint32_t n) {
        return ReadRuns(in.Get(), runs, offset, static_cast<char*>(buffer), n);
    };
    MCIERROR e = WriteSound(out.Handle(), writer, layout.format, layout.extension, bytes, marks, read, control);
    out.Close();
    if (!e && control && control->Cancelled()) e = MCIERR_FILE_NOT_SAVED;
    if (!e && !out.Replace()) e = MCIERR_FILE_NOT_SAVED;
    return e;
}

}  // namespace orvo
