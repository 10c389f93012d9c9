#include "lcd_digits.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <cmath>

#include "lcd_scene.h"

namespace sorane::lcd {
namespace {

constexpr int kMeasureSize = 100;

// The fares' raw fonts by pixel size: making one looks the face up again.
const QRawFont& rawFont(int pixelSize) {
  static QHash<int, QRawFont> cache;
  auto it = cache.find(pixelSize);
  if (it == cache.end()) it = cache.insert(pixelSize, QRawFont::fromFont(digitFont(pixelSize)));
  return *it;
}

qreal pitchPerPixel() {
  static const qreal pitch = [] {
    const QRawFont& raw = rawFont(kMeasureSize);
    qreal widest = 0;
    const QList<quint32> glyphs = raw.glyphIndexesForString(QStringLiteral("0123456789"));
    for (const QPointF& a : raw.advancesForGlyphIndexes(glyphs)) widest = std::max(widest, a.x());
    return widest > 0 ? widest / kMeasureSize : 0.6;
  }();
  return pitch;
}

// One character of the fares' type centred in a digit's place, with a
// margin each side for what overhangs it, drawn at a scale.
struct GlyphKey {
  char16_t character;
  int size;
  QRgb color;
  int scale;
  bool operator==(const GlyphKey&) const = default;
};
size_t qHash(const GlyphKey& k, size_t seed = 0) {
  return qHashMulti(seed, k.character, k.size, k.color, k.scale);
}
constexpr qreal kGlyphMargin = 2;
constexpr qsizetype kKeptGlyphs = 1024;

const QImage& glyphPicture(QChar c, int size, QRgb color, int scale) {
  static QHash<GlyphKey, QImage> cache;
  const GlyphKey key{c.unicode(), size, color, scale};
  auto it = cache.find(key);
  if (it != cache.end()) return *it;
  if (cache.size() >= kKeptGlyphs) cache.clear();
  const QRawFont& raw = rawFont(size);
  const qreal pitch = tabularPitch(size);
  QImage image(static_cast<int>(std::ceil((pitch + 2 * kGlyphMargin) * scale)),
               static_cast<int>(std::ceil((raw.ascent() + raw.descent()) * scale)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(digitFont(size));
  p.setPen(QColor::fromRgba(color));
  const qreal advance = QFontMetricsF(p.font()).horizontalAdvance(c);
  p.drawText(QPointF(kGlyphMargin + (pitch - advance) / 2, raw.ascent()), QString(c));
  p.end();
  return *cache.insert(key, std::move(image));
}

}  // namespace

QFont digitFont(qreal pixelSize) {
  return lcdFont(Language::Japanese, pixelSize, true);
}

qreal tabularPitch(qreal pixelSize) {
  return pitchPerPixel() * pixelSize;
}

void drawTabular(QPainter& p, const QRectF& r, const QString& text, qreal pixelSize,
                 Qt::Alignment align) {
  if (text.isEmpty()) return;
  const int size = std::max(1, qRound(pixelSize));
  const int scale = std::max(1, qRound(p.device()->devicePixelRatioF()));
  const QRawFont& raw = rawFont(size);
  const qreal pitch = tabularPitch(size);
  const qreal total = pitch * text.size();
  qreal x = r.center().x() - total / 2;
  if (align & Qt::AlignLeft) x = r.left();
  if (align & Qt::AlignRight) x = r.right() - total;
  const qreal top =
      std::round((r.center().y() + raw.capHeight() / 2 - raw.ascent()) * scale) / scale;
  const QRgb color = p.pen().color().rgba();
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qreal slot = std::round((x + i * pitch) * scale) / scale;
    p.drawImage(QPointF(slot - kGlyphMargin, top), glyphPicture(text[i], size, color, scale));
  }
}

}  // namespace sorane::lcd
