#include "form1.h"
#include "mdl318_000.h"
#include "program_fixture.h"

namespace sorane {
namespace {

class NumberingTest : public test::ProgramTest {
 protected:
  NumberingTest() : ProgramTest(false) { mdl318_000::InitBoardCells(form()); }
  Form1& form() { return program.form1(); }
  QString caption(int i) { return form().lblSeiriNum[i]->text(); }
  void set(int style, int pad) {
    const std::int16_t s = static_cast<std::int16_t>(style), z = static_cast<std::int16_t>(pad);
    mdl318_000::SeirikenNumSet(form(), s, z);
  }
};

TEST(NumberFormat, FullWidthDigitsWithOptionalZeroPad) {
  EXPECT_EQ(mdl318_000::seiriNumberCaption(7, false), QStringLiteral("７"));
  EXPECT_EQ(mdl318_000::seiriNumberCaption(12, false), QStringLiteral("１２"));
  EXPECT_EQ(mdl318_000::seiriNumberCaption(7, true), QStringLiteral("０７"));
  EXPECT_EQ(mdl318_000::seiriNumberCaption(0, true), QStringLiteral("００"));
  EXPECT_EQ(mdl318_000::seiriNumberCaption(10, true), QStringLiteral("１０"));
}

TEST_F(NumberingTest, StyleZeroCountsFromOne) {
  set(0, 0);
  EXPECT_EQ(caption(1), QStringLiteral("１"));
  EXPECT_EQ(caption(32), QStringLiteral("３２"));
  set(0, 1);
  EXPECT_EQ(caption(1), QStringLiteral("０１"));
  EXPECT_EQ(caption(9), QStringLiteral("０９"));
  EXPECT_EQ(caption(10), QStringLiteral("１０"));
  EXPECT_EQ(form().lblSeiriNum[1]->faceName(), QStringLiteral("M_Num5"));
}

TEST_F(NumberingTest, StyleOneCountsFromZero) {
  set(2, 0);  // cell 1 in the no-ticket face first
  set(1, 1);
  EXPECT_EQ(caption(1), QStringLiteral("００"));
  EXPECT_EQ(caption(2), QStringLiteral("０１"));
  EXPECT_EQ(caption(32), QStringLiteral("３１"));
  // Style 1 numbers cell 1 too: the numbers' face and size.
  EXPECT_EQ(form().lblSeiriNum[1]->faceName(), QStringLiteral("M_Num5"));
  EXPECT_EQ(form().lblSeiriNum[1]->facePoints(), 12);
}

TEST_F(NumberingTest, NoTicketStylesLabelCellOne) {
  struct Case {
    int style;
    const char16_t* first;
    int cell2, cell32;
  };
  const Case cases[] = {{2, u"な し", 1, 31},  {3, u"な し", 2, 32},  {4, u"無 券", 1, 31},
                        {5, u"無 券", 2, 32},  {6, u"券なし", 1, 31}, {7, u"券なし", 2, 32},
                        {8, u"券無し", 1, 31}, {9, u"券無し", 2, 32}, {10, u"", 1, 31},
                        {11, u"", 2, 32}};
  for (const Case& c : cases) {
    set(c.style, 0);
    EXPECT_EQ(caption(1), QString::fromUtf16(c.first)) << c.style;
    EXPECT_EQ(caption(2), mdl318_000::seiriNumberCaption(c.cell2, false)) << c.style;
    EXPECT_EQ(caption(32), mdl318_000::seiriNumberCaption(c.cell32, false)) << c.style;
    EXPECT_EQ(form().lblSeiriNum[1]->faceName(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(form().lblSeiriNum[1]->facePoints(), 11);
    EXPECT_TRUE(form().lblSeiriNum[1]->font().bold());
  }
  // The spaces in "な し" and "無 券" are ordinary spaces.
  set(2, 0);
  EXPECT_EQ(caption(1), QStringLiteral("な") + QChar(0x20) + QStringLiteral("し"));
}

TEST_F(NumberingTest, StyleSevenWithZeroPad) {
  set(7, 1);
  EXPECT_EQ(caption(1), QStringLiteral("券なし"));
  EXPECT_EQ(caption(2), QStringLiteral("０２"));
  EXPECT_EQ(caption(32), QStringLiteral("３２"));
}

TEST_F(NumberingTest, BackToStyleZeroRestoresCellOne) {
  set(2, 0);
  set(0, 0);
  EXPECT_EQ(caption(1), QStringLiteral("１"));
  EXPECT_EQ(form().lblSeiriNum[1]->faceName(), QStringLiteral("M_Num5"));
  EXPECT_EQ(form().lblSeiriNum[1]->facePoints(), 12);
}

TEST_F(NumberingTest, NoSelectionOnlyRestoresCellOnesFont) {
  set(5, 0);
  set(-1, 1);
  EXPECT_EQ(caption(1), QStringLiteral("無 券"));
  EXPECT_EQ(caption(2), QStringLiteral("２"));
  EXPECT_EQ(form().lblSeiriNum[1]->faceName(), QStringLiteral("M_Num5"));
  EXPECT_EQ(form().lblSeiriNum[1]->facePoints(), 12);
}

TEST_F(NumberingTest, StyleBeyondTheListEmptiesCellOneOnly) {
  set(0, 1);
  set(12, 0);
  EXPECT_EQ(caption(1), QString());
  EXPECT_EQ(form().lblSeiriNum[1]->faceName(), QStringLiteral("ＭＳ Ｐゴシック"));
  EXPECT_EQ(caption(2), QStringLiteral("０２"));
  EXPECT_EQ(caption(32), QStringLiteral("３２"));
}

TEST_F(NumberingTest, AFailureShowsTheModuleErrorBoxAndKeepsWhatWasSet) {
  set(0, 0);
  delete form().lblSeiriNum[20].data();  // a label that is gone
  set(1, 0);
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].title, QStringLiteral("エラー！"));
  EXPECT_EQ(ui().messages[0].icon, MsgIcon::Critical);
  EXPECT_EQ(
      ui().messages[0].text,
      QStringLiteral("エラーです！\r\n\r\nコード：91\r\n\r\n内容：オブジェクト変数または With "
                     "ブロック変数が設定されていません。\r\n\r\nモジュール：IniIO-"
                     "SeirikenNumSet( )"));
  EXPECT_EQ(caption(19), QStringLiteral("１８"));  // set before the failure
  EXPECT_EQ(caption(21), QStringLiteral("２１"));  // not reached
}

}  // namespace
}  // namespace sorane
