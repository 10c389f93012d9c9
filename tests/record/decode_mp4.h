#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace sorane::test {

// A stream as libavformat sees it.
struct Mp4Stream {
  QString kind;     // "video" or "audio"
  QString codec;    // "h264", "aac"
  QString tag;      // the sample entry: "avc1", "mp4a"
  QString profile;  // "High", "LC"
  QString pixelFormat;
  int width = 0;
  int height = 0;
  double frameRate = 0;
  int sampleRate = 0;
  int channels = 0;
};

// An MP4 file decoded the way a player would: every picture at its frame
// index and the sound placed by its timestamps, stereo 48 kHz.
struct DecodedMp4 {
  QString error;
  std::vector<Mp4Stream> streams;
  std::vector<QImage> frames;      // frame k at k/30 s, RGB32
  std::vector<qint64> frameIndex;  // each picture's index from its timestamp
  std::vector<float> audio;        // interleaved stereo
  double videoSeconds() const { return frames.size() / 30.0; }
  double audioSeconds() const { return audio.size() / 2 / 48000.0; }
};

DecodedMp4 decodeMp4(const QString& path);

// Root mean square of both channels over [fromMs, toMs).
double rms(const std::vector<float>& audio, int fromMs, int toMs);
// The first frame (at 48 kHz) at or after `fromMs` louder than `level`; -1
// when none.
qint64 firstLoud(const std::vector<float>& audio, double level, int fromMs = 0);
// Mean absolute difference of the colour channels, 0..255.
double meanDifference(const QImage& a, const QImage& b);

}  // namespace sorane::test
