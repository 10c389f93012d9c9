#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>

#include "chimei_ctl_b.h"
#include "fake_media.h"
#include "file_io.h"
#include "form1.h"
#include "frm_ctl.h"
#include "program_fixture.h"
#include "region.h"
#include "settings_file.h"

namespace sorane {
namespace {

using PanelTest = test::ProgramTest;

TEST_F(PanelTest, LayoutAndDesignedStates) {
  frmCtl& c = program.ctl();
  EXPECT_EQ(c.size(), QSize(353, 173));
  EXPECT_EQ(c.palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(c.Frame1[0]->geometry(), QRect(2, -4, 133, 175));
  EXPECT_EQ(c.Frame1[1]->geometry(), c.Frame1[0]->geometry());
  EXPECT_EQ(c.List2[3]->geometry(), QRect(45, 61, 31, 21));
  EXPECT_EQ(c.List3[2]->geometry(), QRect(114, 61, 15, 21));
  EXPECT_EQ(c.List2[0]->count(), 10);
  EXPECT_EQ(c.List2[0]->currentRow(), -1);
  EXPECT_EQ(c.CommandButton1[7]->geometry(), QRect(22, 38, 30, 26));
  EXPECT_EQ(c.CommandButton1[0]->geometry(), QRect(22, 121, 30, 27));
  EXPECT_EQ(c.CommandButton1[10]->text(), QStringLiteral("系統"));
  EXPECT_EQ(c.CommandButton1[11]->geometry(), QRect(86, 121, 30, 26));
  EXPECT_EQ(c.Command2[0]->text(), QStringLiteral("データ戻し"));
  EXPECT_EQ(c.Command2[1]->geometry(), QRect(182, 33, 46, 50));
  EXPECT_FALSE(c.Command2[0]->isEnabled());
  EXPECT_FALSE(c.Command2[1]->isEnabled());
  EXPECT_FALSE(c.Check1->isEnabled());
  EXPECT_FALSE(c.grpM_Tape->isEnabled());
  EXPECT_EQ(c.grpM_Tape->title(), QStringLiteral("音合使用不可"));
  for (Button* b : {c.cmdTapeBack, c.cmdTapeNext, c.cmdTapeStop, c.cmdTapeSet})
    EXPECT_FALSE(b->isEnabled());
  EXPECT_EQ(c.cmdTapeStop->text(), QStringLiteral("■"));
  EXPECT_EQ(c.Command2[0]->faceColor(), QColor(255, 255, 0));
  EXPECT_EQ(c.CommandButton1[10]->faceColor(), QColor(255, 255, 0));
  EXPECT_TRUE(c.Option4[0]->Value());
  EXPECT_EQ(c.HScroll1[0]->minimum(), 1);
  EXPECT_EQ(c.HScroll1[0]->maximum(), 2000);
  EXPECT_EQ(c.HScroll1[1]->maximum(), 3000);
  EXPECT_EQ(c.Label1[0]->text(), QStringLiteral("1"));
  EXPECT_EQ(c.Label1[1]->text(), QStringLiteral("0"));
  EXPECT_EQ(c.picSeirikenPrev->geometry(), QRect(361, 26, 220, 93));
  EXPECT_EQ(c.Check4->toolTip().section(QLatin1Char('\n'), 0, 0),
            QStringLiteral("整理券プレビューを開きます"));
}

TEST_F(PanelTest, KeypadKeysAreRoundedFaces) {
  frmCtl& c = program.ctl();
  for (const QRegion& r : c.KeyRegions) EXPECT_EQ(r, roundRectRegion(2, 2, 28, 25, 2, 2));
  const QRegion mask = c.CommandButton1[5]->mask();
  EXPECT_EQ(mask.boundingRect(), QRect(2, 2, 26, 23));
  // The face: its corner pixels stay the frame's black, the rest is the key.
  const QImage key = c.CommandButton1[5]->grab().toImage();
  EXPECT_EQ(key.pixelColor(2, 2), QColor(Qt::black));
  EXPECT_EQ(key.pixelColor(27, 24), QColor(Qt::black));
  EXPECT_EQ(key.pixelColor(8, 20), QColor(224, 224, 224));
}

TEST_F(PanelTest, ScrollControlsShowTheirValues) {
  frmCtl& c = program.ctl();
  c.HScroll1[0]->setValue(250);
  EXPECT_EQ(c.Label1[0]->text(), QStringLiteral("250"));
  c.HScroll1[1]->setValue(3000);
  EXPECT_EQ(c.Label1[1]->text(), QStringLiteral("3000"));
}

TEST_F(PanelTest, PreviewSwitchWidensAndNarrows) {
  frmCtl& c = program.ctl();
  c.Check4->setValue(1);
  EXPECT_EQ(c.width(), 594);
  EXPECT_EQ(c.Check4->text(), QStringLiteral("<<"));
  EXPECT_EQ(c.Check4->toolTip().section(QLatin1Char('\n'), 0, 0),
            QStringLiteral("整理券プレビューを隠します"));
  c.Check4->setValue(0);
  EXPECT_EQ(c.width(), 353);
  EXPECT_EQ(c.Check4->text(), QStringLiteral(">>"));
  EXPECT_EQ(c.Check4->toolTip().section(QLatin1Char('\n'), 0, 0),
            QStringLiteral("整理券プレビューを開きます"));
}

TEST_F(PanelTest, PanelStateRoundTrips) {
  frmCtl& c = program.ctl();
  c.move(90, 60);
  c.HScroll1[0]->setValue(300);
  c.HScroll1[1]->setValue(1200);
  c.Check2->setValue(1);
  c.Frame1_DblClick(0);
  c.GetCtrlDataInfo();
  const PanelState s = program.record().panelState;
  EXPECT_EQ(s.Left, 1350);
  EXPECT_EQ(s.Top, 900);
  EXPECT_EQ(s.ScrollSpeed, 300);
  EXPECT_EQ(s.ScrollStartWait, 1200);
  EXPECT_EQ(s.NightFare, 1);
  EXPECT_EQ(s.PreviewShown, 0);
  EXPECT_EQ(s.InputFrame, 0);

  program.record().panelState = {1, 40, 0, 0, 1, -1500, 7500};
  c.SetCtrlDataInfo();
  EXPECT_EQ(c.pos(), QPoint(-100, 500));  // partly off-screen positions are kept
  EXPECT_EQ(c.HScroll1[0]->value(), 40);
  EXPECT_EQ(c.Check2->Value(), 0);
  EXPECT_EQ(c.width(), 594);
  EXPECT_EQ(c.InputFrame, 1);
}

TEST_F(PanelTest, FrameSwitchShowsTheOtherFrame) {
  frmCtl& c = program.ctl();
  auto frameInFront = [&c] {
    QWidget* w = c.childAt(QPoint(60, 80));
    while (w && w->parentWidget() != &c) w = w->parentWidget();
    return w;
  };
  EXPECT_EQ(frameInFront(), c.Frame1[1]);  // the keypad as designed
  emit c.Frame1[1]->DblClick();
  EXPECT_EQ(c.InputFrame, 1);
  EXPECT_EQ(frameInFront(), c.Frame1[0]);
  emit c.Frame1[0]->DblClick();
  EXPECT_EQ(c.InputFrame, 0);
  EXPECT_EQ(frameInFront(), c.Frame1[1]);
}

TEST_F(PanelTest, AboutBoxNamesModelVersionAndCredits) {
  bool boardDisabled = false;
  companion().duringDlg110 = [&] { boardDisabled = !program.form1().isEnabled(); };
  program.ctl().Command8->click();
  ASSERT_EQ(companion().dlg110Calls.size(), 1u);
  const auto& call = companion().dlg110Calls[0];
  EXPECT_EQ(call.owner, &program.ctl());
  EXPECT_EQ(call.kind, 1);
  // Every line, the last one too, ends in CR LF.
  EXPECT_EQ(call.text, QStringLiteral("型番：318\r\nバージョン：0.1.0\r\n\r\n"
                                      "配布：ソラネ プロジェクト\r\n"
                                      "開発：ソラネ開発チーム 2026\r\n"));
  EXPECT_TRUE(boardDisabled);
  EXPECT_TRUE(program.form1().isEnabled());
}

}  // namespace
}  // namespace sorane

namespace sorane {
namespace {

TEST_F(PanelTest, ScrollControlsDriveTheStopNameOnEveryChange) {
  frmCtl& c = program.ctl();
  ChimeiCtl_B* chimei = program.form1().ChimeiCtl;
  EXPECT_EQ(chimei->Speed(), 5);  // the element's own until a control moves
  EXPECT_EQ(chimei->ScrollStartWait(), 1500);
  c.HScroll1[1]->setValue(700);  // the wait moves: the speed goes along
  EXPECT_EQ(chimei->ScrollStartWait(), 700);
  EXPECT_EQ(chimei->Speed(), 1);
  c.HScroll1[0]->setValue(40);
  EXPECT_EQ(chimei->Speed(), 40);
  EXPECT_EQ(chimei->ScrollStartWait(), 700);
}

TEST_F(PanelTest, SavedDesignedScrollValuesSendNothing) {
  program.record().panelState = {0, 1, 0, 0, 0, 0, 0};
  program.ctl().SetCtrlDataInfo();
  EXPECT_EQ(program.form1().ChimeiCtl->Speed(), 5);
  EXPECT_EQ(program.form1().ChimeiCtl->ScrollStartWait(), 1500);
  EXPECT_EQ(program.ctl().width(), 353);
}

TEST_F(PanelTest, QuitSequenceInItsOrder) {
  test::MediaCommandsScope media;
  program.form1().ChimeiCtl->SetChimei(QStringLiteral("駅前"));
  program.ctl().HScroll1[0]->setValue(77);
  ui().answers = {MsgAnswer::Yes};
  QString nameWhenSoundsClosed = QStringLiteral("unset");
  media.media.onSend = [&](const QString& c) {
    if (c == QStringLiteral("close 318S1"))
      nameWhenSoundsClosed = program.form1().ChimeiCtl->shownText();
  };
  program.ctl().close();
  EXPECT_EQ(nameWhenSoundsClosed, QString());  // the name is cleared first
  EXPECT_EQ(media.media.commands,
            (QStringList{"close 318S1", "close 318S2", "close 318S3", "close 318S4"}));
  for (const QRegion& r : program.ctl().KeyRegions) EXPECT_TRUE(r.isEmpty());
  ASSERT_TRUE(QFile::exists(folder.settingsPath()));
  EXPECT_EQ(decodeSettings(readWholeFile(folder.settingsPath(), kMaxSettingsFileBytes))
                .panelState.ScrollSpeed,
            77);
  EXPECT_EQ(endCalls, 1);
}

}  // namespace
}  // namespace sorane
