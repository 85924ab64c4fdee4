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
