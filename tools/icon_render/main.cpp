// Renders the program's SVG icon to square PNGs for the desktop.
// Usage: sorane-render-icon ICON.svg OUT.png SIZE
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int size = argc == 4 ? QByteArray(argv[3]).toInt() : 0;
  if (size <= 0) {
    std::fprintf(stderr, "usage: sorane-render-icon ICON.svg OUT.png SIZE\n");
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "%s: not a usable SVG picture\n", argv[1]);
    return 1;
  }
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  svg.render(&p, QRectF(0, 0, size, size));
  p.end();
  if (!image.save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "%s: cannot write\n", argv[2]);
    return 1;
  }
  return 0;
}
