#include "lcd_render.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "lcd_digits.h"

namespace sorane::lcd {
namespace {

constexpr qsizetype kPictureBytes = 8 << 20;
constexpr qreal kLabelRadius = 10;
constexpr qreal kBandTextSize = 96;
constexpr qreal kBottomTextSize = 30;
constexpr qreal kClockSize = 34;
constexpr qreal kNightSize = 24;
constexpr qreal kTierLabelSize = 22;

// Edges on whole device pixels, so lines and fills stay sharp at any scale.
QRectF snap(const QRectF& r, int scale) {
  const auto at = [scale](qreal v) { return std::round(v * scale) / scale; };
  const qreal left = at(r.left());
  const qreal top = at(r.top());
  return {left, top, at(r.right()) - left, at(r.bottom()) - top};
}

QColor dimmed(const QColor& c, qreal level) {
  return QColor(qRound(c.red() * level), qRound(c.green() * level), qRound(c.blue() * level));
}

// Whether `to` is `from` with the name scrolled on.
bool scrolledOnly(const BandScene& from, const BandScene& to) {
  BandScene moved = from;
  moved.offset = to.offset;
  return moved == to && to.kind == BandScene::Kind::Name && from.offset != to.offset;
}

// Half-width forms of a caption: "１２" -> "12".
QString plainCaption(const QString& caption) {
  return caption.normalized(QString::NormalizationForm_KC).trimmed();
}

}  // namespace

qreal backlightLevel(BoardModel::Backlight backlight) {
  switch (backlight) {
    case BoardModel::Backlight::Off:
      return 0.3;
    case BoardModel::Backlight::On1:
      return 0.85;
    case BoardModel::Backlight::On2:
      return 1.0;
  }
  return 1.0;
}

Palette palette(Scheme scheme, BoardModel::Backlight backlight) {
  Palette c;
  if (scheme == Scheme::Black) {
    c = {.background = QColor(0, 0, 0),
         .label = QColor(29, 95, 209),
         .labelText = QColor(255, 255, 255),
         .name = QColor(255, 255, 255),
         .accent = QColor(29, 95, 209),
         .cell = QColor(12, 16, 23),
         .number = QColor(38, 49, 66),
         .numberText = QColor(232, 237, 245),
         .cash = QColor(255, 216, 69),
         .ic = QColor(86, 214, 255),
         .tierLine = QColor(44, 54, 69),
         .cashLabel = QColor(59, 69, 86),
         .icLabel = QColor(15, 109, 181),
         .tierLabelText = QColor(255, 255, 255),
         .bottom = QColor(18, 26, 38),
         .bottomText = QColor(232, 237, 245),
         .night = QColor(123, 63, 228),
         .nightText = QColor(255, 255, 255),
         .request = QColor(216, 20, 28),
         .requestText = QColor(255, 255, 255)};
  } else {
    c = {.background = QColor(255, 255, 255),
         .label = QColor(29, 79, 184),
         .labelText = QColor(255, 255, 255),
         .name = QColor(17, 20, 24),
         .accent = QColor(29, 79, 184),
         .cell = QColor(243, 245, 248),
         .number = QColor(221, 227, 236),
         .numberText = QColor(27, 36, 48),
         .cash = QColor(17, 20, 24),
         .ic = QColor(10, 92, 194),
         .tierLine = QColor(197, 205, 216),
         .cashLabel = QColor(90, 100, 115),
         .icLabel = QColor(10, 92, 194),
         .tierLabelText = QColor(255, 255, 255),
         .bottom = QColor(228, 233, 240),
         .bottomText = QColor(27, 36, 48),
         .night = QColor(107, 47, 208),
         .nightText = QColor(255, 255, 255),
         .request = QColor(216, 20, 28),
         .requestText = QColor(255, 255, 255)};
  }
  const qreal level = backlightLevel(backlight);
  for (QColor* k : {&c.background, &c.label,     &c.labelText,  &c.name,          &c.accent,
                    &c.cell,       &c.number,    &c.numberText, &c.cash,          &c.ic,
                    &c.tierLine,   &c.cashLabel, &c.icLabel,    &c.tierLabelText, &c.bottom,
                    &c.bottomText, &c.night,     &c.nightText,  &c.request,       &c.requestText})
    *k = dimmed(*k, level);
  return c;
}

QRect bandPart() {
  return {0, 0, kWidth, 176};
}
QRect tablePart() {
  return {0, 176, kWidth, 310};
}
QRect bottomPart() {
  return {0, 486, kWidth, kHeight - 486};
}

size_t qHash(const Renderer::PictureKey& k, size_t seed) {
  return qHashMulti(seed, k.text, static_cast<int>(k.language), k.size, k.stretch, k.color,
                    k.scale);
}

const QImage& Renderer::textPicture(const PictureKey& key) {
  const auto it = pictures_.constFind(key);
  if (it != pictures_.cend()) return *it;
  const QFont font = lcdFont(key.language, key.size);
  const QFontMetricsF metrics(font);
  const qreal width = textWidth(key.text, key.language, key.size);
  QImage image(std::max(1, static_cast<int>(std::ceil((width * key.stretch + 4) * key.scale))),
               static_cast<int>(std::ceil(metrics.height() * key.scale)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(key.scale);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(font);
  p.setPen(QColor::fromRgba(key.color));
  p.translate(2, 0);
  p.scale(key.stretch, 1);
  p.drawText(QPointF(0, metrics.ascent()), key.text);
  p.end();
  if (pictureBytes_ + image.sizeInBytes() > kPictureBytes) {
    pictures_.clear();
    pictureBytes_ = 0;
  }
  pictureBytes_ += image.sizeInBytes();
  return *pictures_.insert(key, std::move(image));
}

void Renderer::drawLine(QPainter& p, const QRectF& r, const QString& text, Language language,
                        qreal size, const QColor& color, Qt::Alignment align, int scale) {
  if (text.isEmpty()) return;
  TextFit fit = fitText(text, language, size, r.width());
  if (fit.travel > 0) {
    size = std::floor(size * (r.width() - 2) / (fit.width * kMinStretch));
    fit = fitText(text, language, size, r.width());
  }
  const QImage& picture =
      textPicture({text, language, std::max(1, qRound(size)), fit.stretch, color.rgba(), scale});
  const qreal w = fit.width * fit.stretch;
  qreal x = r.left() + 1;
  if (align & Qt::AlignHCenter) x = r.center().x() - w / 2;
  if (align & Qt::AlignRight) x = r.right() - 1 - w;
  const qreal h = picture.height() / picture.devicePixelRatio();
  const auto at = [scale](qreal v) { return std::round(v * scale) / scale; };
  p.drawImage(QPointF(at(x - 2), at(r.center().y() - h / 2)), picture);
}

void Renderer::drawBand(QPainter& p, const Scene& s, const Palette& c, int scale) {
  const BandScene& b = s.band;
  p.fillRect(bandPart(), c.background);
  p.fillRect(snap(QRectF(0, 169, kWidth, 4), scale), c.accent);
  const QRectF band = bandRect().adjusted(20, 0, -20, 0);
  switch (b.kind) {
    case BandScene::Kind::Empty:
      return;
    case BandScene::Kind::LampTest:
      drawLine(p, band, b.text, Language::Japanese, nameSize(Language::Japanese), c.name,
               Qt::AlignHCenter, scale);
      return;
    case BandScene::Kind::StopRequest:
      p.fillRect(snap(bandRect(), scale), c.request);
      drawLine(p, band, b.text, b.language, kBandTextSize, c.requestText, Qt::AlignHCenter, scale);
      return;
    case BandScene::Kind::Name:
      break;
  }
  // The label box, then the name: centred when it fits, else scrolled.
  const QRectF box = snap(labelRect(), scale);
  p.setPen(Qt::NoPen);
  p.setBrush(c.label);
  p.drawRoundedRect(box, kLabelRadius, kLabelRadius);
  const bool japanese = b.language == Language::Japanese || b.language == Language::Reading;
  drawLine(p, box.adjusted(8, 0, -8, 0), b.label, b.language, japanese ? 44 : 34, c.labelText,
           Qt::AlignHCenter, scale);
  drawName(p, b, c, scale);
}

const QImage& Renderer::nameStrip(const PictureKey& key, const QColor& background) {
  if (!strip_.isNull() && key == stripKey_ && background.rgba() == stripBackground_) return strip_;
  const QImage& picture = textPicture(key);
  const auto blank = [&picture](int y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    return std::all_of(line, line + picture.width(), [](QRgb px) { return qAlpha(px) == 0; });
  };
  int top = 0;
  int bottom = picture.height();
  while (top < bottom - 1 && blank(top)) ++top;
  while (bottom > top + 1 && blank(bottom - 1)) --bottom;
  strip_ = QImage(picture.width(), bottom - top, QImage::Format_RGB32);
  strip_.fill(background);
  QPainter p(&strip_);
  p.drawImage(QRect(0, 0, picture.width(), bottom - top), picture,
              QRect(0, top, picture.width(), bottom - top));
  p.end();
  strip_.setDevicePixelRatio(key.scale);
  stripKey_ = key;
  stripBackground_ = background.rgba();
  stripTop_ = top;
  return strip_;
}

QRect Renderer::drawName(QPainter& p, const BandScene& b, const Palette& c, int scale) {
  const QRectF name = nameRect();
  const PictureKey key{
      b.text, b.language, qRound(nameSize(b.language)), b.stretch, c.name.rgba(), scale};
  const QImage& picture = textPicture(key);
  const qreal w = picture.width() / picture.devicePixelRatio() - 4;
  const qreal h = picture.height() / picture.devicePixelRatio();
  const qreal x = w <= name.width() ? name.center().x() - w / 2 : name.left() + 1 - b.offset;
  const qreal y = std::round((name.center().y() - h / 2) * scale) / scale;
  const QImage& strip = nameStrip(key, c.background);
  const QRectF at(std::round((x - 2) * scale) / scale, y + qreal(stripTop_) / scale,
                  qreal(strip.width()) / scale, qreal(strip.height()) / scale);
  p.save();
  p.setClipRect(name);
  p.drawImage(at.topLeft(), strip);
  p.restore();
  return (at & name).toAlignedRect();
}

void Renderer::drawTable(QPainter& p, const Scene& s, const Palette& c, int scale) {
  p.fillRect(tablePart(), c.background);
  const TableScene& t = s.table;
  if (t.cells <= 0) return;
  const CellGrid g = cellGrid(t.cells, t.twoTiers ? 2 : 1);
  for (int k = 1; k <= t.cells; ++k) {
    const auto i = static_cast<std::size_t>(k);
    p.fillRect(snap(g.cellRect(k), scale), c.cell);
    const QRectF number = snap(g.numberRect(k), scale);
    p.fillRect(number, c.number);
    drawLine(p, number.adjusted(3, 0, -3, 0), plainCaption(t.label[i]), Language::Japanese,
             g.numberSize, c.numberText, Qt::AlignHCenter, scale);
    for (int tier = 0; tier < g.tiers; ++tier) {
      const QRectF r = g.tierRect(k, tier);
      if (tier > 0)
        p.fillRect(snap(QRectF(r.left() + 6, r.top(), r.width() - 12, 1.0 / scale), scale),
                   c.tierLine);
      const QString& text = tier == 0 ? t.cell[i].cash : t.cell[i].ic;
      p.setPen(tier == 0 ? c.cash : c.ic);
      drawTabular(p, r, t.lampTest ? kLampDigits : text.trimmed(), g.fareSize);
    }
  }
  if (g.tiers < 2) return;
  for (int row = 0; row < g.rows; ++row) {
    for (int tier = 0; tier < 2; ++tier) {
      const QRectF r = snap(g.tierLabelRect(row, tier).adjusted(0, 3, 0, -3), scale);
      p.setPen(Qt::NoPen);
      p.setBrush(tier == 0 ? c.cashLabel : c.icLabel);
      p.drawRoundedRect(r, 6, 6);
      drawLine(p, r.adjusted(4, 0, -4, 0), tier == 0 ? kCashLabel : kIcLabel, Language::Japanese,
               std::min(kTierLabelSize, std::floor(r.height() * 0.8)), c.tierLabelText,
               Qt::AlignHCenter, scale);
    }
  }
}

void Renderer::drawBottom(QPainter& p, const Scene& s, const Palette& c, int scale) {
  const BottomScene& b = s.bottom;
  p.fillRect(bottomPart(), c.bottom);
  drawLine(p, headsignRect(), b.headsign, Language::Japanese, kBottomTextSize, c.bottomText,
           Qt::AlignLeft, scale);
  drawLine(p, clockRect(), b.clock, Language::Japanese, kClockSize, c.bottomText, Qt::AlignRight,
           scale);
  if (!b.night) return;
  p.setPen(Qt::NoPen);
  p.setBrush(c.night);
  p.drawRoundedRect(nightRect(), 6, 6);
  drawLine(p, nightRect(), kNightLabel, Language::Japanese, kNightSize, c.nightText,
           Qt::AlignHCenter, scale);
}

QRegion Renderer::render(const Scene& s, Scheme scheme, int scale) {
  const QSize size(kWidth * scale, kHeight * scale);
  const bool all = !valid_ || frame_.size() != size || scheme != lastScheme_ ||
                   s.cleared != last_.cleared || s.backlight != last_.backlight;
  if (frame_.size() != size) {
    frame_ = QImage(size, QImage::Format_RGB32);
    frame_.setDevicePixelRatio(scale);
  }
  QRegion changed;
  QPainter p(&frame_);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (s.cleared) {
    // 表示消去: the backlight is off and nothing is shown.
    if (all) {
      p.fillRect(QRect(0, 0, kWidth, kHeight), Qt::black);
      changed = QRect(0, 0, kWidth, kHeight);
    }
  } else {
    const Palette c = palette(scheme, s.backlight);
    const auto part = [&](const QRect& r, auto draw) {
      if (r.isEmpty()) return;
      p.save();
      p.setClipRect(r);
      draw();
      p.restore();
      changed += r;
    };
    if (!all && scrolledOnly(last_.band, s.band))
      changed += drawName(p, s.band, c, scale);
    else
      part(all || s.band != last_.band ? bandPart() : QRect(), [&] { drawBand(p, s, c, scale); });
    part(all || s.table != last_.table ? tablePart() : QRect(), [&] { drawTable(p, s, c, scale); });
    part(all || s.bottom != last_.bottom ? bottomPart() : QRect(),
         [&] { drawBottom(p, s, c, scale); });
  }
  last_ = s;
  lastScheme_ = scheme;
  valid_ = true;
  return changed;
}

QImage renderFrame(const BoardModel& model, const QDateTime& now, int scale, Scheme scheme) {
  Renderer r;
  r.render(sceneAt(model, now, scale), scheme, scale);
  return r.frame();
}

}  // namespace sorane::lcd
