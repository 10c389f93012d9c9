#pragma once

#include <QImage>
#include <QString>
#include <vector>

#include "colorref.h"
#include "cp932.h"
#include "dot16.h"

namespace sorane::test {

inline QByteArray sjis(const QString& text) {
  return cp932::encode(text);
}

// A unit and the strip row its cell starts at.
struct PlacedUnit {
  QByteArray unit;
  int top;
};

// The strip a name should leave: the renderer's dots of each unit at a
// two-pixel pitch from column 2, turned units mirrored on the diagonal.
inline QImage expectedStrip(int height, const std::vector<PlacedUnit>& units, ColorRef fore,
                            ColorRef back, std::int16_t fontMode = 0, bool fontBold = false) {
  QImage img(37, height, QImage::Format_RGB32);
  img.fill(toQColor(back));
  for (const PlacedUnit& p : units) {
    const DotCell cell = renderDot16Fresh(p.unit, fontMode, fontBold);
    for (int c = 0; c < 16; ++c)
      for (int r = 0; r < 16; ++r) {
        if (!cell.raster.lit(c, r)) continue;
        const int x = 2 + 2 * (cell.turned ? r : c);
        const int y = p.top + 2 * (cell.turned ? c : r);
        if (x < img.width() && y >= 0 && y < img.height()) img.setPixel(x, y, toQColor(fore).rgb());
      }
  }
  return img;
}

// Pixels of `colour` in the image.
inline int countColour(const QImage& img, QRgb colour) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  return n;
}

}  // namespace sorane::test
