#include <benchmark/benchmark.h>

#include "lcd_demo_route.h"
#include "lcd_render.h"

namespace {

using namespace sorane;

// The demo route with two tiers and every language, on its 10th stop.
struct DemoBoard {
  DemoBoard() {
    model.setRoute(rows, bench::demoExtras(rows, true, true));
    model.setBacklight(BoardModel::Backlight::On1);
    bench::showDemoRow(model, rows, 10);
  }
  std::vector<RouteRow> rows = bench::demoRows();
  BoardModel model;
};

// A whole frame: band, table and bottom all drawn again, as after a step;
// two stops in turn, the night fare on and off, so every part changes every
// time. Glyphs and the names' pictures warm.
void BM_LcdWholeFrame(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  DemoBoard b;
  lcd::Renderer r;
  int i = 0;
  for (auto _ : state) {
    b.model.setNightFare(i % 2 == 1);
    bench::showDemoRow(b.model, b.rows, 10 + i % 2);
    r.render(lcd::sceneAt(b.model, b.model.announcedSince(), scale), lcd::Scheme::Black, scale);
    benchmark::DoNotOptimize(r.frame().constBits());
    ++i;
  }
}
BENCHMARK(BM_LcdWholeFrame)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// A language phase: the band alone.
void BM_LcdPhase(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  DemoBoard b;
  lcd::Renderer r;
  const QDateTime t = b.model.announcedSince();
  int i = 0;
  for (auto _ : state) {
    r.render(lcd::sceneAt(b.model, t.addMSecs(3000 * (i % 6)), scale), lcd::Scheme::Black, scale);
    benchmark::DoNotOptimize(r.frame().constBits());
    ++i;
  }
}
BENCHMARK(BM_LcdPhase)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A frame from nothing: a new renderer, no name pictures kept.
void BM_LcdColdFrame(benchmark::State& state) {
  const int scale = static_cast<int>(state.range(0));
  DemoBoard b;
  const QDateTime t = b.model.announcedSince();
  for (auto _ : state) {
    const QImage frame = lcd::renderFrame(b.model, t, scale, lcd::Scheme::Black);
    benchmark::DoNotOptimize(frame.constBits());
  }
}
BENCHMARK(BM_LcdColdFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
