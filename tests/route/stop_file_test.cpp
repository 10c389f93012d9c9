#include "stop_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "cp932.h"
#include "data_io.h"
#include "scripted_ui.h"
#include "test_sounds.h"

namespace sorane {
namespace {

const QStringList kNames = {QStringLiteral("駅前"), QStringLiteral("市役所"),
                            QStringLiteral("終点")};

// Each row of `stops` as one line: the stop, its name, then the fields it
// holds.
QStringList describe(const RouteStops& stops) {
  QStringList out;
  for (const StopInfo& r : stops.rows()) {
    QString line = QString::number(r.stop) + QLatin1Char(' ') + r.name;
    for (int l = 0; l < kStopLanguages; ++l)
      if (!r.names[static_cast<std::size_t>(l)].isEmpty())
        line += QStringLiteral(" %1=%2").arg(stopLanguageColumn(static_cast<StopLanguage>(l)),
                                             r.names[static_cast<std::size_t>(l)]);
    if (r.minutes) line += QStringLiteral(" time=%1").arg(*r.minutes);
    for (int c = 1; c <= kIcCells; ++c)
      if (const auto fare = r.ic[static_cast<std::size_t>(c - 1)])
        line += QStringLiteral(" ic%1=%2").arg(c).arg(*fare);
    out << line;
  }
  return out;
}

struct ReaderCase {
  const char* what;
  QByteArray bytes;
  QStringList rows;           // describe() of what is read
  QString error = {};         // the whole message; empty when the file is used
  QStringList warnings = {};  // the whole messages
  QStringList ignored = {};
};

class StopFileReader : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(StopFileReader, ReadsWhatTheFileHoldsOrSaysWhereItIsWrong) {
  const ReaderCase& c = GetParam();
  const StopFile f = parseStopFile(c.bytes, kNames, QStringLiteral("1.stops.csv"));
  EXPECT_EQ(f.error ? f.error->message : QString(), c.error);
  EXPECT_EQ(describe(f.stops), c.rows);
  QStringList warnings;
  for (const StopFileIssue& w : f.warnings) warnings << w.message;
  EXPECT_EQ(warnings, c.warnings);
  EXPECT_EQ(f.ignoredColumns, c.ignored);
}

QByteArray u8(const char* s) {
  return QByteArray(s);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StopFileReader,
    ::testing::Values(
        ReaderCase{"columns in another order",
                   u8("time,en,stop,name\r\n8:05,Ekimae,1,駅前\r\n8:09,City Hall,2,市役所\r\n"),
                   {"1 駅前 en=Ekimae time=485", "2 市役所 en=City Hall time=489"}},
        ReaderCase{"only the stop column; rows may be left out", u8("stop\n1\n3\n"), {"1 ", "3 "}},
        ReaderCase{"every language",
                   u8("stop,reading,en,zh-Hans,zh-Hant,ko\n1,えきまえ,Ekimae,站前,站前,역앞\n"),
                   {"1  reading=えきまえ en=Ekimae zh-Hans=站前 zh-Hant=站前 ko=역앞"}},
        ReaderCase{
            "a name that differs warns and the file is used",
            u8("stop,name,en\n1,駅前,Ekimae\n2,市役場,City Hall\n"),
            {"1 駅前 en=Ekimae", "2 市役場 en=City Hall"},
            {},
            {"1.stops.csv:3: name「市役場」が運賃データの 2 件目の停留所名「市役所」と違います"}},
        ReaderCase{"a time with one minute digit",
                   u8("stop,time\n1,8:05\n2,8:5\n"),
                   {},
                   "1.stops.csv:3: time「8:5」が H:MM か HH:MM の時刻ではありません"},
        ReaderCase{"sixty minutes",
                   u8("stop,time\n1,8:60\n"),
                   {},
                   "1.stops.csv:2: time「8:60」が H:MM か HH:MM の時刻ではありません"},
        ReaderCase{"seconds",
                   u8("stop,time\n1,8:05:00\n"),
                   {},
                   "1.stops.csv:2: time「8:05:00」が H:MM か HH:MM の時刻ではありません"},
        ReaderCase{"times past midnight and with two hour digits",
                   u8("stop,time\n1,23:58\n2,24:03\n3,08:00\n"),
                   {"1  time=1438", "2  time=1443", "3  time=480"}},
        ReaderCase{"IC fares; empty is the cash fare",
                   u8("stop,ic1,ic2,ic32\n2,168,,0\n3,,1,32767\n"),
                   {"2  ic1=168 ic32=0", "3  ic2=1 ic32=32767"}},
        ReaderCase{"an IC fare out of range",
                   u8("stop,ic3\n1,32768\n"),
                   {},
                   "1.stops.csv:2: ic3「32768」が 0〜32767 円ではありません"},
        ReaderCase{"a negative IC fare",
                   u8("stop,ic1\n1,-10\n"),
                   {},
                   "1.stops.csv:2: ic1「-10」が 0〜32767 円ではありません"},
        ReaderCase{
            "a byte-order mark", u8("\xEF\xBB\xBFstop,en\r\n1,Ekimae\r\n"), {"1  en=Ekimae"}},
        ReaderCase{"quoted fields hold commas, quotes and line breaks",
                   u8("stop,en,ko\n1,\"Ekimae, North\",\"a\"\"b\nc\"\n2,x,y\n"),
                   {"1  en=Ekimae, North ko=a\"b\nc", "2  en=x ko=y"}},
        ReaderCase{"unknown columns are ignored",
                   u8("stop,memo,ic33,ic0,ic01,en\n1,a,b,c,d,Ekimae\n"),
                   {"1  en=Ekimae"},
                   {},
                   {},
                   {"memo", "ic33", "ic0", "ic01"}},
        ReaderCase{"a stop past the fare file's last",
                   u8("stop\n1\n4\n"),
                   {},
                   "1.stops.csv:3: stop 4 は運賃データの停留所数 3 を超えます"},
        ReaderCase{"stops out of order",
                   u8("stop\n2\n2\n"),
                   {},
                   "1.stops.csv:3: stop 2 が前の行の stop 2 より後の番号ではありません"},
        ReaderCase{"a stop that is no number",
                   u8("stop,en\n1,a\n,b\n"),
                   {},
                   "1.stops.csv:3: stop「」が停留所の番号(1〜3)ではありません"},
        ReaderCase{"no stop column",
                   u8("name,en\n駅前,Ekimae\n"),
                   {},
                   "1.stops.csv:1: 列「stop」がありません"},
        ReaderCase{"a column twice",
                   u8("stop,en,en\n1,a,b\n"),
                   {},
                   "1.stops.csv:1: 列「en」が2つあります"},
        ReaderCase{"more fields than columns",
                   u8("stop,en\n1,Ekimae,North\n"),
                   {},
                   "1.stops.csv:2: 項目が 3 個あり、列の名前(2 個)より多くあります"},
        ReaderCase{"a quote left open",
                   u8("stop,en\n1,\"Ekimae\n"),
                   {},
                   "1.stops.csv:2: 引用符 \" が閉じていません"},
        ReaderCase{"an empty file", u8(""), {}, "1.stops.csv:1: 列の名前の行がありません"},
        ReaderCase{"Shift-JIS is read, with a warning",
                   cp932::encode(QStringLiteral("stop,name\r\n1,駅前\r\n")),
                   {"1 駅前"},
                   {},
                   {"1.stops.csv: UTF-8 ではないため Shift-JIS として読みました"}},
        ReaderCase{"a byte-order mark before bytes that are not UTF-8",
                   u8("\xEF\xBB\xBFstop,en\n1,\xFF\n"),
                   {},
                   "1.stops.csv: UTF-8 として読めないバイトがあります"}));

TEST(StopFileReader, ATextIsNoLongerThanAFareFileNameCanBe) {
  QByteArray bytes = "stop,en\n1," + QByteArray(kMaxStopTextBytes, 'a') + "\n";
  EXPECT_TRUE(parseStopFile(bytes, kNames, "s").ok());
  bytes = "stop,en\n1," + QByteArray(kMaxStopTextBytes + 1, 'a') + "\n";
  const StopFile f = parseStopFile(bytes, kNames, "s");
  ASSERT_FALSE(f.ok());
  EXPECT_EQ(f.error->message, "s:2: 列「en」が長すぎます(65536 バイト、最大 65535 バイト)");
  EXPECT_TRUE(f.stops.empty());
}

TEST(RouteStops, AnswersByFareFileRowAndNothingForRowsItLacks) {
  const StopFile f =
      parseStopFile(u8("stop,en,ko,time,ic2\n2,City Hall,,25:01,168\n"), kNames, "s");
  const RouteStops& s = f.stops;
  EXPECT_EQ(s.name(2, StopLanguage::English), "City Hall");
  EXPECT_EQ(s.name(2, StopLanguage::Korean), "");
  EXPECT_EQ(s.name(1, StopLanguage::English), "");
  EXPECT_EQ(s.name(4, StopLanguage::English), "");
  EXPECT_EQ(s.minutes(2), 1501);
  EXPECT_EQ(s.minutes(1), std::nullopt);
  EXPECT_EQ(s.icFare(2, 2), 168);
  EXPECT_EQ(s.icFare(2, 1), std::nullopt);
  EXPECT_EQ(s.icFare(2, 33), std::nullopt);
  EXPECT_EQ(s.icFare(2, 0), std::nullopt);
  EXPECT_TRUE(s.has(StopLanguage::English));
  EXPECT_FALSE(s.has(StopLanguage::Korean));
  EXPECT_TRUE(s.hasTimes());
  EXPECT_TRUE(s.hasIcFares());
  EXPECT_FALSE(RouteStops().hasIcFares());
  EXPECT_EQ(RouteStops().name(1, StopLanguage::English), "");
}

TEST(StopFileWriter, WritesUtf8WithAMarkCrLfAndQuotesOnlyWhereNeeded) {
  StopInfo a;
  a.stop = 1;
  a.name = QStringLiteral("駅前");
  a.names[static_cast<std::size_t>(StopLanguage::English)] = QStringLiteral("Ekimae, North");
  a.minutes = 1505;
  a.ic[0] = 168;
  StopInfo b;
  b.stop = 3;
  b.name = QStringLiteral(" \"終点\"");
  const QByteArray bytes =
      encodeStopFile({a, b}, {"stop", "name", "en", "time", "ic1", "ic2", "memo"});
  EXPECT_EQ(bytes, u8("\xEF\xBB\xBF"
                      "stop,name,en,time,ic1,ic2,memo\r\n"
                      "1,駅前,\"Ekimae, North\",25:05,168,,\r\n"
                      "3,\" \"\"終点\"\"\",,,,,\r\n"));
  const StopFile back = parseStopFile(bytes, kNames, "s");
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.stops.rows(), (std::vector<StopInfo>{a, b}));
  EXPECT_EQ(back.ignoredColumns, QStringList{"memo"});
}

TEST(StopFileWriter, ATemplateHasEveryColumnAndTheIcFaresUpToTheHighestTicket) {
  std::vector<RouteRow> rows(2);
  rows[0].StopName = QStringLiteral("駅前");
  rows[0].Values[0] = 1;
  rows[1].StopName = QStringLiteral("終点");
  rows[1].Values[0] = 3;
  EXPECT_EQ(stopFileTemplate(rows),
            u8("\xEF\xBB\xBF"
               "stop,name,reading,en,zh-Hans,zh-Hant,ko,time,ic1,ic2,ic3\r\n"
               "1,駅前,,,,,,,,,\r\n"
               "2,終点,,,,,,,,,\r\n"));
}

TEST(StopFileWriter, ThePathBesideAFareFile) {
  EXPECT_EQ(stopFilePathBeside("1.hy3"), "1.stops.csv");
  EXPECT_EQ(stopFilePathBeside("/data/12.HY3"), "/data/12.stops.csv");
  EXPECT_EQ(stopFilePathBeside("./route.csv"), "./route.stops.csv");
  EXPECT_EQ(stopTimeText(5), "0:05");
  EXPECT_EQ(stopTimeText(1510), "25:10");
}

// DataIo brings the stop file along with the route.
class StopFileLoad : public ::testing::Test {
 protected:
  StopFileLoad() {
    std::vector<RouteRow> rows(3);
    for (int i = 0; i < 3; ++i) rows[static_cast<std::size_t>(i)].StopName = kNames[i];
    write("1.hy3", encodeRouteFile(rows));
    io.RouteText = "1";
    io.StartSection = 1;
  }
  void write(const QString& name, const QByteArray& bytes) {
    ASSERT_TRUE(test::writeFile(QDir(dir.path()).filePath(name), bytes));
  }
  QString path(const QString& name) const { return QDir(dir.path()).filePath(name); }
  QStringList messages() const {
    QStringList out;
    for (const auto& m : uiScope.ui.messages) out << m.text;
    return out;
  }

  QTemporaryDir dir;
  test::UiScope uiScope;
  DataIo io;
};

TEST_F(StopFileLoad, ARouteWithoutOneLoadsAsBeforeAndSaysNothing) {
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  EXPECT_TRUE(io.stops().empty());
  EXPECT_TRUE(messages().isEmpty());
}

TEST_F(StopFileLoad, AGoodOneIsFoundWhateverItsCaseAndUsed) {
  write("1.Stops.CSV", "stop,en\n3,Terminus\n");
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  EXPECT_EQ(io.stops().name(3, StopLanguage::English), "Terminus");
  EXPECT_TRUE(messages().isEmpty());
}

TEST_F(StopFileLoad, ABadOneIsReportedOnceWithFileAndLineAndTheRouteWorksWithoutIt) {
  write("1.stops.csv", "stop,en\n1,Ekimae\n");
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  write("1.stops.csv", "stop,time\n1,8:5\n");
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  EXPECT_TRUE(io.stops().empty());
  EXPECT_EQ(io.lastRow(), 3);
  const QString expected = "停留所ファイルに誤りがあるため、停留所ファイルなしで続けます...\r\n  " +
                           path("1.stops.csv") +
                           ":2: time「8:5」が H:MM か HH:MM の時刻ではありません\r\n"
                           "  解決法：停留所ファイルを直して、系統を設定し直して下さい.";
  EXPECT_EQ(messages(), QStringList{expected});
  // The same file again: no second message.
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  EXPECT_EQ(messages().size(), 1);
  // Changed, and still bad: said again.
  write("1.stops.csv", "stop,time\n1,9:5\n");
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  EXPECT_EQ(messages().size(), 2);
}

TEST_F(StopFileLoad, WarningsAreShownOnceAndTheFileIsUsed) {
  QByteArray bytes = "stop,name,en\n";
  for (int i = 1; i <= 3; ++i)
    bytes += QByteArray::number(i) + ",X,E" + QByteArray::number(i) + "\n";
  write("1.stops.csv", bytes);
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  EXPECT_EQ(io.stops().name(2, StopLanguage::English), "E2");
  ASSERT_EQ(messages().size(), 1);
  EXPECT_TRUE(messages()[0].startsWith(
      "停留所ファイルを確かめて下さい(このまま使います)...\r\n  " + path("1.stops.csv") +
      ":2: name「X」が運賃データの 1 件目の停留所名「駅前」と違います\r\n"));
  EXPECT_EQ(messages()[0].count("\r\n  "), 3);
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  EXPECT_EQ(messages().size(), 1);
}

TEST_F(StopFileLoad, ARefusedRouteKeepsTheStopsOfTheRouteSetBefore) {
  write("1.stops.csv", "stop,en\n1,Ekimae\n");
  ASSERT_TRUE(io.LoadRouteFile(dir.path()));
  io.RouteText = "2";
  EXPECT_FALSE(io.LoadRouteFile(dir.path()));
  EXPECT_EQ(io.stops().name(1, StopLanguage::English), "Ekimae");
}

TEST(RouteMessages, ManyWarningsShowFiveAndCountTheRest) {
  QStringList lines;
  for (int i = 1; i <= 7; ++i) lines << QStringLiteral("f:%1: w").arg(i);
  EXPECT_EQ(route_messages::stopFileWarned(lines),
            "停留所ファイルを確かめて下さい(このまま使います)...\r\n  f:1: w\r\n  f:2: w\r\n"
            "  f:3: w\r\n  f:4: w\r\n  f:5: w\r\n  ほか 2 件");
}

}  // namespace
}  // namespace sorane
