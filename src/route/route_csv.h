#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "route_file.h"

namespace sorane {

// Splits one CSV line into fields: double quotes may enclose a field (and
// then hold commas; "" is a quote); unquoted fields are trimmed. Sets `ok`
// to false on a quote that does not close. With `maxFields`, stops after
// one field more than that.
QStringList splitCsvLine(const QString& line, bool* ok, qsizetype maxFields = -1);

// Calls `line` with each line of `text` and its number from 1, without its
// line break, until it returns false.
void forEachLine(const QString& text, const std::function<bool(const QString&, int)>& line);

// Text of a CSV file: UTF-8 (with or without a byte-order mark) when it is
// valid UTF-8, otherwise Shift-JIS.
QString decodeCsvText(const QByteArray& bytes);
// The same text as UTF-8 bytes, the byte-order mark dropped; `fromShiftJis`
// tells whether the bytes were read as Shift-JIS.
QByteArray csvBytesAsUtf8(const QByteArray& bytes, bool* fromShiftJis = nullptr);

// A text as messages and listings show it: control characters, line and
// paragraph separators and the bidirectional controls as "\x1B" or
// "\u202E", so that a name can neither hide what follows it nor forge a
// line of its own.
QString shownText(const QString& text);

// Rows of a route CSV: stop name, ticket number, 32 fares, then optional
// columns 33..150 (an empty one is 0). Blank lines and lines starting with
// "#" are skipped. A name must fit a fare file's row (kMaxStopNameBytes in
// Shift-JIS), so the fare file made of the rows is one its readers take.
// On a problem returns false and says what and where in `error`.
bool routeFromCsv(const QByteArray& csv, std::vector<RouteRow>& rows, QString& error);

// The CSV of a route, UTF-8, with a comment line naming the columns. The
// optional columns are written up to the last one that holds a value.
QByteArray routeToCsv(const std::vector<RouteRow>& rows);

}  // namespace sorane
