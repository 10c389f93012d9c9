#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QCoreApplication>
#include <QTimer>

#include "chimei_ctl_b.h"
#include "cp932.h"
#include "fake_media.h"
#include "fake_speech.h"
#include "form1.h"
#include "lcd_board.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "route_file.h"
#include "sound_services.h"
#include "stop_request.h"

namespace sorane {
namespace {

// Six stops. Row i: ticket i, cell k shows 1000 i + k, column 33 holds the
// step-chime flag of the row.
std::vector<RouteRow> sixStops() {
  const char16_t* names[] = {u"一番町", u"二番町", u"", u"四番町", u"五番町ロータリー前", u"終点"};
  const int flags[] = {1, 2, 3, 0, 4, -1};
  std::vector<RouteRow> rows(6);
  for (int i = 1; i <= 6; ++i) {
    RouteRow& r = rows[static_cast<std::size_t>(i - 1)];
    r.StopName = QString::fromUtf16(names[i - 1]);
    r.Values[0] = static_cast<std::int16_t>(i);
    for (int k = 1; k <= 32; ++k)
      r.Values[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(1000 * i + k);
    r.Values[33] = static_cast<std::int16_t>(flags[i - 1]);
  }
  rows[3].Values[2] = 20000;  // doubled past 16 bits at night
  rows[3].Values[3] = -1;
  rows[3].Values[4] = -2;
  return rows;
}

class RouteCommandsTest : public test::ProgramTest {
 protected:
  RouteCommandsTest() : ProgramTest(false) {
    previousFactory = installSpeechEngineFactory([this]() -> std::unique_ptr<SpeechEngine> {
      if (!speechAvailable) return nullptr;
      return std::make_unique<test::FakeSpeech>(speech);
    });
    write("1.hy3", encodeRouteFile(sixStops()));
    write("1Tp.csv", cp932::encode(QStringLiteral(
                         "ご乗車ありがとうございます。,0,1\r\n次は、二番町です。,1,2\r\n"
                         "\"しばらく、止まります。\",0,0\r\n次は、四番町です。,1,0\r\n")));
    for (const char* s :
         {"set.wav", "click.wav", "s1.wav", "s2.wav", "s3.wav", "step.wav", "a1.wav"})
      write(s, "RIFF");
    program.start();
    frmOption& o = program.option();
    o.Text2[0]->setText(folder.dir.path());
    o.Text2[1]->setText(folder.dir.path() + "/");
    o.txtSelectSound[0]->setText(path("set.wav"));
    o.txtSelectSound[1]->setText(path("click.wav"));
    o.txtSelectSound[7]->setText(path("step.wav"));
    o.txtSelectSound[8]->setText(path("s1.wav"));
    o.txtSelectSound[9]->setText(path("s2.wav"));
    o.txtSelectSound[10]->setText(path("s3.wav"));
    o.txtSelectSound[3]->setText(path("a1.wav"));
  }
  ~RouteCommandsTest() override { installSpeechEngineFactory(std::move(previousFactory)); }

  QString path(const char* name) const {
    return QDir(folder.dir.path()).filePath(QString::fromLatin1(name));
  }
  void write(const char* name, const QByteArray& bytes) {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  void keys(std::initializer_list<int> ks) {
    for (int k : ks) ctl().CommandButton1[k]->click();
  }
  // Route `route` from section `section` on the keypad, then "リセット".
  void setRoute(const QString& route, const QString& section) {
    keys({10});
    for (QChar c : route) keys({c.digitValue()});
    keys({11});
    for (QChar c : section) keys({c.digitValue()});
    ctl().Command1[1]->click();
  }
  frmCtl& ctl() { return program.ctl(); }
  frmOption& option() { return program.option(); }
  M_Degit* cell(int k) { return program.form1().Degit[k]; }
  QString stopName() { return program.form1().ChimeiCtl->shownText(); }
  int current() { return program.dataIo().CurrentIndex; }
  QStringList& sent() { return mediaScope.media.commands; }
  // Pauses that hold the program (sounds that do not wait pause for 0 ms).
  std::vector<int> longPauses() {
    std::vector<int> out;
    for (int ms : ui().pauses)
      if (ms > 0) out.push_back(ms);
    return out;
  }

  test::MediaCommandsScope mediaScope;
  QStringList speech;
  bool speechAvailable = true;
  SpeechEngineFactory previousFactory;
};

TEST_F(RouteCommandsTest, KeypadRouteSetRunsTheLampTestThenShowsTheStartRow) {
  bool lampLit = true;
  QString nameDuringTest;
  ui().onPause = [&](int ms) {
    if (ms == 0) return;  // a sound that does not wait
    nameDuringTest = stopName();
    for (int k = 1; k <= 32; ++k) lampLit &= cell(k)->shownText() == QStringLiteral("8888");
  };
  setRoute("1", "2");
  EXPECT_EQ(longPauses(), std::vector<int>{3000});
  EXPECT_TRUE(lampLit);
  EXPECT_EQ(nameDuringTest, QStringLiteral("系統選別中"));
  EXPECT_TRUE(ui().messages.empty());
  EXPECT_EQ(current(), 1);
  EXPECT_EQ(cell(1)->Value(), QVariant(0));  // below the section: the lamp test's 0
  EXPECT_EQ(cell(1)->shownText(), QString());
  EXPECT_EQ(cell(2)->Value(), QVariant(2002));
  EXPECT_EQ(cell(32)->shownText(), QStringLiteral("2032"));
  EXPECT_EQ(stopName(), QStringLiteral("二番町"));
  EXPECT_TRUE(ctl().Command2[0]->isEnabled());
  EXPECT_TRUE(ctl().Command2[1]->isEnabled());
  EXPECT_TRUE(ctl().Check1->isEnabled());
  EXPECT_EQ(ctl().RouteSetDate, QStringLiteral("12-07-2026"));
  // The route-set chime on S1, after the seven key sounds.
  const QString set = path("set.wav");
  const QStringList tail = sent().mid(sent().size() - 4);
  EXPECT_EQ(tail,
            (QStringList{"close 318S1", "open \"" + set + "\" type waveaudio alias 318S1 wait",
                         "stop 318S1", "play 318S1 from 0"}));
  EXPECT_EQ(sent().count(QStringLiteral("play 318S1 from 0")), 5);
}

// A click made while the program is held (the lamp test's pause, a waited
// step sound) is delivered once it goes on: the newest display must stand,
// the name always that of the row whose fares are shown.
TEST_F(RouteCommandsTest, AStepClickedWhileTheProgramIsHeldShowsOneRowWhole) {
  // During the lamp test of a route set from section 1, and during the
  // waited sound of a step from row 1; either way one more row on.
  for (bool duringStepSound : {false, true}) {
    SCOPED_TRACE(duringStepSound ? "waited step sound" : "lamp test");
    option().Option6[duringStepSound ? 0 : 1]->setValue(true);
    bool armed = false;
    bool clicked = false;
    ui().onPause = [&](int ms) {
      // The waited step sound is followed by its pause of 0 ms.
      if (!armed || clicked || ms != (duringStepSound ? 0 : 3000)) return;
      clicked = true;
      QTimer::singleShot(0, ctl().Command2[1], &QPushButton::click);
    };
    armed = !duringStepSound;
    setRoute("1", "1");
    armed = true;
    if (duringStepSound) ctl().Command2[1]->click();
    ui().onPause = nullptr;
    ASSERT_TRUE(clicked);
    QCoreApplication::processEvents();  // the held click runs once the command is done
    const int row = duringStepSound ? 3 : 2;
    EXPECT_EQ(current(), row - 1);
    EXPECT_EQ(cell(2)->Value(), QVariant(1000 * row + 2));
    EXPECT_EQ(stopName(), sixStops()[static_cast<std::size_t>(row - 1)].StopName);
  }
}

TEST_F(RouteCommandsTest, KeypadLimitsStillSoundTheKey) {
  keys({10, 1, 2, 3, 4, 5, 6, 11, 7, 8, 9, 0});
  EXPECT_EQ(ctl().Label2[0]->text(), QStringLiteral("12345"));
  EXPECT_EQ(ctl().Label2[2]->text(), QStringLiteral("789"));
  EXPECT_EQ(sent().count(QStringLiteral("play 318S1 from 0")), 12);
  keys({10});
  EXPECT_EQ(ctl().Label2[0]->text(), QString());
  EXPECT_EQ(ctl().Label2[2]->text(), QStringLiteral("789"));
}

TEST_F(RouteCommandsTest, DigitsBeforeTheRouteKeyGoToTheSection) {
  keys({4});
  EXPECT_EQ(ctl().Label2[2]->text(), QStringLiteral("4"));
  EXPECT_EQ(ctl().Label2[0]->text(), QString());
}

TEST_F(RouteCommandsTest, ListRouteSetJoinsTheSelectedDigits) {
  ctl().List2[3]->setCurrentRow(0);
  ctl().List2[4]->setCurrentRow(1);  // route "01"
  ctl().List3[2]->setCurrentRow(3);  // section "3"
  ctl().Command1[0]->click();
  EXPECT_EQ(program.dataIo().RouteText, QStringLiteral("01"));
  EXPECT_EQ(program.dataIo().StartSection, 3);
  EXPECT_EQ(current(), 2);
  // A route list sounds the reset sound, a section list the route-set sound.
  EXPECT_TRUE(
      sent().contains("open \"" + path("click.wav") + "\" type waveaudio alias 318S1 wait"));
  EXPECT_TRUE(sent().contains("open \"" + path("set.wav") + "\" type waveaudio alias 318S1 wait"));
}

TEST_F(RouteCommandsTest, EmptySectionIsOneAndEmptyRouteIsRouteZero) {
  setRoute("1", "");
  EXPECT_EQ(program.dataIo().StartSection, 1);
  EXPECT_EQ(current(), 0);
  setRoute("", "");
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].text, QStringLiteral("指定した系統のデータがありません..."));
  // The failed set leaves the board and the step buttons as they were.
  EXPECT_EQ(stopName(), QStringLiteral("一番町"));
  EXPECT_TRUE(ctl().Command2[1]->isEnabled());
  EXPECT_EQ(current(), 0);
}

TEST_F(RouteCommandsTest, SectionAboveTheDataIsRefusedBeforeTheLampTest) {
  setRoute("1", "900");  // 300 after clamping, still past six stops
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_TRUE(ui().messages[0].text.startsWith(
      QStringLiteral("指定した区間はデータの数よりも多いです...")));
  EXPECT_EQ(program.dataIo().StartSection, 0);  // as before the refused set
  EXPECT_TRUE(longPauses().empty());
  EXPECT_FALSE(ctl().Command2[1]->isEnabled());
}

TEST_F(RouteCommandsTest, SteppingStopsSilentlyAtBothEnds) {
  setRoute("1", "1");
  sent().clear();
  ctl().Command2[0]->click();
  EXPECT_EQ(current(), 0);
  EXPECT_TRUE(sent().isEmpty());
  for (int i = 0; i < 5; ++i) ctl().Command2[1]->click();
  EXPECT_EQ(current(), 5);
  EXPECT_EQ(stopName(), QStringLiteral("終点"));
  sent().clear();
  ctl().Command2[1]->click();
  EXPECT_EQ(current(), 5);
  EXPECT_TRUE(sent().isEmpty());
  ctl().Command2[0]->click();
  EXPECT_EQ(current(), 4);
  EXPECT_EQ(stopName(), QStringLiteral("五番町ロータリー前"));
  // A count larger than the store holds (left by a file read elsewhere)
  // never takes the board past the last stop.
  program.dataIo().RouteCount = 300;
  for (int i = 0; i < 3; ++i) ctl().Command2[1]->click();
  EXPECT_EQ(current(), 5);
}

TEST_F(RouteCommandsTest, StepSoundFixedOrByTheFlagColumn) {
  setRoute("1", "1");
  sent().clear();
  ctl().Command2[1]->click();  // fixed sound, not waited
  EXPECT_EQ(sent(),
            (QStringList{"close 318S2",
                         "open \"" + path("step.wav") + "\" type waveaudio alias 318S2 wait",
                         "stop 318S2", "play 318S2 from 0"}));
  option().Option2[1]->setValue(true);
  option().Combo1->setListIndex(32);  // column 33
  option().Option6[0]->setValue(true);
  sent().clear();
  ctl().Command2[1]->click();  // row 3: flag 3, waited
  EXPECT_EQ(sent(), (QStringList{"close 318S2",
                                 "open \"" + path("s3.wav") + "\" type waveaudio alias 318S2 wait",
                                 "play 318S2 from 0 wait"}));
  for (int flag : {0, 4, -1}) {  // rows 4, 5, 6 step silently
    sent().clear();
    ctl().Command2[1]->click();
    EXPECT_TRUE(sent().isEmpty()) << flag;
  }
  sent().clear();
  for (int i = 0; i < 4; ++i) ctl().Command2[0]->click();  // back through rows 5, 4, 3 to 2
  EXPECT_EQ(sent().filter(QStringLiteral("open")),
            (QStringList{"open \"" + path("s3.wav") + "\" type waveaudio alias 318S2 wait",
                         "open \"" + path("s2.wav") + "\" type waveaudio alias 318S2 wait"}));
}

TEST_F(RouteCommandsTest, NightFareDoublesAllButMinusOneInAWideType) {
  setRoute("1", "1");
  ctl().Check2->setValue(1);
  EXPECT_EQ(cell(2)->Value(), QVariant(1002));             // nothing changes until the next display
  for (int i = 0; i < 3; ++i) ctl().Command2[1]->click();  // row 4
  const struct {
    int cell;
    int shown;
  } kCells[] = {
      {1, 8002},
      {2, 40000},
      {3, -1},  // the marker stays
      {4, -4},  // any other negative value is doubled
  };
  for (const auto& c : kCells) EXPECT_EQ(cell(c.cell)->Value(), QVariant(c.shown)) << c.cell;
  EXPECT_EQ(cell(3)->shownText(), QStringLiteral("-1"));
  EXPECT_EQ(cell(4)->shownText(), QStringLiteral("-4"));
}

TEST_F(RouteCommandsTest, InformationDigitsInTheirOrder) {
  frmOption& o = option();
  o.Check3[0]->setValue(1);
  o.Combo4[0]->setListIndex(4);  // stop order into cell 5
  o.Check3[4]->setValue(1);      // counted from 0
  o.Check3[2]->setValue(1);
  o.Combo4[2]->setListIndex(5);  // route number into cell 6
  o.Check3[3]->setValue(1);
  o.Combo4[4]->setListIndex(32);  // column 33 ...
  o.Combo4[3]->setListIndex(6);   // ... into cell 7
  setRoute("00001", "1");
  EXPECT_EQ(cell(5)->Value(), QVariant(0));
  EXPECT_EQ(cell(6)->Value(), QVariant(QStringLiteral("00001")));
  EXPECT_EQ(cell(6)->shownText(), QStringLiteral("0001"));
  EXPECT_EQ(cell(7)->Value(), QVariant(1));  // row 1's flag column
  EXPECT_EQ(cell(8)->Value(), QVariant(1008));
  // The ticket number aimed at the same cell as the stop order wins.
  o.Check3[1]->setValue(1);
  o.Combo4[1]->setListIndex(4);
  ctl().Command2[1]->click();
  EXPECT_EQ(cell(5)->Value(), QVariant(2));
  // No selection writes to the hidden spare cell.
  o.Combo4[2]->setListIndex(-1);
  ctl().Command2[1]->click();
  EXPECT_EQ(cell(0)->Value(), QVariant(QStringLiteral("00001")));
  EXPECT_EQ(cell(6)->Value(), QVariant(3006));
}

TEST_F(RouteCommandsTest, CellsBelowTheStartSectionKeepTheLampTestZero) {
  setRoute("1", "3");
  ctl().Command2[0]->click();
  ctl().Command2[0]->click();
  EXPECT_EQ(current(), 0);
  EXPECT_EQ(cell(1)->Value(), QVariant(0));
  EXPECT_EQ(cell(2)->Value(), QVariant(0));
  EXPECT_EQ(cell(3)->Value(), QVariant(1003));
}

TEST_F(RouteCommandsTest, EmptyStopNameClearsTheStrip) {
  setRoute("1", "2");
  ctl().Command2[1]->click();  // row 3 has no name
  EXPECT_EQ(stopName(), QString());
}

TEST_F(RouteCommandsTest, DisplayClearBothWays) {
  setRoute("1", "1");
  ctl().Check1->setValue(1);
  EXPECT_EQ(stopName(), QString());
  for (int k = 1; k <= 32; ++k) EXPECT_EQ(cell(k)->shownText(), QString());
  EXPECT_FALSE(ctl().Frame1[0]->isEnabled());
  EXPECT_FALSE(ctl().Command2[1]->isEnabled());
  EXPECT_FALSE(ctl().grpM_Tape->isEnabled());
  EXPECT_FALSE(ctl().Frame6->isEnabled());
  EXPECT_FALSE(program.form1().Timer1->isActive());
  ctl().Check1->setValue(0);
  EXPECT_TRUE(ctl().Frame1[1]->isEnabled());
  EXPECT_TRUE(ctl().Command2[0]->isEnabled());
  EXPECT_TRUE(ctl().Frame6->isEnabled());
  EXPECT_TRUE(ctl().grpM_Tape->isEnabled());
  EXPECT_FALSE(program.form1().Timer1->isActive());  // the clock is hidden
  EXPECT_EQ(stopName(), QStringLiteral("一番町"));
  EXPECT_EQ(cell(2)->Value(), QVariant(1002));
  // Without a usable tape its frame stays off.
  speechAvailable = false;
  ctl().tape().InitTape();
  ctl().Check1->setValue(1);
  ctl().Check1->setValue(0);
  EXPECT_FALSE(ctl().grpM_Tape->isEnabled());
}

TEST_F(RouteCommandsTest, SettingsButtonRedrawsTheStopName) {
  setRoute("1", "2");
  bool boardDisabled = false;
  QTimer::singleShot(0, [&] {
    boardDisabled = !program.form1().isEnabled() && !ctl().isEnabled();
    option().Command4->click();
  });
  ctl().Command4->click();
  EXPECT_TRUE(boardDisabled);
  EXPECT_TRUE(program.form1().isEnabled());
  EXPECT_TRUE(ctl().isEnabled());
  EXPECT_FALSE(option().isVisible());
  EXPECT_EQ(stopName(), QStringLiteral("二番町"));
}

TEST_F(RouteCommandsTest, SettingsKeepTheBoardDarkWhileTheDisplayIsCleared) {
  setRoute("1", "2");
  ctl().Check1->setValue(1);
  QTimer::singleShot(0, [&] { option().Command4->click(); });
  ctl().Command4->click();
  EXPECT_EQ(stopName(), QString());
  const QImage& strip = program.form1().ChimeiCtl->Picture1()->surface();
  const QRgb back = strip.pixel(0, 0);
  int dots = 0;
  for (int y = 0; y < strip.height(); ++y)
    for (int x = 0; x < strip.width(); ++x) dots += strip.pixel(x, y) != back;
  EXPECT_EQ(dots, 0);
  for (int k = 1; k <= 32; ++k) EXPECT_EQ(cell(k)->shownText(), QString()) << k;
  // Released, the display comes back whole.
  ctl().Check1->setValue(0);
  EXPECT_EQ(stopName(), QStringLiteral("二番町"));
  EXPECT_EQ(cell(2)->Value(), QVariant(2002));
}

TEST_F(RouteCommandsTest, TapeButtonsSpeakAndStepTheBoard) {
  setRoute("1", "1");
  EXPECT_TRUE(ctl().grpM_Tape->isEnabled());
  EXPECT_EQ(ctl().grpM_Tape->title(), QStringLiteral("音合使用可"));
  EXPECT_TRUE(ctl().cmdTapeNext->isEnabled());
  ctl().cmdTapeNext->click();  // line 1: no step
  EXPECT_TRUE(speech.contains(QStringLiteral("speak:ご乗車ありがとうございます。")));
  EXPECT_EQ(current(), 0);
  ctl().cmdTapeNext->click();  // line 2: step forward
  EXPECT_EQ(current(), 1);
  EXPECT_EQ(stopName(), QStringLiteral("二番町"));
  ctl().cmdTapeBack->click();  // back to line 1: flag 0, no step
  EXPECT_EQ(current(), 1);
  for (int i = 0; i < 5; ++i) ctl().cmdTapeNext->click();  // the last line steps every time
  EXPECT_EQ(program.form1().ChimeiCtl->shownText(), QStringLiteral("終点"));
  EXPECT_EQ(current(), 5);
  ctl().cmdTapeBack->click();  // line 3: flag 0
  EXPECT_EQ(current(), 5);
  ctl().cmdTapeBack->click();  // line 2: steps back
  EXPECT_EQ(current(), 4);
}

TEST_F(RouteCommandsTest, ARefusedRouteChangesNothing) {
  write("9Tp.csv", cp932::encode(QStringLiteral("九番,1,0\r\n")));
  write("8.hy3", QByteArray(2, '\0'));  // no stops
  const struct {
    const char* route;
    const char* section;
    const char16_t* message;
  } kRefused[] = {{"9", "3", u"指定した系統のデータがありません..."},
                  {"8", "1", u"指定した系統はデータの数が0(未登録)の可能性があります..."}};
  for (const auto& r : kRefused) {
    SCOPED_TRACE(r.route);
    ui().messages.clear();
    setRoute("1", "1");
    for (int i = 0; i < 4; ++i) ctl().Command2[1]->click();
    setRoute(QString::fromLatin1(r.route), QString::fromLatin1(r.section));
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(ui().messages[0].text, QString::fromUtf16(r.message));
    EXPECT_EQ(program.dataIo().RouteText, QStringLiteral("1"));
    EXPECT_EQ(ctl().tape().GetTapeCount(), 4);
    ctl().Command2[1]->click();
    EXPECT_EQ(stopName(), QStringLiteral("終点"));
    EXPECT_EQ(cell(1)->Value(), QVariant(6001));
    EXPECT_EQ(cell(2)->Value(), QVariant(6002));
  }
}

TEST_F(RouteCommandsTest, DisplayClearClickedDuringARouteSetEndsItDark) {
  // The first set (表示消去 is enabled just before the board is drawn) and
  // a second one; the click arrives during the lamp test.
  for (int set : {1, 2}) {
    SCOPED_TRACE(set);
    ui().onPause = [&](int ms) {
      if (ms == 3000) QTimer::singleShot(0, ctl().Check1, &QPushButton::click);
    };
    setRoute("1", "1");
    ui().onPause = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(ctl().Check1->Value(), 1);
    EXPECT_EQ(stopName(), QString());
    for (int k = 1; k <= 32; ++k) EXPECT_EQ(cell(k)->shownText(), QString()) << k;
    EXPECT_FALSE(ctl().Command2[1]->isEnabled());
    ctl().Check1->setValue(0);
    if (set == 1) setRoute("1", "1");
  }
}


// What the panel does reaches the LCD board through the board model, as it
// reaches the classic board.
TEST_F(RouteCommandsTest, ThePanelDrivesTheLcdBoard) {
  program.setBoardStyle(BoardStyle::Lcd);
  const LcdBoard& lcd = program.boardView().lcd();
  auto scene = [&] { return lcd.scene(); };
  using Kind = lcd::BandScene::Kind;
  bool lampLook = false;
  ui().onPause = [&](int ms) {
    if (ms == 3000)
      lampLook = scene().band.kind == Kind::LampTest && scene().table.lampTest &&
                 scene().band.text == QStringLiteral("系統選別中");
  };
  setRoute("1", "1");
  EXPECT_TRUE(lampLook);
  const struct {
    const char* what;
    std::function<void()> act;
    std::function<bool(const lcd::Scene&)> shows;
  } rows[] = {
      {"route set: row 1, the next stop, its fares",
       [] {},
       [](const lcd::Scene& s) {
         return s.band.kind == Kind::Name && s.band.text == QStringLiteral("二番町") &&
                s.table.cells == 6 && s.table.cell[1].cash == "1001" &&
                s.table.cell[6].cash == "1006";
       }},
      {"a step", [this] { ctl().Command2[1]->click(); },
       [](const lcd::Scene& s) { return s.table.cell[2].cash == "2002" && !s.bottom.night; }},
      {"night fare: doubled from the next step, 深夜 at once",
       [this] {
         ctl().Check2->setValue(1);
         ctl().Command2[1]->click();
       },
       [](const lcd::Scene& s) { return s.table.cell[2].cash == "6004" && s.bottom.night; }},
      {"表示消去", [this] { ctl().Check1->setValue(1); },
       [](const lcd::Scene& s) { return s.cleared && s.table.cell[2].cash.isEmpty(); }},
      {"表示消去 off, a step back",
       [this] {
         ctl().Check1->setValue(0);
         ctl().Check2->setValue(0);
         ctl().Command2[0]->click();
       },
       [](const lcd::Scene& s) { return !s.cleared && s.table.cell[2].cash == "2002"; }},
      {"backlight OFF", [this] { ctl().Option4[0]->click(); },
       [](const lcd::Scene& s) { return s.backlight == BoardModel::Backlight::Off; }},
      {"backlight ON2", [this] { ctl().Option4[2]->click(); },
       [](const lcd::Scene& s) { return s.backlight == BoardModel::Backlight::On2; }},
      {"the stop request", [this] { ctl().stopRequest().press(); },
       [](const lcd::Scene& s) {
         return s.band.kind == Kind::StopRequest && s.band.text == QStringLiteral("つぎ止まります");
       }},
      {"the request cleared by a step", [this] { ctl().Command2[1]->click(); },
       [](const lcd::Scene& s) { return s.band.kind == Kind::Name; }},
  };
  for (const auto& r : rows) {
    r.act();
    EXPECT_TRUE(r.shows(scene())) << r.what;
    // The classic board, hidden meanwhile, holds the same cell.
    EXPECT_EQ(cell(2)->shownText(), scene().table.cell[2].cash) << r.what;
  }
}

TEST_F(RouteCommandsTest, SwitchingTheStyleKeepsTheRowShown) {
  setRoute("1", "1");
  for (int i = 0; i < 3; ++i) ctl().Command2[1]->click();
  ASSERT_EQ(cell(5)->shownText(), "4005");
  for (BoardStyle style : {BoardStyle::Lcd, BoardStyle::Led, BoardStyle::Lcd}) {
    program.setBoardStyle(style);
    const lcd::Scene& s = program.boardView().lcd().scene();
    EXPECT_EQ(s.table.cell[5].cash, "4005");
    EXPECT_EQ(s.band.text, QStringLiteral("五番町ロータリー前"));
    EXPECT_EQ(cell(5)->shownText(), "4005");
    EXPECT_EQ(stopName(), QStringLiteral("四番町"));
  }
}

}  // namespace
}  // namespace sorane
