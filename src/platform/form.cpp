#include "platform/form.h"

#include <algorithm>
#include <utility>

namespace velqor::platform {
namespace {

// Ordered by one column's text, ASCII letter case ignored.
bool CellLess(const Row& a, const Row& b, std::size_t column) {
  const auto cell = [column](const Row& r) {
    return column < r.cells.size() ? std::string_view(r.cells[column]) : std::string_view();
  };
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  const std::string_view x = cell(a);
  const std::string_view y = cell(b);
  return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                      [&](char p, char q) { return lower(p) < lower(q); });
}

bool HasValue(ControlKind kind) {
  return kind == ControlKind::kCheckBox || kind == ControlKind::kOptionButton;
}

int RowCount(const auto& list) {
  return static_cast<int>(list.def.kind == ControlKind::kReportList ? list.rows.size()
                                                                    : list.items.size());
}

// Native controls end their text at the first NUL; the model keeps what they would show.
std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace

TwipRect Anchored(const TwipRect& designed, unsigned anchors, int grow_x, int grow_y) {
  TwipRect rect = designed;
  const auto follow = [](int& place, int& size, bool near, bool far, int grow) {
    if (near && far) {
      size += grow;
    } else if (far) {
      place += grow;
    }
  };
  follow(rect.left, rect.width, (anchors & kAnchorLeft) != 0, (anchors & kAnchorRight) != 0,
         grow_x);
  follow(rect.top, rect.height, (anchors & kAnchorTop) != 0, (anchors & kAnchorBottom) != 0,
         grow_y);
  return rect;
}

Form::Form(Ui& ui, const WindowSpec& def, std::unique_ptr<FormBackend> backend)
    : ui_(ui), spec_(def), backend_(std::move(backend)), caption_(def.caption) {
  backend_->Attach(*this);
}

Form::~Form() {
  *alive_ = false;
  closing_ = true;
  backend_.reset();  // while the model is still whole: destroying the window sends messages
}

Form::Control& Form::Get(ControlId control) {
  return const_cast<Control&>(std::as_const(*this).Get(control));
}

const Form::Control& Form::Get(ControlId control) const {
  if (control < 1 || static_cast<std::size_t>(control) > controls_.size()) {
    throw Failure(kInvalidParameter,
                  "The window \"" + spec_.name + "\" has no control " + std::to_string(control));
  }
  return controls_[static_cast<std::size_t>(control) - 1];
}

Form::Control& Form::List(ControlId list) {
  Control& c = Get(list);
  if (c.def.kind != ControlKind::kListBox && c.def.kind != ControlKind::kReportList) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" is not a list");
  }
  return c;
}

Form::Control& Form::Report(ControlId list) {
  return const_cast<Control&>(std::as_const(*this).Report(list));
}

const Form::Control& Form::Report(ControlId list) const {
  const Control& c = Get(list);
  if (c.def.kind != ControlKind::kReportList) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" is not a report list");
  }
  return c;
}

void Form::CheckRow(const Control& list, int row, int first) const {
  if (row < first || row >= RowCount(list)) {
    throw Failure(kInvalidParameter,
                  "The list \"" + list.def.name + "\" has no row " + std::to_string(row));
  }
}

ControlId Form::AddControl(const ControlSpec& def) {
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
  const auto id = static_cast<ControlId>(controls_.size() + 1);
  backend_->CreateControl(id, def);
  Control control;
  control.def = def;
  control.text = UpToNul(def.caption);
  controls_.push_back(std::move(control));
  names_.emplace(def.name, id);
  return id;
}

ControlId Form::Find(std::string_view name) const {
  const auto found = names_.find(name);
  return open_ && found != names_.end() ? found->second : kNoControl;
}

void Form::SetMenu(const std::vector<Menu>& menus) {
  if (open_) {
    backend_->SetMenu(menus);
    menus_ = menus;
  }
}

void Form::OnClick(ControlId control, Handler handler) {
  if (open_) {
    Get(control).on_click = std::move(handler);
  }
}

void Form::OnMenu(std::string_view entry_name, Handler handler) {
  if (open_) {
    menu_handlers_.insert_or_assign(std::string(entry_name), std::move(handler));
  }
}

void Form::OnQueryUnload(Handler handler) {
  if (open_) {
    on_query_unload_ = std::move(handler);
  }
}

void Form::SetCaption(std::string_view caption) {
  if (open_) {
    caption_ = UpToNul(caption);
    backend_->SetCaption(caption_);
  }
}

std::string Form::Caption() const {
  return open_ ? caption_ : std::string();
}

void Form::SetIcon(std::string_view ico_path) {
  if (open_) {
    backend_->SetIcon(ico_path);
  }
}

void Form::Repaint() {
  if (open_) {
    backend_->Repaint();
  }
}

void Form::Show() {
  if (open_) {
    shown_ = true;
    backend_->Show();
  }
}

void Form::Close() {
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
    backend_->Destroy();
    closing_ = false;
  }
}

WindowHandle Form::Handle() const {
  return open_ ? backend_->Handle() : 0;
}

void Form::SetText(ControlId control, std::string_view text) {
  if (open_) {
    Get(control).text = UpToNul(text);
    backend_->SetText(control, UpToNul(text));
  }
}

std::string Form::Text(ControlId control) const {
  if (!open_) {
    return {};
  }
  const Control& c = Get(control);
  if (c.def.kind == ControlKind::kListBox || c.def.kind == ControlKind::kReportList) {
    return c.selection < 0 ? std::string() : ItemText(control, c.selection);
  }
  return c.text;
}

void Form::SetVisible(ControlId control, bool visible) {
  if (open_) {
    Get(control).visible = visible;
    backend_->SetVisible(control, visible);
  }
}

bool Form::IsVisible(ControlId control) const {
  return open_ && Get(control).visible;
}

void Form::SetEnabled(ControlId control, bool enabled) {
  if (open_) {
    Get(control).enabled = enabled;
    backend_->SetEnabled(control, enabled);
  }
}

bool Form::IsEnabled(ControlId control) const {
  return open_ && Get(control).enabled;
}

void Form::Store(ControlId control, int value) {
  Control& c = Get(control);
  if (c.def.kind == ControlKind::kOptionButton && value == 1) {
    // Clearing the siblings fires nothing: only the button that became set reports a click.
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      Control& other = controls_[i];
      if (other.def.kind == ControlKind::kOptionButton && other.def.parent == c.def.parent &&
          other.value != 0 && &other != &c) {
        other.value = 0;
        backend_->SetValue(static_cast<ControlId>(i + 1), 0);
      }
    }
  }
  c.value = value;
  backend_->SetValue(control, value);
}

void Form::SetValue(ControlId control, int value) {
  if (!open_) {
    return;
  }
  const Control& c = Get(control);
  if (!HasValue(c.def.kind)) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" has no value");
  }
  const int wanted =
      c.def.kind == ControlKind::kOptionButton ? (value != 0 ? 1 : 0) : std::clamp(value, 0, 2);
  if (c.value == wanted) {
    return;
  }
  Store(control, wanted);
  Fire(control);
}

int Form::Value(ControlId control) const {
  if (!open_) {
    return 0;
  }
  const Control& c = Get(control);
  return HasValue(c.def.kind) ? c.value : 0;
}

void Form::AddItem(ControlId list, std::string_view text) {
  if (open_) {
    Get(list).items.emplace_back(UpToNul(text));
    backend_->AddItem(list, UpToNul(text));
  }
}

void Form::ClearItems(ControlId list) {
  if (open_) {
    Control& c = Get(list);
    c.items.clear();
    c.rows.clear();
    c.selection = -1;
    backend_->ClearItems(list);
  }
}

int Form::ItemCount(ControlId list) const {
  return open_ ? RowCount(Get(list)) : 0;
}

std::string Form::ItemText(ControlId list, int row) const {
  if (!open_) {
    return {};
  }
  const Control& c = Get(list);
  CheckRow(c, row, 0);
  const auto place = static_cast<std::size_t>(row);
  if (c.def.kind == ControlKind::kReportList) {
    return c.rows[place].cells.empty() ? std::string() : c.rows[place].cells[0];
  }
  return c.items[place];
}

int Form::Selection(ControlId list) const {
  return open_ ? Get(list).selection : -1;
}

void Form::SetSelection(ControlId list, int row) {
  if (!open_) {
    return;
  }
  Control& c = Get(list);
  CheckRow(c, row, -1);
  if (c.selection == row) {
    return;
  }
  c.selection = row;
  backend_->SetSelection(list, row);
  Fire(list);
}

void Form::FitHorizontalExtent(ControlId list) {
  if (open_) {
    backend_->FitHorizontalExtent(list, Get(list).items);
  }
}

void Form::SetFocus(ControlId control) {
  if (open_) {
    Get(control);
    backend_->SetFocus(control);
  }
}

void Form::SetRedraw(ControlId control, bool redraw) {
  if (open_) {
    Get(control);
    backend_->SetRedraw(control, redraw);
  }
}

void Form::AddRow(ControlId list, const Row& row) {
  if (!open_) {
    return;
  }
  Control& c = Report(list);
  Row added{row.key, {}};
  added.cells.resize(std::max(row.cells.size(), c.def.columns.size()));
  std::transform(row.cells.begin(), row.cells.end(), added.cells.begin(),
                 [](const std::string& cell) { return std::string(UpToNul(cell)); });
  auto place = c.rows.end();
  if (c.sort_column >= 0) {
    const auto column = static_cast<std::size_t>(c.sort_column);
    place = c.sort_ascending
                ? std::upper_bound(
                      c.rows.begin(), c.rows.end(), added,
                      [column](const Row& a, const Row& b) { return CellLess(a, b, column); })
                : std::upper_bound(
                      c.rows.begin(), c.rows.end(), added,
                      [column](const Row& a, const Row& b) { return CellLess(b, a, column); });
  }
  const auto index = static_cast<int>(place - c.rows.begin());
  c.rows.insert(place, added);
  if (c.selection >= index) {
    ++c.selection;  // the same row, one place down
  }
  backend_->InsertRow(list, index, added);
}

Row Form::RowAt(ControlId list, int row) const {
  if (!open_) {
    return {};
  }
  const Control& c = Report(list);
  CheckRow(c, row, 0);
  return c.rows[static_cast<std::size_t>(row)];
}

std::optional<std::uint64_t> Form::SelectedKey(ControlId list) const {
  if (!open_) {
    return std::nullopt;
  }
  const Control& c = Report(list);
  if (c.selection < 0) {
    return std::nullopt;
  }
  return c.rows[static_cast<std::size_t>(c.selection)].key;
}

void Form::SortBy(ControlId list, int column, bool ascending) {
  if (!open_) {
    return;
  }
  Control& c = Report(list);
  if (column < 0 || static_cast<std::size_t>(column) >= c.def.columns.size()) {
    throw Failure(kInvalidParameter,
                  "The list \"" + c.def.name + "\" has no column " + std::to_string(column));
  }
  const std::optional<std::uint64_t> selected = SelectedKey(list);
  const auto index = static_cast<std::size_t>(column);
  std::stable_sort(c.rows.begin(), c.rows.end(), [index, ascending](const Row& a, const Row& b) {
    return ascending ? CellLess(a, b, index) : CellLess(b, a, index);
  });
  c.sort_column = column;
  c.sort_ascending = ascending;
  if (selected) {
    // The selected row stays selected in its new place; nothing changed for its handler.
    const auto found = std::find_if(c.rows.begin(), c.rows.end(),
                                    [&](const Row& r) { return r.key == *selected; });
    c.selection = static_cast<int>(found - c.rows.begin());
  }
  backend_->ShowRows(list, c.rows);
  backend_->SetSelection(list, c.selection);
  backend_->ShowSort(list, column, ascending);
}

int Form::SortColumn(ControlId list) const {
  return open_ ? Report(list).sort_column : -1;
}

bool Form::SortAscending(ControlId list) const {
  return !open_ || Report(list).sort_ascending;
}

bool Form::UserClickedHeader(ControlId list, int column) {
  const Control& c = Report(list);
  if (!Responds(list)) {
    return false;
  }
  SortBy(list, column, c.sort_column != column || !c.sort_ascending);
  return true;
}

void Form::Fire(ControlId control) {
  // A copy: the handler may replace itself, or close the window, while it runs.
  const Handler handler = Get(control).on_click;
  RunHandler(ui_, handler);
}

bool Form::ShownInWindow(ControlId control) const {
  for (ControlId id = control; id != kNoControl; id = Get(id).def.parent) {
    if (!Get(id).visible) {
      return false;
    }
  }
  return true;
}

bool Form::Responds(ControlId control) const {
  if (!open_ || !ShownInWindow(control)) {
    return false;
  }
  for (ControlId id = control; id != kNoControl; id = Get(id).def.parent) {
    if (!Get(id).enabled) {
      return false;
    }
  }
  return true;
}

bool Form::UserClicked(ControlId control) {
  Control& c = Get(control);  // an unknown id raises even when nothing would respond
  if (!Responds(control)) {
    // Windows ignores a click on a disabled or hidden control; a native control that changed
    // itself regardless (Wine lets disabled buttons click) is put back.
    if (open_ && HasValue(c.def.kind)) {
      for (std::size_t i = 0; i < controls_.size(); ++i) {
        const Control& other = controls_[i];
        if (other.def.kind == c.def.kind && other.def.parent == c.def.parent) {
          backend_->SetValue(static_cast<ControlId>(i + 1), other.value);
        }
      }
    }
    return false;
  }
  switch (c.def.kind) {
    case ControlKind::kButton:
      break;
    case ControlKind::kCheckBox:
      Store(control, c.value == 0 ? 1 : 0);
      break;
    case ControlKind::kOptionButton:
      if (c.value == 1) {
        backend_->SetValue(control, 1);
        return true;  // already set: the click changes nothing and reports nothing
      }
      Store(control, 1);
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
    case ControlKind::kReportList:
      return false;
  }
  Fire(control);
  return true;
}

bool Form::UserSelected(ControlId list, int row) {
  Control& c = List(list);
  CheckRow(c, row, 0);
  if (!Responds(list)) {
    backend_->SetSelection(list, c.selection);
    return false;
  }
  if (c.selection != row) {
    c.selection = row;
    Fire(list);
  }
  return true;
}

void Form::UserEdited(ControlId control, std::string_view text) {
  if (open_) {
    Get(control).text = UpToNul(text);
  }
}

const MenuEntry* Form::Entry(std::string_view entry_name) const {
  for (const Menu& menu : menus_) {
    for (const MenuEntry& entry : menu.entries) {
      if (!entry.caption.empty() && entry.name == entry_name) {
        return &entry;
      }
    }
  }
  return nullptr;
}

bool Form::IsMenuEntryEnabled(std::string_view entry_name) const {
  const MenuEntry* entry = Entry(entry_name);
  if (entry == nullptr) {
    throw Failure(kInvalidParameter, "The window \"" + spec_.name + "\" has no menu entry \"" +
                                         std::string(entry_name) + "\"");
  }
  return entry->enabled;
}

bool Form::UserChoseMenu(std::string_view entry_name) {
  if (!IsMenuEntryEnabled(entry_name) || !open_) {
    return false;
  }
  const auto found = menu_handlers_.find(entry_name);
  if (found != menu_handlers_.end()) {
    const Handler handler = found->second;
    RunHandler(ui_, handler);
  }
  return true;
}

ControlId Form::Id(std::string_view name) const {
  const auto found = names_.find(name);
  if (found == names_.end()) {
    throw Failure(kInvalidParameter,
                  "The window \"" + spec_.name + "\" has no control \"" + std::string(name) + "\"");
  }
  return found->second;
}

const ControlSpec& Form::SpecOf(ControlId control) const {
  return Get(control).def;
}

std::vector<ControlId> Form::Controls() const {
  std::vector<ControlId> ids(controls_.size());
  for (std::size_t i = 0; i < ids.size(); ++i) {
    ids[i] = static_cast<ControlId>(i + 1);
  }
  return ids;
}

bool Form::HasClickHandler(ControlId control) const {
  return static_cast<bool>(Get(control).on_click);
}

}  // namespace velqor::platform
