#include "live_audio_timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio_ring.h"
#include "frame_timing.h"

namespace sorane::record {
namespace {

TEST(FrameTiming, AClockAtAMomentHasDecidedTheFramesBeforeIt) {
  struct Row {
    qint64 ms;
    qint64 frames;
  };
  for (const Row& row : std::vector<Row>{{-5, 0},
                                         {0, 0},
                                         {1, 1},
                                         {33, 1},
                                         {34, 2},
                                         {100, 3},
                                         {101, 4},
                                         {1000, 30},
                                         {1001, 31},
                                         {600000, 18000}})
    EXPECT_EQ(framesBefore(row.ms), row.frames) << row.ms << " ms";
  EXPECT_EQ(audioFramesForVideo(1, 48000), 1600);
  EXPECT_EQ(audioFramesForVideo(3, 44100), 4410);
  EXPECT_EQ(audioFramesAt(250, 48000), 12000);
}

TEST(AudioRing, WrapsAroundAndCountsWhatDidNotFit) {
  AudioRing ring(4);
  const float a[] = {1, -1, 2, -2, 3, -3};
  ring.push(a, 3);
  float out[8] = {};
  ring.pop(out, 2);
  EXPECT_EQ(std::vector<float>(out, out + 4), std::vector<float>({1, -1, 2, -2}));
  const float b[] = {4, -4, 5, -5, 6, -6, 7, -7};
  ring.push(b, 4);  // room for three
  EXPECT_EQ(ring.written(), 6);
  EXPECT_EQ(ring.dropped(), 1);
  EXPECT_EQ(ring.available(), 4);
  ring.skip(1);
  ring.pop(out, 10);
  EXPECT_EQ(std::vector<float>(out, out + 6), std::vector<float>({4, -4, 5, -5, 6, -6}));
  EXPECT_EQ(ring.available(), 0);
}

// A sound device mixing in bursts on its own clock, tapped into the
// timeline by a program that marks its clock about 30 times a second.
struct Device {
  const char* name;
  double ppm;      // the device's clock against the program's
  int burst;       // frames mixed at a time
  double stallAt;  // seconds; the device mixes nothing for stallMs then
  double stallMs;
};

struct Outcome {
  double worstEarlyMs = 0;  // a sound heard before its moment in the recording
  double worstLateMs = 0;
  qint64 written = 0;
  qint64 target = 0;
  qint64 padded = 0;
  qint64 skipped = 0;
};

Outcome simulate(const Device& d, double seconds, double judgeAfter) {
  constexpr int kRate = 48000;
  LiveAudioTimeline timeline(kRate);
  const double framesPerMs = kRate * (1 + d.ppm * 1e-6) / 1000.0;
  qint64 arrived = 0, read = 0;
  Outcome o;
  auto burstTime = [&](qint64 j) {
    const double ms = j * d.burst / framesPerMs;
    return ms >= d.stallAt * 1000 ? ms + d.stallMs : ms;
  };
  qint64 nextBurst = 0;
  const qint64 endMs = static_cast<qint64>(seconds * 1000);
  qint64 lastMs = 0;
  for (qint64 ms = 0, k = 0; ms <= endMs; lastMs = ms, ms += 30 + (k * 7) % 9, ++k) {
    while (burstTime(nextBurst) <= ms) arrived = ++nextBurst * d.burst;
    timeline.mark(ms, arrived);
    const qint64 before = timeline.written();
    const AudioStep s = timeline.plan(timeline.targetAt(ms), arrived - read);
    read += s.skip;
    const qint64 takenAt = before + s.hold + s.silence;
    // A play just before burst j starts in it: it is due between the
    // previous burst's time and this one's.
    for (qint64 j = (read + d.burst - 1) / d.burst; j * d.burst < read + s.take; ++j) {
      const double placedMs = (takenAt + j * d.burst - read) * 1000.0 / kRate;
      if (burstTime(j) < judgeAfter * 1000) continue;
      const bool afterStall =
          burstTime(j) >= d.stallAt * 1000 && burstTime(j) < d.stallAt * 1000 + d.stallMs + 3000;
      if (afterStall) continue;
      o.worstLateMs = std::max(o.worstLateMs, placedMs - burstTime(j - 1));
      o.worstEarlyMs = std::max(o.worstEarlyMs, burstTime(j) - placedMs);
    }
    read += s.take;
  }
  o.written = timeline.written();
  o.target = timeline.targetAt(lastMs);
  o.padded = timeline.padded();
  o.skipped = timeline.skipped();
  return o;
}

TEST(LiveAudioTimeline, SoundStaysWithinAFrameOfItsMomentOverTenMinutes) {
  constexpr double kFrameMs = 1000.0 / 30;
  const double never = 1e9;
  for (const Device& d : std::vector<Device>{
           {"exact clock", 0, 1024, never, 0},
           {"device 300 ppm fast", 300, 1024, never, 0},
           {"device 300 ppm slow", -300, 1024, never, 0},
           {"small buffers", 100, 256, never, 0},
           {"large buffers", -100, 2048, never, 0},
           {"stall shorter than the latency", 0, 1024, 300, 120},
           {"stall longer than the latency", 50, 1024, 300, 700},
       }) {
    const Outcome o = simulate(d, 600, 2);
    EXPECT_LT(o.worstEarlyMs, kFrameMs) << d.name;
    EXPECT_LT(o.worstLateMs, kFrameMs) << d.name;
    // The recording's sound keeps pace with the program's clock.
    EXPECT_EQ(o.written, o.target) << d.name;
    // What was dropped, less what was put in, is the drift and the stall,
    // give or take the first burst's phase.
    const double drift = d.ppm * 1e-6 * 600 * 48000 - (d.stallAt < 600 ? d.stallMs * 48 : 0);
    EXPECT_NEAR(o.skipped - o.padded, drift, d.burst + 100) << d.name;
  }
}

TEST(LiveAudioTimeline, WithoutAnyMixTheSoundIsSilenceOfTheRightLength) {
  LiveAudioTimeline timeline(48000);
  qint64 silence = 0;
  for (qint64 ms = 0; ms <= 5000; ms += 33) {
    timeline.mark(ms, 0);
    const AudioStep s = timeline.plan(timeline.targetAt(ms), 0);
    EXPECT_EQ(s.take + s.skip, 0);
    silence += s.underrun + s.silence + s.hold;
  }
  const AudioStep last = timeline.plan(audioFramesAt(5000, 48000), 0);
  silence += last.underrun;
  EXPECT_EQ(silence, 240000);
  EXPECT_EQ(timeline.written(), 240000);
}

}  // namespace
}  // namespace sorane::record
