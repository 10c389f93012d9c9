#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"

namespace sorane {
namespace {

using OptionDialogTest = test::ProgramTest;

TEST_F(OptionDialogTest, DesignedStateAfterAStartWithoutSettings) {
  frmOption& o = program.option();
  EXPECT_EQ(o.size(), QSize(638, 374));
  EXPECT_TRUE(o.Frame3->isEnabled());
  for (Frame* f : o.Frame6) {
    EXPECT_FALSE(f->isEnabled());
    EXPECT_TRUE(f->isHidden());
  }
  EXPECT_TRUE(o.Frame10->isHidden());
  EXPECT_TRUE(o.Frame7->isHidden());
  for (ComboBox* c : o.Combo4) EXPECT_FALSE(c->isEnabled());
  EXPECT_FALSE(o.Check3[4]->isEnabled());
  EXPECT_EQ(o.Combo2->count(), 12);
  EXPECT_EQ(o.Combo2->ListIndex(), 0);
  EXPECT_EQ(o.Combo2->itemText(0), QStringLiteral("1,2,3...32 （既定の表示）"));
  EXPECT_EQ(o.Combo2->itemText(5), QStringLiteral("「無券」、2,3...32"));
  EXPECT_EQ(o.Combo2->itemText(10), QStringLiteral("(無地)、1,2...31"));
  EXPECT_EQ(o.Combo3->count(), 5);
  EXPECT_EQ(o.Combo3->ListIndex(), -1);
  EXPECT_EQ(o.Combo3->itemText(4), QStringLiteral("英数字はゴシック、それ以外は明朝"));
  EXPECT_EQ(o.Combo1->count(), 150);
  EXPECT_EQ(o.Combo1->itemText(149), QStringLiteral("150"));
  EXPECT_EQ(o.Combo4[4]->count(), 150);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(o.Combo4[k]->count(), 32);
    EXPECT_EQ(o.Combo4[k]->ListIndex(), 0);
  }
  EXPECT_EQ(o.Label10->text(), QStringLiteral("2026/12/07"));
  EXPECT_TRUE(o.Option3[0]->Value());
  EXPECT_TRUE(o.Option3[7]->Value());
  EXPECT_TRUE(o.Option3[3]->Value());
  EXPECT_TRUE(o.Option3[4]->Value());
  EXPECT_TRUE(o.Option2[0]->Value());
  EXPECT_TRUE(o.Option6[1]->Value());
  EXPECT_TRUE(o.Option2[2]->Value());
  EXPECT_TRUE(o.Option7[0]->Value());
  EXPECT_TRUE(o.Option4[0]->Value());
  EXPECT_EQ(o.txtSelectSound[2], nullptr);
  EXPECT_EQ(o.Command8[0]->BackColor(), 0x808080u);
  EXPECT_EQ(o.Command8[1]->BackColor(), 0x969696u);
  EXPECT_EQ(o.Command8[2]->BackColor(), 0x72D2F8u);
  EXPECT_EQ(o.Command9[0]->BackColor(), 0x808080u);
  EXPECT_EQ(o.Command9[1]->BackColor(), 0x00FFFFu);
  EXPECT_EQ(o.M_Degit1->shownText(), QStringLiteral("123"));
  EXPECT_FALSE(o.M_Degit1->UserSet());
}

TEST_F(OptionDialogTest, DependentControlsFollowTheirSwitches) {
  frmOption& o = program.option();
  o.Check3[0]->setValue(1);
  EXPECT_TRUE(o.Combo4[0]->isEnabled());
  EXPECT_TRUE(o.Check3[4]->isEnabled());
  o.Check3[0]->setValue(0);
  EXPECT_FALSE(o.Combo4[0]->isEnabled());
  EXPECT_FALSE(o.Check3[4]->isEnabled());
  o.Check3[3]->setValue(1);
  EXPECT_TRUE(o.Combo4[3]->isEnabled());
  EXPECT_TRUE(o.Combo4[4]->isEnabled());
  o.Check1->setValue(0);
  EXPECT_FALSE(o.Frame3->isEnabled());
  o.Option3[1]->setValue(true);
  for (Frame* f : o.Frame6) EXPECT_FALSE(f->isHidden());
  o.Option3[6]->setValue(true);  // a choice inside a frame keeps them shown
  for (Frame* f : o.Frame6) EXPECT_FALSE(f->isHidden());
  o.Option3[0]->setValue(true);
  for (Frame* f : o.Frame6) EXPECT_TRUE(f->isHidden());
  o.chkUseSeiriPrev->setValue(1);
  EXPECT_FALSE(o.Frame10->isHidden());
  EXPECT_TRUE(o.Frame7->isEnabled());
}

TEST_F(OptionDialogTest, OptionGroupsCanBeLeftWithNothingSelected) {
  frmOption& o = program.option();
  o.Option2[0]->setValue(false);
  EXPECT_FALSE(o.Option2[0]->Value());
  EXPECT_FALSE(o.Option2[1]->Value());
  EXPECT_TRUE(o.Option2[2]->Value());  // the other group is untouched
  o.Option2[1]->setValue(true);
  EXPECT_FALSE(o.Option2[0]->Value());
}

// Each frame's buttons form their own group, even when frames are nested.
TEST_F(OptionDialogTest, OptionGroupsStopAtTheirFrame) {
  frmOption& o = program.option();
  o.Option2[1]->setValue(true);  // in the step-sound frame
  EXPECT_FALSE(o.Option2[0]->Value());
  EXPECT_TRUE(o.Option6[1]->Value());  // the frame inside it keeps its choice
  o.Option6[0]->setValue(true);
  EXPECT_FALSE(o.Option6[1]->Value());
  EXPECT_TRUE(o.Option2[1]->Value());
  // Clicking the selected button keeps it selected.
  o.Option6[0]->click();
  EXPECT_TRUE(o.Option6[0]->Value());
  o.Option6[1]->click();
  EXPECT_TRUE(o.Option6[1]->Value());
  EXPECT_FALSE(o.Option6[0]->Value());
}

TEST_F(OptionDialogTest, RecordRoundTripsThroughTheControls) {
  frmOption& o = program.option();
  o.Text2[1]->setText(QStringLiteral("/data/放送"));
  o.Check3[2]->setValue(1);
  o.Combo4[2]->setListIndex(31);
  o.Combo1->setListIndex(149);
  o.Option7[1]->setValue(true);
  o.txtSelectSound[10]->setText(QStringLiteral("three.wav"));
  o.Combo3->setListIndex(4);
  o.GetOptionInfo();
  const SettingsRecord saved = program.record();
  EXPECT_EQ(saved.digitInfo.RouteNumberCell, 31);
  EXPECT_EQ(saved.soundInfo.AnnounceWait, 0);
  EXPECT_EQ(saved.soundInfo.AnnounceNoWait, -1);

  o.Text2[1]->clear();
  o.Combo1->setListIndex(0);
  o.Combo3->setListIndex(-1);
  o.SetOptionInfo();
  EXPECT_EQ(o.Text2[1]->text(), QStringLiteral("/data/放送"));
  EXPECT_EQ(o.Combo1->ListIndex(), 149);
  EXPECT_EQ(o.Combo3->ListIndex(), 4);
  EXPECT_EQ(o.txtSelectSound[10]->text(), QStringLiteral("three.wav"));
  EXPECT_TRUE(o.Combo4[2]->isEnabled());
}

TEST_F(OptionDialogTest, PagesComeToTheFrontByTheirButtons) {
  frmOption& o = program.option();
  // The page a click at the middle of the page area lands on.
  auto pageInFront = [&o] {
    QWidget* w = o.childAt(o.Frame1[0]->geometry().center());
    while (w && w->parentWidget() != &o) w = w->parentWidget();
    return w;
  };
  EXPECT_EQ(pageInFront(), o.Frame1[0]);
  o.Option1[3]->click();
  EXPECT_EQ(pageInFront(), o.Frame1[3]);
  EXPECT_TRUE(o.Option1[3]->Value());
  EXPECT_FALSE(o.Option1[0]->Value());
}

// Tab walks the page selector, the page shown and OK, and nothing of the
// pages behind; the focus ring follows the page chosen.
TEST_F(OptionDialogTest, KeyboardStaysOnThePageShown) {
  frmOption& o = program.option();
  o.chkUseSeiriPrev->setValue(1);
  o.Option3[1]->setValue(true);
  o.show();
  o.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&o));
  for (int i = 0; i < 6; ++i) {
    o.Option1[i]->click();
    EXPECT_EQ(QApplication::focusWidget(), o.Option1[i]) << i;
    int onPage = 0;
    for (int n = 0; n < 200; ++n) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* f = QApplication::focusWidget();
      if (f == o.Option1[i]) break;
      const bool selector = std::find(o.Option1.begin(), o.Option1.end(), f) != o.Option1.end();
      EXPECT_TRUE(selector || f == o.Command4 || o.Frame1[i]->isAncestorOf(f))
          << "page " << i << " reached a control behind it";
      if (o.Frame1[i]->isAncestorOf(f)) ++onPage;
    }
    EXPECT_GE(onPage, 4) << "page " << i;
  }
  o.hide();
}

TEST_F(OptionDialogTest, EnterMeansOkWhereverTheFocusIs) {
  frmOption& o = program.option();
  for (QWidget* w : {static_cast<QWidget*>(o.Text2[0]), static_cast<QWidget*>(o.Command3[0])}) {
    o.show();
    o.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&o));
    w->setFocus();
    o.Combo2->setListIndex(4);
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_FALSE(o.isVisible());
    EXPECT_EQ(program.form1().lblSeiriNum[1]->text(), QStringLiteral("無 券"));
    o.Combo2->setListIndex(0);
    o.SetProp();
  }
  EXPECT_TRUE(companion().chooserCalls.empty());
}

TEST_F(OptionDialogTest, OkAppliesTheSettingsAndHides) {
  frmOption& o = program.option();
  o.show();
  o.Combo2->setListIndex(4);
  o.Command4->click();
  EXPECT_FALSE(o.isVisible());
  EXPECT_EQ(program.form1().lblSeiriNum[1]->text(), QStringLiteral("無 券"));
}

TEST_F(OptionDialogTest, ACloseOtherThanOkKeepsTheDialog) {
  frmOption& o = program.option();
  o.show();
  o.reject();
  EXPECT_TRUE(o.isVisible());
  o.hide();
}

}  // namespace
}  // namespace sorane
