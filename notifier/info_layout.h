// The notice window's controls and where they lie, in twips relative to their
// container (the window's client area or one of its two strips).
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "notifier/info_rules.h"
#include "win/window.h"

namespace orvo::notifier {

enum class InfoItem {
    picTop, imgLogo, lblHomepage, Image5, lblSoft, Image3, lblMobile, Image2, lblBuy, Image4, lblSite, Image1,
    lblDingZhi,
    picStatus, Label1, txtSearch, imgSearch, lblSO, lblFind, imgChange, lblRefresh, chkHideWindow,
    webNotify, webLocal,
    Count
};

enum class ControlKind { Strip, Label, Image, Edit, CheckBox, WebView };
enum class Picture { None, Logo, Search, Switch };

struct ControlPlace {
    InfoItem id;
    ControlKind kind;
    InfoItem container;  // InfoItem::Count: the window's client area
    int left, top, width, height;
    std::wstring caption;
    std::wstring tooltip;  // empty: none
    bool visible;
    bool hand;          // shows the hand cursor and reacts to clicks
    bool centred;       // labels only
    COLORREF text;      // labels and the check box
    Picture picture;    // images only
};

inline constexpr int kClientWidthTwips = 7410;
inline constexpr int kClientHeightTwips = 5625;
inline constexpr int kWebWidthTwips = 7425;
inline constexpr int kWebHeightTwips = 4800;
inline constexpr COLORREF kTopStripColor = RGB(153, 249, 172);
inline constexpr COLORREF kStatusStripColor = RGB(255, 255, 192);
inline constexpr COLORREF kTopLinkColor = RGB(0, 0, 255);
inline constexpr COLORREF kStatusTextColor = RGB(0, 0, 192);
inline constexpr wchar_t kStoredCaption[] = L"最新公告";

// Every control, containers before what they contain.
const std::vector<ControlPlace>& InfoLayout();
const ControlPlace& PlaceOf(InfoItem control);

// The link a label opens, if it is one.
std::optional<Link> LinkOf(InfoItem control);

inline int ControlId(InfoItem control) { return 100 + static_cast<int>(control); }

inline TwipRect TwipsOf(const ControlPlace& place) {
    return {double(place.left), double(place.top), double(place.width), double(place.height)};
}

}  // namespace orvo::notifier
