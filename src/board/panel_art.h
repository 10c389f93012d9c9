#pragma once

#include <QImage>

namespace sorane {

// The built-in panel picture: the face of the fare display, 593 x 226,
// drawn to match the board's cell geometry.
inline constexpr int kPanelPictureWidth = 593;
inline constexpr int kPanelPictureHeight = 226;

QImage panelPicture();

}  // namespace sorane
