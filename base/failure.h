// Failures carry a description a user can read. Handlers choose one of three
// ways to meet them: trap and report (a message box, then the handler ends;
// win/report.h), resume (the failing step is skipped, the next one runs), or no trap (the
// failure goes to the caller). No failure ever leaves a window procedure,
// callback or COM method.
#pragma once
#include <windows.h>

#include <exception>
#include <string>

namespace orvo {

class Failure : public std::exception {
public:
    explicit Failure(std::wstring description, long code = 0)
        : description_(std::move(description)), code_(code) {}
    const std::wstring& Description() const { return description_; }
    long Code() const { return code_; }
    const char* what() const noexcept override { return "orvo::Failure"; }

private:
    std::wstring description_;
    long code_;
};

[[noreturn]] void Fail(const std::wstring& description, long code = 0);
// Fails with the system's text for GetLastError(), prefixed by what was tried.
[[noreturn]] void FailWithLastError(const std::wstring& whatFailed);
// The system's message text for an error code, without the trailing line break.
std::wstring SystemErrorText(DWORD code);

// Only valid inside a catch block: the description of the exception in flight.
std::wstring DescribeCurrentException();

// Resume: a failure of this one step is swallowed. Returns false when it failed.
template <typename F>
bool Resume(F&& fn) noexcept {
    try {
        fn();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace orvo
