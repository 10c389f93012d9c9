#include "file_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <vector>

namespace sorane {
namespace {

WriteCall& writeCall() {
  static WriteCall call;
  return call;
}

ssize_t doWrite(int fd, const void* data, size_t size) {
  return writeCall() ? writeCall()(fd, data, size) : ::write(fd, data, size);
}

[[noreturn]] void fail(int error) {
  throw RuntimeError(runtimeErrorForErrno(error));
}

}  // namespace

int runtimeErrorForErrno(int error) {
  switch (error) {
    case ENOENT:
      return err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
      return err::kPermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return err::kDiskFull;
    case EIO:
      return err::kDeviceIo;
    case ENOMEM:
      return err::kOutOfMemory;
    case ENAMETOOLONG:
    case EINVAL:
      return err::kBadFileNameOrNumber;
    default:
      return err::kPathFileAccess;
  }
}

FileTooLarge::FileTooLarge(qint64 maxBytes)
    : RuntimeError(err::kOutOfMemory,
                   QStringLiteral("ファイルが大きすぎます(最大 %1 バイト)。").arg(maxBytes)) {}

QByteArray readWholeFile(const QString& path, qint64 maxBytes) {
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int e = errno;
    if (e == ENOENT && !QFileInfo(QFileInfo(path).absolutePath()).isDir()) fail(ENOTDIR);
    fail(e);
  }
  auto tooLarge = [&] {
    ::close(fd);
    throw FileTooLarge(maxBytes);
  };
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > maxBytes) tooLarge();
  QByteArray out;
  if (S_ISREG(st.st_mode)) out.reserve(static_cast<qsizetype>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::close(fd);
      fail(e == EISDIR ? EACCES : e);
    }
    // A file that grows while it is read, or reports no size, is held to
    // the same limit.
    if (out.size() + n > maxBytes) tooLarge();
    out.append(buf, n);
  }
  ::close(fd);
  return out;
}

QString findFileIgnoringCase(const QString& path) {
  const QFileInfo wanted(path);
  if (wanted.isFile()) return path;
  const QDir dir = wanted.dir();
  const QString name = wanted.fileName();
  if (name.isEmpty()) return {};
  const QStringList candidates = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
  for (const QString& candidate : candidates)
    if (candidate.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(candidate);
  return {};
}

namespace {

// Writes `bytes` to `fd`, the file `temp`, flushes and closes it; on
// failure removes it and throws.
void writeAndClose(int fd, const QByteArray& temp, const QByteArray& bytes) {
  auto abandon = [&](int error) {
    ::close(fd);
    ::unlink(temp.constData());
    fail(error);
  };
  const char* p = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    const ssize_t n = doWrite(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon(errno);
    }
    if (n == 0) abandon(ENOSPC);
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 && errno != EINVAL) abandon(errno);
  if (::close(fd) != 0) {
    const int e = errno;
    ::unlink(temp.constData());
    fail(e);
  }
}

// Writes `bytes` to `temp` and flushes it; on failure removes it and throws.
void writeTemporary(const QByteArray& temp, const QByteArray& bytes) {
  const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) fail(errno == ENOENT ? ENOTDIR : errno);  // the folder is missing
  writeAndClose(fd, temp, bytes);
}

// Makes the renames in the folder of `path` durable.
void syncFolderOf(const QString& path) {
  const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
  const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
  writeFilesAtomically({{path, bytes}});
}

void writeFilesAtomically(const std::vector<FileToWrite>& files, qsizetype* failed) {
  std::vector<QByteArray> targets, temps;
  for (const FileToWrite& f : files) {
    targets.push_back(QFile::encodeName(f.path));
    temps.push_back(targets.back() + ".tmp");
  }
  auto removeTemps = [&](std::size_t from, std::size_t to) {
    for (std::size_t k = from; k < to; ++k) ::unlink(temps[k].constData());
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    try {
      writeTemporary(temps[i], files[i].bytes);
    } catch (const RuntimeError&) {
      removeTemps(0, i);
      if (failed) *failed = static_cast<qsizetype>(i);
      throw;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (::rename(temps[i].constData(), targets[i].constData()) != 0) {
      const int e = errno;
      removeTemps(i, files.size());
      if (failed) *failed = static_cast<qsizetype>(i);
      fail(e);
    }
  }
  for (const FileToWrite& f : files) syncFolderOf(f.path);
}

void writeNewFile(const QString& path, const QByteArray& bytes) {
  const QByteArray target = QFile::encodeName(path);
  QByteArray temp = target + ".XXXXXX";
  // A name of its own, created exclusively, never through a link.
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) fail(errno == ENOENT ? ENOTDIR : errno);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  writeAndClose(fd, temp, bytes);
  // Only a name that is still free is taken: never replaced, never followed.
  int renamed =
      ::renameat2(AT_FDCWD, temp.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
  if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
    renamed = ::link(temp.constData(), target.constData());
    if (renamed == 0) ::unlink(temp.constData());
  }
  if (renamed != 0) {
    const int e = errno;
    ::unlink(temp.constData());
    fail(e);
  }
  syncFolderOf(path);
}

void setWriteCallForTesting(WriteCall call) {
  writeCall() = std::move(call);
}

}  // namespace sorane
