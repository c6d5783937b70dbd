// What tests plant in the simulated registry (values, keys, faults) and what they read back.
#include <algorithm>
#include <sstream>

#include "platform/sim/codepage.h"
#include "platform/sim/registry_key.h"

namespace velqor::platform::sim {
namespace {

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

void SimRegistry::DenyWrites(KeyHandle root, bool deny) {
  denied_roots_[root] = deny;
}

void SimRegistry::ClearFaults() {
  denied_roots_.clear();
  denials_.clear();
  faults_.Clear();
}

void SimRegistry::DenyKey(KeyHandle root, std::string_view path, std::uint32_t denied_rights) {
  // Folding leaves the back-slashes as they are: the folded path splits as the path does.
  denials_.push_back(Denial{root, SplitPath(FoldCp1252(Utf8ToCp1252(path))), denied_rights});
}

SimRegistry::Key* SimRegistry::WalkKey(KeyHandle root, std::string_view utf8_path,
                                       bool create) const {
  Key* key = RootKey(root);
  for (const std::string& part : SplitPath(Utf8ToCp1252(utf8_path))) {
    if (key == nullptr) break;
    Key* child = key->Child(part);
    key = child == nullptr && create ? key->AddChild(part) : child;
  }
  return key;
}

void SimRegistry::Seed(KeyHandle root, std::string_view path, std::string_view name,
                       std::uint32_t type, std::vector<std::uint8_t> bytes) {
  WalkKey(root, path, true)->Put(Utf8ToCp1252(name), type, std::move(bytes));
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
  WalkKey(root, path, true);
}

std::optional<SimRegistry::Value> SimRegistry::Find(KeyHandle root, std::string_view path,
                                                    std::string_view name) const {
  const Key* key = WalkKey(root, path, false);
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
  return WalkKey(root, path, false) != nullptr;
}

std::string SimRegistry::StoredKeyName(KeyHandle root, std::string_view path) const {
  const Key* key = WalkKey(root, path, false);
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
  dump(dump, *current_user_, "HKCU");
  dump(dump, *local_machine_, "HKLM");
  return out.str();
}

std::size_t SimRegistry::OpenHandleCount() const {
  return handles_.size();
}

}  // namespace velqor::platform::sim
