#pragma once

#include <QImage>
#include <QPainter>
#include <cmath>

namespace sorane::test {

// A dark picture with a large block whose place and colour tell `variant`
// apart, and a row of small lamps.
inline QImage boardPicture(QSize size, int variant) {
  static const QColor kColours[] = {{255, 140, 0}, {40, 220, 60}, {230, 40, 40}, {60, 120, 255}};
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(16, 16, 16));
  QPainter p(&image);
  const int w = size.width() / 4;
  p.fillRect(QRect((variant % 4) * w, size.height() / 4, w, size.height() / 2),
             kColours[(variant / 4 + variant) % 4]);
  for (int x = 4; x + 4 < size.width(); x += 12)
    p.fillRect(QRect(x, size.height() - 10, 6, 6), QColor(255, 200, 0));
  return image;
}

// A sine burst of `hz` at `amplitude` from `fromMs` to `toMs`, silence
// elsewhere: the value of frame `i` at `rate`.
struct Burst {
  int fromMs = 0;
  int toMs = 0;
  double hz = 1000;
  double amplitude = 0.5;
  float at(qint64 i, int rate = 48000) const {
    if (i * 1000 < fromMs * qint64(rate) || i * 1000 >= toMs * qint64(rate)) return 0.0f;
    return static_cast<float>(amplitude * std::sin(2 * M_PI * hz * double(i) / rate));
  }
};

}  // namespace sorane::test
