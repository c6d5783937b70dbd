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

bool HasValue(ControlKind kind) {
  return kind == ControlKind::kCheckBox || kind == ControlKind::kOptionButton;
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessUi& ui, const WindowSpec& def, WindowHandle handle)
    : ui_(ui), spec_(def), handle_(handle), caption_(def.caption) {}

HeadlessWindow::~HeadlessWindow() {
  *alive_ = false;
  ui_.Forget(this);
}

HeadlessWindow::Control& HeadlessWindow::Get(ControlId control) {
  return const_cast<Control&>(std::as_const(*this).Get(control));
}

const HeadlessWindow::Control& HeadlessWindow::Get(ControlId control) const {
  if (control < 1 || static_cast<std::size_t>(control) > controls_.size()) {
    throw Failure(kInvalidParameter,
                  "The window \"" + spec_.name + "\" has no control " + std::to_string(control));
  }
  return controls_[static_cast<std::size_t>(control) - 1];
}

ControlId HeadlessWindow::AddControl(const ControlSpec& def) {
  if (!open_) {
    return kNoControl;
  }
  if (def.name.empty() || names_.contains(def.name)) {
    throw Failure(kInvalidParameter,
                  "The window \"" + spec_.name + "\" already has a control \"" + def.name + "\"");
  }
  if (def.parent != kNoControl && Get(def.parent).def.kind != ControlKind::kFrame) {
    throw Failure(kInvalidParameter, "\"" + Get(def.parent).def.name + "\" is not a frame");
  }
  Control control;
  control.def = def;
  control.text = def.caption;
  controls_.push_back(std::move(control));
  const auto id = static_cast<ControlId>(controls_.size());
  names_.emplace(def.name, id);
  return id;
}

ControlId HeadlessWindow::Find(std::string_view name) const {
  const auto found = names_.find(name);
  return open_ && found != names_.end() ? found->second : kNoControl;
}

void HeadlessWindow::SetMenu(const std::vector<Menu>& menus) {
  if (open_) {
    menus_ = menus;
  }
}

void HeadlessWindow::OnClick(ControlId control, Handler handler) {
  if (open_) {
    Get(control).on_click = std::move(handler);
  }
}

void HeadlessWindow::OnMenu(std::string_view entry_name, Handler handler) {
  if (open_) {
    menu_handlers_.insert_or_assign(std::string(entry_name), std::move(handler));
  }
}

void HeadlessWindow::OnQueryUnload(Handler handler) {
  if (open_) {
    on_query_unload_ = std::move(handler);
  }
}

void HeadlessWindow::SetCaption(std::string_view caption) {
  if (open_) {
    caption_ = caption;
    caption_history_.emplace_back(caption);
  }
}

std::string HeadlessWindow::Caption() const {
  return open_ ? caption_ : std::string();
}

void HeadlessWindow::SetIcon(std::string_view ico_path) {
  if (!open_) {
    return;
  }
  if (!ui_.FileExists(ico_path)) {
    ++ui_.missing_file_loads_;
    throw MakeFailure(ErrorDomain::kWin32, kFileNotFound,
                      "Could not load the icon \"" + std::string(ico_path) + "\"");
  }
  icon_history_.emplace_back(ico_path);
}

void HeadlessWindow::Repaint() {
  if (open_) {
    ++repaint_count_;
  }
}

void HeadlessWindow::Show() {
  if (open_) {
    shown_ = true;
    ++show_count_;
  }
}

void HeadlessWindow::Close() {
  if (!open_ || closing_) {
    return;
  }
  closing_ = true;
  ++query_unload_count_;
  const std::shared_ptr<bool> alive = alive_;
  const Handler handler = on_query_unload_;
  RunHandler(ui_, handler);
  if (*alive) {
    open_ = false;
    shown_ = false;
    closing_ = false;
  }
}

void HeadlessWindow::SetText(ControlId control, std::string_view text) {
  if (open_) {
    Get(control).text = text;
  }
}

std::string HeadlessWindow::Text(ControlId control) const {
  if (!open_) {
    return {};
  }
  const Control& c = Get(control);
  if (c.def.kind == ControlKind::kListBox) {
    return c.selection < 0 ? std::string() : c.items[static_cast<std::size_t>(c.selection)];
  }
  return c.text;
}

void HeadlessWindow::SetVisible(ControlId control, bool visible) {
  if (open_) {
    Get(control).visible = visible;
  }
}

bool HeadlessWindow::IsVisible(ControlId control) const {
  return open_ && Get(control).visible;
}

void HeadlessWindow::SetEnabled(ControlId control, bool enabled) {
  if (open_) {
    Get(control).enabled = enabled;
  }
}

bool HeadlessWindow::IsEnabled(ControlId control) const {
  return open_ && Get(control).enabled;
}

void HeadlessWindow::SetFocus(ControlId control) {
  if (open_) {
    Get(control);  // an unknown id raises
    focus_ = control;
  }
}

void HeadlessWindow::Store(Control& control, int value) {
  if (control.def.kind == ControlKind::kOptionButton && value == 1) {
    // Clearing the siblings fires nothing: only the button that became set reports a click.
    for (Control& other : controls_) {
      if (other.def.kind == ControlKind::kOptionButton && other.def.parent == control.def.parent) {
        other.value = 0;
      }
    }
  }
  control.value = value;
}

void HeadlessWindow::SetValue(ControlId control, int value) {
  if (!open_) {
    return;
  }
  Control& c = Get(control);
  if (!HasValue(c.def.kind)) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" has no value");
  }
  const int wanted =
      c.def.kind == ControlKind::kOptionButton ? (value != 0 ? 1 : 0) : std::clamp(value, 0, 2);
  if (c.value == wanted) {
    return;
  }
  Store(c, wanted);
  Fire(control);
}

int HeadlessWindow::Value(ControlId control) const {
  if (!open_) {
    return 0;
  }
  const Control& c = Get(control);
  return HasValue(c.def.kind) ? c.value : 0;
}

void HeadlessWindow::AddItem(ControlId list, std::string_view text) {
  if (open_) {
    Control& c = Get(list);
    c.items.emplace_back(text);
    if (!c.redraw) {
      ++c.rows_added_undrawn;
    }
  }
}

void HeadlessWindow::SetRedraw(ControlId control, bool redraw) {
  if (open_) {
    Get(control).redraw = redraw;
  }
}

bool HeadlessWindow::IsRedrawing(ControlId control) const {
  return Get(control).redraw;
}

int HeadlessWindow::RowsAddedUndrawn(ControlId list) const {
  return Get(list).rows_added_undrawn;
}

void HeadlessWindow::ClearItems(ControlId list) {
  if (open_) {
    Control& c = Get(list);
    c.items.clear();
    c.selection = -1;
  }
}

int HeadlessWindow::ItemCount(ControlId list) const {
  return open_ ? static_cast<int>(Get(list).items.size()) : 0;
}

std::string HeadlessWindow::ItemText(ControlId list, int row) const {
  if (!open_) {
    return {};
  }
  const Control& c = Get(list);
  if (row < 0 || static_cast<std::size_t>(row) >= c.items.size()) {
    throw Failure(kInvalidParameter,
                  "The list \"" + c.def.name + "\" has no row " + std::to_string(row));
  }
  return c.items[static_cast<std::size_t>(row)];
}

int HeadlessWindow::Selection(ControlId list) const {
  return open_ ? Get(list).selection : -1;
}

void HeadlessWindow::SetSelection(ControlId list, int row) {
  if (!open_) {
    return;
  }
  Control& c = Get(list);
  if (row < -1 || row >= static_cast<int>(c.items.size())) {
    throw Failure(kInvalidParameter,
                  "The list \"" + c.def.name + "\" has no row " + std::to_string(row));
  }
  if (c.selection == row) {
    return;
  }
  c.selection = row;
  Fire(list);
}

void HeadlessWindow::FitHorizontalExtent(ControlId list) {
  if (!open_) {
    return;
  }
  Control& c = Get(list);
  std::size_t widest = 0;
  for (const std::string& row : c.items) {
    // Characters, not bytes, of UTF-8 text: continuation bytes are not counted.
    widest = std::max(widest,
                      static_cast<std::size_t>(std::count_if(row.begin(), row.end(), [](char ch) {
                        return (static_cast<unsigned char>(ch) & 0xC0U) != 0x80U;
                      })));
  }
  c.extent = static_cast<int>(widest) * 8;
}

void HeadlessWindow::Fire(ControlId control) {
  // A copy: the handler may replace itself, or close the window, while it runs.
  const Handler handler = Get(control).on_click;
  RunHandler(ui_, handler);
}

bool HeadlessWindow::Responds(ControlId control) const {
  if (!IsShown() || ui_.quit_requested() || !IsSeen(control)) {
    return false;
  }
  for (ControlId id = control; id != kNoControl; id = Get(id).def.parent) {
    if (!Get(id).enabled) {
      return false;
    }
  }
  return true;
}

bool HeadlessWindow::Click(ControlId control) {
  Get(control);  // an unknown id raises even when nothing would respond
  if (!Responds(control)) {
    return false;
  }
  Control& c = Get(control);
  switch (c.def.kind) {
    case ControlKind::kButton:
      break;
    case ControlKind::kCheckBox:
      c.value = c.value == 0 ? 1 : 0;
      break;
    case ControlKind::kOptionButton:
      if (c.value == 1) {
        return true;  // already set: the click changes nothing and reports nothing
      }
      Store(c, 1);
      break;
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      if (!c.def.clickable) {
        return false;
      }
      break;
    case ControlKind::kFrame:
    case ControlKind::kListBox:
    case ControlKind::kTextBox:
      return false;
  }
  Fire(control);
  return true;
}

bool HeadlessWindow::ClickByName(std::string_view name) {
  return Click(Id(name));
}

bool HeadlessWindow::SelectRow(ControlId list, int row) {
  const Control& c = Get(list);
  if (c.def.kind != ControlKind::kListBox) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" is not a list");
  }
  if (row < 0 || static_cast<std::size_t>(row) >= c.items.size()) {
    throw Failure(kInvalidParameter,
                  "The list \"" + c.def.name + "\" has no row " + std::to_string(row));
  }
  if (!Responds(list)) {
    return false;
  }
  SetSelection(list, row);
  return true;
}

const MenuEntry* HeadlessWindow::Entry(std::string_view entry_name) const {
  for (const Menu& menu : menus_) {
    for (const MenuEntry& entry : menu.entries) {
      if (!entry.caption.empty() && entry.name == entry_name) {
        return &entry;
      }
    }
  }
  return nullptr;
}

bool HeadlessWindow::IsMenuEntryEnabled(std::string_view entry_name) const {
  const MenuEntry* entry = Entry(entry_name);
  if (entry == nullptr) {
    throw Failure(kInvalidParameter, "The window \"" + spec_.name + "\" has no menu entry \"" +
                                         std::string(entry_name) + "\"");
  }
  return entry->enabled;
}

bool HeadlessWindow::ChooseMenu(std::string_view entry_name) {
  if (!IsMenuEntryEnabled(entry_name) || !IsShown() || ui_.quit_requested()) {
    return false;
  }
  const auto found = menu_handlers_.find(entry_name);
  if (found != menu_handlers_.end()) {
    const Handler handler = found->second;
    RunHandler(ui_, handler);
  }
  return true;
}

bool HeadlessWindow::RequestClose() {
  if (!IsShown() || ui_.quit_requested()) {
    return false;
  }
  Close();
  return true;
}

ControlId HeadlessWindow::Id(std::string_view name) const {
  const auto found = names_.find(name);
  if (found == names_.end()) {
    throw Failure(kInvalidParameter,
                  "The window \"" + spec_.name + "\" has no control \"" + std::string(name) + "\"");
  }
  return found->second;
}

const ControlSpec& HeadlessWindow::SpecOf(ControlId control) const {
  return Get(control).def;
}

std::vector<ControlId> HeadlessWindow::Controls() const {
  std::vector<ControlId> ids(controls_.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ids[i] = static_cast<ControlId>(i + 1);
  }
  return ids;
}

bool HeadlessWindow::IsSeen(ControlId control) const {
  if (!IsShown()) {
    return false;
  }
  for (ControlId id = control; id != kNoControl; id = Get(id).def.parent) {
    if (!Get(id).visible) {
      return false;
    }
  }
  return true;
}

bool HeadlessWindow::HasClickHandler(ControlId control) const {
  return static_cast<bool>(Get(control).on_click);
}

int HeadlessWindow::HorizontalExtent(ControlId list) const {
  return Get(list).extent;
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
  int answer = (style & kButtonsMask) == kMbYesNo ? kIdNo : kIdOk;
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
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if ((*it)->IsOpen() && (*it)->name() == name) {
      return *it;
    }
  }
  return nullptr;
}

void HeadlessUi::Forget(HeadlessWindow* window) {
  std::erase(windows_, window);
}

}  // namespace velqor::platform::sim
