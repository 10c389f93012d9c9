#include "chimei_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace sorane {
namespace {

std::vector<std::int64_t> cellTops(const ChimeiLayout& l) {
  std::vector<std::int64_t> tops;
  for (int i = 1; i <= l.cells; ++i) tops.push_back(l.unitTop(i));
  return tops;
}

using Tops = std::vector<std::int64_t>;

TEST(ChimeiLayout, CellTopsForOneToSixCells) {
  EXPECT_EQ(cellTops(chimeiLayout(2, 2)), (Tops{80}));
  EXPECT_EQ(cellTops(chimeiLayout(4, 2)), (Tops{48, 112}));
  EXPECT_EQ(cellTops(chimeiLayout(4, 1)), (Tops{32, 128}));
  EXPECT_EQ(cellTops(chimeiLayout(4, 0)), (Tops{32, 128}));
  EXPECT_EQ(cellTops(chimeiLayout(4, 3)), (Tops{32, 128}));
  EXPECT_EQ(cellTops(chimeiLayout(6, 2)), (Tops{16, 80, 144}));
  EXPECT_EQ(cellTops(chimeiLayout(8, 2)), (Tops{8, 56, 104, 152}));
  EXPECT_EQ(cellTops(chimeiLayout(10, 2)), (Tops{4, 42, 80, 118, 156}));
  EXPECT_EQ(cellTops(chimeiLayout(12, 2)), (Tops{0, 32, 64, 96, 128, 160}));
  for (int bytes = 0; bytes <= 13; ++bytes) {
    const ChimeiLayout l = chimeiLayout(bytes, 2);
    EXPECT_EQ(l.cells, bytes / 2);
    EXPECT_EQ(l.stripHeight, 192) << bytes;
    EXPECT_FALSE(l.scrolls()) << bytes;
  }
}

TEST(ChimeiLayout, StaticLayoutsLeaveEqualMarginsAboveAndBelow) {
  for (int cells = 1; cells <= 6; ++cells) {
    for (std::int16_t mode : {1, 2}) {
      const ChimeiLayout l = chimeiLayout(cells * 2, mode);
      const std::int64_t below = 192 - (l.unitTop(cells) + 32);
      EXPECT_EQ(l.unitTop(1), below) << cells << " cells, mode " << mode;
    }
  }
}

TEST(ChimeiLayout, SevenCellsOrMoreMakeATallStrip) {
  const ChimeiLayout seven = chimeiLayout(14, 2);
  EXPECT_TRUE(seven.scrolls());
  EXPECT_EQ(seven.stripHeight, 224);
  EXPECT_EQ(cellTops(seven), (Tops{0, 32, 64, 96, 128, 160, 192}));
  EXPECT_EQ(chimeiLayout(15, 1).stripHeight, 224);
  EXPECT_EQ(chimeiLayout(2000, 2).stripHeight, 32000);
  EXPECT_EQ(chimeiLayout(2000, 2).cells, 1000);
}

TEST(ChimeiLayout, OddLastByteGoesWhereTheNextCellWould) {
  EXPECT_EQ(chimeiLayout(1, 2).unitTop(1), 0);   // a single byte alone
  EXPECT_EQ(chimeiLayout(3, 2).unitTop(2), 80);  // over the one cell
  EXPECT_EQ(chimeiLayout(5, 2).unitTop(3), 176);
  EXPECT_EQ(chimeiLayout(5, 1).unitTop(3), 224);
  EXPECT_EQ(chimeiLayout(7, 2).unitTop(4), 208);
  EXPECT_EQ(chimeiLayout(9, 2).unitTop(5), 200);
  EXPECT_EQ(chimeiLayout(11, 2).unitTop(6), 194);
  EXPECT_EQ(chimeiLayout(13, 2).unitTop(7), 192);
  EXPECT_EQ(chimeiLayout(15, 2).unitTop(8), 224);
}

TEST(ChimeiLayout, NegativeOrHugeByteCountsStayInRange) {
  EXPECT_EQ(chimeiLayout(-5, 2).cells, 0);
  const ChimeiLayout huge = chimeiLayout(std::int64_t{1} << 40, 2);
  EXPECT_TRUE(huge.scrolls());
  EXPECT_GT(huge.stripHeight, 0);
}

// A scroll of a 7-cell name in a 192-pixel viewport.
class ChimeiScrollTest : public ::testing::Test {
 protected:
  ChimeiScrollTest() {
    in.stripHeight = 224;
    scroll.start(192, 1500);
  }
  ScrollInputs in;
  ChimeiScroll scroll;
};

TEST_F(ChimeiScrollTest, WaitsBelowTheViewportThenRisesAtSpeedOver200PerMillisecond) {
  EXPECT_EQ(scroll.top(), 192);
  scroll.advance(1499, in);
  EXPECT_TRUE(scroll.waiting());
  EXPECT_EQ(scroll.top(), 192);
  scroll.advance(1, in);
  EXPECT_FALSE(scroll.waiting());
  EXPECT_EQ(scroll.top(), 192);
  scroll.advance(1000, in);  // 1000 steps of 0.025 pixel
  EXPECT_NEAR(scroll.pos(), 167.0, 1e-9);
  EXPECT_EQ(scroll.top(), 167);
  scroll.advance(19, in);
  EXPECT_EQ(scroll.top(), 167);  // 166.525
  scroll.advance(2, in);
  EXPECT_EQ(scroll.top(), 166);  // 166.475
}

TEST_F(ChimeiScrollTest, TheSameTimeGivesTheSamePlaceWhateverTheTickRate) {
  ChimeiScroll a = scroll, b = scroll, c = scroll;
  ScrollInputs ia = in, ib = in, ic = in;
  for (int t = 0; t < 6100; ++t) a.advance(1, ia);
  for (int t = 0; t < 6100; t += 16) b.advance(std::min(16, 6100 - t), ib);
  for (int t = 0; t < 6; ++t) c.advance(1000, ic);
  c.advance(100, ic);
  EXPECT_EQ(a.pos(), b.pos());
  EXPECT_EQ(a.pos(), c.pos());
  EXPECT_EQ(a.top(), 192 - 115);
}

TEST_F(ChimeiScrollTest, APassEndsWhenAViewportOfBlankStripHasGoneByThenPausesAgain) {
  in.speed = 200;  // one pixel per step
  scroll.advance(1500, in);
  scroll.advance(607, in);
  EXPECT_EQ(scroll.top(), 192 - 607);  // -415: strip bottom still at -191
  EXPECT_FALSE(scroll.waiting());
  scroll.advance(1, in);  // -416 + 224 = -192: over
  EXPECT_TRUE(scroll.waiting());
  EXPECT_EQ(scroll.top(), 192);
  EXPECT_EQ(scroll.pos(), 192.0);
  EXPECT_EQ(scroll.waitLeft(), 1500);
  in.startWait = 300;  // read when the next pass ends, not now
  scroll.advance(1500, in);
  EXPECT_FALSE(scroll.waiting());
  scroll.advance(608, in);
  EXPECT_EQ(scroll.waitLeft(), 300);
}

TEST_F(ChimeiScrollTest, ZeroWaitRestartsAtOnce) {
  in.speed = 200;
  in.startWait = 0;
  scroll.start(192, 0);
  scroll.advance(608, in);
  EXPECT_EQ(scroll.top(), 192);
  scroll.advance(1, in);
  EXPECT_EQ(scroll.top(), 191);
}

TEST_F(ChimeiScrollTest, SpeedZeroBecomesOneWhenTheFirstPassBegins) {
  in.speed = 0;
  scroll.advance(1499, in);
  EXPECT_EQ(in.speed, 0);
  scroll.advance(1, in);
  EXPECT_EQ(in.speed, 1);
  scroll.advance(200, in);
  EXPECT_NEAR(scroll.pos(), 191.0, 1e-9);
  // Later passes keep a speed of 0 as it is.
  in.speed = 0;
  scroll.advance(5000, in);
  EXPECT_EQ(in.speed, 0);
  EXPECT_NEAR(scroll.pos(), 191.0, 1e-9);
  EXPECT_EQ(scroll.msUntilMove(in), -1);
  // So does a later pass that begins at 0.
  in.speed = 30000;
  scroll.advance(10, in);
  ASSERT_TRUE(scroll.waiting());
  in.speed = 0;
  scroll.advance(in.startWait + 10, in);
  EXPECT_EQ(in.speed, 0);
}

TEST_F(ChimeiScrollTest, SpeedIsReadOnEveryStep) {
  scroll.advance(1500 + 400, in);  // 10 pixels at 5
  EXPECT_EQ(scroll.top(), 182);
  in.speed = 2000;  // 10 pixels a step
  scroll.advance(3, in);
  EXPECT_EQ(scroll.top(), 152);
  in.speed = -200;  // runs down again
  scroll.advance(2, in);
  EXPECT_EQ(scroll.top(), 154);
}

TEST_F(ChimeiScrollTest, KnowsHowLongUntilTheNextWholePixel) {
  in.speed = 7;  // 0.035 pixel a step
  EXPECT_EQ(scroll.msUntilMove(in), 1500);
  scroll.advance(1000, in);
  EXPECT_EQ(scroll.msUntilMove(in), 500);
  scroll.advance(500, in);
  // 14 steps reach 191.51, still 192; the 15th, 191.475, is 191.
  EXPECT_EQ(scroll.msUntilMove(in), 15);
  scroll.advance(14, in);
  EXPECT_EQ(scroll.top(), 192);
  EXPECT_EQ(scroll.msUntilMove(in), 1);
  scroll.advance(1, in);
  EXPECT_EQ(scroll.top(), 191);
  EXPECT_EQ(scroll.msUntilMove(in), 28);  // 190.495
  in.speed = 2000;
  EXPECT_EQ(scroll.msUntilMove(in), 1);
  in.speed = -7;
  EXPECT_EQ(scroll.msUntilMove(in), 1);  // 191.51 is 192 again
}

TEST_F(ChimeiScrollTest, ANegativeWaitCountsAsNone) {
  scroll.start(192, -1);
  EXPECT_EQ(scroll.waitLeft(), 0);
  scroll.advance(40, in);
  EXPECT_EQ(scroll.top(), 191);
}

}  // namespace
}  // namespace sorane
