#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTest>

#include "announce_settings.h"
#include "cp932.h"
#include "fake_media.h"
#include "fake_speech.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "route_file.h"
#include "sound_services.h"
#include "stop_request.h"
#include "test_sounds.h"
#include "view_scale.h"

namespace sorane {
namespace {

// A three-stop route with a stop file of English names, its tape, and a
// voice that speaks 100 ms a character on the Ui clock.
class EnglishTest : public test::ProgramTest {
 protected:
  EnglishTest() : ProgramTest(false) {
    previousFactory = installSpeechEngineFactory([this]() -> std::unique_ptr<SpeechEngine> {
      auto engine = std::make_unique<test::FakeSpeech>(log);
      voice = engine.get();
      voice->msPerCharacter = 100;
      voice->english = englishVoice;
      return engine;
    });
    std::vector<RouteRow> rows(3);
    const char* names[] = {"駅前", "市役所", "とんけし"};
    for (int i = 0; i < 3; ++i) {
      rows[static_cast<std::size_t>(i)].StopName = QString::fromUtf8(names[i]);
      rows[static_cast<std::size_t>(i)].Values[0] = static_cast<std::int16_t>(i + 1);
    }
    write("1.hy3", encodeRouteFile(rows));
    write("1Tp.csv",
          cp932::encode(QStringLiteral("このバスはとんけし行きです,0,0\r\n次は市役所です,1,0\r\n"
                                       "[en]Please hold on.,0,0\r\n次は終点とんけしです,1,0\r\n")));
    write("1.stops.csv",
          "stop,name,en\r\n1,駅前,Ekimae\r\n2,市役所,City Hall\r\n3,とんけし,Tonkeshi\r\n");
  }
  ~EnglishTest() override { installSpeechEngineFactory(std::move(previousFactory)); }

  void start() {
    program.start();
    program.option().Text2[0]->setText(folder.dir.path());
    program.option().Text2[1]->setText(folder.dir.path());
    const QString chime = QDir(folder.dir.path()).filePath("chime.wav");
    test::writeSineWav(chime, 8000, 1.5, 880, 0.3);
    program.drive().chime = chime;
    ctl().applyDriveSettings(program.drive());
  }
  void write(const char* name, const QByteArray& bytes) {
    test::writeFile(QDir(folder.dir.path()).filePath(QString::fromLatin1(name)), bytes);
  }
  void setRoute() {
    ctl().CommandButton1[10]->click();
    ctl().CommandButton1[1]->click();
    ctl().Command1[1]->click();
  }
  // 送り, then what is heard over the next `ms` on the Ui clock, each line
  // with the milliseconds from the press to its start.
  QStringList pressAndListen(int ms) {
    voice->heard.clear();
    const QDateTime pressed = ui().now();
    ctl().cmdTapeNext->click();
    ui().clockMs += ms;
    return voice->heardSince(pressed);
  }
  frmCtl& ctl() { return program.ctl(); }
  QAction* englishItem() {
    for (QAction* a : program.form1().contextMenu()->actions())
      if (a->text() == QStringLiteral("英語の放送")) return a;
    return nullptr;
  }
  void rightPress() {
    Form1& form = program.form1();
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), form.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&form, &e);
    form.contextMenu()->hide();
  }

  test::MediaCommandsScope media;
  QStringList log;
  test::FakeSpeech* voice = nullptr;
  bool englishVoice = true;
  SpeechEngineFactory previousFactory;
};

TEST_F(EnglishTest, EachSteppingLineIsFollowedByItsStopInEnglishWhenTheJapaneseEnds) {
  start();
  program.setEnglish(true);
  setRoute();
  struct Press {
    QStringList justBefore;  // heard until 1 ms before the Japanese ends
    QStringList heard;       // heard in all
  };
  const Press presses[] = {
      {{"0 このバスはとんけし行きです"},
       {"0 このバスはとんけし行きです", "1300 en:This bus is bound for Tonkeshi."}},
      {{"0 次は市役所です"}, {"0 次は市役所です", "700 en:The next stop is City Hall."}},
      {{"0 en:Please hold on."}, {"0 en:Please hold on."}},
      {{"0 次は終点とんけしです"},
       {"0 次は終点とんけしです", "1000 en:The next stop is Tonkeshi, the last stop."}},
  };
  for (const Press& p : presses) {
    const QString first = p.heard.front().section(' ', 1);
    const int japaneseMs = static_cast<int>(first.startsWith("en:") ? 1 : first.size() * 100);
    voice->heard.clear();
    const QDateTime pressed = ui().now();
    ctl().cmdTapeNext->click();
    ui().clockMs += japaneseMs - 1;
    EXPECT_EQ(voice->heardSince(pressed), p.justBefore);
    ui().clockMs += 5000;
    EXPECT_EQ(voice->heardSince(pressed), p.heard);
  }
  EXPECT_EQ(program.dataIo().CurrentIndex, 2);
}

TEST_F(EnglishTest, OffItSaysOnlyTheJapaneseAndNoEnglishLine) {
  start();
  EXPECT_FALSE(program.announce().english);  // off at first
  setRoute();
  EXPECT_EQ(pressAndListen(5000), QStringList{"0 このバスはとんけし行きです"});
  EXPECT_EQ(pressAndListen(5000), QStringList{"0 次は市役所です"});
  EXPECT_EQ(pressAndListen(5000), QStringList());
  EXPECT_EQ(pressAndListen(5000), QStringList{"0 次は終点とんけしです"});
  EXPECT_TRUE(log.filter("en:").isEmpty()) << log.join(" | ").toStdString();
}

TEST_F(EnglishTest, TheStopRequestSaysItsEnglishAfterTheAnnouncementsEnglish) {
  start();
  program.setEnglish(true);
  setRoute();
  voice->heard.clear();
  const QDateTime pressed = ui().now();
  ctl().cmdTapeNext->click();  // 1.3 s of Japanese, then 3.1 s of English
  ctl().stopRequest().press();
  for (int t = 0; t < 100; ++t) {
    ui().clockMs += 100;
    ctl().stopRequest().tick();
  }
  EXPECT_EQ(voice->heardSince(pressed),
            (QStringList{"0 このバスはとんけし行きです", "1300 en:This bus is bound for Tonkeshi.",
                         "4400 次、止まります。", "5200 en:The bus will stop at the next stop."}));
}

TEST_F(EnglishTest, TheMenuItemSwitchesItKeepsItInViewIniAndStartsWithIt) {
  start();
  QAction* item = englishItem();
  ASSERT_TRUE(item);
  rightPress();
  EXPECT_TRUE(item->isEnabled());
  EXPECT_FALSE(item->isChecked());
  log.clear();
  item->trigger();
  EXPECT_TRUE(program.announce().english);
  EXPECT_TRUE(ctl().tape().english());
  EXPECT_TRUE(log.contains("prepare:en:The bus will stop at the next stop."));
  const QSettings ini(viewSettingsFile(), QSettings::IniFormat);
  EXPECT_EQ(ini.value("announce/english").toString(), "true");
  rightPress();
  EXPECT_TRUE(item->isChecked());
  // The next start begins with it on.
  Program next;
  next.setEndHandler([] {});
  next.start();
  EXPECT_TRUE(next.announce().english);
  EXPECT_TRUE(next.ctl().tape().english());
  item->trigger();
  EXPECT_FALSE(AnnounceSettings::load(viewSettingsFile()).english);
}

TEST_F(EnglishTest, WithoutAnEnglishVoiceTheItemIsDisabled) {
  englishVoice = false;
  start();
  rightPress();
  EXPECT_FALSE(englishItem()->isEnabled());
}

}  // namespace
}  // namespace sorane

namespace sorane {
namespace {

// The demo route, as the README shows it.
TEST_F(EnglishTest, TheDemoRouteIsAnnouncedInEnglishFromItsStopFile) {
  start();
  program.option().Text2[0]->setText(QStringLiteral(SORANE_DEMO_DIR));
  program.option().Text2[1]->setText(QStringLiteral(SORANE_DEMO_DIR));
  program.setEnglish(true);
  setRoute();
  EXPECT_TRUE(ui().messages.empty());
  QStringList english;
  for (int press = 0; press < 3; ++press) {
    log.clear();
    ctl().cmdTapeNext->click();
    english += log.filter("then:en:");
  }
  EXPECT_EQ(english,
            (QStringList{"then:en:This bus is bound for Yamanoue Onsenkyo Ropeway Station.",
                         "then:en:The next stop is Midorigaoka 1-chome.",
                         "then:en:The next stop is Shimin Hospital."}));
}

}  // namespace
}  // namespace sorane
