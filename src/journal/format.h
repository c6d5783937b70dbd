// The journal's lines: UTF-8 text, one line per step of a command, each ending in its CRC-32, so
// that a line torn by a crash or edited by hand is recognised and skipped.
//
//   C|<seq>|<copy>|<utc time>|<undoes seq or 0>|<command name>|<crc>          a command starts
//   B|<seq>|<copy>|<n>|<HKCU or HKLM>|<key path>|<value name>|<state>|<crc>  before value n changes
//   W|<seq>|<copy>|<n>|<HKCU or HKLM>|<64 or 32>|<key path>|<value name>|<state>|<crc>
//                                                  the same for a value of the wide registry
//   F|<seq>|<copy>|<n>|<file path>|<state>|<crc>     before file n changes
//   A|<seq>|<copy>|<n>|<status>|<state>|<crc>       value or file n after the change
//   E|<seq>|<copy>|<number of values>|<crc>         the command ended
//
// A state is "-" for an absent value or file, or "<type>:<data>" (a file's type is 0). B lines
// keep the ANSI registry's exact bytes; W and F lines keep paths and names in UTF-8, and the view
// the value was reached through (64: the system's own). Text and data are written as printable
// ASCII as itself, every other byte and '%' and '|' as %XX. The CRC covers the line up to the
// last '|', in eight lowercase hex digits. Lines end in CR LF, for Notepad.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "journal/values.h"
#include "platform/registry.h"
#include "platform/wide_registry.h"

namespace velqor::journal {

struct BeginRecord {
  std::uint64_t sequence = 0;
  std::uint32_t copy = 0;
  std::string time;
  std::uint64_t undoes = 0;  // the command this one undoes; 0 for none
  std::string name;          // UTF-8, as the user knows the command
  bool operator==(const BeginRecord&) const = default;
};

// What kind of place a change is made in.
enum class PlaceKind {
  kRegistry,      // a value through the ANSI registry calls
  kWideRegistry,  // a value through the UTF-16 calls, in either view
  kFile,          // a whole file (a Startup folder's shortcut)
};

struct BeforeRecord {
  std::uint64_t sequence = 0;
  std::uint32_t copy = 0;
  std::uint32_t index = 0;       // the value's place in its command, from 1
  platform::KeyHandle root = 0;  // 0 for a file
  std::string key_path;          // ANSI bytes, as passed to the registry; UTF-8 for the others
  std::string value_name;        // empty for a file
  ValueState before;
  PlaceKind kind = PlaceKind::kRegistry;
  platform::RegistryView view = platform::RegistryView::kNative;
  bool operator==(const BeforeRecord&) const = default;
};

struct AfterRecord {
  std::uint64_t sequence = 0;
  std::uint32_t copy = 0;
  std::uint32_t index = 0;
  platform::Status status = platform::kSuccess;  // the registry's answer to the change
  ValueState after;
  bool operator==(const AfterRecord&) const = default;
};

struct EndRecord {
  std::uint64_t sequence = 0;
  std::uint32_t copy = 0;
  std::uint32_t values = 0;  // after-states written: values changed or refused
  bool operator==(const EndRecord&) const = default;
};

using Record = std::variant<BeginRecord, BeforeRecord, AfterRecord, EndRecord>;

// The standard CRC-32 (as in zip files) of `bytes`.
std::uint32_t Crc32(std::string_view bytes);

// One record as a whole line, CR LF included.
std::string EncodeRecord(const Record& record);

// One line without its line end. nullopt when the checksum does not match or the line is not a
// record; `reason` (when given) then says which.
std::optional<Record> DecodeRecord(std::string_view line, std::string* reason = nullptr);

}  // namespace velqor::journal
