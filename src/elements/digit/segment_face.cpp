#include "segment_face.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

namespace sorane {
namespace {

int scaled(double v) {
  return std::max(1, static_cast<int>(std::lround(v)));
}

// Cell frame shared by the faces: margins, stroke and the middle bar.
struct Frame {
  int x0, x1, y0, y1, t, ym;
};

Frame frameFor(const QRect& c, DegitFace face, bool bold) {
  const int w = c.width();
  const int h = c.height();
  double k = 0.16;
  if (face == DegitFace::A) k = bold ? 0.17 : 0.14;
  if (face == DegitFace::B) k = 0.09;
  if (face == DegitFace::C) k = bold ? 0.18 : 0.15;
  Frame f;
  f.x0 = c.left() + scaled(w * 0.13);
  f.x1 = c.left() + w - scaled(w * 0.13);
  f.y0 = c.top() + scaled(h * 0.08);
  f.y1 = c.top() + h - scaled(h * 0.08);
  f.t = scaled(w * k);
  f.ym = f.y0 + (f.y1 - f.y0 - f.t) / 2;
  return f;
}

// Square segments: C with empty corners, B thinner with a gap at each joint.
std::array<QRect, 7> boxSegments(const Frame& f, int gap) {
  const int t = f.t;
  const int hx = f.x0 + t + gap;
  const int hw = f.x1 - f.x0 - 2 * t - 2 * gap;
  const int upTop = f.y0 + t + gap;
  const int upH = f.ym - gap - upTop;
  const int loTop = f.ym + t + gap;
  const int loH = f.y1 - t - gap - loTop;
  return {QRect(hx, f.y0, hw, t),         QRect(f.x1 - t, upTop, t, upH),
          QRect(f.x1 - t, loTop, t, loH), QRect(hx, f.y1 - t, hw, t),
          QRect(f.x0, loTop, t, loH),     QRect(f.x0, upTop, t, upH),
          QRect(hx, f.ym, hw, t)};
}

// A segment with pointed ends between (x0, y0) and (x1, y1) along one axis.
QPainterPath pointed(bool horizontal, int a0, int a1, int across, int t) {
  const double h = t / 2.0;
  QPainterPath p;
  if (horizontal) {
    p.moveTo(a0, across + h);
    p.lineTo(a0 + h, across);
    p.lineTo(a1 - h, across);
    p.lineTo(a1, across + h);
    p.lineTo(a1 - h, across + t);
    p.lineTo(a0 + h, across + t);
  } else {
    p.moveTo(across + h, a0);
    p.lineTo(across + t, a0 + h);
    p.lineTo(across + t, a1 - h);
    p.lineTo(across + h, a1);
    p.lineTo(across, a1 - h);
    p.lineTo(across, a0 + h);
  }
  p.closeSubpath();
  return p;
}

std::array<QPainterPath, 7> ledSegments(const Frame& f) {
  const int t = f.t;
  const int g = std::max(1, t / 2);  // gap where two segments meet
  const int midY = f.ym + t / 2;
  return {pointed(true, f.x0 + g, f.x1 - g, f.y0, t),
          pointed(false, f.y0 + g, midY - g + 1, f.x1 - t, t),
          pointed(false, midY + g, f.y1 - g, f.x1 - t, t),
          pointed(true, f.x0 + g, f.x1 - g, f.y1 - t, t),
          pointed(false, midY + g, f.y1 - g, f.x0, t),
          pointed(false, f.y0 + g, midY - g + 1, f.x0, t),
          pointed(true, f.x0 + g, f.x1 - g, f.ym, t)};
}

}  // namespace

DegitFace degitFaceForStyle(std::int16_t degitStyle) {
  if (degitStyle == 1) return DegitFace::B;
  if (degitStyle == 2) return DegitFace::C;
  return DegitFace::A;
}

QString degitFaceName(DegitFace face) {
  switch (face) {
    case DegitFace::B:
      return QStringLiteral("M_DegitB");
    case DegitFace::C:
      return QStringLiteral("M_DegitC");
    default:
      return QStringLiteral("M_DegitA");
  }
}

std::uint8_t segmentMask(QChar ch) {
  static constexpr std::uint8_t digits[] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                            0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  const char16_t u = ch.unicode();
  if (u >= u'0' && u <= u'9') return digits[u - u'0'];
  switch (u) {
    case u'-':
      return 0x40;
    case u'_':
      return 0x08;
    case u'=':
      return 0x48;
    case u'A':
      return 0x77;
    case u'b':
      return 0x7C;
    case u'C':
      return 0x39;
    case u'c':
      return 0x58;
    case u'd':
      return 0x5E;
    case u'E':
      return 0x79;
    case u'F':
      return 0x71;
    case u'H':
      return 0x76;
    case u'h':
      return 0x74;
    case u'L':
      return 0x38;
    case u'n':
      return 0x54;
    case u'o':
      return 0x5C;
    case u'P':
      return 0x73;
    case u'r':
      return 0x50;
    case u'U':
      return 0x3E;
    case u'u':
      return 0x1C;
    default:
      return 0;
  }
}

void drawSegmentChar(QPainter& painter, const QRect& cell, QChar ch, DegitFace face, bool bold,
                     const QColor& color, qreal dpr) {
  const std::uint8_t mask = segmentMask(ch);
  if (mask == 0) return;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(Qt::NoPen);
  painter.setBrush(color);
  // Laid out in logical pixels, then each edge put on the device pixel it
  // maps to: at a whole ratio every segment is exactly that much larger.
  const Frame f = frameFor(cell, face, bold);
  if (face == DegitFace::A) {
    const QTransform toDevice = QTransform::fromScale(dpr, dpr);
    const auto segs = ledSegments(f);
    for (int i = 0; i < 7; ++i)
      if (mask & (1 << i)) painter.drawPath(toDevice.map(segs[static_cast<std::size_t>(i)]));
  } else {
    auto device = [dpr](int v) { return static_cast<int>(std::lround(v * dpr)); };
    const auto segs = boxSegments(f, face == DegitFace::B ? 1 : 0);
    for (int i = 0; i < 7; ++i) {
      if (!(mask & (1 << i))) continue;
      const QRect& r = segs[static_cast<std::size_t>(i)];
      painter.fillRect(QRect(QPoint(device(r.left()), device(r.top())),
                             QPoint(device(r.right() + 1) - 1, device(r.bottom() + 1) - 1)),
                       color);
    }
  }
  painter.restore();
}

QImage renderDegitRow(int keta, const QSize& cell, const QString& shown, const DegitRowStyle& style,
                      qreal dpr) {
  const int n = std::max(0, keta);
  const int advance = cell.width();
  const QSize logical(std::max(1, n * cell.width()), std::max(1, cell.height()));
  QImage img(QSize(std::lround(logical.width() * dpr), std::lround(logical.height() * dpr)),
             QImage::Format_RGB32);
  img.fill(style.back);
  QPainter p(&img);
  auto logicalCell = [&](int x) { return QRect(x, 0, cell.width(), logical.height()); };
  for (int i = 0; i < n; ++i)
    drawSegmentChar(p, logicalCell(i * advance), QLatin1Char('8'), style.face, style.bold,
                    style.unlit, dpr);
  const int start = logical.width() - static_cast<int>(shown.size()) * advance;
  for (qsizetype j = 0; j < shown.size(); ++j)
    drawSegmentChar(p, logicalCell(start + static_cast<int>(j) * advance), shown[j], style.face,
                    style.bold, style.lit, dpr);
  p.end();
  img.setDevicePixelRatio(dpr);
  return img;
}

}  // namespace sorane
