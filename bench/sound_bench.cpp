#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "sound_decode.h"
#include "test_sounds.h"

namespace {

// A chime of four quarter-second notes, as a route-set sound might be.
const QByteArray& chime() {
  static const QByteArray midi = sorane::test::makeMidi({79, 76, 72, 67}, 240);
  return midi;
}

void BM_MidiRenderChime(benchmark::State& state) {
  sorane::MidiRenderer renderer;
  renderer.render(chime(), 48000);
  double seconds = 0;
  for (auto _ : state) {
    const sorane::SoundPtr sound = renderer.render(chime(), 48000);
    seconds = sound ? sound->durationMs() / 1000.0 : 0;
    benchmark::DoNotOptimize(sound);
  }
  state.counters["sound_s"] = seconds;
}
BENCHMARK(BM_MidiRenderChime)->Unit(benchmark::kMillisecond);

// The first MIDI sound of a run also loads the soundfont.
void BM_MidiRenderChimeFirst(benchmark::State& state) {
  for (auto _ : state) {
    sorane::MidiRenderer renderer;
    benchmark::DoNotOptimize(renderer.render(chime(), 48000));
  }
}
BENCHMARK(BM_MidiRenderChimeFirst)->Unit(benchmark::kMillisecond);

void BM_WavDecodeResample3s(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath("three.wav");
  sorane::test::writeSineWav(path, 44100, 3.0, 440, 0.5);
  for (auto _ : state) benchmark::DoNotOptimize(sorane::decodeSoundFile(path, 48000));
}
BENCHMARK(BM_WavDecodeResample3s)->Unit(benchmark::kMillisecond);

}  // namespace
