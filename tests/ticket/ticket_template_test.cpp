#include "ticket_template.h"

#include <gtest/gtest.h>

#include <functional>

namespace sorane::ticket {
namespace {

FieldValues values() {
  FieldValues v;
  v.stop = QStringLiteral("JR北野台駅入口");
  v.date = QStringLiteral("03-15-2025");
  v.time = QStringLiteral("08:05:30");
  v.route = 12;
  v.ticket = 7;
  v.index = 21;
  v.company = 1;
  return v;
}

TEST(TicketTemplate, FormatsAsTicketsPrint) {
  struct Row {
    const char* text;
    std::function<void(FieldValues&)> change;
    QString expected;
  };
  auto same = [](FieldValues&) {};
  const QStringList companies = {QStringLiteral("ソラネ交通"), QStringLiteral("緑ヶ丘観光バス")};
  const std::vector<Row> rows = {
      {"{ticket}", same, "7"},
      {"{ticket:03}", same, "007"},
      {"{ticket:3}", same, "  7"},
      {"{ticket:03|wide}", same, QStringLiteral("００７")},
      {"{ticket|wide}番", [](FieldValues& v) { v.ticket = 12; }, QStringLiteral("１２番")},
      {"{ticket:03}", [](FieldValues& v) { v.ticket = -7; }, "-07"},
      {"{ticket:2}", [](FieldValues& v) { v.ticket = 1234; }, "1234"},
      {"R{route:04}-{index:03}", same, "R0012-021"},
      {"{date}", same, "03-15-2025"},
      {"{date:yyyy/MM/dd}", same, "2025/03/15"},
      {"{date:gge年M月d日(a)}", same, QStringLiteral("令和7年3月15日(土)")},
      {"{date:ge.MM.dd}", same, "R7.03.15"},
      {"{date:yy.m.D|wide}", same, QStringLiteral("２５．３．１５")},
      {"{date:gge年}", [](FieldValues& v) { v.date = "04-30-2019"; }, QStringLiteral("平成31年")},
      {"{date:ggee年}", [](FieldValues& v) { v.date = "05-01-2019"; }, QStringLiteral("令和01年")},
      {"{date:gge年M月}", [](FieldValues& v) { v.date = "05-01-2019"; },
       QStringLiteral("令和元年5月")},
      {"{date:gge}", [](FieldValues& v) { v.date = "01-07-1989"; }, QStringLiteral("昭和64")},
      // The fixed date of the settings comes as yyyy/mm/dd.
      {"{date:M月d日}", [](FieldValues& v) { v.date = "2009/01/05"; }, QStringLiteral("1月5日")},
      {"{date:M月d日}", [](FieldValues& v) { v.date = QStringLiteral("いつか"); },
       QStringLiteral("いつか")},
      {"{date:yyyy}", [](FieldValues& v) { v.date = "02-30-2025"; }, "02-30-2025"},
      {"{time}", same, "08:05:30"},
      {"{time:H時mm分ss秒}", same, QStringLiteral("8時05分30秒")},
      {"{stop|wide}", same, QStringLiteral("ＪＲ北野台駅入口")},
      {"{{{ticket}}}", same, "{7}"},
      {"{company}", same, QStringLiteral("緑ヶ丘観光バス")},
      {"{company}", [](FieldValues& v) { v.company = -1; }, QStringLiteral("ソラネ交通")},
      {"{company}", [](FieldValues& v) { v.company = 5; }, QStringLiteral("ソラネ交通")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    TemplateError error;
    const auto t = parseTemplate(QString::fromUtf8(row.text), error);
    ASSERT_TRUE(t) << error.message.toStdString();
    FieldValues v = values();
    row.change(v);
    EXPECT_EQ(formatTemplate(*t, v, companies), row.expected);
  }
}

TEST(TicketTemplate, SaysWhereATemplateIsWrong) {
  struct Row {
    const char* text;
    qsizetype at;
    QString message;
  };
  const std::vector<Row> rows = {
      {"No.{tiket}", 4,
       QStringLiteral("「tiket」という値はありません(stop date time route ticket index company)")},
      {"{ticket:003}", 8,
       QStringLiteral("桁数は「3」(空白で埋める)か「03」(0で埋める)の形で、10桁までです")},
      {"{ticket:011}", 8,
       QStringLiteral("桁数は「3」(空白で埋める)か「03」(0で埋める)の形で、10桁までです")},
      {"{date:yyyy年QQ}", 11, QStringLiteral("日付の書式に「Q」は使えません(y M d g e a)")},
      {"{date:yyy}", 6, QStringLiteral("「yyy」の数が合いません")},
      {"{time:HH:mm:ss.z}", 15, QStringLiteral("時刻の書式に「z」は使えません(H m s)")},
      {"{date:}", 6, QStringLiteral("「:」の後に書式がありません")},
      {"{stop:5}", 5, QStringLiteral("stop には書式を付けられません(|wide だけ使えます)")},
      {"{ticket|bold}", 8, QStringLiteral("「|」の後に書けるのは wide だけです")},
      {"A{ticket", 1, QStringLiteral("「{」を閉じる「}」がありません")},
      {"7}", 1, QStringLiteral("対になる「{」のない「}」です(文字の } は }} と書きます)")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    TemplateError error;
    EXPECT_FALSE(parseTemplate(QString::fromUtf8(row.text), error));
    EXPECT_EQ(error.at, row.at);
    EXPECT_EQ(error.message, row.message);
  }
}

TEST(TicketTemplate, ErasStartOnTheirFirstDay) {
  struct Row {
    int y, m, d;
    QString name;
    int year;
  };
  const std::vector<Row> rows = {
      {2019, 5, 1, QStringLiteral("令和"), 1},  {2019, 4, 30, QStringLiteral("平成"), 31},
      {1989, 1, 8, QStringLiteral("平成"), 1},  {1926, 12, 25, QStringLiteral("昭和"), 1},
      {1912, 7, 30, QStringLiteral("大正"), 1}, {1868, 10, 22, QString(), 1868}};
  for (const Row& r : rows) {
    const Era e = eraOf(r.y, r.m, r.d);
    EXPECT_EQ(e.name, r.name) << r.y;
    EXPECT_EQ(e.year, r.year) << r.y;
  }
}

}  // namespace
}  // namespace sorane::ticket
