#include "notifier/info_navigation.h"

#include "notifier/info_rules.h"

namespace orvo::notifier {

// Tick counts wrap after 49 days; unsigned differences stay right across it.
void NavigationGate::Clicked(DWORD now) {
    armed_ = true;
    armedAt_ = now;
}

bool NavigationGate::Armed(DWORD now) const { return armed_ && now - armedAt_ <= kClickLifetimeMs; }

NavigationVerdict NavigationGate::LaunchAt(DWORD now) {
    armed_ = false;
    launched_ = true;
    launchedAt_ = now;
    return NavigationVerdict::Launch;
}

NavigationVerdict NavigationGate::Decide(const NavigationRequest& request, DWORD now) {
    const Navigation where = NavigationFor(request.url, localPage_);
    if (!request.newWindow) {
        if (where == Navigation::Stay) return NavigationVerdict::Proceed;
        if (where == Navigation::Refuse || !request.topLevel) return NavigationVerdict::Drop;
        return Armed(now) ? LaunchAt(now) : NavigationVerdict::Drop;
    }
    if (where == Navigation::Refuse || !request.userInitiated) return NavigationVerdict::Drop;
    // A click handler that opens several windows carries the flag on each.
    if (launched_ && now - launchedAt_ <= kClickLifetimeMs) return NavigationVerdict::Drop;
    return LaunchAt(now);
}

}  // namespace orvo::notifier
