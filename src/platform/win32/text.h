// UTF-8 text of the program to the UTF-16 of the W functions and to the ANSI code page, and back.
#pragma once

#include <string>
#include <string_view>

namespace velqor::platform::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// Through UTF-16 to CP_ACP; characters the page lacks become '?'.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace velqor::platform::win32
