#include "mdl_snd_api.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app_info.h"
#include "fake_media.h"
#include "qt_printers.h"
#include "scripted_ui.h"

namespace sorane {
namespace {

class PlaySndTest : public ::testing::Test {
 protected:
  PlaySndTest() { setProgramPathForTesting(QStringLiteral("/opt/sorane/318")); }
  ~PlaySndTest() override { setProgramPathForTesting(QString()); }

  // An empty file is enough: the module only checks that it exists.
  QString touch(const QString& name) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return path;
  }
  const QStringList& sent() const { return mediaScope.media.commands; }

  QTemporaryDir dir;
  test::UiScope uiScope;
  test::MediaCommandsScope mediaScope;
};

TEST_F(PlaySndTest, WaitedWavSendsCloseOpenPlayWaitThenPauses) {
  const QString wav = touch("chime.wav");
  mdlSndAPI::PlaySnd(wav, "S2", -1, 0);
  EXPECT_EQ(sent(),
            QStringList({"close 318S2", "open \"" + wav + "\" type waveaudio alias 318S2 wait",
                         "play 318S2 from 0 wait"}));
  EXPECT_EQ(uiScope.ui.pauses, std::vector<int>({0}));
}

TEST_F(PlaySndTest, WaitedPlaySleepsThePauseAfterTheSound) {
  const QString wav = touch("chime.wav");
  std::vector<QString> orderSeen;
  mediaScope.media.onSend = [&](const QString& c) { orderSeen.push_back(c); };
  uiScope.ui.onPause = [&](int ms) { orderSeen.push_back(QString("pause %1").arg(ms)); };
  mdlSndAPI::PlaySnd(wav, "S1", 1, 250);
  ASSERT_EQ(orderSeen.size(), 4u);
  EXPECT_EQ(orderSeen[2], "play 318S1 from 0 wait");
  EXPECT_EQ(orderSeen[3], "pause 250");
}

TEST_F(PlaySndTest, UnwaitedMidiStopsThenPlaysWithoutWaiting) {
  const QString mid = touch("bell.mid");
  mdlSndAPI::PlaySnd(mid, "S3", 0, 500);
  EXPECT_EQ(sent(),
            QStringList({"close 318S3", "open \"" + mid + "\" type sequencer alias 318S3 wait",
                         "stop 318S3", "play 318S3 from 0"}));
  // The pause argument only follows a waited play.
  EXPECT_EQ(uiScope.ui.pauses, std::vector<int>({0}));
}

TEST_F(PlaySndTest, DeviceNameIsTheProgramBaseNamePlusTheAlias) {
  setProgramPathForTesting(QStringLiteral("/usr/local/bin/bus-318x.bin"));
  const QString wav = touch("a.wav");
  mdlSndAPI::PlaySnd(wav, "S4", 0, 0);
  ASSERT_FALSE(sent().isEmpty());
  EXPECT_EQ(sent().front(), "close bus-318xS4");
  EXPECT_EQ(sent().back(), "play bus-318xS4 from 0");
}

TEST_F(PlaySndTest, ExtensionDecidesTheDeviceTypeWhateverItsCase) {
  for (const char* name : {"a.wav", "b.WAV", "c.Wav"}) {
    mediaScope.media.commands.clear();
    const QString path = touch(name);
    mdlSndAPI::PlaySnd(path, "S1", 0, 0);
    ASSERT_EQ(sent().size(), 4) << name;
    EXPECT_EQ(sent()[1], "open \"" + path + "\" type waveaudio alias 318S1 wait") << name;
  }
  for (const char* name : {"d.mid", "e.MID", "f.Mid"}) {
    mediaScope.media.commands.clear();
    const QString path = touch(name);
    mdlSndAPI::PlaySnd(path, "S1", 0, 0);
    ASSERT_EQ(sent().size(), 4) << name;
    EXPECT_EQ(sent()[1], "open \"" + path + "\" type sequencer alias 318S1 wait") << name;
  }
}

TEST_F(PlaySndTest, OtherExtensionsOnlyCloseTheAlias) {
  for (const char* name : {"g.midi", "h.mp3", "i.ogg", "wave", "j.wa v"}) {
    mediaScope.media.commands.clear();
    mdlSndAPI::PlaySnd(touch(name), "S2", -1, 0);
    EXPECT_EQ(sent(), QStringList({"close 318S2"})) << name;
  }
  EXPECT_TRUE(uiScope.ui.pauses.empty());
}

TEST_F(PlaySndTest, KindIsTheLastThreeCharactersUpperCasedAndTrimmed) {
  EXPECT_EQ(mdlSndAPI::soundKindOf("x.wav"), "WAV");
  EXPECT_EQ(mdlSndAPI::soundKindOf("x.Mid"), "MID");
  EXPECT_EQ(mdlSndAPI::soundKindOf("x.midi"), "IDI");
  EXPECT_EQ(mdlSndAPI::soundKindOf("x. wa"), "WA");
  EXPECT_EQ(mdlSndAPI::soundKindOf("x.w "), ".W");
  EXPECT_EQ(mdlSndAPI::soundKindOf("av"), "AV");
  EXPECT_EQ(mdlSndAPI::soundKindOf(""), "");
}

TEST_F(PlaySndTest, EmptyOrMissingFileSendsNothing) {
  mdlSndAPI::PlaySnd("", "S1", -1, 100);
  mdlSndAPI::PlaySnd(dir.filePath("missing.wav"), "S1", -1, 100);
  EXPECT_TRUE(sent().isEmpty());
  EXPECT_TRUE(uiScope.ui.pauses.empty());
}

TEST_F(PlaySndTest, AFolderIsNotANormalFile) {
  QDir(dir.path()).mkdir("folder.wav");
  mdlSndAPI::PlaySnd(dir.filePath("folder.wav"), "S1", 0, 0);
  EXPECT_TRUE(sent().isEmpty());
}

TEST_F(PlaySndTest, PathWithSpacesIsSentInQuotesAsItIs) {
  QDir(dir.path()).mkpath("my sounds");
  const QString path = touch("my sounds/次は 停まります.wav");
  mdlSndAPI::PlaySnd(path, "S2", 0, 0);
  ASSERT_EQ(sent().size(), 4);
  EXPECT_EQ(sent()[1], "open \"" + path + "\" type waveaudio alias 318S2 wait");
  EXPECT_TRUE(sent()[1].contains("/my sounds/次は 停まります.wav\""));
}

TEST_F(PlaySndTest, CloseAllSndClosesTheFourAliasesInOrder) {
  mdlSndAPI::CloseAllSnd();
  EXPECT_EQ(sent(), QStringList({"close 318S1", "close 318S2", "close 318S3", "close 318S4"}));
}

}  // namespace
}  // namespace sorane
