#include "forms/form.h"

#include <algorithm>
#include <utility>

namespace velqor::forms {

using platform::ControlKind;
using platform::Failure;
using platform::kInvalidParameter;
using platform::kNoControl;

namespace {

bool HasValue(ControlKind kind) {
  return kind == ControlKind::kCheckBox || kind == ControlKind::kOptionButton;
}

}  // namespace

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

TwipRect Anchored(const TwipRect& designed, unsigned anchors, int grow_x, int grow_y) {
  TwipRect rect = designed;
  const auto follow = [](int& place, int& size, bool near, bool far, int grow) {
    if (near && far) {
      size += grow;
    } else if (far) {
      place += grow;
    }
  };
  follow(rect.left, rect.width, (anchors & platform::kAnchorLeft) != 0,
         (anchors & platform::kAnchorRight) != 0, grow_x);
  follow(rect.top, rect.height, (anchors & platform::kAnchorTop) != 0,
         (anchors & platform::kAnchorBottom) != 0, grow_y);
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
  if (def.kind == ControlKind::kContextMenu) {
    CheckContextMenu(def);
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

void Form::SetMenuEntryEnabled(std::string_view entry_name, bool enabled) {
  if (open_) {
    IsMenuEntryEnabled(entry_name);  // an unknown entry raises
    for (Menu& menu : menus_) {
      for (MenuEntry& entry : menu.entries) {
        if (!entry.caption.empty() && entry.name == entry_name) {
          entry.enabled = enabled;
        }
      }
    }
    backend_->SetMenuEntryEnabled(entry_name, enabled);
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
  if (const Status status = open_ ? backend_->SetIcon(ico_path) : platform::kSuccess;
      status != platform::kSuccess) {
    throw platform::MakeFailure(platform::ErrorDomain::kWin32, status,
                                "Could not load the icon \"" + std::string(ico_path) + "\"");
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
  RunCommand(ui_, "Close", handler);
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

void Form::SetFocus(ControlId control) {
  if (open_ && Get(control).def.kind != ControlKind::kContextMenu) {  // it has no window
    backend_->SetFocus(control);
  }
}

void Form::SetRedraw(ControlId control, bool redraw) {
  if (open_ && Get(control).def.kind != ControlKind::kContextMenu) {  // nothing drawn to stop
    Get(control).drawn = redraw;
    backend_->SetRedraw(control, redraw);
  }
}

void Form::Fire(ControlId control) {
  // A copy: the handler may replace itself, or close the window, while it runs.
  const Control& c = Get(control);
  const Handler handler = c.on_click;
  // A control without a caption (a list) is named as the program names it.
  RunCommand(ui_, c.def.caption.empty() ? c.def.name : c.def.caption, handler);
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
  if (!shown() || !Responds(control)) {
    // Windows ignores a click on a disabled or hidden control, and a control of a window not
    // shown is hidden to the user; a native control that changed itself regardless (Wine lets
    // disabled buttons click, and BM_CLICK reaches a hidden window) is put back.
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
    case ControlKind::kContextMenu:
      return false;
  }
  Fire(control);
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
    RunCommand(ui_, Entry(entry_name)->caption, handler);
  }
  return true;
}

void Form::CheckContextMenu(const ControlSpec& def) const {
  const Control& owner = Get(def.owner);
  if (owner.def.kind == ControlKind::kContextMenu || ContextMenuOf(def.owner) != kNoControl) {
    throw Failure(kInvalidParameter, "\"" + owner.def.name + "\" cannot have another context menu");
  }
  for (const std::string& name : def.entries) {
    if (!name.empty()) {
      IsMenuEntryEnabled(name);  // a context menu offers only what the menu bar has
    }
  }
}

ControlId Form::ContextMenuOf(ControlId control) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].def.kind == ControlKind::kContextMenu && controls_[i].def.owner == control) {
      return static_cast<ControlId>(i + 1);
    }
  }
  return kNoControl;
}

std::optional<std::vector<MenuEntry>> Form::UserAskedForContextMenu(ControlId control, int row) {
  Get(control);
  const ControlId menu = ContextMenuOf(control);
  if (menu == kNoControl || !Responds(control) || !Responds(menu)) {
    return std::nullopt;
  }
  if (row >= 0 && row != List(control).selection) {
    CheckRow(List(control), row, 0);
    // Shown by the program: a right-click reaches the model before, or without, the list selecting.
    backend_->SetSelection(control, row);
    const std::shared_ptr<bool> alive = alive_;
    UserSelected(control, row);
    if (!*alive || !Responds(control) || !Responds(menu)) {
      return std::nullopt;
    }
  }
  std::vector<MenuEntry> shown;
  for (const std::string& name : Get(menu).def.entries) {
    if (name.empty()) {
      shown.push_back({"", "", true});
    } else if (const MenuEntry* entry = Entry(name); entry != nullptr) {
      shown.push_back(*entry);  // a menu bar set anew may have dropped it
    }
  }
  return shown;
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

}  // namespace velqor::forms
