#include <QApplication>
#include <QDir>
#include <QMouseEvent>

#include "chimei_ctl_b.h"
#include "chimei_support.h"
#include "form1.h"
#include "program_fixture.h"
#include "property_bag.h"
#include "twips.h"

namespace sorane {
namespace {

using ChimeiBoardTest = test::ProgramTest;

const QString kLongName = QStringLiteral("東京駅八重洲口前バスターミナル行き直通便");

// Saves a picture for a person to look at when SORANE_SHOTS_DIR names a folder.
void keepShot(const QImage& shot, const QString& name) {
  const QString dir = qEnvironmentVariable("SORANE_SHOTS_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  shot.save(dir + QLatin1Char('/') + name);
}

// The board's picture of the stop-name area must be the strip as it sits in
// the viewport, background below and above it.
void expectBoardShowsStrip(const QImage& shot, const ChimeiCtl_B& el) {
  const QRect area = el.geometry();
  const QImage& strip = el.Picture1()->surface();
  const int top = el.Picture1()->y();
  const QRgb back = toQColor(el.BackColor()).rgb();
  int mismatches = 0;
  for (int y = 0; y < area.height(); ++y)
    for (int x = 0; x < area.width(); ++x) {
      const int sy = y - top;
      const QRgb want = sy >= 0 && sy < strip.height() ? strip.pixel(x, sy) : back;
      mismatches += shot.pixel(area.x() + x, area.y() + y) != want;
    }
  EXPECT_EQ(mismatches, 0);
}

QImage boardShot(Form1& f) {
  return f.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST_F(ChimeiBoardTest, TheBoardCarriesTheStopNameElementWithItsStoredValues) {
  Form1& f = program.form1();
  ASSERT_NE(f.ChimeiCtl, nullptr);
  EXPECT_EQ(f.ChimeiCtl->parentWidget(), &f);
  EXPECT_EQ(f.ChimeiCtl->geometry(), QRect(34, 18, 35, 192));
  EXPECT_EQ(f.ChimeiCtl->geometry(), twipsRect(510, 270, 525, 2880));
  EXPECT_TRUE(f.ChimeiCtl->isVisible());
  EXPECT_EQ(f.ChimeiCtl->ForeColor(), 0x0080C0FFu);
  EXPECT_EQ(f.ChimeiCtl->Appearance(), 0);
  EXPECT_EQ(f.ChimeiCtl->BackColor(), 0x808080u);
  EXPECT_EQ(f.ChimeiCtl->Speed(), 5);
  EXPECT_EQ(f.ChimeiCtl->ScrollStartWait(), 1500);
  EXPECT_EQ(f.ChimeiCtl->Mode(), 2);
  EXPECT_EQ(f.ChimeiCtl->FontMode(), 0);
  EXPECT_FALSE(f.ChimeiCtl->FontBold());
  // Loaded, so the viewport keeps its designed size.
  EXPECT_EQ(f.ChimeiCtl->Picture2()->size(), QSize(36, 192));
  PropertyBag bag;
  f.ChimeiCtl->WriteProperties(bag);
  EXPECT_EQ(bag.keys(), (QStringList{"ForeColor", "Appearance"}));
  EXPECT_FALSE(f.ChimeiCtl->scrolling());
}

TEST_F(ChimeiBoardTest, RouteSettingNameStandsCentredInTheStrip) {
  Form1& f = program.form1();
  f.ChimeiCtl->SetChimei(QStringLiteral("系統選別中"));
  const QImage shot = boardShot(f);
  keepShot(shot, QStringLiteral("chimei-standing-board.png"));
  keepShot(shot.copy(f.ChimeiCtl->geometry()).scaled(35 * 4, 192 * 4),
           QStringLiteral("chimei-standing-zoom.png"));
  expectBoardShowsStrip(shot, *f.ChimeiCtl);
  const ColorRef fore = 0x0080C0FF;
  EXPECT_EQ(f.ChimeiCtl->Picture1()->surface(),
            test::expectedStrip(192,
                                {{test::sjis(QStringLiteral("系")), 4},
                                 {test::sjis(QStringLiteral("統")), 42},
                                 {test::sjis(QStringLiteral("選")), 80},
                                 {test::sjis(QStringLiteral("別")), 118},
                                 {test::sjis(QStringLiteral("中")), 156}},
                                fore, 0x808080));
  // Equal margins: the first dot row and the last one are as far from the edges.
  int first = -1, last = -1;
  const QImage& strip = f.ChimeiCtl->Picture1()->surface();
  for (int y = 0; y < 192; ++y)
    for (int x = 0; x < 37; ++x)
      if (strip.pixel(x, y) == toQColor(fore).rgb()) {
        if (first < 0) first = y;
        last = y;
      }
  EXPECT_EQ(first, 4);
  EXPECT_EQ(last, 156 + 30);
}

TEST_F(ChimeiBoardTest, ALongNameScrollsThroughTheStrip) {
  Form1& f = program.form1();
  f.ChimeiCtl->SetChimei(kLongName);
  for (int t = 0; t < 1500 + 6000; t += 16) {
    ui().clockMs += 16;
    f.ChimeiCtl->scrollTick();
  }
  // 6000 steps of 0.025 pixel.
  EXPECT_EQ(f.ChimeiCtl->Picture1()->y(), 192 - 150);
  const QImage shot = boardShot(f);
  keepShot(shot, QStringLiteral("chimei-scrolling-board.png"));
  keepShot(shot.copy(f.ChimeiCtl->geometry()).scaled(35 * 4, 192 * 4),
           QStringLiteral("chimei-scrolling-zoom.png"));
  expectBoardShowsStrip(shot, *f.ChimeiCtl);
  f.ChimeiCtl->SetChimei(QString());
  f.ChimeiCtl->SetChimei(QStringLiteral("東京"));
  EXPECT_FALSE(f.ChimeiCtl->scrolling());
}

TEST_F(ChimeiBoardTest, PressingTheStripDoesNotDragTheBoard) {
  Form1& f = program.form1();
  QWidget* strip = f.ChimeiCtl->Picture1();
  const QPoint at(5, 5);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(strip->mapToGlobal(at)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(strip, &press);
  QMouseEvent move(QEvent::MouseMove, QPointF(350, 40), QPointF(f.mapToGlobal(QPoint(350, 40))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f, &move);
  EXPECT_EQ(f.pos(), QPoint(0, 0));
}

}  // namespace
}  // namespace sorane
