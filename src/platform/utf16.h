// UTF-16 text (the wide registry's and the shell's) to and from the program's UTF-8, without
// the system: the same conversion in both builds, so that the journal's lines read the same.
#pragma once

#include <string>
#include <string_view>

namespace velqor::platform {

// Half a surrogate pair, which UTF-8 cannot carry, becomes U+FFFD.
std::string Utf8(std::u16string_view text);
// Bytes that are not UTF-8 become U+FFFD each.
std::u16string Utf16(std::string_view utf8);

}  // namespace velqor::platform
