#include "audio/wave_marks.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "base/text.h"

namespace orvo {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutId(std::vector<uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}
uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

// A name as labl text: UTF-8 when it is valid UTF-8, else the ANSI code
// page older programs wrote.
std::wstring LabelText(const uint8_t* p, size_t n) {
    std::string text(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), n));
    std::wstring wide = Utf8ToWide(text);
    if (WideToUtf8(wide) != text) wide = AnsiToWide(text);
    return wide;
}

}  // namespace

std::vector<uint8_t> BuildCueChunks(const std::vector<WaveMark>& marks) {
    std::vector<const WaveMark*> kept;
    for (const WaveMark& m : marks)
        if (m.frame <= UINT32_MAX) kept.push_back(&m);
    std::vector<uint8_t> out;
    if (kept.empty()) return out;
    PutId(out, "cue ");
    Put32(out, static_cast<uint32_t>(4 + 24 * kept.size()));
    Put32(out, static_cast<uint32_t>(kept.size()));
    for (size_t i = 0; i < kept.size(); ++i) {
        const auto frame = static_cast<uint32_t>(kept[i]->frame);
        Put32(out, static_cast<uint32_t>(i + 1));  // identifier
        Put32(out, frame);                          // position in play order
        PutId(out, "data");
        Put32(out, 0);  // chunk start
        Put32(out, 0);  // block start
        Put32(out, frame);  // sample offset in the data chunk
    }
    std::vector<uint8_t> list;
    PutId(list, "adtl");
    for (size_t i = 0; i < kept.size(); ++i) {
        std::string text = WideToUtf8(kept[i]->name);
        const uint32_t size = static_cast<uint32_t>(4 + text.size() + 1);
        PutId(list, "labl");
        Put32(list, size);
        Put32(list, static_cast<uint32_t>(i + 1));
        list.insert(list.end(), text.begin(), text.end());
        list.push_back(0);
        if (size & 1) list.push_back(0);
    }
    PutId(out, "LIST");
    Put32(out, static_cast<uint32_t>(list.size()));
    out.insert(out.end(), list.begin(), list.end());
    return out;
}

std::vector<WaveMark> ReadCueChunks(const std::vector<uint8_t>& cue, const std::vector<uint8_t>& adtl,
                                    uint64_t frames) {
    std::map<uint32_t, std::wstring> labels;
    for (size_t pos = 0; pos + 8 <= adtl.size();) {
        const uint32_t size = Le32(&adtl[pos + 4]);
        const size_t body = pos + 8, n = std::min<size_t>(size, adtl.size() - body);
        if (std::memcmp(&adtl[pos], "labl", 4) == 0 && n >= 4)
            labels[Le32(&adtl[body])] = LabelText(&adtl[body + 4], n - 4);
        pos = body + n + (size & 1);
    }
    std::vector<WaveMark> marks;
    const size_t count = cue.size() >= 4 ? std::min<size_t>(Le32(cue.data()), (cue.size() - 4) / 24) : 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &cue[4 + 24 * i];
        const uint32_t id = Le32(p), frame = Le32(p + 20);
        if (frame >= frames) continue;
        auto label = labels.find(id);
        marks.push_back({frame, label != labels.end() ? label->second : std::to_wstring(id)});
    }
    SortMarks(marks);
    return marks;
}

void SortMarks(std::vector<WaveMark>& marks) {
    std::stable_sort(marks.begin(), marks.end(), [](const WaveMark& a, const WaveMark& b) { return a.frame < b.frame; });
}

std::vector<WaveMark> MarksKept(const std::vector<WaveMark>& marks, uint64_t from, uint64_t to) {
    std::vector<WaveMark> out;
    for (const WaveMark& m : marks)
        if (m.frame >= from && m.frame < to) out.push_back({m.frame - from, m.name});
    return out;
}

std::vector<WaveMark> MarksCut(const std::vector<WaveMark>& marks, uint64_t from, uint64_t to) {
    std::vector<WaveMark> out;
    for (const WaveMark& m : marks) {
        if (m.frame < from) out.push_back(m);
        else if (m.frame >= to) out.push_back({m.frame - (to - from), m.name});
    }
    return out;
}

}  // namespace orvo
