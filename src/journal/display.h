// How the journal's values read on the screen: where a value is, and a state as text. The one
// place that words them, for every window and message that names a value.
#pragma once

#include <string>

#include "journal/journal.h"
#include "journal/values.h"
#include "platform/registry.h"

namespace velqor::journal {

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
std::string RootName(platform::KeyHandle root);

// Where a value is, as "root\key\value" in UTF-8; a key's default value reads "(Default)".
// `registry` converts the recorded ANSI bytes. A wide-registry value reached through the 32-bit
// view ends in " (32-bit view)"; a file is its full path.
std::string Where(const platform::Registry& registry, platform::KeyHandle root,
                  const std::string& key_path, const std::string& value_name);
std::string Where(const platform::Registry& registry, const ValueChange& value);

// A state as a user reads it: "(absent)"; a REG_DWORD as "400 (0x190)"; a REG_SZ as its
// text in quotes; any other type, or a REG_DWORD that is not four bytes, as its type name and
// hex bytes ("REG_BINARY 01 ff"), the first 64 bytes of a long one followed by the length.
std::string DescribeState(const platform::Registry& registry, const ValueState& state);
// The same for a state of `value`'s place: a wide-registry string decoded from UTF-16, a file as
// its size ("file of 1234 bytes").
std::string DescribeState(const platform::Registry& registry, const ValueChange& value,
                          const ValueState& state);

}  // namespace velqor::journal
