#include "base/failure.h"

#include <new>

#include "base/text.h"

namespace orvo {

void Fail(const std::wstring& description, long code) { throw Failure(description, code); }

std::wstring SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"Error " + std::to_wstring(code);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

void FailWithLastError(const std::wstring& whatFailed) {
    DWORD code = GetLastError();
    Fail(whatFailed + L": " + SystemErrorText(code), static_cast<long>(code));
}

std::wstring DescribeCurrentException() {
    try {
        throw;
    } catch (const Failure& f) {
        return f.Description();
    } catch (const std::bad_alloc&) {
        return L"Out of memory";
    } catch (const std::exception& e) {
        return Utf8ToWide(e.what());
    } catch (...) {
        return L"Unexpected failure";
    }
}

}  // namespace orvo
