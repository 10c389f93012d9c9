#include "engine_media_commands.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <cmath>

#include "app_info.h"
#include "audio_engine.h"
#include "mdl_snd_api.h"
#include "scripted_ui.h"
#include "test_sounds.h"

namespace sorane {
namespace {

constexpr int kRate = 48000;

// The program's media commands on an engine whose output the test pulls.
class EngineCommandsTest : public ::testing::Test {
 protected:
  EngineCommandsTest() {
    setProgramPathForTesting(QStringLiteral("/opt/sorane/318"));
    previousCommands = installMediaCommands(&commands);
  }
  ~EngineCommandsTest() override {
    installMediaCommands(previousCommands);
    setProgramPathForTesting(QString());
  }
  QString level(const QString& name, int frames, double value) {
    const QString path = dir.filePath(name);
    EXPECT_TRUE(test::writeLevelWav(path, kRate, frames, value));
    return path;
  }
  // Left channel of the next `frames` frames.
  std::vector<float> hear(int frames) {
    const std::vector<float> out = engine->render(frames);
    std::vector<float> left;
    for (std::size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
    return left;
  }
  bool playing(const char* alias) {
    return engine->isPlaying(EngineMediaCommands::voiceName(alias));
  }

  QTemporaryDir dir;
  test::UiScope uiScope;
  std::unique_ptr<AudioEngine> engine = AudioEngine::openManual(kRate);
  EngineMediaCommands commands{*engine};
  MediaCommands* previousCommands = nullptr;
};

TEST_F(EngineCommandsTest, OpenPlayStopCloseOnAnAlias) {
  const QString wav = level("a b.wav", 4800, 0.25);
  EXPECT_EQ(commands.send("open \"" + wav + "\" type waveaudio alias 318S1 wait"), 0);
  EXPECT_TRUE(engine->isOpen(EngineMediaCommands::voiceName("318S1")));
  EXPECT_FALSE(playing("318S1"));
  EXPECT_EQ(commands.send("play 318S1 from 0"), 0);
  EXPECT_TRUE(playing("318S1"));
  EXPECT_FLOAT_EQ(hear(10).at(9), 0.25f);
  EXPECT_EQ(commands.send("stop 318S1"), 0);
  EXPECT_FALSE(playing("318S1"));
  EXPECT_FLOAT_EQ(hear(10).at(0), 0.0f);
  EXPECT_EQ(commands.send("close 318S1"), 0);
  EXPECT_FALSE(engine->isOpen(EngineMediaCommands::voiceName("318S1")));
  EXPECT_TRUE(uiScope.ui.pauses.empty());
}

// Whatever the path holds, the command PlaySnd builds for it opens it.
TEST_F(EngineCommandsTest, EveryPathPlaySndSendsIsTheOneOpened) {
  const char* names[] = {"say \"hi\".wav", "\"quoted\".wav", "end\" .wav",
                         "x\" type sequencer alias 318S9 \"y.wav", "two  spaces\ttab.wav"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const QString wav = level(QString::fromUtf8(name), 480, 0.5);
    mdlSndAPI::PlaySnd(wav, "S1", 0, 0);
    EXPECT_TRUE(playing("318S1"));
    EXPECT_FLOAT_EQ(hear(1).at(0), 0.5f);
    EXPECT_FALSE(engine->isOpen(EngineMediaCommands::voiceName("318S9")));
    mdlSndAPI::CloseAllSnd();
  }
  // A quote that does not end the path where blanks or the end follow is
  // no command the program builds.
  EXPECT_EQ(commands.send("open \"a.wav\"x type waveaudio alias a"), kMediaUnrecognizedCommand);
}

TEST_F(EngineCommandsTest, AliasesIgnoreLetterCase) {
  const QString wav = level("a.wav", 480, 0.5);
  EXPECT_EQ(commands.send("OPEN \"" + wav + "\" TYPE WaveAudio ALIAS 318s2 WAIT"), 0);
  EXPECT_EQ(commands.send("Play 318S2 From 0"), 0);
  EXPECT_TRUE(playing("318s2"));
}

TEST_F(EngineCommandsTest, WaitedPlayHoldsTheCallerForTheSoundsLength) {
  const QString wav = dir.filePath("three.wav");
  ASSERT_TRUE(test::writeSineWav(wav, 44100, 3.0, 440, 0.5));
  ASSERT_EQ(commands.send("open \"" + wav + "\" type waveaudio alias 318S3 wait"), 0);
  EXPECT_EQ(commands.send("play 318S3 from 0 wait"), 0);
  EXPECT_EQ(uiScope.ui.pauses, std::vector<int>({3000}));
}

TEST_F(EngineCommandsTest, WaitedPlayFromAnOffsetHoldsForTheRest) {
  const QString wav = level("one.wav", kRate, 0.1);
  ASSERT_EQ(commands.send("open \"" + wav + "\" type waveaudio alias x wait"), 0);
  EXPECT_EQ(commands.send("play x from 400 wait"), 0);
  EXPECT_EQ(uiScope.ui.pauses, std::vector<int>({600}));
}

TEST_F(EngineCommandsTest, PlaySndWaitedThreeSecondsPausesThreeSeconds) {
  const QString wav = dir.filePath("three.wav");
  ASSERT_TRUE(test::writeSineWav(wav, kRate, 3.0, 660, 0.5));
  mdlSndAPI::PlaySnd(wav, "S2", -1, 0);
  EXPECT_EQ(uiScope.ui.pauses, std::vector<int>({3000, 0}));
  EXPECT_EQ(uiScope.ui.clockMs, 3000);
}

TEST_F(EngineCommandsTest, TwoQuickPlaysOnOneAliasLeaveOnlyTheSecondFromItsStart) {
  const QString first = level("first.wav", 4800, 0.25);
  const QString second = level("second.wav", 2400, 0.5);
  mdlSndAPI::PlaySnd(first, "S2", 0, 0);
  const std::vector<float> a = hear(1000);
  mdlSndAPI::PlaySnd(second, "S2", 0, 0);
  const std::vector<float> b = hear(3000);
  EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](float v) { return v == 0.25f; }));
  EXPECT_TRUE(std::all_of(b.begin(), b.begin() + 2400, [](float v) { return v == 0.5f; }));
  EXPECT_TRUE(std::all_of(b.begin() + 2400, b.end(), [](float v) { return v == 0.0f; }));
}

TEST_F(EngineCommandsTest, PlaysOnDifferentAliasesAreHeardTogether) {
  const QString s1 = level("s1.wav", 4800, 0.25);
  const QString s2 = level("s2.wav", 2400, 0.5);
  mdlSndAPI::PlaySnd(s2, "S2", 0, 0);
  hear(1200);
  mdlSndAPI::PlaySnd(s1, "S1", 0, 0);
  const std::vector<float> mix = hear(6000);
  EXPECT_FLOAT_EQ(mix[0], 0.75f);
  EXPECT_FLOAT_EQ(mix[1199], 0.75f);
  EXPECT_FLOAT_EQ(mix[1200], 0.25f);
  EXPECT_FLOAT_EQ(mix[4799], 0.25f);
  EXPECT_FLOAT_EQ(mix[4800], 0.0f);
}

TEST_F(EngineCommandsTest, ASumBeyondFullScaleIsClipped) {
  mdlSndAPI::PlaySnd(level("p.wav", 100, 0.75), "S1", 0, 0);
  mdlSndAPI::PlaySnd(level("q.wav", 100, 0.75), "S2", 0, 0);
  mdlSndAPI::PlaySnd(level("r.wav", 100, -0.75), "S3", 0, 0);
  EXPECT_FLOAT_EQ(hear(1).at(0), 0.75f);
  mdlSndAPI::PlaySnd(level("s.wav", 100, 0.75), "S3", 0, 0);
  EXPECT_FLOAT_EQ(hear(1).at(0), 1.0f);
}

TEST_F(EngineCommandsTest, MidiPlaysThroughTheSequencer) {
  const QString mid = dir.filePath("bell.mid");
  ASSERT_TRUE(test::writeFile(mid, test::makeMidi({72, 76}, 240)));
  mdlSndAPI::PlaySnd(mid, "S1", 0, 0);
  ASSERT_TRUE(playing("318S1"));
  const std::vector<float> heard = hear(kRate / 2);
  const float peak = *std::max_element(heard.begin(), heard.end(),
                                       [](float x, float y) { return std::abs(x) < std::abs(y); });
  EXPECT_GT(std::abs(peak), 0.05f);
}

TEST_F(EngineCommandsTest, OpeningAnOpenAliasFailsLikeTheMediaInterface) {
  const QString wav = level("a.wav", 480, 0.5);
  ASSERT_EQ(commands.send("open \"" + wav + "\" type waveaudio alias a wait"), 0);
  EXPECT_EQ(commands.send("open \"" + wav + "\" type waveaudio alias a wait"),
            kMediaDuplicateAlias);
}

TEST_F(EngineCommandsTest, BadFilesAndUnknownCommandsChangeNothing) {
  const QString notSound = dir.filePath("text.wav");
  ASSERT_TRUE(test::writeFile(notSound, "this is not a sound"));
  const QString notMidi = dir.filePath("text.mid");
  ASSERT_TRUE(test::writeFile(notMidi, "MThd but not really"));
  EXPECT_EQ(commands.send("open \"" + notSound + "\" type waveaudio alias a wait"),
            kMediaCannotLoad);
  EXPECT_EQ(commands.send("open \"" + notMidi + "\" type sequencer alias b wait"),
            kMediaCannotLoad);
  EXPECT_EQ(commands.send("open \"" + dir.filePath("none.wav") + "\" type waveaudio alias c"),
            kMediaCannotLoad);
  EXPECT_EQ(commands.send("open \"" + notSound + "\" type cdaudio alias d"), kMediaInvalidDevice);
  EXPECT_EQ(commands.send("open \"unclosed type waveaudio alias e"), kMediaUnrecognizedCommand);
  EXPECT_EQ(commands.send("set a time format milliseconds"), kMediaUnrecognizedCommand);
  EXPECT_EQ(commands.send(""), kMediaUnrecognizedCommand);
  EXPECT_EQ(commands.send("play a from x"), kMediaUnrecognizedCommand);
  EXPECT_EQ(commands.send("play a from 0 wait"), kMediaInvalidDevice);
  EXPECT_EQ(commands.send("stop a"), kMediaInvalidDevice);
  EXPECT_EQ(commands.send("close a"), kMediaInvalidDevice);
  for (const char* alias : {"a", "b", "c", "d", "e"})
    EXPECT_FALSE(engine->isOpen(EngineMediaCommands::voiceName(alias))) << alias;
  EXPECT_TRUE(uiScope.ui.pauses.empty());
}

TEST_F(EngineCommandsTest, CloseAllSndWithNothingOpenFailsNothing) {
  mdlSndAPI::CloseAllSnd();
  mdlSndAPI::PlaySnd(level("a.wav", 4800, 0.5), "S4", 0, 0);
  EXPECT_TRUE(playing("318S4"));
  mdlSndAPI::CloseAllSnd();
  EXPECT_FALSE(engine->isOpen(EngineMediaCommands::voiceName("318S4")));
  EXPECT_FLOAT_EQ(hear(1).at(0), 0.0f);
}

TEST_F(EngineCommandsTest, UnsupportedExtensionCutsOffTheAlias) {
  mdlSndAPI::PlaySnd(level("a.wav", 4800, 0.5), "S2", 0, 0);
  const QString mp3 = dir.filePath("x.mp3");
  ASSERT_TRUE(test::writeFile(mp3, "ID3"));
  mdlSndAPI::PlaySnd(mp3, "S2", 0, 0);
  EXPECT_FALSE(playing("318S2"));
  EXPECT_FLOAT_EQ(hear(1).at(0), 0.0f);
}

}  // namespace
}  // namespace sorane
