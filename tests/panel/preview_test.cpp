#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "route_file.h"

namespace sorane {
namespace {

const QString kBasic = QStringLiteral(SORANE_DEMO_DIR "/seiriken_basic.4SP");

// Route 12, three stops; stop i has ticket number 10 + i.
class PreviewTest : public test::ProgramTest {
 protected:
  PreviewTest() {
    std::vector<RouteRow> rows(3);
    const char16_t* names[] = {u"緑ヶ丘車庫", u"市民病院前", u"終点"};
    for (int i = 0; i < 3; ++i) {
      rows[static_cast<std::size_t>(i)].StopName = QString::fromUtf16(names[i]);
      rows[static_cast<std::size_t>(i)].Values[0] = static_cast<std::int16_t>(11 + i);
    }
    QFile f(folder.dir.filePath("12.hy3"));
    if (f.open(QIODevice::WriteOnly)) f.write(encodeRouteFile(rows));
    frmOption& o = program.option();
    o.Text2[0]->setText(folder.dir.path());
    o.chkUseSeiriPrev->setValue(1);
    o.txtSeiriPlgDir->setText(kBasic);
    o.SetPlgin(kBasic);
  }
  frmCtl& ctl() { return program.ctl(); }
  frmOption& o() { return program.option(); }
  void setRoute() {
    for (int k : {10, 0, 1, 2, 11, 1}) ctl().CommandButton1[k]->click();
    ctl().Command1[1]->click();
  }
  bool allWhite() {
    const QImage& im = ctl().picSeirikenPrev->image();
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x)
        if (im.pixel(x, y) != qRgb(255, 255, 255)) return false;
    return true;
  }
};

TEST_F(PreviewTest, EachDisplayDrawsTheTicketWithItsNineArguments) {
  ctl().Combo1->setCurrentIndex(1);
  ui().clockMs = 3 * 3600 * 1000 + 4 * 60 * 1000;  // 13:09:00 on the test clock
  setRoute();
  ASSERT_EQ(companion().drawCalls.size(), 1u);
  const SeirikenOrder& c = companion().drawCalls[0].order;
  EXPECT_EQ(c.path, kBasic);
  EXPECT_EQ(c.pixels, ctl().picSeirikenPrev->image().size());
  EXPECT_EQ(c.pixels, QSize(219, 106));
  EXPECT_EQ(c.stopName, QStringLiteral("緑ヶ丘車庫"));
  EXPECT_EQ(c.date, QStringLiteral("12-07-2026"));
  EXPECT_EQ(c.time, QStringLiteral("13:09:03"));  // after the lamp test's 3 s
  EXPECT_EQ(c.route, 12);
  EXPECT_EQ(c.ticket, 11);
  EXPECT_EQ(c.stopIndex, 1);
  EXPECT_EQ(c.company, 1);
  EXPECT_FALSE(allWhite());
  EXPECT_EQ(program.dataIo().row(1).StopName, QStringLiteral("緑ヶ丘車庫"));

  ctl().Combo1->setCurrentIndex(-1);
  ctl().Command2[1]->click();
  ASSERT_EQ(companion().drawCalls.size(), 2u);
  EXPECT_EQ(companion().drawCalls[1].order.stopName, QStringLiteral("市民病院前"));
  EXPECT_EQ(companion().drawCalls[1].order.ticket, 12);
  EXPECT_EQ(companion().drawCalls[1].order.stopIndex, 2);
  EXPECT_EQ(companion().drawCalls[1].order.company, -1);
}

// The date option decides what a redraw after midnight prints.
TEST_F(PreviewTest, DateOptionsAcrossMidnight) {
  struct Row {
    int option;
    const char* afterMidnight;
  };
  const Row rows[] = {{0, "12-08-2026"}, {1, "12-07-2026"}, {2, "2009/01/05"}};
  for (const Row& r : rows) {
    o().Option4[r.option]->setValue(true);
    o().Label10->setText(QStringLiteral("2009/01/05"));
    ui().clockMs = 13 * 3600 * 1000 + 54 * 60 * 1000;  // 23:59:00
    setRoute();
    ui().clockMs += 120 * 1000;
    ctl().Command2[1]->click();
    EXPECT_EQ(companion().drawCalls.back().order.date, QString::fromUtf8(r.afterMidnight)) << r.option;
    ui().clockMs = 0;
  }
}

TEST_F(PreviewTest, WithThePreviewOffThePictureIsClearedAndNothingDrawn) {
  setRoute();
  ASSERT_FALSE(allWhite());
  o().chkUseSeiriPrev->setValue(0);
  ctl().Command2[1]->click();
  EXPECT_EQ(companion().drawCalls.size(), 1u);
  EXPECT_TRUE(allWhite());
}

TEST_F(PreviewTest, RightPressOffersCopyWhichPutsTheImageOnTheClipboard) {
  PictureBox* pic = ctl().picSeirikenPrev;
  ctl().show();
  QTest::mousePress(pic, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(ctl().MnuHide->isVisible());
  QTest::mouseRelease(pic, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mousePress(pic, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_TRUE(ctl().MnuHide->isVisible());
  EXPECT_EQ(ctl().MnuHide->actions(), QList<QAction*>{ctl().MnuHideCopy});
  EXPECT_EQ(ctl().MnuHideCopy->text(), QStringLiteral("コピー(&C)"));
  ctl().MnuHide->hide();

  QApplication::clipboard()->setText(QStringLiteral("old"));
  ctl().MnuHideCopy->trigger();  // before any drawing: the white picture
  QImage copied = QApplication::clipboard()->image();
  EXPECT_EQ(copied.size(), pic->image().size());
  EXPECT_TRUE(allWhite());
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), pic->image());
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());

  setRoute();
  ctl().MnuHideCopy->trigger();
  copied = QApplication::clipboard()->image();
  EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), pic->image());
  ctl().hide();
}

TEST_F(PreviewTest, WideningNearTheScreenEdgeMovesThePanelLeftJustEnough) {
  frmCtl& c = ctl();
  const QRect screen = c.screen()->availableGeometry();
  c.move(screen.right() - c.frameGeometry().width() - 10, 100);
  const int narrowLeft = c.pos().x();
  c.Check4->setValue(1);
  EXPECT_EQ(c.frameGeometry().right(), screen.right());
  c.Check4->setValue(0);
  c.move(narrowLeft - 400, 100);
  c.Check4->setValue(1);
  EXPECT_EQ(c.pos().x(), narrowLeft - 400);  // room enough: it stays
}

}  // namespace
}  // namespace sorane
