// The simulated registry: a deterministic in-memory tree under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE that answers the ANSI registry calls as Windows (and Wine) do, with faults
// that tests can inject and helpers to seed and inspect it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/faults.h"

namespace velqor::platform::sim {

class SimRegistry : public Registry {
 public:
  // A value as stored: its type, its raw bytes and its name in the case of its first creation
  // (UTF-8 when returned by Find).
  struct Value {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    std::string name;
  };

  // The calls that FailNext can make fail.
  enum class Operation {
    kOpenKey,
    kCreateKey,
    kSetValue,
    kCloseKey,
    kQueryInfoKey,
    kEnumValue,
    kQueryValue,
    kDeleteValue,
  };

  SimRegistry();
  ~SimRegistry() override;
  SimRegistry(const SimRegistry&) = delete;
  SimRegistry& operator=(const SimRegistry&) = delete;

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
  // The ANSI page of the simulation is Windows-1252.
  std::string ToAnsi(std::string_view utf8) const override;
  std::string FromAnsi(std::string_view ansi) const override;

  // Faults. A user without rights under `root`: opens and creates that ask for KEY_SET_VALUE,
  // KEY_CREATE_SUB_KEY or KEY_CREATE_LINK fail with kAccessDenied, and so do writes through the
  // root handle itself; read-only opens still work.
  void DenyWrites(KeyHandle root, bool deny = true);
  // An access list on one key and its subkeys (UTF-8 path): opens and creates that ask for any
  // of `denied_rights` fail with kAccessDenied, and nothing is created beneath it.
  void DenyKey(KeyHandle root, std::string_view path,
               std::uint32_t denied_rights = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink);
  // The next call of `operation` fails with `status` and has no effect (an open or create also
  // sets its handle to 0).
  void FailNext(Operation operation, Status status) { faults_.FailNext(operation, status); }
  // Lifts every fault above: refused roots, access lists and failures not yet taken.
  void ClearFaults();
  // How many calls an injected fault has made fail so far (a refusal or a FailNext taken).
  std::size_t faults_hit() const { return faults_.hits(); }

  // Test helpers; paths, names and text are UTF-8. Seed creates the key with its parents and
  // sets the value (an empty name is the default value), ignoring every fault.
  void Seed(KeyHandle root, std::string_view path, std::string_view name, std::uint32_t type,
            std::vector<std::uint8_t> bytes);
  // Seeds REG_SZ text in the ANSI page with its NUL.
  void SeedText(KeyHandle root, std::string_view path, std::string_view name,
                std::string_view text);
  // Seeds a little-endian REG_DWORD.
  void SeedDword(KeyHandle root, std::string_view path, std::string_view name,
                 std::uint32_t number);
  // Creates the key with its parents, ignoring every fault.
  void SeedKey(KeyHandle root, std::string_view path);
  // The value the path and name hold, or nullopt when the key or the value is missing.
  std::optional<Value> Find(KeyHandle root, std::string_view path, std::string_view name) const;
  // The value's data read as UTF-8 text up to its first NUL; nullopt when it is missing.
  std::optional<std::string> FindText(KeyHandle root, std::string_view path,
                                      std::string_view name) const;
  // The value's data as a little-endian 32-bit number; nullopt when missing or not 4 bytes.
  std::optional<std::uint32_t> FindDword(KeyHandle root, std::string_view path,
                                         std::string_view name) const;
  // Whether the key exists (matched without regard to case).
  bool KeyExists(KeyHandle root, std::string_view path) const;
  // The key's name as it was first created ("" when missing), UTF-8.
  std::string StoredKeyName(KeyHandle root, std::string_view path) const;
  // A printable dump of the whole tree, one line per key and per value, in a stable order; two
  // snapshots are equal exactly when the trees hold the same keys and values.
  std::string Snapshot() const;
  // The number of handles open now (roots not counted), for leak checks.
  std::size_t OpenHandleCount() const;

 private:
  struct Key;
  struct OpenHandle {
    Key* key = nullptr;
    KeyHandle root = 0;
    std::uint32_t access = 0;
  };
  struct Denial {
    KeyHandle root = 0;
    std::vector<std::string> folded_path;
    std::uint32_t rights = 0;
  };

  Status Resolve(KeyHandle handle, OpenHandle& out) const;
  bool Refused(KeyHandle root, const std::vector<std::string>& folded_path,
               std::uint32_t access) const;
  // Nothing when `key` may be used for an operation that needs `needed` (kKeyQueryValue or
  // kKeySetValue); else the status to fail with: a planted fault (which may even be kSuccess, and
  // still nothing is done), kInvalidHandle or kAccessDenied.
  std::optional<Status> Use(KeyHandle key, Operation operation, std::uint32_t needed,
                            OpenHandle& open);
  Status OpenOrCreate(KeyHandle root, std::string_view path, std::uint32_t access, bool create,
                      KeyHandle& out);
  Key* RootKey(KeyHandle root) const;
  // The key at the UTF-8 path, nullptr when missing; with `create` (a test's seed, which ignores
  // every fault) it is made with its parents.
  Key* WalkKey(KeyHandle root, std::string_view utf8_path, bool create) const;

  std::unique_ptr<Key> current_user_;
  std::unique_ptr<Key> local_machine_;
  std::map<KeyHandle, OpenHandle> handles_;
  KeyHandle next_handle_ = 1;
  std::map<KeyHandle, bool> denied_roots_;
  std::vector<Denial> denials_;
  Faults<Operation> faults_;
};

}  // namespace velqor::platform::sim
