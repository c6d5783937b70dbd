#include "platform/sim/ui.h"

#include <algorithm>
#include <utility>

#include "platform/ascii.h"

namespace velqor::platform::sim {

namespace {

constexpr WindowHandle kFirstHandle = 0x10010;
constexpr WindowHandle kHandleStep = 0x10;
constexpr unsigned kButtonsMask = 0x0F;

// Windows file names: case-blind, either slash.
std::string NormalisePath(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    c = c == '/' ? '\\' : AsciiLower(c);
  }
  return out;
}

}  // namespace

// The headless native side: records what it is told to show.
class HeadlessBackend final : public forms::FormBackend {
 public:
  HeadlessBackend(HeadlessUi& ui, WindowHandle handle) : ui_(ui), handle_(handle) {}

  const HeadlessRecords& records() const { return records_; }

  void Attach(forms::Form&) override {}
  void CreateControl(ControlId, const ControlSpec&) override {}
  void SetMenu(const std::vector<Menu>&) override { ++records_.menu_bar_count; }
  void SetMenuEntryEnabled(std::string_view, bool) override {}
  void SetCaption(std::string_view) override {}
  Status SetIcon(std::string_view ico_path) override {
    if (!ui_.FileExists(ico_path)) {
      ++ui_.missing_file_loads_;
      return kFileNotFound;
    }
    records_.icon_history.emplace_back(ico_path);
    return kSuccess;
  }
  void Repaint() override { ++records_.repaint_count; }
  void Show() override { ++records_.show_count; }
  void Destroy() override {}
  WindowHandle Handle() const override { return handle_; }
  void SetText(ControlId, std::string_view) override {}
  void SetVisible(ControlId, bool) override {}
  void SetEnabled(ControlId, bool) override {}
  void SetValue(ControlId, int) override {}
  void AddItem(ControlId id, std::string_view text) override {
    records_.rows[id].emplace_back(text);
    if (records_.not_redrawing.contains(id)) {
      ++records_.rows_added_undrawn[id];
    }
  }
  void ClearItems(ControlId id) override {
    records_.rows[id].clear();
    records_.report_rows[id].clear();
  }
  void SetSelection(ControlId, int) override {}
  // Counts every character as 8 pixels, as wide as a character of the message font gets.
  void FitHorizontalExtent(ControlId id, const std::vector<std::string>& rows) override {
    // Characters, not bytes, of UTF-8 text: continuation bytes are not counted.
    std::ptrdiff_t widest = 0;
    for (const std::string& row : rows) {
      widest = std::max(widest, std::ranges::count_if(row, [](char ch) {
                          return (static_cast<unsigned char>(ch) & 0xC0U) != 0x80U;
                        }));
    }
    records_.extents[id] = static_cast<int>(widest) * 8;
  }
  void SetFocus(ControlId id) override { records_.focus = id; }
  void InsertRow(ControlId id, int place, const Row& row) override {
    auto& rows = records_.report_rows[id];
    rows.insert(rows.begin() + place, row);
  }
  void AppendRows(ControlId id, std::span<const Row> rows) override {
    auto& shown = records_.report_rows[id];
    shown.insert(shown.end(), rows.begin(), rows.end());
  }
  void ReorderRows(ControlId id, const std::vector<int>& order) override {
    auto& shown = records_.report_rows[id];
    std::vector<Row> reordered;
    reordered.reserve(shown.size());
    for (const int from : order)
      reordered.push_back(std::move(shown.at(static_cast<std::size_t>(from))));
    shown = std::move(reordered);
  }
  void ShowSort(ControlId id, int column, bool ascending) override {
    records_.sorts[id] = {column, ascending};
  }
  void SetRedraw(ControlId id, bool redraw) override {
    if (redraw) {
      records_.not_redrawing.erase(id);
    } else {
      records_.not_redrawing.insert(id);
    }
  }

 private:
  HeadlessUi& ui_;
  WindowHandle handle_;
  HeadlessRecords records_;
};

HeadlessWindow::HeadlessWindow(HeadlessUi& ui, const WindowSpec& def, WindowHandle handle)
    : forms::Form(ui, def, std::make_unique<HeadlessBackend>(ui, handle)),
      headless_ui_(ui),
      client_width_(def.client_width),
      client_height_(def.client_height) {}

const HeadlessRecords& HeadlessWindow::records() const {
  return static_cast<const HeadlessBackend&>(backend()).records();
}

HeadlessWindow::~HeadlessWindow() {
  headless_ui_.Forget(this);
}

bool HeadlessWindow::UserMayAct() const {
  return IsShown() && !headless_ui_.quit_requested();
}

bool HeadlessWindow::Click(ControlId control) {
  SpecOf(control);  // an unknown id raises even when nothing would respond
  return UserMayAct() && UserClicked(control);
}

bool HeadlessWindow::ClickByName(std::string_view name) {
  return Click(Id(name));
}

bool HeadlessWindow::SelectRow(ControlId list, int row) {
  const ControlSpec& def = ListSpec(list);
  if (row < 0 || row >= ItemCount(list)) {
    throw Failure(kInvalidParameter,
                  "The list \"" + def.name + "\" has no row " + std::to_string(row));
  }
  return !headless_ui_.quit_requested() && UserSelected(list, row);
}

bool HeadlessWindow::ClickOffRows(ControlId list) {
  const bool report = ListSpec(list).kind == ControlKind::kReportList;
  // The system's report lists drop their selection there; a list box keeps its own.
  return UserMayAct() && (report ? UserSelected(list, -1) : Responds(list));
}

const ControlSpec& HeadlessWindow::ListSpec(ControlId list) const {
  const ControlSpec& def = SpecOf(list);
  if (def.kind != ControlKind::kListBox && def.kind != ControlKind::kReportList) {
    throw Failure(kInvalidParameter, "\"" + def.name + "\" is not a list");
  }
  return def;
}

bool HeadlessWindow::ChooseMenu(std::string_view entry_name) {
  return IsMenuEntryEnabled(entry_name) && UserMayAct() && UserChoseMenu(entry_name);
}

bool HeadlessWindow::PressShortcut(std::string_view keys) {
  for (const Menu& menu : menus()) {
    for (const MenuEntry& entry : menu.entries) {
      const auto tab = entry.caption.find('\t');
      if (tab != std::string::npos && std::string_view(entry.caption).substr(tab + 1) == keys) {
        return ChooseMenu(entry.name);
      }
    }
  }
  return false;
}

bool HeadlessWindow::ClickHeader(ControlId list, int column) {
  SpecOf(list);
  return UserMayAct() && UserClickedHeader(list, column);
}

bool HeadlessWindow::RightClick(ControlId control, int row) {
  SpecOf(control);
  context_menu_.clear();
  if (!UserMayAct()) {
    return false;
  }
  context_menu_ = UserAskedForContextMenu(control, row).value_or(std::vector<MenuEntry>());
  return !context_menu_.empty();
}

bool HeadlessWindow::ChooseContextEntry(std::string_view entry_name) {
  const bool shown = std::any_of(
      context_menu_.begin(), context_menu_.end(),
      [&](const MenuEntry& entry) { return !entry.caption.empty() && entry.name == entry_name; });
  context_menu_.clear();
  return shown && UserMayAct() && UserChoseMenu(entry_name);
}

bool HeadlessWindow::Resize(int client_width, int client_height) {
  if (!def().resizable || !UserMayAct()) {
    return false;
  }
  client_width_ = client_width;
  client_height_ = client_height;
  return true;
}

TwipRect HeadlessWindow::ControlRect(ControlId control) const {
  const ControlSpec& control_def = SpecOf(control);
  if (control_def.parent != kNoControl) {
    return control_def.rect;  // frames do not resize: what they hold stays where it was
  }
  return forms::Anchored(control_def.rect, control_def.anchors, client_width_ - def().client_width,
                         client_height_ - def().client_height);
}

bool HeadlessWindow::RequestClose() {
  if (!UserMayAct()) {
    return false;
  }
  Close();
  return true;
}

std::unique_ptr<Window> HeadlessUi::CreateForm(const WindowSpec& def) {
  const WindowHandle handle =
      kFirstHandle + kHandleStep * static_cast<WindowHandle>(forms_created_);
  ++forms_created_;
  auto window = std::make_unique<HeadlessWindow>(*this, def, handle);
  windows_.push_back(window.get());
  return window;
}

int HeadlessUi::MessageBox(std::string_view prompt, std::string_view title, unsigned style) {
  const unsigned buttons = style & kButtonsMask;
  int answer = buttons == kMbYesNo ? kIdNo : buttons == kMbYesNoCancel ? kIdCancel : kIdOk;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  const auto shown = static_cast<int>(std::count_if(
      windows_.begin(), windows_.end(), [](const HeadlessWindow* w) { return w->IsShown(); }));
  message_boxes_.push_back({std::string(prompt), std::string(title), style, answer, shown});
  return answer;
}

void HeadlessUi::DoEvents() {
  ++do_events_count_;
  const Handler callback = do_events_callback_;
  RunHandler(*this, callback);
}

std::optional<std::string> HeadlessUi::SaveAs(const SaveAsRequest& request) {
  std::optional<std::string> answer;
  if (!save_as_answers_.empty()) {
    answer = save_as_answers_.front();
    save_as_answers_.pop_front();
  }
  save_as_dialogs_.push_back({request, answer});
  return answer;
}

void HeadlessUi::AddFile(std::string_view path) {
  files_.insert(NormalisePath(path));
}

void HeadlessUi::RemoveFile(std::string_view path) {
  files_.erase(NormalisePath(path));
}

bool HeadlessUi::FileExists(std::string_view path) const {
  return files_.contains(NormalisePath(path));
}

HeadlessWindow* HeadlessUi::FindWindow(std::string_view name) const {
  const auto it = std::find_if(windows_.rbegin(), windows_.rend(), [&](const HeadlessWindow* w) {
    return w->IsOpen() && w->name() == name;
  });
  return it != windows_.rend() ? *it : nullptr;
}

void HeadlessUi::Forget(HeadlessWindow* window) {
  std::erase(windows_, window);
}

}  // namespace velqor::platform::sim
