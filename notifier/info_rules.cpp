#include "notifier/info_rules.h"

#include <windows.h>

#include <cmath>
#include <limits>

#include "product/maker_links.h"
#include "base/rounding.h"
#include "base/text.h"

namespace orvo::notifier {
namespace {

constexpr wchar_t kWordKey[] = L"&word=";
constexpr wchar_t kWordPlaceholder[] = L"<searchstring>";

std::wstring Lowered(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring Http(const wchar_t* host, const wchar_t* path) { return std::wstring(L"http://") + host + path; }

// A rounded value that must fit the 32-bit integers of the API.
std::optional<int64_t> RoundedToInt32(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    double r = RoundHalfEvenDouble(v);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) return std::nullopt;
    return static_cast<int64_t>(r);
}

std::optional<int32_t> RoundedQuotient(double dividend, double divisor) {
    auto a = RoundedToInt32(dividend);
    auto b = RoundedToInt32(divisor);
    if (!a || !b || *b == 0) return std::nullopt;
    return static_cast<int32_t>(*a / *b);  // C++ division truncates toward zero
}

}  // namespace

std::wstring PercentEncoded(const std::wstring& text) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring out;
    for (unsigned char c : WideToUtf8(text)) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_' || c == '.' || c == '~';
        if (unreserved) {
            out.push_back(static_cast<wchar_t>(c));
        } else {
            out.push_back(L'%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

bool HasNoticeMark(const std::wstring& markup) {
    if (Lowered(markup).find(L"velmora") != std::wstring::npos) return true;
    if (markup.find(L"维莫拉") != std::wstring::npos) return true;
    return markup.find(L"软件通知") != std::wstring::npos;
}

std::wstring TrimSpaces(const std::wstring& text) {
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    size_t last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with) {
    if (what.empty()) return text;
    size_t pos = 0;
    while ((pos = text.find(what, pos)) != std::wstring::npos) {
        text.replace(pos, what.size(), with);
        pos += with.size();
    }
    return text;
}

std::wstring SearchTemplate() {
    return Http(maker::kWebSearchHost, maker::kWebSearchPath) + L"?tn=" + maker::kWebSearchPartnerTag + kWordKey +
           kWordPlaceholder;
}

std::wstring SearchUrl(const std::wstring& boxText) {
    std::wstring words = TrimSpaces(boxText);
    std::wstring url = SearchTemplate();
    if (words.empty()) {
        url = ReplaceAll(url, std::wstring(kWordKey) + kWordPlaceholder, L"");
        return ReplaceAll(url, kWordPlaceholder, L"");
    }
    return ReplaceAll(url, kWordPlaceholder, PercentEncoded(words));
}

std::wstring SearchTooltip() { return std::wstring(maker::kWebSearchName) + L"搜索"; }

std::wstring ResolveSoftDesc(const std::wstring& stored) {
    return TrimSpaces(stored).empty() ? std::wstring(kDefaultSoftDesc) : stored;
}

std::wstring LocalPagePath(const std::wstring& componentFolder) {
    return componentFolder + L"\\" + kLocalPageName;
}

std::wstring ResolveReadmePath(const std::wstring& stored, const std::wstring& componentFolder) {
    return stored.empty() ? LocalPagePath(componentFolder) : stored;
}

std::wstring WindowCaption(const std::wstring& softDesc) { return softDesc + L" - 通知链接"; }

std::wstring SoftLinkCaption(const std::wstring& softDesc) { return softDesc + L"首页"; }

std::wstring LinkAddress(Link link, const std::wstring& readmePath) {
    switch (link) {
        case Link::Homepage: return Http(maker::kWebHost, L"/");
        case Link::Soft: return readmePath;
        case Link::DingZhi: return Http(maker::kWebHost, L"/orvocustomization.htm");
        case Link::SO: return Http(maker::kSearchHost, L"/");
        case Link::Find: return Http(maker::kWebHost, L"/extpage/life.htm");
        case Link::Buy: return Http(maker::kShopHost, L"/");
        case Link::Mobile: return Http(maker::kWebHost, L"/ad/orvotuling.htm");
        case Link::Site: return Http(maker::kSiteNavigationHost, L"/");
    }
    return {};
}

std::wstring LogoTooltip() { return std::wstring(L"维莫拉 - [") + maker::kWebHost + L"]"; }

std::wstring HomepageTooltip() { return std::wstring(L"维莫拉官网 - ") + maker::kWebHost; }

std::optional<TopmostPlacement> TopmostPlacementFor(double leftTwips, double topTwips, double widthTwips,
                                                    double heightTwips, double twipsPerPixelX,
                                                    double twipsPerPixelY) {
    if (twipsPerPixelX == 0) return std::nullopt;
    auto x = RoundedToInt32(leftTwips / twipsPerPixelX);
    auto y = RoundedQuotient(topTwips, twipsPerPixelY);
    auto cx = RoundedQuotient(widthTwips, twipsPerPixelX);
    auto cy = RoundedQuotient(heightTwips, twipsPerPixelY);
    if (!x || !y || !cx || !cy) return std::nullopt;
    return TopmostPlacement{static_cast<int32_t>(*x), *y, *cx, *cy};
}

bool SwitchShowsLocal(int32_t viewSwitchCount) { return viewSwitchCount % 2 != 0; }

namespace {

// The host of an http(s) address after "//": no user part, no port, lower case.
std::wstring HostOf(const std::wstring& url, size_t afterScheme) {
    size_t start = afterScheme;
    while (start < url.size() && (url[start] == L'/' || url[start] == L'\\')) ++start;
    size_t end = url.find_first_of(L"/\\?#", start);
    std::wstring authority = url.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    size_t at = authority.rfind(L'@');
    if (at != std::wstring::npos) authority.erase(0, at + 1);
    size_t colon = authority.find(L':');
    if (colon != std::wstring::npos) authority.erase(colon);
    while (!authority.empty() && authority.back() == L'.') authority.pop_back();
    return Lowered(authority);
}

// The file path a file: address or a plain path names, as the view shows it.
std::wstring PathOfFileAddress(std::wstring url) {
    if (Lowered(url.substr(0, 5)) == L"file:") {
        url.erase(0, 5);
        while (!url.empty() && (url[0] == L'/' || url[0] == L'\\')) url.erase(0, 1);
        url = ReplaceAll(ReplaceAll(url, L"%20", L" "), L"/", L"\\");
    }
    return Lowered(url);
}

}  // namespace

Navigation NavigationFor(const std::wstring& url, const std::wstring& localPagePath) {
    if (PathOfFileAddress(url) == Lowered(localPagePath)) return Navigation::Stay;
    if (Lowered(url) == L"about:blank") return Navigation::Stay;
    size_t colon = url.find(L':');
    if (colon == std::wstring::npos) return Navigation::Refuse;
    std::wstring scheme = Lowered(url.substr(0, colon));
    if (scheme != L"http" && scheme != L"https") return Navigation::Refuse;
    std::wstring host = HostOf(url, colon + 1);
    for (const wchar_t* maker : {maker::kWebHost, maker::kGuestbookHost, maker::kSiteNavigationHost,
                                 maker::kWebTvHost, maker::kSearchHost, maker::kShopHost})
        if (host == maker) return Navigation::Stay;
    return Navigation::OpenInBrowser;
}

}  // namespace orvo::notifier
