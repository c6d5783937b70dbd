// The main window's controls and menus, in twips relative to their containers. Creation order is
// the tab order: the command buttons first, then the panels with their contents.
#include <string>
#include <vector>

#include "app/form1.h"
#include "tweaks/catalogue.h"

namespace velqor::app {

namespace {

using platform::ControlId;
using platform::ControlKind;
using platform::ControlSpec;

constexpr int kCheckLeft = 360;
constexpr int kCheckTop = 360;
constexpr int kCheckStep = 480;
constexpr int kCheckWidth = 3615;
constexpr int kCheckHeight = 375;

ControlSpec Button(std::string name, std::string caption, platform::TwipRect rect,
                   ControlId parent = platform::kNoControl) {
  return {.kind = ControlKind::kButton,
          .name = std::move(name),
          .parent = parent,
          .caption = std::move(caption),
          .rect = rect};
}

// A panel: a frame drawn white on black, like the window itself, as is all it holds.
ControlSpec Panel(std::string name, std::string caption, platform::TwipRect rect) {
  return {.kind = ControlKind::kFrame,
          .name = std::move(name),
          .caption = std::move(caption),
          .rect = rect,
          .white_on_black = true};
}

// A label that starts a tool: it reports clicks and shows the hand cursor.
ControlSpec Launcher(std::string name, ControlId panel, std::string caption, int top,
                     int width = 3255, int height = 255) {
  return {.kind = ControlKind::kLabel,
          .name = std::move(name),
          .parent = panel,
          .caption = std::move(caption),
          .rect = {600, top, width, height},
          .clickable = true,
          .white_on_black = true};
}

}  // namespace

void Form1::CreateControls() {
  platform::Window& w = *window_;

  ids_.Picture1 = w.AddControl({.kind = ControlKind::kPicture,
                                .name = "Picture1",
                                .rect = {0, 0, 5970, 1455},
                                .image = "BANNER"});
  ids_.XPButton1 = w.AddControl(Button("XPButton1", "&Apply XP Tweak", {29, 1560, 1455, 855}));
  ids_.XPButton3 = w.AddControl(Button("XPButton3", "&CleanUp Junk", {0, 2640, 1455, 855}));
  ids_.XPButton2 = w.AddControl(Button("XPButton2", "&Internet Speed", {0, 3720, 1455, 855}));
  ids_.XPButton4 = w.AddControl(Button("XPButton4", "&Restore Settings", {29, 4800, 1455, 855}));

  ids_.Frame2 = w.AddControl(Panel("Frame2", "General", {1560, 1490, 4395, 4199}));
  const auto& boxes = tweaks::TweakBoxes();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    ids_.Check[i] = w.AddControl({.kind = ControlKind::kCheckBox,
                                  .name = std::string(boxes[i].name),
                                  .parent = ids_.Frame2,
                                  .caption = std::string(boxes[i].caption),
                                  .rect = {kCheckLeft, kCheckTop + kCheckStep * static_cast<int>(i),
                                           kCheckWidth, kCheckHeight},
                                  .tooltip = std::string(boxes[i].tip),
                                  .white_on_black = true});
  }

  ids_.Frame3 = w.AddControl(Panel("Frame3", "CleanUp", {1560, 1490, 4395, 4199}));
  // The longest launcher needs more than its 3255 twips in the message font, and two lines in
  // Segoe UI: it reaches to 120 twips from the frame's edge and down towards the next one.
  ids_.Label1 = w.AddControl(
      Launcher("Label1", ids_.Frame3, "Clean your hard Drive using Clean manager", 600, 3675, 480));
  ids_.Label2 =
      w.AddControl(Launcher("Label2", ids_.Frame3, "Microsoft Disk Defragmenter tool", 1200));
  ids_.Label3 = w.AddControl(Launcher("Label3", ids_.Frame3, "Scan all protected files", 1800));
  ids_.Label4 = w.AddControl(Launcher("Label4", ids_.Frame3, "Update Windows", 2400));
  ids_.Command1 =
      w.AddControl(Button("Command1", "Back to XP Tweak", {960, 3600, 2295, 375}, ids_.Frame3));

  ids_.Frame1 =
      w.AddControl(Panel("Frame1", std::string(popup::kFrame1Caption), {0, 5760, 6015, 822}));
  ids_.chkPopupKillerActivate =
      w.AddControl({.kind = ControlKind::kCheckBox,
                    .name = "chkPopupKillerActivate",
                    .parent = ids_.Frame1,
                    .caption = std::string(popup::kChkPopupKillerActivateCaption),
                    .rect = {120, 300, 5775, 375},
                    .white_on_black = true});
}

void Form1::CreateMenus() {
  window_->SetMenu({
      {"dile", "&File", {{"ex", "E&xit", true}}},
      {"too",
       "&Tools",
       {{"smn", "&Startup manager", true},
        {"shut", "Shut&down now !", true},
        {"", "", true},
        {"undo", "&Undo last change\tCtrl+Z", undo_enabled_},
        {"changes", "&Changes...", true},
        {"settings", "Current &settings...", true},
        {"stp", "Startup &programs...", true}}},
      // The products page is not offered: the entry shows greyed and cannot be chosen.
      {"help",
       "&Help",
       {{"vwb", "&Visit Website", true}, {"quelmp", "&Other Quelm Products", false}}},
  });
}

}  // namespace velqor::app
