// The calls windows.h of the stand-in declares.
#include "windows.h"

#include <string>

namespace {

// Code points of UTF-8 text; a byte that starts no valid sequence is U+FFFD.
std::u32string Decode(const unsigned char* p, size_t n) {
    std::u32string out;
    for (size_t i = 0; i < n;) {
        unsigned char b = p[i];
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? b & 0x1F : extra == 2 ? b & 0x0F : b & 0x07;
        bool ok = extra >= 0;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + k >= n || (p[i + k] & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (p[i + k] & 0x3F);
        }
        static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < least[extra] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))) ok = false;
        out.push_back(ok ? c : U'\uFFFD');
        i += ok ? extra + 1 : 1;
    }
    return out;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD, LPCCH text, int bytes, LPWSTR out, int room) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    std::u32string points;
    if (codePage == CP_UTF8) points = Decode(p, static_cast<size_t>(bytes));
    else points.assign(p, p + bytes);
    std::wstring units;
    for (char32_t c : points) {
        if (c >= 0x10000) {
            units.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<wchar_t>(c));
        }
    }
    if (room == 0) return static_cast<int>(units.size());
    if (units.size() > static_cast<size_t>(room)) return 0;
    units.copy(out, units.size());
    return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWCH text, int units, LPSTR out, int room, LPCCH, LPBOOL) {
    std::string bytes;
    for (int i = 0; i < units; ++i) {
        char32_t c = static_cast<char32_t>(text[i]) & 0xFFFF;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units && (text[i + 1] & 0xFC00) == 0xDC00) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((text[i + 1] & 0xFFFF) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (codePage != CP_UTF8) {
            bytes.push_back(c < 0x100 ? static_cast<char>(c) : '?');
        } else if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    if (room == 0) return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<size_t>(room)) return 0;
    bytes.copy(out, bytes.size());
    return static_cast<int>(bytes.size());
}
