#pragma once

#include <QRect>

namespace sorane::board {

// The fare board's designed geometry in twips (left, top, width, height
// within Form1's client area). Cells are 1..32 in reading order: row
// (i - 1) / 8, column (i - 1) % 8.
inline constexpr int kClientWidthTwips = 8895;
inline constexpr int kClientHeightTwips = 3405;
inline constexpr int kCells = 32;

QRect degitRectTwips(int cell);       // the fare element of cell 1..32; 0 is the hidden spare
QRect labelRectTwips(int cell);       // the ticket-number label of cell 1..32
QRect timeDegitRectTwips(int index);  // clock element 0 (hours) or 1 (minutes)
QRect chimeiRectTwips();              // the stop-name strip

// The same rectangles in pixels.
QRect degitRect(int cell);
QRect labelRect(int cell);

}  // namespace sorane::board
