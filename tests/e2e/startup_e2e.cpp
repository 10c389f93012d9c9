#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "e2e_support.h"

namespace {

using e2e::countNear;
using e2e::near;
using e2e::shotPath;

// Where screenshots are kept for a person to look at.
TEST(Startup, BoardAtTopLeftPanelAtBottomRightNumbersDrawn) {
  e2e::XServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  e2e::Program318 program(x);
  ASSERT_TRUE(program.started());

  const auto board = e2e::waitForWindow(x, "^ソラネ - 型番:318$");
  const auto panel = e2e::waitForWindow(x, "^集中操作盤$");
  ASSERT_TRUE(board && panel) << "windows did not appear";
  QThread::msleep(300);  // let both paint

  const auto boardRect = e2e::windowGeometry(x, *board);
  const auto panelRect = e2e::windowGeometry(x, *panel);
  ASSERT_TRUE(boardRect && panelRect);
  EXPECT_EQ(*boardRect, QRect(0, 0, 593, 227));
  EXPECT_EQ(panelRect->right(), 1279);
  EXPECT_EQ(panelRect->bottom(), 799);

  // What can wait for its first use is not loaded at start: the zip
  // library, and the libcrypto it brings, come with the first zip.
  QFile maps(QStringLiteral("/proc/%1/maps").arg(program.process().processId()));
  ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
  const QByteArray loaded = maps.readAll();
  for (const char* library : {"/libzip.so", "/libcrypto.so"})
    EXPECT_FALSE(loaded.contains(library)) << library;

  const QImage shot = e2e::screenshot(x, shotPath("startup.png"));
  ASSERT_FALSE(shot.isNull());
  // The root window shows through the cut corners; inside, the panel.
  const QColor root = shot.pixelColor(700, 300);
  EXPECT_EQ(shot.pixelColor(0, 0), root);
  EXPECT_EQ(shot.pixelColor(592, 0), root);
  EXPECT_EQ(shot.pixelColor(0, 226), root);
  EXPECT_EQ(shot.pixelColor(592, 226), root);
  EXPECT_NE(shot.pixelColor(4, 4), root);
  EXPECT_NE(shot.pixelColor(588, 222), root);
  // Every ticket number is drawn: label-coloured pixels in each label box.
  const int labelLeft[8] = {110, 168, 227, 287, 346, 405, 464, 523};
  const int labelTop[4] = {15, 64, 115, 166};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 8; ++c) {
      int text = 0;
      for (int y = labelTop[r]; y < labelTop[r] + 16; ++y)
        for (int x2 = labelLeft[c]; x2 < labelLeft[c] + 52; ++x2)
          text += near(shot.pixelColor(x2, y), QColor(205, 209, 134), 48);
      EXPECT_GT(text, 8) << "cell " << r * 8 + c + 1;
    }
  }
  // Blank fare cells: grey background with unlit segments, no lit colour.
  int lit = 0;
  for (int y = 36; y < 56; ++y)
    for (int x2 = 109; x2 < 161; ++x2)
      lit += near(shot.pixelColor(x2, y), QColor(248, 210, 114), 10);
  EXPECT_EQ(lit, 0);
  EXPECT_EQ(shot.pixelColor(110, 37), QColor(128, 128, 128));

  // A plain SIGTERM ends it (the sound library must not swallow it).
  program.process().terminate();
  EXPECT_TRUE(program.process().waitForFinished(5000));
}

// A start on a machine without a sound card, from a login without
// XDG_RUNTIME_DIR, says at most that sound is off, in one line.
TEST(Startup, NothingOnStandardErrorButOneLineWithoutSound) {
  e2e::XServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  QTemporaryDir dir;
  const QString program = QDir(dir.path()).filePath("318");
  ASSERT_TRUE(QFile::copy(QStringLiteral(SORANE_PROGRAM), program));
  QProcessEnvironment env = x.environment();
  env.remove("SDL_AUDIODRIVER");
  env.remove("XDG_RUNTIME_DIR");
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, {});
  ASSERT_TRUE(p.waitForStarted(5000));
  EXPECT_TRUE(e2e::waitForWindow(x, "^集中操作盤$"));
  QThread::msleep(500);
  p.terminate();
  ASSERT_TRUE(p.waitForFinished(5000));
  const QString err = QString::fromUtf8(p.readAllStandardError());
  EXPECT_TRUE(err.isEmpty() ||
              err ==
                  QStringLiteral("318: 音を出せる装置が見つかりません。音は鳴らさずに動きます。\n"))
      << err.toStdString();
}

}  // namespace
