#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "hostile_tickets.h"
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

// `check` draws the ticket before it says usable: what the drawing cut or
// could not decode is an error with its line, a barcode too fine to scan at
// 1x a warning after the report.
TEST(TicketCheck, DrawsTheTicketBeforeItSaysUsable) {
  QTemporaryDir dir;
  const QString large = QStringLiteral("5.5 mm 以上の大きな文字が券全体で 1600 mm² を超えるため、");
  struct Row {
    QString path;
    bool ok;
    QStringList firstLines;  // with "FILE" for the path
    QString lastLine;
  };
  const Row rows[] = {
      {test::hostileTicket("a fitted text 10 mm high that uses up the large characters")
           .make(QDir(dir.path())),
       false,
       {"FILE:3:1: " + large + "後ろの 1 文字を描けません",
        "FILE:4:1: " + large + "後ろの 3 文字を描けません"},
       "FILE: 整理券プラグインとして使えません(2 件)"},
      {test::hostileTicket("an embedded PNG that does not decode").make(QDir(dir.path())),
       false,
       {"FILE:3:32: 絵「undecodable.svg」: SVG の 1 行目の絵を読めません"},
       "FILE: 整理券プラグインとして使えません(1 件)"},
      {test::hostileTicket("huge-radius arcs").make(QDir(dir.path())),
       false,
       {"FILE: 1 倍の券を描けません: 時間がかかりすぎます(1 秒まで)"},
       "FILE: 整理券プラグインとして使えません(1 件)"},
      {write(dir, "nw7.4SP",
             "sorane-ticket 1\nsize w=100 h=30\n"
             "barcode-info routes=99999 method=serial stops=0-32767\n"
             "barcode x=1 y=1 w=98 h=15 type=nw7 data=\"A{route:05}{ticket:05}1234567890B\"\n"
             "end\n"),
       true,
       {"FILE: 使えます"},
       "FILE:4:1: 警告: バーコードの最も細い線が 1 ピクセルです(2 ピクセルより細いと読み取れない"
       "ことがあります)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path.toStdString());
    bool ok = !row.ok;
    const QStringList lines = checkPlugin(row.path, &ok, helper());
    EXPECT_EQ(ok, row.ok);
    QStringList first = row.firstLines;
    first.replaceInStrings("FILE", row.path);
    EXPECT_EQ(lines.mid(0, first.size()), first);
    EXPECT_EQ(lines.value(lines.size() - 1), QString(row.lastLine).replace("FILE", row.path));
  }
}

// The command itself: the same helper, the same limits, the same answers;
// nothing of a data URI on standard error.
TEST(TicketToolCommand, RendersThroughTheHelperAndRefusesWithinItsLimits) {
  QTemporaryDir dir;
  struct Row {
    QString plugin;
    int exitCode;
    QString lastLine;
  };
  const Row rows[] = {
      {QStringLiteral(SORANE_DEMO_DIR "/seiriken_barcode.4SP"), 0, {}},
      {test::hostileTicket("an embedded PNG that does not decode").make(QDir(dir.path())), 1,
       "FILE: 整理券プラグインとして使えません(1 件)"},
      {test::hostileTicket("a 1 MiB path").make(QDir(dir.path())), 1,
       "FILE: 整理券プラグインとして使えません(1 件)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.plugin.toStdString());
    const QString png = dir.filePath("out.png");
    QFile::remove(png);
    QProcess tool;
    QElapsedTimer t;
    t.start();
    tool.start(SORANE_TICKET_TOOL, {"render", row.plugin, png, "--scale=3", "ticket=7"});
    ASSERT_TRUE(tool.waitForFinished(20000));
    EXPECT_LT(t.elapsed(), 10000);
    EXPECT_EQ(tool.exitCode(), row.exitCode);
    EXPECT_EQ(QFile::exists(png), row.exitCode == 0);
    const QString errors = QString::fromUtf8(tool.readAllStandardError());
    EXPECT_FALSE(errors.contains("base64,")) << errors.toStdString();
    for (const QString& line : errors.split(u'\n')) EXPECT_LE(line.size(), 300);
    if (!row.lastLine.isEmpty()) {
      EXPECT_TRUE(errors.trimmed().endsWith(QString(row.lastLine).replace("FILE", row.plugin)))
          << errors.toStdString();
    }
  }
  const QImage drawn(dir.filePath("out.png"));
  EXPECT_TRUE(drawn.isNull());  // the last row wrote none
}

}  // namespace
}  // namespace sorane::tickettool
