#include "journal/changes_window.h"

#include <optional>
#include <utility>
#include <vector>

#include "journal/commands.h"
#include "journal/display.h"
#include "journal/undo.h"
#include "journal/undo_command.h"

namespace velqor::journal {

namespace {

using platform::ControlKind;

// Damaged lines named in the window; the count says how many there are in all.
constexpr std::size_t kNamedLines = 5;

std::string Win32Error(platform::Status status) {
  return platform::DescribeError(platform::ErrorDomain::kWin32, status);
}

std::size_t ChangedCount(const Command& command) {
  std::size_t count = 0;
  for (const ValueChange& value : command.values) {
    count += value.status == platform::kSuccess ? 1 : 0;
  }
  return count;
}

std::string AfterText(const platform::Registry& registry, const ValueChange& value) {
  if (value.status != platform::kSuccess) {
    return "(refused: " + Win32Error(value.status) + ")";
  }
  return value.after ? DescribeState(registry, value, *value.after) : std::string("(not recorded)");
}

}  // namespace

void ChangesWindow::Show() {
  // Open already, it shows the commands made since it was filled.
  if (window() == nullptr) {
    Load();
  } else {
    Reload();
  }
  window_->Show();
}

platform::Window* ChangesWindow::window() {
  return window_ != nullptr && window_->IsOpen() ? window_.get() : nullptr;
}

void ChangesWindow::Load() {
  window_.reset();
  platform::WindowSpec def;
  def.name = "frmChanges";
  def.caption = "Velqor Changes";
  def.client_width = 11400;
  def.client_height = 6960;
  def.resizable = true;
  std::unique_ptr<platform::Window> created = ui_.CreateForm(def);
  platform::Window& w = *created;
  constexpr unsigned kAcross = platform::kAnchorLeft | platform::kAnchorRight;
  Controls c;
  const platform::ControlId commands_label = w.AddControl({.kind = ControlKind::kLabel,
                                                           .name = "lblCommands",
                                                           .caption = "Commands, newest first:",
                                                           .rect = {120, 120, 4800, 240}});
  c.lstCommands = w.AddControl(
      {.kind = ControlKind::kReportList,
       .name = "lstCommands",
       .rect = {120, 380, 11160, 2400},
       .tab_index = 0,
       .label = commands_label,
       .columns = {{"Time", 2000}, {"Command", 5600}, {"Values", 1000}, {"State", 1400}},
       .anchors = kAcross | platform::kAnchorTop});
  const platform::ControlId values_label =
      w.AddControl({.kind = ControlKind::kLabel,
                    .name = "lblValues",
                    .caption = "Values of the selected command:",
                    .rect = {120, 2900, 4800, 240}});
  c.lstValues = w.AddControl({.kind = ControlKind::kReportList,
                              .name = "lstValues",
                              .rect = {120, 3160, 11160, 2400},
                              .tab_index = 1,
                              .label = values_label,
                              .columns = {{"Where", 6600}, {"Before", 2200}, {"After", 2200}},
                              .anchors = kAcross | platform::kAnchorTop | platform::kAnchorBottom});
  c.lblStatus = w.AddControl({.kind = ControlKind::kLabel,
                              .name = "lblStatus",
                              .rect = {120, 5680, 11160, 600},
                              .anchors = kAcross | platform::kAnchorBottom});
  constexpr unsigned kBottomLeft = platform::kAnchorLeft | platform::kAnchorBottom;
  c.cmdUndo = w.AddControl({.kind = ControlKind::kButton,
                            .name = "cmdUndo",
                            .caption = "&Undo",
                            .rect = {120, 6420, 1200, 375},
                            .tab_index = 2,
                            .anchors = kBottomLeft});
  c.cmdExport = w.AddControl({.kind = ControlKind::kButton,
                              .name = "cmdExport",
                              .caption = "&Export...",
                              .rect = {1440, 6420, 1200, 375},
                              .tab_index = 3,
                              .anchors = kBottomLeft});
  c.cmdClose = w.AddControl({.kind = ControlKind::kButton,
                             .name = "cmdClose",
                             .caption = "Close",
                             .rect = {10080, 6420, 1200, 375},
                             .tab_index = 4,
                             .anchors = platform::kAnchorRight | platform::kAnchorBottom});
  w.OnClick(c.lstCommands, [this] { lstCommands_Click(); });
  w.OnClick(c.cmdUndo, [this] { cmdUndo_Click(); });
  w.OnClick(c.cmdExport, [this] { cmdExport_Click(); });
  w.OnClick(c.cmdClose, [this] { window_->Close(); });
  ids_ = c;
  window_ = std::move(created);
  Reload();
}

void ChangesWindow::Reload() {
  platform::Window* w = window();
  if (w == nullptr) {
    return;
  }
  const std::optional<std::uint64_t> selected = w->SelectedKey(ids_.lstCommands);
  contents_ = Contents{};
  JournalWriter& journal = recorder_.journal();
  const platform::Status read = journal.Load(contents_);

  w->SetRedraw(ids_.lstCommands, false);
  w->ClearItems(ids_.lstCommands);
  w->ClearItems(ids_.lstValues);
  std::vector<platform::Row> rows;
  rows.reserve(contents_.commands.size());
  for (auto it = contents_.commands.rbegin(); it != contents_.commands.rend(); ++it) {
    const Command& command = *it;
    rows.push_back({command.sequence,
                    {command.time.empty() ? std::string() : journal.file().LocalTime(command.time),
                     command.name, std::to_string(ChangedCount(command)),
                     command.undone ? std::string("undone") : std::string()}});
  }
  w->AddRows(ids_.lstCommands, std::move(rows));
  w->SetRedraw(ids_.lstCommands, true);

  std::string status;
  if (read != platform::kSuccess) {
    status = "The journal " + journal.file().Location() +
             " could not be read: " + Win32Error(read) + ".";
  } else if (!recorder_.recording() || recorder_.missed()) {
    status = NotRecordingText(recorder_);
  } else {
    status = "Journal: " + journal.file().Location();
  }
  if (!contents_.skipped.empty()) {
    status += "\n" + std::to_string(contents_.skipped.size()) +
              (contents_.skipped.size() == 1 ? " damaged line was" : " damaged lines were") +
              " skipped:";
    for (std::size_t i = 0; i < contents_.skipped.size() && i < kNamedLines; ++i) {
      const SkippedLine& line = contents_.skipped[i];
      status +=
          (i == 0 ? " line " : ", line ") + std::to_string(line.number) + " (" + line.reason + ")";
    }
    status += contents_.skipped.size() > kNamedLines ? ", ..." : ".";
  }
  w->SetText(ids_.lblStatus, status);
  if (selected) {
    Select(*selected);
  }
}

void ChangesWindow::Select(std::uint64_t sequence) {
  platform::Window& w = *window_;
  if (const int row = w.RowOfKey(ids_.lstCommands, sequence); row >= 0) {
    w.SetSelection(ids_.lstCommands, row);
  }
}

void ChangesWindow::lstCommands_Click() {
  platform::Window* w = window();
  if (w == nullptr) {
    return;
  }
  w->ClearItems(ids_.lstValues);
  const std::optional<std::uint64_t> key = w->SelectedKey(ids_.lstCommands);
  const Command* command = key ? contents_.Find(*key) : nullptr;
  if (command == nullptr) {
    return;
  }
  std::vector<platform::Row> rows;
  rows.reserve(command->values.size());
  for (const ValueChange& value : command->values) {
    rows.push_back({rows.size(),
                    {Where(recorder_, value), DescribeState(recorder_, value, value.before),
                     AfterText(recorder_, value)}});
  }
  w->AddRows(ids_.lstValues, std::move(rows));
}

const Command* ChangesWindow::Selected() {
  platform::Window* w = window();
  const std::optional<std::uint64_t> key =
      w != nullptr ? w->SelectedKey(ids_.lstCommands) : std::nullopt;
  const Command* command = key ? contents_.Find(*key) : nullptr;
  if (command == nullptr) {
    Tell("Choose a command in the list first.", platform::kMbIconInformation);
  }
  return command;
}

void ChangesWindow::Tell(const std::string& message, unsigned style) {
  ui_.MessageBox(message, platform::kProgramTitle, platform::kMbOk | style);
}

void ChangesWindow::cmdUndo_Click() {
  const Command* selected = Selected();
  if (selected == nullptr) {
    return;
  }
  if (selected->undone) {
    Tell(CommandLabel(*selected) +
             " has been undone already. To bring its changes back, undo "
             "the undo.",
         platform::kMbIconInformation);
    return;
  }
  // Reload replaces the commands the selection points into.
  const Command command = *selected;
  const std::optional<UndoOutcome> outcome = UndoWithChecks(ui_, recorder_, command);
  if (!outcome) {
    return;
  }
  const std::uint64_t before = contents_.LastSequence();
  Reload();
  if (contents_.LastSequence() != before) {
    Select(contents_.LastSequence());
  }
  if (outcome->put_back.empty() && outcome->refused.empty()) {
    Tell("Every value of " + CommandLabel(command) +
             " already holds the state it had before it: nothing was changed.",
         platform::kMbIconInformation);
  }
  if (changed_) {
    changed_();
  }
}

void ChangesWindow::cmdExport_Click() {
  const Command* command = Selected();
  if (command == nullptr) {
    return;
  }
  const std::optional<std::string> path =
      ui_.SaveAs({.title = "Export the values as they were before the command",
                  .file_name = "before-" + std::to_string(command->sequence) + ".reg",
                  .filter_name = "Registry files (*.reg)",
                  .filter_pattern = "*.reg",
                  .default_extension = "reg"});
  if (!path) {
    return;
  }
  const platform::Status status =
      recorder_.journal().file().WriteUserFile(*path, ExportBeforeStates(*command));
  if (status != platform::kSuccess) {
    Tell("The file " + *path + " could not be written: " + Win32Error(status) + ".",
         platform::kMbIconExclamation);
  }
}

}  // namespace velqor::journal
