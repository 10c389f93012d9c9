// Process CPU time while a 20-cell name scrolls in a real event loop.
// Usage: chimei_scroll_cpu [seconds]   (default 10)
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "chimei_ctl_b.h"

namespace {

double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double wallSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Counts what the scroll costs the window system: moves and repaints.
class Counter : public QObject {
 public:
  int moves = 0;
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Move) ++moves;
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;

  sorane::ChimeiCtl_B el;
  el.InitProperties();
  el.setSpeed(5);
  el.show();
  Counter counter;
  el.Picture1()->installEventFilter(&counter);
  // Let the window appear before measuring.
  QTimer::singleShot(500, &app, [&] {
    el.SetChimei(QStringLiteral("東京駅八重洲口前バスターミナル行き直通便"));
    const int startTop = el.Picture1()->y();
    const double cpu0 = cpuSeconds();
    const double wall0 = wallSeconds();
    counter.moves = counter.paints = 0;
    QTimer::singleShot(seconds * 1000, &app, [&, startTop, cpu0, wall0] {
      const double cpu = cpuSeconds() - cpu0;
      const double wall = wallSeconds() - wall0;
      std::printf("platform %s: %.1f s scrolling, CPU %.3f s = %.2f%% of one core\n",
                  qPrintable(QGuiApplication::platformName()), wall, cpu, 100.0 * cpu / wall);
      std::printf("strip moved %d px in %d moves, %d repaints (%.1f per second)\n",
                  startTop - el.Picture1()->y(), counter.moves, counter.paints,
                  counter.paints / wall);
      app.quit();
    });
  });
  return app.exec();
}
