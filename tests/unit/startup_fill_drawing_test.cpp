// The startup manager fills its lists without drawing them row by row, and always leaves them
// and the entry fields drawn again, whatever the key held.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/registry.h"
#include "platform/sim/ui.h"
#include "startup/frm_main.h"
#include "platform/sim/platform.h"

namespace velqor::startup {
namespace {

using platform::sim::HeadlessWindow;

class StartupFillDrawing : public ::testing::Test {
 protected:
  HeadlessWindow& W() {
    auto* w = dynamic_cast<HeadlessWindow*>(form.window());
    if (w == nullptr) {
      throw std::logic_error("the startup manager is not loaded");
    }
    return *w;
  }

  SimPlatform sim;
  frmMain form{sim.platform};
};

TEST_F(StartupFillDrawing, RowsAreAddedUndrawnAndBothListsAreDrawnAgainAfterEveryFill) {
  for (const char* name : {"Alpha", "Beta", "Gamma"}) {
    sim.registry.SeedText(platform::kHkeyLocalMachine, kRunSubKey, name,
                          std::string("C:\\") + name + ".exe");
  }
  form.Show();
  const frmMain::Controls& ids = form.controls();
  for (const platform::ControlId list : {ids.lstName, ids.lstCmdLine}) {
    SCOPED_TRACE(list);
    EXPECT_FALSE(W().records().not_redrawing.contains(list));
    EXPECT_EQ(W().records().rows_added_undrawn.at(list), 3);
    EXPECT_EQ(W().ItemCount(list), 3);
    EXPECT_EQ(W().Selection(list), 0);
  }
  for (const platform::ControlId field : {ids.txtName, ids.txtCmdLine, ids.Command1}) {
    EXPECT_FALSE(W().records().not_redrawing.contains(field));
  }
  // The selection made while the lists were not drawn still mirrored into the fields.
  EXPECT_EQ(W().Text(ids.txtName), "Alpha");
  EXPECT_EQ(W().Text(ids.txtCmdLine), "C:\\Alpha.exe");
  EXPECT_EQ(W().Text(ids.Command1), "Delete Alpha from startup");

  // The per-user key does not exist: nothing is added, and the lists are drawn again all the
  // same; so they are when the open fails outright.
  ASSERT_TRUE(W().ClickByName("optRun2"));
  EXPECT_EQ(W().ItemCount(ids.lstName), 0);
  sim.registry.FailNext(platform::sim::SimRegistry::Operation::kOpenKey, platform::kAccessDenied);
  ASSERT_TRUE(W().ClickByName("optRun"));
  EXPECT_EQ(W().ItemCount(ids.lstName), 0);
  for (const platform::ControlId list : {ids.lstName, ids.lstCmdLine}) {
    SCOPED_TRACE(list);
    EXPECT_FALSE(W().records().not_redrawing.contains(list));
    EXPECT_EQ(W().records().rows_added_undrawn.at(list), 3);
  }
}

}  // namespace
}  // namespace velqor::startup
