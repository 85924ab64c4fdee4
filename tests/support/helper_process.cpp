#include "tests/support/helper_process.h"

#include <windows.h>

namespace orvo::test {

ScopedHandle StartHelper(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    std::wstring command = L"\"" + folder + L"\\" + program + L"\"";
    for (const std::wstring& a : arguments) command += L" \"" + a + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
    CloseHandle(pi.hThread);
    return ScopedHandle(pi.hProcess);
}

}  // namespace orvo::test
