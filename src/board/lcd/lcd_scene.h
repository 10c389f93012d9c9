#pragma once

#include <QDateTime>
#include <QFont>
#include <QRectF>
#include <QString>
#include <array>
#include <vector>

#include "board_model.h"

namespace sorane::lcd {

// The LCD board's face in logical pixels; a view at scale N draws N times
// as many device pixels.
inline constexpr int kWidth = 960;
inline constexpr int kHeight = 540;

// The name band's language cycle and scroll.
inline constexpr qint64 kPhaseMs = 3000;
inline constexpr qint64 kScrollPauseMs = 1000;  // before and after a scroll
inline constexpr qreal kScrollPixelsPerSecond = 80;
inline constexpr qreal kMinStretch = 0.6;  // the narrowest a name is condensed
inline constexpr qint64 kMinFrameMs = 16;  // no faster than a display frame

enum class Scheme { Black, White };

// The parts of the face.
QRectF bandRect();    // the next-stop band
QRectF labelRect();   // 「次は」 and its kin, at the band's left
QRectF nameRect();    // the name beside it
QRectF tableRect();   // the fare table
QRectF bottomRect();  // headsign, night fare, clock
QRectF headsignRect();
QRectF nightRect();
QRectF clockRect();

// The board's type: BIZ UDPGothic for Japanese and Latin, a face with the
// region's own forms for Chinese and Korean.
QFont lcdFont(Language language, qreal pixelSize, bool bold = true);
// Pixel size of a name in the band.
qreal nameSize(Language language);

// The fare table's cells: `columns` across and as many rows as the cells
// need, as large as the table allows. With two tiers a column at the left of
// each row holds the tier labels.
struct CellGrid {
  int cells = 0;
  int tiers = 1;
  int columns = 1;
  int rows = 1;
  qreal labelWidth = 0;  // the tier-label column; 0 with one tier
  QSizeF cell;
  qreal fareSize = 0;    // pixel size of a fare
  qreal numberSize = 0;  // pixel size of a ticket number
  qreal numberHeight = 0;

  // Cell 1..cells, in reading order.
  QRectF cellRect(int index) const;
  QRectF numberRect(int index) const;
  // Tier 0 (cash) or 1 (IC) of a cell.
  QRectF tierRect(int index, int tier) const;
  // The label of a tier in grid row 0..rows-1.
  QRectF tierLabelRect(int row, int tier) const;
};
CellGrid cellGrid(int cells, int tiers);

// The band's words in each language.
struct BandWords {
  QString next;      // 次は
  QString terminus;  // 終点
};
BandWords bandWords(Language language);
extern const QString kSelecting;      // 「系統選別中」
extern const QString kStopping;       // 「つぎ止まります」
extern const QString kStoppingLatin;  // "Stopping"
extern const QString kCashLabel;      // 現金
extern const QString kIcLabel;        // IC
extern const QString kNightLabel;     // 深夜
extern const QString kLampDigits;     // 888

// One phase of the name band's cycle.
struct Phase {
  Language language = Language::Japanese;
  qint64 lengthMs = kPhaseMs;
  bool operator==(const Phase&) const = default;
};

// What the name band shows at one moment.
struct BandScene {
  enum class Kind { Empty, Name, StopRequest, LampTest };
  Kind kind = Kind::Empty;
  Language language = Language::Japanese;
  QString label;  // 次は, 終点, Next, ...; empty for the other kinds
  QString text;
  qreal stretch = 1;  // horizontal scale of the text, kMinStretch..1
  qreal offset = 0;   // how far a long text has scrolled, in whole device pixels
  bool operator==(const BandScene&) const = default;
};

struct TableScene {
  int cells = 0;
  bool twoTiers = false;
  bool lampTest = false;
  std::array<BoardModel::Cell, BoardModel::kCells + 1> cell{};
  std::array<QString, BoardModel::kCells + 1> label{};
  bool operator==(const TableScene&) const = default;
};

struct BottomScene {
  QString headsign;
  QString clock;  // HH:mm
  bool night = false;
  bool operator==(const BottomScene&) const = default;
};

// Everything a frame shows: drawing it needs nothing else.
struct Scene {
  bool cleared = false;
  BoardModel::Backlight backlight = BoardModel::Backlight::On1;
  BandScene band;
  TableScene table;
  BottomScene bottom;
  bool operator==(const Scene&) const = default;
};

// The phases of what the band announces now: the languages the stop has,
// each for kPhaseMs or as long as its scroll takes. One Japanese phase for
// the lamp test; Japanese and English while the stop request is lit.
std::vector<Phase> bandPhases(const BoardModel& model);
// The scene at `now` for a view at `scale`.
Scene sceneAt(const BoardModel& model, const QDateTime& now, int scale);
// Milliseconds from `now` until the scene next changes by itself (a phase,
// a scroll step, the clock's minute), never less than a display frame.
qint64 msUntilChange(const BoardModel& model, const QDateTime& now, int scale);

// The width of `text` in the board's bold type; widths are kept, since
// measuring asks the face for every glyph.
qreal textWidth(const QString& text, Language language, qreal pixelSize);
// How a text fits a width: its natural width, the stretch that fits it
// (kMinStretch at the least) and how far it must scroll at that stretch.
struct TextFit {
  qreal width = 0;
  qreal stretch = 1;
  qreal travel = 0;
};
TextFit fitText(const QString& text, Language language, qreal pixelSize, qreal available);

}  // namespace sorane::lcd
