// Splitting a Windows path into its folder, file name and extension, the
// one way every part of the programs does it. Both separators count.
#pragma once
#include <string>

namespace orvo {

// The folder the path names a file in, without a trailing separator except
// for a drive's root ("D:\a.wav" -> "D:\"); empty when the path has none.
std::wstring FolderOf(const std::wstring& path);
// The last component ("C:\x\a.wav" -> "a.wav"); the path itself when it has
// no separator.
std::wstring FileNameOf(const std::wstring& path);
// The path with the file name's extension (from its last dot) replaced by
// extension, given without the dot; added when the name has none.
std::wstring WithExtension(const std::wstring& path, const std::wstring& extension);
// The file name's extension without the dot ("a.b.MP3" -> "MP3"); empty
// when it has none.
std::wstring ExtensionOf(const std::wstring& path);
// True when path names a file (not a folder) that is there.
bool FileExists(const std::wstring& path);

}  // namespace orvo
