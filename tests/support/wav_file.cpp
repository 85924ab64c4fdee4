#include "tests/support/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvo::test {
namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool ReadAll(const std::wstring& path, std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart < 0x7FFFFFFF;
    if (ok) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = bytes.empty() || (ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                               got == bytes.size());
    }
    CloseHandle(h);
    return ok;
}

}  // namespace

double WavContents::Seconds() const {
    return format.nSamplesPerSec ? static_cast<double>(Frames()) / format.nSamplesPerSec : 0.0;
}

WAVEFORMATEX MakePcmFormat(DWORD samplesPerSec, WORD bitsPerSample, WORD channels) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = samplesPerSec;
    f.wBitsPerSample = bitsPerSample;
    f.nBlockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
    f.nAvgBytesPerSec = samplesPerSec * f.nBlockAlign;
    return f;
}

WAVEFORMATEX MakeFloatFormat(DWORD samplesPerSec, WORD bitsPerSample, WORD channels) {
    WAVEFORMATEX f = MakePcmFormat(samplesPerSec, bitsPerSample, channels);
    f.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return f;
}

std::vector<uint8_t> SineBytes(const WAVEFORMATEX& f, double frequency, double seconds, double amplitude) {
    size_t frames = static_cast<size_t>(std::llround(seconds * f.nSamplesPerSec));
    std::vector<uint8_t> out;
    out.reserve(frames * f.nBlockAlign);
    const double pi = 3.14159265358979323846;
    for (size_t i = 0; i < frames; ++i) {
        double v = amplitude * std::sin(2 * pi * frequency * static_cast<double>(i) / f.nSamplesPerSec);
        for (WORD c = 0; c < f.nChannels; ++c) {
            if (f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && f.wBitsPerSample == 32) {
                float x = static_cast<float>(v);
                uint8_t b[4];
                std::memcpy(b, &x, 4);
                out.insert(out.end(), b, b + 4);
            } else if (f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
                uint8_t b[8];
                std::memcpy(b, &v, 8);
                out.insert(out.end(), b, b + 8);
            } else if (f.wBitsPerSample == 8) {
                out.push_back(static_cast<uint8_t>(std::lround(128 + 127 * v)));
            } else if (f.wBitsPerSample == 16) {
                Put16(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(32767 * v))));
            } else {
                // 24 or 32 bits: the top bytes of a 32-bit sample.
                auto x = static_cast<uint32_t>(static_cast<int32_t>(std::llround(2147483647.0 * v)));
                for (int i = 4 - f.wBitsPerSample / 8; i < 4; ++i) out.push_back(static_cast<uint8_t>(x >> (8 * i)));
            }
        }
    }
    return out;
}

std::vector<uint8_t> SilenceBytes(const WAVEFORMATEX& f, double seconds) {
    size_t frames = static_cast<size_t>(std::llround(seconds * f.nSamplesPerSec));
    return std::vector<uint8_t>(frames * f.nBlockAlign, f.wBitsPerSample == 8 ? 128 : 0);
}

bool WriteRawFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = bytes.empty() ||
              (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size());
    CloseHandle(h);
    return ok;
}

bool WriteWavFile(const std::wstring& path, const WAVEFORMATEX& f, const std::vector<uint8_t>& data,
                  uint32_t channelMask) {
    const uint32_t fmtSize = channelMask ? 40 : f.wFormatTag == WAVE_FORMAT_PCM ? 16 : 18;
    std::vector<uint8_t> file;
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    Put32(file, static_cast<uint32_t>(4 + 8 + fmtSize + 8 + data.size() + (data.size() & 1)));
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(file, fmtSize);
    Put16(file, channelMask ? 0xFFFE : f.wFormatTag);
    Put16(file, f.nChannels);
    Put32(file, f.nSamplesPerSec);
    Put32(file, f.nSamplesPerSec * f.nBlockAlign);
    Put16(file, f.nBlockAlign);
    Put16(file, f.wBitsPerSample);
    if (fmtSize > 16) Put16(file, static_cast<uint16_t>(fmtSize - 18));
    if (channelMask) {
        Put16(file, f.wBitsPerSample);
        Put32(file, channelMask);
        // {0000xxxx-0000-0010-8000-00AA00389B71}, xxxx the plain format tag.
        Put32(file, f.wFormatTag);
        file.insert(file.end(), {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    }
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    Put32(file, static_cast<uint32_t>(data.size()));
    file.insert(file.end(), data.begin(), data.end());
    if (data.size() & 1) file.push_back(0);
    return WriteRawFile(path, file);
}

bool ReadWavFile(const std::wstring& path, WavContents& out) {
    std::vector<uint8_t> b;
    if (!ReadAll(path, b) || b.size() < 12) return false;
    if (std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) return false;
    if (Get32(b.data() + 4) + 8ull > b.size()) return false;
    bool haveFormat = false;
    for (size_t pos = 12; pos + 8 <= b.size();) {
        uint32_t size = Get32(b.data() + pos + 4);
        size_t body = pos + 8;
        if (size > b.size() - body) return false;
        if (std::memcmp(b.data() + pos, "fmt ", 4) == 0 && size >= 16) {
            const uint8_t* p = b.data() + body;
            out.format = {};
            out.format.wFormatTag = Get16(p);
            out.format.nChannels = Get16(p + 2);
            out.format.nSamplesPerSec = Get32(p + 4);
            out.format.nAvgBytesPerSec = Get32(p + 8);
            out.format.nBlockAlign = Get16(p + 12);
            out.format.wBitsPerSample = Get16(p + 14);
            haveFormat = out.format.wFormatTag == WAVE_FORMAT_PCM || out.format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
            if (out.format.wFormatTag == 0xFFFE && size >= 40) {
                out.channelMask = Get32(p + 20);
                out.subFormatTag = Get16(p + 24);
                haveFormat = true;
            }
        } else if (std::memcmp(b.data() + pos, "data", 4) == 0) {
            out.data.assign(b.begin() + body, b.begin() + body + size);
            return haveFormat;
        }
        pos = body + size + (size & 1);
    }
    return false;
}

std::vector<double> ChannelSamples(const WavContents& wav, int channel) {
    std::vector<double> out;
    const WAVEFORMATEX& f = wav.format;
    if (f.nBlockAlign == 0 || channel >= f.nChannels) return out;
    size_t bytesPerSample = f.wBitsPerSample / 8;
    for (size_t i = 0; i + f.nBlockAlign <= wav.data.size(); i += f.nBlockAlign) {
        const uint8_t* p = wav.data.data() + i + channel * bytesPerSample;
        bool isFloat = f.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ||
                       (f.wFormatTag == 0xFFFE && wav.subFormatTag == WAVE_FORMAT_IEEE_FLOAT);
        if (isFloat && f.wBitsPerSample == 32) {
            float x;
            std::memcpy(&x, p, 4);
            out.push_back(x);
        } else if (isFloat) {
            double x;
            std::memcpy(&x, p, 8);
            out.push_back(x);
        } else if (f.wBitsPerSample == 8) {
            out.push_back((p[0] - 128) / 128.0);
        } else {
            // The top two bytes of the sample.
            out.push_back(static_cast<int16_t>(Get16(p + bytesPerSample - 2)) / 32768.0);
        }
    }
    return out;
}

double MeasureFrequency(const std::vector<double>& samples, DWORD samplesPerSec) {
    double peak = 0;
    for (double s : samples) peak = std::max(peak, std::fabs(s));
    if (peak <= 0 || samplesPerSec == 0) return 0;
    double threshold = 0.1 * peak;
    bool low = false;
    size_t first = 0, last = 0, crossings = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] < -threshold) {
            low = true;
        } else if (low && samples[i] > threshold) {
            low = false;
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return static_cast<double>(crossings - 1) * samplesPerSec / static_cast<double>(last - first);
}

double Rms(const std::vector<double>& samples) {
    if (samples.empty()) return 0;
    double sum = 0;
    for (double s : samples) sum += s * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

TempFile::TempFile(const wchar_t* extension) {
    wchar_t dir[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, dir);
    static LONG counter = 0;
    path_ = std::wstring(dir) + L"orvotest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&counter)) + extension;
    DeleteFileW(path_.c_str());
}

TempFile::~TempFile() { DeleteFileW(path_.c_str()); }

}  // namespace orvo::test
