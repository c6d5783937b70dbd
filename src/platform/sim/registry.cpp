#include "platform/sim/registry.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "platform/sim/codepage.h"
#include "platform/sim/registry_key.h"

namespace velqor::platform::sim {

namespace {

constexpr std::uint32_t kWriteRights = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink;
constexpr std::uint32_t kAllRights = 0xF003F;

// Generic rights as the registry maps them to key rights.
std::uint32_t MapGenericRights(std::uint32_t access) {
  std::uint32_t mapped = access & 0x00FFFFFFU;
  if (access & 0x80000000U) mapped |= 0x20019;     // GENERIC_READ: KEY_READ
  if (access & 0x40000000U) mapped |= 0x20006;     // GENERIC_WRITE: KEY_WRITE
  if (access & 0x20000000U) mapped |= 0x20019;     // GENERIC_EXECUTE: KEY_EXECUTE
  if (access & 0x10000000U) mapped |= kAllRights;  // GENERIC_ALL
  if (access & 0x02000000U) mapped |= kAllRights;  // MAXIMUM_ALLOWED
  return mapped;
}

bool StartsWith(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
  return prefix.size() <= path.size() && std::equal(prefix.begin(), prefix.end(), path.begin());
}

// The value's data into `data` when it fits (kMoreData when not), and its size into `data_length`.
Status CopyData(const SimRegistry::Value& value, std::uint8_t* data, std::uint32_t* data_length) {
  const auto size = static_cast<std::uint32_t>(value.bytes.size());
  Status status = kSuccess;
  if (data != nullptr) {
    if (size > *data_length) {
      status = kMoreData;
    } else if (size != 0) {
      std::memcpy(data, value.bytes.data(), size);
    }
  }
  if (data_length != nullptr) *data_length = size;
  return status;
}

}  // namespace

std::vector<std::string> SplitPath(std::string_view path) {
  // Not views::split: clang 14, which builds the fuzz targets, cannot use libstdc++ 12's.
  std::vector<std::string> parts;
  for (std::size_t start = 0, end = 0; start <= path.size(); start = end + 1) {
    end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.emplace_back(path.substr(start, end - start));
  }
  return parts;
}

SimRegistry::SimRegistry()
    : current_user_(std::make_unique<Key>()), local_machine_(std::make_unique<Key>()) {}

SimRegistry::~SimRegistry() = default;

SimRegistry::Key* SimRegistry::RootKey(KeyHandle root) const {
  if (root == kHkeyCurrentUser) return current_user_.get();
  if (root == kHkeyLocalMachine) return local_machine_.get();
  return nullptr;
}

Status SimRegistry::Resolve(KeyHandle handle, OpenHandle& out) const {
  if (Key* root = RootKey(handle)) {
    out = OpenHandle{root, handle, kAllRights};
    return kSuccess;
  }
  const auto it = handles_.find(handle);
  if (handle == 0 || it == handles_.end()) {
    return kInvalidHandle;
  }
  out = it->second;
  return kSuccess;
}

bool SimRegistry::Refused(KeyHandle root, const std::vector<std::string>& folded_path,
                          std::uint32_t access) const {
  const std::uint32_t rights = MapGenericRights(access);
  const auto denied = denied_roots_.find(root);
  const bool refused =
      (denied != denied_roots_.end() && denied->second && (rights & kWriteRights) != 0) ||
      std::any_of(denials_.begin(), denials_.end(), [&](const Denial& denial) {
        return denial.root == root && (rights & denial.rights) != 0 &&
               StartsWith(folded_path, denial.folded_path);
      });
  if (refused) {
    faults_.Hit();
  }
  return refused;
}

std::optional<Status> SimRegistry::Use(KeyHandle key, Operation operation, std::uint32_t needed,
                                       OpenHandle& open) {
  if (const auto fault = faults_.Take(operation)) return fault;
  if (const Status status = Resolve(key, open); status != kSuccess) return status;
  // A predefined key is always open with every right; a user without rights is refused there.
  if ((open.access & needed) == 0 ||
      (needed == kKeySetValue && open.key == RootKey(key) && Refused(key, {}, kKeySetValue))) {
    return kAccessDenied;
  }
  return std::nullopt;
}

Status SimRegistry::OpenOrCreate(KeyHandle root, std::string_view path, std::uint32_t access,
                                 bool create, KeyHandle& out) {
  out = 0;
  if (const auto fault = faults_.Take(create ? Operation::kCreateKey : Operation::kOpenKey)) {
    return *fault;
  }
  OpenHandle base;
  if (const Status resolved = Resolve(root, base); resolved != kSuccess) {
    return resolved;
  }
  // The absolute folded path of the base key, for the access checks.
  std::vector<std::string> folded;
  for (const Key* key = base.key; key->parent != nullptr; key = key->parent) {
    folded.insert(folded.begin(), FoldCp1252(key->name));
  }
  const std::vector<std::string> parts = SplitPath(path);
  Key* key = base.key;
  std::size_t depth = 0;
  for (; depth < parts.size(); ++depth) {
    Key* child = key->Child(parts[depth]);
    if (child == nullptr) {
      break;
    }
    key = child;
    folded.push_back(FoldCp1252(parts[depth]));
  }
  const bool missing = depth < parts.size();
  if (missing && !create) {
    return kFileNotFound;
  }
  // Making a subkey needs that right on the deepest key there is; the key asked for, `access`.
  std::vector<std::string> full = folded;
  for (std::size_t i = depth; i < parts.size(); ++i) {
    full.push_back(FoldCp1252(parts[i]));
  }
  if ((missing && Refused(base.root, folded, kKeyCreateSubKey)) ||
      Refused(base.root, full, access)) {
    return kAccessDenied;
  }
  for (; depth < parts.size(); ++depth) {
    key = key->AddChild(parts[depth]);
  }
  out = next_handle_++;
  handles_.emplace(out, OpenHandle{key, base.root, MapGenericRights(access)});
  return kSuccess;
}

Status SimRegistry::OpenKey(KeyHandle root, std::string_view path, std::uint32_t access,
                            KeyHandle& out) {
  return OpenOrCreate(root, path, access, false, out);
}

Status SimRegistry::CreateKey(KeyHandle root, std::string_view path, std::uint32_t access,
                              KeyHandle& out) {
  return OpenOrCreate(root, path, access, true, out);
}

Status SimRegistry::SetValue(KeyHandle key, std::string_view name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t length) {
  OpenHandle open;
  if (const auto refused = Use(key, Operation::kSetValue, kKeySetValue, open)) return *refused;
  if (data == nullptr && length != 0) {
    return kInvalidParameter;
  }
  open.key->Put(std::string(name), type, std::vector<std::uint8_t>(data, data + length));
  return kSuccess;
}

Status SimRegistry::CloseKey(KeyHandle key) {
  if (const auto fault = faults_.Take(Operation::kCloseKey)) return *fault;
  if (RootKey(key) != nullptr) {
    return kSuccess;  // closing a predefined key does nothing
  }
  return handles_.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

Status SimRegistry::QueryInfoKey(KeyHandle key, std::uint32_t* subkeys, std::uint32_t* values) {
  OpenHandle open;
  if (const auto refused = Use(key, Operation::kQueryInfoKey, kKeyQueryValue, open))
    return *refused;
  if (subkeys != nullptr) *subkeys = static_cast<std::uint32_t>(open.key->children.size());
  if (values != nullptr) *values = static_cast<std::uint32_t>(open.key->values.size());
  return kSuccess;
}

Status SimRegistry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                              std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* data_length) {
  OpenHandle open;
  if (const auto refused = Use(key, Operation::kEnumValue, kKeyQueryValue, open)) return *refused;
  if (name == nullptr || (data != nullptr && data_length == nullptr)) {
    return kInvalidParameter;
  }
  if (index >= open.key->values.size()) {
    return kNoMoreItems;
  }
  const Value& value = open.key->values[index];
  // The data first: when they do not fit, the name buffer is left as it was.
  Status status = CopyData(value, data, data_length);
  if (status == kSuccess) {
    // As much of the name as fits goes in with its NUL, even when not all of it does.
    const auto length = static_cast<std::uint32_t>(value.name.size());
    if (name_length != 0) {
      const std::uint32_t copied = std::min(length, name_length - 1);
      std::memcpy(name, value.name.data(), copied);
      name[copied] = '\0';
    }
    status = length >= name_length ? kMoreData : kSuccess;
    name_length = status == kSuccess ? length : name_length;
  }
  if (type != nullptr) *type = value.type;
  return status;
}

Status SimRegistry::QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* data_length) {
  OpenHandle open;
  if (const auto refused = Use(key, Operation::kQueryValue, kKeyQueryValue, open)) return *refused;
  if (data != nullptr && data_length == nullptr) {
    return kInvalidParameter;
  }
  const Value* value = open.key->FindValue(name);
  if (value == nullptr) {
    return kFileNotFound;
  }
  if (type != nullptr) *type = value->type;
  return CopyData(*value, data, data_length);
}

Status SimRegistry::DeleteValue(KeyHandle key, std::string_view name) {
  OpenHandle open;
  if (const auto refused = Use(key, Operation::kDeleteValue, kKeySetValue, open)) return *refused;
  Value* value = open.key->FindValue(name);
  if (value == nullptr) {
    return kFileNotFound;
  }
  open.key->EraseValue(value);
  return kSuccess;
}

std::string SimRegistry::ToAnsi(std::string_view utf8) const {
  return Utf8ToCp1252(utf8);
}

std::string SimRegistry::FromAnsi(std::string_view ansi) const {
  return Cp1252ToUtf8(ansi);
}

}  // namespace velqor::platform::sim
