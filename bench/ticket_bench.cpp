#include <benchmark/benchmark.h>

#include <QFile>
#include <QImage>
#include <QPainter>

#include "companion.h"
#include "ticket_format.h"
#include "twips.h"

namespace {

using namespace sorane;

QString demo(const char* name) {
  return QStringLiteral(SORANE_DEMO_DIR "/") + QLatin1String(name);
}

// One warm preview, as the panel draws it at each stop: the call through the
// companion (the cache checks the file's stamp) into the preview's image.
void drawTicket(benchmark::State& state, const char* plugin) {
  const QString path = demo(plugin);
  PlgInfo info;
  if (!companion().VK4_GetPlgInfo(path, info)) {
    state.SkipWithError("not a usable plug-in");
    return;
  }
  QImage image(px(info(2)), px(info(3)), QImage::Format_RGB32);
  const QStringList stops = {QStringLiteral("緑ヶ丘車庫"), QStringLiteral("市民病院前"),
                             QStringLiteral("ひばりが丘ニュータウン中央")};
  int n = 0;
  for (auto _ : state) {
    QPainter dc(&image);
    QString stop = stops[n % stops.size()];
    companion().VK4_DrawSeiriken(path, dc, stop, QStringLiteral("03-15-2025"),
                                 QStringLiteral("08:05:30"), 12, static_cast<std::int16_t>(n % 25),
                                 static_cast<std::int16_t>(n % 25),
                                 static_cast<std::int16_t>(n % 2));
    ++n;
  }
}
BENCHMARK_CAPTURE(drawTicket, basic, "seiriken_basic.4SP")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drawTicket, barcode, "seiriken_barcode.4SP")->Unit(benchmark::kMicrosecond);

// Reading a plug-in from its bytes, as on a cache miss (pictures not included).
void parsePlugin(benchmark::State& state) {
  QFile f(demo("seiriken_barcode.4SP"));
  f.open(QIODevice::ReadOnly);
  const QByteArray bytes = f.readAll();
  for (auto _ : state) benchmark::DoNotOptimize(ticket::parseTicket(bytes));
}
BENCHMARK(parsePlugin)->Unit(benchmark::kMicrosecond);

}  // namespace
