#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace sorane {

// Window and control geometry is kept in twips, as designed; 15 twips make
// one pixel at 96 dots per inch. Conversions round to the nearest pixel.
inline constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) {
  return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                    : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}
constexpr int twips(int pixels) {
  return pixels * kTwipsPerPixel;
}

// (left, top, width, height) in twips -> pixels.
constexpr QRect twipsRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}
constexpr QSize twipsSize(int width, int height) {
  return QSize(px(width), px(height));
}

}  // namespace sorane
