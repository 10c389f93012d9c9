// Encoding speed of the MP4 writer: a mostly still board with a scrolling
// strip, as a drive shows it, rendered (the writer paces the caller) and
// live (counted as the share of a core it takes at real time). Every frame
// hands over a new picture, as a scroll does; "still" hands over one.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <thread>

#include "frame_timing.h"
#include "mp4_writer.h"

namespace {

using sorane::record::Mp4Writer;
using sorane::record::RecordingOptions;

constexpr int kSeconds = 10;

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QImage stillPart(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(16, 16, 16));
  QPainter p(&image);
  const int cell = std::max(4, size.height() / 24);
  for (int y = cell; y < size.height() / 2; y += cell)
    for (int x = cell; x < size.width() - cell; x += cell)
      if ((x / cell * 7 + y / cell * 3) % 5 < 2)
        p.fillRect(x, y, cell - 1, cell - 1, QColor(255, 140, 0));
  return image;
}

// The strip in the lower half moves one dot to the left each frame.
void scroll(QImage& image, const QImage& still, int frame) {
  const int cell = std::max(4, image.height() / 24);
  const int top = image.height() * 2 / 3;
  QPainter p(&image);
  p.fillRect(0, top, image.width(), cell * 4, still.pixelColor(0, 0));
  for (int x = -(frame % (cell * 8)); x < image.width(); x += cell * 2)
    p.fillRect(x, top, cell * 2 - 2, cell * 4, QColor(255, 60, 30));
}

void record(benchmark::State& state, RecordingOptions::Pace pace, bool moving) {
  const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const QString path = QDir::temp().filePath(QStringLiteral("sorane-record-bench.mp4"));
  const QImage still = stillPart(size);
  std::vector<float> sound(1600 * 2);
  qint64 repeated = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double cpuStart = cpuSeconds();
    RecordingOptions o;
    o.path = path;
    o.size = size;
    o.pace = pace;
    o.threads = pace == RecordingOptions::Pace::Live ? 1 : 0;
    Mp4Writer writer(o);
    QImage picture = still;
    const auto start = std::chrono::steady_clock::now();
    const int frames = kSeconds * sorane::record::kFramesPerSecond;
    for (int k = 0; k < frames; ++k) {
      const qint64 ms = k * 1000 / sorane::record::kFramesPerSecond;
      // Live, the program keeps real time.
      if (pace == RecordingOptions::Pace::Live)
        std::this_thread::sleep_until(start + std::chrono::milliseconds(ms));
      if (moving || k == 0) {
        scroll(picture, still, k);
        writer.addPicture(picture, ms);
      }
      for (int i = 0; i < 1600; ++i) sound[i * 2] = sound[i * 2 + 1] = 0.1f * std::sin(i * 0.0575f);
      writer.mixed(sound.data(), 1600);
      writer.advanceTo((k + 1) * 1000 / sorane::record::kFramesPerSecond);
    }
    const auto result = writer.finish(kSeconds * 1000);
    repeated += result.repeatedFrames;
    if (!result.error.isEmpty()) state.SkipWithError(result.error.toUtf8().constData());
    cpu += cpuSeconds() - cpuStart;
  }
  QFile::remove(path);
  state.counters["x_realtime"] =
      benchmark::Counter(double(kSeconds) * state.iterations(), benchmark::Counter::kIsRate);
  // CPU a second of video costs: the share of a core a live recording takes.
  state.counters["cores_at_1x"] = cpu / (double(kSeconds) * state.iterations());
  state.counters["repeated"] = double(repeated);
}

void BM_Render(benchmark::State& state) {
  record(state, RecordingOptions::Pace::Render, true);
}
void BM_RenderStill(benchmark::State& state) {
  record(state, RecordingOptions::Pace::Render, false);
}
void BM_LiveCpu(benchmark::State& state) {
  record(state, RecordingOptions::Pace::Live, true);
}

// 594x228 is the classic board at 1x.
void sizes(benchmark::internal::Benchmark* b, bool board) {
  if (board) b->Args({594, 228});
  b->Args({960, 540})->Args({1920, 1080});
  b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
}

BENCHMARK(BM_Render)->Apply([](auto* b) { sizes(b, true); });
BENCHMARK(BM_RenderStill)->Apply([](auto* b) { sizes(b, false); });
BENCHMARK(BM_LiveCpu)->Apply([](auto* b) { sizes(b, true); });

}  // namespace
