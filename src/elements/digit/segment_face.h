#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;

namespace sorane {

// The three segment faces of the digit element, drawn by our own code:
// A "M_DegitA" LED segments with pointed ends, B "M_DegitB" thin LCD
// segments, C "M_DegitC" bold LCD blocks. Every character is one cell wide;
// "8" lights all seven segments and a space none.
enum class DegitFace { A, B, C };

DegitFace degitFaceForStyle(std::int16_t degitStyle);
QString degitFaceName(DegitFace face);

// Segments of a character as bits a=1, b=2, c=4, d=8, e=16, f=32, g=64
// (a top, then clockwise, g the middle bar); 0 for blank or unknown.
std::uint8_t segmentMask(QChar ch);

// Fills the lit segments of `ch` in `color`, without smoothing, so every
// pixel is either untouched or exactly `color`. `cell` is in logical
// pixels; the painter paints device pixels, `dpr` of them per logical one.
void drawSegmentChar(QPainter& painter, const QRect& cell, QChar ch, DegitFace face, bool bold,
                     const QColor& color, qreal dpr = 1.0);

// A whole element surface: `keta` cells of unlit "8", then `shown` in lit
// colour ending at the right edge. `cell` is in logical pixels; the image
// has `dpr` device pixels per logical pixel.
struct DegitRowStyle {
  DegitFace face = DegitFace::A;
  bool bold = true;
  QColor back, unlit, lit;
};
QImage renderDegitRow(int keta, const QSize& cell, const QString& shown, const DegitRowStyle& style,
                      qreal dpr);

}  // namespace sorane
