// Text stays UTF-16 inside the programs; these helpers convert at the edges
// (UTF-8 source data, the ANSI code page of the A functions some records use).
#pragma once
#include <string>
#include <string_view>

namespace orvo {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
// The system's ANSI code page, as the A functions of the API read and write it.
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);

}  // namespace orvo
