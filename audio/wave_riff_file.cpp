// The RIFF layout read from files: wave_riff.cpp itself never touches one,
// so its parser can be run on any bytes at all (tests/fuzz).
#include "audio/wave_riff.h"

#include "base/scoped.h"

namespace orvo {

bool ReadFileRange(HANDLE file, uint64_t offset, void* data, uint32_t n) {
    char* p = static_cast<char*>(data);
    while (n > 0) {
        OVERLAPPED o{};
        o.Offset = static_cast<DWORD>(offset);
        o.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        if (!ReadFile(file, p, n, &got, &o) || got == 0) return false;
        p += got;
        n -= got;
        offset += got;
    }
    return true;
}

MCIERROR ParseWaveFile(HANDLE file, WaveLayout& out) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        out.problem = WaveFileProblem::CannotRead;
        return MCIERR_FILE_READ;
    }
    auto read = [file](uint64_t offset, void* buffer, uint32_t n) { return ReadFileRange(file, offset, buffer, n); };
    return ParseWaveLayout(static_cast<uint64_t>(size.QuadPart), read, out);
}

WaveFileProblem InspectWaveFile(const std::wstring& path, WaveLayout& out) {
    // Shared for writing too: the file may be the one the open element reads.
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        out.problem = WaveFileProblem::CannotRead;
        return out.problem;
    }
    ParseWaveFile(file.Get(), out);
    return out.problem;
}

}  // namespace orvo
