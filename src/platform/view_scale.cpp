#include "view_scale.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "app_info.h"

namespace sorane {
namespace {

int currentScale = 1;
const QString kOption = QStringLiteral("--scale");
const QString kKey = QStringLiteral("scale");

}  // namespace

int viewScale() {
  return currentScale;
}

void setViewScale(int scale) {
  currentScale = scale >= kMinViewScale && scale <= kMaxViewScale ? scale : 1;
}

std::optional<int> parseViewScale(const QString& text) {
  bool ok = false;
  const int n = text.trimmed().toInt(&ok);
  if (!ok || n < kMinViewScale || n > kMaxViewScale) return std::nullopt;
  return n;
}

ScaleArgument findScaleArgument(const QStringList& arguments) {
  ScaleArgument found;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    QString value;
    if (a == kOption) {
      if (i + 1 < arguments.size()) value = arguments[++i];
    } else if (a.startsWith(kOption + QLatin1Char('='))) {
      value = a.mid(kOption.size() + 1);
    } else {
      continue;
    }
    found.scale = parseViewScale(value);
    if (!found.scale) {
      found.error =
          QStringLiteral("--scale には 1、2、3 のどれかを指定してください（指定: \"%1\"）")
              .arg(value);
      return found;
    }
  }
  return found;
}

QStringList argumentsForScale(const QStringList& arguments, int scale) {
  QStringList out;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == kOption) {
      ++i;  // and its value
      continue;
    }
    if (arguments[i].startsWith(kOption + QLatin1Char('='))) continue;
    out << arguments[i];
  }
  out << kOption << QString::number(scale);
  return out;
}

QString viewSettingsFile() {
  return QDir(userConfigFolder()).filePath(QStringLiteral("view.ini"));
}

int loadViewScale(const QString& file) {
  if (!QFileInfo(file).isFile()) return 1;
  const QSettings ini(file, QSettings::IniFormat);
  return parseViewScale(ini.value(kKey).toString()).value_or(1);
}

bool saveViewScale(const QString& file, int scale) {
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
  QSettings ini(file, QSettings::IniFormat);
  ini.setValue(kKey, scale);
  ini.sync();
  return ini.status() == QSettings::NoError;
}

}  // namespace sorane
