#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "ticket_check.h"

namespace sorane::tickettool {
namespace {

// sorane-ticket beside the test.
ticket::TicketHelper& helper() {
  return ticket::runHelper();
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  QFile f(dir.filePath(name));
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  return f.fileName();
}

TEST(TicketCheck, NamesTheFileLineAndColumn) {
  QTemporaryDir dir;
  const QString path = write(dir, "bad.4SP",
                             "sorane-ticket 1\n"
                             "size w=58 h=28\n"
                             "text x=1 y=1 w=20 h=5 text=\"{ticket:03} {stopname}\"\n"
                             "box x=0 y=0 w=60 h=5\n"
                             "end\n");
  bool ok = true;
  EXPECT_EQ(
      checkPlugin(path, &ok, helper()),
      (QStringList{path + QStringLiteral(":3:42: 「stopname」という値はありません(stop date time "
                                         "route ticket index company)"),
                   path + QStringLiteral(":4:1: box が券(58×28 mm)の外に出ています"),
                   path + QStringLiteral(": 整理券プラグインとして使えません(2 件)")}));
  EXPECT_FALSE(ok);
  const QString missing = dir.filePath("none.4SP");
  EXPECT_EQ(checkPlugin(missing, &ok, helper()),
            (QStringList{missing + QStringLiteral(": ファイルがありません"),
                         missing + QStringLiteral(": 整理券プラグインとして使えません(1 件)")}));
}

TEST(TicketCheck, ReportsTheFourteenFields) {
  QTemporaryDir dir;
  const QString path =
      write(dir, "good.4SP",
            "sorane-ticket 1\nsize w=40 h=20\nnote \"メモ\"\ncompany \"ソラネ交通\"\n"
            "text x=0 y=0 w=40 h=5 text=\"{date:M/d} {stop}\"\nend\n");
  bool ok = false;
  const QStringList report = checkPlugin(path, &ok, helper());
  EXPECT_TRUE(ok);
  ASSERT_EQ(report.size(), 19);
  EXPECT_EQ(report[0], path + QStringLiteral(": 使えます"));
  EXPECT_EQ(report[1], QStringLiteral("  券の大きさ 40 × 20 mm、プレビュー 151 × 76 ピクセル"));
  EXPECT_EQ(report[3], QStringLiteral("   2 幅 (twips): 2268"));
  EXPECT_EQ(report[5], QStringLiteral("   4 日付の印字: 1"));
  EXPECT_EQ(report[6], QStringLiteral("   5 時刻の印字: 0"));
  EXPECT_EQ(report[8], QStringLiteral("   7 停名の印字: 1"));
  EXPECT_EQ(report[15], QStringLiteral("  14 社名の数: 1"));
  EXPECT_EQ(report[17], QStringLiteral("  社名 1: ソラネ交通"));
  EXPECT_EQ(report[18], QStringLiteral("  特記事項: メモ"));
}

TEST(TicketRenderTool, TakesValuesByNameAndDrawsAtTheScale) {
  ticket::FieldValues v = defaultValues(QDateTime(QDate(2025, 3, 15), QTime(8, 5, 30)));
  EXPECT_EQ(v.date, QStringLiteral("03-15-2025"));
  EXPECT_EQ(v.time, QStringLiteral("08:05:30"));
  QString error;
  EXPECT_TRUE(setValue(QStringLiteral("stop=市役所"), v, error));
  EXPECT_TRUE(setValue(QStringLiteral("ticket=-3"), v, error));
  EXPECT_EQ(v.stop, QStringLiteral("市役所"));
  EXPECT_EQ(v.ticket, -3);
  EXPECT_FALSE(setValue(QStringLiteral("ticket=40000"), v, error));
  EXPECT_EQ(error, QStringLiteral("ticket は -32768〜32767 の整数です"));
  EXPECT_TRUE(setValue(QStringLiteral("company=2"), v, error));
  EXPECT_EQ(v.company, 1);  // the second name, company=2 in the file
  EXPECT_FALSE(setValue(QStringLiteral("company=0"), v, error));
  EXPECT_EQ(error, QStringLiteral("company は 1〜32 の整数です"));
  EXPECT_FALSE(setValue(QStringLiteral("colour=1"), v, error));
  EXPECT_EQ(error, QStringLiteral("「colour=1」: 値は stop= date= time= route= ticket= index= "
                                  "company= で渡します"));

  QTemporaryDir dir;
  const QString path =
      write(dir, "t.4SP", "sorane-ticket 1\nsize w=40 h=20\nbox x=0 y=0 w=20 h=20\nend\n");
  QStringList messages;
  ASSERT_TRUE(renderPlugin(path, dir.filePath("t.png"), 2, v, messages, helper()));
  EXPECT_TRUE(messages.isEmpty());
  const QImage image(dir.filePath("t.png"));
  EXPECT_EQ(image.size(), QSize(302, 152));
  EXPECT_EQ(image.pixel(10, 76), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(290, 76), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace sorane::tickettool
