// The notifier's registry helpers. Both reach the key with a write-capable
// access mask, so a user who may only read HKEY_LOCAL_MACHINE gets nothing back
// and can write nothing; callers treat both the same way as a missing value.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace orvo::notifier {

// Predefined roots as the 32-bit values clients pass around.
inline constexpr uint32_t kHkeyLocalMachine = 0x80000002u;
inline constexpr uint32_t kHkeyCurrentUser = 0x80000001u;

// READ_CONTROL plus query, set, create subkey, enumerate, notify, create link.
inline constexpr REGSAM kNotifierKeyAccess = 0x2003F;

// Values longer than this, terminating zero included and counted in the
// bytes of the system ANSI code page, are not read.
inline constexpr DWORD kReadBufferBytes = 1024;

// A predefined root passed as a 32-bit value; on 64-bit Windows the handle is
// the sign-extended value.
HKEY RootKeyFromValue(uint32_t root);

// The value as text: REG_SZ and REG_EXPAND_SZ as stored (no expansion),
// REG_DWORD as its unsigned decimal value, anything else or anything that
// cannot be read as the empty string.
std::wstring ReadRegValue(uint32_t root, const std::wstring& keyPath, const std::wstring& valueName);

// Writes text as REG_SZ, creating the key if needed. An empty text is stored
// as one space, and text itself becomes " " too. True when the value was written.
bool WriteRegString(uint32_t root, const std::wstring& keyPath, const std::wstring& valueName, std::wstring& text);

}  // namespace orvo::notifier
