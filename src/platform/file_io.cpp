#include "file_io.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <optional>
#include <vector>

namespace sorane {
namespace {

WriteCall& writeCall() {
  static WriteCall call;
  return call;
}

TemporaryName& temporaryName() {
  static TemporaryName name;
  return name;
}

ssize_t doWrite(int fd, const void* data, size_t size) {
  return writeCall() ? writeCall()(fd, data, size) : ::write(fd, data, size);
}

[[noreturn]] void fail(int error) {
  throw RuntimeError(runtimeErrorForErrno(error));
}

[[noreturn]] void refuse(int number, const QString& description) {
  throw RuntimeError(number, description);
}

// A path that is there but is not a regular file, said as what it is.
[[noreturn]] void refuseKind(mode_t mode) {
  if (S_ISDIR(mode)) refuse(err::kPathFileAccess, file_messages::kFolder);
  if (S_ISFIFO(mode)) refuse(err::kPathFileAccess, file_messages::kFifo);
  if (S_ISCHR(mode) || S_ISBLK(mode)) refuse(err::kPathFileAccess, file_messages::kDevice);
  if (S_ISSOCK(mode)) refuse(err::kPathFileAccess, file_messages::kSocket);
  refuse(err::kPathFileAccess, runtimeErrorDescription(err::kPathFileAccess));
}

// A failure to open or read a file for reading.
[[noreturn]] void failReading(int error, const QString& path) {
  if (error == EACCES || error == EPERM) refuse(err::kPermissionDenied, file_messages::kUnreadable);
  if (error == ENOENT && !QFileInfo(QFileInfo(path).absolutePath()).isDir()) fail(ENOTDIR);
  fail(error);
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

QByteArray readWholeFile(const QString& path, qint64 maxBytes, Links links) {
  const QByteArray name = QFile::encodeName(path);
  // Looked at before it is opened, so that no device is opened at all; a
  // FIFO put there meanwhile does not block the open and fails the check
  // after it.
  struct stat st {};
  const int looked = links == Links::Refuse ? ::lstat(name.constData(), &st)
                                            : ::stat(name.constData(), &st);
  if (looked != 0) failReading(errno, path);
  if (S_ISLNK(st.st_mode)) refuse(err::kPathFileAccess, file_messages::kLink);
  if (!S_ISREG(st.st_mode)) refuseKind(st.st_mode);
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                                              (links == Links::Refuse ? O_NOFOLLOW : 0));
  if (fd < 0) {
    const int e = errno;
    if (e == ELOOP && links == Links::Refuse) refuse(err::kPathFileAccess, file_messages::kLink);
    failReading(e, path);
  }
  auto fdFail = [&](auto&& thrower) {
    ::close(fd);
    thrower();
  };
  if (::fstat(fd, &st) != 0) fdFail([&, e = errno] { failReading(e, path); });
  if (!S_ISREG(st.st_mode)) fdFail([&] { refuseKind(st.st_mode); });
  if (st.st_size > maxBytes) fdFail([&] { throw FileTooLarge(maxBytes); });
  QByteArray out;
  out.reserve(static_cast<qsizetype>(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      fdFail([&, e = errno] { failReading(e, path); });
    }
    // A file that grows while it is read, or reports no size, is held to
    // the same limit.
    if (out.size() + n > maxBytes) fdFail([&] { throw FileTooLarge(maxBytes); });
    out.append(buf, n);
  }
  ::close(fd);
  return out;
}

bool looksLikeUtf16(const QByteArray& bytes) {
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) return true;
  if (bytes.size() < 2) return false;
  const auto ascii = [](char c) { return c >= 0x20 && c < 0x7F; };
  return (bytes[0] == 0 && ascii(bytes[1])) || (ascii(bytes[0]) && bytes[1] == 0);
}

QByteArray readTextFile(const QString& path, qint64 maxBytes) {
  QByteArray bytes = readWholeFile(path, maxBytes);
  if (looksLikeUtf16(bytes)) refuse(err::kPathFileAccess, file_messages::kUtf16);
  return bytes;
}

namespace {

QString findIgnoringCase(const QString& path, QDir::Filters kinds, bool exact) {
  const QFileInfo wanted(path);
  if (exact) return path;
  const QDir dir = wanted.dir();
  const QString name = wanted.fileName();
  if (name.isEmpty()) return {};
  const QStringList candidates = dir.entryList(kinds | QDir::Hidden, QDir::Name);
  for (const QString& candidate : candidates)
    if (candidate.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(candidate);
  return {};
}

}  // namespace

QString findFileIgnoringCase(const QString& path) {
  return findIgnoringCase(path, QDir::Files, QFileInfo(path).isFile());
}

QString findEntryIgnoringCase(const QString& path) {
  struct stat st {};
  const bool there = ::lstat(QFile::encodeName(path).constData(), &st) == 0;
  return findIgnoringCase(path, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, there);
}

namespace {

// An owned descriptor, closed on every way out.
struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

QByteArray freshName(const QByteArray& target, int attempt, const char* ending) {
  if (temporaryName()) return QFile::encodeName(temporaryName()(QFile::decodeName(target), attempt, ending));
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  QByteArray name = target + '.';
  for (int i = 0; i < 8; ++i)
    name += kLetters[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kLetters - 1))];
  return name + ending;
}

constexpr int kNameAttempts = 100;

// A new empty file beside `target` under a name nothing stood at (never a
// link followed), `ending` ".tmp" or ".old": its descriptor, `made` its name.
int createFresh(const QByteArray& target, const char* ending, QByteArray& made) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    made = freshName(target, attempt, ending);
    const int fd =
        ::open(made.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) return fd;
    if (errno != EEXIST) fail(errno == ENOENT ? ENOTDIR : errno);  // the folder is missing
  }
  fail(EEXIST);
}

// Writes `bytes` to a fresh file beside `target` and flushes it; its name
// in `made`, its permissions `mode` when given. On failure removes it and
// throws.
void writeFresh(const QByteArray& target, const char* ending, const QByteArray& bytes,
                QByteArray& made, std::optional<mode_t> mode = std::nullopt) {
  Fd f{createFresh(target, ending, made)};
  auto abandon = [&](int error) {
    ::close(f.fd);
    f.fd = -1;
    ::unlink(made.constData());
    made.clear();
    fail(error);
  };
  if (mode && ::fchmod(f.fd, *mode & 07777) != 0) abandon(errno);
  const char* p = bytes.constData();
  size_t left = static_cast<size_t>(bytes.size());
  while (left > 0) {
    const ssize_t n = doWrite(f.fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon(errno);
    }
    if (n == 0) abandon(ENOSPC);
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(f.fd) != 0 && errno != EINVAL) abandon(errno);
  const int closed = ::close(f.fd);
  f.fd = -1;
  if (closed != 0) abandon(errno);
}

// What stands at `target` before it is replaced.
struct Old {
  bool there = false;
  QByteArray kept;  // a second name for it, to put it back by
  std::optional<mode_t> mode;  // a regular file's permissions, which the new one keeps
};

// Keeps what is at `target` under a second name: a hard link, or a copy
// where the folder cannot hold one. Throws when a folder stands there or
// the file cannot be kept.
Old keepOld(const QByteArray& target) {
  Old old;
  struct stat st {};
  if (::lstat(target.constData(), &st) != 0) return old;
  old.there = true;
  if (S_ISDIR(st.st_mode)) refuse(err::kPathFileAccess, file_messages::kFolderInTheWay);
  if (S_ISREG(st.st_mode)) old.mode = st.st_mode;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const QByteArray name = freshName(target, attempt, ".old");
    if (::link(target.constData(), name.constData()) == 0) {
      old.kept = name;
      return old;
    }
    if (errno != EEXIST) break;
  }
  if (!S_ISREG(st.st_mode)) fail(EPERM);
  writeFresh(target, ".old",
             readWholeFile(QFile::decodeName(target), st.st_size, Links::Refuse), old.kept,
             st.st_mode);
  return old;
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
  const std::size_t n = files.size();
  std::vector<QByteArray> targets(n), temps(n);
  std::vector<Old> olds(n);
  auto cleanUp = [&] {
    for (std::size_t k = 0; k < n; ++k) {
      if (!temps[k].isEmpty()) ::unlink(temps[k].constData());
      if (!olds[k].kept.isEmpty()) ::unlink(olds[k].kept.constData());
    }
  };
  std::size_t i = 0;
  try {
    // Every new file written and every old one kept before any is replaced.
    for (i = 0; i < n; ++i) {
      targets[i] = QFile::encodeName(files[i].path);
      olds[i] = keepOld(targets[i]);
      writeFresh(targets[i], ".tmp", files[i].bytes, temps[i], olds[i].mode);
    }
    for (i = 0; i < n; ++i) {
      if (::rename(temps[i].constData(), targets[i].constData()) != 0) {
        const int e = errno;
        // Back as they were: the old file where there was one, none where not.
        for (std::size_t k = 0; k < i; ++k) {
          if (!olds[k].kept.isEmpty() &&
              ::rename(olds[k].kept.constData(), targets[k].constData()) == 0)
            olds[k].kept.clear();
          else if (!olds[k].there)
            ::unlink(targets[k].constData());
        }
        if (e == EISDIR) refuse(err::kPathFileAccess, file_messages::kFolderInTheWay);
        fail(e);
      }
      temps[i].clear();
    }
  } catch (const RuntimeError&) {
    cleanUp();
    if (failed) *failed = static_cast<qsizetype>(i);
    throw;
  }
  cleanUp();
  for (const FileToWrite& f : files) syncFolderOf(f.path);
}

void writeNewFile(const QString& path, const QByteArray& bytes) {
  const QByteArray target = QFile::encodeName(path);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  QByteArray temp;
  writeFresh(target, ".tmp", bytes, temp, 0666 & ~mask);
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

void setTemporaryNameForTesting(TemporaryName name) {
  temporaryName() = std::move(name);
}

}  // namespace sorane
