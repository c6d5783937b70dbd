// RegWrite and RegDelete of the simulated script host with fuzzed full paths, values and type
// names. Every call either succeeds and changes exactly what it names, or raises a Failure and
// changes nothing; a model registry, written through the test helpers, says which.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/failure.h"
#include "platform/sim/registry.h"
#include "platform/sim/script_host.h"

namespace velqor::fuzz {
namespace {

using platform::KeyHandle;
using platform::ScriptValue;
using platform::sim::SimRegistry;

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::optional<KeyHandle> RootOf(std::string_view name) {
  const std::string upper = Upper(name);
  if (upper == "HKLM" || upper == "HKEY_LOCAL_MACHINE") return platform::kHkeyLocalMachine;
  if (upper == "HKCU" || upper == "HKEY_CURRENT_USER") return platform::kHkeyCurrentUser;
  return std::nullopt;
}

// Decimal text as the script host takes it for a REG_DWORD: an optional minus, digits only,
// from INT32_MIN to UINT32_MAX.
std::optional<std::uint32_t> DwordOf(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty()) return std::nullopt;
  std::uint64_t magnitude = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
    if (magnitude > 0xFFFFFFFFULL) return std::nullopt;
  }
  if (negative && magnitude > 0x80000000ULL) return std::nullopt;
  return negative ? static_cast<std::uint32_t>(0 - magnitude)
                  : static_cast<std::uint32_t>(magnitude);
}

// A full path built from parts, so that what it names is known without parsing it again.
struct Target {
  std::string path;
  std::optional<KeyHandle> root;
  std::string key;   // components joined by back-slashes (empty ones included)
  std::string name;  // value name; empty for the default value
  bool names_key = false;
};

std::string WithoutBackslashes(std::string text) {
  std::erase(text, '\\');
  return text;
}

Target PickTarget(FuzzedDataProvider& in) {
  static constexpr const char* kRoots[] = {"HKLM",  "hklm",        "HKEY_LOCAL_MACHINE",
                                           "HKCU",  "hKcU",        "HKEY_CURRENT_USER",
                                           "HKCR",  "HKEY_USERS",  "",
                                           "HKCU ", "HKLM\xC3\xA9"};
  Target t;
  const std::string root_name =
      in.ConsumeBool() ? kRoots[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kRoots) - 1)]
                       : WithoutBackslashes(PickText(in, 12));
  t.root = RootOf(root_name);
  const std::size_t components = in.ConsumeIntegralInRange<std::size_t>(0, 4);
  for (std::size_t i = 0; i < components; ++i) {
    if (i > 0) t.key += '\\';
    t.key += WithoutBackslashes(PickUtf8(in, 12));
  }
  t.name = WithoutBackslashes(PickUtf8(in, 16));
  t.path = root_name + '\\' + t.key;
  if (components > 0) t.path += '\\';
  t.path += t.name;
  t.names_key = t.name.empty();
  return t;
}

ScriptValue PickValue(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) {
    return in.ConsumeIntegral<std::int32_t>();
  }
  static constexpr const char* kNumbers[] = {
      "0",  "-1", "4294967295", "4294967296", "-2147483648", "-2147483649",
      "+1", " 1", "1 ",         "00012",      "-",           "0x10"};
  if (in.ConsumeBool()) {
    return std::string(
        kNumbers[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kNumbers) - 1)]);
  }
  return PickUtf8(in, 40);
}

std::string PickType(FuzzedDataProvider& in) {
  static constexpr const char* kTypes[] = {"REG_SZ",      "reg_sz",        "Reg_Dword", "REG_DWORD",
                                           "REG_BINARY",  "REG_EXPAND_SZ", "",          "REG_SZ ",
                                           "\tREG_DWORD", "REG_MULTI_SZ"};
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) {
    return PickText(in, 12);
  }
  return kTypes[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kTypes) - 1)];
}

// What RegWrite stores for a value and a type name; nullopt when it must refuse.
struct Stored {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
};
std::optional<Stored> StoredFor(const SimRegistry& registry, const ScriptValue& value,
                                std::string_view type) {
  const std::string upper = Upper(type);
  Stored stored;
  if (upper == "REG_SZ") {
    stored.type = platform::kRegSz;
    const std::string text = std::holds_alternative<std::int32_t>(value)
                                 ? std::to_string(std::get<std::int32_t>(value))
                                 : registry.ToAnsi(std::get<std::string>(value));
    stored.bytes.assign(text.begin(), text.end());
    stored.bytes.push_back(0);
    return stored;
  }
  if (upper == "REG_DWORD") {
    stored.type = platform::kRegDword;
    const std::optional<std::uint32_t> number =
        std::holds_alternative<std::int32_t>(value)
            ? std::optional<std::uint32_t>(
                  static_cast<std::uint32_t>(std::get<std::int32_t>(value)))
            : DwordOf(std::get<std::string>(value));
    if (!number) return std::nullopt;
    for (int shift = 0; shift < 32; shift += 8) {
      stored.bytes.push_back(static_cast<std::uint8_t>(*number >> shift));
    }
    return stored;
  }
  return std::nullopt;
}

}  // namespace
}  // namespace velqor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velqor;
  using namespace velqor::fuzz;
  FuzzedDataProvider in(data, size);
  SimRegistry registry;
  SimRegistry model;
  platform::sim::SimScriptHost host(registry);
  const bool machine_denied = in.ConsumeBool();
  registry.DenyWrites(platform::kHkeyLocalMachine, machine_denied);

  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    const bool write = in.ConsumeIntegralInRange<int>(0, 2) != 0;
    const Target t = PickTarget(in);
    const ScriptValue value = write ? PickValue(in) : ScriptValue{};
    const std::string type = write ? PickType(in) : std::string();
    const bool denied = t.root && *t.root == platform::kHkeyLocalMachine && machine_denied;

    // What the call must do, decided from the parts alone.
    bool should_succeed = false;
    std::optional<Stored> stored;
    if (write) {
      stored = StoredFor(registry, value, type);
      should_succeed = t.root && stored && !denied;
    } else {
      should_succeed = t.root && !t.names_key && !denied && model.Find(*t.root, t.key, t.name);
    }

    const std::size_t calls_before = host.calls().size();
    bool succeeded = false;
    try {
      const std::unique_ptr<platform::ScriptShell> shell = host.CreateShell();
      if (write) {
        shell->RegWrite(t.path, value, type);
      } else {
        shell->RegDelete(t.path);
      }
      succeeded = true;
    } catch (const platform::Failure& failure) {
      const std::string what = failure.what();
      FUZZ_CHECK(failure.status() != 0, what);
      FUZZ_CHECK(what.rfind(write ? "RegWrite \"" : "RegDelete \"", 0) == 0, what);
    }

    FUZZ_CHECK(succeeded == should_succeed,
               t.path + (write ? " type " + type : std::string(" delete")));
    FUZZ_CHECK(host.calls().size() == calls_before + 1, t.path);
    FUZZ_CHECK(host.calls().back().failed == !succeeded, t.path);
    FUZZ_CHECK(host.calls().back().path == t.path, t.path);
    FUZZ_CHECK(registry.OpenHandleCount() == 0, "a verb left a key open: " + t.path);

    if (succeeded && write) {
      model.Seed(*t.root, t.key, t.name, stored->type, stored->bytes);
      const auto found = registry.Find(*t.root, t.key, t.name);
      FUZZ_CHECK(found && found->type == stored->type && found->bytes == stored->bytes, t.path);
    } else if (succeeded) {
      ModelDelete(model, *t.root, model.ToAnsi(t.key), model.ToAnsi(t.name), true, t.path);
      FUZZ_CHECK(!registry.Find(*t.root, t.key, t.name), t.path);
    }
    // Refused calls leave no trace, not even a key; successful ones change only what they name.
    FUZZ_CHECK(registry.Snapshot() == model.Snapshot(),
               t.path + "\nregistry:\n" + registry.Snapshot() + "model:\n" + model.Snapshot());
  }
  return 0;
}
