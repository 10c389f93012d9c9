#include "chimei_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sorane {
namespace {

// Keeps the strip's top inside int range whatever the speed's sign.
constexpr double kPosLimit = 1e9;

int wholePixel(double pos) {
  return static_cast<int>(std::floor(pos + 0.5));
}

}  // namespace

ChimeiLayout chimeiLayout(std::int64_t byteCount, std::int16_t mode) {
  ChimeiLayout l;
  const std::int64_t cells = std::max<std::int64_t>(byteCount, 0) / 2;
  l.cells = static_cast<int>(std::min<std::int64_t>(cells, std::numeric_limits<int>::max()));
  switch (l.cells) {
    case 0:
      break;
    case 1:
      l.firstTop = 80;
      break;
    case 2:
      l.firstTop = mode == 2 ? 48 : 32;
      l.pitch = mode == 2 ? 64 : 96;
      break;
    case 3:
      l.firstTop = 16;
      l.pitch = 64;
      break;
    case 4:
      l.firstTop = 8;
      l.pitch = 48;
      break;
    case 5:
      l.firstTop = 4;
      l.pitch = 38;
      break;
    default:
      l.pitch = kChimeiCellPitch;
      if (l.scrolls())
        l.stripHeight = static_cast<int>(
            std::min<std::int64_t>(cells * kChimeiCellPitch, std::numeric_limits<int>::max() / 2));
      break;
  }
  return l;
}

void ChimeiScroll::start(int viewportHeight, std::int32_t startWait) {
  phase_ = Phase::FirstWait;
  pos_ = viewportHeight;
  top_ = viewportHeight;
  waitLeft_ = std::max<std::int32_t>(startWait, 0);
}

void ChimeiScroll::advance(std::int64_t ms, ScrollInputs& in) {
  for (;;) {
    if (phase_ != Phase::Moving) {
      const std::int64_t used = std::min(waitLeft_, std::max<std::int64_t>(ms, 0));
      waitLeft_ -= used;
      ms -= used;
      if (waitLeft_ > 0) return;
      if (phase_ == Phase::FirstWait) {
        if (in.speed == 0) in.speed = 1;
        pos_ = in.viewportHeight;
        top_ = in.viewportHeight;
      }
      phase_ = Phase::Moving;
    }
    if (ms <= 0) return;
    --ms;
    step(in);
  }
}

void ChimeiScroll::step(const ScrollInputs& in) {
  pos_ = std::clamp(pos_ - in.speed / 200.0, -kPosLimit, kPosLimit);
  top_ = wholePixel(pos_);
  // Compared in single precision, as the positions were kept.
  if (-static_cast<float>(in.viewportHeight) >=
      static_cast<float>(top_) + static_cast<float>(in.stripHeight)) {
    pos_ = in.viewportHeight;
    top_ = in.viewportHeight;
    waitLeft_ = std::max<std::int32_t>(in.startWait, 0);
    phase_ = Phase::Waiting;
  }
}

std::int64_t ChimeiScroll::msUntilMove(const ScrollInputs& in) const {
  if (phase_ != Phase::Moving) return waitLeft_;
  const double d = in.speed / 200.0;
  if (d == 0) return -1;
  // Steps until pos crosses the next half-pixel boundary.
  const double k =
      d > 0 ? std::floor((pos_ + 0.5 - top_) / d) + 1 : std::ceil((top_ + 0.5 - pos_) / -d);
  return std::max<std::int64_t>(1, static_cast<std::int64_t>(k));
}

}  // namespace sorane
