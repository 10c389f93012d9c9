#include "region.h"

#include <algorithm>
#include <cmath>

namespace sorane {

QRegion roundRectRegion(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight) {
  const int w = right - left;
  const int h = bottom - top;
  if (w <= 0 || h <= 0) return {};
  const double rx = std::min(ellipseWidth, w) / 2.0;
  const double ry = std::min(ellipseHeight, h) / 2.0;
  if (rx <= 0 || ry <= 0) return QRegion(left, top, w, h);

  QRegion region;
  for (int y = 0; y < h; ++y) {
    // Distance of this row's centre from the nearest corner ellipse's centre.
    const double cy = y + 0.5;
    double dy = 0;
    if (cy < ry)
      dy = ry - cy;
    else if (cy > h - ry)
      dy = cy - (h - ry);
    int inset = 0;
    if (dy > 0) {
      const double t = 1.0 - (dy / ry) * (dy / ry);
      const double dx = t > 0 ? rx * std::sqrt(t) : 0.0;
      // First column whose centre is inside: x + 0.5 >= rx - dx.
      inset = std::max(0, static_cast<int>(std::ceil(rx - dx - 0.5)));
    }
    if (2 * inset < w) region += QRect(left + inset, top + y, w - 2 * inset, 1);
  }
  return region;
}

}  // namespace sorane
