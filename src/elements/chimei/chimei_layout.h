#pragma once

#include <cstdint>

namespace sorane {

// The column as designed, in pixels.
inline constexpr int kChimeiColumnHeight = 192;
inline constexpr int kChimeiCellPitch = 32;
inline constexpr int kChimeiStripWidth = 37;
// Left edge of every cell's first dot column on the strip.
inline constexpr int kChimeiCellLeft = 2;
// Names of this many cells or more scroll.
inline constexpr int kChimeiScrollCells = 7;

// Where the cells of a name of `byteCount` Shift-JIS bytes go: the first
// cell's top, the pitch from one unit's top to the next, the strip height.
struct ChimeiLayout {
  int cells = 0;
  int firstTop = 0;
  int pitch = 0;
  int stripHeight = kChimeiColumnHeight;

  bool scrolls() const { return cells >= kChimeiScrollCells; }
  // Top of unit `i` (1-based); units past the last cell follow the pitch.
  std::int64_t unitTop(std::int64_t i) const { return firstTop + (i - 1) * pitch; }
};

// `mode` is the element's `Mode`: 2 sets a two-cell name close, any other
// value wide.
ChimeiLayout chimeiLayout(std::int64_t byteCount, std::int16_t mode);

// What a scroll step reads from the element.
struct ScrollInputs {
  std::int16_t speed = 5;
  std::int32_t startWait = 1500;
  int viewportHeight = kChimeiColumnHeight;
  int stripHeight = kChimeiColumnHeight;
};

// The scroll of a long name, one step per millisecond: each step raises the
// strip by `Speed` / 200 pixels; a pass starts with the strip just below the
// viewport and ends when a viewport height of blank strip has followed the
// last cell out of the top; every pass, the first included, begins with a
// pause of `ScrollStartWait` milliseconds.
class ChimeiScroll {
 public:
  // A new scroll: the strip waits just below the viewport.
  void start(int viewportHeight, std::int32_t startWait);
  // Runs `ms` milliseconds of scroll. A `Speed` of 0 when the first pass
  // begins becomes 1, in `in`.
  void advance(std::int64_t ms, ScrollInputs& in);
  // Milliseconds until the strip's whole-pixel top next changes; -1 when it
  // never will at this speed.
  std::int64_t msUntilMove(const ScrollInputs& in) const;

  double pos() const { return pos_; }
  int top() const { return top_; }
  bool waiting() const { return phase_ != Phase::Moving; }
  std::int64_t waitLeft() const { return waitLeft_; }

 private:
  enum class Phase { FirstWait, Waiting, Moving };
  void step(const ScrollInputs& in);

  Phase phase_ = Phase::FirstWait;
  double pos_ = kChimeiColumnHeight;
  int top_ = kChimeiColumnHeight;
  std::int64_t waitLeft_ = 0;
};

}  // namespace sorane
