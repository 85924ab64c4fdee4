// Marks: named places in the sound, kept as frames of the element. In a WAV
// file they are a "cue " chunk (one point per mark, its sample offset in the
// data chunk) and a LIST chunk of form "adtl" with one "labl" per point
// giving its name (UTF-8, zero-terminated).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace orvo {

struct WaveMark {
    uint64_t frame = 0;
    std::wstring name;
    bool operator==(const WaveMark& o) const { return frame == o.frame && name == o.name; }
};

// The "cue " and "LIST"/"adtl" chunks, headers and pad bytes included;
// empty without marks. Marks beyond what a cue point can say (2^32 frames)
// are left out.
std::vector<uint8_t> BuildCueChunks(const std::vector<WaveMark>& marks);

// Marks from the bodies of a file's "cue " chunk and its "adtl" list (the
// list's body after the form type; empty when there is none), in frame
// order; points at or beyond frames are left out, points without a label
// are named by their number.
std::vector<WaveMark> ReadCueChunks(const std::vector<uint8_t>& cue, const std::vector<uint8_t>& adtl,
                                    uint64_t frames);

// Marks in frame order, those of equal frames in the order they were made.
void SortMarks(std::vector<WaveMark>& marks);

// What becomes of marks when frames [from, to) of the sound alone are kept
// (they move to the start), or cut out (those after move up; those inside
// go).
std::vector<WaveMark> MarksKept(const std::vector<WaveMark>& marks, uint64_t from, uint64_t to);
std::vector<WaveMark> MarksCut(const std::vector<WaveMark>& marks, uint64_t from, uint64_t to);

}  // namespace orvo
