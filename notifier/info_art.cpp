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

// Each row is one line of pixels; a character not in the palette is clear.
ScopedIcon FromPixelMap(const char* const* rows, int size, const Ink* inks, size_t inkCount, bool icon,
                        DWORD hotX = 0, DWORD hotY = 0) {
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

    // The mask is 1 where the screen shows through (used where alpha is not).
    const int maskStride = ((size + 15) / 16) * 2;
    std::vector<uint8_t> mask(static_cast<size_t>(maskStride) * size, 0);
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int y = 0; y < size; ++y) {
        size_t len = rows[y] ? std::strlen(rows[y]) : 0;
        for (int x = 0; x < size; ++x) {
            uint32_t argb = 0;
            char c = x < static_cast<int>(len) ? rows[y][x] : ' ';
            for (size_t i = 0; i < inkCount; ++i)
                if (inks[i].key == c) argb = inks[i].argb;
            pixels[y * size + x] = argb;
            if ((argb >> 24) == 0) mask[y * maskStride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
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

template <size_t N>
ScopedIcon FromPixelMap(const char* const (&rows)[N], const Ink* inks, size_t inkCount, bool icon = true,
                        DWORD hotX = 0, DWORD hotY = 0) {
    return FromPixelMap(rows, static_cast<int>(N), inks, inkCount, icon, hotX, hotY);
}

constexpr uint32_t kOpaque = 0xFF000000u;

// The maker's badge: a green disc with a white "V".
const char* const kLogo[] = {
    "     gggggg     ",
    "   gggggggggg   ",
    "  gggggggggggg  ",
    " ggwwggggggwwgg ",
    " ggwwggggggwwgg ",
    "gggwwwggggwwwggg",
    "ggggwwggggwwgggg",
    "ggggwwwggwwwgggg",
    "gggggwwggwwggggg",
    "gggggwwwwwwggggg",
    "ggggggwwwwgggggg",
    " gggggwwwwggggg ",
    " ggggggwwgggggg ",
    "  gggggggggggg  ",
    "   gggggggggg   ",
    "     gggggg     ",
};
const Ink kLogoInks[] = {{'g', kOpaque | 0x1E9E4A}, {'w', kOpaque | 0xFFFFFF}};

// A magnifying glass.
const char* const kSearch[] = {
    "                ",
    "    kkkkk       ",
    "   kbbbbbk      ",
    "  kbwwbbbbk     ",
    " kbwbbbbbbbk    ",
    " kbbbbbbbbbk    ",
    " kbbbbbbbbbk    ",
    " kbbbbbbbbbk    ",
    " kbbbbbbbbbk    ",
    "  kbbbbbbbk     ",
    "   kbbbbbkkk    ",
    "    kkkkk ooo   ",
    "           ooo  ",
    "            ooo ",
    "             oo ",
    "                ",
};
const Ink kSearchInks[] = {{'k', kOpaque | 0x303030}, {'b', kOpaque | 0xBFE3FF}, {'w', kOpaque | 0xFFFFFF},
                           {'o', kOpaque | 0x8B5A2B}};

// Two arrows chasing each other: the view switch.
const char* const kSwitch[] = {
    "                ",
    "          b     ",
    "          bb    ",
    "  bbbbbbbbbbb   ",
    "  bbbbbbbbbbbb  ",
    "  bb      bb    ",
    "  bb      b     ",
    "  bb            ",
    "            rr  ",
    "     r      rr  ",
    "    rr      rr  ",
    "  rrrrrrrrrrrr  ",
    "   rrrrrrrrrrr  ",
    "    rr          ",
    "     r          ",
    "                ",
};
const Ink kSwitchInks[] = {{'b', kOpaque | 0x1F5FD0}, {'r', kOpaque | 0xD0501F}};

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

// The window's icon: a yellow notice sheet with the green badge's colour.
const char* const kNotice16[] = {
    "                ",
    " kkkkkkkkkkkkk  ",
    " kyyyyyyyyyyyk  ",
    " kyggggggggyyk  ",
    " kyyyyyyyyyyyk  ",
    " kykkkkkkkkyyk  ",
    " kyyyyyyyyyyyk  ",
    " kykkkkkkkyyyk  ",
    " kyyyyyyyyyyyk  ",
    " kykkkkkkkkyyk  ",
    " kyyyyyyyyyyyk  ",
    " kykkkkkyyyyyk  ",
    " kyyyyyyyyyyyk  ",
    " kkkkkkkkkkkkk  ",
    "                ",
    "                ",
};
const Ink kNoticeInks[] = {{'k', kOpaque | 0x404040}, {'y', kOpaque | 0xFFFFC0}, {'g', kOpaque | 0x1E9E4A}};

}  // namespace

ScopedIcon MakeWindowIcon(int size) {
    if (size <= 16) return FromPixelMap(kNotice16, kNoticeInks, std::size(kNoticeInks));
    // Twice as large: every pixel of the small map becomes a 2 x 2 block.
    std::vector<std::string> big(32, std::string(32, ' '));
    const char* rows[32];
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) big[y][x] = kNotice16[y / 2][x / 2];
        rows[y] = big[y].c_str();
    }
    return FromPixelMap(rows, 32, kNoticeInks, std::size(kNoticeInks), true);
}

ScopedIcon MakeLogoIcon() { return FromPixelMap(kLogo, kLogoInks, std::size(kLogoInks)); }

ScopedIcon MakeSearchIcon() { return FromPixelMap(kSearch, kSearchInks, std::size(kSearchInks)); }

ScopedIcon MakeSwitchIcon() { return FromPixelMap(kSwitch, kSwitchInks, std::size(kSwitchInks)); }

ScopedIcon MakeHandCursor() { return FromPixelMap(kHand, kHandInks, std::size(kHandInks), false, 5, 0); }

}  // namespace orvo::notifier
