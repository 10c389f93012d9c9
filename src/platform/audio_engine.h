#pragma once

#include <QString>
#include <chrono>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "sound_decode.h"

namespace sorane {

enum class SoundKind { Wave, Midi };

// Hears the mix exactly as it is made: every frame the engine mixes, in
// order, on the mixing thread (the device's callback). It must not block.
class AudioTap {
 public:
  virtual ~AudioTap() = default;
  // `frames` stereo frames, interleaved, at the engine's rate.
  virtual void mixed(const float* samples, int frames) = 0;
};

// Sound devices named by alias, each holding one decoded sound, mixed into
// one output. A new play on an alias restarts that alias's sound; sounds of
// different aliases overlap (summed, clipped to full scale).
//
// Every function may be called from any thread; the output mixes on its own.
class AudioEngine {
 public:
  enum class Output {
    Device,       // an SDL audio device (a sound card, or SDL's dummy/disk driver)
    SilentClock,  // no device at all: sounds advance with the wall clock, unheard
    Manual,       // nothing pulls by itself; render() mixes on request (tests)
  };
  using Clock = std::chrono::steady_clock;

  // The system's sound output through SDL; without a usable device SDL's
  // "dummy" driver, and without that a silent clock. Never null.
  static std::unique_ptr<AudioEngine> openSystem(int preferredRate = 48000);
  static std::unique_ptr<AudioEngine> openSilentClock(int rate = 48000);
  static std::unique_ptr<AudioEngine> openManual(int rate = 48000);
  ~AudioEngine();
  AudioEngine(const AudioEngine&) = delete;
  AudioEngine& operator=(const AudioEngine&) = delete;

  int rate() const { return rate_; }
  Output output() const { return output_; }
  // The SDL driver in use ("pulseaudio", "dummy", "disk", ...); empty
  // without a device.
  QString driverName() const { return driver_; }
  // How long a mixed sample waits in the output before it is heard.
  int latencyMs() const { return latencyMs_; }

  // Decodes a file into the device `alias`, replacing any sound there
  // (stopped). False, with the device unchanged, when the file cannot be
  // decoded. Decoded files are kept in a small cache.
  bool open(const QString& alias, const QString& path, SoundKind kind);
  // Puts an already decoded sound into the device `alias` (stopped).
  void load(const QString& alias, SoundPtr sound);
  // Starts the device's sound at `fromMs`; false when no such device.
  bool play(const QString& alias, int fromMs = 0);
  // Plays `sound` on `alias` as soon as what it plays now has ended, from
  // the very next sample, and at once when it is silent (a device is made
  // when there is none). Sounds queued this way play in turn; a load, a
  // play or a stop drops them.
  void queue(const QString& alias, SoundPtr sound);
  bool stop(const QString& alias);
  bool close(const QString& alias);
  bool isOpen(const QString& alias);
  bool isPlaying(const QString& alias);
  // Time until the device's sound is heard to its end, output latency
  // included; 0 when it is not playing.
  int remainingMs(const QString& alias);
  // When the first sample of the device's current play was mixed into the
  // output; empty until then.
  std::optional<Clock::time_point> firstFrameTime(const QString& alias);
  // For a sound queued after another on `alias` that has started: the
  // milliseconds of output between the last sample of the one before and
  // its first (0 when it followed at once); empty otherwise.
  std::optional<double> queuedGapMs(const QString& alias);

  // Manual output: mixes and returns the next `frames` frames (stereo,
  // interleaved). Other outputs return an empty vector.
  std::vector<float> render(int frames);

  // Hands every frame mixed from now on to `tap` (null: to nobody). Once
  // this returns, the previous tap is no longer called. The silent clock
  // mixes for its tap too, when the engine is next called (see catchUp).
  void setTap(AudioTap* tap);
  // Silent clock: mixes up to now, so a tap hears sounds with no other call
  // to the engine. Other outputs mix by themselves.
  void catchUp();

 private:
  struct Voice {
    SoundPtr sound;
    qint64 pos = 0;
    bool playing = false;
    std::optional<Clock::time_point> firstFrame;
    std::deque<SoundPtr> queued;
    qint64 endedAt = -1;     // output frame where the last sound ended
    qint64 followedAt = -1;  // the end of the sound before a queued one
    qint64 startedAt = -1;   // output frame of the first sample of `sound`
  };
  struct CacheEntry {
    QString key;
    SoundPtr sound;
  };

  AudioEngine(Output output, int rate);
  static void mixCallback(void* user, unsigned char* stream, int len);
  void mixLocked(float* out, int frames);
  void startQueuedLocked(Voice& v);
  void advanceClockLocked();
  SoundPtr decode(const QString& path, SoundKind kind);

  Output output_;
  int rate_;
  int latencyMs_ = 0;
  QString driver_;
  std::uint32_t device_ = 0;
  bool sdlSubsystem_ = false;
  bool sdlDirectInit_ = false;
  Clock::time_point clockMark_;

  std::mutex mutex_;
  std::map<QString, Voice> voices_;
  AudioTap* tap_ = nullptr;
  std::vector<float> tapScratch_;
  qint64 mixedFrames_ = 0;  // output frames mixed so far

  std::mutex cacheMutex_;
  std::list<CacheEntry> cache_;
  std::unique_ptr<MidiRenderer> midi_;
};

}  // namespace sorane
