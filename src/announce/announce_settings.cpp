#include "announce_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace sorane {
namespace {
const QString kEnglish = QStringLiteral("announce/english");
}  // namespace

AnnounceSettings AnnounceSettings::load(const QString& file) {
  AnnounceSettings s;
  if (!QFileInfo(file).isFile()) return s;
  const QSettings ini(file, QSettings::IniFormat);
  s.english = ini.value(kEnglish, s.english).toBool();
  return s;
}

bool AnnounceSettings::save(const QString& file) const {
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
  QSettings ini(file, QSettings::IniFormat);
  ini.setValue(kEnglish, english);
  ini.sync();
  return ini.status() == QSettings::NoError;
}

}  // namespace sorane
