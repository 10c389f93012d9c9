#include "route_tool.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "bytes.h"
#include "cp932.h"
#include "file_io.h"
#include "gtfs_import.h"
#include "route_check.h"
#include "route_csv.h"
#include "stop_file.h"
#include "test_feed.h"

namespace sorane::routetool {
namespace {

QByteArray line(const QString& name, int ticket, int extraColumns = 0) {
  QString s = name + QStringLiteral(",%1").arg(ticket);
  for (int k = 1; k <= 32 + extraColumns; ++k) s += QStringLiteral(",%1").arg(k * 10);
  return (s + QLatin1Char('\n')).toUtf8();
}

TEST(RouteCsv, SplitsQuotedAndTrimmedFields) {
  bool ok = false;
  EXPECT_EQ(splitCsvLine(QStringLiteral(" a , \"b,c\" ,\"d\"\"e\""), &ok),
            (QStringList{"a", "b,c", "d\"e"}));
  EXPECT_TRUE(ok);
  splitCsvLine(QStringLiteral("\"open,1"), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(splitCsvLine(QStringLiteral("a,,b,"), &ok), (QStringList{"a", "", "b", ""}));
}

TEST(RouteCsv, ReadsUtf8AndShiftJis) {
  std::vector<RouteRow> rows;
  QString error;
  const QByteArray utf8 = "# comment\n" + line(QStringLiteral("駅前"), 1) + "\n" + line("B", 2, 3);
  ASSERT_TRUE(routeFromCsv(utf8, rows, error)) << error.toStdString();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].StopName, QStringLiteral("駅前"));
  EXPECT_EQ(rows[0].Values[0], 1);
  EXPECT_EQ(rows[0].Values[32], 320);
  EXPECT_EQ(rows[1].Values[35], 350);
  EXPECT_EQ(rows[1].Values[36], 0);

  const QByteArray sjis = cp932::encode(QString::fromUtf8(line(QStringLiteral("市役所"), 7)));
  ASSERT_TRUE(routeFromCsv(sjis, rows, error));
  EXPECT_EQ(rows[0].StopName, QStringLiteral("市役所"));
  ASSERT_TRUE(routeFromCsv("\xEF\xBB\xBF" + line("A", 1), rows, error));
  EXPECT_EQ(rows[0].StopName, QStringLiteral("A"));
}

TEST(RouteCsv, SaysWhatIsWrongAndWhere) {
  std::vector<RouteRow> rows;
  QString error;
  EXPECT_FALSE(routeFromCsv(line("A", 1) + "B,1,2,3\n", rows, error));
  EXPECT_EQ(error, QStringLiteral(
                       "2行目: 列の数が 4 "
                       "です(停留所名、整理券番号、運賃32列、追加の列は150列目まで: 34〜152列)"));
  QByteArray bad = line("A", 1);
  bad.replace(",100,", ",1O0,");
  EXPECT_FALSE(routeFromCsv(bad, rows, error));
  EXPECT_EQ(error, QStringLiteral("1行目: 12列目「1O0」は -32768〜32767 の整数ではありません"));
  EXPECT_FALSE(routeFromCsv(line("A", 40000), rows, error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("1行目: 2列目「40000」")));
  EXPECT_FALSE(routeFromCsv("# only comments\n", rows, error));
  EXPECT_EQ(error, QStringLiteral("停留所の行がありません"));
  // A "?" of its own in the name does not hide the character it lacks.
  for (const QString& name : {QStringLiteral("é駅"), QStringLiteral("駅?é")}) {
    EXPECT_FALSE(routeFromCsv(line(name, 1), rows, error)) << name.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("Shift-JISで書けない文字")));
  }
  ASSERT_TRUE(routeFromCsv(line(QStringLiteral("駅?"), 1), rows, error));
  EXPECT_EQ(rows[0].StopName, QStringLiteral("駅?"));
}

TEST(RouteCsv, RouteSurvivesCsvAndBack) {
  std::vector<RouteRow> rows(3);
  rows[0].StopName = QStringLiteral("駅前, 北口");
  rows[1].StopName = QStringLiteral(" 空白 ");
  rows[2].StopName = QStringLiteral("#1");
  rows[1].Values[40] = -1;
  rows[2].Values[32] = 580;
  std::vector<RouteRow> back;
  QString error;
  ASSERT_TRUE(routeFromCsv(routeToCsv(rows), back, error)) << error.toStdString();
  ASSERT_EQ(back.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back[i].StopName, rows[i].StopName);
    EXPECT_EQ(back[i].Values, rows[i].Values);
  }
  EXPECT_EQ(encodeRouteFile(back), encodeRouteFile(rows));
}

TEST(RouteCheck, ReportsInPlainWords) {
  bool ok = true;
  EXPECT_EQ(checkRouteFile(test::Bytes().i16(0), &ok),
            QStringList{QStringLiteral("停留所数が0です: このファイルでは系統設定できません")});
  EXPECT_FALSE(ok);
  std::vector<RouteRow> rows(2);
  rows[0].StopName = QStringLiteral("駅");
  QByteArray good = encodeRouteFile(rows);
  QStringList report = checkRouteFile(good + "xx", &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(report[0], QStringLiteral("停留所数 2、設定できる区間は 1〜1"));
  EXPECT_TRUE(report.contains(QStringLiteral("2件目: 停留所名が空です")));
  EXPECT_TRUE(
      report.contains(QStringLiteral("最後の停留所の後に 2 バイトの余分なデータがあります")));
  report = checkRouteFile(good.left(good.size() - 10), &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(report[0],
            QStringLiteral("停留所数は 2 ですが、2件目の運賃の途中でファイルが終わっています"));
}

TEST(TapeCheck, ReportsTheLineAtFault) {
  bool ok = false;
  const QByteArray good = cp932::encode(QStringLiteral("次は、駅前です。,1,2\r\n\"a,b\",0,0\r\n"));
  EXPECT_EQ(checkTapeFile(good, &ok),
            (QStringList{QStringLiteral("放送 2 件、うち停留所を送るもの 1 件"),
                         QStringLiteral("文字コード: Shift-JIS")}));
  EXPECT_TRUE(ok);
  // Written on Linux: UTF-8, line feeds only, a blank line between.
  const QString onLinux = QStringLiteral("次は、駅前です。,1,2\n\n\"a,b\",0,0\n");
  EXPECT_EQ(checkTapeFile(onLinux.toUtf8(), &ok),
            (QStringList{QStringLiteral("放送 2 件、うち停留所を送るもの 1 件"),
                         QStringLiteral("文字コード: UTF-8"),
                         QStringLiteral("行の終わりが CR LF ではありません")}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(checkTapeFile("\xEF\xBB\xBF" + onLinux.toUtf8(), &ok).at(1),
            QStringLiteral("文字コード: UTF-8 (BOM 付き)"));
  EXPECT_EQ(checkTapeFile("\x82\xA0\x82,0,0\r\n", &ok),
            QStringList{QStringLiteral("Shift-JISとしてもUTF-8としても読めないバイトがあります")});
  EXPECT_FALSE(ok);
  EXPECT_EQ(checkTapeFile(cp932::encode(QStringLiteral("a,1,1\r\nb,1\r\n")), &ok),
            QStringList{QStringLiteral(
                "2行目: 項目がちょうど3つ(文,送りフラグ,サウンドフラグ)ではありません")});
  EXPECT_FALSE(ok);
  EXPECT_EQ(checkTapeFile("a,x,1\r\n", &ok),
            QStringList{QStringLiteral("1行目: フラグが -32768〜32767 の整数ではありません")});
  EXPECT_EQ(checkTapeFile("\"a,1,1\r\n", &ok).size(), 1);
  EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace sorane::routetool

namespace sorane::routetool {
namespace {

// A command line, what it must print and its status. "%1" is the folder;
// an error text starting "usage:" is followed by the usage.
struct Row {
  QStringList args;
  int status;
  QString out, err;
};

int expectRun(const QString& folder, const Row& r) {
  QStringList args;
  for (const QString& a : r.args) args << QString(a).replace("%1", folder);
  const ToolRun run = runRouteTool(args);
  const std::string what = args.join(' ').toStdString();
  EXPECT_EQ(run.status, r.status) << what;
  EXPECT_EQ(run.out, QString(r.out).replace("%1", folder)) << what;
  if (r.err.startsWith("usage:"))
    EXPECT_TRUE(run.err.startsWith(r.err.mid(6) + QStringLiteral("使い方:"))) << what;
  else
    EXPECT_EQ(run.err, QString(r.err).replace("%1", folder)) << what;
  return run.status;
}

// What sorane-route says, and where: every message about a file names it.
TEST(RouteTool, MessagesNameTheirFileAndTheKindItRead) {
  QTemporaryDir dir;
  auto path = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
  auto put = [&](const char* name, const QByteArray& bytes) {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  };
  QByteArray fares = line(QStringLiteral("駅前"), 1) + line(QStringLiteral("市役所"), 2);
  put("route.csv", fares);
  put("gap.csv", fares.replace(",320\n", ",\n"));  // fare 32 left out
  put("1tp.csv", cp932::encode(QStringLiteral("次は、駅前です。,1,2\r\n")));
  put("2tp.csv", QByteArray());
  put("short.hy3", QByteArray(1, '\x02'));
  const Row rows[] = {
      {{"check", "%1/route.csv"},
       0,
       "%1/route.csv: 運賃の CSV として調べます\n%1/route.csv: 停留所数 2、設定できる区間は 1〜1\n"
       "%1/route.csv: 使えます\n",
       ""},
      {{"check", "%1/gap.csv"},
       1,
       "%1/gap.csv: 運賃の CSV として調べます\n"
       "%1/gap.csv: 1行目: 34列目が空です(0 のときも 0 と書いてください)\n"
       "%1/gap.csv: このままでは使えません\n",
       ""},
      {{"check", "%1/1tp.csv"},
       0,
       "%1/1tp.csv: 放送用データとして調べます\n%1/1tp.csv: 放送 1 件、うち停留所を送るもの 1 件\n"
       "%1/1tp.csv: 文字コード: Shift-JIS\n%1/1tp.csv: 使えます\n",
       ""},
      {{"check", "%1/2tp.csv"},
       1,
       "%1/2tp.csv: 放送用データとして調べます\n%1/2tp.csv: 放送が1件もありません\n"
       "%1/2tp.csv: このままでは使えません\n",
       ""},
      {{"check", "--tape", "%1/route.csv"},
       1,
       "%1/route.csv: 放送用データとして調べます\n"
       "%1/route.csv: 1行目: 項目がちょうど3つ(文,送りフラグ,サウンドフラグ)ではありません\n"
       "%1/route.csv: このままでは使えません\n",
       ""},
      {{"check", "%1/nosuch.hy3"}, 1, "", "%1/nosuch.hy3: ファイルが見つかりません。 (53)\n"},
      {{"to-hy3", "%1/nosuch.csv", "%1/x.hy3"},
       1,
       "",
       "%1/nosuch.csv: ファイルが見つかりません。 (53)\n"},
      {{"to-hy3", "%1/gap.csv", "%1/x.hy3"},
       1,
       "",
       "%1/gap.csv: 1行目: 34列目が空です(0 のときも 0 と書いてください)\n"},
      {{"to-hy3", "%1/route.csv", "%1/no/such/folder/x.hy3"},
       1,
       "",
       "%1/no/such/folder/x.hy3: パスが見つかりません。 (76)\n"},
      {{"to-csv", "%1/short.hy3", "%1/x.csv"},
       1,
       "",
       "%1/short.hy3: ファイルが短すぎます(先頭2バイトの停留所数がありません)\n"},
      {{"to-hy3", "%1/route.csv", "%1/r.hy3"}, 0, "%1/r.hy3: 2 停留所\n", ""},
      {{"check"}, 2, "", "usage:"},
  };
  for (const Row& r : rows) expectRun(dir.path(), r);
}

}  // namespace
}  // namespace sorane::routetool

namespace sorane::routetool {
namespace {

// from-gtfs writes its three files, or none of them; gtfs-routes lists.
TEST(RouteTool, GtfsCommandsWriteAllThreeFilesOrNone) {
  QTemporaryDir dir;
  const test::TestFeed feed = test::TestFeed::line(5);
  feed.writeTo(dir.filePath("feed"));
  test::TestFeed::line(40).writeTo(dir.filePath("wide"));  // 39 tickets
  test::TestFeed broken = feed;
  broken.files["fare_rules.txt"] = "fare;route\n";
  broken.writeTo(dir.filePath("broken"));
  test::TestFeed gone = test::TestFeed::line(3);
  gone.files["stop_times.txt"].replace(",s2,", ",gone,");
  gone.writeTo(dir.filePath("gone"));
  test::TestFeed unread = feed;
  unread.files.erase("translations.txt");
  QFile zip(dir.filePath("feed.zip"));
  ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
  zip.write(test::zipOf(unread, "gtfs/"));
  zip.close();
  const QString out = dir.filePath("out");
  QDir().mkpath(out);
  QFile old(out + "/7.hy3");
  ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
  old.close();
  const QStringList make = {"from-gtfs", "%1/feed", "--route", "L", "--number", "7", "--out"};
  const Row rows[] = {
      {{"gtfs-routes", "%1/feed"},
       0,
       "L  方向 0  5 停留所  2 便  1 緑線  停留所1 → 停留所5  整理券 4\n",
       ""},
      {{"gtfs-routes", "%1/broken"},
       1,
       "",
       "%1/broken/fare_rules.txt: 列「fare_id」がありません(--no-fares なら運賃 0 "
       "で停留所を取り込めます)\n"},
      {{"gtfs-routes", "%1/broken", "--no-fares"},
       0,
       "L  方向 0  5 停留所  2 便  1 緑線  停留所1 → 停留所5  整理券 4\n",
       ""},
      {{"gtfs-routes", "%1/gone"},
       0,
       "L  方向 0  3 停留所  2 便  1 緑線  停留所1 → 停留所3  整理券 2(stops.txt "
       "にない停留所があるため作れません)\n",
       ""},
      {{"gtfs-routes", "%1/feed.zip"},
       0,
       "L  方向 0  5 停留所  2 便  1 緑線  停留所1 → 停留所5  整理券 4\n",
       "%1/feed.zip: gtfs/translations.txt: ファイルがないため、停留所を名前のまま読みます\n"},
      {{"from-gtfs", "%1/wide", "--route", "L", "--number", "7", "--out", "%1/out"},
       1,
       "",
       "%1/wide: 路線「L」には整理券番号が 39 必要で、32 を超えます\n"},
      {make + QStringList{"%1/nosuch"}, 1, "", "%1/nosuch/7.hy3: パスが見つかりません。 (76)\n"},
      {make + QStringList{"%1/out", "--direction", "2"}, 2, "",
       "usage:sorane-route: --direction に「2」は使えません(0 か 1)\n"},
      {{"from-gtfs", "%1/feed", "--route", "L", "--out", "%1/out"},
       2,
       "",
       "usage:sorane-route: --number がありません\n"},
      {make + QStringList{"%1/out", "--times"}, 0,
       "%1/out/7.hy3: 5 停留所、整理券番号 4 まで\n%1/out/7tp.csv: 放送 5 件 (Shift-JIS)\n"
       "%1/out/7.csv: 運賃の CSV (手で直したら to-hy3 で運賃データに)\n",
       ""},
      {{"to-hy3", "%1/out/7.csv", "%1/back.hy3"}, 0, "%1/back.hy3: 5 停留所\n", ""},
  };
  auto bytesOf = [](const QString& path) { return readWholeFile(path, 1 << 20); };
  for (const Row& r : rows) {
    if (expectRun(dir.path(), r) != 0) {
      EXPECT_EQ(bytesOf(out + "/7.hy3"), "old") << r.args.join(' ').toStdString();
      EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{"7.hy3"});
    }
  }
  gtfs::ImportOptions o;
  o.routeId = "L";
  o.times = true;
  const auto made = gtfs::routeFiles(
      gtfs::importRoute(gtfs::readFeed(gtfs::FeedFiles::open(dir.filePath("feed")), true), o), 7,
      out, out);
  for (const FileToWrite& f : made) EXPECT_EQ(bytesOf(f.path), f.bytes) << f.path.toStdString();
  EXPECT_EQ(bytesOf(dir.filePath("back.hy3")), bytesOf(out + "/7.hy3"));
}

}  // namespace
}  // namespace sorane::routetool

namespace sorane::routetool {
namespace {

// Files that are not what they claim, or more than a fare file can hold:
// each refused with its place, and check says of a CSV what to-hy3 does.
TEST(RouteTool, RefusesWhatNoReaderTakesAndCheckAgreesWithToHy3) {
  QTemporaryDir dir;
  auto put = [&](const char* name, const QByteArray& bytes) {
    QFile f(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  };
  // 駅 is two bytes in Shift-JIS: 32,767 of them and one letter fill a row's
  // name, one more letter is a byte too many.
  const QString longest = QString(32767, QChar(0x99C5)) + "A";
  put("longest.csv", line(longest, 1) + line("B", 0));
  put("over.csv", line(longest + "A", 1) + line("B", 0));
  put("one.csv", line("A", 1));
  put("utf16.csv", QByteArray("\xFF\xFE") + QByteArray("a\0,\0", 4));
  ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("fifo.hy3")).constData(), 0644), 0);
  ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("fifo.csv")).constData(), 0644), 0);
  const QString tooLong =
      "1行目: 停留所名が Shift-JIS で 65536 バイトあり、運賃データに書ける 65535 バイトを超えます";
  const QString oneStop = "停留所が1件だけなので、どの区間でも系統設定できません";
  const Row rows[] = {
      {{"to-hy3", "%1/longest.csv", "%1/longest.hy3"}, 0, "%1/longest.hy3: 2 停留所\n", ""},
      {{"check", "%1/longest.csv"},
       0,
       "%1/longest.csv: 運賃の CSV として調べます\n%1/longest.csv: 停留所数 2、設定できる区間は 1〜1\n"
       "%1/longest.csv: 使えます\n",
       ""},
      {{"to-hy3", "%1/over.csv", "%1/over.hy3"}, 1, "", "%1/over.csv: " + tooLong + "\n"},
      {{"check", "%1/over.csv"},
       1,
       "%1/over.csv: 運賃の CSV として調べます\n%1/over.csv: " + tooLong +
           "\n%1/over.csv: このままでは使えません\n",
       ""},
      {{"to-hy3", "%1/one.csv", "%1/one.hy3"},
       1,
       "",
       "%1/one.csv: 停留所数 1、設定できる区間は 1〜0\n%1/one.csv: " + oneStop + "\n"},
      {{"check", "%1/one.csv"},
       1,
       "%1/one.csv: 運賃の CSV として調べます\n%1/one.csv: 停留所数 1、設定できる区間は 1〜0\n"
       "%1/one.csv: " + oneStop + "\n%1/one.csv: このままでは使えません\n",
       ""},
      {{"check", "%1/utf16.csv"}, 1, "", "%1/utf16.csv: UTF-16 で書かれているため読めません。 (75)\n"},
      {{"check", "%1/fifo.hy3"}, 1, "", "%1/fifo.hy3: ファイルではなく名前付きパイプ(FIFO)です。 (75)\n"},
      {{"check", "%1/fifo.csv"}, 1, "", "%1/fifo.csv: ファイルではなく名前付きパイプ(FIFO)です。 (75)\n"},
      {{"to-csv", "%1/fifo.hy3", "%1/x.csv"}, 1, "",
       "%1/fifo.hy3: ファイルではなく名前付きパイプ(FIFO)です。 (75)\n"},
      {{"check", "%1"}, 1, "", "%1: ファイルではなくフォルダーです。 (75)\n"},
  };
  for (const Row& r : rows) expectRun(dir.path(), r);
  EXPECT_EQ(readWholeFile(dir.filePath("longest.hy3"), kMaxRouteFileBytes).size(),
            2 + 2 * (2 + 65535 + 302) - 65534);
  EXPECT_FALSE(QFile::exists(dir.filePath("over.hy3")));
  EXPECT_FALSE(QFile::exists(dir.filePath("one.hy3")));
}

// A feed's names as the listing prints them: nothing in a name can hide
// the rest of its line or start a line of its own; a folder in the way of
// the announcement file leaves the fare file as it was.
TEST(RouteTool, GtfsNamesAreEscapedAndAFolderInTheWayChangesNothing) {
  QTemporaryDir dir;
  test::TestFeed feed = test::TestFeed::line(3);
  feed.files["stops.txt"].replace("停留所1", "A\x1B[2J").replace("停留所3", "\"C\nL  方向 9\"");
  feed.files["routes.txt"].replace("緑線", "緑\xE2\x80\xAE線");
  feed.writeTo(dir.filePath("feed"));
  const QString out = dir.filePath("out");
  QDir().mkpath(out + "/7tp.csv");
  QFile old(out + "/7.hy3");
  ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
  old.close();
  const Row rows[] = {
      {{"gtfs-routes", "%1/feed"},
       0,
       "L  方向 0  3 停留所  2 便  1 緑\\u202E線  A\\x1B[2J → C\\x0AL  方向 9  整理券 2\n",
       ""},
      {{"from-gtfs", "%1/feed", "--route", "L", "--number", "7", "--out", "%1/out"},
       1,
       "",
       "%1/feed/translations.txt: 読みのない停留所が 2 あり、停留所名のまま読みます: "
       "A\\x1B[2J、C\\x0AL  方向 9\n%1/out/7tp.csv: 同じ名前のフォルダーがあります。 (75)\n"},
  };
  for (const Row& r : rows) expectRun(dir.path(), r);
  EXPECT_EQ(readWholeFile(out + "/7.hy3", 10), "old");
  EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            (QStringList{"7.hy3", "7tp.csv"}));
}

// The stop file: checked beside its fare file, and written to fill in.
TEST(RouteTool, StopFilesAreCheckedBesideTheirFareFileAndWrittenOnlyAsNewFiles) {
  QTemporaryDir dir;
  auto put = [&](const QString& name, const QByteArray& bytes) {
    ASSERT_NO_THROW(writeFileAtomically(dir.filePath(name), bytes));
  };
  std::vector<RouteRow> rows(2);
  rows[0].StopName = QStringLiteral("駅前");
  rows[0].Values[0] = 1;
  rows[1].StopName = QStringLiteral("市役所");
  rows[1].Values[0] = 2;
  for (const char* route : {"1", "2", "3", "4"})
    put(QString("%1.hy3").arg(route), encodeRouteFile(rows));
  put("route.csv", routeToCsv(rows));
  const QByteArray good =
      "stop,name,en,memo,ic1,ic2\n1,駅前,Ekimae,x,,\n2,市役場,City Hall,,168,\n";
  put("1.stops.csv", good);
  put("route.stops.csv", good);
  put("lonely.stops.csv", good);
  put("2.stops.csv", "stop,time\n1,8:5\n");
  put("target.txt", "mine");
  ASSERT_TRUE(QFile::link(dir.filePath("target.txt"), dir.filePath("4.stops.csv")));
  const QString goodReport =
      "%1/%2.stops.csv: 停留所ファイルとして調べます\n"
      "%1/%2.stops.csv: 2 行 (運賃データの停留所は 2 件)、列: stop, name, en, IC運賃 2 列\n"
      "%1/%2.stops.csv:3: name「市役場」が運賃データの 2 件目の停留所名「市役所」と違います\n"
      "%1/%2.stops.csv: 使わない列: memo\n"
      "%1/%2.stops.csv: 使えます\n";
  const Row table[] = {
      {{"check", "%1/1.hy3"},
       0,
       "%1/1.hy3: 停留所数 2、設定できる区間は 1〜1\n%1/1.hy3: 使えます\n" +
           QString(goodReport).replace("%2", "1"),
       ""},
      {{"check", "%1/route.csv"},
       0,
       "%1/route.csv: 運賃の CSV として調べます\n%1/route.csv: 停留所数 2、設定できる区間は 1〜1\n"
       "%1/route.csv: 使えます\n" +
           QString(goodReport).replace("%2", "route"),
       ""},
      {{"check", "%1/1.stops.csv"}, 0, QString(goodReport).replace("%2", "1"), ""},
      {{"check", "%1/2.hy3"},
       1,
       "%1/2.hy3: 停留所数 2、設定できる区間は 1〜1\n%1/2.hy3: 使えます\n"
       "%1/2.stops.csv: 停留所ファイルとして調べます\n"
       "%1/2.stops.csv:2: time「8:5」が H:MM か HH:MM の時刻ではありません\n"
       "%1/2.stops.csv: このままでは使えません\n",
       ""},
      {{"check", "%1/lonely.stops.csv"},
       1,
       "",
       "%1/lonely.stops.csv: 横に lonely.hy3 も lonely.csv もないため、停留所の数と名前を確かめられ"
       "ません\n"},
      {{"stops", "%1/3.hy3"},
       0,
       "%1/3.stops.csv: 停留所ファイル (停留所 2 "
       "件の番号と名前。ほかの列は空なので書き込んで下さい)\n",
       ""},
      {{"stops", "%1/3.hy3"},
       1,
       "",
       "%1/3.stops.csv: もうあるため、作りません(書き直すなら消してから)\n"},
      {{"stops", "%1/4.hy3"},
       1,
       "",
       "%1/4.stops.csv: もうあるため、作りません(書き直すなら消してから)\n"},
      {{"stops", "%1/1.hy3"},
       1,
       "",
       "%1/1.stops.csv: もうあるため、作りません(書き直すなら消してから)\n"},
      {{"stops", "%1/nosuch.hy3"}, 1, "", "%1/nosuch.hy3: ファイルが見つかりません。 (53)\n"},
  };
  for (const Row& r : table) expectRun(dir.path(), r);
  EXPECT_EQ(readWholeFile(dir.filePath("3.stops.csv"), 1 << 20), stopFileTemplate(rows));
  EXPECT_EQ(readWholeFile(dir.filePath("target.txt"), 1 << 20), "mine");
  EXPECT_EQ(readWholeFile(dir.filePath("1.stops.csv"), 1 << 20), good);
  // Nothing but the files written is left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 12);
}

}  // namespace
}  // namespace sorane::routetool
