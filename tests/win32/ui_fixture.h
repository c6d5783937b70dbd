// A small test form of every control kind over the Win32 backend, and the helpers that read its
// windows back through the system as another program (or a screen reader) would.
#pragma once

#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "platform/ui.h"
#include "platform/win32/text.h"
#include "platform/win32/ui.h"
#include "platform/win32/window.h"

namespace velqor::platform::win32::test_ui {

struct ChildInfo {
  HWND hwnd;
  std::wstring class_name;
};

inline BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  wchar_t text[256] = {};
  wchar_t class_name[64] = {};
  GetWindowTextW(hwnd, text, 256);
  GetClassNameW(hwnd, class_name, 64);
  reinterpret_cast<std::map<std::string, ChildInfo>*>(param)->emplace(Narrow(text),
                                                                      ChildInfo{hwnd, class_name});
  return TRUE;
}

// Every child window of `root`, by caption (the first one of each caption).
inline std::map<std::string, ChildInfo> ChildrenByCaption(HWND root) {
  std::map<std::string, ChildInfo> found;
  EnumChildWindows(root, &CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

inline RECT RectInParent(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

inline ControlSpec Def(ControlKind kind, const char* name, ControlId parent, const char* caption,
                       TwipRect rect) {
  // Built whole: assigning the names into a default-made one trips GCC 12's -Wrestrict on i686.
  return ControlSpec{
      .kind = kind, .name = name, .parent = parent, .caption = caption, .rect = rect};
}

inline ControlSpec WhiteOnBlack(ControlSpec def) {
  def.white_on_black = true;
  return def;
}

inline WindowSpec FormSpec(const char* name, int width, int height) {
  WindowSpec def;
  def.name = name;
  def.caption = name;
  def.client_width = width;
  def.client_height = height;
  return def;
}

inline MenuEntry Entry(const char* name, const char* caption, bool enabled = true) {
  MenuEntry entry;
  entry.name = name;
  entry.caption = caption;
  entry.enabled = enabled;
  return entry;
}

class Win32UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowSpec def = FormSpec("frmTest", 6045, 6630);
    def.caption = "Velqor test form";
    form_ = ui_.CreateForm(def);
    auto& f = *form_;
    go_ =
        f.AddControl(Def(ControlKind::kButton, "cmdGo", kNoControl, "&Go", {29, 1560, 1455, 855}));
    other_ = f.AddControl(
        Def(ControlKind::kButton, "cmdOther", kNoControl, "&Other", {0, 2640, 1455, 855}));
    tweaks_ = f.AddControl(WhiteOnBlack(
        Def(ControlKind::kFrame, "Frame2", kNoControl, "General", {1560, 1490, 4395, 4199})));
    ControlSpec check = WhiteOnBlack(
        Def(ControlKind::kCheckBox, "Check1", tweaks_, "First tweak", {360, 360, 3615, 375}));
    check.tooltip = "What the first tweak does";
    check_ = f.AddControl(check);
    cleanup_ = f.AddControl(WhiteOnBlack(
        Def(ControlKind::kFrame, "Frame3", kNoControl, "CleanUp", {1560, 1490, 4395, 4199})));
    ControlSpec label = WhiteOnBlack(Def(ControlKind::kLabel, "Label1", cleanup_,
                                         "Clean your hard Drive", {600, 600, 3255, 255}));
    label.clickable = true;
    label_ = f.AddControl(label);
    options_ = f.AddControl(
        Def(ControlKind::kFrame, "Frame1", kNoControl, "Options", {0, 5760, 6015, 822}));
    run_ = f.AddControl(
        Def(ControlKind::kOptionButton, "optRun", options_, " Run", {1440, 240, 675, 255}));
    run2_ = f.AddControl(Def(ControlKind::kOptionButton, "optRun2", options_, "Run (Current user)",
                             {3840, 240, 2535, 255}));
    list_ =
        f.AddControl(Def(ControlKind::kListBox, "lstName", kNoControl, "", {29, 4560, 1455, 600}));
    text_ =
        f.AddControl(Def(ControlKind::kTextBox, "txtName", kNoControl, "", {29, 5200, 1455, 285}));
    Menu file;
    file.name = "dile";
    file.caption = "&File";
    file.entries = {Entry("ex", "E&xit")};
    Menu help;
    help.name = "help";
    help.caption = "&Help";
    help.entries = {Entry("vwb", "Visit Website"), Entry("quelmp", "Other Products", false)};
    f.SetMenu({file, help});
    for (const char* row : {"zeta", "alpha", "mid"}) {
      f.AddItem(list_, row);
    }
    f.Show();
    ui_.DoEvents();
    hwnd_ = reinterpret_cast<HWND>(f.Handle());
  }

  Win32Ui ui_;
  std::unique_ptr<Window> form_;
  HWND hwnd_ = nullptr;
  ControlId go_{}, other_{}, tweaks_{}, check_{}, cleanup_{}, label_{}, options_{}, run_{}, run2_{},
      list_{}, text_{};
};

}  // namespace velqor::platform::win32::test_ui
