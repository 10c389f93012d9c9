#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <cstdint>
#include <limits>

namespace sorane {

// Window and control geometry is kept in twips, as designed; 15 twips make
// one pixel at 96 dots per inch. Conversions round to the nearest pixel.
inline constexpr int kTwipsPerPixel = 15;

// Computed wide: positions read from a file may be any 32-bit value.
constexpr int px(int twips) {
  const std::int64_t t = twips;
  return static_cast<int>(t >= 0 ? (t + kTwipsPerPixel / 2) / kTwipsPerPixel
                                 : -((-t + kTwipsPerPixel / 2) / kTwipsPerPixel));
}
// Held to what 32 bits can say.
constexpr int twips(int pixels) {
  return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{pixels} * kTwipsPerPixel,
                                                   std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

// Saved window positions are twips of screen pixels. At a view scale of
// `scale` one window coordinate covers `scale` screen pixels; at 1 these
// are px() and twips().
constexpr int windowCoordFromTwips(int twips, int scale) {
  const std::int64_t t = twips;
  const std::int64_t d = std::int64_t{kTwipsPerPixel} * std::max(scale, 1);
  return static_cast<int>(t >= 0 ? (t + d / 2) / d : -((-t + d / 2) / d));
}
constexpr int twipsFromWindowCoord(int coord, int scale) {
  return static_cast<int>(
      std::clamp<std::int64_t>(std::int64_t{coord} * std::max(scale, 1) * kTwipsPerPixel,
                               std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// (left, top, width, height) in twips -> pixels.
constexpr QRect twipsRect(int left, int top, int width, int height) {
  return QRect(px(left), px(top), px(width), px(height));
}
constexpr QSize twipsSize(int width, int height) {
  return QSize(px(width), px(height));
}

}  // namespace sorane
