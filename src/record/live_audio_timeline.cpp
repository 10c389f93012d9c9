#include "live_audio_timeline.h"

#include <algorithm>
#include <vector>

#include "frame_timing.h"

namespace sorane::record {
namespace {

constexpr std::size_t kMarks = 61;
constexpr std::size_t kMinMarks = 8;
// Corrections start 5 ms off and go on until 1 ms off.
constexpr int kStartMs = 5;
constexpr int kStopMs = 1;
constexpr int kJumpMs = 25;

}  // namespace

LiveAudioTimeline::LiveAudioTimeline(int rate) : rate_(rate) {}

void LiveAudioTimeline::mark(qint64 ms, qint64 arrived) {
  offsets_.push_back(audioFramesAt(ms, rate_) - arrived);
  if (offsets_.size() > kMarks) offsets_.pop_front();
}

qint64 LiveAudioTimeline::targetAt(qint64 ms) const {
  return std::max<qint64>(0, audioFramesAt(ms - kLatencyMs, rate_));
}

qint64 LiveAudioTimeline::median() const {
  std::vector<qint64> v(offsets_.begin(), offsets_.end());
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

AudioStep LiveAudioTimeline::plan(qint64 target, qint64 available) {
  AudioStep s;
  qint64 want = target - out_;
  if (want <= 0) return s;
  if (offsets_.size() >= kMinMarks) {
    // Positive: the mix lands later in the recording than it was made.
    const qint64 late = (out_ - consumed_) - median();
    const qint64 jump = audioFramesAt(kJumpMs, rate_);
    if (std::abs(late) > audioFramesAt(kStartMs, rate_)) correcting_ = true;
    if (std::abs(late) <= audioFramesAt(kStopMs, rate_)) correcting_ = false;
    const bool due = correcting_ && sinceCorrection_ >= audioFramesForVideo(1, rate_);
    // The first judgement, and the first after a stall, moves at once; a
    // jump is judged again from fresh marks, which all come after it.
    const bool first = !settled_;
    const bool stalled = settled_ && std::abs(late) > jump;
    const bool now = first || stalled;
    settled_ = !stalled;
    if (stalled) offsets_.clear();
    if (now && late > 0) {
      s.skip = std::min(late, available);
    } else if (now && late < 0) {
      s.silence = std::min(-late, want);
    } else if (due && late > 0) {
      s.skip = std::min<qint64>(1, available);
    } else if (due && late < 0) {
      s.hold = 1;
    }
    if (s.skip + s.hold > 0 && std::abs(late) <= jump) sinceCorrection_ = 0;
  }
  available -= s.skip;
  consumed_ += s.skip;
  want -= s.hold + s.silence;
  s.take = std::min(want, available);
  consumed_ += s.take;
  s.underrun = want - s.take;
  const qint64 produced = s.hold + s.silence + s.take + s.underrun;
  out_ += produced;
  sinceCorrection_ += produced;
  padded_ += s.hold + s.silence + s.underrun;
  skipped_ += s.skip;
  // A stalled mix: judge its place again from marks made after it resumes.
  if (s.underrun > 0) {
    offsets_.clear();
    settled_ = false;
  }
  return s;
}

}  // namespace sorane::record
