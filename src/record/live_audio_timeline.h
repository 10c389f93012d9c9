#pragma once

#include <QtGlobal>
#include <deque>

namespace sorane::record {

// What to do with the mix to fill the recording's sound up to a point, in
// this order: drop `skip` frames of the mix, write the last frame again
// `hold` times or `silence` frames of silence, write `take` frames of the
// mix, then `underrun` frames of silence for mix that has not come.
struct AudioStep {
  qint64 skip = 0;
  qint64 hold = 0;
  qint64 silence = 0;
  qint64 take = 0;
  qint64 underrun = 0;
};

// Places a live sound device's mix on the program's clock. The device mixes
// at its own clock, which drifts against the program's; the mix is tapped
// in bursts (one device buffer at a time). Each mark says how many frames
// had arrived when the program's clock read a time; the median of the
// recent marks (about two seconds of them) says where the mix belongs. Off
// by more than 5 ms, the timeline drops or repeats one frame per video
// frame's worth of sound (at most 625 ppm, inaudible) until it is within
// 1 ms; off by more than 25 ms (a stalled device), it drops or inserts
// silence at once. Output lags the clock by 200 ms so that
// a late buffer still arrives in time.
class LiveAudioTimeline {
 public:
  static constexpr int kLatencyMs = 200;

  explicit LiveAudioTimeline(int rate);

  void mark(qint64 ms, qint64 arrived);
  // The frames the recording's sound should hold when the clock reads `ms`.
  qint64 targetAt(qint64 ms) const;
  // Fills the output up to `target` frames with `available` frames of mix
  // waiting.
  AudioStep plan(qint64 target, qint64 available);

  qint64 written() const { return out_; }
  qint64 padded() const { return padded_; }
  qint64 skipped() const { return skipped_; }

 private:
  qint64 median() const;

  int rate_;
  std::deque<qint64> offsets_;
  qint64 out_ = 0;
  qint64 consumed_ = 0;
  qint64 sinceCorrection_ = 0;
  bool correcting_ = false;
  bool settled_ = false;
  qint64 padded_ = 0;
  qint64 skipped_ = 0;
};

}  // namespace sorane::record
