#include "panel_art.h"

#include <QPainter>
#include <QPainterPath>

#include "board_layout.h"
#include "fonts.h"
#include "segment_face.h"
#include "twips.h"

namespace sorane {
namespace {

const QColor kBody(16, 16, 18);
const QColor kRule(92, 92, 96);
const QColor kCellWell(34, 34, 38);
const QColor kPrint(228, 228, 222);
const QColor kStripFrame(112, 112, 116);

// Characters stacked top to bottom, each centred on x.
void drawVertical(QPainter& p, const QString& text, int centerX, int top, const QFont& font,
                  int pitch) {
  p.setFont(font);
  int y = top;
  for (const QChar ch : text) {
    p.drawText(QRect(centerX - pitch, y, 2 * pitch, pitch), Qt::AlignCenter, QString(ch));
    y += pitch;
  }
}

}  // namespace

QImage panelPicture(qreal dpr) {
  QImage img(qRound(kPanelPictureWidth * dpr), qRound(kPanelPictureHeight * dpr),
             QImage::Format_RGB32);
  img.setDevicePixelRatio(dpr);
  img.fill(kBody);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, true);

  // Bezel.
  p.setPen(QColor(58, 58, 62));
  p.drawRect(0, 0, kPanelPictureWidth - 1, kPanelPictureHeight - 1);
  p.setPen(QColor(36, 36, 40));
  p.drawRect(1, 1, kPanelPictureWidth - 3, kPanelPictureHeight - 3);

  // Grid of the 32 cells: rules halfway between neighbouring cells.
  const QRect first = board::degitRect(1);
  const QRect last = board::degitRect(32);
  const int gridLeft = first.left() - 5;
  const int gridRight = last.right() + 6;
  const int gridTop = board::labelRect(1).top() - 3;
  const int gridBottom = last.bottom() + 5;
  p.setPen(kRule);
  p.drawRect(gridLeft, gridTop, gridRight - gridLeft, gridBottom - gridTop);
  for (int c = 1; c < 8; ++c) {
    const int x = (board::degitRect(c).right() + board::degitRect(c + 1).left() + 1) / 2;
    p.drawLine(x, gridTop, x, gridBottom);
  }
  for (int r = 1; r < 4; ++r) {
    const int y = (board::degitRect(8 * r).bottom() + board::labelRect(8 * r + 1).top() + 1) / 2;
    p.drawLine(gridLeft, y, gridRight, y);
  }

  // A well behind each fare with its segments unlit.
  DegitRowStyle unlit;
  unlit.face = DegitFace::C;
  unlit.back = kCellWell;
  unlit.unlit = QColor(70, 70, 74);
  const QImage blankFare = renderDegitRow(4, twipsSize(195, 300), QString(), unlit, dpr);
  for (int i = 1; i <= board::kCells; ++i) {
    const QRect d = board::degitRect(i);
    p.fillRect(d.adjusted(-2, -2, 2, 2), kCellWell);
    p.setPen(QColor(66, 66, 70));
    p.drawRect(d.adjusted(-2, -2, 1, 1));
    p.drawImage(d.topLeft(), blankFare);
  }

  // The stop-name strip and the words printed beside it.
  const QRect strip = twipsRect(510, 270, 525, 2880);
  p.fillRect(strip.adjusted(-3, -3, 3, 3), kStripFrame);
  p.fillRect(strip.adjusted(-1, -1, 1, 1), QColor(64, 64, 68));
  p.fillRect(strip, QColor(128, 128, 128));
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(kPrint);
  drawVertical(p, QStringLiteral("運賃"), 87, 78, faceFont(kFaceGothic, 12, true), 18);
  drawVertical(p, QStringLiteral("まで"), 87, strip.bottom() - 36, faceFont(kFaceGothic, 11, true),
               17);

  // 整理券▶ tag above the grid, pointing at the ticket numbers.
  const QRect tag(73, gridTop + 1, 33, 13);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(205, 209, 134));
  p.drawRoundedRect(tag, 2, 2);
  p.setPen(kBody);
  p.setFont(faceFont(kFaceGothic, 6, true));
  p.drawText(tag, Qt::AlignCenter, QStringLiteral("整理券▶"));

  // Child-fare note down the left edge.
  p.setPen(QColor(196, 196, 188));
  const QFont note = faceFont(kFaceGothic, 7);
  drawVertical(p, QStringLiteral("小児運賃は大人の半額"), 11, 16, note, 10);
  drawVertical(p, QStringLiteral("十円未満は切上げ"), 23, 36, note, 10);
  p.end();
  return img;
}

}  // namespace sorane
