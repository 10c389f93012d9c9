#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "app_info.h"
#include "chimei_ctl_b.h"
#include "data_io.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program.h"
#include "qt_ui.h"
#include "route_file.h"

namespace {

using namespace sorane;

std::vector<RouteRow> rows(int n, bool names) {
  std::vector<RouteRow> out(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (names) out[static_cast<std::size_t>(i)].StopName = QStringLiteral("停留所%1番地前").arg(i);
    for (int k = 0; k <= 150; ++k)
      out[static_cast<std::size_t>(i)].Values[static_cast<std::size_t>(k)] =
          static_cast<std::int16_t>(170 + i + k);
  }
  return out;
}

// The real Ui, except that a message box would stop a benchmark for good.
class NoMessages : public QtUi {
 public:
  MsgAnswer message(const QString& text, const QString&, MsgButtons, MsgIcon, QWidget*) override {
    qFatal("unexpected message: %s", qPrintable(text));
  }
};

// A program in its own folder with route 1 of `n` rows there.
struct Fixture {
  explicit Fixture(int n, bool names = true) {
    previous = installUi(&ui);
    setProgramPathForTesting(QDir(dir.path()).filePath("318"));
    QFile f(QDir(dir.path()).filePath("1.hy3"));
    f.open(QIODevice::WriteOnly);
    f.write(encodeRouteFile(rows(n, names)));
    f.close();
    program.setEndHandler([] {});
    program.start();
    program.option().Text2[0]->setText(dir.path());
    program.dataIo().RouteText = QStringLiteral("1");
    program.dataIo().StartSection = 1;
  }
  ~Fixture() {
    setProgramPathForTesting(QString());
    installUi(previous);
  }
  NoMessages ui;
  Ui* previous = nullptr;
  QTemporaryDir dir;
  Program program;
};

// Reading a 301-row file into the store, from disk.
void BM_LoadRoute301(benchmark::State& state) {
  Fixture f(301);
  for (auto _ : state) benchmark::DoNotOptimize(f.program.dataIo().LoadRouteFile(f.dir.path()));
}
BENCHMARK(BM_LoadRoute301)->Unit(benchmark::kMicrosecond);

void BM_ParseRoute301(benchmark::State& state) {
  const QByteArray bytes = encodeRouteFile(rows(301, true));
  for (auto _ : state) benchmark::DoNotOptimize(parseRouteFile(bytes).rows.size());
}
BENCHMARK(BM_ParseRoute301)->Unit(benchmark::kMicrosecond);

// One stop on the board: 32 fares and the other steps, the stop name empty.
void BM_DispDataWithoutName(benchmark::State& state) {
  Fixture f(301, false);
  f.program.dataIo().LoadRouteFile(f.dir.path());
  std::int16_t row = 1;
  for (auto _ : state) {
    f.program.ctl().DispData(row);
    row = static_cast<std::int16_t>(row % 300 + 1);
  }
}
BENCHMARK(BM_DispDataWithoutName)->Unit(benchmark::kMicrosecond);

// A whole route set with its real 3000 ms lamp test; reports the time
// beyond the lamp test.
void BM_RouteSet(benchmark::State& state) {
  Fixture f(25);
  f.program.ctl().Label2[0]->setText(QStringLiteral("1"));
  f.program.ctl().Label2[2]->setText(QStringLiteral("1"));
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    f.program.ctl().Command1_Click(1);
    state.counters["beyond_lamp_test_ms"] = static_cast<double>(t.nsecsElapsed()) / 1e6 - 3000.0;
  }
}
BENCHMARK(BM_RouteSet)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
