// The simulated system: a version, files and environment variables that tests set.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "platform/system_info.h"

namespace velqor::platform::sim {

class SimSystemInfo : public SystemInfo {
 public:
  // Windows 10, with SystemRoot C:\Windows and a PATH of the system folders.
  SimSystemInfo();

  WindowsVersion Version() const override { return version_; }
  bool FileExists(std::u16string_view path) const override;
  std::u16string ExpandEnvironment(std::u16string_view text) const override;
  std::uint64_t NowFileTime() const override { return now_; }

  void SetVersion(WindowsVersion version) { version_ = version; }
  void AddFile(std::u16string_view path);
  void SetVariable(std::u16string_view name, std::u16string_view value);
  void SetNow(std::uint64_t filetime) { now_ = filetime; }

 private:
  WindowsVersion version_{10, 0, 19045};
  std::set<std::u16string> files_;                      // folded
  std::map<std::u16string, std::u16string> variables_;  // folded name -> value
  std::uint64_t now_ = 0x01DB'0000'0000'0000ULL;
};

}  // namespace velqor::platform::sim
