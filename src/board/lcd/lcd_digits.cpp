#include "lcd_digits.h"

#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QRawFont>
#include <algorithm>

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
  const QRawFont& raw = rawFont(size);
  const QList<quint32> glyphs = raw.glyphIndexesForString(text);
  const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
  const qreal pitch = tabularPitch(size);
  const qreal total = pitch * glyphs.size();
  qreal x = r.center().x() - total / 2;
  if (align & Qt::AlignLeft) x = r.left();
  if (align & Qt::AlignRight) x = r.right() - total;
  const qreal baseline = r.center().y() + raw.capHeight() / 2;
  QList<QPointF> positions;
  positions.reserve(glyphs.size());
  for (qsizetype i = 0; i < glyphs.size(); ++i)
    positions.append(QPointF(x + i * pitch + (pitch - advances[i].x()) / 2, baseline));
  QGlyphRun run;
  run.setRawFont(raw);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  p.drawGlyphRun(QPointF(), run);
}

}  // namespace sorane::lcd
