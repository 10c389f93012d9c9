#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "media_commands.h"

namespace sorane::test {

// Media commands that only record what was sent.
class RecordingMediaCommands : public MediaCommands {
 public:
  int send(const QString& command) override {
    commands << command;
    if (onSend) onSend(command);
    return 0;
  }

  QStringList commands;
  std::function<void(const QString&)> onSend;
};

class MediaCommandsScope {
 public:
  MediaCommandsScope() : previous_(installMediaCommands(&media)) {}
  ~MediaCommandsScope() { installMediaCommands(previous_); }
  RecordingMediaCommands media;

 private:
  MediaCommands* previous_;
};

}  // namespace sorane::test
