#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include "e2e_support.h"

namespace {

using e2e::countNear;
using e2e::near;
using e2e::shotPath;

// Fare cell i (1..32) and the stop-name strip on the board at (0, 0).
QRect fareCell(int i) {
  const int left[8] = {109, 168, 227, 287, 346, 405, 464, 523};
  const int top[4] = {36, 86, 137, 187};
  return QRect(left[(i - 1) % 8], top[(i - 1) / 8], 52, 20);
}
const QRect kStrip(34, 18, 35, 192);
const QColor kLit(248, 210, 114);
const QColor kDots(255, 255, 0);  // the stop-name colour the demo settings keep

class RouteE2e : public ::testing::Test {
 protected:
  virtual QStringList arguments() const { return {}; }
  void SetUp() override {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    program = std::make_unique<e2e::Program318>(x, true, QProcessEnvironment(), arguments());
    ASSERT_TRUE(program->started());
    const auto panelId = e2e::waitForWindow(x, "^集中操作盤$");
    ASSERT_TRUE(panelId && e2e::waitForWindow(x, "^ソラネ - 型番:318$"));
    panelWindow = *panelId;
    const auto g = e2e::windowGeometry(x, panelWindow);
    ASSERT_TRUE(g);
    panel = *g;
    QThread::msleep(400);
  }
  // A click at (x, y) inside the panel's client area.
  void click(int px, int py) {
    ASSERT_TRUE(e2e::run(x, "xdotool",
                         {"mousemove", QString::number(panel.x() + px),
                          QString::number(panel.y() + py), "click", "1"}));
    QThread::msleep(120);
  }
  // Keypad keys inside the keypad frame at (2, -4): columns 22, 54, 86,
  // rows 38, 65, 93, 121, each 30 x 26.
  void key(int column, int row) {
    const int cols[3] = {22, 54, 86}, rows[4] = {38, 65, 93, 121};
    click(2 + cols[column] + 15, -4 + rows[row] + 13);
  }
  void stepForward() { click(182 + 23, 33 + 25); }
  // Gives `window` the keyboard, then types `keys` (xdotool key names).
  void keysTo(const QString& window, const QStringList& keys) {
    ASSERT_TRUE(e2e::run(x, "xdotool", {"windowfocus", window}));
    QThread::msleep(200);
    ASSERT_TRUE(e2e::run(x, "xdotool", QStringList{"key", "--delay", "80"} + keys));
    QThread::msleep(150);
  }
  void stepBack() { click(138 + 21, 33 + 25); }
  // Route `route` from section `section` on the keypad, then リセット.
  void setRoute(int route, int section) {
    auto digit = [&](int d) {
      if (d == 0)
        key(0, 3);
      else
        key((d - 1) % 3, 2 - (d - 1) / 3);
    };
    key(1, 3);  // 系統
    for (QChar c : QString::number(route)) digit(c.digitValue());
    key(2, 3);  // 区間
    for (QChar c : QString::number(section)) digit(c.digitValue());
    click(2 + 22 + 46, -4 + 150 + 10);  // リセット
  }
  // The board's fare cells, all 32 of them.
  static QImage fares(const QImage& shot) { return shot.copy(QRect(109, 36, 466, 172)); }
  // Quits through the panel's close question, so the program ends normally.
  void quit() {
    ASSERT_TRUE(e2e::closeWindow(x, panelWindow));
    const auto question = e2e::waitForWindow(x, "^ソラネの終了確認$");
    if (!question) e2e::screenshot(x, shotPath("no-quit-question.png"));
    ASSERT_TRUE(question) << "no quit question";
    ASSERT_TRUE(e2e::run(x, "xdotool", {"windowfocus", "--sync", *question}));
    ASSERT_TRUE(e2e::run(x, "xdotool", {"key", "Return"}));  // はい, the default
    ASSERT_TRUE(program->process().waitForFinished(20000)) << "the program did not end";
    EXPECT_EQ(program->process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program->process().exitCode(), 0);
  }

  e2e::XServer x;
  std::unique_ptr<e2e::Program318> program;
  QString panelWindow;
  QRect panel;
};

TEST_F(RouteE2e, RouteSetLampTestThenStepsWithAScrollingName) {
  // Speech is usable here: the tape frame is enabled, its caption drawn in yellow.
  const QImage start = e2e::screenshot(x, shotPath("route-start.png"));
  EXPECT_GT(
      countNear(start, QRect(panel.x() + 139, panel.y() + 84, 86, 14), QColor(255, 255, 0), 40),
      10);

  setRoute(1, 1);
  QThread::msleep(700);
  const QImage lamp = e2e::screenshot(x, shotPath("route-lamp-test.png"));
  for (int i = 1; i <= 32; ++i) EXPECT_GT(countNear(lamp, fareCell(i), kLit, 12), 100) << i;
  // "系統選別中": five cells centred in the strip.
  const int dots = countNear(lamp, kStrip, kDots, 10);
  EXPECT_GT(dots, 150);
  EXPECT_EQ(countNear(lamp, QRect(34, 18, 35, 4), kDots, 10), 0);
  EXPECT_EQ(countNear(lamp, QRect(34, 206, 35, 4), kDots, 10), 0);

  QThread::msleep(3000);
  const QImage first = e2e::screenshot(x, shotPath("route-first-stop.png"));
  EXPECT_EQ(countNear(first, fareCell(1), kLit, 12), 0);  // stop 1: no fares yet
  EXPECT_GT(countNear(first, kStrip, kDots, 10), 100);    // 緑ヶ丘車庫

  for (int i = 0; i < 9; ++i) stepForward();  // stop 10: ソラネ駅前バスターミナル
  QThread::msleep(2500);                      // past the pause before the first pass
  const QImage a = e2e::screenshot(x, shotPath("route-scrolling-1.png"));
  QThread::msleep(600);
  const QImage b = e2e::screenshot(x, shotPath("route-scrolling-2.png"));
  EXPECT_GT(countNear(a, fareCell(1), kLit, 12), 40);  // a fare from stop 1 to stop 10
  EXPECT_NE(a.copy(kStrip), b.copy(kStrip)) << "the long name is not moving";
  QThread::msleep(2400);  // well into its pass: the README's picture
  const QImage mid = e2e::screenshot(x, shotPath("route-scrolling-3.png"));
  EXPECT_GT(countNear(mid, kStrip, kDots, 10), countNear(b, kStrip, kDots, 10));

  // The panel still answers while the name scrolls.
  stepForward();  // stop 11: 東町, two characters standing
  QThread::msleep(800);
  const QImage c = e2e::screenshot(x, shotPath("route-after-scroll.png"));
  QThread::msleep(500);
  const QImage d = e2e::screenshot(x);
  EXPECT_EQ(c.copy(kStrip), d.copy(kStrip)) << "a short name stands still";
  EXPECT_NE(c.copy(fareCell(10)), a.copy(fareCell(10)));
  quit();
}

// A step clicked while the lamp test holds the program comes through once
// it is over; the strip then names the row whose fares are shown.
TEST_F(RouteE2e, AStepDuringTheLampTestShowsTheNameOfTheRowWhoseFaresAreShown) {
  setRoute(1, 1);
  QThread::msleep(700);
  stepForward();
  QThread::msleep(3000 + 1000);
  const QImage shown = e2e::screenshot(x, shotPath("step-during-lamp-test.png"));

  // The same rows stepped to one at a time: 緑ヶ丘車庫, then 緑ヶ丘一丁目.
  stepBack();
  QThread::msleep(800);
  const QImage first = e2e::screenshot(x);
  stepForward();
  QThread::msleep(800);
  const QImage second = e2e::screenshot(x, shotPath("step-after-lamp-test.png"));
  ASSERT_NE(fares(first), fares(second));
  ASSERT_NE(first.copy(kStrip), second.copy(kStrip));

  EXPECT_EQ(fares(shown), fares(second)) << "the step was not taken";
  EXPECT_EQ(shown.copy(kStrip), second.copy(kStrip))
      << "the strip does not name the row whose fares are shown";
  quit();
}

// The keyboard alone: route 1 from section 1 typed on the panel, two steps
// typed on the board.
TEST_F(RouteE2e, KeysAloneSetTheRouteAndStepTwice) {
  keysTo(panelWindow, {"r", "1", "s", "1", "Return"});
  QThread::msleep(3800);  // the lamp test
  const auto board = e2e::waitForWindow(x, "^ソラネ - 型番:318$");
  ASSERT_TRUE(board);
  keysTo(*board, {"Next", "Right"});
  QThread::msleep(600);
  const QImage shot = e2e::screenshot(x, shotPath("keys-third-stop.png"));
  // Stop 3, 市民病院前: fares from stops 1 and 2 only.
  EXPECT_GT(countNear(shot, fareCell(1), kLit, 12), 40);
  EXPECT_GT(countNear(shot, fareCell(2), kLit, 12), 40);
  EXPECT_EQ(countNear(shot, fareCell(3), kLit, 12), 0);
  EXPECT_GT(countNear(shot, kStrip, kDots, 10), 100);
}

// The stop-request lamp under the board: B lights it, the next stop puts
// it out.
TEST_F(RouteE2e, BLightsTheStopLampAndTheNextStopPutsItOut) {
  const auto lampId = e2e::waitForWindow(x, "^つぎ止まります$");
  ASSERT_TRUE(lampId);
  const auto lamp = e2e::windowGeometry(x, *lampId);
  ASSERT_TRUE(lamp);
  EXPECT_GT(lamp->top(), 227);  // under the board
  const QRect face = lamp->adjusted(30, 15, -30, -28);
  const QColor red(230, 50, 40);
  keysTo(panelWindow, {"r", "1", "s", "1", "Return"});
  QThread::msleep(3800);
  EXPECT_EQ(countNear(e2e::screenshot(x), face, red, 50), 0);
  keysTo(panelWindow, {"b"});
  QThread::msleep(300);
  EXPECT_GT(countNear(e2e::screenshot(x, shotPath("stop-request-lit.png")), face, red, 50), 500);
  const auto board = e2e::waitForWindow(x, "^ソラネ - 型番:318$");
  ASSERT_TRUE(board);
  keysTo(*board, {"Next"});
  QThread::msleep(400);
  EXPECT_EQ(countNear(e2e::screenshot(x, shotPath("stop-request-out.png")), face, red, 50), 0);
  quit();
}

// 318 --auto on the demo route, with the shortest wait: once the route is
// set it steps by itself.
class AutoDriveE2e : public RouteE2e {
 protected:
  QStringList arguments() const override { return {"--auto"}; }
  void SetUp() override {
    QDir(x.configHome()).mkpath("318");
    QFile ini(QDir(x.configHome()).filePath("318/view.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[auto_drive]\nwait_seconds=5\n");
    ini.close();
    RouteE2e::SetUp();
  }
};

TEST_F(AutoDriveE2e, StepsAtLeastTwiceByItself) {
  keysTo(panelWindow, {"r", "1", "s", "1", "Return"});
  QThread::msleep(3800);  // the lamp test lights every cell
  ASSERT_EQ(countNear(e2e::screenshot(x), fareCell(2), kLit, 12), 0);
  // Stop 3 shows fares from stops 1 and 2: two steps taken.
  bool twice = false;
  for (int waited = 0; waited < 60000 && !twice; waited += 500) {
    QThread::msleep(500);
    twice = countNear(e2e::screenshot(x), fareCell(2), kLit, 12) > 40;
  }
  e2e::screenshot(x, shotPath("auto-drive.png"));
  EXPECT_TRUE(twice) << "fewer than two steps in a minute";
  quit();
}

// 318 --board lcd on the demo route: the LCD board at the board's place,
// driven by the same panel. `scheme` goes into view.ini first.
class LcdBoardE2e : public RouteE2e {
 protected:
  QStringList arguments() const override { return {"--board", "lcd"}; }
  void SetUp() override {
    QDir(x.configHome()).mkpath("318");
    QFile ini(QDir(x.configHome()).filePath("318/view.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QByteArray("[board]\nscheme=") + scheme() + "\n");
    ini.close();
    RouteE2e::SetUp();
    keysTo(panelWindow, {"F3"});  // backlight ON2: the scheme's own colours
  }
  virtual const char* scheme() const { return "black"; }
  // The cash and IC tiers of ticket cell i (1..25: nine cells a row).
  static QRect tier(int i, int tier) {
    return QRect(80 + 97 * ((i - 1) % 9), 206 + 36 * tier + 101 * ((i - 1) / 9), 90, 32);
  }
  // The route set at section 1, the lamp test over, then `steps` steps.
  void driveTo(int steps) {
    setRoute(1, 1);
    QThread::msleep(3800);
    for (int i = 0; i < steps; ++i) stepForward();
    QThread::msleep(900);  // the band starts over in Japanese at each step
  }
  const QRect kBand{0, 0, 960, 168};
  const QRect kLabel{16, 30, 150, 108};  // 「次は」
  const QRect kName{182, 4, 766, 160};
};

TEST_F(LcdBoardE2e, TheRouteSetAndTwoStepsShowOnTheLcdBoard) {
  const QColor cash(255, 216, 69), ic(86, 214, 255), label(29, 95, 209);
  setRoute(1, 1);
  QThread::msleep(700);
  const QImage lamp = e2e::screenshot(x, shotPath("lcd-lamp-test.png"));
  for (int i : {1, 13, 25}) {
    EXPECT_GT(countNear(lamp, tier(i, 0), cash, 12), 200) << i;  // 888 in both tiers
    EXPECT_GT(countNear(lamp, tier(i, 1), ic, 12), 200) << i;
  }
  EXPECT_GT(countNear(lamp, kName, QColor(255, 255, 255), 12), 3000);  // 系統選別中

  QThread::msleep(3100);
  stepForward();
  stepForward();
  QThread::msleep(900);
  const QImage shot = e2e::screenshot(x, shotPath("lcd-step-2.png"));
  // 「次は」 and the next stop's name in the band, on black.
  EXPECT_GT(countNear(shot, kLabel, label, 12), 8000);
  EXPECT_GT(countNear(shot, kName, QColor(255, 255, 255), 12), 1500);
  EXPECT_GT(countNear(shot, QRect(0, 140, 960, 24), QColor(0, 0, 0), 4), 10000);
  // Stop 3: fares from stops 1 and 2 in two tiers, nothing from 3 on.
  for (int i : {1, 2}) {
    EXPECT_GT(countNear(shot, tier(i, 0), cash, 12), 100) << i;
    EXPECT_GT(countNear(shot, tier(i, 1), ic, 12), 100) << i;
  }
  for (int i : {3, 10, 25}) EXPECT_EQ(countNear(shot, tier(i, 0), cash, 40), 0) << i;
  // The classic board's grey face is not on screen; the lamp is under the
  // LCD board.
  EXPECT_LT(countNear(shot, QRect(0, 0, 593, 227), QColor(64, 64, 66), 2), 100);
  EXPECT_LT(countNear(shot, QRect(0, 548, 184, 70), QColor(0, 0, 0), 0), 184 * 70 / 2);

  for (int i = 0; i < 7; ++i) stepForward();  // stop 10, the README's picture
  QThread::msleep(900);
  const QImage ten = e2e::screenshot(x, shotPath("lcd-stop-10.png"));
  for (int i = 1; i <= 9; ++i) EXPECT_GT(countNear(ten, tier(i, 0), cash, 12), 100) << i;
  EXPECT_EQ(countNear(ten, tier(10, 0), cash, 40), 0);
  quit();
}

class LcdWhiteE2e : public LcdBoardE2e {
 protected:
  const char* scheme() const override { return "white"; }
};

TEST_F(LcdWhiteE2e, TheWhiteSchemeShowsTheSameFaresDarkOnWhite) {
  driveTo(9);
  const QImage ten = e2e::screenshot(x, shotPath("lcd-stop-10-white.png"));
  EXPECT_GT(countNear(ten, QRect(0, 140, 960, 24), QColor(255, 255, 255), 4), 10000);
  EXPECT_GT(countNear(ten, kName, QColor(17, 20, 24), 12), 1500);
  for (int i = 1; i <= 9; ++i) {
    EXPECT_GT(countNear(ten, tier(i, 0), QColor(17, 20, 24), 12), 100) << i;
    EXPECT_GT(countNear(ten, tier(i, 1), QColor(10, 92, 194), 12), 100) << i;
  }
  EXPECT_EQ(countNear(ten, tier(10, 0), QColor(17, 20, 24), 40), 0);
  quit();
}

}  // namespace
