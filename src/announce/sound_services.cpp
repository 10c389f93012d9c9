#include "sound_services.h"

#include <cstdio>
#include <utility>

#include "audio_engine.h"
#include "engine_media_commands.h"
#include "english_speech.h"

namespace sorane {
namespace {
SpeechEngineFactory installedFactory;
}

SpeechEngineFactory speechEngineFactory() {
  if (installedFactory) return installedFactory;
  return [] { return std::unique_ptr<SpeechEngine>(); };
}

SpeechEngineFactory installSpeechEngineFactory(SpeechEngineFactory factory) {
  return std::exchange(installedFactory, std::move(factory));
}

SoundServices::SoundServices(EnglishSynthesizer* english, std::unique_ptr<AudioEngine> output)
    : audio_(output ? std::move(output) : AudioEngine::openSystem()),
      commands_(std::make_unique<EngineMediaCommands>(*audio_)) {
  installMediaCommands(commands_.get());
  if (!english) std::fputs(kNoEnglishNotice, stderr);
  AudioEngine* audio = audio_.get();
  installSpeechEngineFactory([audio, english]() -> std::unique_ptr<SpeechEngine> {
    return OpenJTalkSpeech::create(*audio, OpenJTalkSetup::system(),
                                   OpenJTalkSpeech::defaultSettingsFile(), english);
  });
}

SoundServices::~SoundServices() {
  installSpeechEngineFactory({});
  installMediaCommands(nullptr);
}

}  // namespace sorane
