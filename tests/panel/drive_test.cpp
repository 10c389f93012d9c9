#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
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

// Five stops, 0, 3, 5, 9 and 12 minutes from the first when `timed`.
std::vector<RouteRow> fiveStops(bool timed) {
  const int minutes[] = {0, 3, 5, 9, 12};
  std::vector<RouteRow> rows(5);
  for (int i = 0; i < 5; ++i) {
    RouteRow& r = rows[static_cast<std::size_t>(i)];
    r.StopName = QStringLiteral("第%1").arg(i + 1);
    r.Values[0] = static_cast<std::int16_t>(i + 1);
    r.Values[1] = static_cast<std::int16_t>(100 * i);
    r.Values[150] = static_cast<std::int16_t>(timed ? minutes[i] : 0);
  }
  return rows;
}

class DriveTest : public test::ProgramTest {
 protected:
  DriveTest() : ProgramTest(false) {
    previousFactory = installSpeechEngineFactory([this]() -> std::unique_ptr<SpeechEngine> {
      auto engine = std::make_unique<test::FakeSpeech>(speech);
      voice = engine.get();
      voice->statusValue = 0;
      return engine;
    });
    write("1.hy3", encodeRouteFile(fiveStops(false)));
    write("2.hy3", encodeRouteFile(fiveStops(true)));
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
  // Runs the virtual clock in 100 ms ticks for at most `seconds`.
  void run(int seconds, const std::function<void()>& each = {}) {
    for (int t = 0; t < seconds * 10; ++t) {
      ui().clockMs += 100;
      ctl().autoDrive().tick();
      ctl().stopRequest().tick();
      if (each) each();
    }
  }
  frmCtl& ctl() { return program.ctl(); }
  int current() { return program.dataIo().CurrentIndex; }
  bool lit() { return program.stopLamp().isLit(); }

  test::MediaCommandsScope media;
  QStringList speech;
  test::FakeSpeech* voice = nullptr;
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
  const struct {
    int route;
    bool tape;
    int wait, speed;
    std::vector<int> stepsAtSeconds;  // since the run began
  } kRuns[] = {
      {1, true, 10, 10, {10, 20, 30, 40}},
      {1, false, 5, 10, {5, 10, 15, 20}},
      {2, true, 10, 10, {18, 30, 54, 72}},  // 3, 2, 4 and 3 minutes at x10
      {2, true, 10, 60, {3, 5, 9, 12}},
  };
  bool first = true;
  for (const auto& r : kRuns) {
    SCOPED_TRACE(r.route * 100 + r.speed + (r.tape ? 1000 : 0));
    if (!r.tape) QFile::remove(path("1Tp.csv"));
    ctl().autoDrive().setWaitSeconds(r.wait);
    ctl().autoDrive().setTimetableSpeed(r.speed);
    // Switched on before any route it waits for one (as 318 --auto does).
    if (first) {
      ctl().autoDrive().setOn(true);
      EXPECT_EQ(ctl().autoDrive().state(), AutoDrive::State::Armed);
    }
    setRoute(r.route);
    if (!first) ctl().autoDrive().setOn(true);
    first = false;
    ASSERT_EQ(ctl().autoDrive().state(), AutoDrive::State::Running);
    const qint64 start = ui().clockMs;
    std::vector<int> steps;
    int last = current();
    run(120, [&] {
      if (current() != last) steps.push_back(static_cast<int>((ui().clockMs - start + 500) / 1000));
      last = current();
    });
    EXPECT_EQ(steps, r.stepsAtSeconds);
    EXPECT_EQ(ctl().autoDrive().state(), AutoDrive::State::Off);
  }
}

TEST_F(DriveTest, APressByHandOrAnotherRouteEndsTheRun) {
  const struct {
    const char* what;
    std::function<void(frmCtl&)> act;
  } kCases[] = {
      {"データ送り", [](frmCtl& c) { c.Command2[1]->click(); }},
      {"送り", [](frmCtl& c) { c.cmdTapeNext->click(); }},
      {"■ by key", [](frmCtl& c) { QTest::keyClick(&c, Qt::Key_Escape); }},
      {"表示消去", [](frmCtl& c) { c.Check1->setValue(1); }},
      {"route set", [this](frmCtl&) { setRoute(1); }},
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
    EXPECT_EQ(program.stopLamp().caption(), QString());
    const int at = current();
    run(60);
    EXPECT_EQ(current(), at);
  }
}

}  // namespace
}  // namespace sorane
