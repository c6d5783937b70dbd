// The script host's shell object: registry writes and deletes by full path, and program start.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "platform/failure.h"

namespace velqor::platform {

// What RegWrite stores: every caller passes a number; text is accepted too.
using ScriptValue = std::variant<std::int32_t, std::string>;

// One shell object, created for one command and released when it ends. Every verb raises a
// Failure (with the Win32 status and the path or command) when it cannot do its work.
class ScriptShell {
 public:
  virtual ~ScriptShell() = default;

  // Writes one value by full path "ROOT\key\path\name" ("ROOT\key\path\" for the key's default
  // value), creating the key and its parents. Roots: HKLM, HKEY_LOCAL_MACHINE, HKCU,
  // HKEY_CURRENT_USER. Type "REG_SZ" stores text (a number as its decimal digits), "REG_DWORD" a
  // 32-bit number.
  virtual void RegWrite(std::string_view path, const ScriptValue& value, std::string_view type) = 0;
  // Deletes the value that the full path names. A missing value or key raises; so does a path
  // that ends in a back-slash (a key), which is refused without removing anything.
  virtual void RegDelete(std::string_view path) = 0;
  // Starts a program or opens a document by its association, in a normal window, not waiting.
  virtual void Run(std::string_view command) = 0;
};

// Creates shell objects ("WScript.Shell"). Raises a Failure when the script host is unavailable.
class ScriptHost {
 public:
  virtual ~ScriptHost() = default;
  virtual std::unique_ptr<ScriptShell> CreateShell() = 0;
};

}  // namespace velqor::platform
