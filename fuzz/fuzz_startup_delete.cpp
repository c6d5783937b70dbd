// The startup manager over fuzzed Run keys: fill, choose the list, select a row, delete, in any
// order. A delete removes exactly the value of the selected row of the per-user list, or nothing;
// never another value, a machine-wide one, or one of a neighbouring key. A model registry, seeded
// alike and changed only by the expected deletions, is compared with the real one after every
// step.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/registry.h"
#include "platform/sim/registry.h"
#include "startup/frm_main.h"
#include "platform/sim/platform.h"

namespace velqor::fuzz {
namespace {

using platform::KeyHandle;
using platform::sim::SimRegistry;

// Keys beside and below the Run keys, where a path-based delete could land by mistake.
constexpr const char* kKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\a",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "Software\\Microsoft\\Windows\\CurrentVersion",
};

struct SeedValue {
  KeyHandle root = 0;
  std::string key;   // ANSI
  std::string name;  // ANSI, no NUL
  std::uint32_t type = 0;
  std::vector<std::uint8_t> bytes;
};

std::vector<SeedValue> PickSeeds(FuzzedDataProvider& in) {
  std::vector<SeedValue> seeds;
  std::vector<std::string> names;  // reused, so that the same name appears in several keys
  const int count = in.ConsumeIntegralInRange<int>(0, 16);
  for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    SeedValue seed;
    seed.root = in.ConsumeIntegralInRange<int>(0, 3) == 0 ? platform::kHkeyLocalMachine
                                                          : platform::kHkeyCurrentUser;
    seed.key = kKeys[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kKeys) - 1)];
    if (!names.empty() && in.ConsumeBool()) {
      seed.name = names[in.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];
      if (!seed.name.empty() && in.ConsumeBool()) {
        seed.name.insert(0, " ");  // " Tool" beside "Tool"
      }
    } else if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
      seed.name.assign(in.ConsumeIntegralInRange<std::size_t>(255, 300), 'N');
    } else {
      seed.name = PickText(in, 16);
    }
    std::erase(seed.name, '\0');
    names.push_back(seed.name);
    seed.type =
        in.ConsumeBool() ? platform::kRegSz : in.ConsumeIntegralInRange<std::uint32_t>(0, 11);
    const std::size_t length = in.ConsumeIntegralInRange<int>(0, 7) == 0
                                   ? in.ConsumeIntegralInRange<std::size_t>(250, 1030)
                                   : in.ConsumeIntegralInRange<std::size_t>(0, 24);
    seed.bytes = in.ConsumeBytes<std::uint8_t>(length);
    seed.bytes.resize(length, 'c');
    seeds.push_back(std::move(seed));
  }
  return seeds;
}

void Apply(SimRegistry& registry, const std::vector<SeedValue>& seeds) {
  for (const KeyHandle root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
    KeyHandle key = 0;
    FUZZ_CHECK(registry.CreateKey(root, startup::kRunSubKey, platform::kKeySetValue, key) == 0,
               "Run key");
    static_cast<void>(registry.CloseKey(key));
  }
  for (const SeedValue& seed : seeds) {
    KeyHandle key = 0;
    FUZZ_CHECK(registry.CreateKey(seed.root, seed.key, platform::kKeySetValue, key) == 0, seed.key);
    FUZZ_CHECK(registry.SetValue(key, seed.name, seed.type, seed.bytes.data(),
                                 static_cast<std::uint32_t>(seed.bytes.size())) == 0,
               Printable(seed.name));
    static_cast<void>(registry.CloseKey(key));
  }
}

// The per-user Run key's value names (ANSI) in enumeration order, read with room for any name.
std::vector<std::string> UserRunNames(SimRegistry& registry) {
  std::vector<std::string> names;
  KeyHandle key = 0;
  if (registry.OpenKey(platform::kHkeyCurrentUser, startup::kRunSubKey, platform::kKeyQueryValue,
                       key) != 0) {
    return names;
  }
  for (std::uint32_t index = 0;; ++index) {
    std::string name(40000, '\0');
    auto length = static_cast<std::uint32_t>(name.size());
    if (registry.EnumValue(key, index, name.data(), length, nullptr, nullptr, nullptr) != 0) {
      break;
    }
    names.push_back(name.substr(0, length));
  }
  static_cast<void>(registry.CloseKey(key));
  return names;
}

}  // namespace
}  // namespace velqor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace velqor;
  using namespace velqor::fuzz;
  using platform::sim::SimRegistry;
  FuzzedDataProvider in(data, size);
  SimPlatform sim;
  SimRegistry model;
  const std::vector<SeedValue> seeds = PickSeeds(in);
  Apply(sim.registry, seeds);
  Apply(model, seeds);

  // Faults that may make a delete fail, never make it remove something else.
  const bool unavailable = in.ConsumeIntegralInRange<int>(0, 7) == 0;
  const bool denied = in.ConsumeIntegralInRange<int>(0, 7) == 0;
  sim.script_host.SetUnavailable(unavailable);
  sim.registry.DenyWrites(platform::kHkeyCurrentUser, denied);
  bool injected = false;
  bool close_fault = false;

  {
    startup::frmMain form(sim.platform);
    form.Show();
    std::vector<std::string> listed;  // the names the per-user list was filled with, by row
    bool user_shown = false;
    for (int step = 0; step < 24 && in.remaining_bytes() > 0; ++step) {
      platform::sim::HeadlessWindow* w = sim.ui.FindWindow("frmMain");
      FUZZ_CHECK(w != nullptr, "the window is gone");
      const startup::frmMain::Controls& c = form.controls();
      const std::string before = sim.registry.Snapshot();
      std::string removable;  // the name a delete may remove now, if any
      bool must_remove = false;
      // Mostly start on the per-user list, where deletes happen.
      const int action = step == 0 && in.ConsumeIntegralInRange<int>(0, 3) != 0
                             ? 0
                             : in.ConsumeIntegralInRange<int>(0, 10);
      switch (action) {
        case 0:
        case 1:
          w->Click(c.optRun2);
          break;
        case 2:
          w->Click(c.optRun);
          break;
        case 3:
        case 4: {
          const platform::ControlId list = in.ConsumeBool() ? c.lstName : c.lstCmdLine;
          const int rows = w->ItemCount(list);
          if (rows > 0) {
            w->SelectRow(list, in.ConsumeIntegralInRange<int>(0, rows - 1));
          } else {
            w->SetSelection(list, -1);
          }
          break;
        }
        case 5:
          w->SetSelection(c.lstName, -1);
          break;
        case 6: {
          using Op = SimRegistry::Operation;
          static constexpr Op kOps[] = {Op::kOpenKey,    Op::kQueryInfoKey, Op::kEnumValue,
                                        Op::kQueryValue, Op::kDeleteValue,  Op::kCloseKey};
          const Op op = kOps[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kOps) - 1)];
          sim.registry.FailNext(op,
                                in.ConsumeBool() ? platform::kAccessDenied : platform::kMoreData);
          injected = true;
          close_fault = close_fault || op == Op::kCloseKey;
          break;
        }
        case 7:
          w->RequestClose();
          form.Show();
          break;
        default: {
          const int row = w->Selection(c.lstName);
          if (user_shown && row >= 0 && static_cast<std::size_t>(row) < listed.size()) {
            removable = listed[static_cast<std::size_t>(row)];
            must_remove = !removable.empty() && removable.size() < 16384 && !unavailable &&
                          !denied && !injected &&
                          model.Find(platform::kHkeyCurrentUser, startup::kRunSubKey,
                                     model.FromAnsi(removable));
          }
          w->Click(c.Command1);
          break;
        }
      }
      // Whatever was done, the list now shows the per-user key exactly when its option is set;
      // a refill reads the names afresh.
      platform::sim::HeadlessWindow* now = sim.ui.FindWindow("frmMain");
      FUZZ_CHECK(now != nullptr, "the window is gone");
      const bool user_now = now->Value(c.optRun2) == 1;
      if (user_now && (!user_shown || now != w)) {
        listed = UserRunNames(model);
      }
      user_shown = user_now;

      const std::string after = sim.registry.Snapshot();
      if (after != before) {
        std::string change = before;
        change += "---\n";
        change += after;
        FUZZ_CHECK(!removable.empty(),
                   "something was removed without a delete of a row:\n" + change);
        ModelDelete(model, platform::kHkeyCurrentUser, startup::kRunSubKey, removable, false,
                    "model Run key");
        FUZZ_CHECK(after == model.Snapshot(),
                   "the delete of " + Printable(removable) + " removed something else:\n" + change);
      } else {
        FUZZ_CHECK(!must_remove, "the selected entry " + Printable(removable) + " stayed");
        FUZZ_CHECK(after == model.Snapshot(), "the model and the registry differ");
      }
    }
  }
  if (!close_fault) {
    FUZZ_CHECK(sim.registry.OpenHandleCount() == 0, "the window left a key open");
  }
  return 0;
}
