#include "app/form1.h"

#include <array>
#include <string>
#include <utility>

#include "journal/commands.h"
#include "journal/plans.h"
#include "platform/launcher.h"
#include "platform/script_host.h"
#include "tweaks/catalogue.h"

namespace velqor::app {

namespace {

// The window's own look: black client area, the program's icon.
constexpr platform::Colour kBlack = 0x000000;
constexpr int kClientWidth = 6045;
constexpr int kClientHeight = 6630;

}  // namespace

Form1::Form1(platform::Platform& platform)
    : platform_(platform),
      booster_(platform.registry, platform.script_host, platform.ui),
      popup_killer_(platform) {}

Form1::~Form1() {
  if (platform_.journal != nullptr) {
    platform_.journal->SetAfterCommand(nullptr);
  }
  // The windows go first, so that no handler of theirs can run into members already gone.
  window_.reset();
  startup_.reset();
  changes_.reset();
  settings_.reset();
  startup_programs_.reset();
}

void Form1::Load() {
  if (window_ != nullptr) {
    return;
  }
  window_ = platform_.ui.CreateForm({"Form1", std::string(platform::kProgramTitle), kClientWidth,
                                     kClientHeight, "VELQOR", kBlack});
  CreateControls();
  CreateMenus();
  ConnectHandlers();
  if (platform_.journal != nullptr) {
    // Commands of every window can change what is left to undo.
    platform_.journal->SetAfterCommand([this] { UpdateUndoEntry(); });
  }
  UpdateUndoEntry();
  // The window shows in its start-up state before the tracker is made: reaching the shell's
  // window list (COM, another process) takes longer than everything else of the start, and the
  // user sees the window meanwhile.
  ShowStartPanels();
  window_->Show();
  Form_Load();
  if (start_failure_) {
    const std::exception_ptr failure = std::exchange(start_failure_, nullptr);
    platform::RunHandler(platform_.ui, [&failure] { std::rethrow_exception(failure); });
  }
}

void Form1::ConnectHandlers() {
  platform::Window& w = *window_;
  const auto bind = [this](void (Form1::*handler)()) {
    return [this, handler] { (this->*handler)(); };
  };
  w.OnClick(ids_.XPButton1, bind(&Form1::XPButton1_Click));
  w.OnClick(ids_.XPButton2, bind(&Form1::XPButton2_Click));
  w.OnClick(ids_.XPButton3, bind(&Form1::XPButton3_Click));
  w.OnClick(ids_.XPButton4, bind(&Form1::XPButton4_Click));
  w.OnClick(ids_.Command1, bind(&Form1::Command1_Click));
  w.OnClick(ids_.Check[0], bind(&Form1::Check1_Click));
  w.OnClick(ids_.chkPopupKillerActivate, bind(&Form1::chkPopupKillerActivate_Click));
  w.OnClick(ids_.Label1, bind(&Form1::Label1_Click));
  w.OnClick(ids_.Label2, bind(&Form1::Label2_Click));
  w.OnClick(ids_.Label3, bind(&Form1::Label3_Click));
  w.OnClick(ids_.Label4, bind(&Form1::Label4_Click));
  w.OnMenu("ex", bind(&Form1::ex_Click));
  w.OnMenu("smn", bind(&Form1::smn_Click));
  w.OnMenu("stp", bind(&Form1::stp_Click));
  w.OnMenu("shut", bind(&Form1::shut_Click));
  w.OnMenu("vwb", bind(&Form1::vwb_Click));
  w.OnMenu("quelmp", bind(&Form1::quelmp_Click));
  w.OnMenu("undo", bind(&Form1::undo_Click));
  w.OnMenu("changes", bind(&Form1::changes_Click));
  w.OnMenu("settings", bind(&Form1::settings_Click));
  w.OnQueryUnload(bind(&Form1::Form_QueryUnload));
}

void Form1::ShowStartPanels() {
  window_->SetVisible(ids_.Frame2, true);
  window_->SetVisible(ids_.Frame3, false);
  window_->SetEnabled(ids_.XPButton4, false);
}

void Form1::Form_Load() {
  ShowStartPanels();
  // Without the tracker the rest of the program still works: its failure is shown, and on. It
  // is shown once the window is (Load): a box with no window behind it would be all a user saw
  // of the start, and under Wine its closing, with no other window to take the focus, costs a
  // wait of about two seconds before the window appears.
  try {
    popup_killer_.CreateTracker(IEWin);
  } catch (...) {
    start_failure_ = std::current_exception();
  }
}

void Form1::Form_QueryUnload() {
  // Never cancels: a boost lasts only while the program runs.
  Prepare(journal::RestorePlan());
  booster_.ExitRestore();
}

void Form1::Prepare(const std::vector<journal::PlannedChange>& plan) {
  if (platform_.journal != nullptr) {
    platform_.journal->recorder().Prepare(plan);
  }
}

void Form1::UpdateUndoEntry() {
  const bool enabled = platform_.journal != nullptr && platform_.journal->CanUndo();
  if (window_ == nullptr || !window_->IsOpen() || enabled == undo_enabled_) {
    return;
  }
  undo_enabled_ = enabled;
  window_->SetMenuEntryEnabled("undo", enabled);
}

void Form1::changes_Click() {
  if (platform_.journal == nullptr) {
    return;
  }
  if (changes_ == nullptr) {
    changes_ =
        std::make_unique<journal::ChangesWindow>(platform_.ui, platform_.journal->recorder());
  }
  changes_->Show();
}

void Form1::settings_Click() {
  if (settings_ == nullptr) {
    settings_ = std::make_unique<journal::CurrentSettingsWindow>(platform_.ui, platform_.registry);
  }
  settings_->Show();
}

void Form1::undo_Click() {
  if (platform_.journal != nullptr) {
    platform_.journal->UndoLastChange();
  }
}

void Form1::XPButton1_Click() {
  if (!window_->IsVisible(ids_.Frame2)) {
    window_->SetVisible(ids_.Frame3, false);
    window_->SetVisible(ids_.Frame2, true);
    return;
  }
  std::array<int, 8> states{};
  for (std::size_t i = 0; i < states.size(); ++i) {
    states[i] = window_->Value(ids_.Check[i]);
  }
  Prepare(journal::ApplyPlan(states));
  tweaks::ApplyTweaks(platform_.script_host, states);
}

void Form1::XPButton2_Click() {
  Prepare(journal::BoostPlan());
  booster_.Boost(*window_, ids_.XPButton2, ids_.XPButton4);
}

void Form1::XPButton4_Click() {
  booster_.Restore(*window_, ids_.XPButton2, ids_.XPButton4,
                   [this] { Prepare(journal::RestorePlan()); });
}

void Form1::XPButton3_Click() {
  window_->SetVisible(ids_.Frame2, false);
  window_->SetVisible(ids_.Frame3, true);
}

void Form1::Command1_Click() {
  window_->SetVisible(ids_.Frame3, false);
  window_->SetVisible(ids_.Frame2, true);
}

void Form1::Check1_Click() {
  Prepare(journal::Check1Plan(window_->Value(ids_.Check[0])));
  tweaks::WriteCheck1(platform_.script_host, window_->Value(ids_.Check[0]));
}

void Form1::chkPopupKillerActivate_Click() {
  popup_killer_.chkPopupKillerActivate_Click(*window_, ids_.chkPopupKillerActivate);
}

void Form1::StartMinimized(std::string_view command) {
  platform_.launcher.StartProgram(command, platform::kSwShowMinimized);
}

void Form1::Label1_Click() {
  StartTool(platform_, kCleanManager);
}

void Form1::Label2_Click() {
  StartTool(platform_, kDefragmenter);
}

void Form1::Label3_Click() {
  StartTool(platform_, kFileCheck);
}

void Form1::Label4_Click() {
  StartTool(platform_, kWindowsUpdate);
}

void Form1::shut_Click() {
  StartMinimized(kShutdownCommand);
}

void Form1::ex_Click() {
  window_->Close();
  // Every other window goes too, and nothing more is handled once the loop ends.
  startup_.reset();
  changes_.reset();
  settings_.reset();
  startup_programs_.reset();
  platform_.ui.Quit();
}

void Form1::smn_Click() {
  if (startup_ == nullptr) {
    startup_ = std::make_unique<startup::frmMain>(platform_);
  }
  startup_->Show();
}

void Form1::stp_Click() {
  if (startup_programs_ == nullptr) {
    startup_programs_ = std::make_unique<startup::StartupPrograms>(platform_);
  }
  startup_programs_->Show();
}

void Form1::OpenPage(std::string_view address) {
  platform_.launcher.ShellOpen(platform_.launcher.ActiveWindow(), "Open", address, "",
                               platform::kSwShowNormal);
}

void Form1::vwb_Click() {
  OpenPage(kHomePage);
}

void Form1::quelmp_Click() {
  OpenPage(kProductsPage);
}

}  // namespace velqor::app
