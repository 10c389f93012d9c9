#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include "frm_ctl.h"
#include "frm_option.h"
#include "hostile_tickets.h"
#include "program_fixture.h"
#include "route_file.h"

namespace sorane {
namespace {

const QString kBasic = QStringLiteral(SORANE_DEMO_DIR "/seiriken_basic.4SP");

// Route 12, three stops; the first two have tickets 11 and 12, the
// terminal none (0).
class PreviewTest : public test::ProgramTest {
 protected:
  PreviewTest() {
    std::vector<RouteRow> rows(3);
    const char16_t* names[] = {u"緑ヶ丘車庫", u"市民病院前", u"終点"};
    for (int i = 0; i < 3; ++i) {
      rows[static_cast<std::size_t>(i)].StopName = QString::fromUtf16(names[i]);
      rows[static_cast<std::size_t>(i)].Values[0] = static_cast<std::int16_t>(i < 2 ? 11 + i : 0);
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
  // Waits (at most 10 s of real time) for the ticket helper.
  template <typename Done>
  bool waitFor(Done done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
  }
  QImage solid(QColor c) {
    QImage im(ctl().picSeirikenPrev->image().size(), QImage::Format_RGB32);
    im.fill(c);
    return im;
  }
  QRgb shown() { return ctl().picSeirikenPrev->image().pixel(5, 5); }
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
    EXPECT_EQ(companion().drawCalls.back().order.date, QString::fromUtf8(r.afterMidnight))
        << r.option;
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

// The terminal's row has ticket 0: no ticket, and a late one for the row
// before does not come back.
TEST_F(PreviewTest, TheTerminalShowsNoTicket) {
  companion().holdDraws = true;
  setRoute();
  ctl().Command2[1]->click();
  ASSERT_EQ(companion().drawCalls.size(), 2u);
  ctl().Command2[1]->click();
  EXPECT_EQ(companion().drawCalls.size(), 2u);
  EXPECT_TRUE(allWhite());
  companion().answerDraw(1, {solid(Qt::red), {}});
  EXPECT_TRUE(allWhite());
}

// The step never waits for the ticket: the preview keeps the ticket it
// shows until the new one comes, and only the newest order is shown.
TEST_F(PreviewTest, KeepsItsTicketUntilTheNewestComes) {
  companion().holdDraws = true;
  setRoute();
  EXPECT_TRUE(allWhite());  // nothing yet
  companion().answerDraw(0, {solid(Qt::red), {}});
  EXPECT_EQ(shown(), qRgb(255, 0, 0));
  ctl().Command2[1]->click();
  EXPECT_EQ(shown(), qRgb(255, 0, 0));
  ctl().Command2[0]->click();
  companion().answerDraw(1, {solid(Qt::green), {}});  // for the row left
  EXPECT_EQ(shown(), qRgb(255, 0, 0));
  companion().answerDraw(2, {solid(Qt::blue), {}});
  EXPECT_EQ(shown(), qRgb(0, 0, 255));
  // A picture of another size (the plug-in changed meanwhile): empty.
  ctl().Command2[1]->click();
  companion().answerDraw(3, {QImage(10, 10, QImage::Format_RGB32), {}});
  EXPECT_TRUE(allWhite());
}

// A ticket the helper could not draw: an empty ticket, and one message a
// run for each plug-in naming it and the reason.
TEST_F(PreviewTest, AFailedTicketIsEmptyAndToldOncePerPlugin) {
  companion().holdDraws = true;
  const QString slow = QStringLiteral("時間がかかりすぎます(1 秒まで)");
  auto text = [](const QString& plugin, const QString& why) {
    return QStringLiteral(
               "整理券プラグインで券を描けません。\r\n\r\nプラグイン：%1\r\n\r\n理由：%2")
        .arg(plugin, why);
  };
  setRoute();
  companion().answerDraw(0, {solid(Qt::red), {}});
  ctl().Command2[1]->click();
  companion().answerDraw(1, {{}, slow});
  EXPECT_TRUE(allWhite());
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].text, text(kBasic, slow));
  EXPECT_EQ(ui().messages[0].title, QStringLiteral("プラグインエラー"));
  EXPECT_EQ(ui().messages[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(ui().messages[0].buttons, MsgButtons::Ok);

  struct Row {
    QString plugin;
    QString failure;
    std::size_t messages;
  };
  const QString other = folder.dir.filePath("other.4SP");
  const QString refused = QStringLiteral("3 行 32 列: 絵「logo.svg」: SVG の 1 行目の絵を読めません");
  const Row rows[] = {
      {kBasic, slow, 1},                                      // told already
      {kBasic, QStringLiteral("描く途中で止まりました"), 1},  // same plug-in, other reason
      {other, refused, 2},                                    // the file changed since chosen
      {other, QStringLiteral("メモリーを使いすぎます(1024 MiB まで)"), 2},
  };
  int forward = 1;  // back and forth between the first two stops
  for (const Row& row : rows) {
    o().txtSeiriPlgDir->setText(row.plugin);
    const std::size_t calls = companion().drawCalls.size();
    ctl().Command2[forward ^= 1]->click();
    ASSERT_EQ(companion().drawCalls.size(), calls + 1);
    companion().answerDraw(companion().drawCalls.size() - 1, {{}, row.failure});
    EXPECT_TRUE(allWhite());
    EXPECT_EQ(ui().messages.size(), row.messages);
  }
  EXPECT_EQ(ui().messages.back().text, text(other, refused));
}

// A plug-in the settings page takes (it decodes nothing) and the helper
// refuses: its first problem is the reason, with its line.
TEST_F(PreviewTest, AFileOnlyTheHelperRefusesIsToldWithItsLine) {
  const QString path =
      test::hostileTicket("an embedded PNG that does not decode").make(QDir(folder.dir.path()));
  ASSERT_EQ(o().SetPlgin(path), 2);
  o().txtSeiriPlgDir->setText(path);
  setRoute();
  EXPECT_TRUE(allWhite());
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_TRUE(ui().messages[0].text.endsWith(
      QStringLiteral("理由：3 行 32 列: 絵「undecodable.svg」: SVG の 1 行目の絵を読めません")))
      << ui().messages[0].text.toStdString();
}

// The real helper: the ticket it sends is the one the ticket host draws.
TEST_F(PreviewTest, TheHelperDrawsThePreview) {
  companion().realHelper = true;
  setRoute();
  ASSERT_TRUE(waitFor([&] { return !allWhite(); }));
  const SeirikenOrder& c = companion().drawCalls[0].order;
  ticket::DrawOrder o{c.path, c.pixels, {}};
  o.values = {c.stopName, c.date, c.time, c.route, c.ticket, c.stopIndex, c.company};
  EXPECT_EQ(ctl().picSeirikenPrev->image().convertToFormat(QImage::Format_RGB32),
            ticket::drawOrder(o).image);
}

// A plug-in too slow to draw, through the real helper: the step goes on, the
// helper is killed at its limit, the message comes, and the next plug-in's
// ticket is drawn by a fresh helper.
TEST_F(PreviewTest, AHostilePluginIsKilledAndTheNextTicketDrawn) {
  companion().realHelper = true;
  const QString hostile = test::hostileTicket("huge-radius arcs").make(QDir(folder.dir.path()));
  o().txtSeiriPlgDir->setText(hostile);
  setRoute();
  EXPECT_EQ(program.dataIo().CurrentIndex, 0);  // the route is set; the ticket still comes
  ASSERT_TRUE(waitFor([&] { return !ui().messages.empty(); }));
  EXPECT_EQ(ui().messages[0].text,
            QStringLiteral("整理券プラグインで券を描けません。\r\n\r\nプラグイン：%1\r\n\r\n"
                           "理由：時間がかかりすぎます(1 秒まで)")
                .arg(hostile));
  EXPECT_TRUE(allWhite());
  o().txtSeiriPlgDir->setText(kBasic);
  ctl().Command2[1]->click();
  EXPECT_TRUE(waitFor([&] { return !allWhite(); }));
  EXPECT_EQ(ui().messages.size(), 1u);
}

}  // namespace
}  // namespace sorane
