#include "app_info.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "install_paths.h"
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
QString userConfigFolder() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(programBaseName());
}

QString installedDemoFolder() {
  const QString demo =
      QDir::cleanPath(QDir(programFolder()).filePath(QString::fromUtf8(kDemoFolderFromBin)));
  return QFileInfo(demo).isDir() ? demo : QString();
}

void setProgramPathForTesting(const QString& path) {
  overridePath = path;
}

QString versionText() {
  return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

}  // namespace sorane
