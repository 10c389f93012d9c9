#include "app_info.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>

#include "install_paths.h"
#include "version.h"

namespace sorane {
namespace {
QString overridePath;
QString overrideBuildDemo;

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

QStringList demoFolderPlaces() {
  return {QDir::cleanPath(QDir(programFolder()).filePath(QString::fromUtf8(kDemoFolderFromBin))),
          overrideBuildDemo.isEmpty() ? QString::fromUtf8(kBuildDemoFolder) : overrideBuildDemo};
}

QString installedDemoFolder() {
  const QString demo = demoFolderPlaces().front();
  return QFileInfo(demo).isDir() ? demo : QString();
}

QString demoFolder() {
  for (const QString& place : demoFolderPlaces())
    if (QFileInfo(place).isDir()) return place;
  return {};
}

void setProgramPathForTesting(const QString& path) {
  overridePath = path;
}

void setBuildDemoFolderForTesting(const QString& folder) {
  overrideBuildDemo = folder;
}

QString versionText() {
  return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

void ensureRuntimeFolder() {
  if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
  const QByteArray folder = "/tmp/runtime-" + QByteArray::number(getuid());
  struct stat st {};
  if (mkdir(folder.constData(), 0700) != 0 && errno != EEXIST) return;
  if (lstat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 0777) != 0700)
    return;  // not ours alone: leave it to Qt, which says so
  qputenv("XDG_RUNTIME_DIR", folder);
}

}  // namespace sorane
