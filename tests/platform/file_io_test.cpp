#include "file_io.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>

namespace sorane {
namespace {

bool put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

unsigned modeOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777u : 0u;
}

// Every name in the folder, hidden ones too, links as "name -> target".
QStringList entries(const QString& folder) {
  QStringList out;
  for (const QFileInfo& i : QDir(folder).entryInfoList(
           QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
    out << i.fileName() + (i.isSymLink() ? " -> " + QFileInfo(i.symLinkTarget()).fileName()
                           : i.isDir()   ? QStringLiteral("/")
                                         : QString());
  return out;
}

// "number: description" of what `run` throws; "(no error)" when nothing.
QString failureOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const RuntimeError& e) {
    return QString::number(e.number()) + ": " + e.description();
  }
  return QStringLiteral("(no error)");
}

// Scopes that put the writer's seams back as they were.
struct WriteCallScope {
  explicit WriteCallScope(WriteCall call) { setWriteCallForTesting(std::move(call)); }
  ~WriteCallScope() { setWriteCallForTesting(nullptr); }
};
struct TemporaryNameScope {
  explicit TemporaryNameScope(TemporaryName name) { setTemporaryNameForTesting(std::move(name)); }
  ~TemporaryNameScope() { setTemporaryNameForTesting(nullptr); }
};

// What stands at a path that is not a regular file is said at once, never
// waited on; a file that may not be read says so.
TEST(ReadWholeFile, SaysWhatIsThereInsteadOfAFile) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("fifo"), socket = dir.filePath("socket");
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray socketName = QFile::encodeName(socket);
  std::copy(socketName.begin(), socketName.end(), address.sun_path);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_TRUE(put(dir.filePath("file"), "bytes"));
  ASSERT_TRUE(QFile::link(dir.filePath("file"), dir.filePath("link")));
  ASSERT_TRUE(put(dir.filePath("utf16.csv"), QByteArray("a\0,\0b\0", 6)));
  ASSERT_TRUE(put(dir.filePath("marked.csv"), "\xFF\xFE" "a"));
  struct Row {
    QString path;
    Links links;
    QString failure;
  };
  const Row rows[] = {
      {fifo, Links::Follow, "75: ファイルではなく名前付きパイプ(FIFO)です。"},
      {dir.path(), Links::Follow, "75: ファイルではなくフォルダーです。"},
      {"/dev/zero", Links::Follow, "75: ファイルではなくデバイスです。"},
      {socket, Links::Follow, "75: ファイルではなくソケットです。"},
      {dir.filePath("link"), Links::Refuse, "75: シンボリックリンクのため読みません。"},
      {dir.filePath("link"), Links::Follow, "(no error)"},
      {dir.filePath("none"), Links::Follow, "53: ファイルが見つかりません。"},
      {dir.filePath("no/none"), Links::Follow, "76: パスが見つかりません。"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(failureOf([&] { readWholeFile(row.path, 100, row.links); }), row.failure)
        << row.path.toStdString();
  ::close(s);
  for (const char* name : {"utf16.csv", "marked.csv"})
    EXPECT_EQ(failureOf([&] { readTextFile(dir.filePath(name), 100); }),
              "75: UTF-16 で書かれているため読めません。")
        << name;
  EXPECT_EQ(readTextFile(dir.filePath("file"), 100), "bytes");
  EXPECT_EQ(findEntryIgnoringCase(dir.filePath("FIFO")), fifo);
  EXPECT_EQ(findFileIgnoringCase(dir.filePath("FIFO")), QString());
}

// Three files written together, the second blocked by a folder of its
// name: from the start, or appearing once every temporary file is written.
// Either way the files are as they were and nothing else is left.
TEST(WriteFilesAtomically, AFolderInTheWayOfTheSecondFileChangesNothing) {
  for (const bool late : {false, true}) {
    SCOPED_TRACE(late ? "the folder appears before the renames" : "the folder is there");
    QTemporaryDir dir;
    const QString first = dir.filePath("7.hy3"), second = dir.filePath("7tp.csv"),
                  third = dir.filePath("7.csv");
    ASSERT_TRUE(put(first, "old"));
    ASSERT_TRUE(QFile::setPermissions(first, QFile::ReadOwner | QFile::WriteOwner));
    if (!late) {
      ASSERT_TRUE(QDir().mkdir(second));
    }
    int writes = 0;
    const WriteCallScope scope([&](int fd, const void* data, size_t size) {
      if (late && ++writes == 3) QDir().mkdir(second);
      return ::write(fd, data, size);
    });
    qsizetype failed = -1;
    EXPECT_EQ(failureOf([&] {
                writeFilesAtomically({{first, "new 1"}, {second, "new 2"}, {third, "new 3"}},
                                     &failed);
              }),
              "75: 同じ名前のフォルダーがあります。");
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(bytesOf(first), "old");
    EXPECT_EQ(modeOf(first), 0600u);
    EXPECT_EQ(entries(dir.path()), (QStringList{"7.hy3", "7tp.csv/"}));
  }
}

// A name planted as a link, pointing at a file elsewhere, wherever the
// writer might put a file: the target's own name, the fixed temporary
// name it once used, and every fresh name it tries. Nothing is written
// through a link; the planted ones stay; the old file's permissions stay.
TEST(WriteFilesAtomically, NeverWritesThroughALinkPlantedAtAnyNameItCouldUse) {
  QTemporaryDir dir, elsewhere;
  const QString victim = elsewhere.filePath("victim");
  ASSERT_TRUE(put(victim, "victim"));
  const QString a = dir.filePath("1.hy3"), b = dir.filePath("1tp.csv");
  ASSERT_TRUE(put(b, "old b"));
  ASSERT_TRUE(QFile::setPermissions(b, QFile::ReadOwner | QFile::WriteOwner));
  const TemporaryNameScope names([](const QString& target, int attempt, const char* ending) {
    return target + ".try" + QString::number(attempt) + ending;
  });
  QStringList planted;
  for (const QString& target : {a, b}) {
    planted << target + ".tmp";
    for (int attempt = 0; attempt < 3; ++attempt)
      for (const char* ending : {".tmp", ".old"})
        planted << target + ".try" + QString::number(attempt) + ending;
  }
  planted << a;
  for (const QString& name : planted) ASSERT_TRUE(QFile::link(victim, name)) << name.toStdString();
  writeFilesAtomically({{a, "new a"}, {b, "new b"}});
  EXPECT_EQ(bytesOf(victim), "victim");
  EXPECT_EQ(bytesOf(a), "new a");
  EXPECT_EQ(bytesOf(b), "new b");
  EXPECT_FALSE(QFileInfo(a).isSymLink());
  EXPECT_EQ(modeOf(b), 0600u);
  planted.removeOne(a);
  QStringList expected{"1.hy3", "1tp.csv"};
  for (const QString& name : planted) expected << QFileInfo(name).fileName() + " -> victim";
  expected.sort();
  EXPECT_EQ(entries(dir.path()), expected);

  // Every name it may try taken: refused, nothing changed.
  const TemporaryNameScope one([](const QString& target, int, const char*) { return target + ".x"; });
  ASSERT_TRUE(QFile::link(victim, a + ".x"));
  EXPECT_EQ(failureOf([&] { writeFilesAtomically({{a, "newer"}}); }), "75: パス名が無効です。");
  EXPECT_EQ(bytesOf(a), "new a");
  EXPECT_EQ(bytesOf(victim), "victim");
}

}  // namespace
}  // namespace sorane
