#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include "e2e_support.h"
#include "file_io.h"
#include "gtfs_import.h"
#include "test_feed.h"

namespace {

using e2e::countNear;
using e2e::shotPath;

// On the board at (0, 0): fare cells 1 and 2, the stop-name strip; inside
// the panel's client area: the keypad keys, リセット and the tape's 送り.
const QRect kCell1(109, 36, 52, 20), kCell2(168, 36, 52, 20), kStrip(34, 18, 35, 192);
const QColor kLit(248, 210, 114), kDots(255, 255, 0);

// Menu, dialog, chooser, message: a route imported from a zip the user
// picks, set on the keypad and stepped by the tape.
TEST(GtfsE2e, ImportsAFeedThroughTheBoardMenuAndSetsTheRoute) {
  e2e::XServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  QTemporaryDir data;
  const QDir demo(QStringLiteral(SORANE_DEMO_DIR));
  for (const QString& f : demo.entryList(QDir::Files))
    QFile::copy(demo.filePath(f), data.filePath(f));
  const sorane::test::TestFeed feed = sorane::test::TestFeed::line(6);
  const QString zip = data.filePath("feed.zip");
  QFile out(zip);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(sorane::test::zipOf(feed, "gtfs/"));
  out.close();

  e2e::Program318 program(x, true, {}, {}, data.path());
  ASSERT_TRUE(program.started());
  const auto board = e2e::waitForWindow(x, "^ソラネ - 型番:318$");
  const auto panelId = e2e::waitForWindow(x, "^集中操作盤$");
  ASSERT_TRUE(board && panelId);
  const auto panelArea = e2e::windowGeometry(x, *panelId);
  ASSERT_TRUE(panelArea);
  QThread::msleep(400);
  auto keys = [&](const QStringList& k) {
    ASSERT_TRUE(e2e::run(x, "xdotool", QStringList{"key", "--delay", "80"} + k));
  };
  auto focus = [&](const QString& window) {
    ASSERT_TRUE(e2e::run(x, "xdotool", {"windowfocus", "--sync", window}));
  };
  auto click = [&](int px, int py) {
    ASSERT_TRUE(e2e::run(x, "xdotool",
                         {"mousemove", QString::number(panelArea->x() + px),
                          QString::number(panelArea->y() + py), "click", "1"}));
    QThread::msleep(150);
  };
  // The dialog and its messages share the title: the windows of that name.
  auto titled = [&] {
    const auto ids =
        e2e::run(x, "xdotool", {"search", "--onlyvisible", "--name", "^GTFSから路線を作る$"});
    return ids ? ids->split('\n', Qt::SkipEmptyParts) : QStringList();
  };

  // The board's menu, under 表示倍率.
  ASSERT_TRUE(e2e::run(x, "xdotool", {"mousemove", "300", "8", "click", "3"}));
  QThread::msleep(500);
  keys({"Down", "Down", "Return"});
  const auto dialog = e2e::waitForWindow(x, "^GTFSから路線を作る$");
  ASSERT_TRUE(dialog) << "no dialog";
  focus(*dialog);
  keys({"Tab", "space"});  // ZIPファイル...
  const auto chooser = e2e::waitForWindow(x, "^GTFSデータ\\(ZIPファイル\\)の選択$");
  ASSERT_TRUE(chooser) << "no file chooser";
  focus(*chooser);
  ASSERT_TRUE(e2e::run(x, "xdotool", {"type", "--delay", "20", zip}));
  keys({"Return"});
  ASSERT_TRUE(e2e::waitForWindowGone(x, "^GTFSデータ\\(ZIPファイル\\)の選択$"));
  QThread::msleep(1500);  // read by the helper
  e2e::screenshot(x, shotPath("gtfs-dialog.png"));
  focus(*dialog);
  keys({"Return"});  // 作成, route 2: the demo has route 1
  QElapsedTimer t;
  t.start();
  while (titled().size() < 2 && t.elapsed() < 10000) QThread::msleep(100);
  ASSERT_EQ(titled().size(), 2) << "no message after 作成";
  const QString message = titled().last() == *dialog ? titled().first() : titled().last();
  focus(message);
  keys({"Return"});
  ASSERT_TRUE(e2e::waitForWindowGone(x, "^GTFSから路線を作る$"));

  // The files are the route tool's to the byte.
  sorane::gtfs::ImportOptions options;
  options.routeId = "L";
  options.direction = "0";
  options.times = true;  // ticked in the dialog
  const auto made = sorane::gtfs::routeFiles(
      sorane::gtfs::importRoute(
          sorane::gtfs::readFeed(sorane::gtfs::FeedFiles::fromMemory(feed.files, "feed"), true),
          options),
      2, data.path(), data.path());
  for (const sorane::FileToWrite& f : made)
    EXPECT_EQ(sorane::readWholeFile(f.path, 1 << 20), f.bytes) << f.path.toStdString();

  // 系統 2 区間 1 リセット on the keypad; then the tape's 送り twice: the
  // opening, then 「次は、ていりゅうじょ2です。」, which steps to stop 2.
  const int cols[3] = {22, 54, 86}, rows[4] = {38, 65, 93, 121};
  auto key = [&](int c, int r) { click(2 + cols[c] + 15, -4 + rows[r] + 13); };
  key(1, 3);                          // 系統
  key(1, 2);                          // 2
  key(2, 3);                          // 区間
  key(0, 2);                          // 1
  click(2 + 22 + 46, -4 + 150 + 10);  // リセット
  QThread::msleep(3000 + 1000);
  const QImage first = e2e::screenshot(x, shotPath("gtfs-route-first-stop.png"));
  EXPECT_GT(countNear(first, kStrip, kDots, 10), 100);  // 停留所1
  EXPECT_EQ(countNear(first, kCell1, kLit, 12), 0);
  click(201, 122);
  click(201, 122);
  QImage second;
  for (t.restart(); t.elapsed() < 10000; QThread::msleep(200)) {
    second = e2e::screenshot(x);
    if (countNear(second, kCell1, kLit, 12) > 40) break;
  }
  second.save(shotPath("gtfs-route-second-stop.png"));
  EXPECT_GT(countNear(second, kCell1, kLit, 12), 40) << "no fare from stop 1 at stop 2";
  EXPECT_EQ(countNear(second, kCell2, kLit, 12), 0);
  EXPECT_GT(countNear(second, kStrip, kDots, 10), 100);  // 停留所2
}

}  // namespace
