#include "form1.h"
#include "frm_ctl.h"
#include "program_fixture.h"

namespace sorane {
namespace {

class DoubleClickTest : public test::ProgramTest {
 protected:
  DoubleClickTest() {
    for (int k = 1; k <= 32; ++k) cell(k)->setValue(100 + 10 * k);
  }
  M_Degit* cell(int k) { return program.form1().Degit[k]; }
};

TEST_F(DoubleClickTest, ConfirmedShiftMovesEveryCellsFareOneCellLeft) {
  companion().dlg100Result = 1;
  companion().dlg100Shift = 1;
  bool panelDisabledMeanwhile = false;
  companion().duringDlg100 = [&] { panelDisabledMeanwhile = !program.ctl().isEnabled(); };
  program.form1().Degit_DblClick(5);
  EXPECT_TRUE(panelDisabledMeanwhile);
  EXPECT_TRUE(program.ctl().isEnabled());
  ASSERT_EQ(companion().dlg100Calls.size(), 1u);
  EXPECT_EQ(companion().dlg100Calls[0].owner, cell(5));
  for (int k = 1; k <= 32; ++k) {
    EXPECT_EQ(cell(k)->Shift(), 1);
    EXPECT_EQ(cell(k)->Value(), QVariant(100 + 10 * k));
    EXPECT_EQ(cell(k)->shownText(), QString::number(100 + 10 * k).right(3) + " ") << k;
  }
}

TEST_F(DoubleClickTest, CancelChangesOnlyTheClickedCell) {
  companion().dlg100Result = 0;
  companion().dlg100WritesOnCancel = true;  // the dialog still hands back its values
  companion().dlg100Shift = 1;
  program.form1().Degit_DblClick(5);
  EXPECT_EQ(cell(5)->Shift(), 1);
  EXPECT_EQ(cell(5)->shownText(), QStringLiteral("150 "));
  for (int k = 1; k <= 32; ++k) {
    if (k == 5) continue;
    EXPECT_EQ(cell(k)->Shift(), 0);
    EXPECT_EQ(cell(k)->shownText(), QString::number(100 + 10 * k).right(4)) << k;
  }
  EXPECT_TRUE(program.ctl().isEnabled());
}

// Double-clicking a real cell goes through the element's DblClick event.
TEST_F(DoubleClickTest, DoubleClickOnACellOpensItsDialog) {
  companion().dlg100Result = 1;
  companion().dlg100ZeroMode = 1;
  companion().dlg100FillZero = 4;
  cell(3)->setValue(0);
  emit cell(3)->DblClick();
  ASSERT_EQ(companion().dlg100Calls.size(), 1u);
  EXPECT_EQ(companion().dlg100Calls[0].owner, cell(3));
  EXPECT_EQ(cell(3)->shownText(), QStringLiteral("0000"));
  EXPECT_EQ(cell(32)->shownText(), QStringLiteral("0420"));
}

TEST_F(DoubleClickTest, CellsNotOpenToTheUserIgnoreIt) {
  cell(7)->setUserSet(false);
  program.form1().Degit_DblClick(7);
  EXPECT_TRUE(companion().dlg100Calls.empty());
}

}  // namespace
}  // namespace sorane
