#include "ticket_render.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <mutex>

#include "fonts.h"
#include "ticket_barcode.h"

namespace sorane::ticket {
namespace {

// Characters turned a quarter to the right in vertical writing.
const QString kTurnedInColumns =
    QStringLiteral("ー－—―～〜…‥()（）[]［］「」『』【】〈〉《》<>＜＞=＝-");

struct Page {
  double scale = 1;  // pixels per mm
  QPointF origin;
  QPointF at(double x, double y) const { return origin + QPointF(x * scale, y * scale); }
  QPointF at(QPointF p) const { return at(p.x(), p.y()); }
  QRectF rect(const QRectF& mm) const {
    return QRectF(at(mm.topLeft()), QSizeF(mm.width() * scale, mm.height() * scale));
  }
};

QFont fontFor(const Item& item, double pixels) {
  QFont font(familyOf(item.face));
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
  font.setWeight(static_cast<QFont::Weight>(std::clamp(item.weight, 1, 1000)));
  return font;
}

// Families without a bold face: Qt emboldens their glyphs, but not when it
// draws large text as outlines, so that is done here.
bool lacksBold(const QString& family) {
  static std::mutex mutex;
  static QHash<QString, bool> known;
  std::lock_guard lock(mutex);
  const auto found = known.constFind(family);
  if (found != known.constEnd()) return *found;
  bool bold = false;
  for (const QString& style : QFontDatabase::styles(family))
    bold = bold || QFontDatabase::weight(family, style) >= QFont::DemiBold;
  known.insert(family, !bold);
  return !bold;
}

// Grows the ink of `mask` by `rx` pixels across and `ry` down.
void grow(QImage& mask, int rx, int ry) {
  const int w = mask.width(), h = mask.height();
  QImage across = mask;
  for (int y = 0; y < h; ++y) {
    const uchar* from = mask.constScanLine(y);
    uchar* to = across.scanLine(y);
    for (int x = 0; x < w; ++x)
      for (int k = std::max(0, x - rx); k <= std::min(w - 1, x + rx); ++k)
        to[x] = std::max(to[x], from[k]);
  }
  for (int y = 0; y < h; ++y) {
    uchar* to = mask.scanLine(y);
    for (int k = std::max(0, y - ry); k <= std::min(h - 1, y + ry); ++k) {
      const uchar* from = across.constScanLine(k);
      for (int x = 0; x < w; ++x) to[x] = std::max(to[x], from[x]);
    }
  }
}

// Fills `path` grown by `r` on every side, as a pen 2r wide along it would
// (by the box of that pen's ellipse under a squeeze), at little more than a
// fill's cost: Qt strokes glyph outlines seven times slower than it fills them.
void fillGrown(QPainter& p, const QPainterPath& path, double r, const QColor& colour) {
  const QTransform m = p.worldTransform();
  const QPainterPath onPage = m.map(path);
  const int rx = qRound(r * std::hypot(m.m11(), m.m21()));
  const int ry = qRound(r * std::hypot(m.m12(), m.m22()));
  QRect bounds = onPage.boundingRect().toAlignedRect().adjusted(-rx, -ry, rx, ry);
  if (p.hasClipping()) bounds &= m.mapRect(p.clipBoundingRect()).toAlignedRect();
  if (bounds.isEmpty()) return;
  QImage mask(bounds.size(), QImage::Format_Alpha8);
  mask.fill(0);
  QPainter mp(&mask);
  mp.setRenderHint(QPainter::Antialiasing);
  mp.translate(-bounds.topLeft());
  mp.fillPath(onPage, Qt::black);
  mp.end();
  grow(mask, rx, ry);
  QImage ink(bounds.size(), QImage::Format_ARGB32_Premultiplied);
  ink.fill(colour);
  QPainter ip(&ink);
  ip.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  ip.drawImage(0, 0, mask);
  ip.end();
  p.save();
  p.setWorldTransform(QTransform());
  p.drawImage(bounds.topLeft(), ink);
  p.restore();
}

// Draws `text` with its baseline starting at `at`.
void drawString(QPainter& p, const QFont& font, const QPointF& at, const QString& text) {
  // Qt draws glyphs from its cache while they are under 64 pixels on the
  // device (a squeezed text's are small), otherwise as outlines.
  constexpr double kLargestCachedGlyph = 64;
  const double onDevice = font.pixelSize() * std::sqrt(std::abs(p.deviceTransform().determinant()));
  if (font.weight() < QFont::DemiBold || onDevice < kLargestCachedGlyph ||
      !lacksBold(font.family())) {
    p.drawText(at, text);
    return;
  }
  QFont regular = font;
  regular.setWeight(QFont::Normal);
  QPainterPath path;
  path.addText(at, regular, text);
  fillGrown(p, path, font.pixelSize() / 48.0, p.pen().color());
}

// Where `used` starts in [start, start + extent): at the start, centred or
// at the end, as the alignment's place in its enum says.
template <typename Align>
double alignedStart(Align a, double start, double extent, double used) {
  return start + (extent - used) * static_cast<int>(a) / 2;
}

// Lines across, squeezed to fit the box rather than cut.
void drawAcross(QPainter& p, const Item& item, const QRectF& box, const QStringList& lines,
                double sizePx) {
  const QFont font = fontFor(item, sizePx);
  p.setFont(font);
  const QFontMetricsF fm(font);
  const double pitch = lines.size() > 1 ? fm.lineSpacing() : fm.height();
  const double blockH = pitch * static_cast<double>(lines.size());
  const double sy = blockH > box.height() ? box.height() / blockH : 1;
  const double top = alignedStart(item.valign, box.top(), box.height(), blockH * sy);
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const double w = fm.horizontalAdvance(lines[i]);
    const double sx = w > box.width() ? box.width() / w : 1;
    const double x = alignedStart(item.align, box.left(), box.width(), w * sx);
    const double baseline = top + (static_cast<double>(i) * pitch + fm.ascent()) * sy;
    p.save();
    p.translate(x, baseline);
    p.scale(sx, sy);
    drawString(p, font, QPointF(0, 0), lines[i]);
    p.restore();
  }
}

// Columns top to bottom, the first on the right.
void drawInColumns(QPainter& p, const Item& item, const QRectF& box, const QStringList& lines,
                   double sizePx) {
  const QFont font = fontFor(item, sizePx);
  p.setFont(font);
  const QFontMetricsF fm(font);
  const double pitch = sizePx * 1.15;
  const double blockW = pitch * static_cast<double>(lines.size() - 1) + sizePx;
  const double sx = blockW > box.width() ? box.width() / blockW : 1;
  const double left = alignedStart(item.align, box.left(), box.width(), blockW * sx);
  for (qsizetype c = 0; c < lines.size(); ++c) {
    const QList<uint> chars = lines[c].toUcs4();
    const double colH = sizePx * static_cast<double>(chars.size());
    const double sy = colH > box.height() ? box.height() / colH : 1;
    const double top = alignedStart(item.valign, box.top(), box.height(), colH * sy);
    const double cx = left + (blockW - sizePx / 2 - static_cast<double>(c) * pitch) * sx;
    for (qsizetype k = 0; k < chars.size(); ++k) {
      const uint u = chars[k];
      const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(&u), 1);
      p.save();
      p.translate(cx, top + (static_cast<double>(k) + 0.5) * sizePx * sy);
      p.scale(sx, sy);
      if (kTurnedInColumns.contains(ch)) p.rotate(90);
      drawString(p, font, QPointF(-fm.horizontalAdvance(ch) / 2, (fm.ascent() - fm.descent()) / 2),
                 ch);
      p.restore();
    }
  }
}

// What a ticket may still draw: characters, and the area of large ones.
struct Budget {
  int chars = kMaxTicketChars;
  double largeArea = kMaxLargeCharArea;

  // `text` cut to kMaxTextChars characters and to what is left; `mm` is the
  // size its characters are drawn at, or at most. What is cut is reported
  // against `pos`.
  QString take(const QString& text, double mm, SourcePos pos, std::vector<Problem>& problems) {
    const int most = std::min(kMaxTextChars, chars);
    const double each = mm >= kLargeCharMm ? mm * mm : 0;
    qsizetype end = 0;
    int n = 0;
    bool areaSpent = false;
    for (; end < text.size() && n < most; ++n) {
      const double area = text[end] == u'\n' ? 0 : each;
      if (area > largeArea) {
        areaSpent = true;
        break;
      }
      largeArea -= area;
      end += text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
    }
    chars -= n;
    if (end < text.size()) {
      const auto left = text.mid(end).toUcs4().size();
      QString why;
      if (areaSpent)
        why = QStringLiteral("%1 mm 以上の大きな文字が券全体で %2 mm² を超えるため")
                  .arg(kLargeCharMm)
                  .arg(kMaxLargeCharArea);
      else if (n == kMaxTextChars)
        why = QStringLiteral("ひとつの文字列が %1 文字を超えるため").arg(kMaxTextChars);
      else
        why = QStringLiteral("券全体の文字が %1 文字を超えるため").arg(kMaxTicketChars);
      problems.push_back(
          {pos, QStringLiteral("%1、後ろの %2 文字を描けません").arg(why).arg(left)});
    }
    return text.left(end);
  }
};

void drawText(QPainter& p, const Page& page, const Item& item, const QString& text) {
  const QRectF box = page.rect(item.box);
  const QStringList lines = text.split(u'\n');
  const double fitted = (item.vertical ? box.width() : box.height()) /
                        static_cast<double>(item.vertical ? 1 : lines.size());
  const double sizePx =
      item.size > 0 ? item.size * page.scale : std::min(fitted, kMaxCharMm * page.scale);
  p.setPen(item.color);
  if (item.vertical)
    drawInColumns(p, item, box, lines, sizePx);
  else
    drawAcross(p, item, box, lines, sizePx);
}

void drawPicture(QPainter& p, const Page& page, const Item& item, const Pictures& pictures) {
  const auto found = pictures.find(item.file);
  if (found == pictures.end()) return;
  const Picture& picture = *found->second;
  QRectF target = page.rect(item.box);
  const QSizeF natural = picture.naturalSize();
  if (!item.stretch && !natural.isEmpty()) {
    const QSizeF fitted = natural.scaled(target.size(), Qt::KeepAspectRatio);
    target = QRectF(target.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
  }
  const QSize pixels = target.size().toSize();
  p.drawImage(target.topLeft(), picture.at(pixels));
}

// Modules narrower than this may not scan.
constexpr int kNarrowestScannable = 2;

bool drawBarcode(QPainter& p, const Page& page, const Item& item, const QString& data,
                 Budget& budget, std::vector<Problem>& problems, QString& error) {
  BarcodeShape shape;
  if (!encodeBarcode(item.symbology, data, shape, error)) return false;
  QRectF box = page.rect(item.box);
  if (item.humanReadable && !shape.square) {
    const double textH = box.height() * 0.25;
    const double textMm = std::min(kMaxCharMm, item.box.height() * 0.25);
    QRectF textBox(box.left(), box.bottom() - textH, box.width(), textH);
    box.setBottom(textBox.top());
    Item label;
    label.face = QStringLiteral("gothic");
    label.align = HAlign::Center;
    label.color = item.color;
    p.setPen(item.color);
    drawAcross(p, label, textBox, {budget.take(data, textMm, item.pos, problems)},
               textMm * page.scale);
  }
  // Every module a whole number of pixels, as many as fit, on whole pixels:
  // bars of uneven widths cannot be scanned. Linear codes keep the height.
  const QSizeF modules = shape.size / shape.module;
  const int each = static_cast<int>(std::min(box.width() / modules.width(),
                                             shape.square ? box.height() / modules.height() : 1e9));
  if (each < kNarrowestScannable)
    problems.push_back({item.pos,
                        QStringLiteral("バーコードの最も細い線が %1 ピクセルです(%2 "
                                       "ピクセルより細いと読み取れないことがあります)")
                            .arg(each < 1 ? QStringLiteral("1 に満たない") : QString::number(each))
                            .arg(kNarrowestScannable),
                        true});
  if (each >= 1) {
    const QSizeF drawn(modules.width() * each,
                       shape.square ? modules.height() * each : std::round(box.height()));
    box = QRectF(QPointF(std::round(box.center().x() - drawn.width() / 2),
                         std::round(box.center().y() - drawn.height() / 2)),
                 drawn);
  } else if (shape.square) {
    const double side = std::min(box.width(), box.height());
    box = QRectF(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
  }
  const double sx = box.width() / shape.size.width();
  const double sy = box.height() / shape.size.height();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  for (const QRectF& r : shape.bars)
    p.fillRect(
        QRectF(box.left() + r.x() * sx, box.top() + r.y() * sy, r.width() * sx, r.height() * sy),
        item.color);
  p.restore();
  return true;
}

}  // namespace

QString familyOf(const QString& face) {
  static std::mutex mutex;
  static QHash<QString, QString> known;
  std::lock_guard lock(mutex);
  const auto found = known.constFind(face);
  if (found != known.constEnd()) return *found;
  QString family = face;
  if (face == QLatin1String("gothic"))
    family = familyForFace(kFaceGothic);
  else if (face == QLatin1String("mincho"))
    family = familyForFace(kFaceMincho);
  else if (face == QLatin1String("pgothic"))
    family = familyForFace(kFacePGothic);
  known.insert(face, family);
  return family;
}

std::vector<Problem> renderTicket(QPainter& p, const Description& d, const Pictures& pictures,
                                  const FieldValues& values) {
  std::vector<Problem> problems;
  const QPaintDevice* device = p.device();
  if (!device || !p.isActive() || d.size.isEmpty()) return problems;
  const QSizeF area(device->width(), device->height());
  Page page;
  page.scale = std::min(area.width() / d.size.width(), area.height() / d.size.height());
  if (page.scale <= 0) return problems;
  page.origin = QPointF((area.width() - d.size.width() * page.scale) / 2,
                        (area.height() - d.size.height() * page.scale) / 2);

  p.save();
  p.setWorldTransform(QTransform());
  p.setClipping(false);
  p.fillRect(QRectF(QPointF(0, 0), area), Qt::white);
  p.setClipRect(QRectF(page.origin, d.size * page.scale).toAlignedRect());
  p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                   QPainter::SmoothPixmapTransform);
  const int variant =
      values.company >= 0 && values.company < d.companies.size() ? values.company + 1 : 1;
  Budget budget;
  for (const Item& item : d.items) {
    if (item.company != 0 && item.company != variant) continue;
    switch (item.kind) {
      case ItemKind::Text: {
        // Fitted characters count at their largest, as on one line.
        const double mm = item.size > 0 ? item.size
                                        : std::min(kMaxCharMm, item.vertical ? item.box.width()
                                                                             : item.box.height());
        drawText(
            p, page, item,
            budget.take(formatTemplate(item.text, values, d.companies), mm, item.pos, problems));
        break;
      }
      case ItemKind::Line:
        p.setPen(QPen(item.color, item.pen * page.scale, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(page.at(item.line.p1()), page.at(item.line.p2()));
        break;
      case ItemKind::Frame: {
        const double w = item.pen * page.scale;
        p.setPen(QPen(item.color, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(page.rect(item.box).adjusted(w / 2, w / 2, -w / 2, -w / 2));
        break;
      }
      case ItemKind::Box:
        p.fillRect(page.rect(item.box), item.color);
        break;
      case ItemKind::Picture:
        drawPicture(p, page, item, pictures);
        break;
      case ItemKind::Barcode: {
        const QString data = formatTemplate(item.data, values, d.companies);
        QString error;
        if (!drawBarcode(p, page, item, data, budget, problems, error))
          problems.push_back(
              {item.pos,
               QStringLiteral("バーコード「%1」を描けません: %2").arg(data.left(40), error)});
        break;
      }
    }
  }
  p.restore();
  return problems;
}

}  // namespace sorane::ticket
