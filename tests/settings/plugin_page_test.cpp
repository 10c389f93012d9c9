#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStyle>

#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"

namespace sorane {
namespace {

const QString kBasic = QStringLiteral(SORANE_DEMO_DIR "/seiriken_basic.4SP");
const QString kBarcode = QStringLiteral(SORANE_DEMO_DIR "/seiriken_barcode.4SP");

class PluginPageTest : public test::ProgramTest {
 protected:
  PluginPageTest() {
    // A fare file renamed: a row count, then a row.
    QFile f(kRoute);
    if (f.open(QIODevice::WriteOnly))
      f.write(QByteArray::fromHex("0100040082a082a2") + QByteArray(302, 0));
    program.option().chkUseSeiriPrev->setValue(1);  // the plug-in frame takes clicks
  }
  const QString kRoute = folder.dir.filePath(QStringLiteral("fares.4SP"));
  frmOption& o() { return program.option(); }
  frmCtl& ctl() { return program.ctl(); }
  QStringList report() {
    QStringList lines;
    for (int i = 0; i < o().List1->count(); ++i) lines << o().List1->item(i)->text();
    return lines;
  }
  QStringList companies() {
    QStringList names;
    for (int i = 0; i < ctl().Combo1->count(); ++i) names << ctl().Combo1->itemText(i);
    return names;
  }
  // "..." answered with `path` (an empty text: cancelled).
  void choose(const QString& path) {
    companion().fileAnswer = path;
    o().Command1->click();
  }
};

TEST_F(PluginPageTest, ChoosingTheDemoPluginsFillsTheReportNotesSizeAndCompanies) {
  choose(kBasic);
  const auto& call = companion().chooserCalls.back();
  EXPECT_EQ(call.title, QStringLiteral("プラグインの選択"));
  EXPECT_EQ(call.filter, QStringLiteral("整理券プラグイン(*.4SP)") + QChar(0) +
                             QStringLiteral("*.4SP") + QChar(0) + QChar(0));
  EXPECT_EQ(report(), (QStringList{"日付の印字 ---> 可能", "時刻の印字 ---> 不可",
                                   "系統番号の印字 ---> 不可", "停名の印字 ---> 可能",
                                   "バーコード印字 ---> 不可", "社名切り替え:---> 可能"}));
  EXPECT_EQ(o().txtSeiriPlgDir->text(), kBasic);
  EXPECT_TRUE(o().txtPlginComment->toPlainText().startsWith(QStringLiteral("見本の整理券です。")));
  EXPECT_EQ(companies(), (QStringList{"ソラネ交通", "緑ヶ丘観光バス"}));
  EXPECT_EQ(ctl().picSeirikenPrev->size(), QSize(219, 106));  // 3288 x 1587 twips

  choose(kBarcode);  // the company list is emptied before it fills again
  EXPECT_EQ(report(),
            (QStringList{"日付の印字 ---> 可能", "時刻の印字 ---> 可能", "系統番号の印字 ---> 可能",
                         "停名の印字 ---> 可能", "バーコード印字 ---> 可能",
                         "バーコード本数 ---> 2", "バーコード系統方式 ---> 系統番号＋往復フラグ",
                         "設定可能な系統範囲 ---> 1 ～ 999", "停留所認識範囲 ---> 1 ～ 300",
                         "社名切り替え:---> 可能"}));
  EXPECT_EQ(companies(), (QStringList{"ソラネ交通", "緑ヶ丘観光バス"}));
  EXPECT_TRUE(ui().messages.empty());
  for (const QString& line : report())  // no line is cut at the list's edge
    EXPECT_LT(o().List1->fontMetrics().horizontalAdvance(line) + 8,
              o().List1->width() - 2 * o().List1->frameWidth() -
                  o().List1->style()->pixelMetric(QStyle::PM_ScrollBarExtent))
        << line.toStdString();
}

TEST_F(PluginPageTest, AFileThatIsNoPluginKeepsTheGoodOneButEmptiesTheCompanies) {
  choose(kBasic);
  const QString notes = o().txtPlginComment->toPlainText();
  const QStringList before = report();
  for (const QString& bad : {kRoute, QStringLiteral("/nonexistent/x.4SP")}) {
    ui().messages.clear();
    choose(bad);
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(ui().messages[0].text,
              QStringLiteral("指定したファイルはプラグインでないか、内容が不正です"));
    EXPECT_EQ(ui().messages[0].title, QStringLiteral("プラグインロードエラー"));
    EXPECT_EQ(ui().messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(ui().messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(o().txtSeiriPlgDir->text(), kBasic);
    EXPECT_EQ(report(), before);
    EXPECT_EQ(o().txtPlginComment->toPlainText(), notes);
    EXPECT_TRUE(companies().isEmpty());
  }
  // Cancelling the chooser changes nothing and says nothing.
  ui().messages.clear();
  ctl().Combo1->addItem(QStringLiteral("残る"));
  choose(QString());
  EXPECT_TRUE(ui().messages.empty());
  EXPECT_EQ(o().txtSeiriPlgDir->text(), kBasic);
  EXPECT_EQ(companies(), QStringList{"残る"});
}

TEST_F(PluginPageTest, ReportLinesFollowTheRecordAsItIs) {
  PlgInfo info;
  info(2) = 3000;
  info(3) = 1500;
  info(4) = 2;  // only exactly 1 reads 可能
  info(8) = 1;
  info(9) = 3;
  info(10) = -5;
  info(11) = 1;
  info(12) = 7;
  info(13) = 70;
  companion().plgInfoAnswer = info;
  choose(QStringLiteral("/any/fake.4SP"));
  EXPECT_EQ(
      report(),
      (QStringList{"日付の印字 ---> 不可", "時刻の印字 ---> 不可", "系統番号の印字 ---> 不可",
                   "停名の印字 ---> 不可", "バーコード印字 ---> 可能", "バーコード本数 ---> 3",
                   "バーコード系統方式 ---> 連番式", "設定可能な系統範囲 ---> 1 ～ -5",
                   "停留所認識範囲 ---> 7 ～ 70", "社名切り替え:---> 不可"}));
  EXPECT_TRUE(companion().corpListCalls.empty());  // no company names: not asked
  EXPECT_TRUE(companies().isEmpty());
  EXPECT_EQ(ctl().picSeirikenPrev->size(), QSize(200, 100));
}

TEST_F(PluginPageTest, ClearingEmptiesThePageButLeavesThePanel) {
  choose(kBasic);
  o().Command11->click();
  EXPECT_TRUE(o().txtSeiriPlgDir->text().isEmpty());
  EXPECT_EQ(o().List1->count(), 0);
  EXPECT_TRUE(o().txtPlginComment->toPlainText().isEmpty());
  EXPECT_EQ(companies().size(), 2);
  EXPECT_EQ(ctl().picSeirikenPrev->size(), QSize(219, 106));
}

// At start the page is rebuilt from the saved path, without a message even
// when the file is no longer a plug-in.
TEST_F(PluginPageTest, LoadingTheSettingsRebuildsThePageSilently) {
  program.record().previewInfo.UseSeiriPrev = 1;
  program.record().previewInfo.SeiriPlgPath = kBarcode;
  o().SetOptionInfo();
  EXPECT_EQ(o().List1->count(), 10);
  EXPECT_EQ(companies().size(), 2);
  EXPECT_EQ(ctl().picSeirikenPrev->size(), QSize(219, 117));
  o().Command11->click();
  ctl().Combo1->clear();
  program.record().previewInfo.SeiriPlgPath = kRoute;
  o().SetOptionInfo();
  EXPECT_TRUE(ui().messages.empty());
  EXPECT_EQ(o().txtSeiriPlgDir->text(), kRoute);
  EXPECT_EQ(o().List1->count(), 0);
  EXPECT_TRUE(companies().isEmpty());
}

}  // namespace
}  // namespace sorane
