// RegWrite and RegDelete over any Registry: the script host's path, root-name and type rules in
// one place, shared by the Win32 and the simulated script host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "platform/script_host.h"

namespace velqor::platform {

// A full path split into root, key path and value name (empty for a key's default value).
struct FullPath {
  KeyHandle root = 0;
  std::string key_path;
  std::string value_name;
  bool names_key = false;  // the path ended in a back-slash
};

// Splits "ROOT\key\name" by the script host's rules; nullopt for an unknown root or a path
// without a back-slash after the root.
std::optional<FullPath> ParseFullPath(std::string_view path);

// RegWrite over `registry`, with text in UTF-8. Raises Failure.
void RegWriteVerb(Registry& registry, std::string_view path, const ScriptValue& value,
                  std::string_view type);
// RegDelete over `registry`. Raises Failure.
void RegDeleteVerb(Registry& registry, std::string_view path);

}  // namespace velqor::platform
