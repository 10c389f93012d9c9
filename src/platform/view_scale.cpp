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
const QString kBoardOption = QStringLiteral("--board");

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

std::optional<QString> lastOptionValue(const QStringList& arguments, const QString& option) {
  std::optional<QString> found;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == option)
      found = i + 1 < arguments.size() ? arguments[++i] : QString();
    else if (a.startsWith(option + QLatin1Char('=')))
      found = a.mid(option.size() + 1);
  }
  return found;
}

ScaleArgument findScaleArgument(const QStringList& arguments) {
  ScaleArgument found;
  const std::optional<QString> value = lastOptionValue(arguments, kOption);
  if (!value) return found;
  found.scale = parseViewScale(*value);
  if (!found.scale)
    found.error =
        QStringLiteral("--scale には 1、2、3 のどれかを指定してください（指定: \"%1\"）").arg(*value);
  return found;
}

QStringList argumentsForScale(const QStringList& arguments, int scale) {
  QStringList out;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    bool dropped = false;
    for (const QString& option : {kOption, kBoardOption}) {
      if (arguments[i] == option) {
        ++i;  // and its value
        dropped = true;
      } else if (arguments[i].startsWith(option + QLatin1Char('='))) {
        dropped = true;
      }
      if (dropped) break;
    }
    if (!dropped) out << arguments[i];
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
