// The registry of the running system, through the ANSI advapi32 functions.
#pragma once

#include "platform/registry.h"

namespace velqor::platform::win32 {

// Every call is the advapi32 function of the same name; the two root values are mapped to the
// predefined keys, any other handle is the HKEY itself. Statuses are those of Windows.
class Win32Registry : public Registry {
 public:
  Status OpenKey(KeyHandle root, std::string_view path, std::uint32_t access,
                 KeyHandle& out) override;
  Status CreateKey(KeyHandle root, std::string_view path, std::uint32_t access,
                   KeyHandle& out) override;
  Status SetValue(KeyHandle key, std::string_view name, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t length) override;
  Status CloseKey(KeyHandle key) override;
  Status QueryInfoKey(KeyHandle key, std::uint32_t* subkeys, std::uint32_t* values) override;
  Status EnumValue(KeyHandle key, std::uint32_t index, char* name, std::uint32_t& name_length,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* data_length) override;
  Status QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type, std::uint8_t* data,
                    std::uint32_t* data_length) override;
  Status DeleteValue(KeyHandle key, std::string_view name) override;
  // Through UTF-16 to the system's ANSI code page (CP_ACP) and back.
  std::string ToAnsi(std::string_view utf8) const override;
  std::string FromAnsi(std::string_view ansi) const override;
};

}  // namespace velqor::platform::win32
