#include "dot16.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "cp932.h"

namespace sorane {
namespace {

// Expected dots as drawn in the font files ('#' lit), one line per row.
std::string art(const char* raw) {
  return std::string(raw[0] == '\n' ? raw + 1 : raw);
}

std::string artOf(const QString& unit, std::int16_t fontMode, bool bold = false) {
  return renderDot16Fresh(cp932::encode(unit), fontMode, bold).raster.art().toStdString();
}

std::string artOfBytes(const QByteArray& unit, std::int16_t fontMode = 0) {
  return renderDot16Fresh(unit, fontMode, false).raster.art().toStdString();
}

const char* const kKumoGothic = R"(
................
..############..
.......#........
.##############.
.#.....#......#.
.#.###.#.####.#.
.#.....#......#.
...###.#.####...
................
...##########...
................
.##############.
......#..#......
.....#....##....
..########..#...
.............#..
)";

const char* const kKumoMincho = R"(
................
..############..
........#.......
..#############.
..#.....#.....#.
..#####.#.####..
.#......#.......
...####.#.####..
................
...##########...
................
.##############.
......#..#......
.....#....##....
..########..#...
.............#..
)";

const char* const kKumoGothicBold = R"(
................
.#############..
......##........
###############.
##....##.....##.
##.###.#.####.#.
##....##.....##.
..####.#.####...
................
..###########...
................
###############.
.....##.##......
....##...###....
.#########.##...
............##..
)";

const char* const kKumoMinchoBold = R"(
................
.#############..
.......##.......
.##############.
.##....##....##.
.######.#.####..
##.....##.......
..#####.#.####..
................
..###########...
................
###############.
.....##.##......
....##...###....
.#########.##...
............##..
)";

const char* const kOGothic = R"(
......#.........
......#.........
......#....##...
......####...#..
..#####.......#.
......#........#
......#.........
......#####.....
....###....##...
...#..#......#..
..#...#......#..
..#...#......#..
..#..#......#...
...##.....##....
........##......
................
)";

const char* const kOMincho = R"(
....#...........
.....#..........
.....#.....#....
.....#..#...##..
.....###......#.
..####.......###
.....#..........
.....#..####....
.....###....#...
.....#.......#..
....##.......#..
.##..#.......#..
..##.#...#..#...
....##....##....
.....#..........
................
)";

TEST(DotRaster, ArtShowsRowsTopToBottomAndColumnsLeftToRight) {
  DotRaster r;
  r.set(0, 0);
  r.set(15, 1);
  r.set(3, 15);
  EXPECT_TRUE(r.lit(15, 1));
  EXPECT_FALSE(r.lit(1, 15));
  EXPECT_EQ(r.count(), 3);
  const std::string a = r.art().toStdString();
  EXPECT_EQ(a.substr(0, 34), "#...............\n...............#\n");
  EXPECT_EQ(a.substr(15 * 17), "...#............\n");
}

TEST(Dot16, OneKanjiInEachFace) {
  EXPECT_EQ(artOf(QStringLiteral("雲"), 0), art(kKumoGothic));
  EXPECT_EQ(artOf(QStringLiteral("雲"), 1), art(kKumoMincho));
}

TEST(Dot16, BoldIsSampledFromTheBoldWeightAtTheSameCellPosition) {
  EXPECT_EQ(artOf(QStringLiteral("雲"), 0, true), art(kKumoGothicBold));
  EXPECT_EQ(artOf(QStringLiteral("雲"), 1, true), art(kKumoMinchoBold));
  const DotRaster normal = renderDot16Fresh(cp932::encode(QStringLiteral("雲")), 0, false).raster;
  const DotRaster bold = renderDot16Fresh(cp932::encode(QStringLiteral("雲")), 0, true).raster;
  EXPECT_GT(bold.count(), normal.count());
  // Same rows in use: the weight changes strokes, not the cell.
  for (int r = 0; r < 16; ++r) EXPECT_EQ(normal.rows[r] != 0, bold.rows[r] != 0) << r;
}

TEST(Dot16, LongVowelIsDrawnExactlyAsTheVerticalStroke) {
  const QByteArray bar = cp932::encode(QStringLiteral("ー"));
  const QByteArray stroke = cp932::encode(QStringLiteral("丨"));
  ASSERT_EQ(bar, QByteArray("\x81\x5B"));
  EXPECT_EQ(longVowelUnit(), bar);
  EXPECT_EQ(verticalStrokeUnit(), stroke);
  for (std::int16_t mode : {-1, 0, 1, 2, 3, 4, 5, 300}) {
    for (bool bold : {false, true}) {
      const DotCell a = renderDot16Fresh(bar, mode, bold);
      const DotCell b = renderDot16Fresh(stroke, mode, bold);
      EXPECT_EQ(a.raster, b.raster) << mode << bold;
      EXPECT_FALSE(a.raster.empty());
      EXPECT_FALSE(a.turned);
    }
  }
  // The stroke stands in the middle of the cell, top to bottom.
  EXPECT_EQ(artOfBytes(bar, 0), art(R"(
................
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
.......#........
................
)"));
  // Under mode 2 the mark itself would be Mincho; the stroke is a kanji,
  // so it comes out in Gothic.
  EXPECT_EQ(renderDot16Fresh(bar, 2, false).raster, renderDot16Fresh(stroke, 0, false).raster);
  EXPECT_NE(renderDot16Fresh(bar, 2, false).raster, renderDot16Fresh(stroke, 1, false).raster);
  EXPECT_EQ(renderDot16Fresh(bar, 3, false).raster, renderDot16Fresh(stroke, 1, false).raster);
}

TEST(Dot16, BracketsArrowsTildeAndEqualsAreTurned) {
  const QString turned = QStringLiteral("（）『』〔〕「」［］＜＞｛｝〈〉《》【】～＝→←⇒⇔");
  ASSERT_EQ(turned.size(), 26);
  for (QChar ch : turned) {
    const DotCell cell = renderDot16Fresh(cp932::encode(QString(ch)), 0, false);
    EXPECT_TRUE(cell.turned) << QString(ch).toStdString();
    EXPECT_FALSE(cell.raster.empty()) << QString(ch).toStdString();
  }
  // The wave dash has the same code as the full-width tilde.
  EXPECT_TRUE(renderDot16Fresh(cp932::encode(QStringLiteral("〜")), 0, false).turned);
  for (const QString& plain : {QStringLiteral("中"), QStringLiteral("ー"), QStringLiteral("。"),
                               QStringLiteral("AB"), QStringLiteral("山"), QStringLiteral("・")})
    EXPECT_FALSE(renderDot16Fresh(cp932::encode(plain), 0, false).turned) << plain.toStdString();
  // The raster keeps the parenthesis upright; the element turns it.
  EXPECT_EQ(artOf(QStringLiteral("（"), 0), art(R"(
................
............#...
...........#....
..........#.....
.........#......
.........#......
........#.......
........#.......
........#.......
........#.......
........#.......
.........#......
.........#......
..........#.....
...........#....
............#...
)"));
}

TEST(Dot16, FullStopAndCommaMoveUpRightLosingTheirTopRows) {
  // In the font the stop sits at rows 11 to 14, columns 1 to 4.
  EXPECT_EQ(artOf(QStringLiteral("。"), 0), art(R"(
................
............##..
...........#..#.
...........#..#.
............##..
................
................
................
................
................
................
................
................
................
................
................
)"));
  EXPECT_EQ(artOf(QStringLiteral("、"), 1), art(R"(
................
................
............#...
.............#..
..............#.
..............#.
................
................
................
................
................
................
................
................
................
................
)"));
}

TEST(Dot16, ShinAndYamaMoveOneDotRightInGothicOnly) {
  const char* const yamaGothic = R"(
........#.......
........#.......
........#.......
........#.......
........#.......
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#############.
................
)";
  const char* const yamaGothicMoved = R"(
.........#......
.........#......
.........#......
.........#......
.........#......
...#.....#.....#
...#.....#.....#
...#.....#.....#
...#.....#.....#
...#.....#.....#
...#.....#.....#
...#.....#.....#
...#.....#.....#
...#.....#.....#
...#############
................
)";
  const char* const yamaMincho = R"(
........#.......
........#.......
........#.......
........#.......
........#.......
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#.....#.....#.
..#############.
..#...........#.
)";
  const QString yama = QStringLiteral("山");
  EXPECT_EQ(artOf(yama, 0), art(yamaGothicMoved));
  EXPECT_EQ(artOf(yama, 2), art(yamaGothicMoved));
  EXPECT_EQ(artOf(yama, 1), art(yamaMincho));
  EXPECT_EQ(artOf(yama, 3), art(yamaMincho));
  EXPECT_EQ(artOf(yama, 4), art(yamaMincho));
  // Other modes draw Gothic, but only 0 and 2 move it.
  EXPECT_EQ(artOf(yama, 5), art(yamaGothic));
  EXPECT_EQ(artOf(yama, -1), art(yamaGothic));

  const QByteArray shin = cp932::encode(QStringLiteral("申"));
  ASSERT_EQ(shin, QByteArray("\x90\x5C"));
  const DotRaster moved = renderDot16Fresh(shin, 0, false).raster;
  const DotRaster plain = renderDot16Fresh(shin, 7, false).raster;
  ASSERT_FALSE(plain.empty());
  for (int r = 0; r < 16; ++r)
    EXPECT_EQ(moved.rows[r], static_cast<std::uint16_t>(plain.rows[r] << 1)) << r;
  EXPECT_EQ(renderDot16Fresh(shin, 2, true).raster.rows[3],
            static_cast<std::uint16_t>(renderDot16Fresh(shin, 5, true).raster.rows[3] << 1));
}

TEST(Dot16, TwoHalfWidthCharactersShareOneCell) {
  EXPECT_EQ(artOf(QStringLiteral("AB"), 0), art(R"(
................
...#....####....
...#....#...#...
..#.#...#....#..
..#.#...#....#..
..#.#...#....#..
.#...#..#...#...
.#...#..#####...
.#...#..#....#..
.#####..#.....#.
#.....#.#.....#.
#.....#.#.....#.
#.....#.#....#..
#.....#.#####...
................
................
)"));
  EXPECT_EQ(artOf(QStringLiteral("ｱｲ"), 0), art(R"(
................
..............#.
#######.......#.
......#......#..
...#..#......#..
...#..#.....#...
...#.#.....##...
...##.....#.#...
...#.....#..#...
...#....#...#...
..#.........#...
..#.........#...
.#..........#...
#...........#...
................
................
)"));
  EXPECT_EQ(dotFaceFor(4, dotUnitCode("AB")), DotFace::Mincho);
  // One byte alone takes the left half.
  EXPECT_EQ(artOfBytes("A").substr(0, 17 * 4), art(R"(
................
...#............
...#............
..#.#...........
)"));
}

TEST(Dot16, CodesAndClasses) {
  EXPECT_EQ(dotUnitCode(cp932::encode(QStringLiteral("中"))), 0x9286);
  EXPECT_EQ(dotUnitCode("AB"), 0x41);
  EXPECT_EQ(dotUnitCode("A\x93"), 0x41);
  EXPECT_EQ(dotUnitCode("\x93"), 0x93);
  EXPECT_EQ(dotUnitCode("\x81\x31"), 0x81);
  EXPECT_EQ(dotUnitCode(QByteArray()), 0);

  EXPECT_TRUE(isKanjiClass(0x00));
  EXPECT_TRUE(isKanjiClass(0xFF));
  EXPECT_FALSE(isKanjiClass(0x8140));
  EXPECT_FALSE(isKanjiClass(0x889E));
  EXPECT_TRUE(isKanjiClass(0x889F));
  EXPECT_TRUE(isKanjiClass(0xFC4B));
  EXPECT_FALSE(isAlnumClass(0x824E));
  EXPECT_TRUE(isAlnumClass(0x824F));
  EXPECT_TRUE(isAlnumClass(0x829A));
  EXPECT_FALSE(isAlnumClass(0x829B));
  EXPECT_FALSE(isAlnumClass(0x41));
}

TEST(Dot16, FaceTableForEveryModeAndClass) {
  constexpr DotFace G = DotFace::Gothic;
  constexpr DotFace M = DotFace::Mincho;
  struct Row {
    int code;
    DotFace byMode[5];  // FontMode 0..4
  };
  const Row rows[] = {
      {0x41, {G, M, G, M, M}},                               // half-width letter: K, not A
      {0xB1, {G, M, G, M, M}},                               // half-width katakana
      {0x82A0, {G, M, M, G, M}},                             // kana: neither class
      {0x8140, {G, M, M, G, M}}, {0x889E, {G, M, M, G, M}},  // last code before the kanji rows
      {0x889F, {G, M, G, M, M}},                             // first kanji
      {0x9286, {G, M, G, M, M}}, {0xFA68, {G, M, G, M, M}},  // IBM extension kanji
      {0x824E, {G, M, M, G, M}},                             // just before the full-width digits
      {0x824F, {G, M, M, G, G}},                             // full-width 0
      {0x8260, {G, M, M, G, G}},                             // full-width A
      {0x829A, {G, M, M, G, G}},                             // full-width z
      {0x829B, {G, M, M, G, M}},
  };
  for (const Row& row : rows) {
    for (std::int16_t mode = 0; mode <= 4; ++mode)
      EXPECT_EQ(dotFaceFor(mode, row.code), row.byMode[mode])
          << std::hex << row.code << " " << mode;
    for (std::int16_t other : {-1, 5, 99, -32768, 32767})
      EXPECT_EQ(dotFaceFor(other, row.code), G) << std::hex << row.code << " " << other;
  }
}

TEST(Dot16, FaceChoiceReachesTheDots) {
  struct Case {
    QString unit;
    const char* gothic;
    const char* mincho;
    DotFace byMode[7];  // FontMode -1, 0..4, 5
  };
  constexpr DotFace G = DotFace::Gothic;
  constexpr DotFace M = DotFace::Mincho;
  const Case cases[] = {
      {QStringLiteral("雲"), kKumoGothic, kKumoMincho, {G, G, M, G, M, M, G}},
      {QStringLiteral("お"), kOGothic, kOMincho, {G, G, M, M, G, M, G}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 7; ++i) {
      const auto mode = static_cast<std::int16_t>(i - 1);
      EXPECT_EQ(artOf(c.unit, mode), art(c.byMode[i] == G ? c.gothic : c.mincho))
          << c.unit.toStdString() << " mode " << mode;
    }
  }
}

TEST(Dot16, OnlyExactlyBlackPixelsAreLit) {
  QImage scratch(16, 16, QImage::Format_RGB32);
  scratch.fill(Qt::white);
  scratch.setPixel(0, 0, qRgb(0, 0, 0));
  scratch.setPixel(1, 0, qRgb(0, 0, 1));
  scratch.setPixel(2, 0, qRgb(1, 0, 0));
  scratch.setPixel(3, 0, qRgb(0, 1, 0));
  scratch.setPixel(4, 0, qRgb(128, 128, 128));
  scratch.setPixel(15, 15, qRgb(0, 0, 0));
  DotRaster expected;
  expected.set(0, 0);
  expected.set(15, 15);
  EXPECT_EQ(sampleBlack(scratch), expected);
  // Other pixel formats are read by colour too.
  EXPECT_EQ(sampleBlack(scratch.convertToFormat(QImage::Format_RGB888)), expected);
  // Only the 16 x 16 raster is read.
  QImage big(20, 20, QImage::Format_RGB32);
  big.fill(Qt::black);
  EXPECT_EQ(sampleBlack(big).count(), 256);
}

TEST(Dot16, EmptyUnitLeavesABlankScratch) {
  const DotCell cell = renderDot16Fresh(QByteArray(), 0, true);
  EXPECT_TRUE(cell.raster.empty());
  EXPECT_FALSE(cell.turned);
  ASSERT_EQ(cell.scratch.size(), QSize(16, 16));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(cell.scratch.pixel(x, y), qRgb(255, 255, 255));
}

TEST(Dot16, ScratchHoldsTheTextInBlackOnWhite) {
  const DotCell cell = renderDot16Fresh(cp932::encode(QStringLiteral("雲")), 0, false);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      EXPECT_EQ(cell.scratch.pixel(x, y),
                cell.raster.lit(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
}

TEST(Dot16, LoneLeadBytesAndBrokenPairsLeaveTheirHalfBlank) {
  EXPECT_TRUE(renderDot16Fresh("\x93", 0, false).raster.empty());
  // "A" then the lead byte of a character cut in two.
  EXPECT_EQ(artOfBytes("A\x93"), artOfBytes("A"));
  // A lead byte before a byte that cannot trail: the second byte is a
  // character of its own, in the right half.
  EXPECT_EQ(artOfBytes("\x81\x31"), art(R"(
................
...........#....
...........#....
..........##....
.........#.#....
...........#....
...........#....
...........#....
...........#....
...........#....
...........#....
...........#....
...........#....
...........#....
................
................
)"));
}

TEST(Dot16, CharactersNoFaceHasStayDark) {
  EXPECT_TRUE(renderDot16Fresh("\x85\x40", 0, false).raster.empty());  // unassigned
  EXPECT_TRUE(renderDot16Fresh("\xF0\x40", 1, true).raster.empty());   // user-defined area
  EXPECT_TRUE(renderDot16Fresh("  ", 0, false).raster.empty());
}

TEST(Dot16, CharactersTheBitmapFontsLackComeFromTheOutlineFaces) {
  // NEC row 13: circled one, IPA Gothic and IPA Mincho at 16 pixels.
  const QByteArray circledOne = cp932::encode(QStringLiteral("①"));
  ASSERT_EQ(circledOne, QByteArray("\x87\x40"));
  EXPECT_EQ(artOfBytes(circledOne, 0), art(R"(
................
.....######.....
...###.....##...
..##...##....#..
..#...###.....#.
.##.....#.....#.
.#......#......#
.#......#......#
.#......#......#
.#......#......#
..#.....#.....#.
..#.....#.....#.
...#....#....#..
....##.....##...
......#####.....
................
)"));
  EXPECT_EQ(artOfBytes(circledOne, 1), art(R"(
................
......#####.....
....##.....##...
...#....#....#..
..#....##.....#.
.##.....#.....#.
.#......#......#
.#......#......#
.#......#......#
.#......#......#
.#......#.....#.
..#.....#.....#.
...#...###...#..
....#.......#...
.....#######....
................
)"));
  // Bold outline glyphs are widened by one dot to the right.
  const DotRaster normal = renderDot16Fresh(circledOne, 0, false).raster;
  const DotRaster bold = renderDot16Fresh(circledOne, 0, true).raster;
  for (int r = 0; r < 16; ++r)
    EXPECT_EQ(bold.rows[r], static_cast<std::uint16_t>(normal.rows[r] | (normal.rows[r] << 1)))
        << r;
  // An IBM-extension kanji.
  EXPECT_GT(renderDot16Fresh(cp932::encode(QStringLiteral("髙")), 0, false).raster.count(), 20);
}

TEST(Dot16, CachedRendersEqualFreshOnes) {
  clearDot16Cache();
  const QByteArray units[] = {cp932::encode(QStringLiteral("雲")),
                              cp932::encode(QStringLiteral("山")),
                              cp932::encode(QStringLiteral("ー")),
                              cp932::encode(QStringLiteral("（")),
                              cp932::encode(QStringLiteral("。")),
                              QByteArray("AB"),
                              QByteArray("A\x93"),
                              QByteArray("\x87\x40"),
                              QByteArray()};
  for (int pass = 0; pass < 2; ++pass) {
    for (const QByteArray& u : units) {
      for (std::int16_t mode : {-3, 0, 1, 2, 3, 4, 9}) {
        for (bool bold : {false, true}) {
          const DotCell cached = renderDot16(u, mode, bold);
          const DotCell fresh = renderDot16Fresh(u, mode, bold);
          EXPECT_EQ(cached.raster, fresh.raster) << u.toHex().toStdString() << " " << mode;
          EXPECT_EQ(cached.turned, fresh.turned);
          EXPECT_EQ(cached.scratch, fresh.scratch);
        }
      }
    }
  }
  // Modes outside 0..4 draw alike and share their entries.
  EXPECT_EQ(dot16CacheSize(), 9 * 6 * 2);
  clearDot16Cache();
  EXPECT_EQ(dot16CacheSize(), 0);
}

}  // namespace
}  // namespace sorane

namespace sorane {
namespace {

TEST(Dot16, HalfWidthCharactersTakeTheFaceChoiceToo) {
  // Single bytes are class K, outside class A: Gothic under modes 0 and 2,
  // Mincho under 1, 3 and 4, from IPA Mincho at 16 pixels.
  const std::string gothicAB = artOf(QStringLiteral("AB"), 0);
  const std::string minchoAB = art(R"(
................
................
...#.....#####..
...##.....#...#.
...##.....#...#.
..#.#.....#...#.
..#.#.....#..#..
..#..#....####..
..#..#....#...#.
..####....#....#
.#...#....#....#
.#....#...#....#
###..###.######.
................
................
................
)");
  const std::string minchoKana = art(R"(
................
................
......#......#..
.######......#..
.....#......#...
....#.......#...
...##......##...
....#.....#.#...
...#.....#..#...
...#....#...#...
...#........#...
...#........#...
..#.........#...
..#.........#...
.#..............
................
)");
  const std::string gothicKana = artOf(QStringLiteral("ｱｲ"), 0);
  ASSERT_NE(gothicAB, minchoAB);
  ASSERT_NE(gothicKana, minchoKana);
  for (std::int16_t mode : {0, 1, 2, 3, 4, 7}) {
    const bool mincho = mode == 1 || mode == 3 || mode == 4;
    EXPECT_EQ(artOf(QStringLiteral("AB"), mode), mincho ? minchoAB : gothicAB) << mode;
    EXPECT_EQ(artOf(QStringLiteral("ｱｲ"), mode), mincho ? minchoKana : gothicKana) << mode;
  }
  // Bold Mincho half-width letters are the normal ones widened by a dot.
  const DotRaster normal = renderDot16Fresh("AB", 1, false).raster;
  const DotRaster bold = renderDot16Fresh("AB", 1, true).raster;
  for (int r = 0; r < 16; ++r)
    EXPECT_EQ(bold.rows[r], static_cast<std::uint16_t>(normal.rows[r] | (normal.rows[r] << 1)));
  // The yen sign and the overline have no half-width Mincho form: the
  // bitmap font's, in every mode.
  EXPECT_EQ(artOfBytes("\\~", 1), artOfBytes("\\~", 0));
}

}  // namespace
}  // namespace sorane
