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
using platform::kNoControl;
using platform::TwipRect;

constexpr int kCheckLeft = 360;
constexpr int kCheckTop = 360;
constexpr int kCheckStep = 480;
constexpr int kCheckWidth = 3615;
constexpr int kCheckHeight = 375;

ControlSpec Def(ControlKind kind, std::string name, ControlId parent, std::string caption,
                TwipRect rect) {
  ControlSpec def;
  def.kind = kind;
  def.name = std::move(name);
  def.parent = parent;
  def.caption = std::move(caption);
  def.rect = rect;
  return def;
}

// The panels and what they hold are drawn white on black, like the window itself.
ControlSpec OnBlack(ControlSpec def) {
  def.white_on_black = true;
  return def;
}

// A label that starts a tool: it reports clicks and shows the hand cursor.
ControlSpec Launcher(std::string name, ControlId parent, std::string caption, int top,
                     int width = 3255, int height = 255) {
  ControlSpec def = OnBlack(Def(ControlKind::kLabel, std::move(name), parent, std::move(caption),
                                {600, top, width, height}));
  def.clickable = true;
  return def;
}

}  // namespace

void Form1::CreateControls() {
  platform::Window& w = *window_;

  ControlSpec banner = Def(ControlKind::kPicture, "Picture1", kNoControl, "", {0, 0, 5970, 1455});
  banner.image = "BANNER";
  ids_.Picture1 = w.AddControl(banner);

  ids_.XPButton1 = w.AddControl(
      Def(ControlKind::kButton, "XPButton1", kNoControl, "&Apply XP Tweak", {29, 1560, 1455, 855}));
  ids_.XPButton3 = w.AddControl(
      Def(ControlKind::kButton, "XPButton3", kNoControl, "&CleanUp Junk", {0, 2640, 1455, 855}));
  ids_.XPButton2 = w.AddControl(
      Def(ControlKind::kButton, "XPButton2", kNoControl, "&Internet Speed", {0, 3720, 1455, 855}));
  ids_.XPButton4 = w.AddControl(Def(ControlKind::kButton, "XPButton4", kNoControl,
                                    "&Restore Settings", {29, 4800, 1455, 855}));

  ids_.Frame2 = w.AddControl(
      OnBlack(Def(ControlKind::kFrame, "Frame2", kNoControl, "General", {1560, 1490, 4395, 4199})));
  const auto& boxes = tweaks::TweakBoxes();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const int top = kCheckTop + kCheckStep * static_cast<int>(i);
    ControlSpec box =
        OnBlack(Def(ControlKind::kCheckBox, std::string(boxes[i].name), ids_.Frame2,
                    std::string(boxes[i].caption), {kCheckLeft, top, kCheckWidth, kCheckHeight}));
    box.tooltip = boxes[i].tip;
    ids_.Check[i] = w.AddControl(box);
  }

  ids_.Frame3 = w.AddControl(
      OnBlack(Def(ControlKind::kFrame, "Frame3", kNoControl, "CleanUp", {1560, 1490, 4395, 4199})));
  // The longest launcher needs more than its 3255 twips in the message font, and two lines in
  // Segoe UI: it reaches to 120 twips from the frame's edge and down towards the next one.
  ids_.Label1 = w.AddControl(
      Launcher("Label1", ids_.Frame3, "Clean your hard Drive using Clean manager", 600, 3675, 480));
  ids_.Label2 =
      w.AddControl(Launcher("Label2", ids_.Frame3, "Microsoft Disk Defragmenter tool", 1200));
  ids_.Label3 = w.AddControl(Launcher("Label3", ids_.Frame3, "Scan all protected files", 1800));
  ids_.Label4 = w.AddControl(Launcher("Label4", ids_.Frame3, "Update Windows", 2400));
  ids_.Command1 = w.AddControl(Def(ControlKind::kButton, "Command1", ids_.Frame3,
                                   "Back to XP Tweak", {960, 3600, 2295, 375}));

  ids_.Frame1 =
      w.AddControl(OnBlack(Def(ControlKind::kFrame, "Frame1", kNoControl,
                               std::string(popup::kFrame1Caption), {0, 5760, 6015, 822})));
  ids_.chkPopupKillerActivate = w.AddControl(
      OnBlack(Def(ControlKind::kCheckBox, "chkPopupKillerActivate", ids_.Frame1,
                  std::string(popup::kChkPopupKillerActivateCaption), {120, 300, 5775, 375})));
}

void Form1::CreateMenus() {
  window_->SetMenu({
      {"dile", "&File", {{"ex", "E&xit", true}}},
      {"too", "&Tools", {{"smn", "&Startup manager", true}, {"shut", "Shut&down now !", true}}},
      // The products page is not offered: the entry shows greyed and cannot be chosen.
      {"help",
       "&Help",
       {{"vwb", "&Visit Website", true}, {"quelmp", "&Other Quelm Products", false}}},
  });
}

}  // namespace velqor::app
