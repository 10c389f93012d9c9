#include "audio_ring.h"

#include <algorithm>

namespace sorane::record {

AudioRing::AudioRing(int capacityFrames)
    : buffer_(static_cast<std::size_t>(capacityFrames) * 2), capacity_(capacityFrames) {}

void AudioRing::push(const float* samples, int frames) {
  const qint64 w = written_.load(std::memory_order_relaxed);
  const qint64 room = capacity_ - (w - read_.load(std::memory_order_acquire));
  const qint64 n = std::clamp<qint64>(frames, 0, room);
  for (qint64 i = 0; i < n;) {
    const qint64 at = (w + i) % capacity_;
    const qint64 run = std::min(n - i, capacity_ - at);
    std::copy_n(samples + i * 2, run * 2, buffer_.data() + at * 2);
    i += run;
  }
  if (n < frames) dropped_.fetch_add(frames - n, std::memory_order_relaxed);
  written_.store(w + n, std::memory_order_release);
}

void AudioRing::pop(float* out, qint64 frames) {
  const qint64 r = read_.load(std::memory_order_relaxed);
  const qint64 n = std::clamp<qint64>(frames, 0, written() - r);
  for (qint64 i = 0; i < n;) {
    const qint64 at = (r + i) % capacity_;
    const qint64 run = std::min(n - i, capacity_ - at);
    std::copy_n(buffer_.data() + at * 2, run * 2, out + i * 2);
    i += run;
  }
  read_.store(r + n, std::memory_order_release);
}

void AudioRing::skip(qint64 frames) {
  const qint64 r = read_.load(std::memory_order_relaxed);
  read_.store(r + std::clamp<qint64>(frames, 0, written() - r), std::memory_order_release);
}

}  // namespace sorane::record
