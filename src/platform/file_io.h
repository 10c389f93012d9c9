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

// What a path names when it is not a file to read, and other read failures,
// as the descriptions of the RuntimeError they throw.
namespace file_messages {
inline const QString kFolder = QStringLiteral("ファイルではなくフォルダーです。");
inline const QString kFifo = QStringLiteral("ファイルではなく名前付きパイプ(FIFO)です。");
inline const QString kDevice = QStringLiteral("ファイルではなくデバイスです。");
inline const QString kSocket = QStringLiteral("ファイルではなくソケットです。");
inline const QString kLink = QStringLiteral("シンボリックリンクのため読みません。");
inline const QString kUnreadable = QStringLiteral("読み込みできません。");
inline const QString kUtf16 = QStringLiteral("UTF-16 で書かれているため読めません。");
inline const QString kFolderInTheWay = QStringLiteral("同じ名前のフォルダーがあります。");
}  // namespace file_messages

// Whether the last part of a path may be a symbolic link.
enum class Links { Follow, Refuse };

// The whole file, when it is no longer than `maxBytes`: a longer one is
// refused unread (FileTooLarge). Only a regular file is read: it is opened
// without blocking and checked before a byte is read, so a FIFO, a device
// or a folder is refused at once, with a description saying what it is.
// Throws RuntimeError on any failure: 53 when the file does not exist, 76
// when its folder does not, 70 when it may not be read.
QByteArray readWholeFile(const QString& path, qint64 maxBytes, Links links = Links::Follow);

// True when `bytes` start as UTF-16 text: its byte-order mark, or a
// printable ASCII character beside a zero byte.
bool looksLikeUtf16(const QByteArray& bytes);

// A text file: readWholeFile, and UTF-16 refused (kUtf16).
QByteArray readTextFile(const QString& path, qint64 maxBytes);

// The path of the file in the folder of `path` whose name equals the name of
// `path` regardless of letter case (an exact match first); empty when none.
QString findFileIgnoringCase(const QString& path);
// The same for anything of that name, a folder or a FIFO too, so that its
// reader can say what it found.
QString findEntryIgnoringCase(const QString& path);

// Writes `bytes` to a temporary file beside `path` and renames it over
// `path` only once it is complete and flushed, so a failure or a crash
// leaves either the old file or the new one, whole. Throws RuntimeError on
// failure; the temporary file is removed.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Several files at once, all or nothing: each is written whole to a
// temporary file of its own, made under a fresh name in its folder that
// nothing stood at (never through a link planted there), and only then are
// they renamed over their targets. When a rename fails the files already
// replaced get their old contents back, and every temporary file is
// removed. On failure `failed` (when given) is the index of the file at
// fault.
struct FileToWrite {
  QString path;
  QByteArray bytes;
};
void writeFilesAtomically(const std::vector<FileToWrite>& files, qsizetype* failed = nullptr);

// Writes a file that must not exist yet: a temporary file of a fresh name,
// created exclusively beside `path`, then given the name only while that is
// still free. An existing file or link at `path` is left alone and the
// write fails (EEXIST: run-time error 75).
void writeNewFile(const QString& path, const QByteArray& bytes);

// Test seams: replace the system's write call and the names tried for
// temporary files (nullptr restores each).
using WriteCall = std::function<ssize_t(int fd, const void* data, size_t size)>;
void setWriteCallForTesting(WriteCall call);
// The name tried at `attempt` (from 0) for a temporary file beside
// `target`, with `ending` ".tmp" or ".old".
using TemporaryName = std::function<QString(const QString& target, int attempt, const char* ending)>;
void setTemporaryNameForTesting(TemporaryName name);

}  // namespace sorane
