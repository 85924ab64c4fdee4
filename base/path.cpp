#include "base/path.h"

#include <windows.h>

namespace orvo {

namespace {
constexpr wchar_t kSeparators[] = L"\\/";
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(kSeparators);
    if (slash == std::wstring::npos) return {};
    std::wstring folder = path.substr(0, slash);
    // "C:" alone would mean the drive's current folder, not its root.
    if (folder.size() == 2 && folder[1] == L':') folder.push_back(path[slash]);
    return folder;
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(kSeparators);
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WithExtension(const std::wstring& path, const std::wstring& extension) {
    size_t dot = path.find_last_of(L".\\/");
    std::wstring stem = dot != std::wstring::npos && path[dot] == L'.' ? path.substr(0, dot) : path;
    return stem + L"." + extension;
}

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ExtensionOf(const std::wstring& path) {
    std::wstring name = FileNameOf(path);
    size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
}

}  // namespace orvo
