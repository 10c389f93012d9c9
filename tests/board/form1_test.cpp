#include "form1.h"

#include <QApplication>
#include <QMouseEvent>

#include "board_layout.h"
#include "panel_art.h"
#include "program_fixture.h"

namespace sorane {
namespace {

using Form1Test = test::ProgramTest;

void sendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, buttons,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST_F(Form1Test, LeftPressOnTheSurfaceDragsTheBoard) {
  Form1& f = program.form1();
  const QPoint grab(300, 4);  // panel surface above the cells
  ASSERT_EQ(f.childAt(grab), nullptr);
  sendMouse(&f, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
  sendMouse(&f, QEvent::MouseMove, grab + QPoint(40, 25), Qt::NoButton, Qt::LeftButton);
  sendMouse(&f, QEvent::MouseButtonRelease, grab + QPoint(40, 25), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(f.pos(), QPoint(40, 25));
  // Moving after the release does nothing.
  sendMouse(&f, QEvent::MouseMove, grab, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(f.pos(), QPoint(40, 25));
}

TEST_F(Form1Test, RightOrMiddlePressDoesNotMoveTheBoard) {
  Form1& f = program.form1();
  for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
    sendMouse(&f, QEvent::MouseButtonPress, QPoint(300, 4), b, b);
    sendMouse(&f, QEvent::MouseMove, QPoint(350, 40), Qt::NoButton, b);
    sendMouse(&f, QEvent::MouseButtonRelease, QPoint(350, 40), b, Qt::NoButton);
  }
  EXPECT_EQ(f.pos(), QPoint(0, 0));
}

TEST_F(Form1Test, PressesOnCellsAndLabelsDoNotReachTheBoard) {
  Form1& f = program.form1();
  for (QWidget* w :
       {static_cast<QWidget*>(f.lblSeiriNum[3].data()), static_cast<QWidget*>(f.Degit[3])}) {
    sendMouse(w, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&f, QEvent::MouseMove, QPoint(350, 40), Qt::NoButton, Qt::LeftButton);
    sendMouse(w, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton, Qt::NoButton);
  }
  EXPECT_EQ(f.pos(), QPoint(0, 0));
}

bool nearColor(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(PanelArt, MatchesTheBoardGeometry) {
  const QImage art = panelPicture();
  ASSERT_EQ(art.size(), QSize(593, 226));
  // The grey stop-name strip at the left.
  EXPECT_EQ(QColor(art.pixel(51, 110)), QColor(128, 128, 128));
  // Dark body elsewhere, a frame around every fare cell.
  EXPECT_LT(QColor(art.pixel(300, 4)).value(), 40);
  for (int i = 1; i <= 32; ++i) {
    const QRect d = board::degitRect(i);
    EXPECT_NE(art.pixel(d.left() - 2, d.top() - 2), art.pixel(d.left() - 4, d.top() - 4)) << i;
  }
  // Printed words beside the strip: light pixels in the column right of it.
  int light = 0;
  for (int y = 70; y < 215; ++y)
    for (int x = 72; x < 104; ++x) light += QColor(art.pixel(x, y)).value() > 150;
  EXPECT_GT(light, 40);
  // The vertical note at the far left.
  int note = 0;
  for (int y = 10; y < 215; ++y)
    for (int x = 3; x < 30; ++x) note += QColor(art.pixel(x, y)).value() > 120;
  EXPECT_GT(note, 60);
}

// Blocks of dpr x dpr device pixels, aligned on logical pixels, that are
// not of one colour: none in a mere enlargement.
int finerBlocks(const QImage& img, const QRect& logical, int dpr) {
  int n = 0;
  for (int y = logical.top(); y <= logical.bottom(); ++y)
    for (int x = logical.left(); x <= logical.right(); ++x) {
      const QRgb first = img.pixel(x * dpr, y * dpr);
      bool same = true;
      for (int k = 0; k < dpr * dpr; ++k)
        same &= img.pixel(x * dpr + k % dpr, y * dpr + k / dpr) == first;
      n += !same;
    }
  return n;
}

// At 2x and 3x the picture has that many device pixels per pixel: the same
// face, its printed words drawn finer than a blocky enlargement.
TEST(PanelArt, DrawnAtTheScreensPixelRatio) {
  const QRect words(72, 70, 32, 145);  // 運賃 and まで beside the strip
  for (int dpr : {1, 2, 3}) {
    const QImage art = panelPicture(dpr);
    EXPECT_EQ(art.size(), QSize(593, 226) * dpr) << dpr;
    EXPECT_EQ(art.devicePixelRatio(), dpr);
    EXPECT_EQ(QColor(art.pixel(51 * dpr, 110 * dpr)), QColor(128, 128, 128)) << dpr;
    if (dpr == 1) continue;
    EXPECT_GT(finerBlocks(art, words, dpr), 300) << dpr;
  }
}

TEST_F(Form1Test, BoardPictureShowsNumbersOverTheArt) {
  Form1& f = program.form1();
  const QImage shot = f.grab().toImage();
  // The label of cell 1 draws its digit in the label colour.
  const QRect l = board::labelRect(1);
  int textPixels = 0;
  for (int y = l.top(); y <= l.bottom(); ++y)
    for (int x = l.left(); x <= l.right(); ++x)
      textPixels +=
          nearColor(shot.pixelColor(x * shot.devicePixelRatio(), y * shot.devicePixelRatio()),
                    QColor(205, 209, 134), 40);
  EXPECT_GT(textPixels, 10);
  // Fare cells show their grey background.
  const QRect d = board::degitRect(1);
  EXPECT_EQ(shot.pixelColor(d.left(), d.top()), QColor(128, 128, 128));
}

}  // namespace
}  // namespace sorane
