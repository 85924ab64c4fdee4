// The element's pieces, apart from any file: splicing a piece in, the marks
// that move with it, and how far a leftover's journal is trusted.
#include "audio/wave_pieces.h"

#include <algorithm>

namespace orvo {

std::vector<JournalPiece> Spliced(const std::vector<JournalPiece>& pieces, uint64_t at, JournalPiece piece) {
    std::vector<JournalPiece> out;
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
    std::vector<JournalPiece> merged;
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

uint64_t LengthOf(const std::vector<JournalPiece>& pieces) {
    uint64_t length = 0;
    for (const auto& p : pieces) length += p.bytes;
    return length;
}

// A take that was running becomes a piece with whatever reached the disk,
// which may be more than the last journal counted: takes only append, so
// everything from its start to the file's end is the take's.
void SettleTake(WaveJournal& j, uint64_t samplesSize) {
    if (!j.recording) return;
    const WORD align = std::max<WORD>(j.format.nBlockAlign, 1);
    const uint64_t from = std::min(j.take.fileOffset, samplesSize);
    uint64_t bytes = samplesSize - from;
    bytes -= bytes % align;
    const uint64_t at = std::min(j.take.elementOffset, LengthOf(j.pieces));
    j.pieces = Spliced(j.pieces, at, {from, bytes, 0});
    PlaceMarks(j.marks, j.takeMarks, align, at, bytes, true);
    j.recording = false;
    j.take = {};
}

// Every piece must lie inside its file (a damaged or planted journal may
// name any range, up to offsets that wrap): what lies beyond is cut, in
// whole frames, so that every piece kept can be read.
void ClampPieces(WaveJournal& j, uint64_t samplesSize, RecoveryLoss& loss) {
    const WORD align = std::max<WORD>(j.format.nBlockAlign, 1);
    for (auto& p : j.pieces) {
        const uint64_t size = p.source == 0 ? samplesSize : j.sources[p.source - 1].size;
        uint64_t room = p.fileOffset < size ? size - p.fileOffset : 0;
        room -= room % align;
        if (p.bytes > room) {
            loss.cutBytes += p.bytes - room;
            p.bytes = room;
        }
    }
    // Merges neighbours the cuts and the dropped pieces left side by side.
    j.pieces = Spliced(j.pieces, UINT64_MAX, {0, 0, 0});
}

}  // namespace orvo
