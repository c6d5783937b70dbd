// The real COM sinks, advise tokens and VARIANT decoding against in-process test doubles of the
// shell window list, a browser and an HTML document; and what the system's own shell window
// list does.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/browser.h"
#include "platform/win32/com_sink.h"
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
  std::optional<std::string> SaveAs(const platform::SaveAsRequest&) override { return {}; }
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

TEST_F(ComSinksAgainstTestDouble, TheShellSubscriptionEndsBeforeAnySinkIsReleased) {
  const auto browser = AddBrowser(918, false);
  StartTracker();
  std::size_t shell_subscriptions_at_release = 99;
  browser->point().on_unadvise = [&] {
    shell_subscriptions_at_release = list_->point().live();
    list_->FireWindowRevoked(1);  // the shell reporting a window while the tracker goes
  };
  IEWin_.reset();
  EXPECT_EQ(shell_subscriptions_at_release, 0u);
  EXPECT_EQ(browser->point().live(), 0u);
}

TEST(AdviseToken, MovesItsSubscriptionAndEndsTheOneItIsAssignedOver) {
  struct NoEvents final : platform::DocumentEvents {
    bool oncontextmenu() override { return true; }
    void onmousedown() override {}
    void onmouseup() override {}
  } events;
  const auto first = Make<DocumentDouble>();
  const auto second = Make<DocumentDouble>();
  const auto advise = [&](const ComPtr<DocumentDouble>& document) {
    ComPtr<IConnectionPoint> point(&document->point());
    const auto sink = platform::win32::MakeSink(events);
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(static_cast<IDispatch*>(sink.Get()), &cookie), S_OK);
    return platform::win32::AdviseToken(point, cookie, sink);
  };

  platform::win32::AdviseToken token = advise(first);
  platform::win32::AdviseToken moved(std::move(token));
  EXPECT_FALSE(token.holds_subscription());  // NOLINT(bugprone-use-after-move): what is left
  EXPECT_EQ(first->point().live(), 1u) << "a move ends nothing";
  moved = advise(second);
  EXPECT_EQ(first->point().live(), 0u) << "the subscription assigned over has ended";
  EXPECT_EQ(second->point().live(), 1u);
  { const platform::win32::AdviseToken last(std::move(moved)); }
  EXPECT_EQ(second->point().live(), 0u);
  EXPECT_EQ(first->point().unadvises + second->point().unadvises, 2) << "each ended once";
}

// Arguments in the forms callers use for numbers, flags, texts and post data; null pointers and
// chains too deep to follow read as missing.
TEST(FromVariant, EveryIntegerTypeNestingAndNullPointerDecodes) {
  SHORT command = 1;
  LONG* no_long = nullptr;
  IDispatch* no_object = nullptr;
  VARIANT_BOOL yes = VARIANT_TRUE;
  SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 3);
  std::memcpy(bytes->pvData, "abc", 3);
  VARIANT post, once, twice, cycle, deep[platform::win32::kMaxVariantNesting + 2];
  V_VT(&post) = VT_ARRAY | VT_UI1;
  V_ARRAY(&post) = bytes;
  V_VT(&once) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&once) = &post;
  V_VT(&twice) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&twice) = &once;
  V_VT(&cycle) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&cycle) = &cycle;
  V_VT(&deep[0]) = VT_I4;
  V_I4(&deep[0]) = 7;
  for (std::size_t i = 1; i < std::size(deep); ++i) {
    V_VT(&deep[i]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&deep[i]) = &deep[i - 1];
  }
  const auto make = [](VARTYPE type, auto set) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    set(v);
    return v;
  };
  const struct {
    const char* what;
    VARIANT value;
    platform::Variant expected;
  } rows[] = {
      {"I2", make(VT_I2, [](VARIANT& v) { V_I2(&v) = 1; }), std::int16_t{1}},
      {"BYREF I2", make(VT_BYREF | VT_I2, [&](VARIANT& v) { V_I2REF(&v) = &command; }),
       std::int16_t{1}},
      {"I1", make(VT_I1, [](VARIANT& v) { V_I1(&v) = -2; }), std::int16_t{-2}},
      {"UI1", make(VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }), std::int16_t{200}},
      {"UI2", make(VT_UI2, [](VARIANT& v) { V_UI2(&v) = 65535; }), std::int32_t{65535}},
      {"UINT", make(VT_UINT, [](VARIANT& v) { V_UINT(&v) = 2; }), std::int32_t{2}},
      {"I8", make(VT_I8, [](VARIANT& v) { V_I8(&v) = -5; }), std::int32_t{-5}},
      {"UI8 too large", make(VT_UI8, [](VARIANT& v) { V_UI8(&v) = 1ULL << 40; }),
       static_cast<float>(1ULL << 40)},
      {"UI4 too large", make(VT_UI4, [](VARIANT& v) { V_UI4(&v) = 4000000000U; }), 4000000000.0F},
      {"BYREF BOOL", make(VT_BYREF | VT_BOOL, [&](VARIANT& v) { V_BOOLREF(&v) = &yes; }), true},
      {"null BYREF I4", make(VT_BYREF | VT_I4, [&](VARIANT& v) { V_I4REF(&v) = no_long; }), {}},
      {"null BYREF DISPATCH",
       make(VT_BYREF | VT_DISPATCH, [](VARIANT& v) { V_DISPATCHREF(&v) = nullptr; }),
       {}},
      {"BYREF null DISPATCH",
       make(VT_BYREF | VT_DISPATCH, [&](VARIANT& v) { V_DISPATCHREF(&v) = &no_object; }),
       platform::BrowserRef()},
      {"null BYREF VARIANT",
       make(VT_BYREF | VT_VARIANT, [](VARIANT& v) { V_VARIANTREF(&v) = nullptr; }),
       {}},
      {"post data two levels deep", twice, std::string("abc")},
      {"as deep as followed", deep[platform::win32::kMaxVariantNesting], std::int32_t{7}},
      {"deeper", deep[platform::win32::kMaxVariantNesting + 1], {}},
      {"a cycle", cycle, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(platform::win32::FromVariant(row.value), row.expected);
  }
  SafeArrayDestroy(bytes);
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
