// The registry and script host that the contract suites run against: the
// simulation natively, advapi32 under Windows (Wine). Each test gets a clean
// test key under both roots.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/registry.h"
#include "platform/win32/script_host.h"
#else
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"
#endif

namespace velqor::contract {

// Everything a contract test writes lives below this key, under HKCU or HKLM.
inline constexpr char kTestKey[] = "Software\\VelqorContractTest";

#ifdef _WIN32

// The system's registry. The test keys are removed before and after each test,
// so a run leaves the registry as it found it.
class Win32Env {
 public:
  Win32Env() { Clean(); }
  ~Win32Env() { Clean(); }
  Win32Env(const Win32Env&) = delete;
  Win32Env& operator=(const Win32Env&) = delete;

  platform::Registry& registry() { return registry_; }
  platform::ScriptHost& script_host() { return script_host_; }
  // Handles left open are not observable on the real registry.
  std::optional<std::size_t> OpenHandles() const { return std::nullopt; }
  // A program that is not installed is missing already.
  void MarkMissing(std::string_view) {}

 private:
  static void DeleteTree(HKEY parent, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE | DELETE, &key) !=
        ERROR_SUCCESS) {
      return;
    }
    char child[256];
    for (;;) {
      DWORD length = sizeof(child);
      if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      DeleteTree(key, std::string(child, length));
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name.c_str());
  }
  static void Clean() {
    DeleteTree(HKEY_CURRENT_USER, kTestKey);
    DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
  }

  platform::win32::Win32Registry registry_;
  platform::win32::Win32ScriptHost script_host_{registry_};
};

using Environments = ::testing::Types<Win32Env>;

#else

// A fresh simulated registry per test.
class SimEnv {
 public:
  platform::Registry& registry() { return registry_; }
  platform::ScriptHost& script_host() { return script_host_; }
  std::optional<std::size_t> OpenHandles() const { return registry_.OpenHandleCount(); }
  void MarkMissing(std::string_view program) { script_host_.MarkMissing(program); }

 private:
  platform::sim::SimRegistry registry_;
  platform::sim::SimScriptHost script_host_{registry_};
};

using Environments = ::testing::Types<SimEnv>;

#endif

// Whether the ANSI page holds "é" and "ü" as Windows-1252 does; the code-page
// tests skip where it does not.
inline bool AnsiPageIsWindows1252(const platform::Registry& registry) {
  return registry.ToAnsi("\xC3\xA9\xC3\xBC") == "\xE9\xFC";
}

}  // namespace velqor::contract
