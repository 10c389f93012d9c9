#pragma once

#include <memory>

#include "audio_engine.h"

#include "english_speech.h"
#include "speech_engine.h"

namespace sorane {

class AudioEngine;
class EngineMediaCommands;

// The program's sound and speech for the whole run: the system's sound
// output, the media commands interpreted on it and the factory of Open
// JTalk speech engines playing through it, with English by `english`.
// Installs both process-wide on construction and takes them back on
// destruction. Without English speech it says so in one line on standard
// error.
class SoundServices {
 public:
  // The system's output unless `output` is given (a render's Manual one).
  explicit SoundServices(EnglishSynthesizer* english = fliteEnglish(),
                         std::unique_ptr<AudioEngine> output = nullptr);
  ~SoundServices();
  SoundServices(const SoundServices&) = delete;
  SoundServices& operator=(const SoundServices&) = delete;

  AudioEngine& audio() { return *audio_; }

 private:
  std::unique_ptr<AudioEngine> audio_;
  std::unique_ptr<EngineMediaCommands> commands_;
};

// The factory the operation panel hands to its announcement tape. Until one
// is installed it creates nothing, so speech is unusable.
// installSpeechEngineFactory({}) puts that back.
SpeechEngineFactory speechEngineFactory();
SpeechEngineFactory installSpeechEngineFactory(SpeechEngineFactory factory);  // returns the previous one

}  // namespace sorane
