#include "app_info.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "version.h"

namespace sorane {
namespace {
QString overridePath;

QFileInfo programFile() {
  return QFileInfo(overridePath.isEmpty() ? QCoreApplication::applicationFilePath() : overridePath);
}
}  // namespace

QString programBaseName() {
  return programFile().completeBaseName();
}
QString programFolder() {
  return programFile().absolutePath();
}
void setProgramPathForTesting(const QString& path) {
  overridePath = path;
}

QString versionText() {
  return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

}  // namespace sorane
