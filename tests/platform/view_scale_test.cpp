#include "view_scale.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <limits>

#include "twips.h"

namespace sorane {
namespace {

QStringList words(const char* line) {
  return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(ViewScale, CommandLine) {
  const struct {
    const char* arguments;
    int scale;  // 0: none given
    bool error;
  } cases[] = {
      {"318", 0, false},
      {"318 -platform xcb", 0, false},
      {"318 --scale 2", 2, false},
      {"318 --scale=3", 3, false},
      {"318 --scale 1 -platform xcb", 1, false},
      {"318 --scale 2 --scale=3", 3, false},
      {"318 --scale 4", 0, true},
      {"318 --scale 0", 0, true},
      {"318 --scale=x", 0, true},
      {"318 --scale= 2", 0, true},
      {"318 --scale", 0, true},
      {"318 --scalex 2", 0, false},
  };
  for (const auto& c : cases) {
    const ScaleArgument a = findScaleArgument(words(c.arguments));
    EXPECT_EQ(a.scale.value_or(0), c.scale) << c.arguments;
    EXPECT_EQ(!a.error.isEmpty(), c.error) << c.arguments;
    EXPECT_FALSE(a.error.contains(QLatin1Char('\n'))) << c.arguments;
  }
}

TEST(ViewScale, RestartArgumentsReplaceEveryScale) {
  const struct {
    const char* before;
    int scale;
    const char* after;
  } cases[] = {
      {"318", 2, "--scale 2"},
      {"318 -platform xcb", 3, "-platform xcb --scale 3"},
      {"318 --scale 1 a --scale=3 b", 2, "a b --scale 2"},
      {"318 --board lcd a --board=led", 3, "a --scale 3"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(argumentsForScale(words(c.before), c.scale), words(c.after)) << c.before;
}

TEST(ViewScale, KeptInItsFileAndOneWhenThereIsNone) {
  QTemporaryDir dir;
  const QString file = QDir(dir.path()).filePath(QStringLiteral("318/view.ini"));
  EXPECT_EQ(loadViewScale(file), 1);
  for (int n : {3, 2, 1}) {
    ASSERT_TRUE(saveViewScale(file, n));
    EXPECT_EQ(loadViewScale(file), n);
  }
  for (const char* text : {"scale=7\n", "scale=abc\n", "other=2\n"}) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray("[General]\n") + text);
    f.close();
    EXPECT_EQ(loadViewScale(file), 1) << text;
  }
}

// Saved positions are twips of screen pixels: at scale N a window
// coordinate is N screen pixels, so a file means the same place on the
// screen at every scale.
TEST(ViewScale, WindowCoordinatesAndSavedTwips) {
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  const struct {
    int scale, twips, coord, twipsBack;
  } cases[] = {
      {1, 15000, 1000, 15000},
      {2, 15000, 500, 15000},
      {3, 15000, 333, 14985},
      {1, 1007, 67, 1005},
      {2, 1515, 51, 1530},
      {3, 45, 1, 45},
      {2, 14, 0, 0},
      {2, 15, 1, 30},
      {2, -15, -1, -30},
      {3, -1000, -22, -990},
      {2, kMax, 71582788, 2147483640},
      {3, kMin, -47721859, kMin},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(windowCoordFromTwips(c.twips, c.scale), c.coord) << c.scale << " " << c.twips;
    EXPECT_EQ(twipsFromWindowCoord(c.coord, c.scale), c.twipsBack) << c.scale << " " << c.coord;
  }
  EXPECT_EQ(twipsFromWindowCoord(kMax, 3), kMax);
  EXPECT_EQ(twipsFromWindowCoord(kMin, 2), kMin);
  // At scale 1 they are px() and twips().
  for (int t : {-1000, -8, -7, 0, 7, 8, 8895, kMax, kMin})
    EXPECT_EQ(windowCoordFromTwips(t, 1), px(t));
}

}  // namespace
}  // namespace sorane
