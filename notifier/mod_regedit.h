// The notifier's registry helpers. Reading asks for read rights only, so a
// standard user still reads the machine's settings; writing falls back to the
// user's own hive where the machine's may not be changed.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace orvo::notifier {

// Predefined roots as the 32-bit values clients pass around.
inline constexpr uint32_t kHkeyLocalMachine = 0x80000002u;
inline constexpr uint32_t kHkeyCurrentUser = 0x80000001u;

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

// A setting as the component uses it: the current user's value when there is
// one, otherwise the machine's.
std::wstring ReadSetting(const std::wstring& keyPath, const std::wstring& valueName);

// Where WriteSetting could store the value.
enum class StoredFor { Nobody, Machine, User };
// Stores the value for the whole machine where allowed, otherwise for the
// current user. A user value left from before is removed once the machine's
// is written, since it would otherwise hide the new one.
StoredFor WriteSetting(const std::wstring& keyPath, const std::wstring& valueName, std::wstring text);

// Every key the helpers write through is opened (and made) here. Windows
// refuses a standard user under HKEY_LOCAL_MACHINE at this point; Wine grants
// every write, so tests put their own opener in to refuse one. Returns the
// previous opener; nullptr puts the real one back.
using KeyWriteOpener = LSTATUS (*)(HKEY root, const std::wstring& keyPath, HKEY* key);
KeyWriteOpener SetKeyWriteOpener(KeyWriteOpener opener);

}  // namespace orvo::notifier
