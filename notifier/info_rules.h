// What the notice window decides without needing a window: whether an online
// page is the maker's notice, the search address, where each link leads, the
// names shown at load and the topmost placement arithmetic.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace orvo::notifier {

// The local page shipped beside the component.
inline constexpr wchar_t kLocalPageName[] = L"vmminihome.htm";
// Shown for the client program when the registry names none.
inline constexpr wchar_t kDefaultSoftDesc[] = L"维莫拉社区";
// The search box's prompt; it is searched for like any other text.
inline constexpr wchar_t kSearchPrompt[] = L"请输入搜索关键字";

// True when the markup of an online page carries one of the notice marks: the
// brand in any letter case, its Chinese name, or "软件通知". An error page of
// the browser carries none, so it never hides the local page.
bool HasNoticeMark(const std::wstring& markup);

// Leading and trailing spaces removed (spaces only: tabs and line breaks stay).
std::wstring TrimSpaces(const std::wstring& text);

// Replaces every occurrence of what, scanning left to right; the inserted
// text is not searched again.
std::wstring ReplaceAll(std::wstring text, const std::wstring& what, const std::wstring& with);

// The online notice page for a client program, the key percent-encoded.
std::wstring NoticeUrl(const std::wstring& softName);

// The search address before the words go in.
std::wstring SearchTemplate();
// The text as one query value: UTF-8, every byte but letters, digits and
// "-_.~" written as %XX (so a space is %20 and "+" stays a plus sign).
std::wstring PercentEncoded(const std::wstring& text);
// The address the search box opens for the text typed into it: the words,
// trimmed of spaces, go in percent-encoded; an empty box opens the service
// without the "word" key.
std::wstring SearchUrl(const std::wstring& boxText);
// Tooltip of the search icon: the service's name followed by "搜索".
std::wstring SearchTooltip();

// The display name from the stored one: blank (or only spaces) means the
// default; anything else is used exactly as stored, spaces included.
std::wstring ResolveSoftDesc(const std::wstring& stored);
// The first link's target from the administrator's OrvoReadmePath: an empty
// value means the local page; an http or https address is used as it is; an
// .htm or .txt file inside the component's folder (a full path or one
// relative to the folder) gives its full path. Anything else gives nothing,
// and the link then opens nothing: the value must not start a program, nor
// lead out of the folder.
std::wstring ResolveReadmePath(const std::wstring& stored, const std::wstring& componentFolder);
// The local page's full path in the component's folder.
std::wstring LocalPagePath(const std::wstring& componentFolder);

std::wstring WindowCaption(const std::wstring& softDesc);
std::wstring SoftLinkCaption(const std::wstring& softDesc);

// The link labels of the window, and where each one leads.
enum class Link { Homepage, Soft, DingZhi, SO, Find, Buy, Mobile, Site };
std::wstring LinkAddress(Link link, const std::wstring& readmePath);
// Tooltip of the maker's icons.
std::wstring LogoTooltip();
std::wstring HomepageTooltip();

// The arguments given to SetWindowPos to make the window topmost, from its
// position and size in twips and the screen's twips per pixel. Kept exactly
// as the window has always computed them: the left edge is divided before
// rounding, the others are rounded first and then divided, truncating.
// Nothing when a divisor rounds to zero or a result does not fit: the
// window then simply is not moved.
struct TopmostPlacement {
    int32_t x = 0;
    int32_t y = 0;
    int32_t cx = 0;
    int32_t cy = 0;
};
std::optional<TopmostPlacement> TopmostPlacementFor(double leftTwips, double topTwips, double widthTwips, double heightTwips,
                                     double twipsPerPixelX, double twipsPerPixelY);

// Which view the switch shows after the given number of clicks: odd counts
// show the local page, even ones the online page.
bool SwitchShowsLocal(int32_t viewSwitchCount);

// Where a navigation of either view may go. The online page comes over plain
// HTTP into an always-on-top window, so a changed page must not lead the view
// anywhere: only the maker's own pages and the local page stay in the view.
enum class Navigation {
    Stay,           // http/https on a maker's host, the local page, about:blank
    OpenInBrowser,  // http/https anywhere else: the user's default browser
    Refuse,         // any other scheme (file, javascript, res, ms-its, ...)
};
Navigation NavigationFor(const std::wstring& url, const std::wstring& localPagePath);

}  // namespace orvo::notifier
