#include "audio/wave_journal_text.h"

#include <sstream>

#include "audio/wave_riff.h"
#include "base/text.h"

namespace orvo {
namespace {

constexpr char kMagicStem[] = "OrvoRecord journal ";
constexpr int kVersion = 1;

// Text for the end of a record: a control character (a line end above
// all) would end the record early or be lost, so each is written as a blank.
std::string OneLine(std::wstring_view text) {
    std::wstring line(text);
    for (wchar_t& c : line)
        if (c < L' ') c = L' ';
    return WideToUtf8(line);
}

std::string Utf8Line(std::string_view key, std::wstring_view text) {
    return std::string(key) + " " + OneLine(text) + "\n";
}

// A mark's record: its frame and its name on one line, whatever the name
// holds.
std::string MarkLine(std::string_view key, const WaveMark& m) {
    return std::string(key) + " " + std::to_string(m.frame) + " " + OneLine(m.name) + "\n";
}

// A mark's record read back; a record that says no frame is passed over.
// Only the one blank after the frame separates: a name may begin with
// blanks of its own (or with control characters, written as blanks).
void ReadMark(std::istringstream& fields, std::vector<WaveMark>& into) {
    WaveMark m;
    if (!(fields >> m.frame)) return;
    if (fields.peek() == ' ') fields.get();
    std::string name;
    std::getline(fields, name);
    m.name = Utf8ToWide(name);
    into.push_back(std::move(m));
}

}  // namespace

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
        out << "source " << (i + 1) << " " << s.size << " " << s.lastWrite << " " << OneLine(s.path) << "\n";
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
        out << "replace " << r.size << " " << r.lastWrite << " " << r.fingerprint << " " << OneLine(r.path) << "\n";
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
            if (fields.peek() == ' ') fields.get();  // the blank before it; the rest is the path
            std::getline(fields, path);
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
            if (!(fields >> r.size >> r.lastWrite >> r.fingerprint)) return JournalState::Damaged;
            std::string path;
            if (fields.peek() == ' ') fields.get();  // the blank before it; the rest is the path
            std::getline(fields, path);
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

}  // namespace orvo
