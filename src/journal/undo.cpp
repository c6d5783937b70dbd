#include "journal/undo.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace velqor::journal {

using platform::Status;

namespace {

// A value's identity: the registry matches names without regard to case.
std::string Identity(const ValueChange& value) {
  std::string id = value.kind == PlaceKind::kFile                 ? "F\\"
                   : value.kind == PlaceKind::kRegistry           ? ""
                   : value.view == platform::RegistryView::k32Bit ? "W32\\"
                                                                  : "W64\\";
  id += value.root == platform::kHkeyLocalMachine ? "HKLM\\" : "HKCU\\";
  id += value.key_path;
  id += '\n';
  id += value.value_name;
  for (char& c : id) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return id;
}

// A command's changes outside the ANSI registry need the recorder's other fronts; a plain
// registry (a test's, or one without them) refuses them.
struct Places {
  platform::Registry& registry;
  platform::WideRegistry* wide = nullptr;
  platform::StartupFolders* folders = nullptr;
};

Places PlacesOf(platform::Registry& registry) {
  auto* recorder = dynamic_cast<Recorder*>(&registry);
  return recorder == nullptr ? Places{registry}
                             : Places{registry, recorder->wide(), recorder->folders()};
}

Status Read(const Places& places, const ValueChange& value, ValueState& out) {
  switch (value.kind) {
    case PlaceKind::kRegistry:
      return ReadState(places.registry, value.root, value.key_path, value.value_name, out);
    case PlaceKind::kWideRegistry:
      return places.wide == nullptr ? platform::kNotSupported
                                    : ReadState(*places.wide, value.root, value.view,
                                                value.key_path, value.value_name, out);
    case PlaceKind::kFile:
      return places.folders == nullptr ? platform::kNotSupported
                                       : ReadState(*places.folders, value.key_path, out);
  }
  return platform::kNotSupported;
}

Status Write(const Places& places, const ValueChange& value, const ValueState& state) {
  switch (value.kind) {
    case PlaceKind::kRegistry:
      return WriteState(places.registry, value.root, value.key_path, value.value_name, state);
    case PlaceKind::kWideRegistry:
      return places.wide == nullptr ? platform::kNotSupported
                                    : WriteState(*places.wide, value.root, value.view,
                                                 value.key_path, value.value_name, state);
    case PlaceKind::kFile:
      return places.folders == nullptr ? platform::kNotSupported
                                       : WriteState(*places.folders, value.key_path, state);
  }
  return platform::kNotSupported;
}

bool Refused(const ValueChange& value) {
  return value.status != platform::kSuccess;
}

std::string RootName(platform::KeyHandle root) {
  return root == platform::kHkeyLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') {
      out.push_back('\\');
    }
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

// "text" with its one terminating NUL and nothing that a quoted string cannot carry.
bool QuotesExactly(const RegValue& value) {
  const std::string& b = value.bytes;
  return value.type == platform::kRegSz && !b.empty() && b.back() == '\0' &&
         b.find_first_of(std::string_view("\0\r\n", 3)) == b.size() - 1;
}

// "name"=hex(N):.. with lines continued after a comma before they pass 80 characters.
void AppendHex(std::string& out, std::string line, const std::string& bytes) {
  char piece[8];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(piece, sizeof(piece), i + 1 < bytes.size() ? "%02x," : "%02x",
                  static_cast<unsigned char>(bytes[i]));
    if (i > 0 && line.size() + std::char_traits<char>::length(piece) > 77) {
      out += line;
      out += "\\\r\n";
      line = "  ";
    }
    line += piece;
  }
  out += line;
  out += "\r\n";
}

void AppendValue(std::string& out, const ValueChange& value) {
  std::string line = value.value_name.empty() ? "@=" : Quoted(value.value_name) + "=";
  if (!value.before) {
    out += line + "-\r\n";
    return;
  }
  const RegValue& before = *value.before;
  if (QuotesExactly(before)) {
    out +=
        line + Quoted(std::string_view(before.bytes).substr(0, before.bytes.size() - 1)) + "\r\n";
    return;
  }
  if (before.type == platform::kRegDword && before.bytes.size() == 4) {
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
      number = number << 8 | static_cast<unsigned char>(before.bytes[static_cast<std::size_t>(i)]);
    }
    char text[24];
    std::snprintf(text, sizeof(text), "dword:%08x\r\n", static_cast<unsigned>(number));
    out += line + text;
    return;
  }
  if (before.type == platform::kRegBinary) {
    line += "hex:";
  } else {
    char type[24];
    std::snprintf(type, sizeof(type), "hex(%x):", static_cast<unsigned>(before.type));
    line += type;
  }
  AppendHex(out, std::move(line), before.bytes);
}

}  // namespace

std::vector<const ValueChange*> ChangedSince(platform::Registry& registry, const Command& command) {
  const Places places = PlacesOf(registry);
  // The last change of each value is the state the command left it in.
  std::map<std::string, const ValueChange*> last;
  std::vector<std::string> order;
  for (const ValueChange& value : command.values) {
    if (Refused(value)) {
      continue;
    }
    const std::string id = Identity(value);
    if (last.emplace(id, &value).second) {
      order.push_back(id);
    } else {
      last[id] = &value;
    }
  }
  std::vector<const ValueChange*> changed;
  for (const std::string& id : order) {
    const ValueChange& value = *last[id];
    if (!value.after) {
      continue;
    }
    ValueState now;
    if (Read(places, value, now) != platform::kSuccess || now != *value.after) {
      changed.push_back(&value);
    }
  }
  return changed;
}

UndoOutcome Undo(platform::Registry& registry, const Command& command, UndoMode mode) {
  const Places places = PlacesOf(registry);
  UndoOutcome outcome;
  std::set<std::string> leave;
  if (mode == UndoMode::kOnlyUnchanged) {
    for (const ValueChange* value : ChangedSince(registry, command)) {
      leave.insert(Identity(*value));
      outcome.left.push_back(value);
    }
  }
  for (auto it = command.values.rbegin(); it != command.values.rend(); ++it) {
    const ValueChange& value = *it;
    if (Refused(value) || leave.count(Identity(value)) != 0) {
      continue;
    }
    ValueState now;
    if (Read(places, value, now) == platform::kSuccess && now == value.before) {
      continue;  // already as it was
    }
    const Status status = Write(places, value, value.before);
    if (status == platform::kSuccess) {
      outcome.put_back.push_back(&value);
    } else {
      outcome.refused.push_back({&value, status});
    }
  }
  return outcome;
}

std::string UndoName(const Command& command) {
  return "Undo of " + std::to_string(command.sequence);
}

UndoOutcome RecordedUndo(Recorder& recorder, const Command& command, UndoMode mode) {
  const CommandScope scope(recorder, UndoName(command), command.sequence);
  UndoOutcome outcome = Undo(recorder, command, mode);
  // Nothing left to put back is an undo done all the same: the command is no longer undoable.
  if (outcome.put_back.empty() && outcome.refused.empty()) {
    recorder.KeepEmpty();
  }
  return outcome;
}

std::string ExportBeforeStates(const Command& command) {
  // The first change of each value that the registry allowed holds its state before the command.
  std::vector<std::string> keys;  // in the order they first appear
  std::map<std::string, std::vector<const ValueChange*>> by_key;
  std::set<std::string> seen;
  for (const ValueChange& value : command.values) {
    // A .reg file holds the ANSI registry's values only.
    if (Refused(value) || value.kind != PlaceKind::kRegistry ||
        !seen.insert(Identity(value)).second) {
      continue;
    }
    const std::string key =
        "[" + RootName(value.root) + (value.key_path.empty() ? "" : "\\" + value.key_path) + "]";
    auto& values = by_key[key];
    if (values.empty()) {
      keys.push_back(key);
    }
    values.push_back(&value);
  }
  std::string out = "REGEDIT4\r\n";
  for (const std::string& key : keys) {
    out += "\r\n" + key + "\r\n";
    for (const ValueChange* value : by_key[key]) {
      AppendValue(out, *value);
    }
  }
  out += "\r\n";
  return out;
}

}  // namespace velqor::journal
