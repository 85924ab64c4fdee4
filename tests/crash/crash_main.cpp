// Crashes on purpose. The suite expects this program to fail: if it ever
// passes, a test program that crashes half-way would be counted as passed too.
// Wine starts the debugger named under AeDebug on a crash, and with its
// default debugger the process ends with exit code 0 now and then (about one
// crash in six here). A single crash would seldom show that, so the program
// first looks at the setting itself and passes at once when a debugger is
// named; then it crashes.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The debugger Wine starts on a crash; empty when none (or when the value is
// missing, which also starts none).
std::wstring CrashDebugger() {
    wchar_t value[1024] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug", L"Debugger",
                     RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return {};
    }
    return value;
}

}  // namespace

int main() {
    std::wstring debugger = CrashDebugger();
    if (!debugger.empty()) {
        std::printf("a crash starts the debugger \"%ls\", which may end the process with exit code 0\n",
                    debugger.c_str());
        return 0;
    }
    std::puts("writing through a null pointer");
    std::fflush(stdout);
    // Volatile both ways, so the compiler neither proves the pointer null nor
    // drops the store: the crash is a real access violation.
    volatile int* volatile target = nullptr;
    *target = 1;
    std::puts("still running after the write");
    return 0;
}
