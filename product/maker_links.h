// The maker's web hosts and feedback address, shared by both programs. The
// maker has no registered domain of its own, so every name lies under the
// reserved .example top-level domain and no link leads to someone else's site.
#pragma once

namespace orvo::maker {

inline constexpr wchar_t kWebHost[] = L"www.velmora.example";
inline constexpr wchar_t kGuestbookHost[] = L"guestbook.velmora.example";
inline constexpr wchar_t kSiteNavigationHost[] = L"nav.velmora.example";
inline constexpr wchar_t kWebTvHost[] = L"tv.velmora.example";
inline constexpr wchar_t kSearchHost[] = L"search.velmora.example";  // the search directory
inline constexpr wchar_t kFeedbackAddress[] = L"feedback@velmora.example";
// The shop linked from the notice window.
inline constexpr wchar_t kShopHost[] = L"shop.velmora.example";

// The public web-search service the notice window's search box sends its
// words to, with the maker's partner tag so the service can credit the maker.
inline constexpr wchar_t kWebSearchName[] = L"速寻";
inline constexpr wchar_t kWebSearchHost[] = L"www.suxun.example";
inline constexpr wchar_t kWebSearchPath[] = L"/s";
inline constexpr wchar_t kWebSearchPartnerTag[] = L"velmora_pg";

}  // namespace orvo::maker
