#include "degit_format.h"

#include <gtest/gtest.h>

namespace sorane {
namespace {

QString show(const QVariant& v, int zeroMode = 0, int fillZero = 0, int shift = 0, int keta = 4) {
  return degitDisplayText(v, static_cast<std::int16_t>(zeroMode),
                          static_cast<std::int16_t>(fillZero), static_cast<std::int16_t>(shift),
                          static_cast<std::int16_t>(keta));
}

TEST(DegitText, ValueIsRightAlignedAndCutFromTheLeft) {
  EXPECT_EQ(show(120), QStringLiteral("120"));
  EXPECT_EQ(show(12345), QStringLiteral("2345"));
  EXPECT_EQ(show(QStringLiteral("00012")), QStringLiteral("0012"));
  EXPECT_EQ(show(-1), QStringLiteral("-1"));
  EXPECT_EQ(show(QStringLiteral("8888")), QStringLiteral("8888"));
}

TEST(DegitText, ShiftKeepsCellsBlankAtTheRight) {
  EXPECT_EQ(show(50, 0, 0, 1), QStringLiteral("50 "));
  EXPECT_EQ(show(1234, 0, 0, 1), QStringLiteral("234 "));
  EXPECT_EQ(show(0, 1, 0, 2), QStringLiteral("0  "));
}

TEST(DegitText, ZeroModes) {
  // Mode 0: zero and empty are blank, -1 shows.
  EXPECT_EQ(show(0, 0), QString());
  EXPECT_EQ(show(QString(), 0), QString());
  EXPECT_EQ(show(-1, 0), QStringLiteral("-1"));
  // Mode 1: zero and empty show a zero.
  EXPECT_EQ(show(0, 1), QStringLiteral("0"));
  EXPECT_EQ(show(QString(), 1), QStringLiteral("0"));
  EXPECT_EQ(show(-1, 1), QStringLiteral("-1"));
  // Mode 2: zero is blank, -1 asks for a zero.
  EXPECT_EQ(show(0, 2), QString());
  EXPECT_EQ(show(QString(), 2), QString());
  EXPECT_EQ(show(-1, 2), QStringLiteral("0"));
  // Mode 3: all three show a zero.
  EXPECT_EQ(show(QString(), 3), QStringLiteral("0"));
  EXPECT_EQ(show(0, 3), QStringLiteral("0"));
  EXPECT_EQ(show(-1, 3), QStringLiteral("0"));
  // Negative modes change nothing.
  EXPECT_EQ(show(0, -1), QStringLiteral("0"));
  EXPECT_EQ(show(QString(), -1), QString());
  EXPECT_EQ(show(7, 2), QStringLiteral("7"));
}

TEST(DegitText, ZeroFill) {
  EXPECT_EQ(show(5, 0, 3), QStringLiteral("005"));
  EXPECT_EQ(show(12, 0, 3), QStringLiteral("012"));
  EXPECT_EQ(show(1234, 0, 3), QStringLiteral("1234"));
  EXPECT_EQ(show(0, 1, 2), QStringLiteral("00"));
  EXPECT_EQ(show(QStringLiteral("7"), 0, 2), QStringLiteral("07"));
  EXPECT_EQ(show(-5, 0, 3), QStringLiteral("-005"));
  EXPECT_EQ(show(5, 0, -2), QStringLiteral("5"));  // a negative fill is no fill
  // Texts that are not numbers are never filled.
  EXPECT_EQ(show(QStringLiteral(" "), 0, 3), QStringLiteral(" "));
  EXPECT_EQ(show(QStringLiteral("A"), 0, 3), QStringLiteral("A"));
}

TEST(DegitText, NumericTextCountsAsItsNumber) {
  EXPECT_EQ(show(QStringLiteral("0"), 0), QString());
  EXPECT_EQ(show(QStringLiteral("-1"), 2), QStringLiteral("0"));
  // A single space is not empty and not a number: a blank that stays.
  EXPECT_EQ(show(QStringLiteral(" "), 3), QStringLiteral(" "));
}

TEST(DegitText, OddKeta) {
  EXPECT_EQ(show(12345, 0, 0, 0, 2), QStringLiteral("45"));
  EXPECT_EQ(show(12345, 0, 0, 0, 0), QString());
}

TEST(DegitCellSize, BySizeStep) {
  EXPECT_EQ(degitCellSize(0), QSize(13, 20));
  EXPECT_EQ(degitCellSize(1), QSize(17, 26));
  EXPECT_EQ(degitCellSize(2), QSize(19, 29));
  EXPECT_EQ(degitCellSize(3), QSize(11, 15));
  EXPECT_EQ(degitCellSize(7), QSize(13, 20));
  EXPECT_EQ(degitCellSize(-1), QSize(13, 20));
}

}  // namespace
}  // namespace sorane
