#pragma once

#include <QPoint>
#include <QString>

class QSettings;
#include <array>
#include <optional>

namespace sorane {

// What the stop request and automatic driving keep between runs. They live
// in view.ini beside the kept scale, never in the settings file.
struct DriveSettings {
  static constexpr std::array<int, 3> kWaits{5, 10, 20};                // seconds
  static constexpr std::array<int, 4> kTimetableSpeeds{1, 10, 30, 60};  // times real time

  bool lampShown = true;
  // The lamp's top-left corner in screen pixels; none while it is under the
  // board, where it goes at any scale.
  std::optional<QPoint> lampPos;
  // A WAV of the user's for the request chime; empty for the built-in one.
  QString chime;
  int waitSeconds = 10;
  int timetableSpeed = 10;

  // From view.ini, read once at start; values that are missing or not on
  // offer are the defaults.
  static DriveSettings read(const QSettings& ini);
  // Keeps every other key of the file.
  bool save(const QString& file) const;
};

// The chime to play: the user's file when set, else the built-in chime of
// the installed demo data or of the build's own.
QString stopChimePath(const DriveSettings& settings);

}  // namespace sorane
