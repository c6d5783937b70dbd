#include "platform/sim/registry.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "platform/sim/codepage.h"

namespace velqor::platform::sim {

// One key: its name in the case of first creation (ANSI), its subkeys by folded name, and its
// values in creation order (the default value, where set, has the empty name).
struct SimRegistry::Key {
  std::string name;
  Key* parent = nullptr;
  std::map<std::string, std::unique_ptr<Key>> children;
  std::vector<Value> values;
  // Position in `values` by folded name: a lookup must not cost a pass over every value, or
  // reading each value of a key with thousands of them takes quadratic time.
  std::unordered_map<std::string, std::size_t> positions;

  const Value* FindValue(std::string_view ansi_name) const {
    const auto it = positions.find(FoldCp1252(ansi_name));
    return it == positions.end() ? nullptr : &values[it->second];
  }
  Value* FindValue(std::string_view ansi_name) {
    return const_cast<Value*>(std::as_const(*this).FindValue(ansi_name));
  }
  void AddValue(Value value) {
    positions.emplace(FoldCp1252(value.name), values.size());
    values.push_back(std::move(value));
  }
  void EraseValue(const Value* value) {
    const auto position = static_cast<std::size_t>(value - values.data());
    positions.erase(FoldCp1252(value->name));
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(position));
    for (auto& entry : positions) {
      if (entry.second > position) {
        --entry.second;
      }
    }
  }
  Key* Child(std::string_view ansi_name) const {
    const auto it = children.find(FoldCp1252(ansi_name));
    return it == children.end() ? nullptr : it->second.get();
  }
};

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

// The components of a back-slash separated path; empty components are skipped.
std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) {
      parts.emplace_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return parts;
}

std::vector<std::string> FoldAll(const std::vector<std::string>& parts) {
  std::vector<std::string> folded;
  folded.reserve(parts.size());
  for (const std::string& part : parts) {
    folded.push_back(FoldCp1252(part));
  }
  return folded;
}

bool StartsWith(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
  return prefix.size() <= path.size() && std::equal(prefix.begin(), prefix.end(), path.begin());
}

const char* RootName(KeyHandle root) {
  return root == kHkeyCurrentUser ? "HKCU" : "HKLM";
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const std::uint8_t byte : bytes) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
  }
  return out;
}

}  // namespace

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
    ++faults_hit_;
  }
  return refused;
}

bool SimRegistry::TakeFault(Operation operation, Status& status) {
  const auto it = faults_.find(operation);
  if (it == faults_.end()) {
    return false;
  }
  status = it->second;
  faults_.erase(it);
  ++faults_hit_;
  return true;
}

Status SimRegistry::OpenOrCreate(KeyHandle root, std::string_view path, std::uint32_t access,
                                 bool create, KeyHandle& out) {
  out = 0;
  Status status = kSuccess;
  if (TakeFault(create ? Operation::kCreateKey : Operation::kOpenKey, status)) {
    return status;
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
  if (missing && Refused(base.root, folded, kKeyCreateSubKey)) {
    return kAccessDenied;
  }
  std::vector<std::string> full = folded;
  for (std::size_t i = depth; i < parts.size(); ++i) {
    full.push_back(FoldCp1252(parts[i]));
  }
  if (Refused(base.root, full, access)) {
    return kAccessDenied;
  }
  for (; depth < parts.size(); ++depth) {
    auto child = std::make_unique<Key>();
    child->name = parts[depth];
    child->parent = key;
    Key* raw = child.get();
    key->children.emplace(FoldCp1252(parts[depth]), std::move(child));
    key = raw;
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
  Status status = kSuccess;
  if (TakeFault(Operation::kSetValue, status)) {
    return status;
  }
  OpenHandle open;
  if (const Status resolved = Resolve(key, open); resolved != kSuccess) {
    return resolved;
  }
  if ((open.access & kKeySetValue) == 0 ||
      (open.key == RootKey(key) && Refused(key, {}, kKeySetValue))) {
    return kAccessDenied;
  }
  if (data == nullptr && length != 0) {
    return kInvalidParameter;
  }
  std::vector<std::uint8_t> bytes(data, data + length);
  if (Value* existing = open.key->FindValue(name)) {
    existing->type = type;
    existing->bytes = std::move(bytes);
  } else {
    open.key->AddValue(Value{type, std::move(bytes), std::string(name)});
  }
  return kSuccess;
}

Status SimRegistry::CloseKey(KeyHandle key) {
  Status status = kSuccess;
  if (TakeFault(Operation::kCloseKey, status)) {
    return status;
  }
  if (RootKey(key) != nullptr) {
    return kSuccess;  // closing a predefined key does nothing
  }
  return handles_.erase(key) == 1 ? kSuccess : kInvalidHandle;
}

Status SimRegistry::QueryInfoKey(KeyHandle key, std::uint32_t* subkeys, std::uint32_t* values) {
  Status status = kSuccess;
  if (TakeFault(Operation::kQueryInfoKey, status)) {
    return status;
  }
  OpenHandle open;
  if (const Status resolved = Resolve(key, open); resolved != kSuccess) {
    return resolved;
  }
  if ((open.access & kKeyQueryValue) == 0) {
    return kAccessDenied;
  }
  if (subkeys != nullptr) *subkeys = static_cast<std::uint32_t>(open.key->children.size());
  if (values != nullptr) *values = static_cast<std::uint32_t>(open.key->values.size());
  return kSuccess;
}

Status SimRegistry::EnumValue(KeyHandle key, std::uint32_t index, char* name,
                              std::uint32_t& name_length, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* data_length) {
  Status status = kSuccess;
  if (TakeFault(Operation::kEnumValue, status)) {
    return status;
  }
  OpenHandle open;
  if (const Status resolved = Resolve(key, open); resolved != kSuccess) {
    return resolved;
  }
  if ((open.access & kKeyQueryValue) == 0) {
    return kAccessDenied;
  }
  if (name == nullptr || (data != nullptr && data_length == nullptr)) {
    return kInvalidParameter;
  }
  if (index >= open.key->values.size()) {
    return kNoMoreItems;
  }
  const Value& value = open.key->values[index];
  const auto size = static_cast<std::uint32_t>(value.bytes.size());
  // The data first: when they do not fit, the name buffer is left as it was.
  if (data != nullptr) {
    if (size > *data_length) {
      status = kMoreData;
    } else if (size != 0) {
      std::memcpy(data, value.bytes.data(), size);
    }
  }
  if (status == kSuccess) {
    const auto length = static_cast<std::uint32_t>(value.name.size());
    if (length >= name_length) {
      status = kMoreData;
      if (name_length != 0) {
        std::memcpy(name, value.name.data(), name_length - 1);
        name[name_length - 1] = '\0';
      }
    } else {
      std::memcpy(name, value.name.data(), length);
      name[length] = '\0';
      name_length = length;
    }
  }
  if (type != nullptr) *type = value.type;
  if (data_length != nullptr) *data_length = size;
  return status;
}

Status SimRegistry::QueryValue(KeyHandle key, std::string_view name, std::uint32_t* type,
                               std::uint8_t* data, std::uint32_t* data_length) {
  Status status = kSuccess;
  if (TakeFault(Operation::kQueryValue, status)) {
    return status;
  }
  OpenHandle open;
  if (const Status resolved = Resolve(key, open); resolved != kSuccess) {
    return resolved;
  }
  if ((open.access & kKeyQueryValue) == 0) {
    return kAccessDenied;
  }
  if (data != nullptr && data_length == nullptr) {
    return kInvalidParameter;
  }
  const Value* value = open.key->FindValue(name);
  if (value == nullptr) {
    return kFileNotFound;
  }
  const auto size = static_cast<std::uint32_t>(value->bytes.size());
  if (type != nullptr) *type = value->type;
  if (data != nullptr) {
    if (size > *data_length) {
      status = kMoreData;
    } else if (size != 0) {
      std::memcpy(data, value->bytes.data(), size);
    }
  }
  if (data_length != nullptr) *data_length = size;
  return status;
}

Status SimRegistry::DeleteValue(KeyHandle key, std::string_view name) {
  Status status = kSuccess;
  if (TakeFault(Operation::kDeleteValue, status)) {
    return status;
  }
  OpenHandle open;
  if (const Status resolved = Resolve(key, open); resolved != kSuccess) {
    return resolved;
  }
  if ((open.access & kKeySetValue) == 0 ||
      (open.key == RootKey(key) && Refused(key, {}, kKeySetValue))) {
    return kAccessDenied;
  }
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

void SimRegistry::DenyWrites(KeyHandle root, bool deny) {
  denied_roots_[root] = deny;
}

void SimRegistry::ClearFaults() {
  denied_roots_.clear();
  denials_.clear();
  faults_.clear();
}

void SimRegistry::DenyKey(KeyHandle root, std::string_view path, std::uint32_t denied_rights) {
  denials_.push_back(Denial{root, FoldAll(SplitPath(Utf8ToCp1252(path))), denied_rights});
}

void SimRegistry::FailNext(Operation operation, Status status) {
  faults_[operation] = status;
}

SimRegistry::Key& SimRegistry::MakeKey(KeyHandle root, std::string_view utf8_path) {
  Key* key = RootKey(root);
  for (const std::string& part : SplitPath(Utf8ToCp1252(utf8_path))) {
    Key* child = key->Child(part);
    if (child == nullptr) {
      auto made = std::make_unique<Key>();
      made->name = part;
      made->parent = key;
      child = made.get();
      key->children.emplace(FoldCp1252(part), std::move(made));
    }
    key = child;
  }
  return *key;
}

const SimRegistry::Key* SimRegistry::FindKey(KeyHandle root, std::string_view utf8_path) const {
  const Key* key = RootKey(root);
  if (key == nullptr) {
    return nullptr;
  }
  for (const std::string& part : SplitPath(Utf8ToCp1252(utf8_path))) {
    key = key->Child(part);
    if (key == nullptr) {
      return nullptr;
    }
  }
  return key;
}

void SimRegistry::Seed(KeyHandle root, std::string_view path, std::string_view name,
                       std::uint32_t type, std::vector<std::uint8_t> bytes) {
  Key& key = MakeKey(root, path);
  const std::string ansi_name = Utf8ToCp1252(name);
  if (Value* existing = key.FindValue(ansi_name)) {
    existing->type = type;
    existing->bytes = std::move(bytes);
  } else {
    key.AddValue(Value{type, std::move(bytes), ansi_name});
  }
}

void SimRegistry::SeedText(KeyHandle root, std::string_view path, std::string_view name,
                           std::string_view text) {
  Seed(root, path, name, kRegSz, SzBytes(Utf8ToCp1252(text)));
}

void SimRegistry::SeedDword(KeyHandle root, std::string_view path, std::string_view name,
                            std::uint32_t number) {
  Seed(root, path, name, kRegDword, DwordBytes(number));
}

void SimRegistry::SeedKey(KeyHandle root, std::string_view path) {
  MakeKey(root, path);
}

std::optional<SimRegistry::Value> SimRegistry::Find(KeyHandle root, std::string_view path,
                                                    std::string_view name) const {
  const Key* key = FindKey(root, path);
  if (key == nullptr) {
    return std::nullopt;
  }
  const Value* value = key->FindValue(Utf8ToCp1252(name));
  if (value == nullptr) {
    return std::nullopt;
  }
  return Value{value->type, value->bytes, Cp1252ToUtf8(value->name)};
}

std::optional<std::string> SimRegistry::FindText(KeyHandle root, std::string_view path,
                                                 std::string_view name) const {
  const std::optional<Value> value = Find(root, path, name);
  if (!value) {
    return std::nullopt;
  }
  const auto nul = std::find(value->bytes.begin(), value->bytes.end(), 0);
  return Cp1252ToUtf8(std::string(value->bytes.begin(), nul));
}

std::optional<std::uint32_t> SimRegistry::FindDword(KeyHandle root, std::string_view path,
                                                    std::string_view name) const {
  const std::optional<Value> value = Find(root, path, name);
  if (!value || value->bytes.size() != 4) {
    return std::nullopt;
  }
  const auto& b = value->bytes;
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

bool SimRegistry::KeyExists(KeyHandle root, std::string_view path) const {
  return FindKey(root, path) != nullptr;
}

std::string SimRegistry::StoredKeyName(KeyHandle root, std::string_view path) const {
  const Key* key = FindKey(root, path);
  return key == nullptr ? std::string() : Cp1252ToUtf8(key->name);
}

std::string SimRegistry::Snapshot() const {
  std::ostringstream out;
  const auto dump = [&out](const auto& self, const Key& key, const std::string& path) -> void {
    out << path << '\n';
    for (const Value& value : key.values) {
      out << "  " << (value.name.empty() ? "@" : '"' + Cp1252ToUtf8(value.name) + '"') << " type "
          << value.type << " [" << Hex(value.bytes) << "]\n";
    }
    for (const auto& [folded, child] : key.children) {
      self(self, *child, path + '\\' + Cp1252ToUtf8(child->name));
    }
  };
  dump(dump, *current_user_, RootName(kHkeyCurrentUser));
  dump(dump, *local_machine_, RootName(kHkeyLocalMachine));
  return out.str();
}

std::size_t SimRegistry::OpenHandleCount() const {
  return handles_.size();
}

}  // namespace velqor::platform::sim
