#include "tests/support/host_command.h"

#include <windows.h>

namespace orvo::test {
namespace {

// Wine's loader exports this to start a host program.
using SpawnFn = LONG(__cdecl*)(char* const argv[], int wait);

SpawnFn Spawn() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll ? reinterpret_cast<SpawnFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "__wine_unix_spawnvp")))
                 : nullptr;
}

}  // namespace

bool HostCommandsAvailable() { return Spawn() != nullptr; }

bool RunHostCommand(const std::vector<std::string>& argv) {
    SpawnFn spawn = Spawn();
    if (!spawn || argv.empty()) return false;
    std::vector<std::string> copy = argv;
    std::vector<char*> args;
    for (auto& a : copy) args.push_back(a.data());
    args.push_back(nullptr);
    return spawn(args.data(), 1) == 0;
}

}  // namespace orvo::test

namespace orvo::test {

std::string HostPath(const std::wstring& path) {
    using UnixNameFn = char*(__cdecl*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    if (!name) return {};
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

bool DecodeOnHost(const std::wstring& encoded, const std::wstring& wav) {
    DeleteFileW(wav.c_str());
    HANDLE touch = CreateFileW(wav.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (touch == INVALID_HANDLE_VALUE) return false;
    CloseHandle(touch);  // the host names only files that are there
    const std::string in = HostPath(encoded), out = HostPath(wav);
    const bool mp3 = encoded.size() > 4 && _wcsicmp(encoded.c_str() + encoded.size() - 4, L".mp3") == 0;
    if (in.empty() || out.empty()) return false;
    return mp3 ? RunHostCommand({"mpg123", "-q", "-w", out, in})
               : RunHostCommand({"flac", "-d", "-s", "-f", "-o", out, in});
}

}  // namespace orvo::test
