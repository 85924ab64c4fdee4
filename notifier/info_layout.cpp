#include "notifier/info_layout.h"

namespace orvo::notifier {
namespace {

constexpr Control kWindow = Control::Count;
constexpr int kTopLabelTop = 90;
constexpr int kTopLabelHeight = 255;
constexpr int kTopIconTop = 45;
constexpr int kIconBox = 240;

ControlPlace TopLabel(Control id, int left, int width, const wchar_t* caption, std::wstring tooltip, bool visible,
                     bool centred = true) {
    return {id,      ControlKind::Label, Control::picTop, left,          kTopLabelTop,  width, kTopLabelHeight,
            caption, std::move(tooltip), visible,         true,          centred,       kTopLinkColor, Picture::None};
}

ControlPlace TopIcon(Control id, int left, bool visible) {
    return {id,         ControlKind::Image, Control::picTop, left,  kTopIconTop, kIconBox, kIconBox, L"",
            LogoTooltip(), visible,         false,           false, 0,           Picture::Logo};
}

std::vector<ControlPlace> Build() {
    std::vector<ControlPlace> s;
    s.push_back({Control::picTop, ControlKind::Strip, kWindow, 0, 0, 7440, 400, L"", L"", true, false, false, 0,
                 Picture::None});
    s.push_back(TopIcon(Control::imgLogo, 45, true));
    s.push_back(TopLabel(Control::lblHomepage, 315, 795, L"[维莫拉]", HomepageTooltip(), true));
    s.push_back(TopIcon(Control::Image5, 1125, true));
    s.push_back(TopLabel(Control::lblSoft, 1440, 3255, L"[打开软件首页]", L"打开软件主页", true, false));
    s.push_back(TopIcon(Control::Image3, 3555, false));
    s.push_back(TopLabel(Control::lblMobile, 3825, 915, L"[手机图铃]", L"最新最酷手机图铃", false));
    s.push_back(TopIcon(Control::Image2, 4860, false));
    s.push_back(TopLabel(Control::lblBuy, 5130, 915, L"[网上购物]", L"网上购物", false));
    s.push_back(TopIcon(Control::Image4, 6120, false));
    s.push_back(TopLabel(Control::lblSite, 6435, 915, L"[酷站导航]", L"维莫拉上网导航 - [建议设为IE首页]", false));
    s.push_back(TopIcon(Control::Image1, 6120, true));
    s.push_back(TopLabel(Control::lblDingZhi, 6390, 915, L"[软件定制]", L"欧沃软件工作室－提供专业软件定制服务", true));

    s.push_back({Control::picStatus, ControlKind::Strip, kWindow, 0, 5220, 7425, 405, L"", L"", true, false, false, 0,
                 Picture::None});
    s.push_back({Control::Label1, ControlKind::Label, Control::picStatus, 45, 90, 420, 195, L"搜索", L"", true, false,
                 false, kStatusTextColor, Picture::None});
    s.push_back({Control::txtSearch, ControlKind::Edit, Control::picStatus, 495, 35, 2700, 280, kSearchPrompt, L"",
                 true, false, false, 0, Picture::None});
    s.push_back({Control::imgSearch, ControlKind::Image, Control::picStatus, 3240, 60, kIconBox, kIconBox, L"",
                 SearchTooltip(), true, true, false, 0, Picture::Search});
    s.push_back({Control::lblSO, ControlKind::Label, Control::picStatus, 3555, 90, 975, 210, L"[搜索大全]",
                 L"分类搜索大全", true, true, true, kStatusTextColor, Picture::None});
    s.push_back({Control::lblFind, ControlKind::Label, Control::picStatus, 4500, 90, 570, 210, L"[查询]",
                 L"实用查询大全", true, true, true, kStatusTextColor, Picture::None});
    s.push_back({Control::imgChange, ControlKind::Image, Control::picStatus, 5400, 60, kIconBox, kIconBox, L"",
                 L"内容切换", false, true, false, 0, Picture::Switch});
    s.push_back({Control::lblRefresh, ControlKind::Label, Control::picStatus, 5655, 90, 600, 255, L"[刷新]",
                 L"刷新在线信息", false, true, true, kStatusTextColor, Picture::None});
    s.push_back({Control::chkHideWindow, ControlKind::CheckBox, Control::picStatus, 6300, 60, 1110, 255, L"不再显示",
                 L"不再显示该对话框", true, false, false, kStatusTextColor, Picture::None});

    // Both views lie under the top strip; the load routine places them.
    s.push_back({Control::webNotify, ControlKind::WebView, kWindow, 0, 0, kWebWidthTwips, kWebHeightTwips, L"", L"",
                 true, false, false, 0, Picture::None});
    s.push_back({Control::webLocal, ControlKind::WebView, kWindow, 0, 0, kWebWidthTwips, kWebHeightTwips, L"", L"",
                 true, false, false, 0, Picture::None});
    return s;
}

}  // namespace

const std::vector<ControlPlace>& InfoLayout() {
    static const std::vector<ControlPlace> layout = Build();
    return layout;
}

const ControlPlace& PlaceOf(Control control) {
    for (const ControlPlace& place : InfoLayout())
        if (place.id == control) return place;
    return InfoLayout().front();
}

std::optional<Link> LinkOf(Control control) {
    switch (control) {
        case Control::lblHomepage: return Link::Homepage;
        case Control::lblSoft: return Link::Soft;
        case Control::lblDingZhi: return Link::DingZhi;
        case Control::lblSO: return Link::SO;
        case Control::lblFind: return Link::Find;
        case Control::lblBuy: return Link::Buy;
        case Control::lblMobile: return Link::Mobile;
        case Control::lblSite: return Link::Site;
        default: return std::nullopt;
    }
}

}  // namespace orvo::notifier
