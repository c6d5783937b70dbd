// The registry writers and the enumeration routines over a fuzzed simulated registry: random
// key and value names (long ones too), types and raw data. What they read back must agree with
// a plain model of the bytes written, and they must leave no handle open.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/registry.h"
#include "platform/sim/codepage.h"
#include "platform/sim/registry.h"
#include "registry/access.h"
#include "registry/enumeration.h"

namespace velqor::fuzz {
namespace {

using platform::KeyHandle;
using platform::sim::FoldCp1252;
using platform::sim::SimRegistry;

// The model: keys by folded name, values in creation order, a later write to the same folded
// name replacing type and data but keeping the first name.
struct ModelValue {
  std::string name;  // ANSI
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
};
struct ModelKey {
  std::map<std::string, ModelKey> children;
  std::vector<ModelValue> values;

  ModelValue* Find(std::string_view name) {
    const std::string folded = FoldCp1252(name);
    for (ModelValue& value : values) {
      if (FoldCp1252(value.name) == folded) return &value;
    }
    return nullptr;
  }
  void Set(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    if (ModelValue* value = Find(name)) {
      value->type = type;
      value->bytes = std::move(bytes);
    } else {
      values.push_back({std::string(name), type, std::move(bytes)});
    }
  }
};

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

ModelKey* Walk(ModelKey& root, std::string_view ansi_path, bool create) {
  ModelKey* key = &root;
  for (const std::string& part : Components(ansi_path)) {
    const std::string folded = FoldCp1252(part);
    const auto it = key->children.find(folded);
    if (it == key->children.end()) {
      if (!create) return nullptr;
      key = &key->children[folded];
    } else {
      key = &it->second;
    }
  }
  return key;
}

// ANSI bytes without NUL: what a name can hold through the ANSI calls.
std::string PickName(FuzzedDataProvider& in) {
  std::string name;
  switch (in.ConsumeIntegralInRange<int>(0, 15)) {
    case 0:  // around the 261-character name buffer
      name.assign(in.ConsumeIntegralInRange<std::size_t>(255, 265), 'n');
      break;
    case 1:  // around the longest name there can be
      name.assign(in.ConsumeIntegralInRange<std::size_t>(16380, 16386), 'L');
      break;
    default:
      name = PickText(in, 24);
      break;
  }
  if (!name.empty() && in.ConsumeBool()) name[0] = ' ';
  std::replace(name.begin(), name.end(), '\0', '0');
  return name;
}

std::vector<std::uint8_t> PickData(FuzzedDataProvider& in) {
  std::size_t length = 0;
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:
      length = in.ConsumeIntegralInRange<std::size_t>(253, 258);  // the enumeration's buffer
      break;
    case 1:
      length = in.ConsumeIntegralInRange<std::size_t>(1022, 1026);  // the query's buffer
      break;
    default:
      length = in.ConsumeIntegralInRange<std::size_t>(0, 40);
      break;
  }
  std::vector<std::uint8_t> bytes = in.ConsumeBytes<std::uint8_t>(length);
  const int fill = in.ConsumeIntegralInRange<int>(0, 2);  // spaces and NULs matter to the text
  bytes.resize(length, fill == 0 ? ' ' : fill == 1 ? 0 : 'x');
  return bytes;
}

// What QueryRegValue shows for data: nothing past 1024 bytes; else the text before the first
// NUL of the zero-filled 1024-byte buffer, leading spaces removed, and trailing ones too when
// the buffer held no NUL at all.
std::string ShownText(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > registry::RegEnum::kQueryDataBytes) return {};
  std::string buffer(bytes.begin(), bytes.end());
  buffer.resize(registry::RegEnum::kQueryDataBytes, '\0');
  const std::size_t nul = buffer.find('\0');
  std::string text = buffer.substr(0, nul);
  text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
  if (nul == std::string::npos) text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// The registry calls' own contract for EnumValue with buffers of any size.
void CheckEnumValueContract(SimRegistry& registry, KeyHandle key, const ModelKey& model,
                            FuzzedDataProvider& in) {
  const auto index = in.ConsumeIntegralInRange<std::uint32_t>(0, 3 + model.values.size());
  const auto name_size = in.ConsumeIntegralInRange<std::uint32_t>(0, 300);
  const auto data_size = in.ConsumeIntegralInRange<std::uint32_t>(0, 1100);
  const bool with_data = in.ConsumeBool();
  std::string name(name_size + 1, '#');
  std::vector<std::uint8_t> data(data_size + 1, 0xEE);
  std::uint32_t name_length = name_size;
  std::uint32_t data_length = data_size;
  std::uint32_t type = 0xDEAD;
  const platform::Status status =
      registry.EnumValue(key, index, name.data(), name_length, with_data ? &type : nullptr,
                         with_data ? data.data() : nullptr, with_data ? &data_length : nullptr);
  if (index >= model.values.size()) {
    FUZZ_CHECK(status == platform::kNoMoreItems, std::to_string(status));
    return;
  }
  const ModelValue& value = model.values[index];
  if (with_data && value.bytes.size() > data_size) {
    FUZZ_CHECK(status == platform::kMoreData, std::to_string(status));
    FUZZ_CHECK(name == std::string(name_size + 1, '#'), "name buffer written on ERROR_MORE_DATA");
    FUZZ_CHECK(data_length == value.bytes.size(), "size needed");
    return;
  }
  if (value.name.size() >= name_size) {
    FUZZ_CHECK(status == platform::kMoreData, std::to_string(status));
    return;
  }
  FUZZ_CHECK(status == platform::kSuccess, std::to_string(status));
  FUZZ_CHECK(name_length == value.name.size() && name.compare(0, name_length, value.name) == 0 &&
                 name[name_length] == '\0',
             "name " + value.name);
  FUZZ_CHECK(name[name_size] == '#', "wrote past the name buffer");
  if (with_data) {
    FUZZ_CHECK(type == value.type && data_length == value.bytes.size() &&
                   std::equal(value.bytes.begin(), value.bytes.end(), data.begin()),
               "data of " + value.name);
    FUZZ_CHECK(data[data_size] == 0xEE, "wrote past the data buffer");
  }
}

// Every key of the model, read back through the enumeration routines.
void CheckKey(SimRegistry& registry, registry::RegEnum& reg_enum, KeyHandle root,
              const std::string& ansi_path, const ModelKey& model, FuzzedDataProvider& in) {
  const KeyHandle key = reg_enum.OpenRegKey(root, registry.FromAnsi(ansi_path));
  FUZZ_CHECK(key != 0, "cannot open " + ansi_path);
  FUZZ_CHECK(reg_enum.GetKeyCount(key, 0) == static_cast<std::int32_t>(model.values.size()),
             ansi_path);
  FUZZ_CHECK(reg_enum.GetKeyCount(key, 1) == static_cast<std::int32_t>(model.children.size()),
             ansi_path);
  FUZZ_CHECK(reg_enum.GetKeyCount(key, 2) == 0, ansi_path);
  for (std::size_t i = 0; i <= model.values.size(); ++i) {
    const auto index = static_cast<std::int32_t>(i);
    const std::string exact = reg_enum.ExactValueName(key, index);
    const std::string shown = reg_enum.EnumRegValueName(key, index);
    const registry::ValueNames both = reg_enum.EnumRegValueNames(key, index);
    FUZZ_CHECK(both.shown == shown && both.exact == exact,
               "one enumeration and two disagree at " + std::to_string(i));
    if (i == model.values.size()) {
      FUZZ_CHECK(exact.empty() && shown.empty(), "a name past the last value");
      const std::string missing = "\x01 missing";
      if (const_cast<ModelKey&>(model).Find(missing) == nullptr) {
        FUZZ_CHECK(reg_enum.QueryRegValue(key, missing).empty(), "data of a missing value");
      }
      break;
    }
    const ModelValue& value = model.values[i];
    // A name longer than any the registry allows cannot be read; it shows as nothing.
    const bool readable = value.name.size() < 16384;
    std::string trimmed = value.name;
    trimmed.erase(0, std::min(trimmed.find_first_not_of(' '), trimmed.size()));
    FUZZ_CHECK(exact == (readable ? registry.FromAnsi(value.name) : std::string()),
               "exact name at " + std::to_string(i) + ": " + Printable(value.name) + " read " +
                   Printable(exact));
    FUZZ_CHECK(shown == (readable ? registry.FromAnsi(trimmed) : std::string()),
               "shown name at " + std::to_string(i) + ": " + Printable(value.name) + " read " +
                   Printable(shown));
    FUZZ_CHECK(registry.ToAnsi(registry.FromAnsi(value.name)) == value.name,
               "the ANSI page does not round-trip " + value.name);
    FUZZ_CHECK(reg_enum.QueryRegValue(key, registry.FromAnsi(value.name)) ==
                   registry.FromAnsi(ShownText(value.bytes)),
               "data of " + value.name);
    std::vector<std::uint8_t> raw(value.bytes.size() + 1);
    std::uint32_t raw_length = static_cast<std::uint32_t>(raw.size());
    std::uint32_t type = 0;
    FUZZ_CHECK(registry.QueryValue(key, value.name, &type, raw.data(), &raw_length) == 0 &&
                   type == value.type && raw_length == value.bytes.size() &&
                   std::equal(value.bytes.begin(), value.bytes.end(), raw.begin()),
               "raw data of " + value.name);
  }
  for (int probe = 0; probe < 2 && in.remaining_bytes() > 0; ++probe) {
    CheckEnumValueContract(registry, key, model, in);
  }
  FUZZ_CHECK(registry.CloseKey(key) == 0, ansi_path);
}

void CheckTree(SimRegistry& registry, registry::RegEnum& reg_enum, KeyHandle root,
               const std::string& ansi_path, const ModelKey& model, FuzzedDataProvider& in,
               int& budget) {
  if (--budget < 0) return;
  CheckKey(registry, reg_enum, root, ansi_path, model, in);
  for (const auto& [folded, child] : model.children) {
    // Opening by the folded name must find the key too: names compare without case.
    std::string child_path = ansi_path;
    if (!child_path.empty()) child_path += '\\';
    child_path += folded;
    CheckTree(registry, reg_enum, root, child_path, child, in, budget);
  }
}

// Decimal text as std::from_chars reads an int32, in full.
std::optional<std::int32_t> Int32Of(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty()) return std::nullopt;
  std::int64_t magnitude = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 0x80000000LL) return std::nullopt;
  }
  const std::int64_t number = negative ? -magnitude : magnitude;
  if (number > 0x7FFFFFFFLL) return std::nullopt;
  return static_cast<std::int32_t>(number);
}

// One call of the handle-based writers, mirrored in the model when it must write.
void Write(SimRegistry& registry, registry::RegistryAccess& access, ModelKey (&roots)[2],
           const bool (&denied)[2], FuzzedDataProvider& in) {
  const bool user = in.ConsumeBool();
  const KeyHandle root = user ? platform::kHkeyCurrentUser : platform::kHkeyLocalMachine;
  ModelKey& model_root = roots[user ? 0 : 1];
  // Names and paths travel as C strings through the real calls: no NUL inside.
  std::string path = PickUtf8(in, 24);
  std::string name = PickUtf8(in, 16);
  std::erase(path, '\0');
  std::erase(name, '\0');
  static constexpr std::int32_t kTypes[] = {1, 4, 1, 4, 3, 0, 2, -1};
  const std::int32_t type =
      kTypes[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kTypes) - 1)];
  const std::string value =
      in.ConsumeBool() ? std::to_string(in.ConsumeIntegral<std::int32_t>()) : PickUtf8(in, 20);
  std::vector<std::uint8_t> expected;
  bool writes = false;
  if (type == 1) {
    const std::string ansi = registry.ToAnsi(value);
    expected.assign(ansi.begin(), ansi.end());
    expected.push_back(0);
    writes = true;
  } else if (type == 4) {
    if (const std::optional<std::int32_t> number = Int32Of(value)) {
      const auto bits = static_cast<std::uint32_t>(*number);
      expected = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                  static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
      writes = true;
    }
  }
  const std::string ansi_path = registry.ToAnsi(path);
  const std::string ansi_name = registry.ToAnsi(name);
  switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {
      access.CreateNewKey(path, root);
      if (!denied[user ? 0 : 1] || Walk(model_root, ansi_path, false) != nullptr) {
        Walk(model_root, ansi_path, true);
      }
      break;
    }
    case 1: {
      if (user) {
        access.SetKeyValuee(path, name, value, type);
      } else {
        access.SetKeyValue(path, name, value, type);
      }
      ModelKey* key = Walk(model_root, ansi_path, false);
      // The writers open without creating, for every right a key has: refused where denied.
      if (key != nullptr && writes && !denied[user ? 0 : 1])
        key->Set(ansi_name, type == 1 ? 1 : 4, expected);
      break;
    }
    default: {
      ModelKey* key = Walk(model_root, ansi_path, false);
      KeyHandle handle = 0;
      const platform::Status opened = registry.OpenKey(
          root, ansi_path, platform::kKeySetValue | platform::kKeyQueryValue, handle);
      FUZZ_CHECK((opened == 0) == (key != nullptr && !denied[user ? 0 : 1]), ansi_path);
      const platform::Status status = access.WriteRegValue(handle, name, type, value);
      if (type == 4 && !writes) {
        FUZZ_CHECK(status == platform::kInvalidData, "REG_DWORD from \"" + value + "\"");
      } else if (type != 1 && type != 4) {
        FUZZ_CHECK(status == platform::kSuccess, "a type the writer does not know");
      } else {
        FUZZ_CHECK((status == 0) == (opened == 0), "status " + std::to_string(status));
      }
      if (opened == 0 && writes) key->Set(ansi_name, static_cast<std::uint32_t>(type), expected);
      if (handle != 0) FUZZ_CHECK(registry.CloseKey(handle) == 0, ansi_path);
      break;
    }
  }
  FUZZ_CHECK(registry.OpenHandleCount() == 0, "a writer left a key open");
}

}  // namespace
}  // namespace velqor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velqor;
  using namespace velqor::fuzz;
  FuzzedDataProvider in(data, size);
  SimRegistry registry;
  ModelKey roots[2];  // HKCU, HKLM

  // A random tree, written through the raw calls.
  const int values = in.ConsumeIntegralInRange<int>(0, 24);
  for (int i = 0; i < values && in.remaining_bytes() > 0; ++i) {
    const bool user = in.ConsumeBool();
    const KeyHandle root = user ? platform::kHkeyCurrentUser : platform::kHkeyLocalMachine;
    std::string path = PickText(in, 20);
    std::replace(path.begin(), path.end(), '\0', '0');
    KeyHandle key = 0;
    FUZZ_CHECK(registry.CreateKey(root, path, platform::kKeySetValue, key) == 0, path);
    ModelKey* model = Walk(roots[user ? 0 : 1], path, true);
    if (in.ConsumeIntegralInRange<int>(0, 3) != 0) {
      const std::string name = PickName(in);
      const auto type = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::uint32_t>(0, 11)
                                         : in.ConsumeIntegral<std::uint32_t>();
      std::vector<std::uint8_t> bytes = PickData(in);
      FUZZ_CHECK(registry.SetValue(key, name, type, bytes.data(),
                                   static_cast<std::uint32_t>(bytes.size())) == 0,
                 name);
      model->Set(name, type, std::move(bytes));
    }
    FUZZ_CHECK(registry.CloseKey(key) == 0, path);
  }

  bool denied[2] = {in.ConsumeBool() && in.ConsumeBool(), in.ConsumeBool()};
  registry.DenyWrites(platform::kHkeyCurrentUser, denied[0]);
  registry.DenyWrites(platform::kHkeyLocalMachine, denied[1]);
  registry::RegistryAccess access(registry);
  const int writes = in.ConsumeIntegralInRange<int>(0, 8);
  for (int i = 0; i < writes && in.remaining_bytes() > 0; ++i) {
    Write(registry, access, roots, denied, in);
  }

  registry::RegEnum reg_enum(registry);
  int budget = 64;
  CheckTree(registry, reg_enum, platform::kHkeyCurrentUser, "", roots[0], in, budget);
  CheckTree(registry, reg_enum, platform::kHkeyLocalMachine, "", roots[1], in, budget);
  if (Walk(roots[0], "? no such key", false) == nullptr) {
    FUZZ_CHECK(reg_enum.OpenRegKey(platform::kHkeyCurrentUser, "\xE2\x98\x83 no such key") == 0,
               "opened a missing key");
  }
  FUZZ_CHECK(registry.OpenHandleCount() == 0, "handles left open");
  return 0;
}
