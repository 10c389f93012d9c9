#include <sys/resource.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <optional>

#include "audio_engine.h"
#include "board_recording.h"
#include "board_view.h"
#include "decode_mp4.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "record_arguments.h"
#include "render_drive.h"
#include "route_file.h"
#include "stop_lamp.h"
#include "test_sounds.h"

namespace sorane {
namespace {

constexpr int kWaitSeconds = 4;
constexpr int kFps = 30;

// Three stops with their fares, no announcements: the drive steps with
// データ送り every kWaitSeconds.
std::vector<RouteRow> threeStops() {
  std::vector<RouteRow> rows(3);
  for (int i = 0; i < 3; ++i) {
    RouteRow& r = rows[static_cast<std::size_t>(i)];
    r.StopName = QStringLiteral("第%1").arg(i + 1);
    r.Values[0] = static_cast<std::int16_t>(i + 1);
    for (int k = 1; k <= i + 1; ++k)
      r.Values[k] = static_cast<std::int16_t>(100 + 30 * (i + 1 - k));
  }
  return rows;
}

// The route, a chime for the route set and another for each step, in one
// folder.
struct RouteFolder {
  RouteFolder() {
    test::writeFile(path("1.hy3"), encodeRouteFile(threeStops()));
    test::writeSineWav(path("set.wav"), 48000, 0.3, 660, 0.5);
    test::writeSineWav(path("step.wav"), 48000, 0.3, 990, 0.5);
  }
  QString path(const QString& name) const { return dir.filePath(name); }
  void use(Program& program) const {
    frmOption& o = program.option();
    o.Text2[0]->setText(dir.path());
    o.Text2[1]->setText(dir.path());
    o.txtSelectSound[0]->setText(path("set.wav"));
    o.txtSelectSound[1]->clear();
    o.txtSelectSound[7]->setText(path("step.wav"));
    program.drive().waitSeconds = kWaitSeconds;
    program.ctl().applyDriveSettings(program.drive());
  }
  QTemporaryDir dir;
};

class RenderTest : public ::testing::Test {
 protected:
  // Renders `route` into `video` in the route's folder.
  int render(const QString& video, const QString& number,
             std::optional<BoardStyle> board = std::nullopt,
             std::optional<int> backlight = std::nullopt) {
    RenderRequest request;
    request.path = route.path(video);
    request.route = number;
    request.board = board;
    request.backlight = backlight;
    request.setUp = [this](Program& program) {
      route.use(program);
      boardShown = program.boardView().window().isVisible();
    };
    return renderDrive(request, nullptr);
  }
  bool boardShown = false;
  test::ProgramFolder programFolder;
  test::CompanionScope companion;
  RouteFolder route;
};

TEST_F(RenderTest, AThreeStopRouteIsItsBoardAndItsSoundFrameByFrame) {
  ASSERT_EQ(render(QStringLiteral("drive.mp4"), QStringLiteral("1")), 0);

  const test::DecodedMp4 mp4 = test::decodeMp4(route.path(QStringLiteral("drive.mp4")));
  ASSERT_EQ(mp4.error, QString());
  ASSERT_EQ(mp4.streams.size(), 2u);
  EXPECT_EQ(mp4.streams[0].kind, QStringLiteral("video"));
  EXPECT_EQ(mp4.streams[0].codec, QStringLiteral("h264"));
  EXPECT_EQ(mp4.streams[0].frameRate, 30.0);
  EXPECT_EQ(mp4.streams[1].kind, QStringLiteral("audio"));
  EXPECT_EQ(mp4.streams[1].sampleRate, 48000);
  // The lamp test, two waits, and the tail after the drive has ended.
  const double seconds = 3 + 2 * kWaitSeconds + 1.5;
  EXPECT_NEAR(mp4.videoSeconds(), seconds, 0.15);
  EXPECT_NEAR(mp4.audioSeconds(), mp4.videoSeconds(), 0.01);

  // The first frame after the lamp test is the board drawn directly at the
  // first stop; the frame before it is still the lamp test.
  QImage board;
  {
    test::UiScope scripted;
    Program program;
    program.setEndHandler({});
    program.start();
    route.use(program);
    program.ctl().CommandButton1[10]->click();
    program.ctl().CommandButton1[1]->click();
    program.ctl().Command1[1]->click();
    board = program.form1().grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  const int first = 3 * kFps;
  ASSERT_GT(mp4.frames.size(), static_cast<std::size_t>(first));
  const QRect area(QPoint(0, 0), board.size());
  // Inside the rounded corners, which the video shows on its dark ground.
  const QRect inner = area.adjusted(8, 8, -8, -8);
  EXPECT_LT(test::meanDifference(mp4.frames[first].copy(inner), board.copy(inner)), 2.0);
  EXPECT_GT(test::meanDifference(mp4.frames[first - 1].copy(inner), board.copy(inner)), 5.0);

  // The route set's chime at once, the lamp test silent, each step's chime
  // at its press, to the sample's frame.
  EXPECT_LT(test::firstLoud(mp4.audio, 0.05), 48000 / kFps);
  EXPECT_GT(test::rms(mp4.audio, 0, 300), 0.2);
  EXPECT_LT(test::rms(mp4.audio, 400, 3000 + kWaitSeconds * 1000), 1e-4);
  for (int press : {1, 2}) {
    const int ms = 3000 + press * kWaitSeconds * 1000;
    const qint64 heard = test::firstLoud(mp4.audio, 0.05, ms - 500);
    EXPECT_NEAR(heard, qint64{ms} * 48, 48000 / kFps + 100) << "press " << press;
    EXPECT_GT(test::rms(mp4.audio, ms, ms + 300), 0.2);
  }
}

TEST_F(RenderTest, ARouteThatCannotBeSetEndsWithOneAndNoFile) {
  EXPECT_EQ(render(QStringLiteral("none.mp4"), QStringLiteral("7")), 1);
  EXPECT_FALSE(QFileInfo::exists(route.path(QStringLiteral("none.mp4"))));
}

// An LCD without its backlight is barely seen, so a render lights it unless
// told otherwise.
TEST_F(RenderTest, TheLcdBoardIsRenderedLitUnlessTheBacklightIsGiven) {
  ASSERT_EQ(render(QStringLiteral("lit.mp4"), QStringLiteral("1"), BoardStyle::Lcd), 0);
  // Drawn and recorded, but no window holds a copy of it.
  EXPECT_FALSE(boardShown);
  ASSERT_EQ(render(QStringLiteral("dark.mp4"), QStringLiteral("1"), BoardStyle::Lcd, 0), 0);
  const int first = 3 * kFps;
  const test::DecodedMp4 lit = test::decodeMp4(route.path(QStringLiteral("lit.mp4")));
  const test::DecodedMp4 dark = test::decodeMp4(route.path(QStringLiteral("dark.mp4")));
  ASSERT_GT(lit.frames.size(), static_cast<std::size_t>(first));
  ASSERT_GT(dark.frames.size(), static_cast<std::size_t>(first));
  QImage ground(lit.frames[first].size(), QImage::Format_RGB32);
  ground.fill(Qt::black);
  EXPECT_GT(test::meanDifference(lit.frames[first], ground),
            2 * test::meanDifference(dark.frames[first], ground));
}

TEST(RecordArguments, BacklightOfARender) {
  const struct {
    const char* arguments;
    std::optional<int> backlight;
    bool error;
  } cases[] = {
      {"318 --render a.mp4 --route 1", std::nullopt, false},
      {"318 --render a.mp4 --route 1 --backlight off", 0, false},
      {"318 --render a.mp4 --route 1 --backlight ON2", 2, false},
      {"318 --render a.mp4 --route 1 --backlight dim", std::nullopt, true},
  };
  for (const auto& c : cases) {
    const RecordArguments a = findRecordArguments(QString::fromUtf8(c.arguments).split(u' '));
    EXPECT_EQ(!a.error.isEmpty(), c.error) << c.arguments;
    if (!c.error) {
      ASSERT_TRUE(a.render) << c.arguments;
      EXPECT_EQ(a.render->backlight, c.backlight) << c.arguments;
    }
  }
  EXPECT_EQ(
      findRecordArguments(QString("318 --render a.mp4 --route 1 --backlight 3").split(u' ')).error,
      QStringLiteral("--backlight には off、on1、on2 のどれかを指定してください（指定: \"3\"）"));
}

// Files this process writes may grow to `bytes` only: a longer write fails
// as on a full disk. Puts the limit and the signal's handling back.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*handler_)(int) = nullptr;
};

class RecordingTest : public test::ProgramTest {
 protected:
  RecordingTest() { program.recording().setAudio(audio.get()); }
  BoardRecording& recording() { return program.recording(); }
  QString menuText() {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QCoreApplication::sendEvent(&program.form1(), &event);
    program.form1().contextMenu()->hide();
    return program.form1().contextMenu()->actions().back()->text();
  }
  std::unique_ptr<AudioEngine> audio = AudioEngine::openManual();
};

TEST_F(RecordingTest, TheKeyAsksForAFileNamedByTheClock) {
  QTest::keyClick(&program.form1(), Qt::Key_V);
  ASSERT_EQ(companion().chooserCalls.size(), 1u);
  const auto& call = companion().chooserCalls[0];
  EXPECT_EQ(call.title, QStringLiteral("録画するファイル"));
  EXPECT_EQ(QFileInfo(call.initialPath).fileName(), QStringLiteral("ソラネ-20261207-100500.mp4"));
  EXPECT_TRUE(QFileInfo(call.initialPath).absoluteDir().exists());
  EXPECT_FALSE(recording().isRecording());  // cancelled
}

TEST_F(RecordingTest, AFileThatCannotBeWrittenIsToldOnceAndTheProgramGoesOn) {
  const QString missing = QDir(folder.dir.path()).filePath(QStringLiteral("no/such/folder.mp4"));
  const QString written = QDir(folder.dir.path()).filePath(QStringLiteral("ok.mp4"));
  // A folder that is not there and a full disk are told at once; a file
  // that may grow no more when the writer first fails, what it wrote kept.
  const QString filling = QDir(folder.dir.path()).filePath(QStringLiteral("filling.mp4"));
  const struct {
    QString path;
    QString message;
    rlim_t limit;
  } rows[] = {
      {missing, missing + QStringLiteral(": 録画できません(フォルダーがありません)"), 0},
      {QStringLiteral("/dev/full"),
       QStringLiteral("/dev/full: 録画できません(ディスクがいっぱいです)"), 0},
      {filling,
       filling +
           QStringLiteral(": 録画を止めました(ファイルが大きすぎます)。それまでの分は残っています"),
       4096},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path.toStdString());
    ui().messages.clear();
    companion().fileAnswer = row.path;
    std::optional<FileSizeLimit> limit;
    if (row.limit) limit.emplace(row.limit);
    recording().toggle();
    const QDeadlineTimer deadline(10000);
    while (ui().messages.empty() && !deadline.hasExpired()) {
      ui().clockMs += 100;
      if (recording().recorder()) recording().recorder()->frame();
      QCoreApplication::processEvents();
      QThread::msleep(2);
    }
    limit.reset();
    QCoreApplication::processEvents();
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(ui().messages[0].text, row.message);
    EXPECT_EQ(QFileInfo(row.path).size() > 0, row.limit > 0);
    EXPECT_FALSE(recording().isRecording());
    EXPECT_FALSE(program.stopLamp().isRecording());
    EXPECT_EQ(menuText(), QStringLiteral("録画開始..."));
  }
  // Another file records; its menu entry stops it.
  ui().messages.clear();
  companion().fileAnswer = written;
  recording().toggle();
  EXPECT_TRUE(recording().isRecording());
  EXPECT_TRUE(program.stopLamp().isRecording());
  EXPECT_EQ(menuText(), QStringLiteral("録画停止"));
  ui().clockMs += 1000;
  recording().toggle();
  EXPECT_FALSE(recording().isRecording());
  EXPECT_TRUE(ui().messages.empty());
  const test::DecodedMp4 mp4 = test::decodeMp4(written);
  EXPECT_EQ(mp4.error, QString());
  EXPECT_EQ(mp4.frames.size(), static_cast<std::size_t>(kFps));
}

}  // namespace
}  // namespace sorane
