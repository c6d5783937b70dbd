// The simulated wide registry: an in-memory tree of UTF-16 keys under both roots, with a separate
// 32-bit view of HKEY_LOCAL_MACHINE\SOFTWARE where the simulated system is 64-bit, and faults.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/sim/faults.h"
#include "platform/wide_registry.h"

namespace velqor::platform::sim {

class SimWideRegistry : public WideRegistry {
 public:
  enum class Operation { kRead, kEnumValues, kEnumSubKeys, kWrite, kDeleteValue, kDeleteKey };

  explicit SimWideRegistry(bool separate_32bit_view = true)
      : separate_32bit_view_(separate_32bit_view) {}

  bool HasSeparate32BitView() const override { return separate_32bit_view_; }
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

  // Faults: a user without rights under `root` (every write and delete there is refused), and
  // one call that fails with `status` and has no effect.
  void DenyWrites(KeyHandle root, bool deny = true);
  void FailNext(Operation operation, Status status) { faults_.FailNext(operation, status); }
  void ClearFaults();
  // How many calls a fault has made fail.
  std::size_t faults_hit() const { return faults_.hits(); }

  // Every key, value by value, as "<root>|<view>|<path>|<name>" -> value: what tests compare to
  // prove that nothing else changed. Paths in the case of first creation.
  std::map<std::u16string, WideValue> Snapshot() const;
  bool KeyExists(KeyHandle root, RegistryView view, std::u16string_view path) const;

 private:
  struct Key {
    std::u16string path;  // as first created
    std::vector<WideValue> values;
  };
  using Id = std::tuple<KeyHandle, int, std::u16string>;  // root, view, folded path
  using Keys = std::map<Id, Key>;

  std::optional<Id> IdOf(KeyHandle root, RegistryView view, std::u16string_view path,
                         Status& status) const;
  // The key at `path`, or keys_.end() with `status` saying why not (kFileNotFound: no such key,
  // kAccessDenied: a delete under a refused root).
  Keys::iterator Existing(KeyHandle root, RegistryView view, std::u16string_view path,
                          Operation operation, Status& status);

  bool separate_32bit_view_;
  Keys keys_;
  std::set<KeyHandle> denied_;
  Faults<Operation> faults_;
};

// Case folding of the registry and the file system, for ASCII letters.
std::u16string Fold(std::u16string_view text);

}  // namespace velqor::platform::sim
