#pragma once

#include <QtGlobal>
#include <atomic>
#include <vector>

namespace sorane::record {

// Stereo float frames from one producer thread to one consumer thread,
// without locks: the producer (the audio mix) never waits. What does not
// fit is dropped and counted.
class AudioRing {
 public:
  explicit AudioRing(int capacityFrames);

  // Producer side.
  void push(const float* samples, int frames);

  // Either side: frames pushed so far, and frames dropped for want of room.
  qint64 written() const { return written_.load(std::memory_order_acquire); }
  qint64 dropped() const { return dropped_.load(std::memory_order_relaxed); }

  // Consumer side.
  qint64 available() const { return written() - read_.load(std::memory_order_relaxed); }
  // Copies the next `frames` frames (at most available()) into `out`.
  void pop(float* out, qint64 frames);
  void skip(qint64 frames);

 private:
  std::vector<float> buffer_;
  qint64 capacity_;
  std::atomic<qint64> written_{0};
  std::atomic<qint64> read_{0};
  std::atomic<qint64> dropped_{0};
};

}  // namespace sorane::record
