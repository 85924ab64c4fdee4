#include "notifier/mod_regedit.h"

#include <vector>

#include "base/scoped.h"

namespace orvo::notifier {

HKEY RootKeyFromValue(uint32_t root) {
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root)));
}

namespace {

// How many bytes the text takes in the system ANSI code page; this is the
// size the read limit is measured in, whatever the wide form takes.
size_t AnsiByteLength(const wchar_t* text, size_t count) {
    if (count == 0) return 0;
    int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(count), nullptr, 0, nullptr, nullptr);
    return n > 0 ? static_cast<size_t>(n) : count;
}

LSTATUS OpenKeyForWriting(HKEY root, const std::wstring& keyPath, HKEY* key) {
    return RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key,
                           nullptr);
}

KeyWriteOpener g_openForWriting = nullptr;

LSTATUS OpenForWriting(uint32_t root, const std::wstring& keyPath, HKEY* key) {
    return (g_openForWriting ? g_openForWriting : &OpenKeyForWriting)(RootKeyFromValue(root), keyPath, key);
}

bool ValueExists(uint32_t root, const std::wstring& keyPath, const std::wstring& valueName) {
    ScopedRegKey key;
    if (RegOpenKeyExW(RootKeyFromValue(root), keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

}  // namespace

KeyWriteOpener SetKeyWriteOpener(KeyWriteOpener opener) {
    KeyWriteOpener old = g_openForWriting;
    g_openForWriting = opener;
    return old;
}

std::wstring ReadRegValue(uint32_t root, const std::wstring& keyPath, const std::wstring& valueName) {
    ScopedRegKey key;
    if (RegOpenKeyExW(RootKeyFromValue(root), keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        return {};

    // A value that fits the 1024 ANSI bytes takes at most 1024 UTF-16 units.
    std::vector<wchar_t> buffer(kReadBufferBytes, L'\0');
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return {};

    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        size_t units = size / sizeof(wchar_t);
        if (AnsiByteLength(buffer.data(), units) > kReadBufferBytes) return {};
        size_t end = 0;
        while (end < units && buffer[end] != L'\0') ++end;
        return std::wstring(buffer.data(), end);
    }
    case REG_DWORD: {
        if (size < sizeof(DWORD)) return {};
        DWORD value;
        memcpy(&value, buffer.data(), sizeof(value));
        return std::to_wstring(value);
    }
    default:
        return {};
    }
}

bool WriteRegString(uint32_t root, const std::wstring& keyPath, const std::wstring& valueName, std::wstring& text) {
    ScopedRegKey key;
    if (OpenForWriting(root, keyPath, key.Put()) != ERROR_SUCCESS) return false;
    if (text.empty()) text = L" ";
    // The terminating zero is stored with the text so readers that do not
    // add one themselves still find the end of the string.
    DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

std::wstring ReadSetting(const std::wstring& keyPath, const std::wstring& valueName) {
    uint32_t root = ValueExists(kHkeyCurrentUser, keyPath, valueName) ? kHkeyCurrentUser : kHkeyLocalMachine;
    return ReadRegValue(root, keyPath, valueName);
}

StoredFor WriteSetting(const std::wstring& keyPath, const std::wstring& valueName, std::wstring text) {
    if (WriteRegString(kHkeyLocalMachine, keyPath, valueName, text)) {
        if (ValueExists(kHkeyCurrentUser, keyPath, valueName)) {
            ScopedRegKey user;
            if (OpenForWriting(kHkeyCurrentUser, keyPath, user.Put()) == ERROR_SUCCESS)
                RegDeleteValueW(user.Get(), valueName.c_str());
        }
        return StoredFor::Machine;
    }
    return WriteRegString(kHkeyCurrentUser, keyPath, valueName, text) ? StoredFor::User : StoredFor::Nobody;
}

}  // namespace orvo::notifier
