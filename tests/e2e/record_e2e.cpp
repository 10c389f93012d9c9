#include <gtest/gtest.h>

#include <QDir>
#include <QThread>

#include "e2e_support.h"

namespace {

// What ffprobe counts in one stream of `file`: packets and their last end.
double streamSeconds(const e2e::XServer& x, const QString& file, const char* stream) {
  const auto out = e2e::run(x, QStringLiteral("ffprobe"),
                            {"-v", "error", "-select_streams", stream, "-show_entries",
                             "packet=pts_time,duration_time", "-of", "csv=p=0", file});
  double end = 0;
  for (const QString& line : out.value_or(QString()).split(u'\n', Qt::SkipEmptyParts)) {
    const QStringList f = line.split(u',');
    if (f.size() >= 2) end = std::max(end, f[0].toDouble() + f[1].toDouble());
  }
  return end;
}

// A recording started with the program and the program killed: the file
// plays to its last whole second, picture and sound.
TEST(Record, AProgramKilledWhileRecordingLeavesAFileThatPlays) {
  e2e::XServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  QTemporaryDir out;
  const QString file = QDir(out.path()).filePath(QStringLiteral("killed.mp4"));
  e2e::Program318 program(x, true, {}, {QStringLiteral("--record"), file});
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(e2e::waitForWindow(x, "^ソラネ - 型番:318$"));
  QThread::sleep(3);
  program.process().kill();
  ASSERT_TRUE(program.process().waitForFinished(5000));
  EXPECT_GE(streamSeconds(x, file, "v:0"), 2.0);
  EXPECT_GE(streamSeconds(x, file, "a:0"), 2.0);
}

}  // namespace
