#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace sorane {

// One line of an announcement file.
struct TapeEntry {
  QString Text;
  std::int16_t StepFlag = 0;
  std::int16_t SndFlag = 0;

  bool operator==(const TapeEntry&) const = default;
};

enum class TapeFileError {
  None,
  NotFound,     // no file of that name, whatever its letter case
  Unreadable,   // the file exists but cannot be read
  TooLarge,     // longer than any announcement file may be
  BadEncoding,  // bytes that are neither Shift-JIS nor UTF-8
  FieldCount,   // a line without exactly three fields
  BrokenQuote,  // an unclosed quote, or text after a closing quote
  BadFlag,      // a flag that is not a 16-bit integer
};

// Announcement files longer than this are refused: some thousand times
// what a route's announcements take.
inline constexpr qint64 kMaxTapeFileBytes = 8 << 20;

enum class TapeEncoding { ShiftJis, Utf8, Utf8WithBom };

// An announcement file read whole: its entries, or why it could not be read
// (then `entries` is empty and `line` is the 1-based line at fault, 0 when
// the fault is not one line's).
struct TapeFile {
  std::vector<TapeEntry> entries;
  TapeFileError error = TapeFileError::None;
  int line = 0;
  TapeEncoding encoding = TapeEncoding::ShiftJis;

  bool ok() const { return error == TapeFileError::None; }
};

// Reads the bytes of an announcement file: lines ended by CR LF or LF, each
// "text,step flag,sound flag". The text may be in double quotes (then it
// may hold commas); unquoted text is trimmed of blanks. Blank lines are
// skipped; any other malformed line fails the whole read. Shift-JIS unless
// the bytes start with UTF-8's byte-order mark, or are strictly valid UTF-8
// and not plain ASCII.
TapeFile parseTapeFile(const QByteArray& bytes);

// The announcement file of a route: `folder` + `route` + "tp.csv", the file
// name matched without regard to letter case.
TapeFile readTapeFile(const QString& folder, const QString& route);

}  // namespace sorane
