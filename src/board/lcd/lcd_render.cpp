#include "lcd_render.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "lcd_digits.h"

namespace sorane::lcd {
namespace {

constexpr std::size_t kKeptPictures = 12;
constexpr qreal kPictureHeight = 160;
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

// Japanese faces of a caption: "１２" -> "12".
QString plainCaption(const QString& caption) {
  return caption.normalized(QString::NormalizationForm_KC).trimmed();
}

// `text` in `font` in `r`, condensed to fit down to kMinStretch, then in a
// smaller size.
void drawFitted(QPainter& p, const QRectF& r, const QString& text, QFont font,
                Qt::Alignment align) {
  TextFit fit = fitText(text, font, r.width());
  if (fit.travel > 0) {
    font.setPixelSize(std::max(1, qRound(font.pixelSize() * (r.width() - 2) /
                                         (fit.width * kMinStretch) - 0.5)));
    fit = fitText(text, font, r.width());
  }
  p.save();
  p.setFont(font);
  const qreal w = fit.width * fit.stretch;
  qreal x = r.left() + 1;
  if (align & Qt::AlignHCenter) x = r.center().x() - w / 2;
  if (align & Qt::AlignRight) x = r.right() - 1 - w;
  p.translate(x, r.top());
  p.scale(fit.stretch, 1);
  p.drawText(QRectF(0, 0, fit.width + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter, text);
  p.restore();
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
  for (QColor* k : {&c.background, &c.label, &c.labelText, &c.name, &c.accent, &c.cell, &c.number,
                    &c.numberText, &c.cash, &c.ic, &c.tierLine, &c.cashLabel, &c.icLabel,
                    &c.tierLabelText, &c.bottom, &c.bottomText, &c.night, &c.nightText,
                    &c.request, &c.requestText})
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

const QImage& Renderer::textPicture(const QString& text, Language language, qreal size,
                                    qreal stretch, const QColor& color, int scale) {
  for (auto it = pictures_.begin(); it != pictures_.end(); ++it) {
    if (it->text == text && it->language == language && it->size == size &&
        it->stretch == stretch && it->color == color.rgb() && it->scale == scale) {
      pictures_.splice(pictures_.begin(), pictures_, it);
      return pictures_.front().image;
    }
  }
  const QFont font = lcdFont(language, size);
  const qreal width = QFontMetricsF(font).horizontalAdvance(text);
  QImage image(std::max(1, static_cast<int>(std::ceil((width * stretch + 4) * scale))),
               static_cast<int>(std::ceil(kPictureHeight * scale)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(font);
  p.setPen(color);
  p.translate(2, 0);
  p.scale(stretch, 1);
  p.drawText(QRectF(0, 0, width + 2, kPictureHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
  p.end();
  pictures_.push_front({text, language, size, stretch, color.rgb(), scale, std::move(image)});
  if (pictures_.size() > kKeptPictures) pictures_.pop_back();
  return pictures_.front().image;
}

void Renderer::drawBand(QPainter& p, const Scene& s, const Palette& c, int scale) {
  const BandScene& b = s.band;
  p.fillRect(bandPart(), c.background);
  p.fillRect(snap(QRectF(0, 169, kWidth, 4), scale), c.accent);
  const QRectF band = bandRect();
  const auto place = [&](const QImage& picture, qreal x) {
    x = std::round(x * scale) / scale;
    p.drawImage(QPointF(x, nameRect().top()), picture);
  };
  const auto pictureWidth = [](const QImage& picture) {
    return picture.width() / picture.devicePixelRatio();
  };
  switch (b.kind) {
    case BandScene::Kind::Empty:
      return;
    case BandScene::Kind::LampTest: {
      const QFont font = lcdFont(Language::Japanese, nameSize(Language::Japanese));
      const TextFit fit = fitText(b.text, font, band.width() - 40);
      const QImage& picture =
          textPicture(b.text, Language::Japanese, font.pixelSize(), fit.stretch, c.name, scale);
      place(picture, band.center().x() - pictureWidth(picture) / 2);
      return;
    }
    case BandScene::Kind::StopRequest: {
      p.fillRect(snap(band, scale), c.request);
      const QFont font = lcdFont(b.language, kBandTextSize);
      const TextFit fit = fitText(b.text, font, band.width() - 40);
      const QImage& picture =
          textPicture(b.text, b.language, kBandTextSize, fit.stretch, c.requestText, scale);
      place(picture, band.center().x() - pictureWidth(picture) / 2);
      return;
    }
    case BandScene::Kind::Name:
      break;
  }
  // The label box, then the name: centred when it fits, else scrolled.
  const QRectF box = snap(labelRect(), scale);
  p.setPen(Qt::NoPen);
  p.setBrush(c.label);
  p.drawRoundedRect(box, kLabelRadius, kLabelRadius);
  p.setPen(c.labelText);
  const qreal labelSize = b.language == Language::Japanese || b.language == Language::Reading ? 44 : 34;
  drawFitted(p, box.adjusted(8, 0, -8, 0), b.label, lcdFont(b.language, labelSize),
             Qt::AlignHCenter);
  const QRectF name = nameRect();
  const QImage& picture =
      textPicture(b.text, b.language, nameSize(b.language), b.stretch, c.name, scale);
  const qreal w = pictureWidth(picture);
  p.save();
  p.setClipRect(name);
  place(picture, w <= name.width() ? name.center().x() - w / 2 : name.left() - 2 - b.offset);
  p.restore();
}

void Renderer::drawTable(QPainter& p, const Scene& s, const Palette& c, int scale) {
  p.fillRect(tablePart(), c.background);
  const TableScene& t = s.table;
  if (t.cells <= 0) return;
  const CellGrid g = cellGrid(t.cells, t.twoTiers ? 2 : 1);
  const QFont numberFont = lcdFont(Language::Japanese, g.numberSize);
  for (int k = 1; k <= t.cells; ++k) {
    const auto i = static_cast<std::size_t>(k);
    p.fillRect(snap(g.cellRect(k), scale), c.cell);
    const QRectF number = snap(g.numberRect(k), scale);
    p.fillRect(number, c.number);
    p.setPen(c.numberText);
    drawFitted(p, number.adjusted(3, 0, -3, 0), plainCaption(t.label[i]), numberFont,
               Qt::AlignHCenter);
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
  const QFont labelFont = lcdFont(Language::Japanese, kTierLabelSize);
  for (int row = 0; row < g.rows; ++row) {
    for (int tier = 0; tier < 2; ++tier) {
      const QRectF r = snap(g.tierLabelRect(row, tier).adjusted(0, 3, 0, -3), scale);
      p.setPen(Qt::NoPen);
      p.setBrush(tier == 0 ? c.cashLabel : c.icLabel);
      p.drawRoundedRect(r, 6, 6);
      p.setPen(c.tierLabelText);
      drawFitted(p, r.adjusted(4, 0, -4, 0), tier == 0 ? kCashLabel : kIcLabel, labelFont,
                 Qt::AlignHCenter);
    }
  }
}

void Renderer::drawBottom(QPainter& p, const Scene& s, const Palette& c) {
  const BottomScene& b = s.bottom;
  p.fillRect(bottomPart(), c.bottom);
  p.setPen(c.bottomText);
  drawFitted(p, headsignRect(), b.headsign, lcdFont(Language::Japanese, kBottomTextSize),
             Qt::AlignLeft);
  drawFitted(p, clockRect(), b.clock, digitFont(kClockSize), Qt::AlignRight);
  if (!b.night) return;
  p.setPen(Qt::NoPen);
  p.setBrush(c.night);
  p.drawRoundedRect(nightRect(), 6, 6);
  p.setPen(c.nightText);
  drawFitted(p, nightRect(), kNightLabel, lcdFont(Language::Japanese, kNightSize),
             Qt::AlignHCenter);
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
    const auto part = [&](const QRect& r, bool redraw, auto draw) {
      if (!redraw) return;
      p.save();
      p.setClipRect(r);
      draw();
      p.restore();
      changed += r;
    };
    part(bandPart(), all || s.band != last_.band, [&] { drawBand(p, s, c, scale); });
    part(tablePart(), all || s.table != last_.table, [&] { drawTable(p, s, c, scale); });
    part(bottomPart(), all || s.bottom != last_.bottom, [&] { drawBottom(p, s, c); });
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
