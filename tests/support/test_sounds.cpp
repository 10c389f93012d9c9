#include "test_sounds.h"

#include <sndfile.h>

#include <QFile>
#include <cmath>

namespace sorane::test {

bool writeWav(const QString& path, int rate, int channels, int frames, int format,
              float (*value)(int frame, int channel)) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | format;
  SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
  if (!file) return false;
  std::vector<float> data(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      data[static_cast<std::size_t>(i * channels + c)] = value(i, c);
  const sf_count_t written = sf_writef_float(file, data.data(), frames);
  sf_close(file);
  return written == frames;
}

bool writeSineWav(const QString& path, int rate, double seconds, double hz, double amplitude) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
  if (!file) return false;
  const int frames = static_cast<int>(std::lround(seconds * rate));
  std::vector<float> data(static_cast<std::size_t>(frames));
  for (int i = 0; i < frames; ++i)
    data[static_cast<std::size_t>(i)] =
        static_cast<float>(amplitude * std::sin(2 * M_PI * hz * i / rate));
  const sf_count_t written = sf_writef_float(file, data.data(), frames);
  sf_close(file);
  return written == frames;
}

bool writeLevelWav(const QString& path, int rate, int frames, double level) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
  if (!file) return false;
  std::vector<float> data(static_cast<std::size_t>(frames), static_cast<float>(level));
  const sf_count_t written = sf_writef_float(file, data.data(), frames);
  sf_close(file);
  return written == frames;
}

namespace {
void put32(QByteArray& b, quint32 v) {
  for (int s = 24; s >= 0; s -= 8) b.append(static_cast<char>((v >> s) & 0xFF));
}
void put16(QByteArray& b, quint16 v) {
  b.append(static_cast<char>(v >> 8));
  b.append(static_cast<char>(v & 0xFF));
}
void putVarLen(QByteArray& b, quint32 v) {
  QByteArray bytes;
  bytes.prepend(static_cast<char>(v & 0x7F));
  while ((v >>= 7) != 0) bytes.prepend(static_cast<char>((v & 0x7F) | 0x80));
  b.append(bytes);
}
}  // namespace

QByteArray makeMidi(const std::vector<int>& notes, int ticksEach) {
  QByteArray track;
  // Tempo 500000 us a quarter (120 bpm), program 0 (piano).
  track.append(QByteArray::fromHex("00FF5103") + QByteArray::fromHex("07A120"));
  track.append(QByteArray::fromHex("00C000"));
  for (int note : notes) {
    putVarLen(track, 0);
    track.append(static_cast<char>(0x90));
    track.append(static_cast<char>(note));
    track.append(static_cast<char>(100));
    putVarLen(track, static_cast<quint32>(ticksEach));
    track.append(static_cast<char>(0x80));
    track.append(static_cast<char>(note));
    track.append(static_cast<char>(0));
  }
  track.append(QByteArray::fromHex("00FF2F00"));

  QByteArray midi("MThd");
  put32(midi, 6);
  put16(midi, 0);
  put16(midi, 1);
  put16(midi, 480);
  midi.append("MTrk");
  put32(midi, static_cast<quint32>(track.size()));
  midi.append(track);
  return midi;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace sorane::test
