// The real COM sinks, advise tokens and VARIANT decoding against in-process test doubles of the
// shell window list, a browser and an HTML document; and what the system's own shell window
// list does.
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/browser.h"
#include "platform/win32/input.h"
#include "popup/ie_windows.h"
#include "win32/com_doubles.h"

#undef MessageBox  // the Ui member, not the user32 macro

namespace velqor {
namespace {

using testing_doubles::BrowserDouble;
using testing_doubles::ComPtr;
using testing_doubles::DocumentDouble;
using testing_doubles::Make;
using testing_doubles::ShellWindowsDouble;

// Enough of a user interface for the tracker: pending messages run, message boxes are recorded.
class RecordingUi final : public platform::Ui {
 public:
  std::unique_ptr<platform::Window> CreateForm(const platform::WindowSpec&) override {
    return nullptr;
  }
  int MessageBox(std::string_view prompt, std::string_view, unsigned) override {
    prompts.emplace_back(prompt);
    return platform::kIdOk;
  }
  std::string ProgramFolder() const override { return {}; }
  void DoEvents() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
    }
  }
  void Quit() override {}
  std::vector<std::string> prompts;
};

// The shell behind the tracker: every list it makes is the one double.
class DoubleShell final : public platform::BrowserShell {
 public:
  explicit DoubleShell(ComPtr<ShellWindowsDouble> list) : list_(std::move(list)) {}
  std::unique_ptr<platform::ShellWindowList> CreateShellWindows() override {
    return platform::win32::WrapShellWindows(list_.Get());
  }

 private:
  ComPtr<ShellWindowsDouble> list_;
};

class ComSinksAgainstTestDouble : public ::testing::Test {
 protected:
  ComPtr<BrowserDouble> AddBrowser(LONG hwnd, bool forward_history, bool html = true) {
    ComPtr<DocumentDouble> document = html ? Make<DocumentDouble>() : nullptr;
    auto browser = Make<BrowserDouble>(hwnd, forward_history, document);
    list_->windows.push_back(browser);
    documents_.push_back(document);
    return browser;
  }
  void StartTracker() { popup::cIEWindows::Create(context_, IEWin_); }

  ComPtr<ShellWindowsDouble> list_ = Make<ShellWindowsDouble>(true);
  std::vector<ComPtr<DocumentDouble>> documents_;
  DoubleShell shell_{list_};
  platform::win32::Win32Input input_;
  RecordingUi ui_;
  std::shared_ptr<popup::PopupContext> context_ =
      std::make_shared<popup::PopupContext>(shell_, input_, ui_);
  std::shared_ptr<popup::cIEWindows> IEWin_;
};

TEST_F(ComSinksAgainstTestDouble, NewWindow2IsCancelledThroughTheByRefCancelWhileKillerIsOn) {
  if (input_.GetAsyncKeyState(platform::kVkControl) != 0) {
    GTEST_SKIP() << "the Control key is held on this display";
  }
  const auto browser = AddBrowser(918, false);
  StartTracker();

  EXPECT_FALSE(browser->FireNewWindow2()) << "killer off: the window opens";
  context_->state.bKillerActive = true;
  EXPECT_TRUE(browser->FireNewWindow2()) << "killer on, Control up: VARIANT_TRUE written back";
  EXPECT_TRUE(browser->FireNewWindow2());
  context_->state.bKillerActive = false;
  EXPECT_FALSE(browser->FireNewWindow2());
}

TEST_F(ComSinksAgainstTestDouble, ForwardProbeIsCancelledInsideGoForwardThenStopped) {
  const auto with_history = AddBrowser(100, true);
  const auto without_history = AddBrowser(200, false);
  StartTracker();

  EXPECT_EQ(with_history->navigations_cancelled, 1);
  EXPECT_EQ(with_history->navigations_started, 0);
  ASSERT_EQ(with_history->exec_wb_calls.size(), 1u);
  EXPECT_EQ(with_history->exec_wb_calls[0].first, OLECMDID_STOPDOWNLOAD);
  EXPECT_EQ(with_history->exec_wb_calls[0].second, OLECMDEXECOPT_DONTPROMPTUSER);
  EXPECT_TRUE(without_history->exec_wb_calls.empty());
  EXPECT_FALSE(context_->state.bCancelPending);

  std::vector<std::string> urls;
  IEWin_->IENavigationBegin.Connect([&](std::int32_t handle, platform::BrowserRef frame,
                                        platform::Variant url, platform::Variant flags,
                                        platform::Variant, platform::Variant, platform::Variant,
                                        bool& cancel) {
    EXPECT_EQ(handle, 200);
    EXPECT_NE(frame, nullptr);
    EXPECT_EQ(std::get<std::int32_t>(flags), 0);
    EXPECT_FALSE(cancel);
    urls.push_back(std::get<std::string>(url));
  });
  EXPECT_FALSE(without_history->FireBeforeNavigate2(L"http://page.example/"));
  EXPECT_EQ(urls, std::vector<std::string>{"http://page.example/"});
}

TEST_F(ComSinksAgainstTestDouble, ContextMenuAnswerGoesBackThroughPVarResult) {
  AddBrowser(918, false);
  StartTracker();
  std::vector<std::int32_t> menus;
  IEWin_->IEOnContextMenu.Connect([&](std::int32_t handle) { menus.push_back(handle); });

  context_->state.bCancelPending = true;
  VARIANT suppressed = documents_[0]->FireContextMenu();
  EXPECT_EQ(V_VT(&suppressed), VT_BOOL);
  EXPECT_EQ(V_BOOL(&suppressed), VARIANT_FALSE);
  VARIANT shown = documents_[0]->FireContextMenu();
  EXPECT_EQ(V_VT(&shown), VT_BOOL);
  EXPECT_EQ(V_BOOL(&shown), VARIANT_TRUE);
  EXPECT_EQ(menus, (std::vector<std::int32_t>{918, 918}));
}

TEST_F(ComSinksAgainstTestDouble, CommandStateAndTopLevelDocumentCompleteAreDecoded) {
  const auto browser = AddBrowser(918, false);
  const auto frame = Make<BrowserDouble>(918, false, nullptr);
  StartTracker();
  std::vector<std::string> completed;
  IEWin_->IEDocumentComplete.Connect(
      [&](std::int32_t, platform::BrowserRef, platform::Variant url) {
        completed.push_back(std::get<std::string>(url));
      });

  browser->FireCommandStateChange(CSC_NAVIGATEFORWARD, true);
  browser->FireCommandStateChange(CSC_NAVIGATEBACK, true);
  const auto sink = IEWin_->IE(platform::Variant(std::int32_t{1}));
  EXPECT_TRUE(sink->EnableForward());
  EXPECT_TRUE(sink->EnableBack());

  browser->FireDocumentComplete(static_cast<IWebBrowser2*>(frame.Get()), L"http://frame/");
  browser->FireDocumentComplete(static_cast<IWebBrowser2*>(browser.Get()), L"http://page/");
  EXPECT_EQ(completed, std::vector<std::string>{"http://page/"});
}

TEST_F(ComSinksAgainstTestDouble, RebuildAndReleaseUnadviseEverySinkAndLeakNoReference) {
  const auto a = AddBrowser(1, false);
  const auto folder = AddBrowser(2, false, /*html=*/false);
  const ULONG a_refs = a->references();
  const ULONG list_refs = list_->references();
  StartTracker();
  EXPECT_EQ(a->point().live(), 1u);
  EXPECT_EQ(folder->point().live(), 1u);
  EXPECT_EQ(documents_[0]->point().live(), 1u);
  EXPECT_EQ(list_->point().live(), 1u);

  const auto b = AddBrowser(3, false);
  list_->FireWindowRegistered(7);
  EXPECT_EQ(IEWin_->Count(), 3);
  EXPECT_EQ(a->point().live(), 1u) << "the previous sink unadvised, the fresh one advised";
  EXPECT_EQ(a->point().advises, 2);
  EXPECT_EQ(list_->point().live(), 1u);

  IEWin_.reset();
  for (BrowserDouble* browser : {a.Get(), folder.Get(), b.Get()}) {
    SCOPED_TRACE(browser->references());
    EXPECT_EQ(browser->point().live(), 0u);
    EXPECT_EQ(browser->point().advises, browser->point().unadvises);
    EXPECT_EQ(browser->point().sink_references_after_unadvise, 1u)
        << "only the token's own reference was left, released right after";
  }
  EXPECT_EQ(documents_[0]->point().live(), 0u);
  EXPECT_EQ(list_->point().live(), 0u);
  EXPECT_EQ(a->references(), a_refs) << "no browser reference leaked";
  EXPECT_EQ(list_->references(), list_refs) << "no list reference leaked";
}

TEST_F(ComSinksAgainstTestDouble, ListWithoutConnectionPointsFailsTheRebuildButKeepsTheWindows) {
  list_ = Make<ShellWindowsDouble>(false);
  shell_ = DoubleShell(list_);
  const auto browser = AddBrowser(918, false);
  try {
    StartTracker();
    ADD_FAILURE() << "subscribing should have failed";
  } catch (const platform::Failure& failure) {
    EXPECT_NE(std::string(failure.what()).find("offers no events"), std::string::npos)
        << failure.what();
  }
  ASSERT_NE(IEWin_, nullptr);
  EXPECT_FALSE(IEWin_->bBusy());
  EXPECT_EQ(IEWin_->Count(), 1);
  context_->state.bKillerActive = true;
  if (input_.GetAsyncKeyState(platform::kVkControl) == 0) {
    EXPECT_TRUE(browser->FireNewWindow2());
  }
}

// Not a double: what this system's shell window list does. Each step either works or raises a
// Failure with a readable reason; what happened is printed for the log.
TEST(SystemShellWindows, CreationEnumerationAndSubscriptionWorkOrFailCleanly) {
  platform::win32::Win32BrowserShell shell;
  struct NoEvents final : platform::ShellWindowsEvents {
    void WindowRegistered(std::int32_t) override {}
    void WindowRevoked(std::int32_t) override {}
  } events;
  const auto report = [](const char* step, const platform::Failure& failure) {
    std::cout << step << " failed: " << failure.what() << " (0x" << std::hex
              << static_cast<unsigned>(failure.status()) << std::dec << ")\n";
    EXPECT_FALSE(std::string(failure.what()).empty());
    EXPECT_EQ(std::string(failure.what()).find("0x"), std::string::npos);
  };
  std::unique_ptr<platform::ShellWindowList> list;
  try {
    list = shell.CreateShellWindows();
    std::cout << "shell window list created\n";
  } catch (const platform::Failure& failure) {
    report("creation", failure);
    return;
  }
  try {
    int items = 0;
    list->ForEachItem([&](const platform::BrowserRef&) { ++items; });
    std::cout << "enumerated " << items << " window(s)\n";
  } catch (const platform::Failure& failure) {
    report("enumeration", failure);
  }
  try {
    const auto connection = list->Subscribe(events);
    std::cout << "window events subscribed\n";
  } catch (const platform::Failure& failure) {
    report("subscription", failure);
  }
}

}  // namespace
}  // namespace velqor
