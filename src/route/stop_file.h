#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "route_file.h"

namespace sorane {

// The stop file `N.stops.csv` beside `N.hy3`: what the fare file cannot
// hold, one row per fare-file row. UTF-8 CSV with a header row; columns are
// found by name in any order and only `stop` is required.

inline constexpr int kIcCells = 32;
// No larger than a fare file may be.
inline constexpr qint64 kMaxStopFileBytes = kMaxRouteFileBytes;
// A text field holds at most what a fare file's name can: 65,535 bytes.
inline constexpr int kMaxStopTextBytes = 65535;

enum class StopLanguage { Reading, English, ChineseSimplified, ChineseTraditional, Korean };
inline constexpr int kStopLanguages = 5;
// The column of each language: "reading", "en", "zh-Hans", "zh-Hant", "ko".
QString stopLanguageColumn(StopLanguage language);

// One row of a stop file.
struct StopInfo {
  int stop = 0;                               // the fare file's row, 1..n
  QString name;                               // the fare file's name, for the eye
  std::array<QString, kStopLanguages> names;  // by StopLanguage; empty when none
  // The English name was made from the reading (column en_source "made"),
  // not given by the operator ("feed").
  bool englishMade = false;
  // The timetable's time at this stop in minutes from the day's midnight;
  // past 24:00 stays past 1440.
  std::optional<int> minutes;
  // The IC fare of board cell 1..32 (index 0..31); none: the cash fare.
  std::array<std::optional<std::int16_t>, kIcCells> ic{};

  bool operator==(const StopInfo&) const = default;
};

// The stop file of the route set, as the rest of the program reads it: by
// the fare file's row number, 1-based. A route without a stop file has an
// empty one, and every question gets "none".
class RouteStops {
 public:
  RouteStops() = default;
  // Rows in increasing `stop` order.
  explicit RouteStops(std::vector<StopInfo> rows);

  bool empty() const { return rows_.empty(); }
  const std::vector<StopInfo>& rows() const { return rows_; }
  // The file's row for fare-file row `row`; null when it has none.
  const StopInfo* row(int row) const;
  // The name of `row` in `language`; empty when there is none.
  QString name(int row, StopLanguage language) const;
  // The time at `row` in minutes from midnight; none when not given.
  std::optional<int> minutes(int row) const;
  // The IC fare in board cell `cell` (1..32) at `row`; none when it is the
  // same as the cash fare.
  std::optional<int> icFare(int row, int cell) const;
  // Whether any row has a name in `language`, a time, an IC fare.
  bool has(StopLanguage language) const;
  bool hasTimes() const;
  bool hasIcFares() const;

 private:
  std::vector<StopInfo> rows_;
  std::vector<int> index_;  // fare-file row -> position in rows_ + 1; 0 none
};

// Something to say about one line of a stop file. `message` is whole:
// "file:line: what".
struct StopFileIssue {
  int line = 0;
  QString message;
};

// A stop file read against its fare file's names.
struct StopFile {
  RouteStops stops;
  // Why the file cannot be used; `stops` is then empty.
  std::optional<StopFileIssue> error;
  // Things to check; the file is used all the same.
  std::vector<StopFileIssue> warnings;
  // The known columns found, in the file's order, and the others (ignored).
  QStringList columns;
  QStringList ignoredColumns;

  bool ok() const { return !error; }
};

// Reads a stop file for a fare file whose rows have `routeNames` (so the
// stop numbers run 1..routeNames.size()); `label` names the file in
// messages. Never throws: a bad file comes back with its error.
StopFile parseStopFile(const QByteArray& bytes, const QStringList& routeNames,
                       const QString& label);

// The columns of a stop file to fill in: every known column but
// en_source, the IC fares up to `icCells`.
QStringList stopFileColumns(int icCells);
// The columns the GTFS-JP import writes: those and en_source after en.
QStringList importedStopFileColumns(int icCells);

// A stop file of `rows` with the header `columns` (unknown ones are left
// empty): UTF-8 with a byte-order mark, so spreadsheets read it as UTF-8,
// lines ended by CR LF, fields quoted only when they must be.
QByteArray encodeStopFile(const std::vector<StopInfo>& rows, const QStringList& columns);

// A stop file to fill in for a fare file: each row's number and name, and
// IC columns up to its highest ticket number.
QByteArray stopFileTemplate(const std::vector<RouteRow>& rows);

// "N.stops.csv" beside `N.hy3` (or `N.csv`, a fare CSV): the path with its
// extension replaced.
QString stopFilePathBeside(const QString& farePath);

// "H:MM" for minutes from midnight; "25:05" past 24:00.
QString stopTimeText(int minutes);

}  // namespace sorane
