// Builds WAV files byte by byte, well-formed or deliberately broken, in a
// scratch folder that is removed when the test ends.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvo::test {

using Bytes = std::vector<uint8_t>;

inline void PutU16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(Bytes& b, uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}
inline void PutId(Bytes& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(id[i]));
}

// A chunk: id, declared size (the real size unless given), body, and the pad
// byte RIFF asks for after an odd body.
inline Bytes Chunk(const char* id, const Bytes& body, int64_t declared = -1, bool pad = true) {
    Bytes b;
    PutId(b, id);
    PutU32(b, static_cast<uint32_t>(declared < 0 ? body.size() : declared));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) b.push_back(0);
    return b;
}

struct Format {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 8000;
    uint16_t bits = 16;
    int blockAlign = -1;   // channels * bits / 8 unless given
    int avgBytes = -1;     // rate * blockAlign unless given
    int size = 16;         // bytes of the format chunk body (16, 18, 14, ...)
    uint16_t cbSize = 0;   // written when size >= 18
};

inline Bytes FmtBody(const Format& f) {
    uint16_t align = static_cast<uint16_t>(f.blockAlign >= 0 ? f.blockAlign : f.channels * f.bits / 8);
    Bytes b;
    PutU16(b, f.tag);
    PutU16(b, f.channels);
    PutU32(b, f.rate);
    PutU32(b, static_cast<uint32_t>(f.avgBytes >= 0 ? f.avgBytes : f.rate * align));
    PutU16(b, align);
    PutU16(b, f.bits);
    PutU16(b, f.cbSize);
    b.resize(static_cast<size_t>(f.size), 0);
    return b;
}

inline Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE") {
    Bytes body;
    PutId(body, form);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

// The usual file: a format chunk, then the data.
inline Bytes Wave(const Format& f, const Bytes& data) { return Riff({Chunk("fmt ", FmtBody(f)), Chunk("data", data)}); }

// 16-bit samples, interleaved.
inline Bytes Samples16(const std::vector<int16_t>& values) {
    Bytes b;
    for (int16_t v : values) PutU16(b, static_cast<uint16_t>(v));
    return b;
}

class ScratchDir {
public:
    ScratchDir() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"orvo-wave-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(counter_++);
        CreateDirectoryW(dir_.c_str(), nullptr);
    }
    ~ScratchDir() {
        for (const std::wstring& f : files_) DeleteFileW(f.c_str());
        RemoveDirectoryW(dir_.c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::wstring Write(const std::wstring& name, const Bytes& bytes) {
        std::wstring path = dir_ + L"\\" + name;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (h != INVALID_HANDLE_VALUE) {
            WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            CloseHandle(h);
        }
        files_.push_back(path);
        return path;
    }
    std::wstring Path(const std::wstring& name) const { return dir_ + L"\\" + name; }

private:
    static inline int counter_ = 0;
    std::wstring dir_;
    std::vector<std::wstring> files_;
};

}  // namespace orvo::test
