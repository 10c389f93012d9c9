#include "sound_services.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "audio_engine.h"
#include "engine_media_commands.h"
#include "english_speech.h"
#include "media_commands.h"
#include "test_sounds.h"

namespace sorane {
namespace {

class EnvScope {
 public:
  EnvScope(const char* name, const QByteArray& value) : name_(name) { qputenv(name, value); }
  ~EnvScope() { qunsetenv(name_); }

 private:
  const char* name_;
};

TEST(SoundServices, InstallThePlayingCommandsAndSpeechForTheirLifetime) {
  EnvScope driver("SDL_AUDIODRIVER", "dummy");
  QTemporaryDir dir;
  const QString wav = dir.filePath("a.wav");
  ASSERT_TRUE(test::writeLevelWav(wav, 48000, 4800, 0.5));
  EXPECT_FALSE(speechEngineFactory()());
  {
    SoundServices services;
    EXPECT_EQ(services.audio().output(), AudioEngine::Output::Device);
    EXPECT_EQ(mediaCommands().send("open \"" + wav + "\" type waveaudio alias 318S1 wait"), 0);
    EXPECT_TRUE(services.audio().isOpen(EngineMediaCommands::voiceName("318S1")));
    EXPECT_EQ(mediaCommands().send("no such command"), kMediaUnrecognizedCommand);
    const bool speechInstalled = OpenJTalkSetup::system().usable();
    EXPECT_EQ(speechEngineFactory()() != nullptr, speechInstalled);
  }
  // Back to the commands that accept everything and do nothing.
  EXPECT_EQ(mediaCommands().send("no such command"), 0);
  EXPECT_FALSE(speechEngineFactory()());
}

// What is written to standard error while `run` runs.
QByteArray stderrOf(const std::function<void()>& run) {
  QTemporaryDir dir;
  const QByteArray path = QFile::encodeName(dir.filePath("err"));
  std::fflush(stderr);
  const int saved = ::dup(2);
  const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(file, 2);
  ::close(file);
  run();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  QFile f(QString::fromLocal8Bit(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SoundServices, WithoutEnglishSpeechOnlyEnglishIsLostAndOneLineSaysSo) {
  EnvScope driver("SDL_AUDIODRIVER", "dummy");
  SerialSynthesizer english(
      [](const QString&, const VoiceSettings&, int) -> SoundPtr { return nullptr; });
  struct Row {
    EnglishSynthesizer* english;
    QByteArray said;
  } rows[] = {{nullptr, kNoEnglishNotice}, {&english, ""}};
  for (const Row& row : rows) {
    std::unique_ptr<SpeechEngine> speech;
    const QByteArray said = stderrOf([&] {
      SoundServices services(row.english);
      speech = speechEngineFactory()();
      if (speech) {
        EXPECT_TRUE(speech->speaks(SpeechLanguage::Japanese));
        EXPECT_EQ(speech->speaks(SpeechLanguage::English), row.english != nullptr);
      }
      speech.reset();
    });
    EXPECT_EQ(said, row.said);
  }
  EXPECT_EQ(QByteArray(kNoEnglishNotice),
            "318: 英語の音声合成(Flite)が使えません。英語の放送はせずに動きます。\n");
}

}  // namespace
}  // namespace sorane
