// The Current settings window: every value that the tweaks and the booster write, what it holds
// now, and how that compares with what the commands write. It reads the commands' own tables and
// never writes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "journal/values.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "registry/takes_effect.h"

namespace velqor::journal {

// One value a command writes, as the window shows it.
struct SettingRow {
  std::string setting;  // the check box's caption, or "Internet Speed: " and the value name
  platform::KeyHandle root = 0;
  std::string key_path;  // ANSI, as the command writes it
  std::string value_name;
  RegValue tweaked;  // what a checked box, or Boost, writes
  // What an unchecked box writes, or what Restore leaves (nullopt: Restore deletes it).
  ValueState ordinary;
  registry::TakesEffect takes_effect = registry::TakesEffect::kAtOnce;
  ValueState now;
  platform::Status read_status = platform::kSuccess;  // not success: `now` could not be read
  std::string state;                                  // "tweaked", "ordinary", "other" or "absent"
};

// The rows in the tables' order (the tweaks in apply order, then Boost's values), each read from
// `registry` now. Never writes; a value that cannot be read counts as "other".
std::vector<SettingRow> ReadCurrentSettings(platform::Registry& registry);

// The window. One instance lives for the program; Show() creates the window when it is not open,
// reading every value, and brings it up. F5 and "Refresh" read them again.
class CurrentSettingsWindow {
 public:
  // Both must outlive the window.
  CurrentSettingsWindow(platform::Ui& ui, platform::Registry& registry)
      : ui_(ui), registry_(registry) {}
  CurrentSettingsWindow(const CurrentSettingsWindow&) = delete;
  CurrentSettingsWindow& operator=(const CurrentSettingsWindow&) = delete;

  void Show();
  // Reads every value again and shows them, keeping the selected row.
  void Refresh();
  // The window while it is open, otherwise null.
  platform::Window* window();

  // The list's columns, left to right.
  enum Column { kSetting, kWhere, kNow, kTweaked, kOrdinary, kState, kTakesEffect };

 private:
  void Load();

  platform::Ui& ui_;
  platform::Registry& registry_;
  std::unique_ptr<platform::Window> window_;
  platform::ControlId list_ = platform::kNoControl;
};

}  // namespace velqor::journal
