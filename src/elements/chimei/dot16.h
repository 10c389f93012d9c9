#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

#include "dot_fonts.h"

namespace sorane {

// One cell's 16 x 16 dots: bit c of rows[r] is the dot in column c, row r.
struct DotRaster {
  std::array<std::uint16_t, 16> rows{};

  bool lit(int column, int row) const { return (rows[row] >> column) & 1u; }
  void set(int column, int row) { rows[row] |= static_cast<std::uint16_t>(1u << column); }
  bool empty() const;
  int count() const;
  // Sixteen lines of '#' (lit) and '.', each ended by a line feed.
  QString art() const;
  bool operator==(const DotRaster&) const = default;
};

// A unit as drawn: the scratch raster, its lit pixels, and whether the unit
// is turned into its vertical-writing form.
struct DotCell {
  QImage scratch;
  DotRaster raster;
  bool turned = false;
};

// How the special-character table treats a unit: the text drawn on the
// scratch raster, where its text cell goes, whether it is turned.
struct DotSpecial {
  QByteArray text;
  int dx = 0;
  int dy = 0;
  bool turned = false;
};

// The unit's Shift-JIS code: its first character's, lead x 256 + trail for
// a double-byte character, else the first byte.
int dotUnitCode(const QByteArray& unit);
// Class K: single bytes and the kanji rows from 0x889F.
bool isKanjiClass(int code);
// Class A: full-width digits and letters, 0x824F to 0x829A.
bool isAlnumClass(int code);
// The face `FontMode` gives a unit with this code.
DotFace dotFaceFor(std::int16_t fontMode, int code);
DotSpecial dotSpecialFor(const QByteArray& unit, std::int16_t fontMode);

// Shift-JIS forms of the long-vowel mark and the stroke drawn for it.
const QByteArray& longVowelUnit();
const QByteArray& verticalStrokeUnit();

// Lit pixels of a scratch raster: only exactly black ones count.
DotRaster sampleBlack(const QImage& scratch);

// Draws one display unit (its CP932 bytes) on a white 16 x 16 scratch raster
// and samples it. Two single-byte characters stand side by side; a lead byte
// without its trail leaves its half blank.
DotCell renderDot16Fresh(const QByteArray& unit, std::int16_t fontMode, bool fontBold);
// The same, from a cache of earlier renders.
DotCell renderDot16(const QByteArray& unit, std::int16_t fontMode, bool fontBold);
void clearDot16Cache();
int dot16CacheSize();

}  // namespace sorane
