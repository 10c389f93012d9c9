#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "runtime_error.h"

namespace sorane {

// The run-time error number for a system error code (errno).
int runtimeErrorForErrno(int error);

// A file refused for its size: run-time error 7, with a description that
// says so.
class FileTooLarge : public RuntimeError {
 public:
  explicit FileTooLarge(qint64 maxBytes);
};

// The whole file, when it is no longer than `maxBytes`: a longer one is
// refused unread (FileTooLarge). Throws RuntimeError on any failure: 53 when
// the file does not exist, 76 when its folder does not.
QByteArray readWholeFile(const QString& path, qint64 maxBytes);

// The path of the file in the folder of `path` whose name equals the name of
// `path` regardless of letter case (an exact match first); empty when none.
QString findFileIgnoringCase(const QString& path);

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path` only once it is complete and flushed, so a failure or a crash
// leaves either the old file or the new one, whole. Throws RuntimeError on
// failure; the temporary file is removed.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Several files at once: each is written whole to its temporary file first,
// and only then are they all renamed, so a failure while writing leaves
// every old file untouched. On failure `failed` (when given) is the index of
// the file at fault.
struct FileToWrite {
  QString path;
  QByteArray bytes;
};
void writeFilesAtomically(const std::vector<FileToWrite>& files, qsizetype* failed = nullptr);

// Writes a file that must not exist yet: a temporary file of a unique name,
// created exclusively beside `path`, then given the name only while that is
// still free. An existing file or link at `path` is left alone and the
// write fails (EEXIST: run-time error 75).
void writeNewFile(const QString& path, const QByteArray& bytes);

// Test seam: replaces the system's write call (nullptr restores it).
using WriteCall = std::function<ssize_t(int fd, const void* data, size_t size)>;
void setWriteCallForTesting(WriteCall call);

}  // namespace sorane
