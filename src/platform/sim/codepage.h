// The ANSI code page of the simulated platform: Windows-1252, converted to and from UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace velqor::platform::sim {

// UTF-8 to Windows-1252 bytes; a character the page lacks, or a malformed UTF-8 sequence,
// becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);
// Windows-1252 bytes to UTF-8; every byte maps (the five unassigned ones to U+0081 and its
// neighbours, as Windows does).
std::string Cp1252ToUtf8(std::string_view ansi);
// The byte with its letter case folded (A-Z and the accented letters of the page), so that
// names compare as the registry compares them.
char FoldCp1252(char byte);
// The text with every byte folded by FoldCp1252.
std::string FoldCp1252(std::string_view text);

}  // namespace velqor::platform::sim
