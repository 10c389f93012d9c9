#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <limits>

#include "board_layout.h"
#include "demo_settings.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "mdl318_000.h"
#include "panel_art.h"
#include "program_fixture.h"
#include "region.h"
#include "settings_file.h"
#include "twips.h"

namespace sorane {
namespace {

using StartupTest = test::ProgramTest;

TEST_F(StartupTest, BoardShowsNumbersOneToThirtyTwoOverBlankCells) {
  Form1& f = program.form1();
  for (int i = 1; i <= 32; ++i) {
    EXPECT_EQ(f.lblSeiriNum[i]->text(), mdl318_000::toFullWidth(QString::number(i))) << i;
    EXPECT_TRUE(f.lblSeiriNum[i]->isVisible());
    EXPECT_EQ(f.lblSeiriNum[i]->faceName(), QStringLiteral("M_Num5"));
    EXPECT_EQ(f.lblSeiriNum[i]->facePoints(), 12);
    EXPECT_TRUE(f.lblSeiriNum[i]->font().bold());
    EXPECT_EQ(f.lblSeiriNum[i]->textColor(), colorRef(205, 209, 134));
    EXPECT_EQ(f.Degit[i]->DegitStyle(), 2);
    EXPECT_EQ(f.Degit[i]->shownText(), QString());
    EXPECT_TRUE(f.Degit[i]->isVisible());
  }
  EXPECT_EQ(f.lblSeiriNum[1]->text(), QStringLiteral("１"));
  EXPECT_EQ(f.lblSeiriNum[32]->text(), QStringLiteral("３２"));
  EXPECT_FALSE(f.Degit[0]->isVisible());
  EXPECT_FALSE(f.lblSeiriNum[0]->isVisible());
}

TEST_F(StartupTest, CellsSitAtTheirDesignedPlaces) {
  Form1& f = program.form1();
  EXPECT_EQ(f.Degit[1]->geometry(), QRect(109, 36, 52, 20));
  EXPECT_EQ(f.Degit[8]->geometry(), QRect(523, 36, 52, 20));
  EXPECT_EQ(f.Degit[9]->geometry(), QRect(109, 86, 52, 20));
  EXPECT_EQ(f.Degit[32]->geometry(), QRect(523, 187, 52, 20));
  EXPECT_EQ(f.lblSeiriNum[1]->geometry(), QRect(110, 15, 52, 16));
  EXPECT_EQ(f.lblSeiriNum[2]->geometry(), QRect(168, 14, 52, 16));
  EXPECT_EQ(f.lblSeiriNum[9]->geometry(), QRect(109, 64, 52, 16));
  for (int i = 1; i <= 32; ++i) {
    EXPECT_EQ(f.Degit[i]->geometry(), board::degitRect(i));
    EXPECT_EQ(f.lblSeiriNum[i]->geometry(), board::labelRect(i));
  }
  EXPECT_EQ(f.Degit[0]->geometry().topLeft(), QPoint(140, -7));
  EXPECT_EQ(f.TimeDegit[0]->geometry(), QRect(363, -7, 26, 20));
  EXPECT_EQ(f.TimeDegit[1]->geometry(), QRect(390, -7, 26, 20));
}

TEST_F(StartupTest, BoardWindowIsBorderlessRoundedAndAtTheTopLeft) {
  Form1& f = program.form1();
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(f.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(f.size(), QSize(593, 227));
  EXPECT_EQ(f.pos(), QPoint(0, 0));
  EXPECT_EQ(f.shapeRegion(), roundRectRegion(0, 0, 593, 227, 7, 7));
  EXPECT_EQ(f.windowTitle(), QStringLiteral("ソラネ - 型番:318"));
  EXPECT_EQ(f.picture().size(), QSize(593, 226));
  EXPECT_EQ(f.picture(), f.imgRes[0]);
  EXPECT_EQ(f.imgRes[1], f.imgRes[0]);
  EXPECT_EQ(f.imgRes[2], f.imgRes[0]);
}

TEST_F(StartupTest, PanelIsShownOnTopAtTheBottomRight) {
  frmCtl& c = program.ctl();
  EXPECT_TRUE(c.isVisible());
  EXPECT_EQ(c.windowTitle(), QStringLiteral("集中操作盤"));
  EXPECT_EQ(c.size(), QSize(353, 173));
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(c.frameGeometry().bottomRight(), area.bottomRight());
}

TEST_F(StartupTest, SettingsDialogIsLoadedHiddenWithTheBoardDefaults) {
  ASSERT_TRUE(program.isOptionLoaded());
  frmOption& o = program.option();
  EXPECT_FALSE(o.isVisible());
  EXPECT_EQ(o.windowTitle(), QStringLiteral("オプション"));
  EXPECT_EQ(o.Check1->Value(), 1);
  for (const ColorButton* b : o.Command5) EXPECT_EQ(b->BackColor(), colorRef(205, 209, 134));
}

TEST_F(StartupTest, ClockIsHiddenAndItsTimerDoesNotRun) {
  Form1& f = program.form1();
  EXPECT_FALSE(f.Timer1->isActive());
  EXPECT_EQ(f.Timer1->interval(), 1000);
  for (M_Degit* t : f.TimeDegit) {
    EXPECT_FALSE(t->isVisible());
    EXPECT_EQ(t->Keta(), 2);
  }
}

TEST_F(StartupTest, ClockTickTakesHoursAndMinutes) {
  Form1& f = program.form1();
  ui().start = QDateTime(QDate(2026, 12, 7), QTime(10, 5, 59));
  f.Timer1_Timer();
  EXPECT_EQ(f.TimeDegit[0]->Value(), QVariant(10));
  EXPECT_EQ(f.TimeDegit[1]->Value(), QVariant(5));
  ui().start = QDateTime(QDate(2026, 12, 8), QTime(0, 0, 1));
  f.Timer1_Timer();
  EXPECT_EQ(f.TimeDegit[0]->Value(), QVariant(0));
  EXPECT_EQ(f.TimeDegit[1]->Value(), QVariant(0));
}

TEST_F(StartupTest, FormInfoRoundTripsThePositionInTwips) {
  Form1& f = program.form1();
  f.move(150, 75);
  f.GetFormInfo();
  EXPECT_EQ(program.record().formPos.Left, 2250);
  EXPECT_EQ(program.record().formPos.Top, 1125);
  program.record().formPos = {-300, 4500};  // partly off-screen positions are kept
  f.SetFormInfo();
  EXPECT_EQ(f.pos(), QPoint(-20, 300));
}

// A window off every screen could never be reached again: it goes where
// start-up puts it, and that is what the quit saves.
TEST_F(StartupTest, SavedPositionsOffEveryScreenGiveTheStartUpPlaces) {
  Form1& f = program.form1();
  frmCtl& c = program.ctl();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const QPoint panelStart = c.pos();
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  const struct {
    const char* what;
    std::int32_t left, top;
  } cases[] = {
      {"32-bit extremes", kMax, kMin},
      {"other extremes", kMin, kMax},
      {"right of the screen", twips(area.right() + 1), 0},
      {"below the screen", 0, twips(area.bottom() + 1)},
      {"above and left", twips(area.left() - 600), twips(area.top() - 300)},
  };
  for (const auto& p : cases) {
    SCOPED_TRACE(p.what);
    f.move(40, 50);
    program.record().formPos = {p.left, p.top};
    f.SetFormInfo();
    EXPECT_EQ(f.pos(), QPoint(0, 0));
    f.GetFormInfo();
    EXPECT_EQ(program.record().formPos.Left, 0);
    EXPECT_EQ(program.record().formPos.Top, 0);

    c.move(60, 70);
    program.record().panelState = {0, 1, 0, 0, 0, p.left, p.top};
    c.SetCtrlDataInfo();
    EXPECT_EQ(c.pos(), panelStart);
    EXPECT_EQ(c.frameGeometry().bottomRight(), area.bottomRight());
  }
  // The demo settings place nothing: the program places both windows.
  // Their ticket preview is on, so `>>` shows the demo ticket at once.
  program.record() = decodeSettings(demoSettingsFile(QStringLiteral("/demo")));
  EXPECT_EQ(program.record().previewInfo.UseSeiriPrev, 1);
  f.move(40, 50);
  c.move(60, 70);
  f.SetFormInfo();
  c.SetCtrlDataInfo();
  EXPECT_EQ(f.pos(), QPoint(0, 0));
  EXPECT_EQ(c.frameGeometry().bottomRight(), area.bottomRight());
  // A window reaching past the right or bottom edge (saved so, or grown
  // at a larger scale) comes back just enough to be seen whole; one
  // reaching past the left or top edge stays where it was put.
  const struct {
    QPoint saved, shown;
  } partly[] = {
      {area.bottomRight(), area.bottomRight() - QPoint(f.width(), f.height()) + QPoint(1, 1)},
      {QPoint(area.right() - 100, 10), QPoint(area.right() + 1 - f.width(), 10)},
      {QPoint(-200, -20), QPoint(-200, -20)},
  };
  for (const auto& p : partly) {
    program.record().formPos = {twips(p.saved.x()), twips(p.saved.y())};
    f.SetFormInfo();
    EXPECT_EQ(f.pos(), p.shown);
  }
}

TEST_F(StartupTest, QuitQuestionAnsweredNoChangesNothing) {
  program.ctl().close();
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].text, QStringLiteral("ソラネを終了しますか？"));
  EXPECT_EQ(ui().messages[0].title, QStringLiteral("ソラネの終了確認"));
  EXPECT_EQ(ui().messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(ui().messages[0].icon, MsgIcon::Question);
  EXPECT_EQ(endCalls, 0);
  EXPECT_TRUE(program.ctl().isVisible());
  EXPECT_TRUE(program.form1().isVisible());
}

TEST_F(StartupTest, QuitQuestionAnsweredYesEndsTheProgram) {
  ui().answers = {MsgAnswer::Yes};
  program.ctl().close();
  EXPECT_EQ(endCalls, 1);
  EXPECT_FALSE(program.form1().isVisible());
  EXPECT_FALSE(program.ctl().isVisible());
}

TEST_F(StartupTest, ClosingTheBoardAsksThePanelsQuestion) {
  program.form1().close();
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].text, QStringLiteral("ソラネを終了しますか？"));
  EXPECT_TRUE(program.form1().isVisible());
}

}  // namespace
}  // namespace sorane
