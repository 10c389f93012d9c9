#pragma once

#include <QRect>

class QWidget;

namespace sorane {

// True when `frame` (global pixels) shares no pixel with the available area
// of any screen: a window there could never be reached. False when there is
// no screen to ask.
bool isOffEveryScreen(const QRect& frame);

// Where `frame` goes so that it does not pass the right or bottom edge of
// the available area of the screen it mostly lies on: moved left and up
// just enough, never past that area's left or top edge. Its own top-left
// when it already fits or there is no screen.
QPoint keptOnScreen(const QRect& frame);
// Moves a top-level window there.
void keepOnScreen(QWidget* window);

}  // namespace sorane
