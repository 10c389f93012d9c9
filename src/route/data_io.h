#pragma once

#include <QSet>
#include <QString>
#include <QVariant>
#include <array>
#include <cstdint>

#include "route_file.h"
#include "stop_file.h"

namespace sorane {

// The route-data store and the route state the panel's commands share.
class DataIo {
 public:
  DataIo() { ClearRouteData(); }

  // Rows 1..301; index 0 is not used.
  std::array<RouteRow, kRouteRows + 1> RouteData;
  QString RouteText;              // the route digits as entered, zeros kept
  std::int16_t StartSection = 0;  // 1..300
  std::int16_t RouteCount = 0;    // the count of the last file whose count was read
  std::int16_t CurrentIndex = 0;  // 0-based; the row shown is CurrentIndex + 1

  // How many rows the last accepted file put into the store (0 before any).
  int storedRows() const { return storedRows_; }
  // The last row stepping may reach: the file's count, never past what the
  // store really holds.
  int lastRow() const;

  void ClearRouteData();
  // Column 1 the stop name, 2 Values(0), 3..152 Values(1..150); anything
  // else, or a row outside 1..301, is run-time error 9.
  void SetRouteCell(int row, int column, const QVariant& value);
  // Row 1..301; run-time error 9 otherwise.
  RouteRow& row(int row);

  // Loads the route `RouteText` from `folder` with `StartSection` already
  // clamped. A refused file shows its message, leaves the store as it was,
  // and returns false. An accepted one brings its stop file along.
  bool LoadRouteFile(const QString& folder);

  // The stop file of the route set (N.stops.csv beside N.hy3): names in
  // other languages, the timetable's times, IC fares. Empty when the route
  // has none or its file could not be used.
  const RouteStops& stops() const { return stops_; }

  // "00012" -> "12", "" -> "0".
  static QString routeBaseName(const QString& routeText);
  // A folder text with "/" appended unless it is empty or ends in "/".
  static QString withSlash(const QString& folder);

 private:
  // Reads the stop file beside `routePath` for the rows just loaded. A
  // problem is shown once for each state of the file; a bad file leaves
  // the route without one.
  void loadStopFile(const QString& routePath);

  int storedRows_ = 0;
  RouteStops stops_;
  QSet<QString> reported_;
};

// Messages of a refused route file.
namespace route_messages {
inline const QString kMissing = QStringLiteral("指定した系統のデータがありません...");
inline const QString kEmpty =
    QStringLiteral("指定した系統はデータの数が0(未登録)の可能性があります...");
inline const QString kSectionTooBig = QStringLiteral(
    "指定した区間はデータの数よりも多いです...\r\n  解決法：正しい区間を入力して下さい.");
QString tooMany(int count);
QString truncated(int row, bool inName);
// A stop file that is not used, and one used with things to check; each
// line names the file and the line.
QString stopFileRefused(const QString& where);
QString stopFileWarned(const QStringList& lines);
}  // namespace route_messages

}  // namespace sorane
