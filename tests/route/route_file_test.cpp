#include "route_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "bytes.h"
#include "cp932.h"
#include "data_io.h"
#include "file_rights.h"
#include "runtime_error.h"
#include "scripted_ui.h"

namespace sorane {
namespace {

using test::Bytes;

// A row record: name, then 151 values where value k is base + k.
Bytes& row(Bytes& b, const QString& name, int base) {
  b.text(cp932::encode(name));
  for (int k = 0; k <= 150; ++k) b.i16(base + k);
  return b;
}

TEST(RouteFile, ReadsRowsInOrderWithTheirValues) {
  Bytes b;
  b.i16(3);
  row(b, QStringLiteral("駅前"), 100);
  row(b, QString(), -5);
  row(b, QStringLiteral("JR北野台駅入口"), 30000);
  const RouteFile f = parseRouteFile(b);
  ASSERT_EQ(f.status, RouteFile::Status::Ok);
  ASSERT_EQ(f.rows.size(), 3u);
  EXPECT_EQ(f.rows[0].StopName, QStringLiteral("駅前"));
  EXPECT_EQ(f.rows[0].Values[0], 100);
  EXPECT_EQ(f.rows[0].Values[32], 132);
  EXPECT_EQ(f.rows[0].Values[150], 250);
  EXPECT_EQ(f.rows[1].StopName, QString());  // L = 0
  EXPECT_EQ(f.rows[1].Values[4], -1);
  EXPECT_EQ(f.rows[2].StopName, QStringLiteral("JR北野台駅入口"));
  EXPECT_EQ(f.rows[2].Values[150], static_cast<std::int16_t>(30150));  // wraps as 16-bit
  EXPECT_EQ(f.bytesUsed, static_cast<qsizetype>(QByteArray(b).size()));
  EXPECT_EQ(encodeRouteFile(f.rows), QByteArray(b));
}

TEST(RouteFile, RefusedCounts) {
  EXPECT_EQ(parseRouteFile(Bytes().i16(0)).status, RouteFile::Status::Empty);
  EXPECT_EQ(parseRouteFile(QByteArray()).status, RouteFile::Status::Empty);
  EXPECT_EQ(parseRouteFile(Bytes().i16(-4)).status, RouteFile::Status::Negative);
  EXPECT_EQ(parseRouteFile(Bytes().i16(302)).status, RouteFile::Status::TooMany);
  EXPECT_EQ(parseRouteFile(Bytes().i16(302)).count, 302);
}

TEST(RouteFile, ThreeHundredAndOneRowsFit) {
  Bytes b;
  b.i16(301);
  for (int i = 0; i < 301; ++i) row(b, QStringLiteral("停%1").arg(i), i);
  const RouteFile f = parseRouteFile(b);
  EXPECT_EQ(f.status, RouteFile::Status::Ok);
  EXPECT_EQ(f.rows.size(), 301u);
}

TEST(RouteFile, TruncatedInANameOrInTheValues) {
  Bytes b;
  b.i16(2);
  row(b, QStringLiteral("駅前"), 0);
  const QByteArray whole = Bytes(b).text(cp932::encode(QStringLiteral("市役所")));
  const RouteFile inName = parseRouteFile(whole.left(whole.size() - 2));
  EXPECT_EQ(inName.status, RouteFile::Status::Truncated);
  EXPECT_EQ(inName.badRow, 2);
  EXPECT_TRUE(inName.nameCut);
  const RouteFile inValues = parseRouteFile(Bytes(b).text("x").i16(1).i16(2));
  EXPECT_EQ(inValues.status, RouteFile::Status::Truncated);
  EXPECT_EQ(inValues.badRow, 2);
  EXPECT_FALSE(inValues.nameCut);
  const RouteFile noRow = parseRouteFile(b);
  EXPECT_EQ(noRow.status, RouteFile::Status::Truncated);
  EXPECT_EQ(noRow.badRow, 2);
}

TEST(RouteFile, BadShiftJisNameIsReadWithQuestionMarks) {
  Bytes b;
  b.i16(1).text(
      QByteArray::fromHex("8977"
                          "85"
                          "40"));  // 駅, then an unassigned code
  for (int k = 0; k <= 150; ++k) b.i16(0);
  const RouteFile f = parseRouteFile(b);
  ASSERT_EQ(f.status, RouteFile::Status::Ok);
  EXPECT_EQ(f.rows[0].StopName, QStringLiteral("駅?"));
  EXPECT_EQ(f.badNames, std::vector<int>{1});
}

// Loading through the store: messages and what each failure leaves behind.
class LoadRouteTest : public ::testing::Test {
 protected:
  void write(const QString& name, const QByteArray& bytes) {
    QFile f(QDir(dir.path()).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray route(int n, int base = 0) {
    Bytes b;
    b.i16(n);
    for (int i = 1; i <= n; ++i) row(b, QStringLiteral("停留所%1").arg(i), base + i * 1000);
    return b;
  }
  bool load(const QString& routeText, int section) {
    io.RouteText = routeText;
    io.StartSection = static_cast<std::int16_t>(section);
    return io.LoadRouteFile(dir.path());
  }
  QString lastMessage() const {
    return scope.ui.messages.empty() ? QString() : scope.ui.messages.back().text;
  }

  QTemporaryDir dir;
  test::UiScope scope;
  DataIo io;
};

TEST_F(LoadRouteTest, LoadsAndSetsTheCurrentRow) {
  write("5.hy3", route(5));
  ASSERT_TRUE(load("5", 4));
  EXPECT_TRUE(scope.ui.messages.empty());
  EXPECT_EQ(io.RouteCount, 5);
  EXPECT_EQ(io.CurrentIndex, 3);
  EXPECT_EQ(io.storedRows(), 5);
  EXPECT_EQ(io.row(4).StopName, QStringLiteral("停留所4"));
  EXPECT_EQ(io.row(4).Values[1], 4001);
  EXPECT_EQ(io.row(6).StopName, QString());
  EXPECT_EQ(io.row(301).Values[150], 0);
  EXPECT_THROW(io.row(302), RuntimeError);
  EXPECT_THROW(io.row(0), RuntimeError);
}

TEST_F(LoadRouteTest, RouteNumberLosesItsLeadingZerosInTheFileName) {
  write("12.hy3", route(3));
  ASSERT_TRUE(load("00012", 1));
  EXPECT_EQ(io.RouteText, QStringLiteral("00012"));
  write("0.hy3", route(2));
  EXPECT_TRUE(load("", 1));
  EXPECT_TRUE(load("00000", 1));
  EXPECT_EQ(DataIo::routeBaseName(QStringLiteral("07")), QStringLiteral("7"));
  EXPECT_EQ(DataIo::withSlash(QStringLiteral("/data/")), QStringLiteral("/data/"));
  EXPECT_EQ(DataIo::withSlash(QStringLiteral("/data")), QStringLiteral("/data/"));
  EXPECT_EQ(DataIo::withSlash(QString()), QString());
}

TEST_F(LoadRouteTest, CatalogueOfRefusedFilesKeepsThePreviousRoute) {
  write("1.hy3", route(4, 0));
  ASSERT_TRUE(load("1", 2));
  const auto keep = [this] {
    EXPECT_EQ(io.row(1).StopName, QStringLiteral("停留所1"));
    EXPECT_EQ(io.row(4).Values[0], 4000);
    EXPECT_EQ(io.CurrentIndex, 1);
    EXPECT_EQ(io.storedRows(), 4);
  };
  struct Case {
    const char* what;
    QByteArray bytes;  // empty name: no file
    int section;
    QString message;
    int countAfter;
  };
  Bytes cutName;
  cutName.i16(2);
  row(cutName, QStringLiteral("駅"), 0);
  cutName.i16(10).raw("abc");
  Bytes cutValues;
  cutValues.i16(2);
  row(cutValues, QStringLiteral("駅"), 0);
  cutValues.text("x").i16(7);
  const Case cases[] = {
      {"missing", QByteArray(), 1, route_messages::kMissing, 4},
      {"n = 0", Bytes().i16(0), 1, route_messages::kEmpty, 0},
      {"section too big", route(5), 5, route_messages::kSectionTooBig, 5},
      {"one row", route(1), 1, route_messages::kSectionTooBig, 1},
      {"negative n", Bytes().i16(-3), 1, route_messages::kSectionTooBig, -3},
      {"n = 302", Bytes().i16(302), 1, route_messages::tooMany(302), 302},
      {"cut in a name", cutName, 1, route_messages::truncated(2, true), 2},
      {"cut in the values", cutValues, 1, route_messages::truncated(2, false), 2},
  };
  int i = 0;
  for (const Case& c : cases) {
    const QString name = QStringLiteral("%1.hy3").arg(100 + i);
    if (!c.bytes.isEmpty()) write(name, c.bytes);
    EXPECT_FALSE(load(QString::number(100 + i), c.section)) << c.what;
    EXPECT_EQ(lastMessage(), c.message) << c.what;
    EXPECT_EQ(scope.ui.messages.back().buttons, MsgButtons::Ok);
    EXPECT_EQ(scope.ui.messages.back().icon, MsgIcon::None);
    EXPECT_EQ(io.RouteCount, c.countAfter) << c.what;
    keep();
    ++i;
  }
  // Stepping stays within the rows the store holds.
  io.RouteCount = 302;
  EXPECT_EQ(io.lastRow(), 4);
  io.RouteCount = 0;
  EXPECT_EQ(io.lastRow(), 0);
}

TEST_F(LoadRouteTest, ThreeHundredAndOneRowsLoad) {
  write("301.hy3", route(301));
  ASSERT_TRUE(load("301", 300));
  EXPECT_EQ(io.CurrentIndex, 299);
  EXPECT_EQ(io.row(301).StopName, QStringLiteral("停留所301"));
}

// The longest file the format can state: 301 rows of 65,535-byte names.
TEST_F(LoadRouteTest, TheLongestLegalFileLoads) {
  Bytes b;
  b.i16(301);
  for (int i = 1; i <= 301; ++i)
    row(b, QString(32767, QChar(0x99C5)) + QString::number(i % 10), i);  // 駅, then a digit
  ASSERT_EQ(QByteArray(b).size(), kMaxRouteFileBytes);
  write("9.hy3", b);
  ASSERT_TRUE(load("9", 300));
  EXPECT_EQ(io.row(301).StopName, QString(32767, QChar(0x99C5)) + QStringLiteral("1"));
  EXPECT_EQ(io.row(301).Values[150], 301 + 150);
  EXPECT_TRUE(scope.ui.messages.empty());
}

TEST_F(LoadRouteTest, FindsTheFileWhateverItsCaseTheExactNameFirst) {
  write("2.HY3", route(3));
  ASSERT_TRUE(load("2", 1));
  EXPECT_EQ(io.row(3).StopName, QStringLiteral("停留所3"));
  write("4.Hy3", route(3, 500));
  write("4.hy3", route(3));
  ASSERT_TRUE(load("4", 1));
  EXPECT_EQ(io.row(1).Values[1], 1001);
  EXPECT_TRUE(scope.ui.messages.empty());
  // A folder or a FIFO of that name is not the file, and is said to be
  // what it is, at once.
  ASSERT_TRUE(QDir(dir.path()).mkdir("6.hy3"));
  EXPECT_FALSE(load("6", 1));
  EXPECT_EQ(lastMessage(), QStringLiteral("ファイルではなくフォルダーです。"));
  ASSERT_EQ(mkfifo(QFile::encodeName(QDir(dir.path()).filePath("8.HY3")).constData(), 0644), 0);
  EXPECT_FALSE(load("8", 1));
  EXPECT_EQ(lastMessage(), QStringLiteral("ファイルではなく名前付きパイプ(FIFO)です。"));
  EXPECT_EQ(io.row(1).Values[1], 1001);
}

TEST_F(LoadRouteTest, AMissingFolderGivesItsOwnDescription) {
  write("1.hy3", route(3));
  write("plain", "not a folder");
  ASSERT_TRUE(load("1", 1));
  for (const char* folder : {"/nowhere", "/plain"}) {
    io.RouteText = QStringLiteral("1");
    EXPECT_FALSE(io.LoadRouteFile(dir.path() + QLatin1String(folder)));
    EXPECT_EQ(lastMessage(), QStringLiteral("パスが見つかりません。")) << folder;
    EXPECT_EQ(io.row(1).StopName, QStringLiteral("停留所1"));
  }
}

TEST_F(LoadRouteTest, AFileLongerThanAnyRouteIsRefusedUnread) {
  EXPECT_EQ(kMaxRouteFileBytes, 19817541);  // 2 + 301 x (2 + 65535 + 302)
  write("1.hy3", route(3));
  ASSERT_TRUE(load("1", 1));
  // Sparse: a gibibyte that costs no disk.
  for (qint64 size : {qint64{1} << 30, kMaxRouteFileBytes + 1, kMaxRouteFileBytes}) {
    QFile f(QDir(dir.path()).filePath("7.hy3"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(size));
    f.close();
    EXPECT_FALSE(load("7", 1));
    // At the limit the file is read: its count of 0 is what refuses it.
    EXPECT_EQ(lastMessage(), size == kMaxRouteFileBytes
                                 ? route_messages::kEmpty
                                 : QStringLiteral("ファイルが大きすぎます(最大 19817541 バイト)。"))
        << size;
    EXPECT_EQ(io.row(1).StopName, QStringLiteral("停留所1"));
  }
}

TEST_F(LoadRouteTest, UnreadableFileGivesItsOwnDescription) {
  write("9.hy3", route(3));
  QFile::setPermissions(QDir(dir.path()).filePath("9.hy3"), QFile::WriteOwner);
  // Root reads any file while its rights to do so are in effect.
  const test::WithoutFileRights asAnyUser;
  EXPECT_FALSE(load("9", 1));
  EXPECT_EQ(lastMessage(), QStringLiteral("読み込みできません。"));
}

TEST(SetRouteCell, ColumnsAndBounds) {
  DataIo io;
  io.SetRouteCell(301, 1, QStringLiteral("終点"));
  io.SetRouteCell(301, 2, 25);
  io.SetRouteCell(301, 152, -1);
  EXPECT_EQ(io.row(301).StopName, QStringLiteral("終点"));
  EXPECT_EQ(io.row(301).Values[0], 25);
  EXPECT_EQ(io.row(301).Values[150], -1);
  EXPECT_THROW(io.SetRouteCell(302, 1, "x"), RuntimeError);
  EXPECT_THROW(io.SetRouteCell(1, 153, 0), RuntimeError);
  EXPECT_THROW(io.SetRouteCell(1, 0, 0), RuntimeError);
}

}  // namespace
}  // namespace sorane
