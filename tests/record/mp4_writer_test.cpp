#include "mp4_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <map>

#include "decode_mp4.h"
#include "frame_timing.h"
#include "record_pictures.h"

namespace sorane::record {
namespace {

using test::boardPicture;
using test::Burst;
using test::decodeMp4;
using Pace = RecordingOptions::Pace;

struct Shown {
  qint64 ms;
  int variant;
};

RecordingOptions optionsFor(const QString& path, QSize size, Pace pace) {
  RecordingOptions o;
  o.path = path;
  o.size = size;
  o.pace = pace;
  o.threads = 1;
  return o;
}

// Drives a writer as a render does: each frame's sound, then the clock
// past the frame; pictures when they change.
RecordingResult render(const QString& path, QSize size, const std::vector<Shown>& shows,
                       qint64 endMs, const Burst& burst, int rate = 48000) {
  RecordingOptions options = optionsFor(path, size, Pace::Render);
  options.audioRate = rate;
  Mp4Writer writer(options);
  std::size_t next = 0;
  const int perFrame = rate / 30;
  std::vector<float> chunk(perFrame * 2);
  const qint64 frames = framesBefore(endMs);
  for (qint64 k = 0; k < frames; ++k) {
    while (next < shows.size() && shows[next].ms * 3 <= k * 100) {
      writer.addPicture(boardPicture(size, shows[next].variant), shows[next].ms);
      ++next;
    }
    for (int i = 0; i < perFrame; ++i)
      chunk[i * 2] = chunk[i * 2 + 1] = burst.at(k * perFrame + i, rate);
    writer.mixed(chunk.data(), perFrame);
    writer.advanceTo((k + 1) * 1000 / 30);
  }
  return writer.finish(endMs);
}

// Drives a writer as a live program does: the device mixes 1024 frames at a
// time on its own, the clock is told about 30 times a second.
RecordingResult live(const QString& path, QSize size, const std::vector<Shown>& shows, qint64 endMs,
                     const Burst& burst) {
  Mp4Writer writer(optionsFor(path, size, Pace::Live));
  std::size_t next = 0;
  qint64 mixed = 0;
  std::vector<float> chunk(1024 * 2);
  for (qint64 ms = 0; ms <= endMs; ++ms) {
    while (mixed <= ms * 48) {
      for (int i = 0; i < 1024; ++i) chunk[i * 2] = chunk[i * 2 + 1] = burst.at(mixed + i);
      writer.mixed(chunk.data(), 1024);
      mixed += 1024;
    }
    while (next < shows.size() && shows[next].ms <= ms) {
      writer.addPicture(boardPicture(size, shows[next].variant), ms);
      ++next;
    }
    if (ms % 33 == 0) writer.advanceTo(ms);
  }
  return writer.finish(endMs);
}

class Mp4WriterTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString file(const QString& name) const { return dir.filePath(name); }
};

TEST_F(Mp4WriterTest, TheFileHoldsH264AndAacABrowserPlays) {
  const QString path = file("ソラネ.mp4");
  const RecordingResult result = render(path, {320, 180}, {{0, 0}}, 1000, {});
  EXPECT_EQ(result.error, "");
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_EQ(d.error, "");
  ASSERT_EQ(d.streams.size(), 2u);
  const test::Mp4Stream& v = d.streams[0];
  EXPECT_EQ(v.kind, "video");
  EXPECT_EQ(v.codec, "h264");
  EXPECT_EQ(v.tag, "avc1");
  EXPECT_EQ(v.profile, "High");
  EXPECT_EQ(v.pixelFormat, "yuv420p");
  EXPECT_EQ(QSize(v.width, v.height), QSize(320, 180));
  EXPECT_DOUBLE_EQ(v.frameRate, 30.0);
  const test::Mp4Stream& a = d.streams[1];
  EXPECT_EQ(a.kind, "audio");
  EXPECT_EQ(a.codec, "aac");
  EXPECT_EQ(a.tag, "mp4a");
  EXPECT_EQ(a.profile, "LC");
  EXPECT_EQ(a.sampleRate, 48000);
  EXPECT_EQ(a.channels, 2);
}

TEST_F(Mp4WriterTest, EachFrameShowsTheLastPictureAtOrBeforeItsMoment) {
  const QSize size(320, 180);
  const QString path = file("pictures.mp4");
  // Frame 15 is at 500 ms exactly; frame 37 at 1233.3 ms, frame 38 at 1266.7.
  const RecordingResult result = render(path, size, {{0, 0}, {500, 1}, {1234, 2}}, 2000, {});
  EXPECT_EQ(result.frames, 60);
  EXPECT_EQ(result.repeatedFrames, 0);
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_EQ(d.frames.size(), 60u);
  for (std::size_t k = 0; k < d.frameIndex.size(); ++k) ASSERT_EQ(d.frameIndex[k], qint64(k));
  struct Row {
    int frame;
    int variant;
  };
  for (const Row& row : std::vector<Row>{{0, 0}, {14, 0}, {15, 1}, {37, 1}, {38, 2}, {59, 2}}) {
    std::map<double, int> nearest;
    for (int v = 0; v < 3; ++v)
      nearest[test::meanDifference(d.frames[row.frame], boardPicture(size, v))] = v;
    EXPECT_EQ(nearest.begin()->second, row.variant) << "frame " << row.frame;
    // Codec error only: a few levels on average.
    EXPECT_LT(nearest.begin()->first, 3.0) << "frame " << row.frame;
  }
  EXPECT_NEAR(d.audioSeconds(), 2.0, 0.001);
}

TEST_F(Mp4WriterTest, SoundIsSilentWhereNothingPlaysAndTheBurstIsAtItsMoment) {
  const QString path = file("sound.mp4");
  const Burst burst{1000, 1200, 1000, 0.5};
  struct Row {
    const char* name;
    bool live;
    int rate;
    double withinMs;  // rendered, the sound is sample-exact; live, within a frame
  };
  for (const Row& row : std::vector<Row>{{"render", false, 48000, 1.0},
                                         {"render from a 44.1 kHz mix", false, 44100, 1.0},
                                         {"live", true, 48000, 1000.0 / 30}}) {
    SCOPED_TRACE(row.name);
    const RecordingResult result = row.live
                                       ? live(path, {160, 90}, {{0, 0}}, 2000, burst)
                                       : render(path, {160, 90}, {{0, 0}}, 2000, burst, row.rate);
    EXPECT_EQ(result.error, "");
    const test::DecodedMp4 d = decodeMp4(path);
    EXPECT_EQ(d.videoSeconds(), 2.0);
    EXPECT_NEAR(d.audioSeconds(), 2.0, 0.001);
    EXPECT_LT(test::rms(d.audio, 0, 950), 1e-3);
    EXPECT_LT(test::rms(d.audio, 1260, 2000), 1e-3);
    EXPECT_NEAR(test::rms(d.audio, 1040, 1160), 0.5 / std::sqrt(2.0), 0.02);
    EXPECT_NEAR(test::firstLoud(d.audio, 0.1) / 48.0, 1000.0, row.withinMs);
  }
}

TEST_F(Mp4WriterTest, AnOddSizeIsPaddedWithTheBackgroundNeverScaled) {
  const QString path = file("odd.mp4");
  const QSize size(161, 91);
  render(path, size, {{0, 3}}, 200, {});
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_FALSE(d.frames.empty());
  const QImage& f = d.frames.back();
  ASSERT_EQ(f.size(), QSize(162, 92));
  const QImage picture = boardPicture(size, 3);
  EXPECT_LT(test::meanDifference(f.copy(0, 0, 161, 91), picture), 3.0);
  for (const QPoint at : {QPoint(161, 40), QPoint(100, 91), QPoint(161, 91)}) {
    const QColor c = f.pixelColor(at);
    EXPECT_LE(std::abs(c.red() - 16) + std::abs(c.green() - 16) + std::abs(c.blue() - 16), 9)
        << at.x() << "," << at.y();
  }
}

TEST_F(Mp4WriterTest, RenderingWaitsForTheEncoderAndRepeatsNothing) {
  const QString path = file("every.mp4");
  const QSize size(160, 90);
  std::vector<Shown> shows;
  for (int k = 0; k < 45; ++k) shows.push_back({k * 100 / 3, k % 4});
  const RecordingResult result = render(path, size, shows, 1500, {});
  EXPECT_EQ(result.repeatedFrames, 0);
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_EQ(d.frames.size(), 45u);
  for (int k = 0; k < 45; ++k)
    EXPECT_LT(test::meanDifference(d.frames[k], boardPicture(size, k % 4)), 3.0) << k;
}

TEST_F(Mp4WriterTest, ALiveEncoderThatFallsBehindRepeatsFramesAndCountsThem) {
  const QString path = file("behind.mp4");
  const QSize size(320, 180);
  Mp4Writer writer(optionsFor(path, size, Pace::Live));
  // A picture every frame, all handed over at once.
  constexpr int kFrames = 60;
  std::vector<QImage> pictures;
  for (int v = 0; v < 4; ++v) pictures.push_back(boardPicture(size, v));
  writer.holdEncoder(true);
  for (int k = 0; k < kFrames; ++k) writer.addPicture(pictures[k % 4], k * 100 / 3);
  writer.holdEncoder(false);
  const RecordingResult result = writer.finish(2000);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(result.frames, 60);
  EXPECT_GT(result.repeatedFrames, 0);
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_EQ(d.frames.size(), 60u);
  // Never stuck on an old picture: the last one is shown at the end.
  EXPECT_LT(test::meanDifference(d.frames.back(), boardPicture(size, (kFrames - 1) % 4)), 3.0);
}

TEST_F(Mp4WriterTest, APictureThatGivesWayHandsItsChangedRowsOn) {
  // Each picture repaints one half of the one before, top and bottom in
  // turn, and says so; a writer far behind drops some. No frame may show
  // the halves of two different pictures.
  const QString path = file("halves.mp4");
  const QSize size(320, 180);
  Mp4Writer writer(optionsFor(path, size, Pace::Live));
  std::vector<QImage> pictures{QImage(size, QImage::Format_RGB32)};
  pictures[0].fill(Qt::black);
  std::vector<RowSpan> changed{RowSpan{}};
  RowPrints prints;
  prints.update(pictures[0]);
  for (int k = 1; k < 60; ++k) {
    QImage next = pictures.back().copy();
    QPainter(&next).fillRect(QRect(0, k % 2 ? 0 : 90, 320, 90),
                             QColor::fromHsv(k * 47 % 360, 255, 255));
    changed.push_back(prints.update(next));
    pictures.push_back(next);
  }
  writer.holdEncoder(true);
  for (int k = 0; k < 60; ++k) writer.addPicture(pictures[k], k * 100 / 3, changed[k]);
  writer.holdEncoder(false);
  const RecordingResult result = writer.finish(2000);
  ASSERT_GT(result.repeatedFrames, 0);
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_EQ(d.frames.size(), 60u);
  for (std::size_t k = 0; k < d.frames.size(); ++k) {
    double nearest = 1e9;
    for (const QImage& p : pictures)
      nearest = std::min(nearest, test::meanDifference(d.frames[k], p));
    EXPECT_LT(nearest, 3.0) << "frame " << k;
  }
}

// The rows converted for a change: from an even row, with two rows of
// margin for the chroma, within the picture; a picture of another size is
// laid on the background at the top left.
TEST(YuvConverter, ConvertsTheRowsThatChangedWithAMargin) {
  YuvConverter converter({16, 12}, Qt::black);
  QImage white(16, 12, QImage::Format_RGB32);
  white.fill(Qt::white);
  struct Row {
    RowSpan changed;
    int top, bottom;  // 0, 0: nothing
  };
  for (const Row& row : std::vector<Row>{{{5, 6}, 2, 8},
                                         {{0, 1}, 0, 4},
                                         {{10, 12}, 8, 12},
                                         {{3, 3}, 0, 0},
                                         {RowSpan{}, 0, 12}}) {
    const std::optional<YuvRows> rows = converter.convert(white, row.changed);
    EXPECT_EQ(rows ? rows->top : 0, row.top) << row.changed.top;
    EXPECT_EQ(rows ? rows->bottom() : 0, row.bottom) << row.changed.top;
    if (rows) {
      EXPECT_EQ(rows->plane(0)[0], 235);
    }
  }
  QImage small(8, 6, QImage::Format_RGB32);
  small.fill(Qt::white);
  const std::optional<YuvRows> whole = converter.convert(small);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->plane(0)[0], 235);
  EXPECT_EQ(whole->plane(0)[11 * 16 + 15], 16);
}

// Bands of rows waiting for the encoder, each luma row holding its place
// in the picture and the chroma its band's shade, and a newer band laid
// over them: the rows it covers are cut from the older ones, and each row
// kept is still the row of its place, from the newest band over it.
TEST(LayOver, CutsWhatTheNewerBandCovers) {
  using Rows = std::pair<int, int>;
  const auto band = [](Rows rows, int shade) {
    YuvRows band{rows.first, rows.second - rows.first, 4, {}};
    band.data.resize(static_cast<std::size_t>(band.width * band.rows * 3 / 2));
    for (int y = 0; y < band.rows; ++y)
      std::fill_n(band.plane(0) + y * band.width, band.width, band.top + y);
    std::fill(band.plane(1), band.data.data() + band.data.size(), shade);
    return band;
  };
  struct Row {
    std::vector<Rows> older;
    Rows newer;
    std::vector<Rows> kept;
  };
  for (const Row& row : std::vector<Row>{
           {{{0, 4}}, {6, 8}, {{0, 4}, {6, 8}}},                    // apart
           {{{2, 6}}, {0, 8}, {{0, 8}}},                            // covered
           {{{0, 8}}, {2, 4}, {{0, 2}, {4, 8}, {2, 4}}},            // inside
           {{{0, 6}, {6, 10}}, {4, 8}, {{0, 4}, {8, 10}, {4, 8}}},  // across two
       }) {
    std::vector<YuvRows> bands;
    for (std::size_t i = 0; i < row.older.size(); ++i) bands.push_back(band(row.older[i], int(i)));
    layOver(bands, band(row.newer, 200));
    std::vector<Rows> kept;
    for (const YuvRows& b : bands) {
      kept.push_back({b.top, b.bottom()});
      for (int y = 0; y < b.rows; ++y) EXPECT_EQ(b.plane(0)[y * b.width + 3], b.top + y);
      // Each chroma row of a band holds the shade it came with.
      for (int y = 1; y < b.rows / 2; ++y)
        EXPECT_EQ(b.plane(2)[y * b.stride(2) + 1], b.plane(1)[0]);
    }
    EXPECT_EQ(kept, row.kept);
    EXPECT_EQ(bands.back().plane(1)[0], 200);
  }
}

TEST(RowPrints, SpanTheFirstToTheLastRowThatChanged) {
  QImage base(8, 10, QImage::Format_RGB32);
  base.fill(Qt::black);
  const auto with = [&](std::initializer_list<int> rows) {
    QImage image = base.copy();
    for (int y : rows) image.setPixel(3, y, qRgb(255, 0, 0));
    return image;
  };
  struct Row {
    QImage picture;
    QImage before;
    int top, bottom;
  };
  const int all = std::numeric_limits<int>::max();
  for (const Row& row : std::vector<Row>{
           {base, base.copy(), 0, 0},  // nothing changed: empty
           {with({4}), base, 4, 5},
           {with({0, 9}), base, 0, 10},
           {with({2, 6}), with({2}), 6, 7},
           {base, QImage(), 0, all},                                         // nothing before
           {base, QImage(8, 12, QImage::Format_RGB32), 0, all},               // another size
           {base, base.convertToFormat(QImage::Format_ARGB32), 0, all}}) {  // another format
    RowPrints prints;
    if (!row.before.isNull()) prints.update(row.before);
    const RowSpan rows = prints.update(row.picture);
    EXPECT_EQ(rows.isEmpty() ? 0 : rows.top, row.top);
    EXPECT_EQ(rows.isEmpty() ? 0 : rows.bottom, row.bottom);
  }
}

TEST_F(Mp4WriterTest, AFileThatCannotBeWrittenGivesOneMessageNamingIt) {
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(file("pipe")).constData(), 0600), 0);
  struct Row {
    QString path;
    QString message;
  };
  for (const Row& row : std::vector<Row>{
           {file("none/a.mp4"), file("none/a.mp4") + ": 録画できません(フォルダーがありません)"},
           {file("folder"), file("folder") + ": 録画できません(同じ名前のフォルダーがあります)"},
           {"/dev/full", "/dev/full: 録画できません(ディスクがいっぱいです)"},
           {file("pipe"), file("pipe") + ": 録画できません(ファイルではありません)"},
       }) {
    Mp4Writer writer(optionsFor(row.path, {160, 90}, Pace::Live));
    QSignalSpy failed(&writer, &Mp4Writer::failed);
    EXPECT_EQ(writer.error(), row.message);
    EXPECT_FALSE(writer.isRecording());
    // Whatever comes next is ignored, and nothing throws.
    writer.addPicture(boardPicture({160, 90}, 0), 0);
    writer.advanceTo(1000);
    EXPECT_EQ(writer.finish(1000).error, row.message);
    EXPECT_EQ(failed.count(), 0);
  }
  EXPECT_FALSE(QFileInfo::exists(file("none")));
}

// The child records live until killed, or until a size limit stops it.
class RecordChild {
 public:
  explicit RecordChild(const QStringList& args) {
    process.setProgram(QStringLiteral(RECORD_CHILD));
    process.setArguments(args);
    process.start();
  }
  ~RecordChild() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(5000);
    }
  }
  // Reads the child's lines until one starts with `prefix`, within `ms`.
  QString waitForLine(const QString& prefix, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
      while (process.canReadLine()) {
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        if (line.startsWith(prefix)) return line;
      }
      process.waitForReadyRead(100);
      if (process.state() == QProcess::NotRunning && !process.canReadLine()) break;
    }
    return {};
  }
  QProcess process;
};

TEST_F(Mp4WriterTest, ALiveRecordingKilledAfterThreeSecondsStillPlaysTwo) {
  const QString path = file("killed.mp4");
  RecordChild child({"live", path});
  // The child says how long it has recorded, ten times a second.
  QString line;
  for (QString l = child.waitForLine("at ", 20000); !l.isEmpty();
       l = child.waitForLine("at ", 5000)) {
    line = l;
    if (line.mid(3).toLongLong() >= 3000) break;
  }
  ASSERT_GE(line.mid(3).toLongLong(), 3000) << line.toStdString();
  ::kill(static_cast<pid_t>(child.process.processId()), SIGKILL);
  ASSERT_TRUE(child.process.waitForFinished(5000));
  EXPECT_EQ(child.process.exitStatus(), QProcess::CrashExit);
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_EQ(d.error, "");
  EXPECT_GE(d.videoSeconds(), 2.0);
  EXPECT_GE(d.audioSeconds(), 1.9);
  for (std::size_t k = 0; k < d.frameIndex.size(); ++k) ASSERT_EQ(d.frameIndex[k], qint64(k));
}

TEST_F(Mp4WriterTest, WhenTheFileCannotGrowWhatWasWrittenStays) {
  const QString path = file("limited.mp4");
  constexpr qint64 kLimit = 400 * 1024;
  RecordChild child({"limited", path, QString::number(kLimit)});
  const QString line = child.waitForLine("error ", 60000);
  EXPECT_EQ(line, "error " + path +
                      ": 録画を止めました(ファイルが大きすぎます)。それまでの分は残っています");
  EXPECT_EQ(child.waitForLine("failed ", 5000), "failed 1");
  ASSERT_TRUE(child.process.waitForFinished(10000));
  EXPECT_EQ(child.process.exitCode(), 0);
  EXPECT_LE(QFileInfo(path).size(), kLimit);
  const test::DecodedMp4 d = decodeMp4(path);
  ASSERT_EQ(d.error, "");
  EXPECT_GE(d.videoSeconds(), 1.0);
}

}  // namespace
}  // namespace sorane::record
