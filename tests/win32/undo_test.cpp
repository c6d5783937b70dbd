// Undo last change on the real registry and the real journal file in the user's application data
// folder: the program killed right after Boost, so that no restore ran, is started again and its
// Tools menu puts back every value as it was seeded; and in one run, the apply's and Boost's
// prior values come back through the menu.
#include <windows.h>
#undef MessageBox

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "platform/win32/window.h"
#include "win32/booster_values.h"
#include "win32/box_answerer.h"
#include "win32/program.h"
#include "win32/win32_platform.h"

namespace velqor {
namespace {

using test::Query;
using test::Read;
using test::Sz;
using test::Thirteen;

// "&Undo last change" as the window numbers its menu entries: Exit, Startup manager, Shutdown
// now !, then it (separators take no number). Another process cannot read a window's menu.
constexpr WPARAM kUndoEntry = platform::win32::Win32Backend::kFirstMenuId + 3;
constexpr const char* kDesktop = "Control Panel\\Desktop";

void Seed(HKEY root, const char* key, const char* name, const std::optional<Read>& value) {
  HKEY hkey = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hkey, nullptr),
            ERROR_SUCCESS);
  if (value) {
    EXPECT_EQ(RegSetValueExA(hkey, name, 0, value->type, value->bytes.data(),
                             static_cast<DWORD>(value->bytes.size())),
              ERROR_SUCCESS);
  } else {
    RegDeleteValueA(hkey, name);
  }
  RegCloseKey(hkey);
}

// The thirteen values as the registry holds them now.
std::vector<std::optional<Read>> Values() {
  std::vector<std::optional<Read>> values;
  for (const test::BoosterValue& v : Thirteen()) {
    values.push_back(Query(v.root, v.key, v.name));
  }
  return values;
}

// Waits up to five seconds for `done`, answering the program's message boxes meanwhile.
template <typename Done>
bool WaitFor(DWORD process, Done&& done, std::vector<std::string>& boxes) {
  for (int tenth = 0; tenth < 50; ++tenth) {
    for (const test::AnsweredBox& box : test::AnswerMessageBoxes(process)) {
      boxes.push_back(platform::win32::Narrow(box.text));
    }
    if (done()) {
      return true;
    }
    Sleep(100);
  }
  return false;
}

TEST(Win32UndoTest, AfterAKilledBoostTheNextRunPutsBackAllThirteenValuesByteForByte) {
  // Some values there before, with other data and types than Boost writes; the rest absent.
  for (const test::BoosterValue& v : Thirteen()) {
    Seed(v.root, v.key, v.name, std::nullopt);
  }
  Seed(HKEY_LOCAL_MACHINE, test::kMstcp, "DefaultTTL", Sz("64"));
  Seed(HKEY_CURRENT_USER, test::kSettings, "MaxConnectionsPerServer", test::Dword(10));
  Seed(HKEY_LOCAL_MACHINE, test::kIcs, "internetMTU", Read{REG_EXPAND_SZ, {'9', '0', '0', 0}});
  Seed(HKEY_CURRENT_USER, test::kSettings, "syncmode5", Read{REG_BINARY, {}});
  const std::vector<std::optional<Read>> seeded = Values();

  std::vector<std::string> boxes;
  {
    const std::unique_ptr<test::Program> program = test::StartProgram();
    ASSERT_TRUE(program != nullptr && program->form != nullptr);
    PostMessageW(test::ChildrenByCaption(program->form)["&Internet Speed"], BM_CLICK, 0, 0);
    const auto boosted = [] {
      return Query(HKEY_LOCAL_MACHINE, test::kIcs, "internetMTU") == Sz("1500");
    };
    EXPECT_TRUE(WaitFor(program->id, boosted, boxes)) << "Boost did not reach its last value";
    Sleep(200);
    // Killed: no restore runs.
    TerminateProcess(program->process.get(), 1);
    WaitForSingleObject(program->process.get(), 5000);
  }
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, test::kMstcp, "DefaultTTL"), Sz("128"));

  const std::unique_ptr<test::Program> program = test::StartProgram();
  ASSERT_TRUE(program != nullptr && program->form != nullptr);
  PostMessageW(program->form, WM_COMMAND, kUndoEntry, 0);
  EXPECT_TRUE(WaitFor(
      program->id, [&] { return Values() == seeded; }, boxes));
  const std::vector<std::optional<Read>> undone = Values();
  for (std::size_t i = 0; i < seeded.size(); ++i) {
    SCOPED_TRACE(Thirteen()[i].name);
    EXPECT_EQ(undone[i], seeded[i]);
  }
  for (const std::string& box : boxes) {
    EXPECT_EQ(box.find("changed since"), std::string::npos) << box;
    EXPECT_EQ(box.find("could not be put back"), std::string::npos) << box;
  }
  TerminateProcess(program->process.get(), 1);
  WaitForSingleObject(program->process.get(), 5000);
}

TEST(Win32UndoTest, UndoLastChangeBringsBackTheApplysAndTheBoostsPriorValues) {
  Seed(HKEY_CURRENT_USER, kDesktop, "MenuShowDelay", Sz("100"));
  Seed(HKEY_LOCAL_MACHINE, test::kMstcp, "DefaultTTL", Sz("64"));
  test::BoxAnswerer answerer(IDYES);  // Restore's question
  Win32Platform platform;
  app::Form1 form(platform.platform);
  form.Load();
  const auto hwnd = reinterpret_cast<HWND>(form.window().Handle());
  const auto& window = static_cast<platform::win32::Win32Window&>(form.window());
  const auto click = [&](platform::ControlId id) {
    SendMessageW(window.ControlWindow(id), BM_CLICK, 0, 0);
  };
  const auto undo = [&] { SendMessageW(hwnd, WM_COMMAND, kUndoEntry, 0); };

  click(form.controls().XPButton1);  // nothing checked: the ordinary values
  EXPECT_EQ(Query(HKEY_CURRENT_USER, kDesktop, "MenuShowDelay"), Sz("400"));
  undo();
  EXPECT_EQ(Query(HKEY_CURRENT_USER, kDesktop, "MenuShowDelay"), Sz("100"));

  click(form.controls().XPButton2);
  click(form.controls().XPButton4);
  EXPECT_FALSE(Query(HKEY_LOCAL_MACHINE, test::kMstcp, "DefaultTTL").has_value());
  undo();
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, test::kMstcp, "DefaultTTL"), Sz("128"));
  undo();
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, test::kMstcp, "DefaultTTL"), Sz("64"));
  for (const std::string& line : answerer.Lines()) {
    EXPECT_EQ(line.find("could not be put back"), std::string::npos) << line;
    EXPECT_EQ(line.find("not being recorded"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace velqor
