#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "route_file.h"
#include "stop_file.h"

namespace sorane {

// The languages a stop's name can be shown in, in the order a board cycles
// through them.
enum class Language { Japanese, Reading, English, ChineseSimplified, ChineseTraditional, Korean };
inline constexpr std::array kLanguages{
    Language::Japanese,           Language::Reading, Language::English, Language::ChineseSimplified,
    Language::ChineseTraditional, Language::Korean};

// What a route's stop file adds to one stop row. An empty text is a name the
// file does not give; an IC fare left out is the cash fare.
struct StopExtras {
  QString reading;  // kana
  QString en;
  QString zhHans;
  QString zhHant;
  QString ko;
  // The IC fare of board cell 1..32 at this row; index 0 is not used.
  std::array<std::optional<std::int16_t>, 33> ic{};

  bool hasIc() const;
  bool operator==(const StopExtras&) const = default;
};

// The stop a board announces while `currentRow` (1-based) of `rowCount`
// rows is shown: the row after it, or at the last row that row itself as
// the terminus. Row 0 when there is nothing to announce.
struct NextStop {
  int row = 0;
  bool terminus = false;
  bool operator==(const NextStop&) const = default;
};
NextStop nextStopFor(int currentRow, int rowCount);

// A fare under the night-fare switch: doubled, except the -1 marker.
std::int32_t doubledAtNight(std::int32_t fare);

// The stop file's extras of fare-file rows 1..`rows`.
std::vector<StopExtras> extrasFromStops(const RouteStops& stops, int rows);

// The state of the fare board that every board style draws: the route's
// stops, the row shown, what each ticket cell holds, and the switches. It
// holds no widgets; `changed` tells the views to draw again.
class BoardModel : public QObject {
  Q_OBJECT
 public:
  static constexpr int kCells = 32;
  static constexpr int kDigitCells = 4;  // digit cells of a classic fare element
  enum class Backlight { Off, On1, On2 };

  // One ticket cell: its tiers as the classic board's digit element would
  // show the value written there (an empty text is an unlit cell).
  struct Cell {
    QString cash;
    QString ic;
    bool info = false;  // an information digit rather than a fare
    bool operator==(const Cell&) const = default;
  };

  explicit BoardModel(QObject* parent = nullptr);

  // A new route: the rows' names and ticket numbers, and the stop file's
  // extras of each row (missing rows have none). Cells, row and the lamp
  // test are left to the commands that follow.
  void setRoute(const std::vector<RouteRow>& rows, std::vector<StopExtras> extras = {});
  int rowCount() const { return static_cast<int>(names_.size()); }
  // Row 1..rowCount; an empty name and no extras outside.
  QString stopName(int row) const;
  const StopExtras& extras(int row) const;
  // The stop's name in `language`; empty when the route does not give it.
  QString stopName(int row, Language language) const;
  // Whether any row has an IC fare: the board then shows two tiers.
  bool hasIc() const { return hasIc_; }
  // The highest ticket number of the route's rows, at most 32; for a route
  // without ticket numbers, the last cell any row has a fare in.
  int highestTicket() const { return highestTicket_; }

  // The row shown, 1-based; 0 before a route is shown.
  void setCurrentRow(int row);
  int currentRow() const { return currentRow_; }
  NextStop nextStop() const { return nextStopFor(currentRow_, rowCount()); }
  // The last row's name with 「行」: what the bus shows as its destination.
  QString headsign() const;

  // How the cells' texts treat 0, -1 and short values (the classic
  // element's ZeroMode, FillZero and Shift, those of its first cell).
  void setDigitOptions(std::int16_t zeroMode, std::int16_t fillZero, std::int16_t shift);
  // The ticket-number captions of cells 1..32 (index 0 is not used).
  void setCellLabels(const std::array<QString, 33>& labels);
  const std::array<QString, 33>& cellLabels() const { return labels_; }
  QString cellLabel(int cell) const;

  // Fares of `row` (1-based, its values and its extras) into cells
  // `firstCell`..32, the IC tier from the stop file, doubled under the night
  // fare as the classic board does. Cells before `firstCell` keep what they
  // hold.
  void showFares(int row, const RouteRow& values, int firstCell);
  // An information digit: the value in the cash tier, nothing under it.
  void setInfoDigit(int cell, const QVariant& value);
  // `value` written into every cell, both tiers.
  void setAllCells(const QVariant& value);
  // Cell 1..32 as texts; an empty cell outside.
  Cell cell(int index) const;
  // What was written into cell 1..32's cash tier, as the classic element
  // takes it; invalid for a blank cell (before any value, after 表示消去).
  QVariant cellValue(int index) const;
  // How many cells the board shows: from 1 to the cell captioned with the
  // highest ticket number (every cell when the captions say nothing), and
  // at least as far as the last information digit.
  int shownCells() const;

  // The route-set test: every segment lit and 「系統選別中」. Its end writes
  // 0 into every cell, as on the classic board.
  void setLampTest(bool on);
  bool lampTest() const { return lampTest_; }
  // 表示消去: nothing shown, backlight off. Every cell is blanked.
  void setCleared(bool on);
  bool cleared() const { return cleared_; }
  void setNightFare(bool on);
  bool nightFare() const { return night_; }
  void setBacklight(Backlight b);
  Backlight backlight() const { return backlight_; }
  void setStopRequest(bool lit);
  bool stopRequest() const { return stopRequest_; }

  // When what the name band announces last changed (the stop, the stop
  // request, the lamp test, the display clear), on the program's clock: a
  // language cycle starts there.
  QDateTime announcedSince() const { return announcedSince_; }

 signals:
  void changed();
  // Cells first..last were written (or the lamp test began or ended): the
  // classic board shows them again. Comes before `changed`.
  void cellsChanged(int first, int last);
  // The ticket-number captions changed.
  void labelsChanged();

 private:
  // What was written into a cell; an invalid value is a blank tier.
  struct Written {
    QVariant cash;
    QVariant ic;
    bool info = false;
  };
  QString cellText(const QVariant& value) const;
  void announce();
  void writeAll(const Written& w);
  void cellsWritten(int first, int last);

  std::vector<QString> names_;
  std::vector<StopExtras> extras_;
  bool hasIc_ = false;
  int highestTicket_ = 0;
  int currentRow_ = 0;
  std::array<Written, kCells + 1> cells_{};
  std::array<QString, kCells + 1> labels_{};
  std::int16_t zeroMode_ = 0;
  std::int16_t fillZero_ = 0;
  std::int16_t shift_ = 0;
  bool lampTest_ = false;
  bool cleared_ = false;
  bool night_ = false;
  Backlight backlight_ = Backlight::Off;
  bool stopRequest_ = false;
  QDateTime announcedSince_;
};

}  // namespace sorane
