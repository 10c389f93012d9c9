#include "sound_decode.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "test_sounds.h"

namespace sorane {
namespace {

float ramp(int frame, int channel) {
  return (channel == 0 ? 1.0f : -1.0f) * frame / 1000.0f;
}
float quarter(int, int) {
  return 0.25f;
}

float peakOf(const Sound& s, qint64 fromFrame, qint64 toFrame) {
  float peak = 0;
  for (qint64 i = fromFrame * 2; i < std::min<qint64>(toFrame * 2, s.samples.size()); ++i)
    peak = std::max(peak, std::abs(s.samples[static_cast<std::size_t>(i)]));
  return peak;
}

TEST(SoundDecode, StereoFloatAtTheOutputRateKeepsEverySample) {
  QTemporaryDir dir;
  const QString path = dir.filePath("s.wav");
  ASSERT_TRUE(test::writeWav(path, 48000, 2, 1000, SF_FORMAT_FLOAT, ramp));
  const SoundPtr s = decodeSoundFile(path, 48000);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->rate, 48000);
  ASSERT_EQ(s->frames(), 1000);
  EXPECT_FLOAT_EQ(s->samples[2 * 500], 0.5f);
  EXPECT_FLOAT_EQ(s->samples[2 * 500 + 1], -0.5f);
  EXPECT_EQ(s->durationMs(), 21);
}

TEST(SoundDecode, MonoIsHeardOnBothSides) {
  QTemporaryDir dir;
  const QString path = dir.filePath("m.wav");
  ASSERT_TRUE(test::writeWav(path, 48000, 1, 100, SF_FORMAT_PCM_16, quarter));
  const SoundPtr s = decodeSoundFile(path, 48000);
  ASSERT_TRUE(s);
  ASSERT_EQ(s->frames(), 100);
  EXPECT_NEAR(s->samples[20], 0.25f, 1e-4);
  EXPECT_NEAR(s->samples[21], 0.25f, 1e-4);
}

TEST(SoundDecode, ChannelsPastTwoAreDropped) {
  QTemporaryDir dir;
  const QString path = dir.filePath("q.wav");
  ASSERT_TRUE(test::writeWav(path, 48000, 4, 10, SF_FORMAT_FLOAT,
                             [](int, int c) { return 0.1f * static_cast<float>(c + 1); }));
  const SoundPtr s = decodeSoundFile(path, 48000);
  ASSERT_TRUE(s);
  EXPECT_FLOAT_EQ(s->samples[0], 0.1f);
  EXPECT_FLOAT_EQ(s->samples[1], 0.2f);
}

TEST(SoundDecode, EveryCommonWavEncodingDecodes) {
  QTemporaryDir dir;
  const int formats[] = {SF_FORMAT_PCM_U8,    SF_FORMAT_PCM_16,  SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                         SF_FORMAT_FLOAT,     SF_FORMAT_DOUBLE,  SF_FORMAT_ULAW,   SF_FORMAT_ALAW,
                         SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM};
  for (int format : formats) {
    const QString path = dir.filePath(QString("f%1.wav").arg(format));
    ASSERT_TRUE(test::writeWav(path, 22050, 1, 22050, format, quarter)) << format;
    const SoundPtr s = decodeSoundFile(path, 48000);
    ASSERT_TRUE(s) << format;
    EXPECT_NEAR(s->frames(), 48000, 1100) << format;
    EXPECT_NEAR(s->samples[2 * 24000], 0.25f, 0.02f) << format;
  }
}

TEST(SoundDecode, ResamplingKeepsLengthAndPitch) {
  QTemporaryDir dir;
  const QString path = dir.filePath("sine.wav");
  ASSERT_TRUE(test::writeSineWav(path, 44100, 1.0, 1000, 0.5));
  const SoundPtr s = decodeSoundFile(path, 48000);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->frames(), 48000);
  int crossings = 0;
  for (qint64 i = 1; i < s->frames(); ++i)
    if ((s->samples[2 * (i - 1)] < 0) != (s->samples[2 * i] < 0)) ++crossings;
  EXPECT_NEAR(crossings, 2000, 4);
  EXPECT_NEAR(peakOf(*s, 1000, 47000), 0.5f, 0.01f);
}

TEST(SoundDecode, WhatIsNotASoundDecodesToNothing) {
  EXPECT_FALSE(decodeSoundBytes({}, 48000));
  EXPECT_FALSE(decodeSoundBytes("RIFF\x10\0\0\0WAVEjunk", 48000));
  EXPECT_FALSE(decodeSoundBytes(QByteArray(5000, 'x'), 48000));
  EXPECT_FALSE(decodeSoundFile("/nonexistent/x.wav", 48000));
}

TEST(SoundDecode, FilesLongerThanTheirKindMayBeAreRefusedUnread) {
  QTemporaryDir dir;
  const QString wav = dir.filePath("padded.wav");
  ASSERT_TRUE(test::writeLevelWav(wav, 48000, 480, 0.5));
  const QString mid = dir.filePath("padded.mid");
  ASSERT_TRUE(test::writeFile(mid, test::makeMidi({60}, 480)));
  MidiRenderer renderer;
  // What follows the sound does not matter to the decoders; the size does.
  for (qint64 pad : {qint64{0}, qint64{1}}) {
    ASSERT_TRUE(QFile::resize(wav, kMaxWaveFileBytes + pad));
    ASSERT_TRUE(QFile::resize(mid, kMaxMidiFileBytes + pad));
    EXPECT_EQ(decodeSoundFile(wav, 48000) != nullptr, pad == 0) << pad;
    EXPECT_EQ(renderer.renderFile(mid, 48000) != nullptr, pad == 0) << pad;
  }
}

TEST(SoundDecode, TheSystemSoundFontIsFound) {
  const QString font = findSoundFont();
  ASSERT_FALSE(font.isEmpty());
  EXPECT_TRUE(QFile::exists(font));
  EXPECT_TRUE(font.endsWith(".sf2"));
}

TEST(MidiRender, ShortChimeRendersWholeWithItsReleaseButNotSecondsMore) {
  MidiRenderer renderer;
  // Three quarter-second notes: 0.75 s of piece.
  const SoundPtr s = renderer.render(test::makeMidi({72, 76, 79}, 240), 48000);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->rate, 48000);
  EXPECT_GT(s->durationMs(), 750);
  EXPECT_LT(s->durationMs(), 750 + 4100);
  // Each note sounds during its own quarter second.
  for (int note = 0; note < 3; ++note)
    EXPECT_GT(peakOf(*s, note * 12000 + 1200, note * 12000 + 10000), 0.05f) << note;
  // The tail fades to silence instead of being cut.
  EXPECT_LT(peakOf(*s, s->frames() - 512, s->frames()), 0.01f);
}

TEST(MidiRender, TheSameRendererRendersAgainAlike) {
  MidiRenderer renderer;
  const QByteArray midi = test::makeMidi({60}, 480);
  const SoundPtr a = renderer.render(midi, 48000);
  const SoundPtr b = renderer.render(midi, 48000);
  ASSERT_TRUE(a && b);
  // Effects may ring a block or two longer after an earlier piece.
  EXPECT_NEAR(a->frames(), b->frames(), 2048);
  EXPECT_NEAR(peakOf(*a, 0, a->frames()), peakOf(*b, 0, b->frames()), 0.01f);
}

TEST(MidiRender, OtherRatesRenderTheSameLength) {
  MidiRenderer renderer;
  const QByteArray midi = test::makeMidi({67}, 960);
  const SoundPtr s = renderer.render(midi, 44100);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->rate, 44100);
  EXPECT_GT(s->durationMs(), 1000);
}

TEST(MidiRender, BrokenFilesAndAMissingSoundFontRenderNothing) {
  MidiRenderer renderer;
  EXPECT_FALSE(renderer.render("MThd", 48000));
  // A track that claims 4 GiB and holds nothing.
  static constexpr char kHugeTrack[] = "MThd\0\0\0\6\0\0\0\1\1\xE0MTrk\xFF\xFF\xFF\xFF";
  static_assert(sizeof kHugeTrack - 1 == 22);
  EXPECT_FALSE(renderer.render(QByteArray(kHugeTrack, sizeof kHugeTrack - 1), 48000));
  EXPECT_FALSE(renderer.render(QByteArray(100, 'x'), 48000));
  EXPECT_FALSE(renderer.renderFile("/nonexistent/a.mid", 48000));
  MidiRenderer noFont{QString()};
  EXPECT_FALSE(noFont.render(test::makeMidi({60}, 480), 48000));
  MidiRenderer badFont{"/nonexistent/x.sf2"};
  EXPECT_FALSE(badFont.render(test::makeMidi({60}, 480), 48000));
}

}  // namespace
}  // namespace sorane
