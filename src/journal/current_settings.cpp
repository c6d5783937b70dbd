#include "journal/current_settings.h"

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "booster/booster_tables.h"
#include "journal/display.h"
#include "platform/ascii.h"
#include "platform/registry_verbs.h"
#include "platform/wide_registry.h"
#include "tweaks/catalogue.h"

namespace velqor::journal {

namespace {

using platform::ControlKind;

RegValue Encoded(std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
  return {type, std::string(bytes.begin(), bytes.end())};
}

// The bytes the script host's RegWrite stores for a tweak's number.
RegValue TweakValue(const tweaks::TweakDatum& datum) {
  if (datum.type == "REG_DWORD") {
    return Encoded(platform::kRegDword,
                   platform::DwordBytes(static_cast<std::uint32_t>(datum.value)));
  }
  return Encoded(platform::kRegSz, platform::SzBytes(std::to_string(datum.value)));
}

// The bytes the booster's handle-based writer stores for a row.
RegValue StepValue(const booster::RegistryStep& step) {
  if (step.type == static_cast<std::int32_t>(platform::kRegDword)) {
    const std::optional<std::uint32_t> number =
        platform::ParseDword(step.data, platform::NumberRule::kLongOrUnsigned);
    return Encoded(platform::kRegDword, platform::DwordBytes(number.value_or(0)));
  }
  return Encoded(static_cast<std::uint32_t>(step.type), platform::SzBytes(step.data));
}

bool SameValue(const booster::RegistryStep& a, const booster::RegistryStep& b) {
  return a.root == b.root && platform::EqualsIgnoringAsciiCase(a.key, b.key) &&
         platform::EqualsIgnoringAsciiCase(a.name, b.name);
}

// What Restore leaves in a boosted value: its undo row's value, or nullopt when it deletes it.
ValueState RestoreLeaves(const booster::RegistryStep& boosted) {
  std::vector<const booster::RegistryStep*> undo;
  for (const booster::RegistryStep& step : booster::UndoSteps()) {
    undo.push_back(&step);
  }
  undo.push_back(&booster::SyncModeStep());
  for (const booster::RegistryStep* step : undo) {
    if (SameValue(*step, boosted) && step->op == booster::StepOp::kSetValue) {
      return StepValue(*step);
    }
  }
  return std::nullopt;
}

// Text values compare by their text: a terminator more or less is the same setting.
bool Holds(const ValueState& now, const ValueState& expected) {
  if (!now || !expected || now->type != expected->type) {
    return now == expected;
  }
  if (now->type != platform::kRegSz && now->type != platform::kRegExpandSz) {
    return now->bytes == expected->bytes;
  }
  auto text = [](std::string_view bytes) {
    while (!bytes.empty() && bytes.back() == '\0') {
      bytes.remove_suffix(1);
    }
    return bytes;
  };
  return text(now->bytes) == text(expected->bytes);
}

void ReadNow(platform::Registry& registry, SettingRow& row) {
  row.now.reset();
  row.read_status = ReadState(registry, row.root, row.key_path, row.value_name, row.now);
  const bool read = row.read_status == platform::kSuccess;
  if (read && Holds(row.now, row.tweaked)) {
    row.state = "tweaked";
  } else if (read && !row.now) {
    row.state = "absent";
  } else if (read && Holds(row.now, row.ordinary)) {
    row.state = "ordinary";
  } else {
    row.state = "other";  // a value that cannot be read is not known to be either
  }
}

}  // namespace

std::vector<SettingRow> ReadCurrentSettings(platform::Registry& registry) {
  std::vector<SettingRow> rows;
  for (const tweaks::TweakWrite& write : tweaks::TweakWrites()) {
    const std::optional<platform::FullPath> path = platform::ParseFullPath(write.path);
    if (!path) {
      continue;
    }
    SettingRow row;
    row.setting = std::string(tweaks::TweakBoxes().at(write.box).caption);
    row.root = path->root;
    row.key_path = path->key_path;
    row.value_name = path->names_key ? std::string() : path->value_name;
    row.tweaked = TweakValue(write.checked);
    row.ordinary = TweakValue(write.unchecked);
    row.takes_effect = write.takes_effect;
    rows.push_back(std::move(row));
  }
  for (const booster::RegistryStep& step : booster::BoostSteps()) {
    if (step.op != booster::StepOp::kSetValue) {
      continue;
    }
    SettingRow row;
    row.setting = "Internet Speed: " + std::string(step.name);
    row.root = step.root;
    row.key_path = std::string(step.key);
    row.value_name = std::string(step.name);
    row.tweaked = StepValue(step);
    row.ordinary = RestoreLeaves(step);
    row.takes_effect = step.takes_effect;
    rows.push_back(std::move(row));
  }
  for (SettingRow& row : rows) {
    ReadNow(registry, row);
  }
  return rows;
}

void CurrentSettingsWindow::Show() {
  if (window() == nullptr) {
    Load();
  }
  window_->Show();
}

platform::Window* CurrentSettingsWindow::window() {
  return window_ != nullptr && window_->IsOpen() ? window_.get() : nullptr;
}

void CurrentSettingsWindow::Load() {
  window_.reset();
  platform::WindowSpec def;
  def.name = "frmCurrentSettings";
  def.caption = "Velqor Current settings";
  def.client_width = 14400;
  def.client_height = 6000;
  def.resizable = true;
  std::unique_ptr<platform::Window> created = ui_.CreateForm(def);
  platform::Window& w = *created;
  const platform::ControlId label = w.AddControl({.kind = ControlKind::kLabel,
                                                  .name = "lblSettings",
                                                  .caption = "Values the commands write:",
                                                  .rect = {120, 120, 4800, 240}});
  list_ = w.AddControl({.kind = ControlKind::kReportList,
                        .name = "lstSettings",
                        .rect = {120, 400, 14160, 4920},
                        .tab_index = 0,
                        .label = label,
                        .columns = {{"Setting", 2700},
                                    {"Where", 3700},
                                    {"Now", 1300},
                                    {"Tweaked", 1300},
                                    {"Ordinary or Restore", 1700},
                                    {"State", 900},
                                    {"Takes effect", 2400}},
                        .anchors = platform::kAnchorLeft | platform::kAnchorTop |
                                   platform::kAnchorRight | platform::kAnchorBottom});
  const platform::ControlId refresh =
      w.AddControl({.kind = ControlKind::kButton,
                    .name = "cmdRefresh",
                    .caption = "&Refresh",
                    .rect = {120, 5460, 1200, 375},
                    .tab_index = 1,
                    .anchors = platform::kAnchorLeft | platform::kAnchorBottom});
  const platform::ControlId close =
      w.AddControl({.kind = ControlKind::kButton,
                    .name = "cmdClose",
                    .caption = "Close",
                    .rect = {13080, 5460, 1200, 375},
                    .tab_index = 2,
                    .anchors = platform::kAnchorRight | platform::kAnchorBottom});
  w.SetMenu({{"mnuView", "&View", {{"mnuRefresh", "&Refresh\tF5", true}}}});
  w.OnClick(refresh, [this] { Refresh(); });
  w.OnMenu("mnuRefresh", [this] { Refresh(); });
  w.OnClick(close, [this] { window_->Close(); });
  window_ = std::move(created);
  Refresh();
}

void CurrentSettingsWindow::Refresh() {
  platform::Window* w = window();
  if (w == nullptr) {
    return;
  }
  const std::optional<std::uint64_t> selected = w->SelectedKey(list_);
  w->SetRedraw(list_, false);
  w->ClearItems(list_);
  std::vector<platform::Row> rows;
  std::uint64_t key = 0;
  for (const SettingRow& row : ReadCurrentSettings(registry_)) {
    const std::string now =
        row.read_status == platform::kSuccess
            ? DescribeState(registry_, row.now)
            : "(unreadable: " +
                  platform::DescribeError(platform::ErrorDomain::kWin32, row.read_status) + ")";
    const std::string ordinary =
        row.ordinary ? DescribeState(registry_, row.ordinary) : std::string("(deleted)");
    rows.push_back({key++,
                    {row.setting, Where(registry_, row.root, row.key_path, row.value_name), now,
                     DescribeState(registry_, row.tweaked), ordinary, row.state,
                     std::string(registry::TakesEffectText(row.takes_effect))}});
  }
  w->AddRows(list_, std::move(rows));
  w->SetRedraw(list_, true);
  if (const int row = selected ? w->RowOfKey(list_, *selected) : -1; row >= 0) {
    w->SetSelection(list_, row);
  }
}

}  // namespace velqor::journal
