#include <gtest/gtest.h>

#include "bytes.h"
#include "cp932.h"
#include "route_csv.h"

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
