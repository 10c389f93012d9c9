#pragma once

#include <QSize>
#include <QtGlobal>
#include <algorithm>

namespace sorane::record {

constexpr int kFramesPerSecond = 30;
constexpr int kAudioRate = 48000;

// Frames whose moment k/30 s lies before `ms`: the frames a clock at `ms`
// has fully decided (a picture may still come at `ms` itself).
constexpr qint64 framesBefore(qint64 ms) {
  return ms <= 0 ? 0 : (ms * kFramesPerSecond + 999) / 1000;
}

// Audio frames at `rate` that a clock at `ms` has reached.
constexpr qint64 audioFramesAt(qint64 ms, int rate) {
  return ms * rate / 1000;
}

// Audio frames at `rate` that `frames` video frames last.
constexpr qint64 audioFramesForVideo(qint64 frames, int rate) {
  return frames * rate / kFramesPerSecond;
}

// A video's size: the pictures' rounded up to even sides (yuv420p), at
// least 2 x 2.
inline QSize evenSize(QSize size) {
  const auto even = [](int n) { return std::max(2, n + (n & 1)); };
  return {even(size.width()), even(size.height())};
}

}  // namespace sorane::record
