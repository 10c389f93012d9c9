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
  MediaCommandsScope() { installMediaCommands(&media); }
  ~MediaCommandsScope() { installMediaCommands(nullptr); }
  RecordingMediaCommands media;
};

}  // namespace sorane::test
