#include "mdl_m_tape.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>
#include <string>

#include "app_info.h"
#include "cp932.h"
#include "fake_companion.h"
#include "fake_media.h"
#include "fake_speech.h"
#include "qt_printers.h"
#include "scripted_ui.h"
#include "test_sounds.h"

namespace sorane {
namespace {

class OsCompanion : public test::FakeCompanion {
 public:
  QString GetOsInfo() override { return os; }
  QString os = QStringLiteral("Linux");
};

class FakeTapeHost : public TapeHost {
 public:
  bool alwaysPlaySound() override { return option2_2; }
  QString selectSound(int index) override {
    soundIndexesRead.push_back(index);
    return sounds.value(index);
  }
  bool waitForSound() override { return option7_0; }
  void setTapeCaption(const QString& caption) override { captions << caption; }
  void setTapeFrameEnabled(bool enabled) override { frameEnabled.push_back(enabled); }
  void setTapeButtonsEnabled(bool enabled) override { buttonsEnabled.push_back(enabled); }
  QWidget* tapeDialogOwner() override { return &owner; }
  int shownRow() override { return shown; }
  int lastRow() override { return last; }
  QString englishStopName(int row) override { return english.value(row); }

  bool option2_2 = false;
  bool option7_0 = false;
  QMap<int, QString> sounds;
  std::vector<int> soundIndexesRead;
  QStringList captions;
  std::vector<bool> frameEnabled;
  std::vector<bool> buttonsEnabled;
  QWidget owner;
  int shown = 0;
  int last = 0;
  QMap<int, QString> english;  // by row
};

// A fake engine that notes its own release.
class ReleasedSpeech : public test::FakeSpeech {
 public:
  ReleasedSpeech(QStringList& log, int& released) : FakeSpeech(log), released_(released) {}
  ~ReleasedSpeech() override { ++released_; }

 private:
  int& released_;
};

class TapeTest : public ::testing::Test {
 protected:
  TapeTest()
      : tape(host, [this]() -> std::unique_ptr<SpeechEngine> {
          ++factoryCalls;
          if (!engineAvailable) return nullptr;
          auto engine = std::make_unique<ReleasedSpeech>(log, released);
          speech = engine.get();
          return engine;
        }) {
    setProgramPathForTesting(QStringLiteral("/opt/sorane/318"));
    previousCompanion = installCompanion(&companion);
    media.media.onSend = [this](const QString& c) { log << "mci:" + c; };
    folder = dir.path() + "/";
  }
  ~TapeTest() override {
    installCompanion(previousCompanion);
    setProgramPathForTesting(QString());
  }

  void writeTape(const QString& route, const char* utf8) {
    ASSERT_TRUE(test::writeFile(folder + route + "Tp.csv", cp932::encode(QString::fromUtf8(utf8))));
  }
  QString makeSound(const QString& name) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(test::writeFile(path, "RIFF"));
    return path;
  }
  // Init, then load a route, with the log cleared after.
  void ready(const QString& route, const char* utf8) {
    writeTape(route, utf8);
    tape.InitTape();
    tape.LoadTape(folder, route);
    log.clear();
  }

  QTemporaryDir dir;
  QString folder;
  test::UiScope uiScope;
  test::MediaCommandsScope media;
  OsCompanion companion;
  Companion* previousCompanion = nullptr;
  FakeTapeHost host;
  QStringList log;
  bool engineAvailable = true;
  int factoryCalls = 0;
  int released = 0;
  test::FakeSpeech* speech = nullptr;
  mdlM_Tape tape;
};

const char* kThreeLines = "一番目です,0,0\r\n二番目です,0,0\r\n三番目です,1,0\r\n";

TEST_F(TapeTest, InitCreatesTheEngineAndEnablesTheFrameButNotTheButtons) {
  tape.InitTape();
  EXPECT_EQ(factoryCalls, 1);
  EXPECT_TRUE(tape.tapeEnabled());
  EXPECT_EQ(host.captions, QStringList({"音合使用可"}));
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({true}));
  EXPECT_TRUE(host.buttonsEnabled.empty());
  EXPECT_EQ(tape.GetTapeCount(), 0);
  EXPECT_EQ(tape.GetTapePos(), 0);
}

TEST_F(TapeTest, EngineThatCannotBeCreatedLeavesSpeechUnusable) {
  engineAvailable = false;
  tape.InitTape();
  EXPECT_FALSE(tape.tapeEnabled());
  EXPECT_EQ(host.captions, QStringList({"音合使用不可"}));
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({false}));
  EXPECT_EQ(tape.tapeVoice(), nullptr);
}

TEST_F(TapeTest, WindowsVistaGetsNoEngineNoFileReadAndADisabledFrame) {
  companion.os = "Windows Vista";
  writeTape("12", kThreeLines);
  tape.InitTape();
  EXPECT_EQ(factoryCalls, 0);
  EXPECT_FALSE(tape.tapeEnabled());
  EXPECT_EQ(host.captions, QStringList({"音合使用不可"}));
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({false}));
  tape.LoadTape(folder, "12");
  EXPECT_EQ(tape.GetTapeCount(), 0);
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({false}));
  EXPECT_TRUE(host.buttonsEnabled.empty());
}

TEST_F(TapeTest, OnlyTheExactNameWindowsVistaCounts) {
  companion.os = "Windows Vista Business";
  tape.InitTape();
  EXPECT_TRUE(tape.tapeEnabled());
}

TEST_F(TapeTest, LoadEnablesFrameAndButtonsAndRewinds) {
  writeTape("12", kThreeLines);
  tape.InitTape();
  tape.LoadTape(folder, "12");
  EXPECT_EQ(tape.GetTapeCount(), 3);
  EXPECT_EQ(tape.GetTapePos(), 0);
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({true, true}));
  EXPECT_EQ(host.buttonsEnabled, std::vector<bool>({true}));
  EXPECT_EQ(tape.tapeEntry(2).Text, QString::fromUtf8("二番目です"));
}

TEST_F(TapeTest, LoadWithSpeechUnusableEnablesNothing) {
  engineAvailable = false;
  writeTape("12", kThreeLines);
  tape.InitTape();
  tape.LoadTape(folder, "12");
  EXPECT_EQ(tape.GetTapeCount(), 3);
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({false}));
  EXPECT_TRUE(host.buttonsEnabled.empty());
}

TEST_F(TapeTest, ThreeLinesSpeakInTurnAndAFourthPressSpeaksNothing) {
  ready("12", kThreeLines);
  tape.TapeNext();
  EXPECT_EQ(tape.GetTapePos(), 1);
  tape.TapeNext();
  tape.TapeNext();
  EXPECT_EQ(tape.GetTapePos(), 3);
  EXPECT_EQ(log.filter("speak:"),
            QStringList({"speak:一番目です", "speak:二番目です", "speak:三番目です"}));
  log.clear();
  tape.TapeNext();
  EXPECT_EQ(tape.GetTapePos(), 3);
  EXPECT_TRUE(log.isEmpty()) << log.join(" | ").toStdString();
  // The panel reads line 3's step flag again and steps on every press.
  EXPECT_EQ(tape.GetTapeStepFlag(tape.GetTapePos()), 1);
}

TEST_F(TapeTest, SpeakTapeStopsSpeaksThenReadsStatus) {
  ready("12", kThreeLines);
  tape.TapeNext();
  EXPECT_EQ(log, QStringList({"stop", "speak:一番目です", "status", "prepare:二番目です",
                              "prepare:三番目です"}));
}

TEST_F(TapeTest, StatusMinusOneStopsTheSpeechAtOnce) {
  ready("12", kThreeLines);
  speech->statusValue = -1;
  tape.SpeakTape(2);
  EXPECT_EQ(log, QStringList({"stop", "speak:二番目です", "status", "stop"}));
}

TEST_F(TapeTest, SpeakTapeOutsideTheTableDoesNothing) {
  ready("12", kThreeLines);
  tape.SpeakTape(0);
  tape.SpeakTape(4);
  tape.SpeakTape(-1);
  EXPECT_TRUE(log.isEmpty());
}

TEST_F(TapeTest, BackRightAfterALoadOrAtLineOneStaysAtOneSilently) {
  ready("12", "一,1,1\r\n二,0,0\r\n");
  host.sounds[4] = makeSound("flag1.wav");
  tape.TapeBack();
  EXPECT_EQ(tape.GetTapePos(), 1);
  EXPECT_TRUE(log.isEmpty());
  EXPECT_EQ(tape.GetTapeStepFlag(tape.GetTapePos()), 1);
  tape.TapeBack();
  EXPECT_EQ(tape.GetTapePos(), 1);
  EXPECT_TRUE(log.isEmpty());
}

TEST_F(TapeTest, BackSpeaksThePreviousLine) {
  ready("12", kThreeLines);
  tape.TapeNext();
  tape.TapeNext();
  tape.TapeNext();
  log.clear();
  tape.TapeBack();
  EXPECT_EQ(tape.GetTapePos(), 2);
  EXPECT_EQ(log, QStringList({"stop", "speak:二番目です", "status", "prepare:三番目です",
                              "prepare:一番目です"}));
}

TEST_F(TapeTest, FlagSoundOnS3ThenSpeechThenTheBoardStepFlag) {
  ready("12", "次は駅前です,1,2\r\n");
  host.sounds[3] = makeSound("always.wav");
  host.sounds[4] = makeSound("one.wav");
  host.sounds[5] = makeSound("two.wav");
  host.sounds[6] = makeSound("three.wav");
  tape.TapeNext();
  const QString two = dir.filePath("two.wav");
  EXPECT_EQ(log, QStringList({"mci:close 318S3",
                              "mci:open \"" + two + "\" type waveaudio alias 318S3 wait",
                              "mci:stop 318S3", "mci:play 318S3 from 0", "stop",
                              "speak:次は駅前です", "status"}));
  EXPECT_EQ(tape.GetTapeStepFlag(tape.GetTapePos()), 1);
  EXPECT_EQ(tape.GetTapeSndFlag(tape.GetTapePos()), 2);
}

TEST_F(TapeTest, WaitedSoundIsPlayedToItsEndBeforeTheSpeech) {
  ready("12", "次は駅前です,0,1\r\n");
  host.sounds[4] = makeSound("one.mid");
  host.option7_0 = true;
  tape.TapeNext();
  const QString one = dir.filePath("one.mid");
  EXPECT_EQ(log, QStringList(
                     {"mci:close 318S3", "mci:open \"" + one + "\" type sequencer alias 318S3 wait",
                      "mci:play 318S3 from 0 wait", "stop", "speak:次は駅前です", "status"}));
}

TEST_F(TapeTest, AlwaysSoundPlaysBeforeEveryNextButBackStillGoesByFlag) {
  ready("12", "一,0,0\r\n二,0,3\r\n三,0,4\r\n");
  host.option2_2 = true;
  host.sounds[3] = makeSound("always.wav");
  host.sounds[6] = makeSound("three.wav");
  const QString always = dir.filePath("always.wav");
  for (int i = 0; i < 3; ++i) {
    log.clear();
    tape.TapeNext();
    ASSERT_GE(log.size(), 2);
    EXPECT_EQ(log[1], "mci:open \"" + always + "\" type waveaudio alias 318S3 wait") << i;
  }
  log.clear();
  tape.TapeBack();
  EXPECT_EQ(tape.GetTapePos(), 2);
  const QString three = dir.filePath("three.wav");
  EXPECT_EQ(
      log.mid(0, 4),
      QStringList({"mci:close 318S2", "mci:open \"" + three + "\" type waveaudio alias 318S2 wait",
                   "mci:stop 318S2", "mci:play 318S2 from 0"}));
  log.clear();
  tape.TapeBack();
  EXPECT_EQ(log.filter("mci:").size(), 0);
  EXPECT_EQ(log.filter("speak:"), QStringList({"speak:一"}));
}

TEST_F(TapeTest, BackPlaysItsSoundOnS2AndWaitsWhenAsked) {
  ready("12", "一,0,1\r\n二,0,0\r\n");
  host.sounds[4] = makeSound("one.wav");
  host.option7_0 = true;
  tape.TapeNext();
  tape.TapeNext();
  log.clear();
  tape.TapeBack();
  EXPECT_EQ(log.mid(0, 3), QStringList({"mci:close 318S2",
                                        "mci:open \"" + dir.filePath("one.wav") +
                                            "\" type waveaudio alias 318S2 wait",
                                        "mci:play 318S2 from 0 wait"}));
}

TEST_F(TapeTest, FlagsOtherThanOneToThreeGiveSpeechOnly) {
  ready("12", "零,0,0\r\n四,0,4\r\n負,0,-1\r\n");
  for (int i = 4; i <= 6; ++i) host.sounds[i] = makeSound(QString("s%1.wav").arg(i));
  tape.TapeNext();
  tape.TapeNext();
  tape.TapeNext();
  EXPECT_TRUE(log.filter("mci:").isEmpty());
  EXPECT_EQ(log.filter("speak:"), QStringList({"speak:零", "speak:四", "speak:負"}));
  EXPECT_TRUE(host.soundIndexesRead.empty());
}

TEST_F(TapeTest, EmptyOrMissingSoundFileStillSpeaks) {
  ready("12", "一,0,1\r\n二,0,2\r\n");
  host.sounds[4] = "";
  host.sounds[5] = dir.filePath("gone.wav");
  tape.TapeNext();
  tape.TapeNext();
  EXPECT_TRUE(log.filter("mci:").isEmpty());
  EXPECT_EQ(log.filter("speak:"), QStringList({"speak:一", "speak:二"}));
}

TEST_F(TapeTest, SoundSettingsAreReadAtEveryStep) {
  ready("12", "一,0,1\r\n二,0,1\r\n");
  host.sounds[4] = makeSound("one.wav");
  tape.TapeNext();
  EXPECT_TRUE(log.contains("mci:play 318S3 from 0"));
  host.option7_0 = true;
  log.clear();
  tape.TapeNext();
  EXPECT_TRUE(log.contains("mci:play 318S3 from 0 wait"));
}

TEST_F(TapeTest, MissingFileDisablesTheFrameAndALaterGoodRouteEnablesIt) {
  writeTape("20", kThreeLines);
  tape.InitTape();
  tape.LoadTape(folder, "19");
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({true, false}));
  EXPECT_TRUE(host.buttonsEnabled.empty());
  tape.LoadTape(folder, "20");
  EXPECT_EQ(host.frameEnabled, std::vector<bool>({true, false, true}));
  EXPECT_EQ(host.buttonsEnabled, std::vector<bool>({true}));
  EXPECT_EQ(tape.GetTapeCount(), 3);
}

TEST_F(TapeTest, ALongRouteThenAShortOneLeavesTheShortCount) {
  writeTape("1",
            "1,0,0\r\n2,0,0\r\n3,0,0\r\n4,0,0\r\n5,0,0\r\n6,0,0\r\n7,0,0\r\n8,0,0\r\n9,0,0\r\n"
            "10,0,0\r\n");
  writeTape("2", "a,0,0\r\nb,0,0\r\nc,0,0\r\nd,1,0\r\n");
  tape.InitTape();
  tape.LoadTape(folder, "1");
  EXPECT_EQ(tape.GetTapeCount(), 10);
  for (int i = 0; i < 7; ++i) tape.TapeNext();
  tape.LoadTape(folder, "2");
  EXPECT_EQ(tape.GetTapeCount(), 4);
  EXPECT_EQ(tape.GetTapePos(), 0);
  EXPECT_EQ(tape.GetTapeStepFlag(4), 1);
  EXPECT_EQ(tape.GetTapeStepFlag(5), 0);
}

TEST_F(TapeTest, AFailedLoadEmptiesTheTape) {
  writeTape("1", kThreeLines);
  writeTape("2", "一,0,0\r\n二,ゼロ,0\r\n");
  tape.InitTape();
  for (const char* route : {"2", "3"}) {  // a bad file, no file
    SCOPED_TRACE(route);
    tape.LoadTape(folder, "1");
    tape.TapeNext();
    tape.TapeNext();
    tape.LoadTape(folder, route);
    EXPECT_EQ(host.frameEnabled.back(), false);
    EXPECT_EQ(tape.GetTapeCount(), 0);
    EXPECT_EQ(tape.GetTapePos(), 0);
    // Should the frame come back, the old route's lines are gone.
    log.clear();
    tape.TapeNext();
    EXPECT_EQ(tape.GetTapeStepFlag(tape.GetTapePos()), 0);
    tape.TapeBack();
    EXPECT_EQ(tape.GetTapeStepFlag(tape.GetTapePos()), 0);
    EXPECT_TRUE(log.isEmpty()) << log.join(' ').toStdString();
  }
}

TEST_F(TapeTest, FlagGettersGiveZeroOutsideTheTable) {
  ready("12", "一,7,-3\r\n");
  EXPECT_EQ(tape.GetTapeStepFlag(1), 7);
  EXPECT_EQ(tape.GetTapeSndFlag(1), -3);
  for (int pos : {0, 2, -1, 100000}) {
    EXPECT_EQ(tape.GetTapeStepFlag(pos), 0) << pos;
    EXPECT_EQ(tape.GetTapeSndFlag(pos), 0) << pos;
  }
}

TEST_F(TapeTest, EmptyTapeNeverMoves) {
  ready("12", "");
  EXPECT_EQ(tape.GetTapeCount(), 0);
  tape.TapeNext();
  EXPECT_EQ(tape.GetTapePos(), 0);
  tape.TapeBack();
  EXPECT_EQ(tape.GetTapePos(), 1);
  EXPECT_TRUE(log.isEmpty());
  EXPECT_EQ(tape.GetTapeStepFlag(tape.GetTapePos()), 0);
}

TEST_F(TapeTest, TheLinesAroundArePreparedAfterALoadAMoveAndTheVoiceDialog) {
  struct Row {
    const char* presses;  // after the load: n next, b back, d the voice dialog
    QStringList prepared;
  };
  for (const Row& row :
       {Row{"", {"prepare:一", "prepare:二"}}, Row{"n", {"prepare:二", "prepare:三"}},
        Row{"nn", {"prepare:三", "prepare:一", "prepare:四"}},
        Row{"nnb", {"prepare:二", "prepare:三"}}, Row{"nnnn", {"prepare:三"}},
        Row{"nnd", {"prepare:三", "prepare:一", "prepare:四"}}}) {
    SCOPED_TRACE(row.presses);
    writeTape("12", "一,0,0\r\n二,0,0\r\n三,0,0\r\n四,0,0\r\n");
    tape.InitTape();
    tape.LoadTape(folder, "12");
    for (char press : std::string(row.presses)) {
      log.clear();
      if (press == 'n') tape.TapeNext();
      if (press == 'b') tape.TapeBack();
      if (press == 'd') tape.TapeSetDlg();
    }
    EXPECT_EQ(log.filter("prepare:"), row.prepared);
    log.clear();
  }
}

TEST_F(TapeTest, StopAndAdjustGoToTheEngine) {
  ready("12", kThreeLines);
  tape.TapeStop();
  tape.TapeSetDlg();
  EXPECT_EQ(log.mid(0, 2), QStringList({"stop", "dialog:音声の調節"}));
  EXPECT_EQ(speech->dialogOwner, &host.owner);
}

TEST_F(TapeTest, TermTapeReleasesTheEngineOnce) {
  ready("12", kThreeLines);
  EXPECT_EQ(released, 0);
  tape.TermTape();
  EXPECT_EQ(released, 1);
  EXPECT_EQ(tape.tapeVoice(), nullptr);
  tape.TapeStop();
  tape.TapeSetDlg();
  EXPECT_TRUE(log.isEmpty());
}

}  // namespace
}  // namespace sorane

namespace sorane {
namespace {

// A route of three stops with English names; the board steps as the panel
// steps it after each press.
class EnglishTapeTest : public TapeTest {
 protected:
  EnglishTapeTest() {
    host.shown = 1;
    host.last = 3;
    host.english = {{1, "Ekimae"}, {2, "City Hall"}, {3, "Tonkeshi"}};
  }
  // A press of 送り or 戻し as the panel makes it: the tape, then the board.
  void press(bool forward) {
    log.clear();
    forward ? tape.TapeNext() : tape.TapeBack();
    if (tape.GetTapeStepFlag(tape.GetTapePos()) == 1) {
      const int to = host.shown + (forward ? 1 : -1);
      if (to >= 1 && to <= host.last) host.shown = to;
    }
  }
  QStringList spoken() const { return log.filter(QRegularExpression("^(speak|then):")); }
};

const char* kRoute =
    "このバスはとんけし行きです,0,0\r\n次は市役所です,1,0\r\n"
    "[en]Please hold on to a strap.,0,0\r\n次は、終点、とんけしです,1,0\r\n";

TEST_F(EnglishTapeTest, EachPressSaysItsLineThenTheStopInEnglish) {
  struct Press {
    bool forward;
    QStringList on;   // spoken with English on
    QStringList off;  // and with it off
  };
  const Press presses[] = {
      {true,
       {"speak:このバスはとんけし行きです", "then:en:This bus is bound for Tonkeshi."},
       {"speak:このバスはとんけし行きです"}},
      {true,
       {"speak:次は市役所です", "then:en:The next stop is City Hall."},
       {"speak:次は市役所です"}},
      {true, {"speak:en:Please hold on to a strap."}, {"speak:"}},
      {true,
       {"speak:次は、終点、とんけしです", "then:en:The next stop is Tonkeshi, the last stop."},
       {"speak:次は、終点、とんけしです"}},
      // Back: each line again, the board stepping back with a stepping one.
      {false, {"speak:en:Please hold on to a strap."}, {"speak:"}},
      {false,
       {"speak:次は市役所です", "then:en:The next stop is City Hall."},
       {"speak:次は市役所です"}},
      {false,
       {"speak:このバスはとんけし行きです", "then:en:This bus is bound for Tonkeshi."},
       {"speak:このバスはとんけし行きです"}},
  };
  for (const bool english : {true, false}) {
    SCOPED_TRACE(english ? "English on" : "English off");
    host.shown = 1;
    ready("1", kRoute);
    tape.setEnglish(english);
    EXPECT_EQ(tape.speaksEnglish(), english);
    for (const Press& p : presses) {
      press(p.forward);
      EXPECT_EQ(spoken(), english ? p.on : p.off) << tape.GetTapePos();
    }
  }
}

TEST_F(EnglishTapeTest, NothingEnglishWithoutANameOrAStepOrAnEnglishVoice) {
  host.english.remove(2);
  ready("1", kRoute);
  tape.setEnglish(true);
  press(true);
  press(true);
  EXPECT_EQ(spoken(), QStringList{"speak:次は市役所です"});
  // At the last row a stepping line steps nowhere: no stop to name.
  host.shown = 3;
  press(true);
  press(true);
  EXPECT_EQ(spoken(), QStringList{"speak:次は、終点、とんけしです"});
  speech->english = false;
  EXPECT_FALSE(tape.speaksEnglish());
  press(false);
  EXPECT_EQ(spoken(), QStringList{"speak:"});
}

TEST_F(EnglishTapeTest, TheLinesAheadArePreparedWithTheirEnglishFromWhereTheBoardWillBe) {
  ready("1", kRoute);
  tape.setEnglish(true);
  EXPECT_EQ(log.filter("prepare:"),
            QStringList({"prepare:このバスはとんけし行きです",
                         "prepare:en:This bus is bound for Tonkeshi.", "prepare:次は市役所です",
                         "prepare:en:The next stop is City Hall."}));
  press(true);
  press(true);  // to 次は市役所です; the board steps to row 2 after the tape
  EXPECT_EQ(
      log.filter("prepare:"),
      QStringList({"prepare:en:Please hold on to a strap.", "prepare:このバスはとんけし行きです",
                   "prepare:en:This bus is bound for Tonkeshi.", "prepare:次は、終点、とんけしです",
                   "prepare:en:The next stop is Tonkeshi, the last stop."}));
  // Switched off: nothing English is asked for.
  log.clear();
  tape.setEnglish(false);
  press(true);
  EXPECT_TRUE(log.filter("en:").isEmpty()) << log.join(" | ").toStdString();
}

}  // namespace
}  // namespace sorane
