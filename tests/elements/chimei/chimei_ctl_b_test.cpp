#include "chimei_ctl_b.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTimer>
#include <climits>
#include <functional>

#include "chimei_support.h"
#include "property_bag.h"
#include "scripted_ui.h"

namespace sorane {
namespace {

using test::expectedStrip;
using test::PlacedUnit;
using test::sjis;

constexpr ColorRef kFore = ChimeiCtl_B::kDefaultForeColor;
constexpr ColorRef kBack = ChimeiCtl_B::kDefaultBackColor;
const QString kSeven = QStringLiteral("東京駅八重洲口");                             // 7 cells
const QString kTwenty = QStringLiteral("東京駅八重洲口前バスターミナル行き直通便");  // 20

QRgb rgb(ColorRef c) {
  return toQColor(c).rgb();
}

// Tops of the cells of a name of full blocks, read off the strip: the block
// fills rows 1 to 14 of its raster.
std::vector<int> blockTops(const QImage& strip, ColorRef fore) {
  std::vector<int> tops;
  int last = -1000;
  for (int y = 0; y < strip.height(); ++y) {
    if (strip.pixel(6, y) != rgb(fore)) continue;
    if (y - last > 2) tops.push_back(y - 2);
    last = y;
  }
  return tops;
}

// Counts the strip's moves: each one is a repaint.
class MoveCounter : public QObject {
 public:
  int moves = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Move) ++moves;
    return false;
  }
};

class ChimeiCtlTest : public ::testing::Test {
 protected:
  ChimeiCtlTest() {
    el.InitProperties();
    el.show();
  }

  // Runs `ms` of virtual time in ticks of `tick` ms, as the timer would.
  void advance(int ms, int tick = 16) {
    while (ms > 0) {
      const int d = std::min(tick, ms);
      ui().clockMs += d;
      ms -= d;
      el.scrollTick();
    }
  }
  test::ScriptedUi& ui() { return uiScope.ui; }
  const QImage& strip() { return el.Picture1()->surface(); }
  int top() { return el.Picture1()->y(); }

  test::UiScope uiScope;
  ChimeiCtl_B el;
};

TEST_F(ChimeiCtlTest, DefaultsAndSurfaces) {
  EXPECT_EQ(el.BackColor(), 0x808080u);
  EXPECT_EQ(el.ForeColor(), 0x00BEFFu);
  EXPECT_EQ(el.Speed(), 5);
  EXPECT_EQ(el.ScrollStartWait(), 1500);
  EXPECT_EQ(el.Mode(), 2);
  EXPECT_EQ(el.Appearance(), 1);
  EXPECT_EQ(el.FontMode(), 0);
  EXPECT_FALSE(el.FontBold());
  EXPECT_EQ(el.size(), QSize(35, 192));
  EXPECT_EQ(el.Picture2()->geometry(), QRect(0, 0, 36, 192));
  EXPECT_EQ(el.Picture1()->geometry(), QRect(0, 0, 37, 192));
  EXPECT_EQ(strip().size(), QSize(37, 192));
  EXPECT_EQ(test::countColour(strip(), rgb(kBack)), 37 * 192);
  EXPECT_EQ(el.Picture2()->palette().color(QPalette::Window), QColor(128, 128, 128));
  EXPECT_EQ(el.Picture3().size(), QSize(16, 16));
  EXPECT_FALSE(el.scrolling());
  EXPECT_FALSE(el.scrollTimer()->isActive());
}

TEST_F(ChimeiCtlTest, PropertiesAtTheirDefaultsAreNotStored) {
  PropertyBag bag;
  el.WriteProperties(bag);
  EXPECT_TRUE(bag.keys().isEmpty());
}

TEST_F(ChimeiCtlTest, PropertiesAreSavedAndLoadedUnderTheirKeys) {
  el.setBackColor(0x102030);
  el.setForeColor(0x0080C0FF);
  el.setSpeed(300);
  el.setScrollStartWait(0);
  el.setMode(1);
  el.setAppearance(0);
  el.setFontMode(3);
  el.setFontBold(true);
  PropertyBag bag;
  el.WriteProperties(bag);
  EXPECT_EQ(bag.keys(), (QStringList{"BackColor", "ForeColor", "Speed", "ScrollStartWait", "Mode",
                                     "Appearance", "FontMode", "FontBold"}));
  EXPECT_EQ(bag.read(QStringLiteral("ForeColor"), 0).toUInt(), 0x0080C0FFu);
  EXPECT_EQ(bag.read(QStringLiteral("ScrollStartWait"), 1500).toInt(), 0);

  ChimeiCtl_B loaded;
  loaded.ReadProperties(bag);
  EXPECT_EQ(loaded.BackColor(), 0x102030u);
  EXPECT_EQ(loaded.ForeColor(), 0x0080C0FFu);
  EXPECT_EQ(loaded.Speed(), 300);
  EXPECT_EQ(loaded.ScrollStartWait(), 0);
  EXPECT_EQ(loaded.Mode(), 1);
  EXPECT_EQ(loaded.Appearance(), 0);
  EXPECT_EQ(loaded.FontMode(), 3);
  EXPECT_TRUE(loaded.FontBold());
  // Loading takes the flat look but keeps the designed viewport size.
  EXPECT_EQ(loaded.Picture2()->size(), QSize(36, 192));
  EXPECT_EQ(loaded.Picture2()->frameStyle(), int{QFrame::NoFrame});
  EXPECT_EQ(loaded.Picture2()->palette().color(QPalette::Window), toQColor(0x102030));
  EXPECT_EQ(test::countColour(loaded.Picture1()->surface(), rgb(0x102030)), 37 * 192);

  // Keys are matched without regard to case; missing ones take defaults.
  PropertyBag partial;
  partial.write(QStringLiteral("speed"), 9, 5);
  loaded.ReadProperties(partial);
  EXPECT_EQ(loaded.Speed(), 9);
  EXPECT_EQ(loaded.BackColor(), kBack);
  EXPECT_EQ(loaded.Appearance(), 1);
  EXPECT_EQ(loaded.Picture2()->frameStyle(), QFrame::WinPanel | QFrame::Sunken);
}

TEST_F(ChimeiCtlTest, LetsMarkTheirPropertyChanged) {
  QSignalSpy spy(&el, &ChimeiCtl_B::propertyChanged);
  el.setBackColor(1);
  el.setForeColor(2);
  el.setSpeed(3);
  el.setScrollStartWait(4);
  el.setMode(5);
  el.setAppearance(0);
  el.setFontMode(6);
  el.setFontBold(true);
  QStringList names;
  for (const QList<QVariant>& call : spy) names << call.at(0).toString();
  EXPECT_EQ(names, (QStringList{"BackColor", "ForeColor", "Speed", "ScrollStartWait", "Mode",
                                "Appearance", "FontMode", "FontBold"}));
  // Members take any value.
  el.setSpeed(-40);
  el.setMode(-1);
  el.setFontMode(77);
  EXPECT_EQ(el.Speed(), -40);
  EXPECT_EQ(el.Mode(), -1);
  EXPECT_EQ(el.FontMode(), 77);
}

TEST_F(ChimeiCtlTest, AppearanceSizesTheViewportAndWipesTheDots) {
  el.SetChimei(QStringLiteral("東"));
  ASSERT_GT(test::countColour(strip(), rgb(kFore)), 20);
  el.setAppearance(0);
  EXPECT_EQ(el.Appearance(), 0);
  EXPECT_EQ(el.Picture2()->size(), QSize(35, 185));
  EXPECT_EQ(el.Picture2()->frameStyle(), int{QFrame::NoFrame});
  EXPECT_EQ(test::countColour(strip(), rgb(kFore)), 0);
  el.setAppearance(1);
  EXPECT_EQ(el.Picture2()->size(), QSize(37, 195));
  EXPECT_EQ(el.Picture2()->frameStyle(), QFrame::WinPanel | QFrame::Sunken);
  el.setAppearance(2);
  EXPECT_EQ(el.Appearance(), 1);
  EXPECT_EQ(el.Picture2()->size(), QSize(37, 195));
  el.setAppearance(-1);
  EXPECT_EQ(el.Appearance(), 1);
  // The element itself keeps its size; the viewport is clipped.
  EXPECT_EQ(el.size(), QSize(35, 192));
}

TEST_F(ChimeiCtlTest, BackColorErasesTheNameOnDisplay) {
  el.SetChimei(QStringLiteral("系統"));
  ASSERT_GT(test::countColour(strip(), rgb(kFore)), 50);
  el.setBackColor(0x000000);
  EXPECT_EQ(test::countColour(strip(), qRgb(0, 0, 0)), 37 * 192);
  EXPECT_EQ(el.Picture2()->palette().color(QPalette::Window), QColor(0, 0, 0));
  // The next name is drawn on the new background.
  el.SetChimei(QStringLiteral("系統"));
  EXPECT_EQ(strip(), expectedStrip(
                         192, {{sjis(QStringLiteral("系")), 48}, {sjis(QStringLiteral("統")), 112}},
                         kFore, 0x000000));
}

TEST_F(ChimeiCtlTest, ForeColorDoesNotRecolourTheNameOnDisplay) {
  el.SetChimei(QStringLiteral("系統"));
  const QImage before = strip();
  el.setForeColor(0x0000FF);
  EXPECT_EQ(strip(), before);
  el.SetChimei(QStringLiteral("系統"));
  EXPECT_EQ(test::countColour(strip(), rgb(kFore)), 0);
  EXPECT_EQ(test::countColour(strip(), qRgb(255, 0, 0)), test::countColour(before, rgb(kFore)));
}

TEST_F(ChimeiCtlTest, CellTopsForOneToSevenCells) {
  const std::vector<std::vector<int>> expected = {{80},
                                                  {48, 112},
                                                  {16, 80, 144},
                                                  {8, 56, 104, 152},
                                                  {4, 42, 80, 118, 156},
                                                  {0, 32, 64, 96, 128, 160},
                                                  {0, 32, 64, 96, 128, 160, 192}};
  for (int cells = 1; cells <= 7; ++cells) {
    el.SetChimei(QString(cells, QChar(0x25A0)));  // full blocks
    SCOPED_TRACE(cells);
    EXPECT_EQ(blockTops(strip(), kFore), expected[static_cast<std::size_t>(cells - 1)]);
    EXPECT_EQ(strip().height(), cells == 7 ? 224 : 192);
    EXPECT_EQ(top(), cells == 7 ? 192 : 0);
    EXPECT_EQ(el.scrolling(), cells == 7);
  }
}

TEST_F(ChimeiCtlTest, ModeSetsTwoCellsCloseOrWide) {
  const QString two = QString(2, QChar(0x25A0));
  el.setMode(2);
  el.SetChimei(two);
  EXPECT_EQ(blockTops(strip(), kFore), (std::vector<int>{48, 112}));
  for (std::int16_t mode : {1, 0, 3, -2}) {
    el.setMode(mode);
    el.SetChimei(two);
    EXPECT_EQ(blockTops(strip(), kFore), (std::vector<int>{32, 128})) << mode;
  }
  // Other lengths ignore the mode.
  el.SetChimei(QString(3, QChar(0x25A0)));
  EXPECT_EQ(blockTops(strip(), kFore), (std::vector<int>{16, 80, 144}));
}

TEST_F(ChimeiCtlTest, AStandingNameCarriesExactlyTheRenderersDots) {
  el.SetChimei(QStringLiteral("系統選別中"));
  EXPECT_EQ(strip(), expectedStrip(192,
                                   {{sjis(QStringLiteral("系")), 4},
                                    {sjis(QStringLiteral("統")), 42},
                                    {sjis(QStringLiteral("選")), 80},
                                    {sjis(QStringLiteral("別")), 118},
                                    {sjis(QStringLiteral("中")), 156}},
                                   kFore, kBack));
  el.setFontMode(1);
  el.setFontBold(true);
  el.SetChimei(QStringLiteral("（お）"));
  EXPECT_EQ(strip(), expectedStrip(192,
                                   {{sjis(QStringLiteral("（")), 16},
                                    {sjis(QStringLiteral("お")), 80},
                                    {sjis(QStringLiteral("）")), 144}},
                                   kFore, kBack, 1, true));
}

TEST_F(ChimeiCtlTest, OddByteLengths) {
  // One cell: the last byte draws over it.
  el.SetChimei(QStringLiteral("東A"));
  EXPECT_EQ(strip(),
            expectedStrip(192, {{sjis(QStringLiteral("東")), 80}, {"A", 80}}, kFore, kBack));
  // Two cells close: at 176, its upper rows show.
  el.SetChimei(QStringLiteral("東京A"));
  EXPECT_EQ(
      strip(),
      expectedStrip(
          192, {{sjis(QStringLiteral("東")), 48}, {sjis(QStringLiteral("京")), 112}, {"A", 176}},
          kFore, kBack));
  EXPECT_GT(test::countColour(strip().copy(0, 176, 37, 16), rgb(kFore)), 5);
  // A single byte alone stands at the top.
  el.SetChimei(QStringLiteral("A"));
  EXPECT_EQ(strip(), expectedStrip(192, {{"A", 0}}, kFore, kBack));
  // Elsewhere it falls at or below the strip's lower edge: not seen.
  for (const QString& name : {QStringLiteral("東京大A"), QStringLiteral("東京大阪府A"),
                              QStringLiteral("東京大阪府庁A")}) {
    el.SetChimei(name);
    const QString cellsOnly = name.left(name.size() - 1);
    el.SetChimei(cellsOnly);
    const QImage withoutByte = strip();
    el.SetChimei(name);
    EXPECT_EQ(strip(), withoutByte) << name.toStdString();
  }
  el.SetChimei(kSeven + QLatin1Char('A'));
  const QImage long7 = strip();
  el.SetChimei(kSeven);
  EXPECT_EQ(long7, strip());
}

TEST_F(ChimeiCtlTest, ASingleByteEarlyShiftsThePairingOfWhatFollows) {
  el.SetChimei(QStringLiteral("A東京"));  // 41 93 8C 8B 9E
  EXPECT_EQ(strip(), expectedStrip(192,
                                   {{QByteArray("A\x93"), 48},
                                    {QByteArray("\x8C\x8B"), 112},
                                    {QByteArray("\x9E"), 176}},
                                   kFore, kBack));
  // The middle cell is neither half of the name: a different character.
  EXPECT_NE(renderDot16(QByteArray("\x8C\x8B"), 0, false).raster,
            renderDot16(sjis(QStringLiteral("東")), 0, false).raster);
}

TEST_F(ChimeiCtlTest, DrawDot16TurnsBracketsOnTheDiagonal) {
  QByteArray unit = sjis(QStringLiteral("（"));
  el.DrawDot16(2, 0, unit);
  const DotRaster raster = renderDot16(unit, 0, false).raster;
  ASSERT_TRUE(raster.lit(8, 10));
  // Column 8, row 10 of the raster becomes the dot at (2 + 20, 0 + 16).
  EXPECT_EQ(strip().pixel(22, 16), rgb(kFore));
  EXPECT_EQ(strip().pixel(18, 20), rgb(kBack));
  int dots = 0;
  for (int c = 0; c < 16; ++c)
    for (int r = 0; r < 16; ++r) {
      EXPECT_EQ(strip().pixel(2 + 2 * r, 2 * c) == rgb(kFore), raster.lit(c, r)) << c << "," << r;
      dots += raster.lit(c, r);
    }
  EXPECT_EQ(test::countColour(strip(), rgb(kFore)), dots);
}

TEST_F(ChimeiCtlTest, DrawDot16PutsYamaTwoPixelsFurtherRightInGothic) {
  auto leftmost = [&](std::int16_t mode) {
    el.setBackColor(kBack);
    el.setFontMode(mode);
    QByteArray unit = sjis(QStringLiteral("山"));
    el.DrawDot16(2, 0, unit);
    for (int x = 0; x < strip().width(); ++x)
      for (int y = 0; y < 32; ++y)
        if (strip().pixel(x, y) == rgb(kFore)) return x;
    return -1;
  };
  EXPECT_EQ(leftmost(1), 6);
  EXPECT_EQ(leftmost(0), 8);
  EXPECT_EQ(leftmost(2), 8);
  EXPECT_EQ(leftmost(4), 6);
}

TEST_F(ChimeiCtlTest, DrawDot16HandsTheLongVowelBackAsTheStroke) {
  QByteArray unit = sjis(QStringLiteral("ー"));
  el.DrawDot16(2, 80, unit);
  EXPECT_EQ(unit, sjis(QStringLiteral("丨")));
  EXPECT_EQ(strip(), expectedStrip(192, {{sjis(QStringLiteral("丨")), 80}}, kFore, kBack));
  QByteArray other = sjis(QStringLiteral("山"));
  el.DrawDot16(2, 0, other);
  EXPECT_EQ(other, sjis(QStringLiteral("山")));
}

TEST_F(ChimeiCtlTest, DrawDot16OfAnEmptyUnitClearsTheScratchOnly) {
  QByteArray unit = sjis(QStringLiteral("東"));
  el.DrawDot16(2, 0, unit);
  EXPECT_LT(test::countColour(el.Picture3(), qRgb(255, 255, 255)), 256);
  const QImage before = strip();
  QByteArray empty;
  el.DrawDot16(2, 40, empty);
  EXPECT_EQ(test::countColour(el.Picture3(), qRgb(255, 255, 255)), 256);
  EXPECT_EQ(strip(), before);
}

TEST_F(ChimeiCtlTest, DrawDot16KeepsAddingDotsAndNeverLeavesTheStrip) {
  QByteArray a = sjis(QStringLiteral("東"));
  QByteArray b = sjis(QStringLiteral("京"));
  el.DrawDot16(2, 0, a);
  el.DrawDot16(2, 0, b);
  const QImage both = expectedStrip(192, {{a, 0}, {b, 0}}, kFore, kBack);
  EXPECT_EQ(strip(), both);
  el.setBackColor(kBack);
  const std::pair<int, int> spots[] = {{30, 180},    {-10, -10},       {INT_MAX, INT_MAX},
                                       {INT_MIN, 0}, {0, INT_MAX - 5}, {36, 191}};
  for (auto [x, y] : spots) {
    QByteArray unit = sjis(QStringLiteral("■"));
    el.DrawDot16(x, y, unit);
  }
  EXPECT_EQ(strip().size(), QSize(37, 192));
  // (30, 180): columns 32 and 34 of the block fit, rows 182 to 190.
  int inside = 0;
  for (int bx = 30; bx < 37; bx += 2)
    for (int by = 180; by < 192; by += 2) inside += strip().pixel(bx, by) == rgb(kFore);
  // (-10, -10): rows and columns from 0 to 18; (36, 191): nothing (row 0 and column 0 are blank).
  int corner = 0;
  for (int bx = 0; bx < 20; bx += 2)
    for (int by = 0; by < 20; by += 2) corner += strip().pixel(bx, by) == rgb(kFore);
  EXPECT_EQ(inside, 3 * 5);
  EXPECT_EQ(corner, 10 * 10);
  EXPECT_EQ(test::countColour(strip(), rgb(kFore)), inside + corner);
}

TEST_F(ChimeiCtlTest, EmptyNameBlanksTheColumn) {
  el.SetChimei(QStringLiteral("東京"));
  el.SetChimei(QString());
  EXPECT_EQ(test::countColour(strip(), rgb(kBack)), 37 * 192);
  EXPECT_EQ(top(), 0);
  EXPECT_FALSE(el.scrolling());
  EXPECT_FALSE(el.scrollTimer()->isActive());
}

TEST_F(ChimeiCtlTest, BadInputNeverCrashesOrDrawsOutsideTheStrip) {
  // No Shift-JIS form: drawn as "?".
  el.SetChimei(QStringLiteral("🚌"));
  EXPECT_EQ(strip(), expectedStrip(192, {{"?", 0}}, kFore, kBack));
  el.SetChimei(QStringLiteral("🚌🚌"));
  EXPECT_EQ(strip(), expectedStrip(192, {{"??", 80}}, kFore, kBack));
  // A character no face has: its cell stays dark.
  el.SetChimei(QString(QChar(0xE000)));
  EXPECT_EQ(test::countColour(strip(), rgb(kBack)), 37 * 192);
  // The name ends at a NUL, as its byte length does.
  el.SetChimei(QStringLiteral("東") + QChar(0) + QStringLiteral("京"));
  EXPECT_EQ(strip(), expectedStrip(192, {{sjis(QStringLiteral("東")), 80}}, kFore, kBack));
  el.SetChimei(QString(QChar(0)) + QStringLiteral("京"));
  EXPECT_EQ(test::countColour(strip(), rgb(kBack)), 37 * 192);
  // A thousand characters: a strip of 32000 pixels, scrolling.
  QString longName;
  for (int i = 0; i < 125; ++i) longName += QStringLiteral("東京駅八重洲口前");
  el.SetChimei(longName);
  EXPECT_EQ(strip().size(), QSize(37, 32000));
  EXPECT_EQ(el.Picture1()->height(), 32000);
  EXPECT_TRUE(el.scrolling());
  advance(3100);
  EXPECT_EQ(top(), 192 - 40);
  // Every lit pixel sits on the dot grid inside the strip.
  for (int y = 0; y < strip().height(); y += 97)
    for (int x = 0; x < 37; ++x)
      if (strip().pixel(x, y) == rgb(kFore)) {
        ASSERT_TRUE(x % 2 == 0 && x >= 2 && x <= 32) << x;
      }
  el.SetChimei(QString(1001, QLatin1Char('A')));
  EXPECT_EQ(strip().height(), 500 * 32);
}

TEST_F(ChimeiCtlTest, SetChimeiShowsWhatTheCallerDidFirst) {
  el.SetChimei(QStringLiteral("東"));
  bool ran = false;
  QRgb seen = 0;
  // A repaint or command queued before the new name is handled first.
  QTimer::singleShot(0, &el, [&] {
    ran = true;
    seen = strip().pixel(2 + 2 * 8, 80 + 2 * 0);
  });
  const int calls = ui().processEventsCalls;
  el.SetChimei(QStringLiteral("京"));
  EXPECT_TRUE(ran);
  EXPECT_EQ(seen, rgb(kFore));  // the top of 東 was still there
  EXPECT_GE(ui().processEventsCalls - calls, 2);
}

TEST_F(ChimeiCtlTest, ALongNameScrollsOnTheClockWithoutHoldingTheCaller) {
  el.SetChimei(kSeven);
  EXPECT_TRUE(ui().pauses.empty());
  EXPECT_TRUE(el.scrolling());
  EXPECT_TRUE(el.scrollTimer()->isActive());
  EXPECT_EQ(top(), 192);
  EXPECT_EQ(el.Picture1()->height(), 224);
  advance(1500);  // the pause before the pass
  EXPECT_EQ(top(), 192);
  advance(1000);  // 1000 steps of 5 / 200 pixel
  EXPECT_EQ(top(), 167);
  advance(2000);
  EXPECT_EQ(top(), 117);
  // The name's dots travel with the strip.
  EXPECT_EQ(strip(), expectedStrip(224,
                                   {{sjis(QStringLiteral("東")), 0},
                                    {sjis(QStringLiteral("京")), 32},
                                    {sjis(QStringLiteral("駅")), 64},
                                    {sjis(QStringLiteral("八")), 96},
                                    {sjis(QStringLiteral("重")), 128},
                                    {sjis(QStringLiteral("洲")), 160},
                                    {sjis(QStringLiteral("口")), 192}},
                                   kFore, kBack));
}

TEST_F(ChimeiCtlTest, StepsDoNotDependOnTheTickRate) {
  el.SetChimei(kSeven);
  advance(1500 + 1720, 1);
  const int fine = top();
  el.SetChimei(kSeven);
  advance(1500 + 1720, 250);
  EXPECT_EQ(top(), fine);
  el.SetChimei(kSeven);
  advance(1500 + 1720, 33);
  EXPECT_EQ(top(), fine);
  EXPECT_EQ(fine, 192 - 43);
}

TEST_F(ChimeiCtlTest, PassesRepeatWithAPauseBeforeEach) {
  el.setSpeed(200);  // one pixel a millisecond
  el.setScrollStartWait(700);
  el.SetChimei(kSeven);
  advance(700);
  advance(607, 1);
  EXPECT_EQ(top(), 192 - 607);
  advance(1, 1);  // the last cell and a viewport of blank strip are past
  EXPECT_EQ(top(), 192);
  advance(699, 1);
  EXPECT_EQ(top(), 192);
  advance(11, 1);
  EXPECT_EQ(top(), 182);
  // A wait of 0 starts the next pass at once.
  el.setScrollStartWait(0);
  advance(597 + 1, 1);
  EXPECT_EQ(top(), 192);
  advance(5, 1);
  EXPECT_EQ(top(), 187);
}

TEST_F(ChimeiCtlTest, ThePauseHoldsOnlyTheScrollAndTheTimerWakesOnlyWhenDue) {
  el.SetChimei(kSeven);
  const UiTimer* timer = el.scrollTimer();
  // Long pauses are slept through in a few long ticks, not at frame rate.
  EXPECT_GE(timer->interval(), 400);
  advance(1500, 500);
  advance(1, 1);
  // At 0.025 pixel a step the next whole pixel is 20 steps away.
  EXPECT_GE(timer->interval(), 16);
  EXPECT_LE(timer->interval(), 21);
  // Other work goes on during the pause: events are handled as usual.
  el.SetChimei(kSeven);
  bool handled = false;
  QTimer::singleShot(0, &el, [&] { handled = true; });
  ui().processEvents();
  EXPECT_TRUE(handled);
  EXPECT_TRUE(ui().pauses.empty());
}

TEST_F(ChimeiCtlTest, TheStripIsRepaintedOnlyWhenItsWholePixelChanges) {
  el.SetChimei(kSeven);
  advance(1500, 1);
  MoveCounter counter;
  el.Picture1()->installEventFilter(&counter);
  advance(400, 1);  // 10 pixels in 400 ticks
  EXPECT_EQ(top(), 182);
  EXPECT_EQ(counter.moves, 10);
}

TEST_F(ChimeiCtlTest, SpeedZeroBecomesOneWhenTheScrollStarts) {
  el.setSpeed(0);
  QSignalSpy spy(&el, &ChimeiCtl_B::propertyChanged);
  el.SetChimei(kSeven);
  advance(1500);
  EXPECT_EQ(el.Speed(), 1);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("Speed"));
  advance(1000);  // 0.005 pixel a step
  EXPECT_EQ(top(), 187);
}

TEST_F(ChimeiCtlTest, ASpeedChangeTakesEffectFromThatMoment) {
  el.SetChimei(kSeven);
  advance(2500);
  EXPECT_EQ(top(), 167);
  el.setSpeed(2000);
  advance(3, 1);
  EXPECT_EQ(top(), 137);
  // Speed 0 mid-scroll stops the strip and the timer, not the scroll.
  el.setSpeed(0);
  EXPECT_FALSE(el.scrollTimer()->isActive());
  EXPECT_TRUE(el.scrolling());
  advance(1000);
  EXPECT_EQ(top(), 137);
  el.setSpeed(200);
  EXPECT_TRUE(el.scrollTimer()->isActive());
  advance(7, 1);
  EXPECT_EQ(top(), 130);
}

TEST_F(ChimeiCtlTest, ANewNameEndsTheScrollAndStandsWhereTheLayoutPutsIt) {
  el.SetChimei(kSeven);
  advance(3000);
  ASSERT_NE(top(), 192);
  el.SetChimei(QStringLiteral("東京"));
  EXPECT_FALSE(el.scrolling());
  EXPECT_FALSE(el.scrollTimer()->isActive());
  EXPECT_EQ(top(), 0);
  EXPECT_EQ(el.Picture1()->height(), 192);
  advance(2000);
  EXPECT_EQ(top(), 0);
  EXPECT_EQ(strip(), expectedStrip(
                         192, {{sjis(QStringLiteral("東")), 48}, {sjis(QStringLiteral("京")), 112}},
                         kFore, kBack));
}

TEST_F(ChimeiCtlTest, ANewLongNameStartsAFreshPass) {
  el.SetChimei(kSeven);
  advance(3000);
  el.SetChimei(kTwenty);
  EXPECT_EQ(el.Picture1()->height(), 32 * 20);
  EXPECT_EQ(top(), 192);
  advance(1499);
  EXPECT_EQ(top(), 192);
  advance(401);
  EXPECT_EQ(top(), 182);
}

TEST_F(ChimeiCtlTest, AnEmptyNameBlanksTheStripButTheScrollMovesOn) {
  el.SetChimei(kSeven);
  advance(2500);
  ASSERT_EQ(top(), 167);
  el.SetChimei(QString());
  EXPECT_EQ(top(), 0);
  EXPECT_EQ(test::countColour(strip(), rgb(kBack)), 37 * 224);
  EXPECT_TRUE(el.scrolling());
  EXPECT_TRUE(el.scrollTimer()->isActive());
  advance(400);
  EXPECT_EQ(top(), 157);  // back on the scroll's course
  EXPECT_EQ(el.Picture1()->height(), 224);
  // The blank strip keeps its passes and pauses.
  advance(16000);
  EXPECT_TRUE(el.scrolling());
  EXPECT_EQ(test::countColour(strip(), rgb(kBack)), 37 * 224);
  // A name after that ends it.
  el.SetChimei(QStringLiteral("東"));
  EXPECT_FALSE(el.scrolling());
  EXPECT_EQ(top(), 0);
}

TEST_F(ChimeiCtlTest, AHeldUpClockDoesNotMakeTheNameLeap) {
  el.SetChimei(kSeven);
  advance(1500);
  ui().clockMs += 3'600'000;  // the clock was set forward an hour
  el.scrollTick();
  EXPECT_EQ(top(), 167);      // at most a second's worth
  ui().clockMs -= 7'200'000;  // and back two
  el.scrollTick();
  EXPECT_EQ(top(), 167);
  advance(40);
  EXPECT_EQ(top(), 166);
}

TEST_F(ChimeiCtlTest, AnotherElementsScrollRunsOnItsOwn) {
  ChimeiCtl_B other;
  other.InitProperties();
  el.SetChimei(kSeven);
  other.SetChimei(kTwenty);
  for (int t = 0; t < 2500; t += 10) {
    ui().clockMs += 10;
    el.scrollTick();
    other.scrollTick();
  }
  EXPECT_EQ(top(), 167);
  EXPECT_EQ(other.Picture1()->y(), 167);
  other.SetChimei(QStringLiteral("東"));
  EXPECT_TRUE(el.scrolling());
}

// A Ui that runs a command inside one chosen event-processing call.
class HookedUi : public test::ScriptedUi {
 public:
  void processEvents() override {
    test::ScriptedUi::processEvents();
    if (processEventsCalls == hookAt && hook) hook();
  }
  int hookAt = -1;
  std::function<void()> hook;
};

TEST(ChimeiCtlNesting, AnOldScrollsTickWhileANewNameIsShownDoesNotMoveIt) {
  HookedUi hooked;
  Ui* const previous = installUi(&hooked);
  {
    ChimeiCtl_B el;
    el.InitProperties();
    el.SetChimei(kSeven);
    for (int t = 0; t < 3100; t += 10) {
      hooked.clockMs += 10;
      el.scrollTick();
    }
    ASSERT_EQ(el.Picture1()->y(), 192 - 40);
    // The old scroll's timer falls due inside both event-processing calls.
    int ticks = 0;
    hooked.hook = [&] {
      hooked.clockMs += 200;
      el.scrollTick();
      ++ticks;
      if (ticks == 1) ++hooked.hookAt;
    };
    hooked.hookAt = hooked.processEventsCalls + 1;
    el.SetChimei(QStringLiteral("東京"));
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(el.Picture1()->y(), 0);
    EXPECT_FALSE(el.scrolling());
    hooked.hook = nullptr;
  }
  installUi(previous);
}

TEST(ChimeiCtlNesting, ANameSetWhileAnotherIsBeingShownIsTheOneThatStands) {
  HookedUi hooked;
  Ui* const previous = installUi(&hooked);
  {
    // The first processing of events comes before the outer name is drawn,
    // the second after.
    for (int hookAt : {1, 2}) {
      SCOPED_TRACE(hookAt);
      ChimeiCtl_B el;
      el.InitProperties();
      hooked.processEventsCalls = 0;
      hooked.hookAt = hookAt;
      hooked.hook = [&] { el.SetChimei(kTwenty); };
      el.SetChimei(kSeven);
      EXPECT_EQ(el.shownText(), kTwenty);
      EXPECT_TRUE(el.scrolling());
      EXPECT_EQ(el.Picture1()->height(), 32 * 20);
      EXPECT_EQ(el.Picture1()->surface(),
                expectedStrip(
                    32 * 20, {{sjis(QStringLiteral("東")), 0},   {sjis(QStringLiteral("京")), 32},
                              {sjis(QStringLiteral("駅")), 64},  {sjis(QStringLiteral("八")), 96},
                              {sjis(QStringLiteral("重")), 128}, {sjis(QStringLiteral("洲")), 160},
                              {sjis(QStringLiteral("口")), 192}, {sjis(QStringLiteral("前")), 224},
                              {sjis(QStringLiteral("バ")), 256}, {sjis(QStringLiteral("ス")), 288},
                              {sjis(QStringLiteral("タ")), 320}, {sjis(QStringLiteral("ー")), 352},
                              {sjis(QStringLiteral("ミ")), 384}, {sjis(QStringLiteral("ナ")), 416},
                              {sjis(QStringLiteral("ル")), 448}, {sjis(QStringLiteral("行")), 480},
                              {sjis(QStringLiteral("き")), 512}, {sjis(QStringLiteral("直")), 544},
                              {sjis(QStringLiteral("通")), 576}, {sjis(QStringLiteral("便")), 608}},
                    kFore, kBack));
      hooked.hookAt = -1;
    }
  }
  installUi(previous);
}

}  // namespace
}  // namespace sorane
