#include "media_commands.h"

#include <utility>

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

MediaCommands* installMediaCommands(MediaCommands* commands) {
  return std::exchange(installed, commands);
}

}  // namespace sorane
