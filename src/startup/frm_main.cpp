#include "startup/frm_main.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "platform/failure.h"
#include "platform/script_host.h"

namespace velqor::startup {

namespace {

using platform::ControlKind;
using platform::ControlSpec;
using platform::KeyHandle;

constexpr int kClientWidth = 7725;
constexpr int kClientHeight = 6030;
// The form was drawn for a narrower font than today's message fonts. Where a caption would be
// clipped in Tahoma 8 or Segoe UI 9 at any DPI, its control takes free room to its right or below,
// never another control's: the labels reach the fields' left edge (1680) and are a line of Segoe
// UI high, "Name:" a little wider (keeping the one-pixel overlap with the lower edge of Frame1
// that its place has), "Browse..." wider and taller.
constexpr int kLabelWidth = 1440;
constexpr int kLabelHeight = 240;

ControlSpec Label(std::string name, std::string caption, platform::TwipRect rect) {
  return {.kind = ControlKind::kLabel,
          .name = std::move(name),
          .caption = std::move(caption),
          .rect = rect};
}

// A list or text box, named for a screen reader by `label`.
ControlSpec Field(ControlKind kind, std::string name, platform::TwipRect rect, int tab_index,
                  platform::ControlId label) {
  return {
      .kind = kind, .name = std::move(name), .rect = rect, .tab_index = tab_index, .label = label};
}

}  // namespace

frmMain::frmMain(platform::Platform& platform)
    : platform_(platform), enum_(platform.registry), run_key_(platform.registry) {}

frmMain::~frmMain() {
  // The window goes first: its close handler, if it runs, still finds every member alive.
  window_.reset();
  CloseRunKey();
}

void frmMain::Show() {
  if (!IsLoaded()) {
    window_.reset();
    Load();
  }
  window_->Show();
}

bool frmMain::IsLoaded() const {
  return window_ != nullptr && window_->IsOpen();
}

platform::Window* frmMain::window() {
  return IsLoaded() ? window_.get() : nullptr;
}

void frmMain::Load() {
  platform::WindowSpec def;
  def.name = "frmMain";
  def.caption = "Velqor Startup manager";
  def.client_width = kClientWidth;
  def.client_height = kClientHeight;
  def.icon_resource = "STARTUP";
  std::unique_ptr<platform::Window> created = platform_.ui.CreateForm(def);
  platform::Window& w = *created;

  Controls c;
  c.Frame1 = w.AddControl({.kind = ControlKind::kFrame,
                           .name = "Frame1",
                           .caption = "Options",
                           .rect = {120, 120, 7455, 615},
                           .tab_index = 9});
  c.optRun = w.AddControl(
      {.kind = ControlKind::kOptionButton,
       .name = "optRun",
       .parent = c.Frame1,
       .caption = " Run",
       .rect = {1440, 240, 675, 255},
       .tab_index = 11,
       .tooltip = "Programs that are found in the "
                  "'HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' "
                  "Registry Key"});
  c.optRun2 = w.AddControl(
      {.kind = ControlKind::kOptionButton,
       .name = "optRun2",
       .parent = c.Frame1,
       .caption = "Run (Current user)",
       .rect = {3840, 240, 2535, 255},
       .tab_index = 10,
       .tooltip = "Programs that are found in the "
                  "'HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run' "
                  "Registry Key"});
  // Each label comes just before the field or list it names, which a screen reader reads as
  // that control's name; the tab order is the tab indices' all the same.
  c.lbl0 = w.AddControl(Label("lbl0", "Name:", {0, 720, 570, kLabelHeight}));
  c.lstName =
      w.AddControl(Field(ControlKind::kListBox, "lstName", {0, 960, 7605, 1230}, 0, c.lbl0));
  c.lbl1 = w.AddControl(Label("lbl1", "Command Line:", {0, 2280, kLabelWidth, kLabelHeight}));
  c.lstCmdLine =
      w.AddControl(Field(ControlKind::kListBox, "lstCmdLine", {0, 2520, 7605, 1815}, 1, c.lbl1));
  c.lbl2 = w.AddControl(Label("lbl2", "Program Name:", {240, 4680, kLabelWidth, kLabelHeight}));
  c.txtName =
      w.AddControl(Field(ControlKind::kTextBox, "txtName", {1680, 4680, 5325, 285}, 4, c.lbl2));
  c.lbl3 = w.AddControl(Label("lbl3", "Command Line:", {240, 5040, kLabelWidth, kLabelHeight}));
  c.txtCmdLine =
      w.AddControl(Field(ControlKind::kTextBox, "txtCmdLine", {1680, 5040, 4485, 285}, 5, c.lbl3));
  c.cmdBrowse = w.AddControl({.kind = ControlKind::kButton,
                              .name = "cmdBrowse",
                              .caption = "Browse...",
                              .rect = {6240, 5040, 900, 315},
                              .tab_index = 8});
  c.Command1 = w.AddControl({.kind = ControlKind::kButton,
                             .name = "Command1",
                             .caption = "Delete",
                             .rect = {240, 5520, 7215, 375},
                             .tab_index = 12});

  // The machine-wide source is chosen before any handler is attached, so that choosing it does
  // not fill the lists a second time.
  w.SetValue(c.optRun, 1);

  w.OnClick(c.optRun, [this] { optRun_Click(); });
  w.OnClick(c.optRun2, [this] { optRun2_Click(); });
  w.OnClick(c.lstName, [this] { lstName_Click(); });
  w.OnClick(c.lstCmdLine, [this] { lstCmdLine_Click(); });
  w.OnClick(c.Command1, [this] { Command1_Click(); });
  w.OnClick(c.cmdBrowse, [this] { cmdBrowse_Click(); });
  w.OnQueryUnload([this] { Form_QueryUnload(); });

  ids_ = c;
  window_ = std::move(created);
  Form_Load();
}

void frmMain::Form_Load() {
  LoadRun();
}

void frmMain::ClearLists() {
  if (window_ == nullptr) {
    return;
  }
  window_->ClearItems(ids_.lstName);
  window_->ClearItems(ids_.lstCmdLine);
  exact_names_.clear();
}

void frmMain::LoadRun() {
  FillFrom(platform::kHkeyLocalMachine);
}

void frmMain::LoadUserRun() {
  FillFrom(platform::kHkeyCurrentUser);
}

void frmMain::FillFrom(KeyHandle root) {
  if (window_ == nullptr) {
    return;
  }
  platform::Window& w = *window_;
  using platform::Guarded;
  // Drawn row by row, thousands of entries take seconds; the lists, and the fields that the
  // selection of the first row fills, are drawn once, when the fill is done.
  struct Frozen {
    platform::Window& w;
    const std::array<platform::ControlId, 5> controls;
    Frozen(platform::Window& window, const Controls& ids)
        : w(window),
          controls{ids.lstName, ids.lstCmdLine, ids.txtName, ids.txtCmdLine, ids.Command1} {
      for (const platform::ControlId c : controls) {
        w.SetRedraw(c, false);
      }
    }
    ~Frozen() {
      for (const platform::ControlId c : controls) {
        w.SetRedraw(c, true);
      }
    }
    Frozen(const Frozen&) = delete;
    Frozen& operator=(const Frozen&) = delete;
  } frozen(w, ids_);
  Guarded([&] { ClearLists(); });
  shown_root_ = root;
  Guarded([&] {
    // The handle the lists showed is replaced; nothing uses it again.
    CloseRunKey();
    run_key_.Reset(enum_.OpenRegKey(root, kRunSubKey));
  });
  Guarded([&] { lEntryCount_ = enum_.GetKeyCount(run_key_.get(), 0); });
  for (std::int32_t i = 0; i < lEntryCount_; ++i) {
    std::string exact;
    Guarded([&] {
      // One enumeration for both forms of the name: the shown one for the list, the exact one
      // to read and delete by.
      registry::ValueNames names = enum_.EnumRegValueNames(run_key_.get(), i);
      w.AddItem(ids_.lstName, names.shown);
      exact = std::move(names.exact);
    });
    exact_names_.resize(static_cast<std::size_t>(w.ItemCount(ids_.lstName)), std::string());
    if (!exact_names_.empty()) {
      exact_names_.back() = exact;
    }
    Guarded([&] {
      // The data are read by the exact name: the shown name has lost its leading spaces and
      // could name a different value (" Tool" beside "Tool").
      w.AddItem(ids_.lstCmdLine, enum_.QueryRegValue(run_key_.get(), exact));
    });
  }
  Guarded([&] { SetExtents(); });
  Guarded([&] { w.SetSelection(ids_.lstName, 0); });
  Guarded([&] { w.SetSelection(ids_.lstCmdLine, 0); });
}

void frmMain::SetExtents() {
  window_->FitHorizontalExtent(ids_.lstName);
  window_->FitHorizontalExtent(ids_.lstCmdLine);
}

void frmMain::CloseRunKey() {
  run_key_.Reset();
}

void frmMain::optRun_Click() {
  // Choosing the other option clears this one; only becoming selected refills.
  if (window_ != nullptr && window_->Value(ids_.optRun) == 1) {
    LoadRun();
  }
}

void frmMain::optRun2_Click() {
  if (window_ != nullptr && window_->Value(ids_.optRun2) == 1) {
    LoadUserRun();
  }
}

void frmMain::lstName_Click() {
  if (window_ == nullptr) {
    return;
  }
  platform::Window& w = *window_;
  const int row = w.Selection(ids_.lstName);
  if (row < 0) {
    return;
  }
  if (w.Selection(ids_.lstCmdLine) != row && row < w.ItemCount(ids_.lstCmdLine)) {
    w.SetSelection(ids_.lstCmdLine, row);
  }
  const std::string name = w.ItemText(ids_.lstName, row);
  const int cmd_row = w.Selection(ids_.lstCmdLine);
  w.SetText(ids_.txtName, name);
  w.SetText(ids_.txtCmdLine, cmd_row < 0 ? std::string() : w.ItemText(ids_.lstCmdLine, cmd_row));
  sSelName_ = name;
  w.SetText(ids_.Command1, "Delete " + name + " from startup");
}

void frmMain::lstCmdLine_Click() {
  if (window_ == nullptr) {
    return;
  }
  platform::Window& w = *window_;
  const int row = w.Selection(ids_.lstCmdLine);
  if (row < 0 || row >= w.ItemCount(ids_.lstName)) {
    return;
  }
  if (w.Selection(ids_.lstName) != row) {
    w.SetSelection(ids_.lstName, row);  // runs the whole mirroring
  }
  sSelName_ = w.ItemText(ids_.lstName, row);
}

void frmMain::Command1_Click() {
  if (window_ == nullptr) {
    return;
  }
  platform::Window& w = *window_;
  const int row = w.Selection(ids_.lstName);
  if (row < 0 || static_cast<std::size_t>(row) >= exact_names_.size()) {
    Tell(kMsgNoSelection, platform::kMbOk | platform::kMbIconInformation);
    return;
  }
  if (shown_root_ != platform::kHkeyCurrentUser) {
    // A per-user entry of the same name is a different entry; the machine-wide one stays.
    Tell(kMsgMachineWide, platform::kMbOk | platform::kMbIconInformation);
    return;
  }
  const std::string& exact = exact_names_[static_cast<std::size_t>(row)];
  if (exact.empty()) {
    // An empty name would address the Run key itself.
    Tell(kMsgDefaultValue, platform::kMbOk | platform::kMbIconInformation);
    return;
  }

  // The shell object owns the delete verb: without one the command ends here, before telling.
  const std::unique_ptr<platform::ScriptShell> shell = platform_.script_host.CreateShell();
  const std::string shown = w.ItemText(ids_.lstName, row);
  Tell(std::string(kUserRunPath) + shown, platform::kMbOk);

  // By key and exact name: the shown text may have lost leading spaces, and a back-slash in a
  // name must not lead into another key.
  platform::ScopedKey key(platform_.registry);
  platform::Status status = platform_.registry.OpenKey(platform::kHkeyCurrentUser, kRunSubKey,
                                                       platform::kKeySetValue, key.out());
  if (status == platform::kSuccess) {
    status = platform_.registry.DeleteValue(key.get(), platform_.registry.ToAnsi(exact));
  }
  if (status != platform::kSuccess) {
    Tell("\"" + shown + "\" could not be removed from startup: " +
             platform::DescribeError(platform::ErrorDomain::kWin32, status) + ".",
         platform::kMbOk | platform::kMbIconExclamation);
  }
}

void frmMain::cmdBrowse_Click() {}

void frmMain::Form_QueryUnload() {
  CloseRunKey();
}

void frmMain::Tell(std::string_view message, unsigned style) {
  (void)platform_.ui.MessageBox(message, platform::kProgramTitle, style);
}

}  // namespace velqor::startup
