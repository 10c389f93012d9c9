#include <benchmark/benchmark.h>

#include "m_degit.h"

// One fare cell taking a new value: text, segments and the retained picture.
static void BM_DegitValue(benchmark::State& state) {
  sorane::M_Degit d;
  d.setDegitStyle(2);
  int v = 0;
  for (auto _ : state) {
    d.setValue(170 + (v++ % 500));
    benchmark::DoNotOptimize(d.surface().constBits());
  }
}
BENCHMARK(BM_DegitValue);
