// Records for the tests in a process of its own:
//   record_child live FILE           records in real time until killed,
//                                    printing "at MS" ten times a second;
//   record_child limited FILE BYTES  renders 20 s into a file that may not
//                                    grow past BYTES, printing "error MSG".
#include <sys/resource.h>

#include <QThread>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "mp4_writer.h"
#include "record_pictures.h"

using namespace sorane::record;

namespace {

int recordLive(const QString& path) {
  RecordingOptions o;
  o.path = path;
  o.size = {320, 180};
  o.threads = 1;
  Mp4Writer writer(o);
  if (!writer.isRecording()) return 1;
  const sorane::test::Burst tone{0, 1 << 30, 440, 0.2};
  const auto start = std::chrono::steady_clock::now();
  std::vector<float> chunk(480 * 2);
  qint64 mixed = 0, told = -100;
  int shown = -1;
  for (;;) {
    const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    while (mixed + 480 <= ms * 48) {
      for (int i = 0; i < 480; ++i) chunk[i * 2] = chunk[i * 2 + 1] = tone.at(mixed + i);
      writer.mixed(chunk.data(), 480);
      mixed += 480;
    }
    if (ms / 100 != shown) {
      shown = static_cast<int>(ms / 100);
      writer.addPicture(sorane::test::boardPicture(o.size, shown % 4), ms);
    }
    writer.advanceTo(ms);
    if (ms - told >= 100) {
      told = ms;
      std::printf("at %lld\n", static_cast<long long>(ms));
      std::fflush(stdout);
    }
    QThread::msleep(5);
  }
}

int recordLimited(const QString& path, long long bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  setrlimit(RLIMIT_FSIZE, &limit);
  RecordingOptions o;
  o.path = path;
  o.size = {320, 180};
  o.pace = RecordingOptions::Pace::Render;
  o.threads = 1;
  Mp4Writer writer(o);
  int failed = 0;
  QObject::connect(&writer, &Mp4Writer::failed, [&] { ++failed; });
  // A strip of changing noise keeps every frame costly.
  quint32 seed = 1;
  for (int k = 0; k < 600 && writer.isRecording(); ++k) {
    QImage picture = sorane::test::boardPicture(o.size, k / 30 % 4);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < o.size.width(); ++x)
        picture.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
    writer.addPicture(picture, k * 100 / 3);
  }
  const RecordingResult result = writer.finish(20000);
  std::printf("error %s\nfailed %d\n", result.error.toUtf8().constData(), failed);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "live") == 0) return recordLive(QString::fromUtf8(argv[2]));
  if (argc >= 4 && std::strcmp(argv[1], "limited") == 0)
    return recordLimited(QString::fromUtf8(argv[2]), std::atoll(argv[3]));
  std::fputs("usage: record_child live FILE | limited FILE BYTES\n", stderr);
  return 2;
}
