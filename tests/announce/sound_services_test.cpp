#include "sound_services.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "audio_engine.h"
#include "engine_media_commands.h"
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

}  // namespace
}  // namespace sorane
