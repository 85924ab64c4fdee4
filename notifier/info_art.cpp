#include "notifier/info_art.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace orvo::notifier {
namespace {

struct Ink {
    char key;
    uint32_t argb;
};

// An icon from 32-bit pixels (straight, not premultiplied, alpha) of a
// square picture; the mask is 1 where the screen shows through.
ScopedIcon FromPixels(const std::vector<uint32_t>& argb, int size, bool icon, DWORD hotX, DWORD hotY) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    ScopedGdi<HBITMAP> color(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color || !bits) return ScopedIcon();
    const int maskStride = ((size + 15) / 16) * 2;
    std::vector<uint8_t> mask(static_cast<size_t>(maskStride) * size, 0);
    std::memcpy(bits, argb.data(), argb.size() * sizeof(uint32_t));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if ((argb[static_cast<size_t>(y) * size + x] >> 24) == 0)
                mask[static_cast<size_t>(y) * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    ScopedGdi<HBITMAP> maskBitmap(CreateBitmap(size, size, 1, 1, mask.data()));
    if (!maskBitmap) return ScopedIcon();
    ICONINFO ii{};
    ii.fIcon = icon ? TRUE : FALSE;
    ii.xHotspot = hotX;
    ii.yHotspot = hotY;
    ii.hbmMask = maskBitmap.Get();
    ii.hbmColor = color.Get();
    return ScopedIcon(CreateIconIndirect(&ii));  // copies both bitmaps
}

// Each row is one line of pixels; a character not in the palette is clear.
ScopedIcon FromPixelMap(const char* const* rows, int size, const Ink* inks, size_t inkCount, bool icon,
                        DWORD hotX = 0, DWORD hotY = 0) {
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size, 0);
    for (int y = 0; y < size; ++y) {
        size_t len = rows[y] ? std::strlen(rows[y]) : 0;
        for (int x = 0; x < size; ++x) {
            char c = x < static_cast<int>(len) ? rows[y][x] : ' ';
            for (size_t i = 0; i < inkCount; ++i)
                if (inks[i].key == c) pixels[static_cast<size_t>(y) * size + x] = inks[i].argb;
        }
    }
    return FromPixels(pixels, size, icon, hotX, hotY);
}

template <size_t N>
ScopedIcon FromPixelMap(const char* const (&rows)[N], const Ink* inks, size_t inkCount, bool icon = true,
                        DWORD hotX = 0, DWORD hotY = 0) {
    return FromPixelMap(rows, static_cast<int>(N), inks, inkCount, icon, hotX, hotY);
}

constexpr uint32_t kOpaque = 0xFF000000u;

// The pictures are described once on a 16-unit grid, in shapes laid one over
// the other, and drawn afresh at each size asked for: a large picture gets
// fine edges rather than blown-up pixels. Each pixel is sampled 4 × 4 times;
// its edge pixels are partly transparent.
struct Shape {
    enum Kind { Box, Disc, Stroke, Triangle } kind;
    float a, b, c, d, e, f;  // Box: x0 y0 x1 y1; Disc: cx cy r; Stroke: x0 y0 x1 y1 width; Triangle: 3 corners
    uint32_t rgb;
};

float Cross(float ax, float ay, float bx, float by, float px, float py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

bool Covers(const Shape& s, float x, float y) {
    switch (s.kind) {
        case Shape::Box: return x >= s.a && x < s.c && y >= s.b && y < s.d;
        case Shape::Disc: return (x - s.a) * (x - s.a) + (y - s.b) * (y - s.b) <= s.c * s.c;
        case Shape::Stroke: {
            // Within half the width of the segment, ends rounded.
            float dx = s.c - s.a, dy = s.d - s.b, len2 = dx * dx + dy * dy;
            float t = len2 > 0 ? ((x - s.a) * dx + (y - s.b) * dy) / len2 : 0;
            t = t < 0 ? 0 : t > 1 ? 1 : t;
            float ex = s.a + t * dx - x, ey = s.b + t * dy - y;
            return ex * ex + ey * ey <= s.e * s.e / 4;
        }
        case Shape::Triangle: {
            float c1 = Cross(s.a, s.b, s.c, s.d, x, y), c2 = Cross(s.c, s.d, s.e, s.f, x, y);
            float c3 = Cross(s.e, s.f, s.a, s.b, x, y);
            return (c1 >= 0 && c2 >= 0 && c3 >= 0) || (c1 <= 0 && c2 <= 0 && c3 <= 0);
        }
    }
    return false;
}

template <size_t N>
ScopedIcon Draw(const Shape (&shapes)[N], int size) {
    constexpr int kSamples = 4;
    std::vector<uint32_t> pixels(static_cast<size_t>(size) * size, 0);
    const float unit = 16.0f / static_cast<float>(size);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            unsigned r = 0, g = 0, b = 0, covered = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    float x = (static_cast<float>(px) + (sx + 0.5f) / kSamples) * unit;
                    float y = (static_cast<float>(py) + (sy + 0.5f) / kSamples) * unit;
                    const Shape* top = nullptr;
                    for (const Shape& s : shapes)
                        if (Covers(s, x, y)) top = &s;
                    if (!top) continue;
                    ++covered;
                    r += (top->rgb >> 16) & 0xFF;
                    g += (top->rgb >> 8) & 0xFF;
                    b += top->rgb & 0xFF;
                }
            }
            if (!covered) continue;
            uint32_t alpha = covered * 255 / (kSamples * kSamples);
            pixels[static_cast<size_t>(py) * size + px] =
                (alpha << 24) | ((r / covered) << 16) | ((g / covered) << 8) | (b / covered);
        }
    }
    return FromPixels(pixels, size, true, 0, 0);
}

// The maker's badge: a green disc with a white "V".
const Shape kLogo[] = {
    {Shape::Disc, 8, 8, 8, 0, 0, 0, 0x1E9E4A},
    {Shape::Stroke, 4.2f, 4.2f, 8, 12, 2.4f, 0, 0xFFFFFF},
    {Shape::Stroke, 11.8f, 4.2f, 8, 12, 2.4f, 0, 0xFFFFFF},
};

// A magnifying glass.
const Shape kSearch[] = {
    {Shape::Stroke, 10, 10.5f, 14.5f, 15, 2.6f, 0, 0x8B5A2B},
    {Shape::Disc, 6.5f, 6.5f, 5.5f, 0, 0, 0, 0x303030},
    {Shape::Disc, 6.5f, 6.5f, 4.3f, 0, 0, 0, 0xBFE3FF},
    {Shape::Disc, 4.8f, 4.8f, 1.3f, 0, 0, 0, 0xFFFFFF},
};

// Two arrows chasing each other: the view switch.
const Shape kSwitch[] = {
    {Shape::Stroke, 3, 8, 3, 4, 1.8f, 0, 0x1F5FD0},
    {Shape::Stroke, 3, 4, 11.5f, 4, 1.8f, 0, 0x1F5FD0},
    {Shape::Triangle, 11, 0.8f, 15, 4, 11, 7.2f, 0x1F5FD0},
    {Shape::Stroke, 13, 8, 13, 12, 1.8f, 0, 0xD0501F},
    {Shape::Stroke, 13, 12, 4.5f, 12, 1.8f, 0, 0xD0501F},
    {Shape::Triangle, 5, 8.8f, 1, 12, 5, 15.2f, 0xD0501F},
};

// The window's icon: a yellow notice sheet with the green badge's colour.
const Shape kNotice[] = {
    {Shape::Box, 1, 1, 14, 14, 0, 0, 0x404040},
    {Shape::Box, 2, 2, 13, 13, 0, 0, 0xFFFFC0},
    {Shape::Box, 3, 3, 11, 4, 0, 0, 0x1E9E4A},
    {Shape::Box, 3, 5, 11, 6, 0, 0, 0x404040},
    {Shape::Box, 3, 7, 10, 8, 0, 0, 0x404040},
    {Shape::Box, 3, 9, 11, 10, 0, 0, 0x404040},
    {Shape::Box, 3, 11, 8, 12, 0, 0, 0x404040},
};

// A pointing hand, fingertip at (6, 1).
const char* const kHand[] = {
    "     kk                         ",
    "    kwwk                        ",
    "    kwwk                        ",
    "    kwwk                        ",
    "    kwwk                        ",
    "    kwwkkk                      ",
    "    kwwkwwkkk                   ",
    "    kwwkwwkwwkk                 ",
    "kk  kwwkwwkwwkwk                ",
    "kwk kwwwwwwwwkwwk               ",
    "kwwkkwwwwwwwwwwwk               ",
    " kwwkwwwwwwwwwwwk               ",
    "  kwwwwwwwwwwwwwk               ",
    "  kwwwwwwwwwwwwwk               ",
    "   kwwwwwwwwwwwk                ",
    "   kwwwwwwwwwwwk                ",
    "    kwwwwwwwwwk                 ",
    "    kwwwwwwwwwk                 ",
    "     kwwwwwwwk                  ",
    "     kkkkkkkkk                  ",
    "", "", "", "", "", "", "", "", "", "", "", "",
};
const Ink kHandInks[] = {{'k', kOpaque | 0x000000}, {'w', kOpaque | 0xFFFFFF}};

}  // namespace

ScopedIcon MakeWindowIcon(int size) { return Draw(kNotice, size); }

ScopedIcon MakeLogoIcon(int size) { return Draw(kLogo, size); }

ScopedIcon MakeSearchIcon(int size) { return Draw(kSearch, size); }

ScopedIcon MakeSwitchIcon(int size) { return Draw(kSwitch, size); }

ScopedIcon MakeHandCursor() { return FromPixelMap(kHand, kHandInks, std::size(kHandInks), false, 5, 0); }

}  // namespace orvo::notifier
