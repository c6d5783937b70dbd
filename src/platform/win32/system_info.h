// The running system's version, files, environment and clock.
#pragma once

#include "platform/system_info.h"

namespace velqor::platform::win32 {

class Win32SystemInfo : public SystemInfo {
 public:
  WindowsVersion Version() const override;
  bool FileExists(std::u16string_view path) const override;
  std::u16string ExpandEnvironment(std::u16string_view text) const override;
  std::uint64_t NowFileTime() const override;
};

}  // namespace velqor::platform::win32
