#include "app/form1.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "booster/booster.h"
#include "popup/killer_switch.h"
#include "tweaks/catalogue.h"
#include "platform/sim/platform.h"

namespace velqor::app {
namespace {

using platform::kIdYes;
using platform::kSwShowMinimized;
using platform::kSwShowNormal;
using platform::sim::HeadlessWindow;

constexpr const char* kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.ui.SetProgramFolder("C:\\Velqor");
    sim_.ui.AddFile("C:\\Velqor\\start.ico");
    sim_.ui.AddFile("C:\\Velqor\\stop.ico");
  }

  HeadlessWindow& Load() {
    form_.Load();
    HeadlessWindow* window = sim_.ui.FindWindow("Form1");
    EXPECT_NE(window, nullptr);
    sim_.launcher.SetActiveWindow(window->Handle());
    return *window;
  }

  bool Seen(HeadlessWindow& w, const char* name) { return w.IsSeen(w.Id(name)); }

  SimPlatform sim_;
  Form1 form_{sim_.platform};
};

TEST_F(Form1Test, StartsWithTheTweakPanelAndEverythingClear) {
  HeadlessWindow& w = Load();
  EXPECT_TRUE(w.IsShown());
  EXPECT_EQ(w.Caption(), "Velqor");
  EXPECT_EQ(w.def().background, std::optional<platform::Colour>(0x000000)) << "black, not none";
  EXPECT_TRUE(Seen(w, "Frame2"));
  EXPECT_FALSE(Seen(w, "Frame3"));
  EXPECT_FALSE(Seen(w, "Label1")) << "the clean-up panel's contents go with it";
  EXPECT_FALSE(w.IsEnabled(w.Id("XPButton4")));
  EXPECT_TRUE(w.IsEnabled(w.Id("XPButton2")));
  for (const auto& box : tweaks::TweakBoxes()) {
    SCOPED_TRACE(std::string(box.name));
    EXPECT_EQ(w.Value(w.Id(box.name)), 0);
    EXPECT_TRUE(Seen(w, std::string(box.name).c_str()));
  }
  EXPECT_EQ(w.Value(w.Id("chkPopupKillerActivate")), 0);
  EXPECT_FALSE(form_.popup_state().bKillerActive);
  EXPECT_NE(form_.tracker(), nullptr);
  EXPECT_TRUE(sim_.ui.message_boxes().empty());
  EXPECT_TRUE(sim_.script_host.calls().empty()) << "start-up writes nothing";
}

TEST_F(Form1Test, ATrackerThatCannotStartIsReportedAndTheWindowStillOpens) {
  sim_.browser.fail_create = true;
  HeadlessWindow& w = Load();
  ASSERT_EQ(sim_.ui.message_boxes().size(), 1U);
  EXPECT_EQ(sim_.ui.message_boxes()[0].title, "Velqor");
  EXPECT_EQ(sim_.ui.message_boxes()[0].windows_shown, 1) << "told over the shown window";
  EXPECT_NE(sim_.ui.message_boxes()[0].prompt.find("pop-up killer"), std::string::npos);
  EXPECT_NE(form_.tracker(), nullptr) << "the tracker stays, with what it could attach";
  EXPECT_TRUE(w.IsShown());
  EXPECT_TRUE(Seen(w, "Frame2"));
  EXPECT_FALSE(w.IsEnabled(w.Id("XPButton4")));
  EXPECT_TRUE(w.ClickByName("XPButton3")) << "the window works on";
}

// The window is on the screen, in its start-up state, while the tracker walks the shell's windows:
// the slow part of the start comes after the user already sees the window.
TEST_F(Form1Test, TheWindowShowsInItsStartStateBeforeTheTrackerIsMade) {
  sim_.browser.OpenBrowser(0x1001);
  std::vector<std::string> seen_at_enumeration;
  sim_.browser.on_enumerate = [&](std::size_t) {
    HeadlessWindow* w = sim_.ui.FindWindow("Form1");
    std::string state = w == nullptr ? "no window" : w->IsShown() ? "shown" : "hidden";
    if (w != nullptr && w->IsShown()) {
      state += w->IsSeen(w->Id("Frame3")) ? " cleanup" : " tweaks";
      state += w->IsEnabled(w->Id("XPButton4")) ? " restore-on" : " restore-off";
    }
    seen_at_enumeration.push_back(state);
  };
  Load();
  EXPECT_EQ(seen_at_enumeration, std::vector<std::string>{"shown tweaks restore-off"});
  ASSERT_NE(form_.tracker(), nullptr);
  EXPECT_EQ(form_.tracker()->Count(), 1);
}

// Every sequence of up to four presses of the three panel buttons, against a model of which panel
// shows. The apply button writes only while the tweak panel is shown.
TEST_F(Form1Test, PanelsAreNeverVisibleTogether) {
  const std::vector<std::string> buttons = {"XPButton1", "XPButton3", "Command1"};
  std::vector<std::vector<int>> sequences = {{}};
  for (int length = 1; length <= 4; ++length) {
    const std::vector<std::vector<int>> shorter = sequences;
    for (const auto& sequence : shorter) {
      if (static_cast<int>(sequence.size()) != length - 1) {
        continue;
      }
      for (int b = 0; b < 3; ++b) {
        auto longer = sequence;
        longer.push_back(b);
        sequences.push_back(longer);
      }
    }
  }
  ASSERT_EQ(sequences.size(), 1U + 3U + 9U + 27U + 81U);

  for (const auto& sequence : sequences) {
    SimPlatform sim;
    Form1 form(sim.platform);
    form.Load();
    HeadlessWindow& w = *sim.ui.FindWindow("Form1");
    bool tweak_panel = true;
    std::string trace;
    for (const int b : sequence) {
      trace += buttons[static_cast<std::size_t>(b)] + " ";
      SCOPED_TRACE(trace);
      const std::size_t writes_before = sim.script_host.calls().size();
      const bool responded = w.ClickByName(buttons[static_cast<std::size_t>(b)]);
      std::size_t expected_writes = 0;
      if (b == 0) {
        expected_writes = tweak_panel ? tweaks::kTweakWriteCount : 0;
        tweak_panel = true;
      } else if (b == 1) {
        tweak_panel = false;
      } else {
        EXPECT_EQ(responded, !tweak_panel) << "Back is reachable only on the clean-up panel";
        tweak_panel = true;
      }
      EXPECT_EQ(sim.script_host.calls().size() - writes_before, expected_writes);
      const bool frame2 = w.IsSeen(w.Id("Frame2"));
      const bool frame3 = w.IsSeen(w.Id("Frame3"));
      EXPECT_NE(frame2, frame3);
      EXPECT_EQ(frame2, tweak_panel);
    }
  }
}

TEST_F(Form1Test, EachLauncherStartsExactlyItsCommand) {
  HeadlessWindow& w = Load();
  ASSERT_TRUE(w.ClickByName("XPButton3"));
  struct Row {
    const char* control;  // a label, or a menu entry when `menu`
    bool menu;
    const char* command;
  };
  for (const Row row : {Row{"Label1", false, "cleanmgr.exe"}, Row{"Label3", false, "sfc /scannow"},
                        Row{"Label4", false, "wupdmgr"}, Row{"shut", true, "shutdown -s -t 0"}}) {
    SCOPED_TRACE(row.control);
    sim_.launcher.ClearCalls();
    EXPECT_TRUE(row.menu ? w.ChooseMenu(row.control) : w.ClickByName(row.control));
    ASSERT_EQ(sim_.launcher.starts().size(), 1U);
    EXPECT_EQ(sim_.launcher.starts()[0].command, row.command);
    EXPECT_EQ(sim_.launcher.starts()[0].show, kSwShowMinimized);
  }
  EXPECT_TRUE(sim_.ui.message_boxes().empty()) << "shutting down asks nothing";

  sim_.launcher.ClearCalls();
  EXPECT_TRUE(w.ClickByName("Label2"));
  EXPECT_EQ(sim_.script_host.RunCommands(), std::vector<std::string>{"dfrg.msc"});
  EXPECT_EQ(sim_.script_host.shells_created(), sim_.script_host.shells_released());
  EXPECT_TRUE(sim_.launcher.starts().empty());
}

TEST_F(Form1Test, AMissingToolIsToldInWordsAndTheProgramRuns) {
  HeadlessWindow& w = Load();
  for (const app::MaintenanceTool* tool : {&app::kWindowsUpdate, &app::kDefragmenter}) {
    for (const app::ToolCommand& command : tool->commands) {
      sim_.launcher.MarkMissing(command.command);
      sim_.script_host.MarkMissing(command.command);
    }
  }
  ASSERT_TRUE(w.ClickByName("XPButton3"));
  for (const char* label : {"Label4", "Label2"}) {
    SCOPED_TRACE(label);
    const std::size_t shown = sim_.ui.message_boxes().size();
    EXPECT_TRUE(w.ClickByName(label));
    ASSERT_EQ(sim_.ui.message_boxes().size(), shown + 1);
    const auto& box = sim_.ui.message_boxes().back();
    EXPECT_EQ(box.prompt, label == std::string("Label4")
                              ? "Windows Update is not available on this computer."
                              : "The disk defragmenter is not available on this computer.");
    EXPECT_EQ(box.title, "Velqor");
  }
  EXPECT_TRUE(w.IsOpen());
  EXPECT_FALSE(sim_.ui.quit_requested());
  EXPECT_TRUE(w.ClickByName("Label1")) << "the next command still runs";
  EXPECT_EQ(sim_.launcher.StartedCommands(), std::vector<std::string>{"cleanmgr.exe"});
}

TEST_F(Form1Test, StartupManagerChosenTwiceIsOneWindow) {
  HeadlessWindow& w = Load();
  EXPECT_EQ(form_.startup_manager(), nullptr);
  EXPECT_TRUE(w.ChooseMenu("smn"));
  ASSERT_NE(form_.startup_manager(), nullptr);
  startup::frmMain* first = form_.startup_manager();
  platform::Window* first_window = first->window();
  EXPECT_TRUE(w.ChooseMenu("smn"));
  EXPECT_EQ(form_.startup_manager(), first);
  EXPECT_EQ(first->window(), first_window);
  EXPECT_EQ(sim_.ui.forms_created(), 2);
  HeadlessWindow* manager = sim_.ui.FindWindow("frmMain");
  ASSERT_NE(manager, nullptr);
  EXPECT_TRUE(manager->IsShown());
  EXPECT_EQ(manager->records().show_count, 2);
}

// Forwards to the headless UI and notes, when the program asks to end, what had happened by then.
class QuitProbeUi final : public platform::Ui {
 public:
  QuitProbeUi(platform::sim::HeadlessUi& ui, std::function<void()> at_quit)
      : ui_(ui), at_quit_(std::move(at_quit)) {}
  std::unique_ptr<platform::Window> CreateForm(const platform::WindowSpec& def) override {
    return ui_.CreateForm(def);
  }
  int MessageBox(std::string_view prompt, std::string_view title, unsigned style) override {
    return ui_.MessageBox(prompt, title, style);
  }
  std::string ProgramFolder() const override { return ui_.ProgramFolder(); }
  void DoEvents() override { ui_.DoEvents(); }
  std::optional<std::string> SaveAs(const platform::SaveAsRequest& r) override {
    return ui_.SaveAs(r);
  }
  void Quit() override {
    at_quit_();
    ui_.Quit();
  }

 private:
  platform::sim::HeadlessUi& ui_;
  std::function<void()> at_quit_;
};

TEST_F(Form1Test, ExitTakesTheBoostBackBeforeTheProgramEnds) {
  sim_.registry.SeedKey(platform::kHkeyCurrentUser, kInternetSettings);
  std::size_t deletes_at_quit = 0;
  bool open_at_quit = true;
  std::optional<std::uint32_t> sync_at_quit;
  HeadlessWindow* window = nullptr;
  QuitProbeUi probe(sim_.ui, [&] {
    for (const auto& call : sim_.script_host.calls()) {
      deletes_at_quit += call.verb == "RegDelete" && !call.failed ? 1 : 0;
    }
    open_at_quit = window->IsOpen();
    sync_at_quit =
        sim_.registry.FindDword(platform::kHkeyCurrentUser, kInternetSettings, "syncmode5");
  });
  platform::Platform platform{
      sim_.registry, sim_.script_host,   sim_.launcher,        probe,      sim_.browser, sim_.input,
      sim_.settings, sim_.wide_registry, sim_.startup_folders, sim_.system};
  Form1 form(platform);
  form.Load();
  window = sim_.ui.FindWindow("Form1");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->ClickByName("XPButton2"));
  ASSERT_TRUE(window->ChooseMenu("smn"));
  sim_.registry.SeedDword(platform::kHkeyCurrentUser, kInternetSettings, "syncmode5", 0);

  EXPECT_TRUE(window->ChooseMenu("ex"));
  EXPECT_TRUE(sim_.ui.quit_requested());
  EXPECT_FALSE(open_at_quit) << "the window is unloaded before the end";
  EXPECT_GT(deletes_at_quit, 0U) << "the boosted machine-wide values were deleted first";
  EXPECT_EQ(sync_at_quit, 4U);
  EXPECT_EQ(window->query_unload_count(), 1);
  EXPECT_EQ(sim_.ui.FindWindow("frmMain"), nullptr) << "every window goes";
  EXPECT_FALSE(window->ChooseMenu("ex")) << "nothing more is handled";
}

TEST_F(Form1Test, TheCloseBoxAndAFailingRestoreNeverKeepTheWindow) {
  HeadlessWindow& w = Load();
  sim_.script_host.SetUnavailable(true);
  EXPECT_TRUE(w.RequestClose());
  EXPECT_TRUE(form_.IsUnloaded());
  ASSERT_EQ(sim_.ui.message_boxes().size(), 1U) << "the failed restore is reported";
  EXPECT_EQ(sim_.ui.message_boxes()[0].title, "Velqor");
}

TEST_F(Form1Test, WebEntriesOpenTheirPageAndTheGreyedOneDoesNothing) {
  HeadlessWindow& w = Load();
  EXPECT_FALSE(w.IsMenuEntryEnabled("quelmp"));
  EXPECT_FALSE(w.ChooseMenu("quelmp"));
  EXPECT_TRUE(sim_.launcher.shell_opens().empty());

  sim_.launcher.SetActiveWindow(0x4242);
  EXPECT_TRUE(w.ChooseMenu("vwb"));
  ASSERT_EQ(sim_.launcher.shell_opens().size(), 1U);
  const auto& open = sim_.launcher.shell_opens()[0];
  EXPECT_EQ(open.owner, 0x4242U);
  EXPECT_EQ(open.operation, "Open");
  EXPECT_EQ(open.file.rfind("https://", 0), 0U) << open.file;
  EXPECT_EQ(open.parameters, "");
  EXPECT_EQ(open.show, kSwShowNormal);
}

TEST_F(Form1Test, MenusShowTheirTextsWithMnemonics) {
  HeadlessWindow& w = Load();
  const auto strip = [](std::string text) {
    std::erase(text, '&');
    return text;
  };
  std::vector<std::string> seen;
  for (const auto& menu : w.menus()) {
    seen.push_back(menu.name + "=" + menu.caption);
    for (const auto& entry : menu.entries) {
      if (entry.caption.empty()) {
        seen.push_back("-");  // a separator
        continue;
      }
      EXPECT_NE(entry.caption.find('&'), std::string::npos) << entry.caption;
      seen.push_back(entry.name + "=" + strip(entry.caption));
    }
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{"dile=&File", "ex=Exit", "too=&Tools", "smn=Startup manager",
                                      "shut=Shutdown now !", "-", "undo=Undo last change\tCtrl+Z",
                                      "changes=Changes...", "settings=Current settings...",
                                      "stp=Startup programs...", "help=&Help", "vwb=Visit Website",
                                      "quelmp=Other Quelm Products"}));
}

// The subsystems' commands reach their own controls: the right buttons, boxes and window.
TEST_F(Form1Test, CommandsOfTheOtherSubsystemsAreWiredToTheirControls) {
  HeadlessWindow& w = Load();
  ASSERT_TRUE(w.ClickByName("XPButton2"));
  EXPECT_EQ(w.Caption(), booster::kBoostedCaption);
  EXPECT_TRUE(w.IsEnabled(w.Id("XPButton4")));
  EXPECT_FALSE(w.IsEnabled(w.Id("XPButton2")));
  sim_.ui.AnswerNextMessageBox(kIdYes);
  ASSERT_TRUE(w.ClickByName("XPButton4"));
  EXPECT_EQ(w.Caption(), booster::kRestoredCaption);
  EXPECT_FALSE(w.IsEnabled(w.Id("XPButton4")));

  sim_.script_host.ClearCalls();
  ASSERT_TRUE(w.ClickByName("Check1"));
  ASSERT_EQ(sim_.script_host.calls().size(), 1U);
  EXPECT_NE(sim_.script_host.calls()[0].path.find("DisablePagingExecutive"), std::string::npos);

  ASSERT_TRUE(w.ClickByName("chkPopupKillerActivate"));
  EXPECT_TRUE(form_.popup_state().bKillerActive);
  EXPECT_EQ(sim_.settings.GetSetting("Velqor", popup::kSettingsSection, popup::kSettingsKey), "1");
}

}  // namespace
}  // namespace velqor::app
