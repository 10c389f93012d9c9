#include "media_commands.h"

namespace sorane {
namespace {

class SilentMediaCommands : public MediaCommands {
 public:
  int send(const QString&) override { return 0; }
};

MediaCommands* installed = nullptr;

}  // namespace

MediaCommands& mediaCommands() {
  static SilentMediaCommands silent;
  return installed ? *installed : silent;
}

void installMediaCommands(MediaCommands* commands) {
  installed = commands;
}

}  // namespace sorane
