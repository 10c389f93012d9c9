#include "dot_fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GZIP_H

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <cmath>
#include <cstdlib>

#include "cp932.h"

namespace sorane {
namespace {

constexpr int kCellPixels = 16;

const QString kShinonomeDir = QStringLiteral("/usr/share/fonts/X11/misc/");

struct LoadedFace {
  FT_Face face = nullptr;
  // Rows from the top of the text cell down to the baseline.
  int baseline = 14;
};

// The JIS X 0208 code of a Shift-JIS pair, or 0 outside its 94 rows.
int jisX0208(int lead, int trail) {
  if (!cp932::isLeadByte(static_cast<unsigned char>(lead)) || lead > 0xEF) return 0;
  if (trail < 0x40 || trail > 0xFC || trail == 0x7F) return 0;
  int s1 = lead >= 0xE0 ? lead - 0x40 : lead;
  int row = (s1 - 0x81) * 2 + 0x21;
  int cell;
  if (trail >= 0x9F) {
    ++row;
    cell = trail - 0x7E;
  } else {
    cell = trail - (trail >= 0x80 ? 0x20 : 0x1F);
  }
  return row * 256 + cell;
}

void setBlack(QImage& scratch, int x, int y) {
  if (x < 0 || y < 0 || x >= scratch.width() || y >= scratch.height()) return;
  reinterpret_cast<QRgb*>(scratch.scanLine(y))[x] = qRgb(0, 0, 0);
}

// Renders glyph `index` one bit per pixel and sets its pixels black.
// `overstrike` widens every stroke by one pixel to the right, the way a
// bold weight is made from a face that has none.
bool blit(const LoadedFace& f, FT_UInt index, bool overstrike, QImage& scratch, int x, int y) {
  if (index == 0 || FT_Load_Glyph(f.face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
    return false;
  const FT_GlyphSlot slot = f.face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_MONO) return false;
  const int left = x + slot->bitmap_left;
  const int top = y + f.baseline - slot->bitmap_top;
  const int pitch = std::abs(bm.pitch);
  for (unsigned r = 0; r < bm.rows; ++r) {
    const unsigned char* row =
        bm.buffer + static_cast<std::size_t>(bm.pitch >= 0 ? r : bm.rows - 1 - r) * pitch;
    for (unsigned c = 0; c < bm.width; ++c) {
      if (!((row[c / 8] >> (7 - c % 8)) & 1)) continue;
      const int px = left + static_cast<int>(c);
      const int py = top + static_cast<int>(r);
      setBlack(scratch, px, py);
      if (overstrike) setBlack(scratch, px + 1, py);
    }
  }
  return true;
}

// FreeType's own allocator interface, for its gzip inflater.
void* ftAlloc(FT_Memory, long size) {
  return std::malloc(static_cast<std::size_t>(size));
}
void ftFree(FT_Memory, void* block) {
  std::free(block);
}
void* ftRealloc(FT_Memory, long, long size, void* block) {
  return std::realloc(block, static_cast<std::size_t>(size));
}

// The file's contents, inflated when gzipped. FreeType reads a .pcf.gz
// through a forward-only inflater and starts over for every glyph that lies
// behind the last one read; from memory a glyph costs next to nothing.
QByteArray readFontFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray raw = file.readAll();
  if (raw.size() < 18 || static_cast<unsigned char>(raw[0]) != 0x1F ||
      static_cast<unsigned char>(raw[1]) != 0x8B)
    return raw;
  // The gzip trailer ends with the inflated size, little-endian.
  const auto* tail = reinterpret_cast<const unsigned char*>(raw.constData() + raw.size() - 4);
  const FT_ULong size = tail[0] | (tail[1] << 8) | (tail[2] << 16) | (FT_ULong{tail[3]} << 24);
  QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
  FT_MemoryRec_ memory{nullptr, ftAlloc, ftFree, ftRealloc};
  FT_ULong outSize = size;
  if (FT_Gzip_Uncompress(&memory, reinterpret_cast<FT_Byte*>(out.data()), &outSize,
                         reinterpret_cast<const FT_Byte*>(raw.constData()),
                         static_cast<FT_ULong>(raw.size())) != 0 ||
      outSize != size)
    return {};
  return out;
}

enum class FaceKind { Bitmap, Outline };

// A face opened on first use from the first of its files that loads.
struct LazyFace {
  QStringList paths;
  FaceKind kind = FaceKind::Bitmap;
  bool tried = false;
  LoadedFace loaded;
  // The font file in memory; FreeType reads it for the face's whole life.
  QByteArray data;
};

}  // namespace

struct DotFonts::Faces {
  FT_Library library = nullptr;
  // [face][bold]
  LazyFace kanji[2][2];
  LazyFace half[2];
  LazyFace outline[2];

  Faces() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
    kanji[0][0].paths = {kShinonomeDir + QStringLiteral("shnmk16.pcf.gz")};
    kanji[0][1].paths = {kShinonomeDir + QStringLiteral("shnmk16b.pcf.gz")};
    kanji[1][0].paths = {kShinonomeDir + QStringLiteral("shnmk16min.pcf.gz")};
    kanji[1][1].paths = {kShinonomeDir + QStringLiteral("shnmk16minb.pcf.gz")};
    half[0].paths = {kShinonomeDir + QStringLiteral("shnm8x16r.pcf.gz")};
    half[1].paths = {kShinonomeDir + QStringLiteral("shnm8x16rb.pcf.gz")};
    outline[0].paths = {QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"),
                        QStringLiteral("/usr/share/fonts/truetype/fonts-japanese-gothic.ttf")};
    outline[1].paths = {QStringLiteral("/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"),
                        QStringLiteral("/usr/share/fonts/truetype/fonts-japanese-mincho.ttf")};
    outline[0].kind = outline[1].kind = FaceKind::Outline;
  }

  ~Faces() {
    for (auto& byFace : kanji)
      for (LazyFace& f : byFace) close(f);
    for (LazyFace& f : half) close(f);
    for (LazyFace& f : outline) close(f);
    if (library) FT_Done_FreeType(library);
  }

  static void close(LazyFace& f) {
    if (f.loaded.face) FT_Done_Face(f.loaded.face);
    f.loaded.face = nullptr;
  }

  const LoadedFace& get(LazyFace& f) {
    if (!f.tried) {
      f.tried = true;
      open(f);
    }
    return f.loaded;
  }

  void open(LazyFace& f) {
    if (!library) return;
    for (const QString& path : f.paths) {
      FT_Face face = nullptr;
      if (f.kind == FaceKind::Outline) {
        if (!QFile::exists(path) ||
            FT_New_Face(library, QFile::encodeName(path).constData(), 0, &face) != 0)
          continue;
        f.loaded.face = face;
        setUpOutline(f.loaded);
        return;
      }
      f.data = readFontFile(path);
      if (f.data.isEmpty() ||
          FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(f.data.constData()),
                             static_cast<FT_Long>(f.data.size()), 0, &face) != 0)
        continue;
      f.loaded.face = face;
      setUpBitmap(f.loaded);
      return;
    }
    f.data.clear();
  }

  static void setUpBitmap(LoadedFace& f) {
    // The bitmap fonts' charmap is keyed by JIS code, which FreeType does
    // not pick on its own.
    if (f.face->num_charmaps > 0) FT_Set_Charmap(f.face, f.face->charmaps[0]);
    if (f.face->num_fixed_sizes > 0) FT_Select_Size(f.face, 0);
    f.baseline = static_cast<int>(f.face->size->metrics.ascender >> 6);
  }

  static void setUpOutline(LoadedFace& f) {
    FT_Select_Charmap(f.face, FT_ENCODING_UNICODE);
    FT_Set_Pixel_Sizes(f.face, 0, kCellPixels);
    // Rounded, not FreeType's rounded-up ascender, so the baseline matches
    // the bitmap fonts' row 14.
    f.baseline = static_cast<int>(
        std::lround(f.face->ascender * static_cast<double>(kCellPixels) / f.face->units_per_EM));
  }

  // Draws the character that `bytes` encode from the outline face.
  bool drawFallback(DotFace face, bool bold, const QByteArray& bytes, QImage& scratch, int x,
                    int y) {
    const LoadedFace& f = get(outline[face == DotFace::Mincho ? 1 : 0]);
    if (!f.face) return false;
    const QList<uint> codes = cp932::decode(bytes).toUcs4();
    if (codes.size() != 1) return false;
    // The decoder's stand-in for bytes that are no character.
    if (codes[0] == '?' && bytes != "?") return false;
    return blit(f, FT_Get_Char_Index(f.face, codes[0]), bold, scratch, x, y);
  }
};

DotFonts& DotFonts::instance() {
  static DotFonts fonts;
  return fonts;
}

DotFonts::DotFonts() : faces_(std::make_unique<Faces>()) {}
DotFonts::~DotFonts() = default;

bool DotFonts::drawWide(DotFace face, bool bold, int sjis, QImage& scratch, int x, int y) {
  const int lead = (sjis >> 8) & 0xFF;
  const int trail = sjis & 0xFF;
  if (const int jis = jisX0208(lead, trail)) {
    const int fi = face == DotFace::Mincho ? 1 : 0;
    const LoadedFace* boldFace = bold ? &faces_->get(faces_->kanji[fi][1]) : nullptr;
    const bool haveBold = boldFace && boldFace->face;
    const LoadedFace& f = haveBold ? *boldFace : faces_->get(faces_->kanji[fi][0]);
    const bool overstrike = bold && !haveBold;
    if (f.face &&
        blit(f, FT_Get_Char_Index(f.face, static_cast<FT_ULong>(jis)), overstrike, scratch, x, y))
      return true;
  }
  const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
  return faces_->drawFallback(face, bold, QByteArray(bytes, 2), scratch, x, y);
}

bool DotFonts::drawNarrow(DotFace face, bool bold, unsigned char byte, QImage& scratch, int x,
                          int y) {
  // The half-width bitmap font is a Gothic design: Mincho takes the outline
  // face, whose half-width forms are 8 pixels wide at this size. The yen
  // sign and the overline (0x5C, 0x7E) have no half-width form there and
  // stay with the bitmap font.
  if (face == DotFace::Mincho && byte != 0x5C && byte != 0x7E &&
      faces_->drawFallback(face, bold, QByteArray(1, static_cast<char>(byte)), scratch, x, y))
    return true;
  const LoadedFace* boldFace = bold ? &faces_->get(faces_->half[1]) : nullptr;
  const bool haveBold = boldFace && boldFace->face;
  const LoadedFace& f = haveBold ? *boldFace : faces_->get(faces_->half[0]);
  const bool overstrike = bold && !haveBold;
  if (f.face && blit(f, FT_Get_Char_Index(f.face, byte), overstrike, scratch, x, y)) return true;
  return faces_->drawFallback(face, bold, QByteArray(1, static_cast<char>(byte)), scratch, x, y);
}

}  // namespace sorane
