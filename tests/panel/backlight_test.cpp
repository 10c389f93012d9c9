#include "backlight.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>

#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "runtime_error.h"

namespace sorane {
namespace {

class BacklightTest : public test::ProgramTest {
 protected:
  QString makePicture(const char* name, const char* format, QColor color) {
    const QString path = QDir(folder.dir.path()).filePath(QString::fromLatin1(name));
    if (QByteArray(format) == "GIF") {
      // Qt reads GIF but does not write it: a red 1 x 1 picture by hand.
      QFile gif(path);
      EXPECT_TRUE(gif.open(QIODevice::WriteOnly));
      gif.write(
          QByteArray::fromHex("47494638396101000100800000ff000000000021f90400000000002c000000"
                              "00010001000002024401003b"));
      return path;
    }
    QImage img(100, 50, QImage::Format_RGB32);
    img.fill(color);
    EXPECT_TRUE(img.save(path, format));
    return path;
  }
  frmOption& o() { return program.option(); }
  Form1& f() { return program.form1(); }
};

TEST_F(BacklightTest, BuiltInPicturesByState) {
  f().imgRes[2] = QImage(10, 10, QImage::Format_RGB32);
  f().imgRes[2].fill(Qt::blue);
  o().Command5[2]->setBackColor(0x00FF00);
  program.ctl().Option4[2]->click();
  EXPECT_EQ(f().picture(), f().imgRes[2]);
  EXPECT_EQ(f().lblSeiriNum[32]->textColor(), 0x00FF00u);
  program.ctl().Option4[0]->click();
  EXPECT_EQ(f().picture(), f().imgRes[0]);
}

TEST_F(BacklightTest, AutomaticAssignmentIgnoresUserPictures) {
  o().txtSelectPanel[2]->setText(makePicture("on2.bmp", "BMP", Qt::red));
  o().Option3[5]->setValue(true);  // user panel for ON2, but automatic assignment
  program.ctl().Option4_Click(2);
  EXPECT_EQ(f().picture(), f().imgRes[2]);
}

TEST_F(BacklightTest, UserPicturesInEachFormat) {
  o().Option3[1]->setValue(true);
  struct Case {
    int state, userOption;
    const char* name;
    const char* format;
  };
  for (const Case c :
       {Case{0, 6, "off.bmp", "BMP"}, Case{1, 2, "on1.gif", "GIF"}, Case{2, 5, "on2.jpg", "JPG"}}) {
    o().txtSelectPanel[c.state]->setText(makePicture(c.name, c.format, Qt::red));
    o().Option3[c.userOption]->setValue(true);
    program.ctl().Option4_Click(c.state);
    const QSize expected = QByteArray(c.format) == "GIF" ? QSize(1, 1) : QSize(100, 50);
    EXPECT_EQ(f().picture().size(), expected) << c.name;
    EXPECT_NEAR(f().picture().pixelColor(0, 0).red(), 255, 3) << c.name;
    EXPECT_LT(f().picture().pixelColor(0, 0).green(), 8) << c.name;
  }
  EXPECT_TRUE(ui().messages.empty());
}

TEST_F(BacklightTest, MissingUserPictureKeepsTheBackgroundAndRecolours) {
  o().Option3[1]->setValue(true);
  o().Option3[2]->setValue(true);
  o().txtSelectPanel[1]->setText(QStringLiteral("/no/such/panel.bmp"));
  o().Command5[1]->setBackColor(0x0000FF);
  const QImage before = f().picture();
  program.ctl().Option4_Click(1);
  EXPECT_EQ(f().picture(), before);
  EXPECT_EQ(f().lblSeiriNum[1]->textColor(), 0x0000FFu);
  EXPECT_TRUE(ui().messages.empty());
}

TEST_F(BacklightTest, NotAPictureGives481AndStillRecolours) {
  const QString path = QDir(folder.dir.path()).filePath(QStringLiteral("panel.bmp"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("this is not a picture");
  file.close();
  o().Option3[1]->setValue(true);
  o().Option3[6]->setValue(true);
  o().txtSelectPanel[0]->setText(path);
  o().Command5[0]->setBackColor(0x00FFFF);
  const QImage before = f().picture();
  f().Degit[3]->setValue(210);
  program.ctl().Option4_Click(0);
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].title, QStringLiteral("エラー"));
  EXPECT_EQ(ui().messages[0].icon, MsgIcon::Critical);
  EXPECT_EQ(ui().messages[0].text,
            QStringLiteral("エラーです。\r\n\r\nエラーコード：481　指定した画像の内容が不正です。こ"
                           "の部分では扱えません。"));
  EXPECT_EQ(f().picture(), before);
  EXPECT_EQ(f().lblSeiriNum[1]->textColor(), 0x00FFFFu);
  EXPECT_EQ(f().Degit[3]->shownText(), QStringLiteral("210"));  // fares untouched
}

TEST_F(BacklightTest, APictureFileLongerThanThePanelCanUseGives481) {
  const QString path = makePicture("padded.bmp", "BMP", Qt::blue);
  // What follows the picture does not matter to the reader; the size does.
  ASSERT_TRUE(QFile::resize(path, kMaxPictureFileBytes));
  EXPECT_EQ(loadPicture(path).size(), QSize(100, 50));
  ASSERT_TRUE(QFile::resize(path, kMaxPictureFileBytes + 1));
  try {
    loadPicture(path);
    FAIL() << "loaded";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 481);
  }
}

TEST(BacklightText, ExplanationsByNumber) {
  EXPECT_EQ(backlightErrorText(53),
            QStringLiteral("エラーです。\r\n\r\nエラーコード：53　画像ファイルが見つからないか、指"
                           "定している場所が不正です。"));
  EXPECT_TRUE(
      backlightErrorText(28).endsWith(QStringLiteral("エラー場所：frmCtl.Option4_Click()")));
  EXPECT_TRUE(backlightErrorText(68).endsWith(
      QStringLiteral("　デバイスエラーもしくは準備が出来ていません。")));
  EXPECT_EQ(backlightErrorText(70), QStringLiteral("エラーです。\r\n\r\nエラーコード：70"));
}

}  // namespace
}  // namespace sorane
