#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QThread>
#include <cstdlib>
#include <set>
#include <tuple>

#include "e2e_support.h"

namespace {

using e2e::shotPath;

const QSize kScreen(2560, 1600);
// On the board at 1x, the board at (0, 0): fare cell 1, the stop-name
// viewport, the words 運賃 and まで printed beside it, ticket number 1.
const QRect kFareCell(109, 36, 52, 20);
const QRect kViewport(34, 18, 35, 185);
const QRect kWords(72, 70, 32, 145);
const QRect kLabel(110, 15, 52, 16);
const QColor kCellBack(128, 128, 128), kUnlit(150, 150, 150), kLit(248, 210, 114);
const QColor kStripBack(128, 128, 128), kDots(255, 255, 0);

QRect at(const QRect& r, int scale) {
  return QRect(r.topLeft() * scale, r.size() * scale);
}

std::set<QRgb> coloursIn(const QImage& img) {
  std::set<QRgb> out;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) out.insert(img.pixel(x, y) | 0xFF000000u);
  return out;
}

// Blocks of scale x scale pixels, on the 1x pixel grid, that are not of one
// colour: none in a blocky enlargement.
int finerBlocks(const QImage& img, int scale) {
  int n = 0;
  for (int y = 0; y + scale <= img.height(); y += scale)
    for (int x = 0; x + scale <= img.width(); x += scale) {
      bool same = true;
      for (int k = 0; k < scale * scale; ++k)
        same &= img.pixel(x + k % scale, y + k / scale) == img.pixel(x, y);
      n += !same;
    }
  return n;
}

class ZoomE2e : public ::testing::Test {
 protected:
  ZoomE2e() : x(kScreen) {}

  // Starts the program with `arguments`; its two windows, their geometry.
  void start(bool demoSettings, const QStringList& arguments) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    program = std::make_unique<e2e::Program318>(x, demoSettings, QProcessEnvironment(), arguments);
    ASSERT_TRUE(program->started());
    findWindows();
  }
  void findWindows() {
    const auto b = e2e::waitForWindow(x, "^ソラネ - 型番:318$");
    const auto p = e2e::waitForWindow(x, "^集中操作盤$");
    ASSERT_TRUE(b && p) << "windows did not appear";
    boardWindow = *b;
    panelWindow = *p;
    lampWindow = e2e::waitForWindow(x, "^つぎ止まります$").value_or(QString());
    QThread::msleep(400);  // let both paint
    const auto bg = e2e::windowGeometry(x, boardWindow);
    const auto pg = e2e::windowGeometry(x, panelWindow);
    ASSERT_TRUE(bg && pg);
    board = *bg;
    panel = *pg;
  }
  // Types xdotool key names into `window`.
  void keysTo(const QString& window, const QStringList& keys) {
    ASSERT_TRUE(e2e::run(x, "xdotool", {"windowfocus", window}));
    QThread::msleep(200);
    ASSERT_TRUE(e2e::run(x, "xdotool", QStringList{"key", "--delay", "80"} + keys));
  }
  // The program's visible windows other than the board and the panel: its
  // pop-up menus.
  QStringList menus() {
    const auto out = e2e::run(x, "xdotool", {"search", "--onlyvisible", "--classname", "^318$"});
    QStringList ids = out ? out->split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList();
    ids.removeAll(boardWindow);
    ids.removeAll(panelWindow);
    ids.removeAll(lampWindow);
    return ids;
  }
  bool waitForMenus(bool open) {
    for (int i = 0; i < 100; ++i) {
      if (menus().isEmpty() != open) return true;
      QThread::msleep(50);
    }
    return false;
  }
  // A right-button press at (px, py) on the screen opens the menu.
  void rightClick(int px, int py) {
    ASSERT_TRUE(e2e::run(x, "xdotool",
                         {"mousemove", QString::number(px), QString::number(py), "click", "3"}));
    ASSERT_TRUE(waitForMenus(true)) << "no menu at " << px << "," << py;
  }
  // Closes the panel and answers はい to the quit question.
  void quitBy(const QString& panelId) {
    ASSERT_TRUE(e2e::closeWindow(x, panelId));
    const auto question = e2e::waitForWindow(x, "^ソラネの終了確認$");
    ASSERT_TRUE(question) << "no quit question";
    ASSERT_TRUE(e2e::run(x, "xdotool", {"windowfocus", "--sync", *question}));
    ASSERT_TRUE(e2e::run(x, "xdotool", {"key", "Return"}));
  }

  e2e::XServer x;
  std::unique_ptr<e2e::Program318> program;
  QString boardWindow, panelWindow, lampWindow;
  QRect board, panel;
};

// The lamp test of route 1 at 1x and at 2x on the same screen with the same
// settings: at 2x a segment and a dot are exactly twice as large, in the
// element's own colours only, while the printed words are drawn finer.
TEST_F(ZoomE2e, AtTwiceTheScaleSegmentsAndDotsAreTwiceAsLargeInTheirOwnColours) {
  QImage shots[3];
  QRect panels[3];
  for (int scale : {1, 2}) {
    start(true, {"--scale", QString::number(scale)});
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(board, QRect(0, 0, 593 * scale, 227 * scale));
    panels[scale] = panel;
    keysTo(panelWindow, {"r", "1", "s", "1", "Return"});
    QThread::msleep(900);  // inside the lamp test's 3 seconds
    shots[scale] =
        e2e::screenshot(x, shotPath(QStringLiteral("zoom-%1x-lamp-test.png").arg(scale)));
    ASSERT_FALSE(shots[scale].isNull());
    QThread::msleep(2600);
    quitBy(panelWindow);
    ASSERT_TRUE(program->process().waitForFinished(20000)) << "the program did not end";
  }
  // The panel saved at the screen's bottom-right corner grew from its
  // top-left and came back just enough to be seen whole: its bottom-right
  // corner is the screen's again (to within a screen pixel, half a window
  // coordinate at 2x).
  EXPECT_LE(std::abs(panels[2].right() - panels[1].right()), 1);
  EXPECT_LE(std::abs(panels[2].bottom() - panels[1].bottom()), 1);

  const QImage cell1 = shots[1].copy(kFareCell), cell2 = shots[2].copy(at(kFareCell, 2));
  const QImage dots1 = shots[1].copy(kViewport), dots2 = shots[2].copy(at(kViewport, 2));
  // Every segment lit; "系統選別中" on the strip.
  ASSERT_GT(e2e::countNear(cell1, cell1.rect(), kLit, 0), 200);
  ASSERT_GT(e2e::countNear(dots1, dots1.rect(), kDots, 0), 150);
  const std::set<QRgb> cellColours{kCellBack.rgb(), kUnlit.rgb(), kLit.rgb()};
  const std::set<QRgb> stripColours{kStripBack.rgb(), kDots.rgb()};
  for (const auto& [one, two, allowed] :
       {std::tuple{cell1, cell2, cellColours}, std::tuple{dots1, dots2, stripColours}}) {
    std::set<QRgb> others;
    for (QRgb c : coloursIn(two))
      if (!allowed.count(c)) others.insert(c);
    EXPECT_TRUE(others.empty()) << others.size() << " other colours, such as " << std::hex
                                << (others.empty() ? 0 : *others.begin());
    // Pixel for pixel the 1x picture, each pixel a 2 x 2 square: every run
    // of a lit segment twice as long, on two rows; every dot a 2 x 2 square.
    EXPECT_EQ(two, one.scaled(one.size() * 2));
  }

  // Printed words and ticket numbers: drawn at 2x, not enlarged.
  for (const QRect& r : {kWords, kLabel})
    EXPECT_GT(finerBlocks(shots[2].copy(at(r, 2)), 2), 20) << r.x() << "," << r.y();
}

// Started at 2x without settings, the windows take their start-up places;
// 1倍 from the menu on a fare cell asks, quits as on request and starts
// again at 1x, the windows at the start-up places of 1x.
TEST_F(ZoomE2e, TheMenuRestartsAtTheChosenScale) {
  start(false, {"--scale", "2"});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(board, QRect(0, 0, 1186, 454));
  EXPECT_EQ(panel.bottomRight(), QPoint(2559, 1599));
  e2e::screenshot(x, shotPath("zoom-2x-start.png"));

  // The menu opens on the face, a ticket number and the strip, too.
  for (const QRect& r : {QRect(300, 4, 1, 1), kLabel, kViewport}) {
    const QPoint c = at(r, 2).center();
    rightClick(c.x(), c.y());
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(e2e::run(x, "xdotool", {"key", "Escape"}));
    ASSERT_TRUE(waitForMenus(false));
  }
  const QPoint cell = at(kFareCell, 2).center();
  rightClick(cell.x(), cell.y());
  ASSERT_FALSE(HasFatalFailure());
  e2e::screenshot(x, shotPath("zoom-2x-menu.png"));
  // 表示倍率, then its first entry, 1倍.
  ASSERT_TRUE(e2e::run(x, "xdotool", {"key", "--delay", "150", "Down", "Right", "Return"}));
  const auto question = e2e::waitForWindow(x, "^表示倍率の変更$");
  ASSERT_TRUE(question) << "no question";
  ASSERT_TRUE(e2e::run(x, "xdotool", {"windowfocus", "--sync", *question}));
  ASSERT_TRUE(e2e::run(x, "xdotool", {"key", "Return"}));  // はい
  ASSERT_TRUE(program->process().waitForFinished(20000)) << "the program did not end";
  EXPECT_EQ(program->process().exitCode(), 0);
  EXPECT_EQ(QSettings(QDir(x.configHome()).filePath("318/view.ini"), QSettings::IniFormat)
                .value("scale")
                .toInt(),
            1);

  findWindows();  // the program started again
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(board, QRect(0, 0, 593, 227));
  EXPECT_EQ(panel.bottomRight(), QPoint(2559, 1599));
  ASSERT_FALSE(lampWindow.isEmpty());
  const auto lamp = e2e::windowGeometry(x, lampWindow);
  ASSERT_TRUE(lamp);
  EXPECT_EQ(lamp->topLeft(), QPoint(0, 227 + 8));
  e2e::screenshot(x, shotPath("zoom-restarted-1x.png"));
  quitBy(panelWindow);
  EXPECT_TRUE(e2e::waitForWindowGone(x, "^集中操作盤$"));
}

}  // namespace
