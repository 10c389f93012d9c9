#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <functional>

namespace sorane {

// The run-time error number for a system error code (errno).
int runtimeErrorForErrno(int error);

// The whole file; throws RuntimeError on failure (53 when it does not exist).
QByteArray readWholeFile(const QString& path);

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path` only once it is complete and flushed, so a failure or a crash
// leaves either the old file or the new one, whole. Throws RuntimeError on
// failure; the temporary file is removed.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Test seam: replaces the system's write call (nullptr restores it).
using WriteCall = std::function<ssize_t(int fd, const void* data, size_t size)>;
void setWriteCallForTesting(WriteCall call);

}  // namespace sorane
