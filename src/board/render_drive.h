#pragma once

#include <QString>
#include <cstdio>
#include <functional>
#include <optional>

#include "board_view.h"

namespace sorane {

class Program;

// `318 --render`: a route driven automatically into a video, with no window
// shown, as fast as drawing and encoding allow.
struct RenderRequest {
  QString path;
  QString route;
  int section = 1;
  // The board's style for this video only; the one kept without it.
  std::optional<BoardStyle> board;
  // The panel's backlight switch, 0 OFF, 1 ON1, 2 ON2; without it, OFF for
  // the classic board (its LEDs light themselves) and ON1 for the LCD board.
  std::optional<int> backlight;
  // Before the route is set (tests point the program at their folders).
  std::function<void(Program&)> setUp;
};

// Sets the route, drives it on a clock that moves frame by frame, records
// it and reports progress on `progress` (stop k of n, speed). Needs the
// application object; makes its own sound services on a Manual output.
// 0 when the file is complete; 1, with a message, when the route cannot be
// set or the file cannot be written.
int renderDrive(const RenderRequest& request, std::FILE* progress);

}  // namespace sorane
