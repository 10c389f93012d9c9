#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace sorane {

// One stop of a route: its name and 151 values. Values[0] is the stop's
// ticket number, Values[1..32] the fares of the 32 board cells.
struct RouteRow {
  QString StopName;
  std::array<std::int16_t, 151> Values{};
  bool operator==(const RouteRow&) const = default;
};

inline constexpr int kRouteRows = 301;
// The longest name a row's 16-bit length can state.
inline constexpr qsizetype kMaxStopNameBytes = 65535;
// The most a route file can use: the count, then 301 rows with names of the
// longest length the row record can state.
inline constexpr qint64 kMaxRouteFileBytes = 2 + kRouteRows * (2 + kMaxStopNameBytes + 151 * 2);

// What a ".hy3" file holds, or why it cannot be used.
struct RouteFile {
  enum class Status {
    Ok,
    Empty,      // the count is 0
    TooMany,    // more rows than the store holds
    Truncated,  // the file ends inside row `badRow`
    Negative,   // a negative count
  };
  Status status = Status::Ok;
  std::int16_t count = 0;  // as read; 0 when the file is shorter than 2 bytes
  int badRow = 0;          // 1-based row that runs past the end
  bool nameCut = false;    // the end fell inside that row's name
  std::vector<RouteRow> rows;
  std::vector<int> badNames;  // 1-based rows whose name is not valid Shift-JIS
  qsizetype bytesUsed = 0;    // where the last row ends
};

// Reads a route fare file: a signed 16-bit count n, then n rows of a 16-bit
// name length, the Shift-JIS name and 151 signed 16-bit values, all
// little-endian. A name that is not valid Shift-JIS keeps "?" in place of
// what cannot be read.
RouteFile parseRouteFile(const QByteArray& bytes);

// The bytes of a route fare file for `rows`, whose names each fit in
// kMaxStopNameBytes.
QByteArray encodeRouteFile(const std::vector<RouteRow>& rows);

}  // namespace sorane
