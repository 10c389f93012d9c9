#pragma once

#include <QByteArray>
#include <QString>

namespace sorane::cp932 {

// Unicode -> Shift-JIS (code page 932, NEC and IBM extensions included).
// A character with no code-page-932 form becomes "?" (0x3F).
QByteArray encode(const QString& text);

// Shift-JIS -> Unicode. A byte sequence that is not valid code page 932
// (a lone lead byte, an unassigned code) becomes "?".
QString decode(const QByteArray& bytes);
// The same as UTF-8 bytes.
QByteArray decodeToUtf8(const QByteArray& bytes);

// True when `byte` starts a double-byte character in code page 932.
constexpr bool isLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace sorane::cp932
