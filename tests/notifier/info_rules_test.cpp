#include "notifier/info_rules.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace orvo::notifier {
namespace {

TEST(NoticeMark, BrandInAnyCaseOrEitherChineseMarkPasses) {
    EXPECT_TRUE(HasNoticeMark(L"<div>VELMORA 新版发布</div>"));
    EXPECT_TRUE(HasNoticeMark(L"<a href=x>VelMora</a>"));
    EXPECT_TRUE(HasNoticeMark(L"<p>维莫拉通知</p>"));
    EXPECT_TRUE(HasNoticeMark(L"软件通知"));
    EXPECT_TRUE(HasNoticeMark(L"velmora"));  // at the very start
}

TEST(NoticeMark, PagesWithoutAMarkFail) {
    EXPECT_FALSE(HasNoticeMark(L""));
    EXPECT_FALSE(HasNoticeMark(L"<h1>无法显示此页</h1><p>找不到服务器</p>"));
    EXPECT_FALSE(HasNoticeMark(L"velmor a"));
    EXPECT_FALSE(HasNoticeMark(L"维 莫拉 软件 通知"));
}

TEST(SearchAddress, EmptyBoxLeavesOutTheWordKey) {
    std::wstring url = SearchUrl(L"");
    EXPECT_EQ(url, L"https://www.suxun.example/s?tn=velmora_pg");
    EXPECT_EQ(SearchUrl(L"    "), url);
    EXPECT_EQ(url.find(L"word"), std::wstring::npos);
    EXPECT_EQ(url.find(L"<searchstring>"), std::wstring::npos);
}

TEST(SearchAddress, WordsGoInTrimmedAndPercentEncodedAsUtf8) {
    const std::wstring service = L"https://www.suxun.example/s?tn=velmora_pg&word=";
    EXPECT_EQ(SearchUrl(L"  C# AT&T 100% 录音 "), service + L"C%23%20AT%26T%20100%25%20%E5%BD%95%E9%9F%B3");
    EXPECT_EQ(SearchUrl(L"a+b=c/d?e"), service + L"a%2Bb%3Dc%2Fd%3Fe");
    EXPECT_EQ(SearchUrl(L"Wave-file_v1.2~x"), service + L"Wave-file_v1.2~x");
    // Only spaces are trimmed; a tab stays part of the words.
    EXPECT_EQ(SearchUrl(L"\ta"), service + L"%09a");
    // A placeholder typed into the box is not replaced again.
    EXPECT_EQ(SearchUrl(L"<searchstring>"), service + L"%3Csearchstring%3E");
}

TEST(SearchAddress, ReplaceAllDoesNotRescanWhatItInserted) {
    EXPECT_EQ(ReplaceAll(L"a-x-x", L"x", L"xx"), L"a-xx-xx");
    EXPECT_EQ(ReplaceAll(L"abc", L"", L"z"), L"abc");
    EXPECT_EQ(TrimSpaces(L"  a b  "), L"a b");
    EXPECT_EQ(TrimSpaces(L"   "), L"");
}

TEST(LoadNames, BlankNamesFallBackAndOthersKeepTheirSpaces) {
    EXPECT_EQ(ResolveSoftDesc(L""), L"维莫拉社区");
    EXPECT_EQ(ResolveSoftDesc(L"   "), L"维莫拉社区");
    EXPECT_EQ(ResolveSoftDesc(L"  欧沃录音机 "), L"  欧沃录音机 ");
    EXPECT_EQ(WindowCaption(L"  欧沃录音机 "), L"  欧沃录音机  - 通知链接");
    EXPECT_EQ(SoftLinkCaption(L"维莫拉社区"), L"维莫拉社区首页");
}

TEST(ReadmePath, EmptyMeansTheLocalPageAndWebAddressesAreKept) {
    EXPECT_EQ(ResolveReadmePath(L"", L"C:\\Orvo"), L"C:\\Orvo\\vmminihome.htm");
    EXPECT_EQ(ResolveReadmePath(L"http://x.example/r.txt", L"C:\\Orvo"), L"http://x.example/r.txt");
    EXPECT_EQ(ResolveReadmePath(L"HTTPS://x.example/a?b=c", L"C:\\Orvo"), L"HTTPS://x.example/a?b=c");
    // Nothing that could split the browser's command line, and a host at all.
    for (const wchar_t* refused : {L"https://x.example/a\" --new", L"https://x.example/a b", L"https://", L"http:///a",
                                   L"ftp://x.example/r.txt", L"file:///C:/Orvo/readme.txt", L" "})
        EXPECT_EQ(ResolveReadmePath(refused, L"C:\\Orvo"), L"") << std::string(refused, refused + wcslen(refused));
}

TEST(ReadmePath, OnlyPagesAndTextsInsideTheFolderAreOpened) {
    const std::wstring folder = L"C:\\Program Files\\Orvo";
    EXPECT_EQ(ResolveReadmePath(L"readme.txt", folder), folder + L"\\readme.txt");
    EXPECT_EQ(ResolveReadmePath(L"help\\Guide.HTM", folder), folder + L"\\help\\Guide.HTM");
    EXPECT_EQ(ResolveReadmePath(L"c:\\program files\\orvo\\FAQ.txt", folder), L"c:\\program files\\orvo\\FAQ.txt");
    EXPECT_EQ(ResolveReadmePath(L"sub\\..\\readme.txt", folder), folder + L"\\readme.txt");
    for (const wchar_t* refused :
         {L"OrvoRecord.exe", L"C:\\Program Files\\Orvo\\OrvoRecord.exe", L"readme.txt.lnk", L"readme.html",
          L"readme.bat", L"readme", L"..\\readme.txt", L"sub\\..\\..\\Other\\readme.txt",
          L"C:\\Program Files\\Orvo2\\readme.txt", L"C:\\Program Files\\Orvo.txt", L"C:\\Windows\\win.txt",
          L"\\\\server\\share\\readme.txt", L"\\Program Files\\Orvo\\readme.txt", L"D:readme.txt",
          L"readme.txt:hidden.exe", L"\\\\?\\C:\\Program Files\\Orvo\\readme.txt", L"*.txt", L"readme.txt|calc"})
        EXPECT_EQ(ResolveReadmePath(refused, folder), L"") << std::string(refused, refused + wcslen(refused));
}

TEST(Links, EveryLabelHasItsOwnTarget) {
    EXPECT_EQ(LinkAddress(Link::Homepage, L""), L"https://www.velmora.example/");
    EXPECT_EQ(LinkAddress(Link::Soft, L"D:\\readme.txt"), L"D:\\readme.txt");
    EXPECT_EQ(LinkAddress(Link::DingZhi, L""), L"https://www.velmora.example/orvocustomization.htm");
    EXPECT_EQ(LinkAddress(Link::SO, L""), L"https://search.velmora.example/");
    EXPECT_EQ(LinkAddress(Link::Find, L""), L"https://www.velmora.example/extpage/life.htm");
    EXPECT_EQ(LinkAddress(Link::Buy, L""), L"https://shop.velmora.example/");
    EXPECT_EQ(LinkAddress(Link::Mobile, L""), L"https://www.velmora.example/ad/orvotuling.htm");
    EXPECT_EQ(LinkAddress(Link::Site, L""), L"https://nav.velmora.example/");
    EXPECT_EQ(LogoTooltip(), L"维莫拉 - [www.velmora.example]");
    EXPECT_EQ(HomepageTooltip(), L"维莫拉官网 - www.velmora.example");
}

TEST(TopmostPlacement, LeftIsDividedFirstTheRestRoundedThenTruncated) {
    auto p = TopmostPlacementFor(1000, 1000, 7500, 6000, 15, 15);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 67);  // 66.67 rounds up
    EXPECT_EQ(p->y, 66);  // 1000 div 15 truncates
    EXPECT_EQ(p->cx, 500);
    EXPECT_EQ(p->cy, 400);

    // Twelve and a half twips per pixel: the divisor of the others rounds
    // (half to even) to 12, the left edge is divided by 12.5 itself.
    p = TopmostPlacementFor(1000, 1000, 7500, 5625, 12.5, 12.5);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 80);
    EXPECT_EQ(p->y, 83);
    EXPECT_EQ(p->cx, 625);
    EXPECT_EQ(p->cy, 468);
}

TEST(TopmostPlacement, HalvesGoToEvenAndNegativesTruncateTowardZero) {
    auto p = TopmostPlacementFor(37.5, -1000, 22.5, 7.5, 15, 15);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 2);     // 2.5 -> 2
    EXPECT_EQ(p->y, -66);   // -1000 div 15
    EXPECT_EQ(p->cx, 1);    // 22.5 -> 22, div 15
    EXPECT_EQ(p->cy, 0);    // 7.5 -> 8, div 15
    p = TopmostPlacementFor(52.5, 0, 0, 0, 15, 15);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 4);  // 3.5 -> 4
}

TEST(TopmostPlacement, ImpossibleArithmeticLeavesTheWindowWhereItIs) {
    EXPECT_FALSE(TopmostPlacementFor(0, 0, 100, 100, 0.4, 15));  // divisor rounds to 0
    EXPECT_FALSE(TopmostPlacementFor(0, 0, 100, 100, 15, 0.5));  // 0.5 -> 0 as well
    EXPECT_FALSE(TopmostPlacementFor(0, 0, 100, 100, 0, 15));
    EXPECT_FALSE(TopmostPlacementFor(1e12, 0, 100, 100, 15, 15));
}

TEST(ViewSwitch, OddClicksShowTheLocalPage) {
    EXPECT_TRUE(SwitchShowsLocal(1));
    EXPECT_FALSE(SwitchShowsLocal(2));
    EXPECT_TRUE(SwitchShowsLocal(3));
}

TEST(Navigation, OnlyTheMakersPagesAndTheLocalPageStayInTheView) {
    const std::wstring local = L"C:\\Program Files\\Orvo\\vmminihome.htm";
    EXPECT_EQ(NavigationFor(L"http://www.velmora.example/notify/x.htm?soft=a", local), Navigation::Stay);
    EXPECT_EQ(NavigationFor(L"HTTPS://Shop.Velmora.Example:8080/", local), Navigation::Stay);
    EXPECT_EQ(NavigationFor(L"file:///C:/Program%20Files/Orvo/vmminihome.htm", local), Navigation::Stay);
    EXPECT_EQ(NavigationFor(local, local), Navigation::Stay);
    // Look-alikes of the maker's hosts are other sites.
    EXPECT_EQ(NavigationFor(L"http://www.velmora.example.evil.test/", local), Navigation::OpenInBrowser);
    EXPECT_EQ(NavigationFor(L"http://www.velmora.example@evil.test/", local), Navigation::OpenInBrowser);
    EXPECT_EQ(NavigationFor(L"https://www.suxun.example/s?word=a", local), Navigation::OpenInBrowser);
    for (const wchar_t* refused : {L"file:///C:/Windows/win.ini", L"javascript:alert(1)", L"res://ieframe.dll/x",
                                   L"ms-its:C:\\a.chm::/b.htm", L"C:\\Windows\\notepad.exe", L"mailto:a@b.example"})
        EXPECT_EQ(NavigationFor(refused, local), Navigation::Refuse) << std::string(refused, refused + wcslen(refused));
}

}  // namespace
}  // namespace orvo::notifier
