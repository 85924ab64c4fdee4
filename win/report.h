// Trap and report: the way a handler shows its failure to the user.
#pragma once
#include <windows.h>

#include <string>

#include "base/failure.h"

namespace orvo {

// Trap and report: the description goes into a message box (information icon,
// the given title) through the UI seam. Returns false when fn failed.
template <typename F>
bool TrapAndReport(HWND owner, const std::wstring& title, F&& fn);

void ReportFailure(HWND owner, const std::wstring& title, const std::wstring& description);

template <typename F>
bool TrapAndReport(HWND owner, const std::wstring& title, F&& fn) {
    try {
        fn();
        return true;
    } catch (...) {
        std::wstring d = DescribeCurrentException();
        try {
            ReportFailure(owner, title, d);
        } catch (...) {
        }
        return false;
    }
}

}  // namespace orvo
