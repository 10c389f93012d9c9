#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <mutex>
#include <vector>

namespace sorane {

// A decoded sound: interleaved stereo float samples (left, right) at `rate`.
struct Sound {
  int rate = 0;
  std::vector<float> samples;

  qint64 frames() const { return static_cast<qint64>(samples.size() / 2); }
  // Length in milliseconds, rounded up.
  int durationMs() const;
};
using SoundPtr = std::shared_ptr<const Sound>;

// Stereo float at `rate` from interleaved float samples of `channels`
// channels at `fromRate`: mono is doubled, channels past two are dropped,
// and the rate is converted with libsamplerate.
SoundPtr toOutputSound(const std::vector<float>& interleaved, int channels, int fromRate, int rate);

// Sound files longer than these are refused unread: some minutes of CD
// sound, and far more notes than any chime has.
inline constexpr qint64 kMaxWaveFileBytes = 64 << 20;
inline constexpr qint64 kMaxMidiFileBytes = 4 << 20;

// Any sound file libsndfile reads (WAV in any of its encodings), converted to
// stereo at `rate`; null when the bytes or file cannot be decoded.
SoundPtr decodeSoundBytes(const QByteArray& bytes, int rate);
SoundPtr decodeSoundFile(const QString& path, int rate);

// The General MIDI soundfont found in the system's soundfont folder; empty
// when none is installed.
QString findSoundFont();

// Renders standard MIDI files offline with FluidSynth. Each render loads
// the soundfont's instruments that the piece chooses, and lets them go when
// it is done: the sound is kept by the caller, the 14 MB font is not. One
// render at a time; safe to use from any thread.
class MidiRenderer {
 public:
  explicit MidiRenderer(QString soundFont = findSoundFont());
  ~MidiRenderer();
  MidiRenderer(const MidiRenderer&) = delete;
  MidiRenderer& operator=(const MidiRenderer&) = delete;

  // The whole piece and the release tail of its last notes, stereo at
  // `rate`; null when the file or the soundfont cannot be read.
  SoundPtr render(const QByteArray& midi, int rate);
  SoundPtr renderFile(const QString& path, int rate);

 private:
  struct Synth;
  std::unique_ptr<Synth> makeSynth(int rate) const;

  QString soundFont_;
  std::mutex mutex_;
};

}  // namespace sorane
