// What the system says about itself and its files: its version, whether a file exists, the
// environment's variables, the time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velqor::platform {

struct WindowsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  bool operator==(const WindowsVersion&) const = default;
};

// Nothing here throws or fails.
class SystemInfo {
 public:
  virtual ~SystemInfo() = default;

  // The version the system really is (RtlGetVersion, which no compatibility shim changes), or
  // GetVersionExW's answer where ntdll lacks it.
  virtual WindowsVersion Version() const = 0;
  // Whether `path` names an existing file (not a folder).
  virtual bool FileExists(std::u16string_view path) const = 0;
  // ExpandEnvironmentStringsW: %NAME% replaced by the variable's value; unknown names stay.
  virtual std::u16string ExpandEnvironment(std::u16string_view text) const = 0;
  // The time now as a FILETIME (100 ns steps since 1601, UTC).
  virtual std::uint64_t NowFileTime() const = 0;
};

}  // namespace velqor::platform
