#include "notifier/info_rules.h"

#include <windows.h>

#include <cmath>
#include <cwchar>
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

// Every address the component leads to, in one table: the maker's host
// (product/) and the path. All go over HTTPS: the pages come into an
// always-on-top window, and the link targets into the user's browser.
struct Address {
    const wchar_t* host;
    const wchar_t* path;
};
constexpr Address kNoticePage{maker::kWebHost, L"/notify/orvonewsdesk.htm?soft="};
constexpr Address kSearchService{maker::kWebSearchHost, maker::kWebSearchPath};
constexpr struct {
    Link link;
    Address address;
} kLinkAddresses[] = {
    {Link::Homepage, {maker::kWebHost, L"/"}},
    {Link::DingZhi, {maker::kWebHost, L"/orvocustomization.htm"}},
    {Link::SO, {maker::kSearchHost, L"/"}},
    {Link::Find, {maker::kWebHost, L"/extpage/life.htm"}},
    {Link::Buy, {maker::kShopHost, L"/"}},
    {Link::Mobile, {maker::kWebHost, L"/ad/orvotuling.htm"}},
    {Link::Site, {maker::kSiteNavigationHost, L"/"}},
};

std::wstring Https(const Address& address) { return std::wstring(L"https://") + address.host + address.path; }

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

// A character that would end or split the target on the command line the
// shell builds for the user's browser or editor, or no character a file
// name may hold.
bool HasUnsafeCharacter(const std::wstring& text, const wchar_t* alsoRefused) {
    for (wchar_t c : text)
        if (c < L' ' || c == 0x7F || c == L'"' || c == L'<' || c == L'>' || wcschr(alsoRefused, c)) return true;
    return false;
}

// An http or https address with a host, nothing that could leave the
// address on the browser's command line. Spaces are refused too: an address
// with one was never meant as one.
bool IsWebAddress(const std::wstring& text) {
    std::wstring lower = Lowered(text);
    size_t colon = lower.rfind(L"https://", 0) == 0 ? 5 : lower.rfind(L"http://", 0) == 0 ? 4 : 0;
    if (!colon || HasUnsafeCharacter(text, L" \\")) return false;
    if (text.size() <= colon + 3 || text[colon + 3] == L'/') return false;  // "//" and then the host
    return !HostOf(text, colon + 1).empty();
}

// The full path of an .htm or .txt file inside folder, given whole or
// relative to the folder; nothing for anything else: another type (a
// program, a shortcut), a path that leads out of the folder ("..", another
// drive, a share), a device or a stream of a file.
std::wstring ReadableFileInFolder(const std::wstring& stored, const std::wstring& folder) {
    if (folder.empty() || stored.empty() || HasUnsafeCharacter(stored, L"|*?")) return {};
    // A share, a device or the root of the current drive.
    if (stored[0] == L'\\' || stored[0] == L'/') return {};
    std::wstring joined = stored.find(L':') == std::wstring::npos ? folder + L"\\" + stored : stored;
    DWORD size = GetFullPathNameW(joined.c_str(), 0, nullptr, nullptr);
    if (size == 0) return {};
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(joined.c_str(), size, full.data(), nullptr);
    if (size == 0 || size >= full.size()) return {};
    full.resize(size);
    // Past the drive's colon, a colon names a stream of a file.
    if (full.find(L':', 2) != std::wstring::npos) return {};
    std::wstring inside = Lowered(folder);
    if (inside.back() != L'\\') inside.push_back(L'\\');
    std::wstring lowerFull = Lowered(full);
    if (lowerFull.size() <= inside.size() || lowerFull.compare(0, inside.size(), inside) != 0) return {};
    size_t dot = lowerFull.rfind(L'.');
    std::wstring extension = dot == std::wstring::npos ? L"" : lowerFull.substr(dot);
    if (extension != L".htm" && extension != L".txt") return {};
    return full;
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
    return Https(kSearchService) + L"?tn=" + maker::kWebSearchPartnerTag + kWordKey +
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

std::wstring NoticeUrl(const std::wstring& softName) { return Https(kNoticePage) + PercentEncoded(softName); }

std::wstring ResolveReadmePath(const std::wstring& stored, const std::wstring& componentFolder) {
    if (stored.empty()) return LocalPagePath(componentFolder);
    if (IsWebAddress(stored)) return stored;
    return ReadableFileInFolder(stored, componentFolder);
}

std::wstring WindowCaption(const std::wstring& softDesc) { return softDesc + L" - 通知链接"; }

std::wstring SoftLinkCaption(const std::wstring& softDesc) { return softDesc + L"首页"; }

std::wstring LinkAddress(Link link, const std::wstring& readmePath) {
    if (link == Link::Soft) return readmePath;
    for (const auto& entry : kLinkAddresses)
        if (entry.link == link) return Https(entry.address);
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
