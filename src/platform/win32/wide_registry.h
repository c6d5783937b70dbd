// The registry of the running system through the UTF-16 advapi32 functions, with its views.
#pragma once

#include "platform/wide_registry.h"
#include "platform/win32/unique_handle.h"

namespace velqor::platform::win32 {

// Each call opens the key for just what it does and closes it again. kNative is the 64-bit view on
// 64-bit Windows even from the 32-bit build (KEY_WOW64_64KEY there); on 32-bit Windows there is
// only one view.
class Win32WideRegistry : public WideRegistry {
 public:
  Win32WideRegistry();

  bool HasSeparate32BitView() const override { return separate_view_; }
  Status ReadValue(KeyHandle root, RegistryView view, std::u16string_view path,
                   std::u16string_view name, WideValue& out) override;
  Status EnumValues(KeyHandle root, RegistryView view, std::u16string_view path,
                    std::vector<WideValue>& out) override;
  Status EnumSubKeys(KeyHandle root, RegistryView view, std::u16string_view path,
                     std::vector<std::u16string>& out) override;
  Status WriteValue(KeyHandle root, RegistryView view, std::u16string_view path,
                    const WideValue& value) override;
  Status DeleteValue(KeyHandle root, RegistryView view, std::u16string_view path,
                     std::u16string_view name) override;
  Status DeleteEmptyKey(KeyHandle root, RegistryView view, std::u16string_view path) override;

 private:
  // The view's access flags: kInvalidHandle for a root other than the two, kNotSupported for a
  // view that does not exist here.
  Status ViewFlags(KeyHandle root, RegistryView view, std::uint32_t& flags) const;
  // Opens (or creates) the key in the view for `access`: ViewFlags' status, or the system's.
  Status Open(KeyHandle root, RegistryView view, std::u16string_view path, std::uint32_t access,
              bool create, UniqueHkey& key) const;

  bool separate_view_ = false;
  bool wow64_ = false;  // a 32-bit process on 64-bit Windows
};

}  // namespace velqor::platform::win32
