#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "auto_drive.h"
#include "cp932.h"
#include "fake_media.h"
#include "fake_speech.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "route_file.h"
#include "sound_services.h"
#include "stop_lamp.h"
#include "stop_request.h"
#include "test_sounds.h"

namespace sorane {
namespace {

// Five stops; with minutes 0, 3, 5, 9 and 12 in column 150 when asked,
// which is not read as times.
std::vector<RouteRow> fiveStops(bool minutesIn150) {
  const int minutes[] = {0, 3, 5, 9, 12};
  std::vector<RouteRow> rows(5);
  for (int i = 0; i < 5; ++i) {
    RouteRow& r = rows[static_cast<std::size_t>(i)];
    r.StopName = QStringLiteral("第%1").arg(i + 1);
    r.Values[0] = static_cast<std::int16_t>(i + 1);
    r.Values[1] = static_cast<std::int16_t>(100 * i);
    r.Values[150] = static_cast<std::int16_t>(minutesIn150 ? minutes[i] : 0);
  }
  return rows;
}

// Speaks each text for its length in `lengths` (ms) on the virtual clock,
// and keeps what a stop cut off.
class TimedSpeech : public test::FakeSpeech {
 public:
  TimedSpeech(QStringList& log, const test::ScriptedUi& ui, const QHash<QString, int>& lengths)
      : FakeSpeech(log), ui_(ui), lengths_(lengths) {
    statusValue = 0;
  }
  using FakeSpeech::speak;
  void speak(const std::vector<SpeechLine>& lines) override {
    FakeSpeech::speak(lines);
    text_ = lines.empty() ? QString() : lines.front().text;
    until_ = ui_.clockMs;
    for (const SpeechLine& line : lines) until_ += lengths_.value(line.text);
  }
  void stop() override {
    if (ui_.clockMs < until_) cutOff << text_;
    until_ = 0;
    FakeSpeech::stop();
  }
  std::int32_t status() override {
    return FakeSpeech::status() == 1 || ui_.clockMs < until_ ? 1 : 0;
  }
  QStringList cutOff;

 private:
  const test::ScriptedUi& ui_;
  const QHash<QString, int>& lengths_;
  QString text_;
  qint64 until_ = 0;
};

class DriveTest : public test::ProgramTest {
 protected:
  DriveTest() : ProgramTest(false) {
    previousFactory = installSpeechEngineFactory([this]() -> std::unique_ptr<SpeechEngine> {
      auto engine = std::make_unique<TimedSpeech>(speech, ui(), speechMs);
      voice = engine.get();
      return engine;
    });
    // Route 2's times, 3, 2, 4 and 3 minutes apart, are in its stop file.
    write("1.hy3", encodeRouteFile(fiveStops(true)));
    write("2.hy3", encodeRouteFile(fiveStops(false)));
    write("2.stops.csv", "stop,time\n1,23:58\n2,24:01\n3,24:03\n4,24:07\n5,24:10\n");
    QByteArray tape = cp932::encode(QStringLiteral("このバスは第5行きです。,0,0\r\n"));
    for (int i = 2; i <= 5; ++i) tape += cp932::encode(QStringLiteral("次は、第%1です。,1,0\r\n").arg(i));
    write("1Tp.csv", tape);
    write("2Tp.csv", tape);
    test::writeSineWav(path("chime.wav"), 8000, 1.5, 880, 0.3);
    program.start();
    program.option().Text2[0]->setText(folder.dir.path());
    program.option().Text2[1]->setText(folder.dir.path());
    program.drive().chime = path("chime.wav");
    ctl().applyDriveSettings(program.drive());
  }
  ~DriveTest() override { installSpeechEngineFactory(std::move(previousFactory)); }

  QString path(const char* name) const {
    return QDir(folder.dir.path()).filePath(QString::fromLatin1(name));
  }
  void write(const char* name, const QByteArray& bytes) { test::writeFile(path(name), bytes); }
  void setRoute(int route) {
    ctl().CommandButton1[10]->click();
    ctl().CommandButton1[route]->click();
    ctl().Command1[1]->click();
  }
  // Runs the virtual clock in 100 ms ticks for `seconds`.
  void run(int seconds, const std::function<void()>& each = {}) { runMs(seconds * 1000, each); }
  void runMs(int ms, const std::function<void()>& each = {}) {
    for (int t = 0; t < ms / 100; ++t) {
      ui().clockMs += 100;
      ctl().autoDrive().tick();
      ctl().stopRequest().tick();
      if (each) each();
    }
  }
  // The steps of the board while the clock runs `seconds`, in ms from now.
  std::vector<qint64> stepsWithin(int seconds) {
    const qint64 start = ui().clockMs;
    std::vector<qint64> steps;
    int last = current();
    run(seconds, [&] {
      if (current() != last) steps.push_back(ui().clockMs - start);
      last = current();
    });
    return steps;
  }
  AutoDrive& drive() { return ctl().autoDrive(); }
  frmCtl& ctl() { return program.ctl(); }
  int current() { return program.dataIo().CurrentIndex; }
  bool lit() { return program.stopLamp().isLit(); }

  test::MediaCommandsScope media;
  QStringList speech;
  QHash<QString, int> speechMs;
  TimedSpeech* voice = nullptr;
  SpeechEngineFactory previousFactory;
};

TEST_F(DriveTest, APressLightsTheLampChimesOnceAndSaysThePhraseAfterTheAnnouncement) {
  const QString chime = QStringLiteral("open \"%1\" type waveaudio alias 318S4 wait").arg(path("chime.wav"));
  for (bool announcing : {false, true}) {
    SCOPED_TRACE(announcing);
    setRoute(1);
    media.media.commands.clear();
    speech.clear();
    voice->statusValue = announcing ? 1 : 0;
    QTest::keyClick(&program.form1(), Qt::Key_B);
    QTest::mouseClick(&program.stopLamp(), Qt::LeftButton);  // lit: nothing more
    EXPECT_TRUE(lit());
    EXPECT_EQ(media.media.commands.count(chime), 1);
    EXPECT_TRUE(media.media.commands.contains(QStringLiteral("play 318S4 from 0")));
    run(1);  // the chime still sounds
    EXPECT_FALSE(speech.contains(QStringLiteral("speak:次、止まります。")));
    run(2);
    EXPECT_EQ(speech.count(QStringLiteral("speak:次、止まります。")), announcing ? 0 : 1);
    voice->statusValue = 0;
    run(1);
    EXPECT_EQ(speech.count(QStringLiteral("speak:次、止まります。")), 1);
  }
  // Not while a dialog is open.
  setRoute(1);
  EXPECT_FALSE(lit());
  QDialog dialog;
  QTimer::singleShot(0, &dialog, [&] {
    QTest::mouseClick(&program.stopLamp(), Qt::LeftButton);
    dialog.reject();
  });
  dialog.exec();
  EXPECT_FALSE(lit());
}

// Nothing is spoken or made before the windows show: the phrase is made
// while a route set's lamp test runs.
TEST_F(DriveTest, ThePhraseIsMadeAtARouteSetNotAtStart) {
  const QString made = QStringLiteral("prepare:次、止まります。");
  EXPECT_EQ(speech.filter(QStringLiteral("prepare:")), QStringList());
  setRoute(1);
  EXPECT_EQ(speech.count(made), 1);
}

TEST_F(DriveTest, TheLampGoesOutOnArrivalRouteSetAndDisplayClearOnly) {
  const struct {
    const char* what;
    std::function<void(frmCtl&)> act;
    bool out;
  } kCases[] = {
      {"データ送り", [](frmCtl& c) { c.Command2[1]->click(); }, true},
      {"データ戻し", [](frmCtl& c) { c.Command2[0]->click(); }, false},
      {"opening line", [](frmCtl& c) { c.cmdTapeNext->click(); }, false},
      {"stepping line", [](frmCtl& c) { c.cmdTapeNext->click(); c.cmdTapeNext->click(); }, true},
      {"表示消去", [](frmCtl& c) { c.Check1->setValue(1); }, true},
      {"route set", [this](frmCtl&) { setRoute(1); }, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ctl().Check1->setValue(0);
    setRoute(1);
    ctl().Command2[1]->click();
    QTest::keyClick(&ctl(), Qt::Key_B);
    ASSERT_TRUE(lit());
    c.act(ctl());
    EXPECT_EQ(lit(), !c.out);
  }
}

TEST_F(DriveTest, AnAutomaticRunStepsOnceAStopAtItsPaceAndStopsAtTheEnd) {
  const QString opening = QStringLiteral("このバスは第5行きです。");
  const struct {
    const char* what;
    int route;
    bool tape;
    int wait, speed;
    int openingMs, lineMs;            // how long the announcements speak
    bool flagColumn150;               // the settings read column 150 as the step-sound flag
    std::vector<int> stepsAtSeconds;  // since the run began
  } kRuns[] = {
      {"wait", 1, true, 10, 10, 0, 0, false, {10, 20, 30, 40}},
      {"wait after each announcement", 1, true, 10, 10, 3000, 5000, false, {13, 28, 43, 58}},
      {"timetable x10", 2, true, 10, 10, 0, 0, false, {18, 30, 54, 72}},  // 3, 2, 4, 3 minutes
      // 6, 4, 8 and 6 s from each press; the second announcement is longer.
      {"timetable x30 announced", 2, true, 10, 30, 3000, 5000, false, {6, 11, 19, 25}},
      {"timetable x60", 2, true, 10, 60, 0, 0, false, {3, 5, 9, 12}},
      {"timetable x1", 2, true, 10, 1, 4000, 4000, false, {180, 300, 540, 720}},
      {"column 150 a flag, the times still kept", 2, true, 10, 30, 0, 0, true, {6, 10, 18, 24}},
      {"wait, no tape", 1, false, 5, 10, 0, 0, false, {5, 10, 15, 20}},
  };
  bool first = true;
  for (const auto& r : kRuns) {
    SCOPED_TRACE(r.what);
    if (!r.tape) QFile::remove(path("1Tp.csv"));
    speechMs.clear();
    speechMs[opening] = r.openingMs;
    for (int i = 2; i <= 5; ++i) speechMs[QStringLiteral("次は、第%1です。").arg(i)] = r.lineMs;
    program.option().Option2[r.flagColumn150 ? 1 : 0]->setValue(true);
    program.option().Combo1->setListIndex(149);
    drive().setWaitSeconds(r.wait);
    drive().setTimetableSpeed(r.speed);
    // Switched on before any route it waits for one (as 318 --auto does).
    if (first) {
      drive().setOn(true);
      EXPECT_EQ(drive().state(), AutoDrive::State::Armed);
    }
    setRoute(r.route);
    if (!first) drive().setOn(true);
    first = false;
    ASSERT_EQ(drive().state(), AutoDrive::State::Running);
    std::vector<int> steps;
    for (qint64 ms : stepsWithin(r.stepsAtSeconds.back() + 30))
      steps.push_back(static_cast<int>(ms / 1000));
    EXPECT_EQ(steps, r.stepsAtSeconds);
    EXPECT_EQ(drive().state(), AutoDrive::State::Off);
    EXPECT_FALSE(drive().ticking());
    EXPECT_EQ(voice->cutOff, QStringList());
  }
}

TEST_F(DriveTest, APressByHandEndsTheRun) {
  const struct {
    const char* what;
    std::function<void(frmCtl&)> act;
  } kCases[] = {
      {"データ送り", [](frmCtl& c) { c.Command2[1]->click(); }},
      {"送り", [](frmCtl& c) { c.cmdTapeNext->click(); }},
      {"■ by key", [](frmCtl& c) { QTest::keyClick(&c, Qt::Key_Escape); }},
      {"表示消去", [](frmCtl& c) { c.Check1->setValue(1); }},
      {"key A", [](frmCtl& c) { QTest::keyClick(&c, Qt::Key_A); }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ctl().Check1->setValue(0);
    setRoute(1);
    QTest::keyClick(&program.form1(), Qt::Key_A);
    ASSERT_EQ(ctl().autoDrive().state(), AutoDrive::State::Running);
    EXPECT_EQ(program.stopLamp().caption(), QStringLiteral("自動運行中"));
    EXPECT_TRUE(ctl().cmdTapeNext->toolTip().startsWith(QStringLiteral("自動運行中")));
    run(15);
    ASSERT_EQ(current(), 1);
    c.act(ctl());
    EXPECT_EQ(ctl().autoDrive().state(), AutoDrive::State::Off);
    EXPECT_FALSE(ctl().autoDrive().ticking());
    EXPECT_EQ(program.stopLamp().caption(), QString());
    const int at = current();
    run(60);
    EXPECT_EQ(current(), at);
  }
}

// The README's recipe, A and then a route set, whatever the panel showed.
TEST_F(DriveTest, AThenARouteSetDrivesThatRoute) {
  const QString armed = QStringLiteral("自動運行：系統設定で開始します");
  const struct {
    const char* what;
    std::function<void()> before, afterA;
    QString captionAfterA;
  } kStates[] = {
      {"no route yet", [] {}, [] {}, armed},
      {"a route shown", [this] { setRoute(2); }, [] {}, QStringLiteral("自動運行中")},
      {"a run ended at the last stop",
       [this] {
         setRoute(2);
         drive().setOn(true);
         run(200);
       },
       [] {}, armed},
      {"display cleared, released after A", [this] { ctl().Check1->setValue(1); },
       [this] { ctl().Check1->setValue(0); }, armed},
  };
  for (const auto& c : kStates) {
    SCOPED_TRACE(c.what);
    c.before();
    ASSERT_EQ(drive().state(), AutoDrive::State::Off);
    QTest::keyClick(&program.form1(), Qt::Key_A);
    c.afterA();
    EXPECT_EQ(program.stopLamp().caption(), c.captionAfterA);
    setRoute(1);
    ASSERT_EQ(drive().state(), AutoDrive::State::Running);
    EXPECT_EQ(program.dataIo().RouteText, QStringLiteral("1"));
    drive().tick();  // the opening announcement at once
    EXPECT_EQ(stepsWithin(15), std::vector<qint64>{10000});
    drive().setOn(false);
  }
  // A route set while it runs: the new route from its first stop.
  setRoute(2);
  drive().setOn(true);
  run(25);
  ASSERT_EQ(current(), 1);
  setRoute(1);
  EXPECT_EQ(drive().state(), AutoDrive::State::Running);
  EXPECT_EQ(current(), 0);
  drive().tick();
  EXPECT_EQ(stepsWithin(15), std::vector<qint64>{10000});
}

TEST_F(DriveTest, TheNextStepWaitsForTheStopPhraseToEnd) {
  speechMs[StopRequest::kPhrase] = 4000;
  const struct {
    int pressAtMs;
    qint64 stepAtMs;  // the step is due at 10 s; the chime lasts 1.5 s
  } kCases[] = {
      {2000, 10000},  // the phrase ends at 7.5 s
      {8000, 13500},  // it sounds from 9.5 s to 13.5 s
      {9000, 14500},  // it waits for the chime past the step's time
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.pressAtMs);
    setRoute(1);
    drive().setOn(true);
    drive().tick();
    runMs(c.pressAtMs);
    QTest::keyClick(&program.form1(), Qt::Key_B);
    speech.clear();
    const std::vector<qint64> steps = stepsWithin(15);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.front() + c.pressAtMs, c.stepAtMs);
    EXPECT_EQ(speech.filter(QStringLiteral("speak:")),
              (QStringList{QStringLiteral("speak:次、止まります。"),
                           QStringLiteral("speak:次は、第2です。")}));
    EXPECT_EQ(voice->cutOff, QStringList());
    drive().setOn(false);
  }
}

}  // namespace
}  // namespace sorane
