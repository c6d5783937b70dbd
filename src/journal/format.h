// The journal's lines: UTF-8 text, one line per step of a command, each ending in its CRC-32, so
// that a line torn by a crash or edited by hand is recognised and skipped.
//
//   C|<seq>|<copy>|<utc time>|<undoes seq or 0>|<command name>|<crc>      a command starts
//   B|<seq>|<copy>|<n>|<HKCU or HKLM>|<key path>|<value name>|<state>|<crc>   before value n
//   changes A|<seq>|<copy>|<n>|<status>|<state>|<crc>                            value n after the
//   change E|<seq>|<copy>|<number of values>|<crc>                              the command ended
//
// A state is "-" for an absent value, or "<type>:<data>". Text and data are the registry's exact
// bytes: printable ASCII as itself, every other byte and '%' and '|' as %XX. The CRC covers the
// line up to the last '|', in eight lowercase hex digits. Lines end in CR LF, for Notepad.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "journal/values.h"
#include "platform/registry.h"

namespace velqor::journal {

struct BeginRecord {
  std::uint64_t sequence = 0;
  std::uint32_t copy = 0;
  std::string time;
  std::uint64_t undoes = 0;  // the command this one undoes; 0 for none
  std::string name;          // UTF-8, as the user knows the command
  bool operator==(const BeginRecord&) const = default;
};

struct BeforeRecord {
  std::uint64_t sequence = 0;
  std::uint32_t copy = 0;
  std::uint32_t index = 0;  // the value's place in its command, from 1
  platform::KeyHandle root = 0;
  std::string key_path;  // ANSI bytes, as passed to the registry
  std::string value_name;
  ValueState before;
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
