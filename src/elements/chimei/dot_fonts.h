#pragma once

#include <QImage>
#include <memory>

namespace sorane {

enum class DotFace { Gothic, Mincho };

// The faces the dots are sampled from: the Shinonome 16-dot bitmap fonts
// (kanji-size Gothic and Mincho, the 8 x 16 half-width Gothic), each normal
// and bold, read with FreeType; the IPA outline faces at 16 pixels,
// monochrome, for half-width Mincho and for the characters the bitmap fonts
// lack. A face whose file is missing draws nothing.
class DotFonts {
 public:
  static DotFonts& instance();
  ~DotFonts();
  DotFonts(const DotFonts&) = delete;
  DotFonts& operator=(const DotFonts&) = delete;

  // Draws the full-width character with Shift-JIS code `sjis` (lead x 256 +
  // trail) in black on `scratch`, the top-left of its 16 x 16 text cell at
  // (x, y). False when no face has the character.
  bool drawWide(DotFace face, bool bold, int sjis, QImage& scratch, int x, int y);
  // The same for a single-byte character, whose cell is 8 x 16.
  bool drawNarrow(DotFace face, bool bold, unsigned char byte, QImage& scratch, int x, int y);

 private:
  DotFonts();
  struct Faces;
  std::unique_ptr<Faces> faces_;
};

}  // namespace sorane
