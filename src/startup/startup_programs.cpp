#include "startup/startup_programs.h"

#include <optional>
#include <string>
#include <utility>

namespace velqor::startup {

using platform::ControlKind;

namespace {

constexpr unsigned kAllEdges =
    platform::kAnchorLeft | platform::kAnchorTop | platform::kAnchorRight | platform::kAnchorBottom;
constexpr unsigned kBottomLeft = platform::kAnchorLeft | platform::kAnchorBottom;

// The buttons under the list, left to right, and the menu entries that do the same.
struct Command {
  const char* button;
  const char* caption;
  const char* menu;
  const char* menu_caption;
  void (StartupPrograms::*run)();
};
constexpr Command kCommands[] = {
    {"cmdDisable", "&Disable", "mnuDisable", "&Disable", &StartupPrograms::Disable},
    {"cmdEnable", "&Enable", "mnuEnable", "&Enable", &StartupPrograms::Enable},
    {"cmdDelete", "De&lete...", "mnuDelete", "De&lete...", &StartupPrograms::Delete},
    {"cmdOpen", "&Open file location", "mnuOpen", "&Open file location",
     &StartupPrograms::OpenFileLocation},
    {"cmdRefresh", "&Refresh", "mnuRefresh", "&Refresh\tF5", &StartupPrograms::Refresh},
};

}  // namespace

StartupPrograms::StartupPrograms(platform::Platform& platform, CommandBracket* bracket)
    : platform_(platform),
      parts_{platform.wide_registry, platform.startup_folders, platform.system},
      bracket_(bracket) {}

StartupPrograms::~StartupPrograms() {
  if (IsLoaded()) window_->Close();
}

bool StartupPrograms::IsLoaded() const {
  return window_ != nullptr && window_->IsOpen();
}

platform::Window* StartupPrograms::window() {
  return IsLoaded() ? window_.get() : nullptr;
}

void StartupPrograms::Show() {
  if (!IsLoaded()) Load();
  window_->Show();
}

void StartupPrograms::Load() {
  window_.reset();
  window_ = platform_.ui.CreateForm({.name = "frmStartupPrograms",
                                     .caption = kStartupProgramsCaption,
                                     .client_width = 10800,
                                     .client_height = 5400,
                                     .icon_resource = {},
                                     .background = std::nullopt,
                                     .resizable = true});
  platform::Window& w = *window_;
  list_ = w.AddControl(
      {.kind = ControlKind::kReportList,
       .name = "lvwEntries",
       .rect = {120, 120, 10560, 4560},
       .columns = {{"Name", 2100}, {"Command", 3840}, {"Location", 3240}, {"Status", 1260}},
       .anchors = kAllEdges});
  std::vector<platform::MenuEntry> entries;
  std::vector<std::string> context_entries;
  int left = 120;
  for (const Command& command : kCommands) {
    const int width = command.run == &StartupPrograms::OpenFileLocation ? 2100 : 1335;
    const platform::ControlId id = w.AddControl({.kind = ControlKind::kButton,
                                                 .name = command.button,
                                                 .caption = command.caption,
                                                 .rect = {left, 4860, width, 375},
                                                 .anchors = kBottomLeft});
    left += width + 120;
    const auto run = command.run;
    w.OnClick(id, [this, run] { (this->*run)(); });
    if (run == &StartupPrograms::Refresh) {
      entries.push_back({"", "", true});
      context_entries.emplace_back();
    }
    entries.push_back({command.menu, command.menu_caption, true});
    context_entries.emplace_back(command.menu);
  }
  w.SetMenu({{"mnuEntry", "&Entry", entries}});
  w.AddControl({.kind = ControlKind::kContextMenu,
                .name = "mnuEntryContext",
                .owner = list_,
                .entries = context_entries});
  w.OnClick(list_, [this] { UpdateCommands(); });
  for (const Command& command : kCommands) {
    const auto run = command.run;
    w.OnMenu(command.menu, [this, run] { (this->*run)(); });
  }
  Refresh();
  w.SetFocus(list_);
}

void StartupPrograms::Refresh() {
  if (!IsLoaded()) return;
  platform::Window& w = *window_;
  std::optional<Entry> selected;
  if (const auto key = w.SelectedKey(list_); key && *key < entries_.size()) {
    selected = entries_[*key];
  }
  entries_ = ListEntries(parts_);
  std::vector<platform::Row> rows;
  rows.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    rows.push_back({i,
                    {Utf8(entry.name), Utf8(entry.command), LocationOf(entry.location).name,
                     StatusText(entry.status)}});
  }
  w.SetRedraw(list_, false);
  w.ClearItems(list_);
  w.AddRows(list_, std::move(rows));
  w.SetRedraw(list_, true);
  // The entry selected before, by its location and name; of two alike, the one shown first.
  int row = -1;
  for (std::size_t i = 0; selected && i < entries_.size(); ++i) {
    if (entries_[i].location == selected->location && entries_[i].name == selected->name) {
      const int place = w.RowOfKey(list_, i);
      row = row < 0 || (place >= 0 && place < row) ? place : row;
    }
  }
  if (row >= 0) w.SetSelection(list_, row);
  UpdateCommands();
}

void StartupPrograms::UpdateCommands() {
  if (!IsLoaded()) return;
  platform::Window& w = *window_;
  const auto key = w.SelectedKey(list_);
  const Entry* entry = key && *key < entries_.size() ? &entries_[*key] : nullptr;
  const bool disabled = entry != nullptr && entry->status == EntryStatus::kDisabled;
  for (const Command& command : kCommands) {
    const auto run = command.run;
    const bool usable = run == &StartupPrograms::Refresh ||
                        (entry != nullptr && (run != &StartupPrograms::Disable || !disabled) &&
                         (run != &StartupPrograms::Enable || disabled));
    w.SetEnabled(w.Find(command.button), usable);
    w.SetMenuEntryEnabled(command.menu, usable);
  }
}

const Entry* StartupPrograms::Selected() {
  const auto key = window_->SelectedKey(list_);
  if (!key || *key >= entries_.size()) {
    platform_.ui.MessageBox(kMsgNoEntry, platform::kProgramTitle, platform::kMbOk);
    return nullptr;
  }
  return &entries_[*key];
}

void StartupPrograms::Do(Action action) {
  if (!IsLoaded()) return;
  const Entry* entry = Selected();
  if (entry == nullptr) return;
  // Copied: the refresh below replaces the entries.
  const LocationId location = entry->location;
  const std::u16string name = entry->name;
  try {
    Act(parts_, action, location, name, bracket_);
  } catch (...) {
    // The list shows what is there now, whatever the failure left; the dispatcher tells it.
    Refresh();
    throw;
  }
  Refresh();
}

void StartupPrograms::Disable() {
  Do(Action::kDisable);
}

void StartupPrograms::Enable() {
  Do(Action::kEnable);
}

void StartupPrograms::Delete() {
  if (!IsLoaded()) return;
  const Entry* entry = Selected();
  if (entry == nullptr) return;
  std::string prompt = "Delete \"";
  prompt += Utf8(entry->name);
  prompt += "\" from \"";
  prompt += LocationOf(entry->location).name;
  prompt += "\"?";
  if (platform_.ui.MessageBox(prompt, platform::kProgramTitle,
                              platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes) {
    return;
  }
  Do(Action::kDelete);
}

void StartupPrograms::OpenFileLocation() {
  if (!IsLoaded()) return;
  const Entry* entry = Selected();
  if (entry == nullptr) return;
  // A shortcut in its folder is itself the entry; otherwise the program the command starts.
  const std::u16string& path =
      !entry->file.empty() && !entry->disabled_by_record ? entry->file : entry->program.path;
  if (path.empty()) {
    std::string message = "\"";
    message += Utf8(entry->name);
    message += "\" names no file.";
    platform_.ui.MessageBox(message, platform::kProgramTitle, platform::kMbOk);
    return;
  }
  std::string command = "explorer /select,\"";
  command += Utf8(path);
  command += '"';
  platform_.launcher.StartProgram(command, platform::kSwShowNormal);
}

}  // namespace velqor::startup
