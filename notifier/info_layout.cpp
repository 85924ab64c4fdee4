#include "notifier/info_layout.h"

namespace orvo::notifier {
namespace {

constexpr InfoItem kWindow = InfoItem::Count;
constexpr int kTopLabelTop = 90;
constexpr int kTopLabelHeight = 255;
constexpr int kTopIconTop = 45;
constexpr int kIconBox = 240;

ControlPlace TopLabel(InfoItem id, int left, int width, const wchar_t* caption, std::wstring tooltip, bool visible,
                     bool centred = true) {
    return {id,      ControlKind::Label, InfoItem::picTop, left,          kTopLabelTop,  width, kTopLabelHeight,
            caption, std::move(tooltip), visible,         true,          centred,       kTopLinkColor, Picture::None};
}

ControlPlace TopIcon(InfoItem id, int left, bool visible) {
    return {id,         ControlKind::Image, InfoItem::picTop, left,  kTopIconTop, kIconBox, kIconBox, L"",
            LogoTooltip(), visible,         false,           false, 0,           Picture::Logo};
}

std::vector<ControlPlace> Build() {
    std::vector<ControlPlace> s;
    s.push_back({InfoItem::picTop, ControlKind::Strip, kWindow, 0, 0, 7440, 400, L"", L"", true, false, false, 0,
                 Picture::None});
    s.push_back(TopIcon(InfoItem::imgLogo, 45, true));
    s.push_back(TopLabel(InfoItem::lblHomepage, 315, 795, L"[维莫拉]", HomepageTooltip(), true));
    s.push_back(TopIcon(InfoItem::Image5, 1125, true));
    s.push_back(TopLabel(InfoItem::lblSoft, 1440, 3255, L"[打开软件首页]", L"打开软件主页", true, false));
    s.push_back(TopIcon(InfoItem::Image3, 3555, false));
    s.push_back(TopLabel(InfoItem::lblMobile, 3825, 915, L"[手机图铃]", L"最新最酷手机图铃", false));
    s.push_back(TopIcon(InfoItem::Image2, 4860, false));
    s.push_back(TopLabel(InfoItem::lblBuy, 5130, 915, L"[网上购物]", L"网上购物", false));
    s.push_back(TopIcon(InfoItem::Image4, 6120, false));
    s.push_back(TopLabel(InfoItem::lblSite, 6435, 915, L"[酷站导航]", L"维莫拉上网导航 - [建议设为IE首页]", false));
    s.push_back(TopIcon(InfoItem::Image1, 6120, true));
    s.push_back(TopLabel(InfoItem::lblDingZhi, 6390, 915, L"[软件定制]", L"欧沃软件工作室－提供专业软件定制服务", true));

    s.push_back({InfoItem::picStatus, ControlKind::Strip, kWindow, 0, 5220, 7425, 405, L"", L"", true, false, false, 0,
                 Picture::None});
    s.push_back({InfoItem::Label1, ControlKind::Label, InfoItem::picStatus, 45, 90, 420, 195, L"搜索", L"", true, false,
                 false, kStatusTextColor, Picture::None});
    s.push_back({InfoItem::txtSearch, ControlKind::Edit, InfoItem::picStatus, 495, 35, 2700, 280, kSearchPrompt, L"",
                 true, false, false, 0, Picture::None});
    s.push_back({InfoItem::imgSearch, ControlKind::Image, InfoItem::picStatus, 3240, 60, kIconBox, kIconBox, L"",
                 SearchTooltip(), true, true, false, 0, Picture::Search});
    s.push_back({InfoItem::lblSO, ControlKind::Label, InfoItem::picStatus, 3555, 90, 975, 210, L"[搜索大全]",
                 L"分类搜索大全", true, true, true, kStatusTextColor, Picture::None});
    // Clear of the label before it (which ends at 4530).
    s.push_back({InfoItem::lblFind, ControlKind::Label, InfoItem::picStatus, 4545, 90, 570, 210, L"[查询]",
                 L"实用查询大全", true, true, true, kStatusTextColor, Picture::None});
    s.push_back({InfoItem::imgChange, ControlKind::Image, InfoItem::picStatus, 5400, 60, kIconBox, kIconBox, L"",
                 L"内容切换", false, true, false, 0, Picture::Switch});
    s.push_back({InfoItem::lblRefresh, ControlKind::Label, InfoItem::picStatus, 5655, 90, 600, 255, L"[刷新]",
                 L"刷新在线信息", false, true, true, kStatusTextColor, Picture::None});
    s.push_back({InfoItem::chkHideWindow, ControlKind::CheckBox, InfoItem::picStatus, 6300, 60, 1110, 255, L"不再显示",
                 L"不再显示该对话框", true, false, false, kStatusTextColor, Picture::None});

    // Both views lie under the top strip; the load routine places them.
    s.push_back({InfoItem::webNotify, ControlKind::WebView, kWindow, 0, 0, kWebWidthTwips, kWebHeightTwips, L"", L"",
                 true, false, false, 0, Picture::None});
    s.push_back({InfoItem::webLocal, ControlKind::WebView, kWindow, 0, 0, kWebWidthTwips, kWebHeightTwips, L"", L"",
                 true, false, false, 0, Picture::None});
    return s;
}

}  // namespace

const std::vector<ControlPlace>& InfoLayout() {
    static const std::vector<ControlPlace> layout = Build();
    return layout;
}

const ControlPlace& PlaceOf(InfoItem control) {
    for (const ControlPlace& place : InfoLayout())
        if (place.id == control) return place;
    return InfoLayout().front();
}

std::optional<Link> LinkOf(InfoItem control) {
    switch (control) {
        case InfoItem::lblHomepage: return Link::Homepage;
        case InfoItem::lblSoft: return Link::Soft;
        case InfoItem::lblDingZhi: return Link::DingZhi;
        case InfoItem::lblSO: return Link::SO;
        case InfoItem::lblFind: return Link::Find;
        case InfoItem::lblBuy: return Link::Buy;
        case InfoItem::lblMobile: return Link::Mobile;
        case InfoItem::lblSite: return Link::Site;
        default: return std::nullopt;
    }
}

}  // namespace orvo::notifier
