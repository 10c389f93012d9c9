#include <gtest/gtest.h>

#include <QGuiApplication>
#include <limits>

#include "colorref.h"
#include "fonts.h"
#include "region.h"
#include "runtime_error.h"
#include "twips.h"

namespace sorane {
namespace {

TEST(Twips, FifteenTwipsMakeOnePixelRoundedToNearest) {
  EXPECT_EQ(px(15), 1);
  EXPECT_EQ(px(8895), 593);
  EXPECT_EQ(px(3405), 227);
  EXPECT_EQ(px(1635), 109);
  EXPECT_EQ(px(2523), 168);  // 168.2
  EXPECT_EQ(px(4299), 287);  // 286.6
  EXPECT_EQ(px(-105), -7);
  EXPECT_EQ(px(7), 0);
  EXPECT_EQ(px(8), 1);
  EXPECT_EQ(twips(600), 9000);
  // Positions from a file may be anything a 32-bit value holds.
  EXPECT_EQ(px(std::numeric_limits<int>::max()), 143165576);
  EXPECT_EQ(px(std::numeric_limits<int>::min()), -143165577);
  EXPECT_EQ(px(std::numeric_limits<int>::max() - 7), 143165576);
  EXPECT_EQ(twips(143165577), std::numeric_limits<int>::max());
  EXPECT_EQ(twips(-143165578), std::numeric_limits<int>::min());
  EXPECT_EQ(twipsRect(510, 270, 525, 2880), QRect(34, 18, 35, 192));
}

TEST(ColorRef, RedIsTheLowByte) {
  EXPECT_EQ(colorRef(205, 209, 134), 0x0086D1CDu);
  EXPECT_EQ(toQColor(0x0072D2F8), QColor(248, 210, 114));
  EXPECT_EQ(fromQColor(QColor(255, 192, 128)), 0x0080C0FFu);
}

// The board's 7 x 7 rounded shape over 593 x 227.
TEST(RoundRectRegion, CutsEachCornerAndKeepsTheEdges) {
  const QRegion r = roundRectRegion(0, 0, 593, 227, 7, 7);
  for (const QPoint corner : {QPoint(0, 0), QPoint(592, 0), QPoint(0, 226), QPoint(592, 226)}) {
    EXPECT_FALSE(r.contains(corner)) << corner.x() << "," << corner.y();
  }
  EXPECT_FALSE(r.contains(QPoint(1, 0)));
  EXPECT_FALSE(r.contains(QPoint(0, 1)));
  EXPECT_TRUE(r.contains(QPoint(2, 0)));
  EXPECT_TRUE(r.contains(QPoint(1, 1)));
  EXPECT_TRUE(r.contains(QPoint(0, 2)));
  EXPECT_TRUE(r.contains(QPoint(590, 0)));
  EXPECT_FALSE(r.contains(QPoint(591, 0)));
  EXPECT_TRUE(r.contains(QPoint(296, 0)));
  EXPECT_TRUE(r.contains(QPoint(0, 113)));
  EXPECT_TRUE(r.contains(QPoint(592, 113)));
  EXPECT_FALSE(r.contains(QPoint(593, 113)));
  EXPECT_FALSE(r.contains(QPoint(296, 227)));
  EXPECT_EQ(r.boundingRect(), QRect(0, 0, 593, 227));
}

TEST(RoundRectRegion, DegenerateSizes) {
  EXPECT_TRUE(roundRectRegion(0, 0, 0, 10, 7, 7).isEmpty());
  EXPECT_EQ(roundRectRegion(0, 0, 4, 4, 0, 0), QRegion(0, 0, 4, 4));
  EXPECT_FALSE(roundRectRegion(0, 0, 3, 3, 7, 7).isEmpty());
}

TEST(Fonts, SystemFacesMapToInstalledFamilies) {
  EXPECT_EQ(familyForFace(kFaceGothic), QStringLiteral("IPAGothic"));
  EXPECT_EQ(familyForFace(kFaceMincho), QStringLiteral("IPAMincho"));
  EXPECT_EQ(familyForFace(kFacePGothic), QStringLiteral("IPAPGothic"));
  EXPECT_EQ(familyForFace(kFaceNum5), QStringLiteral("IPAGothic"));
  EXPECT_EQ(familyForFace(QStringLiteral("Unknown Face")), QStringLiteral("Unknown Face"));
  const QFont f = faceFont(kFaceNum5, 12, true);
  EXPECT_EQ(f.pixelSize(), 16);
  EXPECT_TRUE(f.bold());
  EXPECT_EQ(faceFont(kFacePGothic, 11).pixelSize(), 15);
}

TEST(RuntimeError, CarriesNumberAndStandardDescription) {
  const RuntimeError e(err::kFileNotFound);
  EXPECT_EQ(e.number(), 53);
  EXPECT_EQ(e.description(), QStringLiteral("ファイルが見つかりません。"));
  EXPECT_EQ(RuntimeError(75, QStringLiteral("custom")).description(), QStringLiteral("custom"));
  EXPECT_EQ(runtimeErrorDescription(481), QStringLiteral("ピクチャが不正です。"));
  EXPECT_EQ(runtimeErrorDescription(380), QStringLiteral("プロパティの値が不正です。"));
}

}  // namespace
}  // namespace sorane
