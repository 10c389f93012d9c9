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
