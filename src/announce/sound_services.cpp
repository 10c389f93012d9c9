#include "sound_services.h"

#include <utility>

#include "audio_engine.h"
#include "engine_media_commands.h"

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

SoundServices::SoundServices()
    : audio_(AudioEngine::openSystem()), commands_(std::make_unique<EngineMediaCommands>(*audio_)) {
  installMediaCommands(commands_.get());
  AudioEngine* audio = audio_.get();
  installSpeechEngineFactory(
      [audio]() -> std::unique_ptr<SpeechEngine> { return OpenJTalkSpeech::create(*audio); });
}

SoundServices::~SoundServices() {
  installSpeechEngineFactory({});
  installMediaCommands(nullptr);
}

}  // namespace sorane
