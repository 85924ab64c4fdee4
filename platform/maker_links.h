// The maker's web hosts and feedback address, shared by both programs. The
// maker has no registered domain of its own, so every name lies under the
// reserved .example top-level domain and no link leads to someone else's site.
#pragma once

namespace orvo::maker {

inline constexpr wchar_t kWebHost[] = L"www.velmora.example";
inline constexpr wchar_t kGuestbookHost[] = L"guestbook.velmora.example";
inline constexpr wchar_t kSiteNavigationHost[] = L"nav.velmora.example";
inline constexpr wchar_t kWebTvHost[] = L"tv.velmora.example";
inline constexpr wchar_t kSearchHost[] = L"search.velmora.example";
inline constexpr wchar_t kFeedbackAddress[] = L"feedback@velmora.example";

}  // namespace orvo::maker
