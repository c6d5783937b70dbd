// The journal as the user meets it in the main window: each click or menu entry is one recorded
// command, Tools > Undo last change walks back through them, and a journal that cannot be written
// is told once while every command still works.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "journal/commands.h"
#include "journal/plans.h"
#include "platform/sim/platform.h"

namespace velqor::app {
namespace {

using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using platform::sim::HeadlessWindow;

constexpr char kDesktop[] = "Control Panel\\Desktop";
constexpr char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
constexpr char kUserSettings[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class JournalCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.ui.SetProgramFolder("C:\\Velqor");
    sim_.ui.AddFile("C:\\Velqor\\start.ico");
    sim_.ui.AddFile("C:\\Velqor\\stop.ico");
    sim_.registry.SeedKey(kHkeyCurrentUser, kUserSettings);
    sim_.registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "100");
    sim_.registry.SeedText(kHkeyLocalMachine, kMstcp, "DefaultTTL", "64");
    form_.Load();
    w_ = sim_.ui.FindWindow("Form1");
    ASSERT_NE(w_, nullptr);
  }

  journal::Contents Journal() {
    journal::Contents contents;
    EXPECT_EQ(sim_.journal.Load(contents), platform::kSuccess);
    return contents;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const journal::Command& command : Journal().commands) {
      names.push_back(command.name + (command.undone ? " (undone)" : ""));
    }
    return names;
  }
  // Every value the apply and Boost write, as the registry holds it.
  std::vector<std::string> Values() {
    std::vector<journal::PlannedChange> plan = journal::BoostPlan();
    const std::vector<journal::PlannedChange> apply = journal::ApplyPlan({});
    plan.insert(plan.end(), apply.begin(), apply.end());
    std::vector<std::string> values;
    for (const journal::PlannedChange& value : plan) {
      const auto found = sim_.registry.Find(value.root, value.key_path, value.value_name);
      values.push_back(found ? std::to_string(found->type) + ':' +
                                   std::string(found->bytes.begin(), found->bytes.end())
                             : "(absent)");
    }
    return values;
  }
  bool UndoEnabled() const { return w_->IsMenuEntryEnabled("undo"); }
  std::optional<std::string> Text(platform::KeyHandle root, const char* key, const char* name) {
    return sim_.registry.FindText(root, key, name);
  }

  SimPlatform sim_;
  Form1 form_{sim_.platform};
  HeadlessWindow* w_ = nullptr;
};

TEST_F(JournalCommandsTest, EachHandlerIsOneCommandAndUndoLastChangeWalksBack) {
  const auto original = Values();
  EXPECT_FALSE(UndoEnabled()) << "nothing to undo at start";
  EXPECT_FALSE(w_->ChooseMenu("undo"));

  // Before-states of a table command reach the disk in one flush, then nothing more is flushed.
  std::size_t flushes = sim_.disk.flushes();
  ASSERT_TRUE(w_->ClickByName("XPButton1"));  // nothing checked: the ordinary values
  EXPECT_EQ(sim_.disk.flushes() - flushes, 1U);
  EXPECT_EQ(Text(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "400");
  EXPECT_TRUE(UndoEnabled());
  flushes = sim_.disk.flushes();
  ASSERT_TRUE(w_->ClickByName("XPButton2"));
  EXPECT_EQ(sim_.disk.flushes() - flushes, 1U);
  sim_.ui.AnswerNextMessageBox(platform::kIdNo);
  ASSERT_TRUE(w_->ClickByName("XPButton4")) << "answered No: changes nothing, no record";
  sim_.ui.AnswerNextMessageBox(platform::kIdYes);
  ASSERT_TRUE(w_->ClickByName("XPButton4"));
  const std::vector<std::string> ran = {"Apply XP Tweak", "Internet Speed", "Restore Settings"};
  EXPECT_EQ(Names(), ran);
  const journal::Contents contents = Journal();
  EXPECT_EQ(contents.commands[1].values.size(), 13U) << "every value Boost changed, once";
  EXPECT_FALSE(contents.commands[1].values[0].before.has_value()) << "syncmode5 was absent";

  // Undo last change (Ctrl+Z): Restore, then Boost, then the apply; each undo is a command.
  ASSERT_TRUE(w_->PressShortcut("Ctrl+Z"));
  EXPECT_EQ(Text(kHkeyLocalMachine, kMstcp, "DefaultTTL"), "128") << "as Boost left it";
  ASSERT_TRUE(w_->ChooseMenu("undo"));
  EXPECT_EQ(Text(kHkeyLocalMachine, kMstcp, "DefaultTTL"), "64");
  ASSERT_TRUE(w_->ChooseMenu("undo"));
  EXPECT_EQ(Text(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "100");
  EXPECT_EQ(Values(), original) << "absent values absent again";
  EXPECT_EQ(Names(), (std::vector<std::string>{"Apply XP Tweak (undone)", "Internet Speed (undone)",
                                               "Restore Settings (undone)", "Undo of 3",
                                               "Undo of 2", "Undo of 1"}));
  EXPECT_FALSE(UndoEnabled()) << "an undo is not itself taken by Undo last change";
  EXPECT_EQ(w_->records().menu_bar_count, 1) << "greyed in place, the bar made only once";

  // The close restores as ever, recorded as "Close".
  ASSERT_TRUE(w_->ClickByName("XPButton2"));
  ASSERT_TRUE(w_->RequestClose());
  EXPECT_EQ(Names().back(), "Close");
  EXPECT_TRUE(sim_.ui.message_boxes().size() == 2U) << "only the two Restore questions";
}

TEST_F(JournalCommandsTest, ValuesChangedSinceAreAskedAboutAndRefusalsNamed) {
  ASSERT_TRUE(w_->ClickByName("XPButton1"));
  sim_.registry.SeedText(kHkeyCurrentUser, kDesktop, "MenuShowDelay", "250");  // another program

  sim_.ui.AnswerNextMessageBox(platform::kIdCancel);
  ASSERT_TRUE(w_->ChooseMenu("undo"));
  const std::string& prompt = sim_.ui.last_message_box()->prompt;
  EXPECT_NE(prompt.find("HKEY_CURRENT_USER\\Control Panel\\Desktop\\MenuShowDelay"),
            std::string::npos);
  EXPECT_EQ(prompt.find("HungAppTimeout"), std::string::npos) << "only the changed value";
  EXPECT_EQ(Names().size(), 1U) << "Cancel changes nothing";
  EXPECT_TRUE(UndoEnabled());

  sim_.ui.AnswerNextMessageBox(platform::kIdNo);
  ASSERT_TRUE(w_->ChooseMenu("undo"));
  EXPECT_EQ(Text(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "250") << "No: left as it is";
  EXPECT_FALSE(Text(kHkeyCurrentUser, kDesktop, "HungAppTimeout").has_value());

  // Yes puts back all; a write the registry refuses is named, the rest still done.
  ASSERT_TRUE(w_->ClickByName("XPButton2"));
  sim_.registry.SeedText(kHkeyCurrentUser, kUserSettings, "MaxConnectionsPerServer", "x");
  sim_.registry.DenyWrites(kHkeyLocalMachine);
  sim_.ui.AnswerNextMessageBox(platform::kIdYes);
  ASSERT_TRUE(w_->ChooseMenu("undo"));
  EXPECT_FALSE(Text(kHkeyCurrentUser, kUserSettings, "MaxConnectionsPerServer").has_value());
  const std::string& refused = sim_.ui.last_message_box()->prompt;
  EXPECT_NE(refused.find("MSTCP\\DefaultTTL: access denied"), std::string::npos) << refused;
  EXPECT_NE(refused.find("The other values were put back."), std::string::npos);
}

TEST_F(JournalCommandsTest, AnUndoWithNothingToPutBackStillEndsItsCommandsTurn) {
  ASSERT_TRUE(w_->ClickByName("XPButton1"));
  ASSERT_TRUE(w_->ClickByName("XPButton2"));
  // Another program puts back every value Boost changed.
  const journal::Contents boosted = Journal();
  for (const journal::ValueChange& value : boosted.commands.back().values) {
    ASSERT_EQ(journal::WriteState(sim_.registry, value.root, value.key_path, value.value_name,
                                  value.before),
              platform::kSuccess);
  }
  sim_.ui.AnswerNextMessageBox(platform::kIdYes);  // they changed since Boost: put back all
  ASSERT_TRUE(w_->ChooseMenu("undo"));
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"Apply XP Tweak", "Internet Speed (undone)", "Undo of 2"}));
  EXPECT_TRUE(Journal().commands.back().values.empty());
  ASSERT_TRUE(w_->ChooseMenu("undo"));
  EXPECT_EQ(Text(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "100") << "the apply's turn";
  EXPECT_FALSE(UndoEnabled());

  // A command another copy of the program records shows in the menu after the next command here.
  platform::sim::SimJournalFile file(sim_.disk);
  journal::JournalWriter writer(file);
  journal::Recorder elsewhere(sim_.registry, writer);
  {
    const journal::CommandScope scope(elsewhere, "Apply XP Tweak");
    ASSERT_EQ(journal::WriteState(elsewhere, kHkeyCurrentUser, kDesktop, "MenuShowDelay",
                                  journal::RegValue{platform::kRegSz, std::string("7\0", 2)}),
              platform::kSuccess);
  }
  ASSERT_TRUE(w_->ClickByName("XPButton3"));
  EXPECT_TRUE(UndoEnabled());
}

TEST_F(JournalCommandsTest, AChangeWhoseStateBeforeCannotBeReadIsMadeAndToldOnce) {
  sim_.registry.DenyKey(kHkeyCurrentUser, kDesktop, platform::kKeyQueryValue);
  ASSERT_TRUE(w_->ClickByName("XPButton1"));
  ASSERT_TRUE(w_->ClickByName("XPButton1"));
  EXPECT_EQ(Text(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "400") << "made all the same";
  ASSERT_EQ(sim_.ui.message_boxes().size(), 1U);
  const std::string& told = sim_.ui.message_boxes()[0].prompt;
  EXPECT_EQ(told, journal::NotRecordingText(sim_.recorder));
  EXPECT_NE(told.find("not recorded"), std::string::npos) << told;
  EXPECT_NE(told.find("HKEY_CURRENT_USER\\Control Panel\\Desktop\\"), std::string::npos) << told;
  EXPECT_NE(told.find("access denied"), std::string::npos) << told;
  EXPECT_TRUE(sim_.recorder.recording()) << "the values it can read are still recorded";
  EXPECT_FALSE(Journal().commands.at(0).values.empty());
}

TEST_F(JournalCommandsTest, AJournalThatCannotBeWrittenIsToldOnceAndCommandsStillWork) {
  sim_.disk.RefuseFolder();
  ASSERT_TRUE(w_->ClickByName("XPButton2"));
  ASSERT_TRUE(w_->ClickByName("XPButton1"));
  EXPECT_EQ(Text(kHkeyLocalMachine, kMstcp, "DefaultTTL"), "128");
  EXPECT_EQ(Text(kHkeyCurrentUser, kDesktop, "MenuShowDelay"), "400");
  ASSERT_EQ(sim_.ui.message_boxes().size(), 1U);
  EXPECT_EQ(sim_.ui.message_boxes()[0].prompt, journal::NotRecordingText(sim_.recorder));
  EXPECT_FALSE(UndoEnabled());
}

}  // namespace
}  // namespace velqor::app
