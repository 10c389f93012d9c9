#pragma once

#include <QRect>

namespace sorane {

// True when `frame` (global pixels) shares no pixel with the available area
// of any screen: a window there could never be reached. False when there is
// no screen to ask.
bool isOffEveryScreen(const QRect& frame);

}  // namespace sorane
