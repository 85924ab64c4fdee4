// Where a take that is saved while it records is cut into files. Boundaries
// are frame counts from the take's first frame, so consecutive pieces meet
// with no gap and no sample in two files; no piece is longer than a WAV file
// of the take's format can hold, with or without a period asked for.
#pragma once
#include <cstdint>
#include <vector>

#include <windows.h>

#include "audio/wave_riff.h"

namespace orvo::recorder {

// [from, to) in frames of the element.
struct Piece {
    uint64_t from = 0;
    uint64_t to = 0;
};

// The most frames one WAV file of this format holds.
uint64_t PieceLimitFrames(const WAVEFORMATEX& format, const WaveExtension& extension);

class SplitPlan {
public:
    // origin: the element's frame where the take begins. period: frames per
    // piece, 0 for one piece (cut only at the limit). limit: at most that
    // many frames in any piece.
    SplitPlan(uint64_t origin, uint64_t period, uint64_t limit);
    // The element holds `frames` now: the pieces that became whole.
    std::vector<Piece> Advance(uint64_t frames);
    // The take has ended with the element at `frames`: the pieces not yet
    // handed out, the last one shorter. None when nothing is left.
    std::vector<Piece> Finish(uint64_t frames);
    // Pieces handed out so far.
    unsigned Count() const { return count_; }

private:
    uint64_t next_;   // where the current piece begins
    uint64_t step_;   // frames per piece
    unsigned count_ = 0;
};

}  // namespace orvo::recorder
