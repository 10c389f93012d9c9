#include "lcd_scene.h"

#include <QFontMetricsF>
#include <QHash>
#include <algorithm>
#include <cmath>

#include "lcd_digits.h"

namespace sorane::lcd {
namespace {

// A cell's height in fare sizes: the number strip, then each tier.
constexpr qreal kNumberEm = 0.8;
constexpr qreal kTierEm = 1.12;
constexpr qreal kCellGap = 4;
constexpr qreal kTierLabelWidth = 64;
constexpr qreal kMaxFareSize = 120;
constexpr qint64 kMinuteMs = 60000;

qint64 scrollMs(const TextFit& fit) {
  if (fit.travel <= 0) return 0;
  return 2 * kScrollPauseMs +
         static_cast<qint64>(std::ceil(fit.travel / kScrollPixelsPerSecond * 1000));
}

TextFit fitName(const QString& text, Language language) {
  return fitText(text, language, nameSize(language), nameRect().width());
}

struct WidthKey {
  QString text;
  Language language;
  int size;
  bool operator==(const WidthKey&) const = default;
};
size_t qHash(const WidthKey& k, size_t seed = 0) {
  return qHashMulti(seed, k.text, static_cast<int>(k.language), k.size);
}
constexpr qsizetype kKeptWidths = 4096;

// Scrolled distance `ms` into a phase, in whole device pixels.
qreal scrollOffset(const TextFit& fit, qint64 ms, int scale) {
  if (fit.travel <= 0 || ms <= kScrollPauseMs) return 0;
  const qreal x = std::min(fit.travel, (ms - kScrollPauseMs) * kScrollPixelsPerSecond / 1000);
  return std::floor(x * scale) / scale;
}

// Where the cycle stands at `now`: the phase and how far into it.
struct PhaseAt {
  std::size_t index = 0;
  qint64 into = 0;
};
PhaseAt phaseAt(const std::vector<Phase>& phases, const QDateTime& since, const QDateTime& now) {
  qint64 total = 0;
  for (const Phase& p : phases) total += p.lengthMs;
  qint64 t = std::max<qint64>(0, since.msecsTo(now));
  if (total > 0) t %= total;
  PhaseAt at;
  while (at.index + 1 < phases.size() && t >= phases[at.index].lengthMs) {
    t -= phases[at.index].lengthMs;
    ++at.index;
  }
  at.into = t;
  return at;
}

QString stopRequestText(Language language) {
  return language == Language::English ? kStoppingLatin : kStopping;
}

}  // namespace

const QString kSelecting = QStringLiteral("系統選別中");
const QString kStopping = QStringLiteral("つぎ止まります");
const QString kStoppingLatin = QStringLiteral("Stopping");
const QString kCashLabel = QStringLiteral("現金");
const QString kIcLabel = QStringLiteral("IC");
const QString kNightLabel = QStringLiteral("深夜");
const QString kLampDigits = QStringLiteral("888");

QRectF bandRect() {
  return {0, 0, kWidth, 168};
}
QRectF labelRect() {
  return {16, 30, 150, 108};
}
QRectF nameRect() {
  return {182, 4, 766, 160};
}
QRectF tableRect() {
  return {10, 180, 940, 298};
}
QRectF bottomRect() {
  return {0, 486, kWidth, 54};
}
QRectF headsignRect() {
  return {20, 486, 650, 54};
}
QRectF nightRect() {
  return {688, 495, 92, 36};
}
QRectF clockRect() {
  return {796, 486, 146, 54};
}

QFont lcdFont(Language language, qreal pixelSize, bool bold) {
  static const QString kFace = QStringLiteral("BIZ UDPGothic");
  QStringList families;
  switch (language) {
    case Language::ChineseSimplified:
      families << QStringLiteral("Noto Sans CJK SC");
      break;
    case Language::ChineseTraditional:
      families << QStringLiteral("Noto Sans CJK TC");
      break;
    case Language::Korean:
      families << QStringLiteral("Noto Sans CJK KR");
      break;
    default:
      break;
  }
  families << kFace;
  QFont f(kFace);
  f.setFamilies(families);
  f.setPixelSize(std::max(1, qRound(pixelSize)));
  f.setBold(bold);
  // Unhinted advances: the same layout at every scale.
  f.setHintingPreference(QFont::PreferVerticalHinting);
  return f;
}

qreal nameSize(Language language) {
  switch (language) {
    case Language::Japanese:
      return 92;
    case Language::English:
      return 80;
    default:
      return 84;
  }
}

BandWords bandWords(Language language) {
  switch (language) {
    case Language::English:
      return {QStringLiteral("Next"), QStringLiteral("Terminal")};
    case Language::ChineseSimplified:
      return {QStringLiteral("下一站"), QStringLiteral("终点站")};
    case Language::ChineseTraditional:
      return {QStringLiteral("下一站"), QStringLiteral("終點站")};
    case Language::Korean:
      return {QStringLiteral("다음"), QStringLiteral("종점")};
    default:
      return {QStringLiteral("次は"), QStringLiteral("終点")};
  }
}

qreal textWidth(const QString& text, Language language, qreal pixelSize) {
  static QHash<WidthKey, qreal> widths;
  const WidthKey key{text, language, std::max(1, qRound(pixelSize))};
  const auto it = widths.constFind(key);
  if (it != widths.cend()) return *it;
  if (widths.size() >= kKeptWidths) widths.clear();
  const qreal width = QFontMetricsF(lcdFont(language, key.size)).horizontalAdvance(text);
  widths.insert(key, width);
  return width;
}

TextFit fitText(const QString& text, Language language, qreal pixelSize, qreal available) {
  TextFit fit;
  fit.width = textWidth(text, language, pixelSize);
  // A pixel to spare on each side for rounding at any scale.
  available -= 2;
  if (fit.width <= available || fit.width <= 0) return fit;
  fit.stretch = std::max(kMinStretch, available / fit.width);
  fit.travel = std::max<qreal>(0, fit.width * fit.stretch - available);
  return fit;
}

QRectF CellGrid::cellRect(int index) const {
  const QRectF t = tableRect();
  const int row = (index - 1) / columns;
  const int column = (index - 1) % columns;
  const qreal left = t.left() + (labelWidth > 0 ? labelWidth + kCellGap : 0);
  return {left + column * (cell.width() + kCellGap), t.top() + row * (cell.height() + kCellGap),
          cell.width(), cell.height()};
}

QRectF CellGrid::numberRect(int index) const {
  const QRectF c = cellRect(index);
  return {c.left(), c.top(), c.width(), numberHeight};
}

QRectF CellGrid::tierRect(int index, int tier) const {
  const QRectF c = cellRect(index);
  const qreal h = (c.height() - numberHeight) / tiers;
  return {c.left(), c.top() + numberHeight + tier * h, c.width(), h};
}

QRectF CellGrid::tierLabelRect(int row, int tier) const {
  const QRectF t = tableRect();
  const qreal top = t.top() + row * (cell.height() + kCellGap);
  const qreal h = (cell.height() - numberHeight) / tiers;
  return {t.left(), top + numberHeight + tier * h, labelWidth, h};
}

CellGrid cellGrid(int cells, int tiers) {
  CellGrid g;
  g.cells = std::max(cells, 1);
  g.tiers = tiers > 1 ? 2 : 1;
  g.labelWidth = g.tiers > 1 ? kTierLabelWidth : 0;
  const QRectF t = tableRect();
  const qreal width = t.width() - (g.labelWidth > 0 ? g.labelWidth + kCellGap : 0);
  const qreal heightEm = kNumberEm + g.tiers * kTierEm;
  // Four digits side by side, with a little room.
  const qreal widthEm = 4 * tabularPitch(1.0) + 0.2;
  qreal best = -1;
  for (int columns = 1; columns <= g.cells; ++columns) {
    const int rows = (g.cells + columns - 1) / columns;
    const QSizeF cell((width - kCellGap * (columns - 1)) / columns,
                      (t.height() - kCellGap * (rows - 1)) / rows);
    const qreal size = std::min(cell.height() / heightEm, cell.width() / widthEm);
    if (size > best + 0.01) {
      best = size;
      g.columns = columns;
      g.rows = rows;
      g.cell = cell;
    }
  }
  g.fareSize = std::floor(std::min(best, kMaxFareSize));
  g.numberHeight = std::round(g.cell.height() * kNumberEm / heightEm);
  g.numberSize = std::floor(std::min(g.fareSize * 0.6, g.numberHeight * 0.95));
  return g;
}

std::vector<Phase> bandPhases(const BoardModel& model) {
  const NextStop next = model.nextStop();
  if (model.cleared() || model.lampTest() || next.row == 0) return {Phase{}};
  std::vector<Phase> phases;
  for (const Language language : kLanguages) {
    const QString name = model.stopName(next.row, language);
    if (language != Language::Japanese && name.isEmpty()) continue;
    if (model.stopRequest()) {
      if (language == Language::Japanese || language == Language::English)
        phases.push_back({language, kPhaseMs});
      continue;
    }
    phases.push_back({language, std::max(kPhaseMs, scrollMs(fitName(name, language)))});
  }
  return phases;
}

Scene sceneAt(const BoardModel& model, const QDateTime& now, int scale) {
  Scene s;
  s.cleared = model.cleared();
  s.backlight = model.backlight();
  if (s.cleared) return s;

  TableScene& t = s.table;
  t.cells = model.rowCount() > 0 ? model.shownCells() : 0;
  t.twoTiers = model.hasIc();
  t.lampTest = model.lampTest();
  for (int k = 1; k <= t.cells; ++k) {
    t.cell[static_cast<std::size_t>(k)] = model.cell(k);
    t.label[static_cast<std::size_t>(k)] = model.cellLabel(k);
  }

  s.bottom.headsign = model.headsign();
  s.bottom.clock = now.time().toString(QStringLiteral("H:mm"));
  s.bottom.night = model.nightFare();

  BandScene& b = s.band;
  if (model.lampTest()) {
    b.kind = BandScene::Kind::LampTest;
    b.text = kSelecting;
    return s;
  }
  const NextStop next = model.nextStop();
  if (next.row == 0) return s;
  const std::vector<Phase> phases = bandPhases(model);
  const PhaseAt at = phaseAt(phases, model.announcedSince(), now);
  b.language = phases[at.index].language;
  if (model.stopRequest()) {
    b.kind = BandScene::Kind::StopRequest;
    b.text = stopRequestText(b.language);
    return s;
  }
  b.kind = BandScene::Kind::Name;
  const BandWords words = bandWords(b.language);
  b.label = next.terminus ? words.terminus : words.next;
  b.text = model.stopName(next.row, b.language);
  const TextFit fit = fitName(b.text, b.language);
  b.stretch = fit.stretch;
  b.offset = scrollOffset(fit, at.into, scale);
  return s;
}

qint64 msUntilChange(const BoardModel& model, const QDateTime& now, int scale) {
  qint64 wait = kMinuteMs - now.time().msecsSinceStartOfDay() % kMinuteMs;
  if (model.cleared()) return -1;
  const std::vector<Phase> phases = bandPhases(model);
  const PhaseAt at = phaseAt(phases, model.announcedSince(), now);
  const Phase& phase = phases[at.index];
  TextFit fit;
  if (!model.lampTest() && !model.stopRequest() && model.nextStop().row != 0)
    fit = fitName(model.stopName(model.nextStop().row, phase.language), phase.language);
  if (phases.size() > 1 || fit.travel > 0) wait = std::min(wait, phase.lengthMs - at.into);
  if (fit.travel > 0 && at.into < kScrollPauseMs) {
    wait = std::min(wait, kScrollPauseMs - at.into);
  } else if (fit.travel > 0) {
    // The next whole device pixel of the scroll, until it has arrived.
    const qreal shown = scrollOffset(fit, at.into, scale);
    if (shown < std::floor(fit.travel * scale) / scale) {
      const qreal nextX = shown + 1.0 / scale;
      const qint64 due =
          kScrollPauseMs + static_cast<qint64>(std::ceil(nextX / kScrollPixelsPerSecond * 1000));
      wait = std::min(wait, due - at.into);
    }
  }
  return std::max(wait, kMinFrameMs);
}

}  // namespace sorane::lcd
