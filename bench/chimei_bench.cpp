#include <benchmark/benchmark.h>

#include "chimei_ctl_b.h"
#include "cp932.h"
#include "dot16.h"

namespace {

const QString kTwentyCells = QStringLiteral("東京駅八重洲口前バスターミナル行き直通便");

// Laying out and drawing a 20-cell name, glyphs already rendered once.
void BM_SetChimeiTwentyCells(benchmark::State& state) {
  sorane::ChimeiCtl_B el;
  el.InitProperties();
  el.SetChimei(kTwentyCells);
  for (auto _ : state) {
    el.SetChimei(kTwentyCells);
    benchmark::DoNotOptimize(el.Picture1()->surface().constBits());
  }
}
BENCHMARK(BM_SetChimeiTwentyCells)->Unit(benchmark::kMicrosecond);

// The same with every glyph rendered afresh.
void BM_SetChimeiTwentyCellsCold(benchmark::State& state) {
  sorane::ChimeiCtl_B el;
  el.InitProperties();
  el.SetChimei(kTwentyCells);
  for (auto _ : state) {
    sorane::clearDot16Cache();
    el.SetChimei(kTwentyCells);
    benchmark::DoNotOptimize(el.Picture1()->surface().constBits());
  }
}
BENCHMARK(BM_SetChimeiTwentyCellsCold)->Unit(benchmark::kMicrosecond);

// A standing five-cell name.
void BM_SetChimeiFiveCells(benchmark::State& state) {
  sorane::ChimeiCtl_B el;
  el.InitProperties();
  for (auto _ : state) {
    el.SetChimei(QStringLiteral("系統選別中"));
    benchmark::DoNotOptimize(el.Picture1()->surface().constBits());
  }
}
BENCHMARK(BM_SetChimeiFiveCells)->Unit(benchmark::kMicrosecond);

// One unit rendered afresh: font lookup, scratch raster, sampling.
void BM_RenderDot16Fresh(benchmark::State& state) {
  const QByteArray unit = sorane::cp932::encode(QStringLiteral("駅"));
  for (auto _ : state) benchmark::DoNotOptimize(sorane::renderDot16Fresh(unit, 0, false));
}
BENCHMARK(BM_RenderDot16Fresh);

// A unit the outline faces draw.
void BM_RenderDot16FreshFallback(benchmark::State& state) {
  const QByteArray unit = sorane::cp932::encode(QStringLiteral("①"));
  for (auto _ : state) benchmark::DoNotOptimize(sorane::renderDot16Fresh(unit, 0, false));
}
BENCHMARK(BM_RenderDot16FreshFallback);

}  // namespace
