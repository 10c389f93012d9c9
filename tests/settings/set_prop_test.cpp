#include "chimei_ctl_b.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"

namespace sorane {
namespace {

using SetPropTest = test::ProgramTest;

TEST_F(SetPropTest, UntickedAutoNumbersHideTheLabelsButStillUpdateThem) {
  frmOption& o = program.option();
  o.Check1->setValue(0);
  o.Combo2->setListIndex(1);
  o.Command5[0]->setBackColor(0x123456);
  o.SetProp();
  Form1& f = program.form1();
  for (int i = 1; i <= 32; ++i) {
    EXPECT_FALSE(f.lblSeiriNum[i]->isVisible());
    EXPECT_EQ(f.lblSeiriNum[i]->textColor(), 0x123456u);
  }
  EXPECT_EQ(f.lblSeiriNum[1]->text(), QStringLiteral("０"));
  o.Check1->setValue(1);
  o.SetProp();
  EXPECT_TRUE(f.lblSeiriNum[17]->isVisible());
}

TEST_F(SetPropTest, StyleSevenWithZeroPad) {
  frmOption& o = program.option();
  o.Combo2->setListIndex(7);
  o.Check2->setValue(1);
  o.SetProp();
  Form1& f = program.form1();
  EXPECT_EQ(f.lblSeiriNum[1]->text(), QStringLiteral("券なし"));
  EXPECT_EQ(f.lblSeiriNum[2]->text(), QStringLiteral("０２"));
  EXPECT_EQ(f.lblSeiriNum[32]->text(), QStringLiteral("３２"));
}

TEST_F(SetPropTest, BacklightOn1TakesItsColourAndIsReapplied) {
  frmOption& o = program.option();
  o.Command5[1]->setBackColor(0x0000FF);
  frmCtl& c = program.ctl();
  c.Option4[1]->setValue(true);
  program.form1().setPicture(QImage());
  o.SetProp();
  EXPECT_EQ(program.form1().lblSeiriNum[3]->textColor(), 0x0000FFu);
  EXPECT_EQ(program.form1().picture(), program.form1().imgRes[1]);
}

TEST_F(SetPropTest, DefaultDigitColoursGiveTheElementDefaultsAndBlankCellsStayBlank) {
  program.option().SetProp();
  Form1& f = program.form1();
  for (int k = 1; k <= 32; ++k) {
    EXPECT_EQ(f.Degit[k]->BackColor(), M_Degit::kDefaultBackColor);
    EXPECT_EQ(f.Degit[k]->BaseForeColor(), M_Degit::kDefaultBaseForeColor);
    EXPECT_EQ(f.Degit[k]->DegitForeColor(), M_Degit::kDefaultDegitForeColor);
    EXPECT_EQ(f.Degit[k]->shownText(), QString());
  }
}

TEST_F(SetPropTest, DigitColoursReachFaresAndClocks) {
  frmOption& o = program.option();
  o.Command8[0]->setBackColor(0x000000);
  o.Command8[1]->setBackColor(0x111111);
  o.Command8[2]->setBackColor(0x2222FF);
  program.form1().Degit[6]->setValue(340);
  o.SetProp();
  Form1& f = program.form1();
  EXPECT_EQ(f.Degit[6]->DegitForeColor(), 0x2222FFu);
  EXPECT_EQ(f.Degit[6]->shownText(), QStringLiteral("340"));
  EXPECT_EQ(f.TimeDegit[1]->BaseForeColor(), 0x111111u);
  EXPECT_EQ(f.TimeDegit[0]->BackColor(), 0x000000u);
}

TEST_F(SetPropTest, StopNameTakesColoursFaceAndBoldness) {
  frmOption& o = program.option();
  o.Command9[0]->setBackColor(0x000000);
  o.Command9[1]->setBackColor(0x0080FF);
  o.Combo3->setListIndex(3);
  o.Check4->setValue(1);
  o.SetProp();
  ChimeiCtl_B* c = program.form1().ChimeiCtl;
  EXPECT_EQ(c->BackColor(), 0x000000u);
  EXPECT_EQ(c->ForeColor(), 0x0080FFu);
  EXPECT_EQ(c->FontMode(), 3);
  EXPECT_TRUE(c->FontBold());
  o.Combo3->setListIndex(-1);
  o.Check4->setValue(0);
  o.SetProp();
  EXPECT_EQ(c->FontMode(), -1);
  EXPECT_FALSE(c->FontBold());
}

TEST_F(SetPropTest, RunningItTwiceGivesTheSameBoard) {
  frmOption& o = program.option();
  o.Combo2->setListIndex(5);
  o.SetProp();
  const QImage first = program.form1().grab().toImage();
  o.SetProp();
  EXPECT_EQ(program.form1().grab().toImage(), first);
}

}  // namespace
}  // namespace sorane
