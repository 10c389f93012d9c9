#pragma once

#include <QRegion>

namespace sorane {

// The region of a rectangle from (left, top) to (right, bottom), right and
// bottom excluded, whose corners are rounded by an ellipse of
// ellipseWidth x ellipseHeight pixels. A pixel belongs to it when its centre
// lies inside the rounded shape.
QRegion roundRectRegion(int left, int top, int right, int bottom, int ellipseWidth,
                        int ellipseHeight);

}  // namespace sorane
