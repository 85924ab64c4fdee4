// Wherever a floating-point value becomes an integer (frame counts, drawing
// coordinates, slider ticks, bar positions) it is rounded to the nearest
// integer with ties going to the even one.
#pragma once
#include <cfenv>
#include <cmath>
#include <cstdint>

namespace orvo {

inline double RoundHalfEvenDouble(double v) {
    // nearbyint follows the current rounding mode, which is to-nearest-even
    // unless someone changed it; make sure rather than assume.
    int old = std::fegetround();
    if (old != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(v);
    if (old != FE_TONEAREST) std::fesetround(old);
    return r;
}

inline int64_t RoundHalfEven(double v) { return static_cast<int64_t>(RoundHalfEvenDouble(v)); }

}  // namespace orvo
