#include "drive_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

#include "app_info.h"

namespace sorane {
namespace {

const QString kLampShown = QStringLiteral("stop_request/lamp_shown");
const QString kLampX = QStringLiteral("stop_request/lamp_x");
const QString kLampY = QStringLiteral("stop_request/lamp_y");
const QString kChime = QStringLiteral("stop_request/chime");
const QString kWait = QStringLiteral("auto_drive/wait_seconds");
const QString kSpeed = QStringLiteral("auto_drive/timetable_speed");
const QString kChimeFile = QStringLiteral("stop_request.wav");

template <std::size_t N>
int offered(const QVariant& v, const std::array<int, N>& choices, int fallback) {
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && std::find(choices.begin(), choices.end(), n) != choices.end() ? n : fallback;
}

}  // namespace

DriveSettings DriveSettings::read(const QSettings& ini) {
  DriveSettings s;
  s.lampShown = ini.value(kLampShown, true).toBool();
  bool xOk = false, yOk = false;
  const int x = ini.value(kLampX).toInt(&xOk);
  const int y = ini.value(kLampY).toInt(&yOk);
  if (xOk && yOk) s.lampPos = QPoint(x, y);
  s.chime = ini.value(kChime).toString();
  s.waitSeconds = offered(ini.value(kWait), kWaits, s.waitSeconds);
  s.timetableSpeed = offered(ini.value(kSpeed), kTimetableSpeeds, s.timetableSpeed);
  return s;
}

bool DriveSettings::save(const QString& file) const {
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
  QSettings ini(file, QSettings::IniFormat);
  ini.setValue(kLampShown, lampShown);
  if (lampPos) {
    ini.setValue(kLampX, lampPos->x());
    ini.setValue(kLampY, lampPos->y());
  } else {
    ini.remove(kLampX);
    ini.remove(kLampY);
  }
  if (chime.isEmpty())
    ini.remove(kChime);
  else
    ini.setValue(kChime, chime);
  ini.setValue(kWait, waitSeconds);
  ini.setValue(kSpeed, timetableSpeed);
  ini.sync();
  return ini.status() == QSettings::NoError;
}

QString stopChimePath(const DriveSettings& settings) {
  if (!settings.chime.isEmpty()) return settings.chime;
  for (const QString& folder : demoFolderPlaces()) {
    const QString path = QDir(folder).filePath(kChimeFile);
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

}  // namespace sorane
