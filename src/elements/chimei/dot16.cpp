#include "dot16.h"

#include <QStringList>
#include <bit>
#include <unordered_map>
#include <vector>

#include "cp932.h"

namespace sorane {
namespace {

constexpr int kCellPixels = 16;
constexpr int kHalfPixels = 8;
// Enough for every unit a route uses many times over; a flood of distinct
// units only costs a re-render.
constexpr std::size_t kCacheLimit = 4096;

bool isTrailByte(unsigned char b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

struct SpecialTable {
  QByteArray longVowel;
  QByteArray verticalStroke;
  std::vector<QByteArray> shiftedInGothic;
  std::vector<QByteArray> turned;
  std::vector<QByteArray> raisedRight;
};

std::vector<QByteArray> encodeAll(const QStringList& units) {
  std::vector<QByteArray> out;
  for (const QString& u : units) out.push_back(cp932::encode(u));
  return out;
}

const SpecialTable& specialTable() {
  static const SpecialTable table = {
      cp932::encode(QStringLiteral("ー")),
      cp932::encode(QStringLiteral("丨")),
      encodeAll({QStringLiteral("申"), QStringLiteral("山")}),
      encodeAll(
          {QStringLiteral("（"), QStringLiteral("）"), QStringLiteral("『"), QStringLiteral("』"),
           QStringLiteral("〔"), QStringLiteral("〕"), QStringLiteral("「"), QStringLiteral("」"),
           QStringLiteral("［"), QStringLiteral("］"), QStringLiteral("＜"), QStringLiteral("＞"),
           QStringLiteral("｛"), QStringLiteral("｝"), QStringLiteral("〈"), QStringLiteral("〉"),
           QStringLiteral("《"), QStringLiteral("》"), QStringLiteral("【"), QStringLiteral("】"),
           QStringLiteral("～"), QStringLiteral("＝"), QStringLiteral("→"),  QStringLiteral("←"),
           QStringLiteral("⇒"),  QStringLiteral("⇔")}),
      encodeAll({QStringLiteral("。"), QStringLiteral("、")}),
  };
  return table;
}

bool contains(const std::vector<QByteArray>& list, const QByteArray& unit) {
  for (const QByteArray& u : list)
    if (u == unit) return true;
  return false;
}

// Draws the unit's characters left to right from (x, y): a full-width
// character takes the cell, a single byte half of it.
void drawUnitText(const QByteArray& text, DotFace face, bool bold, QImage& scratch, int x, int y) {
  DotFonts& fonts = DotFonts::instance();
  int pen = x;
  for (qsizetype i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (cp932::isLeadByte(b)) {
      if (i + 1 < text.size() && isTrailByte(static_cast<unsigned char>(text[i + 1]))) {
        fonts.drawWide(face, bold, b * 256 + static_cast<unsigned char>(text[i + 1]), scratch, pen,
                       y);
        pen += kCellPixels;
        i += 2;
        continue;
      }
      // A lead byte without its trail is no character: its half stays blank.
      pen += kHalfPixels;
      ++i;
      continue;
    }
    fonts.drawNarrow(face, bold, b, scratch, pen, y);
    pen += kHalfPixels;
    ++i;
  }
}

int normalisedMode(std::int16_t fontMode) {
  return fontMode >= 0 && fontMode <= 4 ? fontMode : 5;
}

std::unordered_map<std::uint64_t, DotCell>& cache() {
  static std::unordered_map<std::uint64_t, DotCell> cells;
  return cells;
}

}  // namespace

bool DotRaster::empty() const {
  for (std::uint16_t r : rows)
    if (r) return false;
  return true;
}

int DotRaster::count() const {
  int n = 0;
  for (std::uint16_t r : rows) n += std::popcount(r);
  return n;
}

QString DotRaster::art() const {
  QString s;
  s.reserve(16 * 17);
  for (int r = 0; r < 16; ++r) {
    for (int c = 0; c < 16; ++c) s += lit(c, r) ? QLatin1Char('#') : QLatin1Char('.');
    s += QLatin1Char('\n');
  }
  return s;
}

int dotUnitCode(const QByteArray& unit) {
  if (unit.isEmpty()) return 0;
  const auto lead = static_cast<unsigned char>(unit[0]);
  if (cp932::isLeadByte(lead) && unit.size() >= 2 &&
      isTrailByte(static_cast<unsigned char>(unit[1])))
    return lead * 256 + static_cast<unsigned char>(unit[1]);
  return lead;
}

bool isKanjiClass(int code) {
  return code <= 0xFF || code >= 0x889F;
}

bool isAlnumClass(int code) {
  return code >= 0x824F && code <= 0x829A;
}

DotFace dotFaceFor(std::int16_t fontMode, int code) {
  switch (fontMode) {
    case 1:
      return DotFace::Mincho;
    case 2:
      return isKanjiClass(code) ? DotFace::Gothic : DotFace::Mincho;
    case 3:
      return isKanjiClass(code) ? DotFace::Mincho : DotFace::Gothic;
    case 4:
      return isAlnumClass(code) ? DotFace::Gothic : DotFace::Mincho;
    default:
      return DotFace::Gothic;
  }
}

DotSpecial dotSpecialFor(const QByteArray& unit, std::int16_t fontMode) {
  const SpecialTable& t = specialTable();
  if (unit == t.longVowel) return {t.verticalStroke, 0, 0, false};
  if (contains(t.shiftedInGothic, unit))
    return {unit, fontMode == 0 || fontMode == 2 ? 1 : 0, 0, false};
  if (contains(t.turned, unit)) return {unit, 0, 0, true};
  if (contains(t.raisedRight, unit)) return {unit, 10, -10, false};
  return {unit, 0, 0, false};
}

const QByteArray& longVowelUnit() {
  return specialTable().longVowel;
}
const QByteArray& verticalStrokeUnit() {
  return specialTable().verticalStroke;
}

DotRaster sampleBlack(const QImage& scratch) {
  DotRaster raster;
  const QImage image =
      scratch.format() == QImage::Format_RGB32 || scratch.format() == QImage::Format_ARGB32
          ? scratch
          : scratch.convertToFormat(QImage::Format_RGB32);
  const int w = std::min(image.width(), 16);
  const int h = std::min(image.height(), 16);
  for (int c = 0; c < w; ++c)
    for (int r = 0; r < h; ++r)
      if ((reinterpret_cast<const QRgb*>(image.constScanLine(r))[c] & 0xFFFFFF) == 0)
        raster.set(c, r);
  return raster;
}

DotCell renderDot16Fresh(const QByteArray& unit, std::int16_t fontMode, bool fontBold) {
  DotCell cell;
  cell.scratch = QImage(kCellPixels, kCellPixels, QImage::Format_RGB32);
  cell.scratch.fill(Qt::white);
  if (unit.isEmpty()) return cell;
  const DotSpecial special = dotSpecialFor(unit, fontMode);
  const DotFace face = dotFaceFor(fontMode, dotUnitCode(special.text));
  drawUnitText(special.text, face, fontBold, cell.scratch, special.dx, special.dy);
  cell.raster = sampleBlack(cell.scratch);
  cell.turned = special.turned;
  return cell;
}

DotCell renderDot16(const QByteArray& unit, std::int16_t fontMode, bool fontBold) {
  if (unit.size() > 2) return renderDot16Fresh(unit, fontMode, fontBold);
  std::uint64_t key = static_cast<std::uint64_t>(unit.size()) << 32;
  for (qsizetype i = 0; i < unit.size(); ++i)
    key |= static_cast<std::uint64_t>(static_cast<unsigned char>(unit[i])) << (24 - 8 * i);
  key |= static_cast<std::uint64_t>(normalisedMode(fontMode)) << 1;
  key |= fontBold ? 1u : 0u;
  auto& cells = cache();
  if (const auto it = cells.find(key); it != cells.end()) return it->second;
  if (cells.size() >= kCacheLimit) cells.clear();
  return cells.emplace(key, renderDot16Fresh(unit, fontMode, fontBold)).first->second;
}

void clearDot16Cache() {
  cache().clear();
}

int dot16CacheSize() {
  return static_cast<int>(cache().size());
}

}  // namespace sorane
