#include "platform/sim/wide_registry.h"

#include <algorithm>

namespace velqor::platform::sim {

std::u16string Fold(std::u16string_view text) {
  std::u16string folded(text);
  std::ranges::transform(folded, folded.begin(), [](char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  });
  return folded;
}

namespace {

std::u16string_view Trimmed(std::u16string_view path) {
  return path.substr(0, path.find_last_not_of(u'\\') + 1);  // back-slashes alone: npos + 1 is 0
}

// Only HKLM\SOFTWARE has a 32-bit view of its own; the rest of the registry is shared.
bool Redirected(KeyHandle root, std::u16string_view folded) {
  constexpr std::u16string_view kSoftware = u"software";
  return root == kHkeyLocalMachine && folded.substr(0, kSoftware.size()) == kSoftware &&
         (folded.size() == kSoftware.size() || folded[kSoftware.size()] == u'\\');
}

// The value of that name, letter case aside, or values.end().
template <typename Values>
auto Named(Values& values, std::u16string_view name) {
  const std::u16string folded = Fold(name);
  return std::find_if(values.begin(), values.end(),
                      [&](const WideValue& value) { return Fold(value.name) == folded; });
}

}  // namespace

std::optional<SimWideRegistry::Id> SimWideRegistry::IdOf(KeyHandle root, RegistryView view,
                                                         std::u16string_view path,
                                                         Status& status) const {
  if (root != kHkeyCurrentUser && root != kHkeyLocalMachine) {
    status = kInvalidHandle;
    return std::nullopt;
  }
  if (view == RegistryView::k32Bit && !separate_32bit_view_) {
    status = kNotSupported;
    return std::nullopt;
  }
  std::u16string folded = Fold(Trimmed(path));
  const int v = view == RegistryView::k32Bit && Redirected(root, folded) ? 1 : 0;
  return Id{root, v, std::move(folded)};
}

SimWideRegistry::Keys::iterator SimWideRegistry::Existing(KeyHandle root, RegistryView view,
                                                          std::u16string_view path,
                                                          Operation operation, Status& status) {
  const auto id = IdOf(root, view, path, status);
  const auto fault = id ? faults_.Take(operation) : std::nullopt;
  if (!id || fault) {
    status = fault.value_or(status);
    return keys_.end();
  }
  const auto key = keys_.find(*id);
  const bool deletes = operation == Operation::kDeleteValue || operation == Operation::kDeleteKey;
  if (key == keys_.end()) {
    status = kFileNotFound;
  } else if (deletes && denied_.contains(root)) {
    faults_.Hit();
    status = kAccessDenied;
    return keys_.end();
  }
  return key;
}

Status SimWideRegistry::ReadValue(KeyHandle root, RegistryView view, std::u16string_view path,
                                  std::u16string_view name, WideValue& out) {
  Status status = kSuccess;
  const auto key = Existing(root, view, path, Operation::kRead, status);
  if (key == keys_.end()) {
    return status;
  }
  const auto value = Named(key->second.values, name);
  if (value == key->second.values.end()) {
    return kFileNotFound;
  }
  out = *value;
  return kSuccess;
}

Status SimWideRegistry::EnumValues(KeyHandle root, RegistryView view, std::u16string_view path,
                                   std::vector<WideValue>& out) {
  Status status = kSuccess;
  const auto key = Existing(root, view, path, Operation::kEnumValues, status);
  if (key == keys_.end()) {
    return status;
  }
  out = key->second.values;
  return kSuccess;
}

Status SimWideRegistry::EnumSubKeys(KeyHandle root, RegistryView view, std::u16string_view path,
                                    std::vector<std::u16string>& out) {
  Status status = kSuccess;
  const auto parent = Existing(root, view, path, Operation::kEnumSubKeys, status);
  if (parent == keys_.end()) {
    return status;
  }
  const Id& id = parent->first;
  const std::u16string prefix = std::get<2>(id) + u"\\";
  std::vector<std::u16string> names;
  for (const auto& [other, key] : keys_) {
    const std::u16string& folded = std::get<2>(other);
    if (std::get<0>(other) == root && std::get<1>(other) == std::get<1>(id) &&
        folded.size() > prefix.size() && folded.compare(0, prefix.size(), prefix) == 0 &&
        folded.find(u'\\', prefix.size()) == std::u16string::npos) {
      names.push_back(key.path.substr(key.path.rfind(u'\\') + 1));
    }
  }
  out = std::move(names);
  return kSuccess;
}

Status SimWideRegistry::WriteValue(KeyHandle root, RegistryView view, std::u16string_view path,
                                   const WideValue& value) {
  Status status = kSuccess;
  const auto id = IdOf(root, view, path, status);
  const auto fault = id ? faults_.Take(Operation::kWrite) : std::nullopt;
  if (!id || fault) {
    return fault.value_or(status);
  }
  if (denied_.contains(root)) {
    faults_.Hit();
    return kAccessDenied;
  }
  // The key and every missing parent, each keeping the case it is created with.
  const std::u16string_view trimmed = Trimmed(path);
  for (std::size_t end = 0; end != std::u16string_view::npos;) {
    end = trimmed.find(u'\\', end + 1);
    const std::u16string_view part = trimmed.substr(0, end);
    keys_.try_emplace(Id{root, std::get<1>(*id), Fold(part)}, Key{std::u16string(part), {}});
  }
  std::vector<WideValue>& values = keys_[*id].values;
  if (const auto existing = Named(values, value.name); existing != values.end()) {
    existing->type = value.type;
    existing->bytes = value.bytes;
  } else {
    values.push_back(value);
  }
  return kSuccess;
}

Status SimWideRegistry::DeleteValue(KeyHandle root, RegistryView view, std::u16string_view path,
                                    std::u16string_view name) {
  Status status = kSuccess;
  const auto key = Existing(root, view, path, Operation::kDeleteValue, status);
  if (key == keys_.end()) {
    return status;
  }
  auto& values = key->second.values;
  const auto it = Named(values, name);
  if (it == values.end()) {
    return kFileNotFound;
  }
  values.erase(it);
  return kSuccess;
}

Status SimWideRegistry::DeleteEmptyKey(KeyHandle root, RegistryView view,
                                       std::u16string_view path) {
  Status status = kSuccess;
  const auto key = Existing(root, view, path, Operation::kDeleteKey, status);
  if (key == keys_.end()) {
    return status;
  }
  std::vector<std::u16string> children;
  if (!key->second.values.empty() ||
      (EnumSubKeys(root, view, path, children) == kSuccess && !children.empty())) {
    return kKeyHasChildren;
  }
  keys_.erase(key);
  return kSuccess;
}

void SimWideRegistry::DenyWrites(KeyHandle root, bool deny) {
  if (deny) {
    denied_.insert(root);
  } else {
    denied_.erase(root);
  }
}

void SimWideRegistry::ClearFaults() {
  denied_.clear();
  faults_.Clear();
}

std::map<std::u16string, WideValue> SimWideRegistry::Snapshot() const {
  std::map<std::u16string, WideValue> all;
  for (const auto& [id, key] : keys_) {
    const std::u16string root = std::get<0>(id) == kHkeyCurrentUser ? u"HKCU" : u"HKLM";
    const std::u16string place =
        root + u"|" + (std::get<1>(id) != 0 ? u"32" : u"") + u"|" + key.path + u"|";
    for (const WideValue& value : key.values) {
      all[place + value.name] = value;
    }
  }
  return all;
}

bool SimWideRegistry::KeyExists(KeyHandle root, RegistryView view, std::u16string_view path) const {
  Status status = kSuccess;
  const auto id = IdOf(root, view, path, status);
  return id && keys_.count(*id) != 0;
}

}  // namespace velqor::platform::sim
