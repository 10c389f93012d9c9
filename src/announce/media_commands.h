#pragma once

#include <QString>

namespace sorane {

// The media command-string interface: "open", "play", "stop" and "close"
// commands naming a device by alias. The program interprets them on the
// audio engine; tests record them.
class MediaCommands {
 public:
  virtual ~MediaCommands() = default;
  // Carries out one command; 0 on success, otherwise an error number that
  // callers are free to ignore.
  virtual int send(const QString& command) = 0;
};

// Error numbers of send(), as the platform's media interface numbers them.
inline constexpr int kMediaUnrecognizedCommand = 261;
inline constexpr int kMediaInvalidDevice = 263;
inline constexpr int kMediaCannotLoad = 266;
inline constexpr int kMediaFileNotFound = 275;
inline constexpr int kMediaDuplicateAlias = 289;

// The commands in use. Until the program installs its own, every command is
// accepted and does nothing. installMediaCommands(nullptr) puts that back.
MediaCommands& mediaCommands();
MediaCommands* installMediaCommands(MediaCommands* commands);  // returns the previous one

}  // namespace sorane
