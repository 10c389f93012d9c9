#include <QLabel>
#include <QLineEdit>

#include "form1.h"
#include "frm_option.h"
#include "m_degit.h"
#include "program_fixture.h"

namespace sorane {
namespace {

using OptionCommandsTest = test::ProgramTest;

QString filterOf(std::initializer_list<const char16_t*> items) {
  QString out;
  for (const char16_t* item : items) out += QString::fromUtf16(item) + QChar(0);
  return out + QChar(0);
}

// Each path chooser with its exact arguments; a cancel leaves the box, a
// choice fills it.
TEST_F(OptionCommandsTest, PathChoosersAskWithTheirFilterAndTitleAndFillTheirBox) {
  frmOption& o = program.option();
  o.Option3[1]->setValue(true);  // the picture frames take clicks
  const QString sounds =
      filterOf({u"Waveサウンド(*.wav)", u"*.wav", u"MIDIサウンド(*.mid)", u"*.mid"});
  const QString pictures = filterOf({u"ビットマップ(*.bmp)", u"*.bmp", u"GIF画像(*.gif)", u"*.gif",
                                     u"JPEG画像(*.jpg)", u"*.jpg"});
  struct Row {
    QPushButton* button;
    QLineEdit* box;
    QString kind, filter, title;
  };
  std::vector<Row> rows;
  for (int i = 0; i < 2; ++i)
    rows.push_back({o.Command3[i], o.Text2[i], "folder", {}, "フォルダーを選択してください"});
  for (int i : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10})
    rows.push_back({o.cmdSelectSound[i], o.txtSelectSound[i], "file", sounds, "サウンドの選択"});
  for (int i = 0; i < 3; ++i)
    rows.push_back({o.Command6[i], o.txtSelectPanel[i], "file", pictures, "パネル画像の選択"});

  for (const Row& r : rows) {
    r.box->setText(QStringLiteral("before"));
    companion().chooserCalls.clear();
    companion().fileAnswer = companion().folderAnswer = QString();
    r.button->click();
    ASSERT_EQ(companion().chooserCalls.size(), 1u) << r.title.toStdString();
    const auto& call = companion().chooserCalls[0];
    EXPECT_EQ(call.kind, r.kind);
    EXPECT_EQ(call.owner, &o);
    EXPECT_EQ(call.title, r.title);
    EXPECT_EQ(call.filter, r.filter);
    EXPECT_EQ(call.flags, 0);
    EXPECT_TRUE(call.initialPath.isEmpty());
    EXPECT_EQ(r.box->text(), QStringLiteral("before"));  // cancelled
    companion().fileAnswer = companion().folderAnswer = QStringLiteral("/data/チャイム 2");
    r.button->click();
    EXPECT_EQ(r.box->text(), QStringLiteral("/data/チャイム 2")) << r.title.toStdString();
  }
  EXPECT_TRUE(ui().messages.empty());
}

TEST_F(OptionCommandsTest, ColourButtonsTakeTheChosenColourAndKeepTheirsOnCancel) {
  frmOption& o = program.option();
  std::vector<ColorButton*> buttons(o.Command5.begin(), o.Command5.end());
  buttons.insert(buttons.end(), o.Command8.begin(), o.Command8.end());
  buttons.insert(buttons.end(), o.Command9.begin(), o.Command9.end());
  for (ColorButton* b : buttons) {
    b->setBackColor(0x123456);
    companion().chooserCalls.clear();
    companion().colourResult = 0;
    companion().colourAnswer = 0x00FF00;
    b->click();
    ASSERT_EQ(companion().chooserCalls.size(), 1u);
    EXPECT_EQ(companion().chooserCalls[0].colour, 0x123456u);  // seeded with its own colour
    EXPECT_EQ(companion().chooserCalls[0].owner, &o);
    EXPECT_EQ(b->BackColor(), 0x123456u);
    companion().colourResult = 1;
    b->click();
    EXPECT_EQ(b->BackColor(), 0x00FF00u);
  }
  // The custom colours live on between calls and into the settings file.
  companion().duringColour = [](CustColorTable& t) { t[3] = 0x0A0B0C; };
  o.Command9[0]->click();
  EXPECT_EQ(program.record().CustColors[3], 0x0A0B0C);
}

TEST_F(OptionCommandsTest, SampleDigitFollowsTheThreeButtonsAlsoAfterACancel) {
  frmOption& o = program.option();
  o.Command8[0]->setBackColor(0x010101);
  o.Command8[1]->setBackColor(0x020202);
  o.Command8[2]->setBackColor(0x030303);
  companion().colourResult = 0;
  o.Command8[1]->click();
  EXPECT_EQ(o.M_Degit1->BackColor(), 0x010101u);
  EXPECT_EQ(o.M_Degit1->BaseForeColor(), 0x020202u);
  EXPECT_EQ(o.M_Degit1->DegitForeColor(), 0x030303u);
}

TEST_F(OptionCommandsTest, DateChooserShowsYearMonthDayWithTwoDigits) {
  frmOption& o = program.option();
  o.chkUseSeiriPrev->setValue(1);  // the date frame takes clicks
  const QString today = o.Label10->text();
  companion().dateResult = 0;
  o.Command7->click();
  EXPECT_EQ(o.Label10->text(), today);
  companion().dateResult = 1;
  companion().dateAnswer.year = 2009;
  companion().dateAnswer.month = 1;
  companion().dateAnswer.day = 5;
  o.Command7->click();
  EXPECT_EQ(o.Label10->text(), QStringLiteral("2009/01/05"));
  companion().dateAnswer.month = 12;
  companion().dateAnswer.day = 31;
  o.Command7->click();
  EXPECT_EQ(o.Label10->text(), QStringLiteral("2009/12/31"));
}

TEST_F(OptionCommandsTest, OpenFolderButtonsHandTheirFolderToTheFileManager) {
  frmOption& o = program.option();
  o.Text2[0]->setText(QStringLiteral("/srv/運賃"));
  o.Text2[1]->setText(QString());
  o.Command10[0]->click();
  o.Command10[1]->click();
  EXPECT_EQ(ui().openedFolders, (std::vector<QString>{"/srv/運賃", ""}));
  EXPECT_TRUE(ui().messages.empty());
}

}  // namespace
}  // namespace sorane
