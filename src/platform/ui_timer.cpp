#include "ui_timer.h"

#include <algorithm>
#include <vector>

#include "ui.h"

namespace sorane {
namespace {
// The timers started on a stepping clock.
std::vector<UiTimer*>& stepped() {
  static std::vector<UiTimer*> timers;
  return timers;
}

void forget(UiTimer* timer) {
  std::erase(stepped(), timer);
}
}  // namespace

UiTimer::UiTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (singleShot_) timer_.stop();
    emit timeout();
  });
}

UiTimer::~UiTimer() {
  forget(this);
}

void UiTimer::start(int ms) {
  interval_ = ms;
  start();
}

void UiTimer::start() {
  stop();
  if (ui().stepsTimers()) {
    stepped_ = true;
    // At least a millisecond on, so a timer restarted by its own handler
    // waits for the clock to move.
    due_ = ui().now().toMSecsSinceEpoch() + std::max(interval_, 1);
    stepped().push_back(this);
  } else {
    timer_.start(interval_);
  }
}

void UiTimer::stop() {
  timer_.stop();
  if (stepped_) forget(this);
  stepped_ = false;
}

bool UiTimer::isActive() const {
  return stepped_ || timer_.isActive();
}

void UiTimer::fireDue(qint64 nowMs) {
  // Each timer fires at most once a call: its moments are those of the
  // clock's steps.
  std::vector<UiTimer*> done;
  for (;;) {
    UiTimer* next = nullptr;
    for (UiTimer* t : stepped())
      if (t->due_ <= nowMs && std::find(done.begin(), done.end(), t) == done.end() &&
          (!next || t->due_ < next->due_))
        next = t;
    if (!next) return;
    done.push_back(next);
    if (next->singleShot_)
      next->stop();
    else
      next->due_ = nowMs + std::max(next->interval_, 1);
    emit next->timeout();
  }
}

}  // namespace sorane
