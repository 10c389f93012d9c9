#pragma once

#include <QImage>

namespace sorane {

// The built-in panel picture: the face of the fare display, 593 x 226
// logical pixels, drawn to match the board's cell geometry. With `dpr` 2 or
// 3 it is drawn with that many device pixels per logical pixel, so its
// words stay sharp on a scaled board.
inline constexpr int kPanelPictureWidth = 593;
inline constexpr int kPanelPictureHeight = 226;

QImage panelPicture(qreal dpr = 1.0);

}  // namespace sorane
