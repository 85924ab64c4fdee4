// Which navigations of the notice window's views go ahead, which leave for
// the user's own browser and which are dropped. The online page comes into an
// always-on-top window on a client's thread: a page alone, or a frame inside
// it, must never be able to start the user's browser, so only a user's click
// (or Enter) in a view earns a launch, and only one.
#pragma once
#include <windows.h>

#include <string>
#include <utility>

namespace orvo::notifier {

struct NavigationRequest {
    std::wstring url;
    bool newWindow = false;      // NewWindow3 rather than BeforeNavigate2
    bool topLevel = false;       // BeforeNavigate2 of the view's own document, not of a frame
    bool userInitiated = false;  // NewWindow3 whose flags carry NWMF_USERINITED
};

enum class NavigationVerdict {
    Proceed,  // the view goes there
    Launch,   // the view stays; the user's default browser opens the address
    Drop,     // the view stays and nothing else happens
};

class NavigationGate {
public:
    // How long a click stays good for its launch, and how long after a
    // launch a page's further new windows count as the same click.
    static constexpr DWORD kClickLifetimeMs = 2000;

    explicit NavigationGate(std::wstring localPagePath = {}) : localPage_(std::move(localPagePath)) {}
    void SetLocalPage(std::wstring path) { localPage_ = std::move(path); }

    // A click or Enter in a view at now (GetTickCount): arms one launch.
    void Clicked(DWORD now);
    bool Armed(DWORD now) const;

    // The verdict for a navigation at now. A launch verdict disarms.
    // - The maker's pages (and the local page) stay in the view, frames included.
    // - Any other frame navigation is dropped.
    // - A top-level navigation elsewhere (http/https) launches after a click.
    // - A new window never opens in the view; one the user asked for
    //   launches, unless a launch has just gone out.
    // - Every other scheme is dropped.
    NavigationVerdict Decide(const NavigationRequest& request, DWORD now);

private:
    NavigationVerdict LaunchAt(DWORD now);

    std::wstring localPage_;
    bool armed_ = false;
    DWORD armedAt_ = 0;
    bool launched_ = false;
    DWORD launchedAt_ = 0;
};

}  // namespace orvo::notifier
