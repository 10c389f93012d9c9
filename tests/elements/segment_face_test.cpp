#include "segment_face.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <set>

namespace sorane {
namespace {

const QColor kBack(128, 128, 128), kUnlit(150, 150, 150), kLit(248, 210, 114);

QImage cellImage(QChar ch, DegitFace face, QSize size = {13, 20}) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(kBack);
  QPainter p(&img);
  drawSegmentChar(p, QRect(QPoint(0, 0), size), ch, face, true, kLit);
  return img;
}

int litPixels(const QImage& img, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (QColor(img.pixel(x, y)) == kLit) ++n;
  return n;
}

const DegitFace kFaces[] = {DegitFace::A, DegitFace::B, DegitFace::C};

TEST(SegmentFace, StyleChoosesTheFace) {
  EXPECT_EQ(degitFaceForStyle(0), DegitFace::A);
  EXPECT_EQ(degitFaceForStyle(1), DegitFace::B);
  EXPECT_EQ(degitFaceForStyle(2), DegitFace::C);
  EXPECT_EQ(degitFaceForStyle(5), DegitFace::A);
  EXPECT_EQ(degitFaceForStyle(-1), DegitFace::A);
  EXPECT_EQ(degitFaceName(DegitFace::C), QStringLiteral("M_DegitC"));
}

TEST(SegmentFace, EightLightsEverySegmentAndSpaceNone) {
  for (DegitFace face : kFaces) {
    const QRect all(0, 0, 13, 20);
    const QImage eight = cellImage('8', face);
    EXPECT_EQ(litPixels(cellImage(' ', face), all), 0);
    // Every digit lights a subset of the 8's pixels.
    for (char c = '0'; c <= '9'; ++c) {
      const QImage d = cellImage(QLatin1Char(c), face);
      EXPECT_GT(litPixels(d, all), 0) << c;
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 13; ++x)
          if (QColor(d.pixel(x, y)) == kLit) {
            EXPECT_EQ(QColor(eight.pixel(x, y)), kLit);
          }
    }
    EXPECT_GT(litPixels(eight, all), litPixels(cellImage('0', face), all));
    // "-" is the middle bar alone.
    const QImage dash = cellImage('-', face);
    EXPECT_GT(litPixels(dash, all), 0);
    EXPECT_EQ(litPixels(dash, QRect(0, 0, 13, 7)), 0);
    EXPECT_EQ(litPixels(dash, QRect(0, 13, 13, 7)), 0);
  }
}

TEST(SegmentFace, DigitsStayInsideTheirCell) {
  for (DegitFace face : kFaces) {
    QImage img(39, 20, QImage::Format_RGB32);
    img.fill(kBack);
    QPainter p(&img);
    drawSegmentChar(p, QRect(13, 0, 13, 20), '8', face, true, kLit);
    p.end();
    EXPECT_EQ(litPixels(img, QRect(0, 0, 13, 20)), 0);
    EXPECT_EQ(litPixels(img, QRect(26, 0, 13, 20)), 0);
    EXPECT_GT(litPixels(img, QRect(13, 0, 13, 20)), 25);
  }
}

TEST(SegmentFace, ThreeDistinctLooks) {
  const QImage a = cellImage('8', DegitFace::A, {26, 40});
  const QImage b = cellImage('8', DegitFace::B, {26, 40});
  const QImage c = cellImage('8', DegitFace::C, {26, 40});
  EXPECT_NE(a, b);
  EXPECT_NE(b, c);
  EXPECT_NE(a, c);
}

// Crisp: no smoothing, so only the three colours ever appear, at 1x and 2x.
TEST(SegmentFace, RowsAreCrispAtOneAndTwoDevicePixelsPerPixel) {
  for (DegitFace face : kFaces) {
    for (qreal dpr : {1.0, 2.0}) {
      DegitRowStyle style{face, true, kBack, kUnlit, kLit};
      const QImage img = renderDegitRow(4, {13, 20}, QStringLiteral("-120"), style, dpr);
      EXPECT_EQ(img.size(), QSize(qRound(52 * dpr), qRound(20 * dpr)));
      EXPECT_EQ(img.devicePixelRatio(), dpr);
      std::set<QRgb> colours;
      for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) colours.insert(img.pixel(x, y) | 0xFF000000u);
      EXPECT_EQ(colours, (std::set<QRgb>{kBack.rgb(), kUnlit.rgb(), kLit.rgb()}));
    }
  }
}

// On a board scaled 2x or 3x the square faces are exactly that much
// larger, pixel for pixel. (The pointed face A is drawn anew at the finer
// resolution, so its tips are sharper rather than larger blocks.)
TEST(SegmentFace, AtAWholePixelRatioSquareSegmentsAreExactlyThatMuchLarger) {
  for (DegitFace face : {DegitFace::B, DegitFace::C}) {
    const DegitRowStyle style{face, true, kBack, kUnlit, kLit};
    const QImage one = renderDegitRow(4, {13, 20}, QStringLiteral("-120"), style, 1.0);
    for (int dpr : {2, 3}) {
      QImage scaled = renderDegitRow(4, {13, 20}, QStringLiteral("-120"), style, dpr);
      scaled.setDevicePixelRatio(1.0);
      EXPECT_EQ(scaled, one.scaled(one.size() * dpr)) << int(face) << " at " << dpr;
    }
  }
}

TEST(SegmentFace, ValueEndsAtTheRightEdgeOverUnlitEights) {
  DegitRowStyle style{DegitFace::C, true, kBack, kUnlit, kLit};
  const QImage img = renderDegitRow(4, {13, 20}, QStringLiteral("120"), style, 1.0);
  EXPECT_EQ(litPixels(img, QRect(0, 0, 13, 20)), 0);  // left cell: unlit 8 only
  for (int cell = 1; cell < 4; ++cell) EXPECT_GT(litPixels(img, QRect(13 * cell, 0, 13, 20)), 0);
  // The unlit 8 of cell 0 is all there.
  int unlit = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 13; ++x)
      if (QColor(img.pixel(x, y)) == kUnlit) ++unlit;
  EXPECT_EQ(unlit, litPixels(cellImage('8', DegitFace::C), QRect(0, 0, 13, 20)));
}

}  // namespace
}  // namespace sorane
