#include "registry_baseline.h"

#include <optional>
#include <string_view>

#include "booster/booster_tables.h"
#include "platform/registry.h"
#include "platform/registry_verbs.h"
#include "tweaks/catalogue.h"

namespace velqor::bench {

namespace {

constexpr std::string_view kEntryPrefix = "VelqorBench ";

HKEY RootOf(platform::KeyHandle root) {
  return root == platform::kHkeyLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace

std::vector<Write> ApplyWrites() {
  std::vector<Write> writes;
  for (const tweaks::TweakWrite& tweak : tweaks::TweakWrites()) {
    const std::optional<platform::FullPath> path = platform::ParseFullPath(tweak.path);
    if (!path) {
      continue;
    }
    const tweaks::TweakDatum& datum = tweaks::DatumFor(tweak, tweaks::kChecked);
    Write w;
    w.root = RootOf(path->root);
    w.key = std::string(path->key_path);
    w.name = std::string(path->value_name);
    w.create = true;  // the script host's RegWrite creates the key
    if (datum.type == "REG_DWORD") {
      w.type = REG_DWORD;
      w.bytes = platform::DwordBytes(static_cast<std::uint32_t>(datum.value));
    } else {
      w.type = REG_SZ;
      w.bytes = platform::SzBytes(std::to_string(datum.value));
    }
    writes.push_back(std::move(w));
  }
  return writes;
}

std::vector<Write> BoostWrites() {
  std::vector<Write> writes;
  for (const booster::BoostStep& step : booster::BoostSteps()) {
    Write w;
    w.root = RootOf(step.root);
    w.key = std::string(step.key);
    w.key_only = step.op == booster::StepOp::kCreateKey;
    w.create = w.key_only;
    if (!w.key_only) {
      w.name = std::string(step.name);
      w.type = static_cast<DWORD>(step.type);
      w.bytes = w.type == REG_DWORD
                    ? platform::DwordBytes(
                          platform::ParseDword(step.data, platform::NumberRule::kLong).value_or(0))
                    : platform::SzBytes(step.data);
    }
    writes.push_back(std::move(w));
  }
  return writes;
}

int WriteEach(const std::vector<Write>& writes) {
  int written = 0;
  for (const Write& w : writes) {
    HKEY key = nullptr;
    const LONG opened =
        w.create ? RegCreateKeyExA(w.root, w.key.c_str(), 0, nullptr, 0,
                                   w.key_only ? platform::kKeySpecificRights : KEY_SET_VALUE,
                                   nullptr, &key, nullptr)
                 : RegOpenKeyExA(w.root, w.key.c_str(), 0, platform::kKeySpecificRights, &key);
    if (opened != ERROR_SUCCESS) {
      continue;
    }
    if (!w.key_only && RegSetValueExA(key, w.name.c_str(), 0, w.type, w.bytes.data(),
                                      static_cast<DWORD>(w.bytes.size())) == ERROR_SUCCESS) {
      ++written;
    }
    RegCloseKey(key);
  }
  return written;
}

std::vector<Held> ReadBack(const std::vector<Write>& writes) {
  std::vector<Held> held;
  for (const Write& w : writes) {
    Held h;
    HKEY key = nullptr;
    if (!w.key_only &&
        RegOpenKeyExA(w.root, w.key.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      DWORD length = 0;
      if (RegQueryValueExA(key, w.name.c_str(), nullptr, &h.type, nullptr, &length) ==
          ERROR_SUCCESS) {
        h.bytes.resize(length);
        h.present = RegQueryValueExA(key, w.name.c_str(), nullptr, &h.type, h.bytes.data(),
                                     &length) == ERROR_SUCCESS;
        h.bytes.resize(length);
      }
      RegCloseKey(key);
    }
    held.push_back(std::move(h));
  }
  return held;
}

void DeleteValues(const std::vector<Write>& writes) {
  for (const Write& w : writes) {
    HKEY key = nullptr;
    if (!w.key_only &&
        RegOpenKeyExA(w.root, w.key.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, w.name.c_str());
      RegCloseKey(key);
    }
  }
}

OpenedKeys::OpenedKeys(const std::vector<Write>& writes) : writes_(writes) {
  for (const Write& w : writes_) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(w.root, w.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      key = nullptr;
    }
    keys_.push_back(key);
  }
}

OpenedKeys::~OpenedKeys() {
  for (HKEY key : keys_) {
    if (key != nullptr) {
      RegCloseKey(key);
    }
  }
}

int OpenedKeys::SetAll() const {
  int written = 0;
  for (std::size_t i = 0; i < writes_.size(); ++i) {
    const Write& w = writes_[i];
    if (keys_[i] == nullptr || w.key_only) {
      continue;
    }
    if (RegSetValueExA(keys_[i], w.name.c_str(), 0, w.type, w.bytes.data(),
                       static_cast<DWORD>(w.bytes.size())) == ERROR_SUCCESS) {
      ++written;
    }
  }
  return written;
}

bool SeedRunEntries(HKEY root, int count) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    const std::string n = std::to_string(i);
    const std::string name = std::string(kEntryPrefix) + n;
    // Commands that name no program, so that nothing can start them by mistake.
    const std::string data = "C:\\velqor-bench\\absent\\tool" + n + ".exe /background /id=" + n;
    ok = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
  }
  RegCloseKey(key);
  return ok;
}

void RemoveRunEntries(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kRunKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return;
  }
  // Names first, deletions after: deleting while enumerating shifts the indices.
  std::vector<std::string> names;
  char name[512];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    if (std::string_view(name, length).starts_with(kEntryPrefix)) {
      names.emplace_back(name, length);
    }
  }
  for (const std::string& n : names) {
    RegDeleteValueA(key, n.c_str());
  }
  RegCloseKey(key);
}

int EnumerateRunKey(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD values = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  int read = 0;
  char name[261];
  BYTE data[1024];
  for (DWORD i = 0; i < values; ++i) {
    DWORD name_length = sizeof name;
    DWORD data_length = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key, i, name, &name_length, nullptr, &type, data, &data_length) ==
        ERROR_SUCCESS) {
      ++read;
    }
  }
  RegCloseKey(key);
  return read;
}

}  // namespace velqor::bench
