#include "lcd_board.h"

#include <gtest/gtest.h>

#include <cmath>

#include "lcd_digits.h"
#include "scripted_ui.h"

namespace sorane {
namespace {

using lcd::BandScene;

// A route of `count` stops, ticket numbers 1.., fares 10 * row in every
// cell; the stop file's extras as given.
struct LcdTest : ::testing::Test {
  test::UiScope scope;
  BoardModel model;

  void setRoute(int count, const std::vector<StopExtras>& extras = {}) {
    std::vector<RouteRow> rows(static_cast<std::size_t>(count));
    for (int r = 1; r <= count; ++r) {
      RouteRow& row = rows[static_cast<std::size_t>(r - 1)];
      row.StopName = QStringLiteral("停留所%1").arg(r);
      row.Values[0] = static_cast<std::int16_t>(r);
      for (int k = 1; k <= 32; ++k)
        row.Values[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(10 * r);
    }
    rows_ = rows;
    model.setRoute(rows, extras);
  }
  void show(int row) {
    model.setCurrentRow(row);
    model.showFares(row, rows_[static_cast<std::size_t>(row - 1)], 1);
  }
  lcd::Scene sceneAfter(qint64 ms, int scale = 1) {
    return lcd::sceneAt(model, model.announcedSince().addMSecs(ms), scale);
  }
  QImage frame(lcd::Scheme scheme = lcd::Scheme::Black, int scale = 1) {
    return lcd::renderFrame(model, scope.ui.now(), scale, scheme);
  }
  std::vector<RouteRow> rows_;
};

StopExtras names(const char* reading, const char* en, const char* zhHans, const char* zhHant,
                 const char* ko) {
  StopExtras e;
  e.reading = QString::fromUtf8(reading);
  e.en = QString::fromUtf8(en);
  e.zhHans = QString::fromUtf8(zhHans);
  e.zhHant = QString::fromUtf8(zhHant);
  e.ko = QString::fromUtf8(ko);
  return e;
}

// Pixels of `image` in the logical rectangle `r` that are `color`.
int countColor(const QImage& image, const QRectF& r, QColor color) {
  const qreal s = image.devicePixelRatio();
  const QRect px = QRectF(r.topLeft() * s, r.size() * s).toAlignedRect() & image.rect();
  int n = 0;
  for (int y = px.top(); y <= px.bottom(); ++y)
    for (int x = px.left(); x <= px.right(); ++x) n += QColor(image.pixel(x, y)) == color;
  return n;
}

TEST_F(LcdTest, BandAnnouncesTheNextRowAndTheTerminusAtTheLast) {
  setRoute(25);
  struct Row {
    int current;
    const char* label;
    const char* name;
  };
  const Row rows[] = {{1, "次は", "停留所2"}, {12, "次は", "停留所13"}, {25, "終点", "停留所25"}};
  for (const Row& r : rows) {
    show(r.current);
    const BandScene band = sceneAfter(0).band;
    EXPECT_EQ(band.kind, BandScene::Kind::Name);
    EXPECT_EQ(band.label, QString::fromUtf8(r.label)) << r.current;
    EXPECT_EQ(band.text, QString::fromUtf8(r.name)) << r.current;
  }
  EXPECT_EQ(sceneAfter(0).bottom.headsign, QStringLiteral("停留所25行"));
}

TEST_F(LcdTest, NamesCycleThroughTheLanguagesTheStopHasOnTheProgramsClock) {
  std::vector<StopExtras> extras(3);
  extras[1] = names("ていりゅうじょに", "Stop Two", "", "", "정류장 2");  // no Chinese
  extras[2] = names("しゅうてん", "", "", "", "");                        // kana only
  setRoute(3, extras);
  LcdBoard board(model);
  struct Row {
    int current;
    qint64 ms;
    Language language;
    const char* label;
    const char* text;
  };
  const Row rows[] = {
      {1, 0, Language::Japanese, "次は", "停留所2"},
      {1, 2999, Language::Japanese, "次は", "停留所2"},
      {1, 3000, Language::Reading, "次は", "ていりゅうじょに"},
      {1, 6000, Language::English, "Next", "Stop Two"},
      {1, 9000, Language::Korean, "다음", "정류장 2"},
      {1, 12000, Language::Japanese, "次は", "停留所2"},
      {2, 0, Language::Japanese, "次は", "停留所3"},
      {2, 3000, Language::Reading, "次は", "しゅうてん"},
      {2, 6000, Language::Japanese, "次は", "停留所3"},
      {3, 0, Language::Japanese, "終点", "停留所3"},
      {3, 3000, Language::Reading, "終点", "しゅうてん"},
  };
  int current = 0;
  for (const Row& r : rows) {
    if (r.current != current) {
      scope.ui.clockMs = 100000 * r.current;  // a new stop starts in Japanese
      show(r.current);
      current = r.current;
      EXPECT_EQ(board.msToNextChange(), 3000);
    }
    scope.ui.clockMs = 100000 * r.current + r.ms;
    board.tick();
    const BandScene& band = board.scene().band;
    EXPECT_EQ(band.language, r.language) << r.current << " at " << r.ms;
    EXPECT_EQ(band.label, QString::fromUtf8(r.label)) << r.current << " at " << r.ms;
    EXPECT_EQ(band.text, QString::fromUtf8(r.text)) << r.current << " at " << r.ms;
  }
}

TEST_F(LcdTest, WithoutTheStopFileOnlyJapaneseAndOnlyTheClockWakesTheBoard) {
  setRoute(5);
  scope.ui.clockMs = 20000;  // 10:05:20
  show(2);
  LcdBoard board(model);
  EXPECT_EQ(board.msToNextChange(), 40000);
  scope.ui.clockMs = 60000;
  board.tick();
  EXPECT_EQ(board.scene().band.language, Language::Japanese);
  EXPECT_EQ(board.scene().bottom.clock, QStringLiteral("10:06"));
  EXPECT_EQ(board.msToNextChange(), 60000);
}

// The first and last columns of logical `r` holding pixels of `color`.
std::pair<qreal, qreal> inkColumns(const QImage& image, const QRectF& r, QColor color) {
  const qreal s = image.devicePixelRatio();
  int first = -1;
  int last = -1;
  for (int x = static_cast<int>(r.left() * s); x < static_cast<int>(r.right() * s); ++x)
    for (int y = static_cast<int>(r.top() * s); y < static_cast<int>(r.bottom() * s); ++y)
      if (QColor(image.pixel(x, y)) == color) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first / s, (last + 1) / s};
}

TEST_F(LcdTest, LongNamesAreCondensedThenScrolledNeverCut) {
  std::vector<StopExtras> extras(2);
  extras[1].reading =
      QStringLiteral("そらねしりつだいにちゅうがっこうまえそらねえきゆきのりばひがしぐち");
  setRoute(2, extras);
  show(1);
  EXPECT_EQ(sceneAfter(0).band.stretch, 1.0);  // 停留所2 fits
  const lcd::TextFit reading =
      lcd::fitText(extras[1].reading, Language::Reading, lcd::nameSize(Language::Reading),
                   lcd::nameRect().width());
  ASSERT_GT(reading.travel, 0);
  const qint64 scrollMs = 2000 + static_cast<qint64>(std::ceil(reading.travel / 80 * 1000));
  const std::vector<lcd::Phase> phases = lcd::bandPhases(model);
  ASSERT_EQ(phases.size(), 2u);
  EXPECT_EQ(phases[0].lengthMs, 3000);
  EXPECT_EQ(phases[1].lengthMs, scrollMs);  // the phase lasts as long as its scroll
  for (int scale : {1, 2, 3}) {
    struct Row {
      qint64 into;
      qreal offset;  // before rounding to the scale's pixels
    };
    const Row rows[] = {{0, 0},
                        {1000, 0},
                        {1500, 40},
                        {2000, 80},
                        {scrollMs - 1000, reading.travel},
                        {scrollMs - 1, reading.travel}};
    for (const Row& r : rows) {
      const BandScene band = sceneAfter(3000 + r.into, scale).band;
      EXPECT_EQ(band.language, Language::Reading);
      EXPECT_EQ(band.stretch, lcd::kMinStretch);
      EXPECT_EQ(band.offset, std::floor(r.offset * scale) / scale) << scale << " " << r.into;
    }
  }
  // The first character shows at the start and the last at the end.
  const lcd::Palette c = lcd::palette(lcd::Scheme::Black, model.backlight());
  const QRectF name = lcd::nameRect();
  for (int scale : {1, 2}) {
    const auto at = [&](qint64 into) {
      return inkColumns(lcd::renderFrame(model, model.announcedSince().addMSecs(3000 + into), scale,
                                         lcd::Scheme::Black),
                        name, c.name);
    };
    const auto [startLeft, startRight] = at(0);
    EXPECT_GT(startLeft, name.left() + 1) << scale;
    EXPECT_GT(startRight, name.right() - 20) << scale;  // runs on past the band
    const auto [endLeft, endRight] = at(scrollMs - 500);
    EXPECT_LE(endLeft, name.left() + 1) << scale;
    EXPECT_LT(endRight, name.right() - 1) << scale;
    EXPECT_GT(endRight, name.right() - 40) << scale;
  }
  // A name a little too long is only condensed.
  const lcd::TextFit condensed = lcd::fitText(QStringLiteral("ソラネ駅前バスターミナル"),
                                              Language::Japanese, 92, name.width());
  EXPECT_GT(condensed.stretch, lcd::kMinStretch);
  EXPECT_LT(condensed.stretch, 1.0);
  EXPECT_EQ(condensed.travel, 0);
}

TEST_F(LcdTest, CellsFillTheTableAsLargeAsFits) {
  struct Row {
    int cells, tiers, columns, rows;
  };
  const Row rows[] = {{10, 1, 5, 2}, {10, 2, 5, 2}, {32, 1, 8, 4}, {32, 2, 8, 4}, {1, 1, 1, 1}};
  for (const Row& r : rows) {
    const lcd::CellGrid g = lcd::cellGrid(r.cells, r.tiers);
    EXPECT_EQ(g.columns, r.columns) << r.cells << "x" << r.tiers;
    EXPECT_EQ(g.rows, r.rows) << r.cells << "x" << r.tiers;
    const QRectF table = lcd::tableRect().adjusted(-0.01, -0.01, 0.01, 0.01);
    for (int k = 1; k <= r.cells; ++k) {
      const QRectF c = g.cellRect(k);
      EXPECT_TRUE(table.contains(c)) << k;
      if (k > 1) {
        EXPECT_FALSE(c.intersects(g.cellRect(k - 1))) << k;
      }
      // Four digits and a digit's height fit every tier.
      EXPECT_LE(4 * lcd::tabularPitch(g.fareSize), c.width()) << k;
      EXPECT_LE(g.fareSize, g.tierRect(k, r.tiers - 1).height()) << k;
    }
    // The tier labels sit left of the first column only with two tiers.
    EXPECT_EQ(g.labelWidth > 0, r.tiers == 2);
    if (r.tiers == 2) {
      EXPECT_LE(g.tierLabelRect(0, 1).right(), g.cellRect(1).left());
    }
  }
  // Fewer cells are larger.
  EXPECT_GT(lcd::cellGrid(10, 1).fareSize, lcd::cellGrid(32, 1).fareSize);
  EXPECT_GT(lcd::cellGrid(32, 1).fareSize, lcd::cellGrid(32, 2).fareSize);
}

TEST_F(LcdTest, TwoTiersWithIcFaresOneWithout) {
  for (bool ic : {false, true}) {
    std::vector<StopExtras> extras(10);
    if (ic) extras[3].ic[1] = 38;
    setRoute(10, extras);
    show(4);
    const lcd::Scene s = sceneAfter(0);
    EXPECT_EQ(s.table.cells, 10);
    EXPECT_EQ(s.table.twoTiers, ic);
    EXPECT_EQ(s.table.cell[1].cash, QStringLiteral("40"));
    EXPECT_EQ(s.table.cell[1].ic, ic ? QStringLiteral("38") : QStringLiteral("40"));
    const QImage img = frame(lcd::Scheme::Black, 2);
    const lcd::Palette c = lcd::palette(lcd::Scheme::Black, model.backlight());
    const lcd::CellGrid g = lcd::cellGrid(10, ic ? 2 : 1);
    // The labels 現金 and IC at the left of each row of cells.
    for (int row = 0; row < 2; ++row) {
      EXPECT_EQ(countColor(img, g.tierLabelRect(row, 0).adjusted(2, 8, -2, -8), c.cashLabel) > 0,
                ic);
      EXPECT_EQ(countColor(img, g.tierLabelRect(row, 1).adjusted(2, 8, -2, -8), c.icLabel) > 0, ic);
    }
    // Every fare of every tier is drawn in its tier's colour.
    for (int k = 1; k <= 10; ++k) {
      EXPECT_GT(countColor(img, g.tierRect(k, 0), c.cash), 20) << k;
      if (ic) {
        EXPECT_GT(countColor(img, g.tierRect(k, 1), c.ic), 20) << k;
      }
    }
  }
}

TEST_F(LcdTest, LampTestShowsSelectingAnd888InEveryCellAndTier) {
  std::vector<StopExtras> extras(12);
  extras[0].ic[2] = 1;
  setRoute(12, extras);
  show(3);
  model.setLampTest(true);
  const lcd::Scene s = sceneAfter(0);
  EXPECT_EQ(s.band.kind, BandScene::Kind::LampTest);
  EXPECT_EQ(s.band.text, QStringLiteral("系統選別中"));
  EXPECT_TRUE(s.table.lampTest);
  const QImage lamp = frame();

  // The same cell holding 888 as a value looks the same in both tiers.
  BoardModel eights;
  eights.setRoute(rows_, extras);
  eights.setInfoDigit(5, 888);
  const QImage reference = lcd::renderFrame(eights, scope.ui.now(), 1, lcd::Scheme::Black);
  const lcd::CellGrid g = lcd::cellGrid(12, 2);
  const QRect cashTier = g.tierRect(5, 0).toAlignedRect();
  EXPECT_EQ(lamp.copy(cashTier), reference.copy(cashTier));
  const lcd::Palette c = lcd::palette(lcd::Scheme::Black, model.backlight());
  for (int k = 1; k <= 12; ++k)
    for (int tier = 0; tier < 2; ++tier)
      EXPECT_GT(countColor(lamp, g.tierRect(k, tier), tier ? c.ic : c.cash), 30)
          << k << " " << tier;

  // Its end leaves 0 in every cell, blank under ZeroMode 0.
  model.setLampTest(false);
  EXPECT_EQ(sceneAfter(0).band.kind, BandScene::Kind::Name);
  EXPECT_EQ(model.cell(7).cash, QString());
}

TEST_F(LcdTest, DisplayClearIsAllBlack) {
  setRoute(10);
  show(3);
  model.setBacklight(BoardModel::Backlight::On2);
  for (lcd::Scheme scheme : {lcd::Scheme::Black, lcd::Scheme::White}) {
    model.setCleared(true);
    for (int scale : {1, 2}) {
      const QImage img = frame(scheme, scale);
      ASSERT_EQ(img.size(), QSize(960 * scale, 540 * scale));
      QImage black(img.size(), img.format());
      black.fill(Qt::black);
      black.setDevicePixelRatio(scale);
      EXPECT_TRUE(img == black) << scale;
    }
    model.setCleared(false);
    EXPECT_GT(
        countColor(frame(scheme), lcd::bandRect(), lcd::palette(scheme, model.backlight()).name),
        200);
  }
}

TEST_F(LcdTest, SchemesAndBacklight) {
  setRoute(10);
  show(3);
  struct Row {
    lcd::Scheme scheme;
    BoardModel::Backlight backlight;
    QColor background;
  };
  const Row rows[] = {
      {lcd::Scheme::Black, BoardModel::Backlight::On2, QColor(0, 0, 0)},
      {lcd::Scheme::White, BoardModel::Backlight::On2, QColor(255, 255, 255)},
      {lcd::Scheme::White, BoardModel::Backlight::On1, QColor(217, 217, 217)},
      {lcd::Scheme::White, BoardModel::Backlight::Off, QColor(77, 77, 77)},
  };
  for (const Row& r : rows) {
    model.setBacklight(r.backlight);
    const QImage img = frame(r.scheme);
    EXPECT_EQ(QColor(img.pixel(5, 100)), r.background);
    EXPECT_EQ(QColor(img.pixel(955, 175)), r.background);
  }
  // The fares dim with the rest.
  const lcd::Palette off = lcd::palette(lcd::Scheme::Black, BoardModel::Backlight::Off);
  EXPECT_EQ(off.cash, QColor(77, 65, 21));
}

TEST_F(LcdTest, StopRequestFillsTheBandInRed) {
  std::vector<StopExtras> extras(3);
  extras[1] = names("", "Stop Two", "", "", "");
  setRoute(3, extras);
  show(1);
  model.setBacklight(BoardModel::Backlight::On2);
  model.setStopRequest(true);
  EXPECT_EQ(sceneAfter(0).band.kind, BandScene::Kind::StopRequest);
  EXPECT_EQ(sceneAfter(0).band.text, QStringLiteral("つぎ止まります"));
  EXPECT_EQ(sceneAfter(3000).band.text, QStringLiteral("Stopping"));
  EXPECT_EQ(sceneAfter(6000).band.text, QStringLiteral("つぎ止まります"));
  for (lcd::Scheme scheme : {lcd::Scheme::Black, lcd::Scheme::White}) {
    const QImage img = frame(scheme);
    const QColor red(216, 20, 28);
    EXPECT_EQ(QColor(img.pixel(3, 3)), red);
    EXPECT_EQ(QColor(img.pixel(956, 164)), red);
    EXPECT_GT(countColor(img, lcd::bandRect(), Qt::white), 1000);
  }
}

TEST_F(LcdTest, NightFareShowsInTheBottomBand) {
  setRoute(4);
  show(2);
  EXPECT_FALSE(sceneAfter(0).bottom.night);
  model.setNightFare(true);
  EXPECT_TRUE(sceneAfter(0).bottom.night);
  const lcd::Palette c = lcd::palette(lcd::Scheme::Black, model.backlight());
  EXPECT_GT(countColor(frame(), lcd::nightRect(), c.night), 500);
}

TEST_F(LcdTest, EdgesFallOnDevicePixelsAtEveryScale) {
  setRoute(10);
  show(3);
  const lcd::Palette c = lcd::palette(lcd::Scheme::Black, model.backlight());
  const lcd::CellGrid g = lcd::cellGrid(10, 1);
  for (int scale : {1, 2, 3}) {
    const QImage img = frame(lcd::Scheme::Black, scale);
    EXPECT_EQ(img.devicePixelRatio(), scale);
    for (int k : {1, 7}) {
      const QRectF cell = g.cellRect(k);
      const int left = static_cast<int>(std::round(cell.left() * scale));
      const int y = static_cast<int>((cell.top() + g.numberHeight + 4) * scale);
      EXPECT_EQ(QColor(img.pixel(left, y)), c.cell) << scale << " " << k;
      EXPECT_EQ(QColor(img.pixel(left - 1, y)), c.background) << scale << " " << k;
    }
  }
}

TEST_F(LcdTest, OnlyThePartsThatChangedAreDrawnAgain) {
  std::vector<StopExtras> extras(3);
  extras[1] = names("ていりゅうじょに", "", "", "", "");
  setRoute(3, extras);
  show(1);
  lcd::Renderer r;
  const QDateTime t0 = model.announcedSince();
  EXPECT_EQ(r.render(lcd::sceneAt(model, t0, 1), lcd::Scheme::Black, 1), QRegion(0, 0, 960, 540));
  EXPECT_TRUE(r.render(lcd::sceneAt(model, t0.addMSecs(100), 1), lcd::Scheme::Black, 1).isEmpty());
  EXPECT_EQ(r.render(lcd::sceneAt(model, t0.addMSecs(3000), 1), lcd::Scheme::Black, 1),
            QRegion(lcd::bandPart()));
  // The next minute, in the same phase: the clock.
  EXPECT_EQ(r.render(lcd::sceneAt(model, t0.addMSecs(63000), 1), lcd::Scheme::Black, 1),
            QRegion(lcd::bottomPart()));
  model.showFares(2, rows_[1], 1);
  EXPECT_EQ(r.render(lcd::sceneAt(model, t0.addMSecs(63000), 1), lcd::Scheme::Black, 1),
            QRegion(lcd::tablePart()));
  // A frame drawn in parts equals one drawn whole.
  EXPECT_EQ(r.frame(), lcd::renderFrame(model, t0.addMSecs(63000), 1, lcd::Scheme::Black));
}

TEST_F(LcdTest, AScrollStepRedrawsOnlyTheNamesRowsAndEqualsAWholeFrame) {
  std::vector<StopExtras> extras(2);
  extras[1].reading =
      QStringLiteral("そらねしりつだいにちゅうがっこうまえそらねえきゆきのりばひがしぐち");
  setRoute(2, extras);
  show(1);
  const QDateTime t0 = model.announcedSince().addMSecs(3000 + 1000);
  for (int scale : {1, 2}) {
    lcd::Renderer r;
    r.render(lcd::sceneAt(model, t0, scale), lcd::Scheme::Black, scale);
    for (qint64 ms : {13, 26, 500, 1500}) {
      const QRegion drawn =
          r.render(lcd::sceneAt(model, t0.addMSecs(ms), scale), lcd::Scheme::Black, scale);
      const QRect box = drawn.boundingRect();
      EXPECT_EQ(drawn.rectCount(), 1) << scale << " " << ms;
      EXPECT_EQ(box.left(), lcd::nameRect().left()) << scale << " " << ms;
      EXPECT_EQ(box.right(), lcd::nameRect().right() - 1) << scale << " " << ms;
      EXPECT_GT(box.top(), lcd::nameRect().top()) << scale << " " << ms;
      EXPECT_LT(box.bottom(), lcd::nameRect().bottom() - 1) << scale << " " << ms;
      EXPECT_EQ(r.frame(), lcd::renderFrame(model, t0.addMSecs(ms), scale, lcd::Scheme::Black))
          << scale << " " << ms;
    }
  }
}

TEST_F(LcdTest, BoardIsABorderlessWindowOf960By540) {
  setRoute(3);
  show(1);
  LcdBoard board(model);
  EXPECT_EQ(board.size(), QSize(960, 540));
  EXPECT_TRUE(board.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(board.isWindow());
  board.setScheme(lcd::Scheme::White);
  EXPECT_EQ(board.grabFrame(), frame(lcd::Scheme::White));
}

}  // namespace
}  // namespace sorane
