#pragma once

#include "media_commands.h"

namespace sorane {

class AudioEngine;

// The program's media commands, carried out on the audio engine:
//   open "path" type waveaudio|sequencer alias NAME [wait]
//   play NAME [from MS] [wait]
//   stop NAME
//   close NAME
// Aliases ignore letter case. A waited play holds the caller through the Ui
// pause until the sound has been heard to its end. Anything else, and files
// that cannot be decoded, fail with an error number and change nothing.
class EngineMediaCommands : public MediaCommands {
 public:
  explicit EngineMediaCommands(AudioEngine& engine) : engine_(engine) {}
  int send(const QString& command) override;

  // The engine's name for the device of a media alias.
  static QString voiceName(const QString& alias);

 private:
  int open(const QStringList& words);
  int play(const QStringList& words);

  AudioEngine& engine_;
};

}  // namespace sorane
