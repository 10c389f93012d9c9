#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>

#include "file_io.h"
#include "runtime_error.h"
#include "settings_file.h"

namespace sorane {
namespace {

class AtomicSaveTest : public ::testing::Test {
 protected:
  ~AtomicSaveTest() override { setWriteCallForTesting(nullptr); }
  QString path() const { return QDir(dir.path()).filePath(QStringLiteral("318.in4")); }
  QTemporaryDir dir;
};

SettingsRecord recordWith(const QString& folder) {
  SettingsRecord r;
  r.folderInfo.FareDataDir = folder;
  r.previewInfo.FixedDate = QStringLiteral("2026/12/07");
  return r;
}

TEST_F(AtomicSaveTest, WritesTheFileAndLeavesNoTemporary) {
  const QByteArray bytes = encodeSettings(recordWith("/a"));
  writeFileAtomically(path(), bytes);
  EXPECT_EQ(readWholeFile(path(), kMaxSettingsFileBytes), bytes);
  EXPECT_FALSE(QFile::exists(path() + ".tmp"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"318.in4"});
}

// A failure at any write call leaves the previous file whole.
TEST_F(AtomicSaveTest, FailureAtEveryWriteCallKeepsTheOldFile) {
  const QByteArray old = encodeSettings(recordWith("/old"));
  writeFileAtomically(path(), old);
  const QByteArray fresh = encodeSettings(recordWith(QString(3000, QLatin1Char('n'))));
  int failures = 0;
  for (int failAt = 1;; ++failAt) {
    int calls = 0;
    setWriteCallForTesting([&](int fd, const void* data, size_t size) -> ssize_t {
      if (++calls == failAt) {
        errno = ENOSPC;
        return -1;
      }
      // Short writes, so the save needs many calls.
      return ::write(fd, data, std::min<size_t>(size, 97));
    });
    try {
      writeFileAtomically(path(), fresh);
    } catch (const RuntimeError& e) {
      ++failures;
      EXPECT_EQ(e.number(), 61);  // disk full
      EXPECT_EQ(readWholeFile(path(), kMaxSettingsFileBytes), old) << "failing call " << failAt;
      EXPECT_FALSE(QFile::exists(path() + ".tmp"));
      continue;
    }
    break;  // no call failed: every call has been tried
  }
  setWriteCallForTesting(nullptr);
  EXPECT_GT(failures, 30);
  EXPECT_EQ(readWholeFile(path(), kMaxSettingsFileBytes), fresh);
}

// Killing the program while it saves, 100 times: the file is always the old
// one or the new one, whole.
TEST_F(AtomicSaveTest, KilledWhileSavingLeavesOneWholeFile) {
  // libfaketime keeps a lock shared with forked children; a child killed
  // while holding it stops this process for good. The kills need no clock.
  if (qEnvironmentVariable("LD_PRELOAD").contains(QLatin1String("faketime")))
    GTEST_SKIP() << "killing writers under libfaketime can leave its lock held";
  const QByteArray a = encodeSettings(recordWith(QString(2000, QLatin1Char('a'))));
  const QByteArray b = encodeSettings(recordWith(QString(2500, QLatin1Char('b'))));
  writeFileAtomically(path(), a);
  int whole = 0;
  int midSave = 0;  // rounds where the kill left a half-written temporary
  for (int round = 0; round < 100; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        try {
          writeFileAtomically(path(), i % 2 ? a : b);
        } catch (...) {
          _exit(2);
        }
      }
    }
    usleep(static_cast<useconds_t>(200 + (round * 137) % 3000));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const QByteArray now = readWholeFile(path(), kMaxSettingsFileBytes);
    whole += now == a || now == b;
    midSave += QFile::exists(path() + ".tmp");
  }
  EXPECT_EQ(whole, 100);
  std::printf("settings file whole after %d of 100 kills (%d of them mid-save)\n", whole, midSave);
}

TEST_F(AtomicSaveTest, ErrorsCarryRunTimeNumbers) {
  try {
    readWholeFile(QDir(dir.path()).filePath("missing.in4"), kMaxSettingsFileBytes);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 53);
  }
  try {
    writeFileAtomically(QDir(dir.path()).filePath("no/such/folder/318.in4"), "x");
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 76);  // path not found
  }
  EXPECT_EQ(runtimeErrorForErrno(EACCES), 70);
  EXPECT_EQ(runtimeErrorForErrno(ENOSPC), 61);
  EXPECT_EQ(runtimeErrorForErrno(EIO), 57);
  EXPECT_EQ(runtimeErrorForErrno(EBUSY), 75);
}

TEST_F(AtomicSaveTest, ReadingStopsAtTheLimitEvenWhenTheSizeIsNotKnown) {
  QFile f(path());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("12345");
  f.close();
  EXPECT_EQ(readWholeFile(path(), 5), "12345");
  // Files of the system's own report no size; they are held to the limit
  // while they are read.
  for (const QString& p : {path(), QStringLiteral("/proc/self/status")}) {
    try {
      readWholeFile(p, 4);
      FAIL() << "read " << p.toStdString();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), 7);
      EXPECT_EQ(e.description(), QStringLiteral("ファイルが大きすぎます(最大 4 バイト)。"));
    }
  }
}

}  // namespace
}  // namespace sorane
