#include "auto_drive.h"

#include <QApplication>

#include "data_io.h"
#include "frm_ctl.h"
#include "panel_keys.h"
#include "speech_engine.h"
#include "ui.h"

namespace sorane {
namespace {
constexpr int kTickMs = 100;
constexpr std::size_t kTimesColumn = 150;
}  // namespace

AutoDrive::AutoDrive(frmCtl& ctl, DataIo& io) : QObject(&ctl), ctl_(ctl), io_(io) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &AutoDrive::tick);
}

void AutoDrive::setState(State s) {
  if (s == state_) return;
  state_ = s;
  // Only a running drive has anything to tick for.
  if (s == State::Running)
    timer_.start();
  else
    timer_.stop();
  emit stateChanged(s);
}

bool AutoDrive::hasRoute() const {
  return io_.storedRows() > 0 && ctl_.Check1->Value() == 0;
}

bool AutoDrive::usesTape() const {
  return ctl_.tape().tapeEnabled() && ctl_.tape().GetTapeCount() > 0;
}

bool AutoDrive::atEnd() const {
  if (usesTape()) return ctl_.tape().GetTapePos() >= ctl_.tape().GetTapeCount();
  return io_.CurrentIndex >= io_.lastRow() - 1;
}

void AutoDrive::setOn(bool on) {
  if (!on) {
    setState(State::Off);
    return;
  }
  if (isOn()) return;
  if (!hasRoute()) {
    setState(State::Armed);
    return;
  }
  // The opening announcement comes at once; a route without one leaves
  // its first stop after the wait.
  phase_ = Phase::Waiting;
  due_ = lastTick_ = ui().now();
  if (!usesTape()) due_ = due_.addMSecs(nextWaitMs());
  setState(State::Running);
}

void AutoDrive::routeSet() {
  if (state_ == State::Running) {
    setState(State::Off);
  } else if (state_ == State::Armed) {
    setState(State::Off);
    setOn(true);
  }
}

void AutoDrive::manualPress() {
  setState(State::Off);
}

bool AutoDrive::routeHasTimes() const {
  for (int r = 2; r <= io_.lastRow(); ++r)
    if (io_.RouteData[static_cast<std::size_t>(r)].Values[kTimesColumn] > 0) return true;
  return false;
}

qint64 AutoDrive::nextWaitMs() const {
  const bool steps = !usesTape() || ctl_.tape().GetTapeStepFlag(ctl_.tape().GetTapePos() + 1) == 1;
  const int row = io_.CurrentIndex + 1;
  if (steps && row < io_.lastRow() && routeHasTimes()) {
    const int minutes = io_.RouteData[static_cast<std::size_t>(row + 1)].Values[kTimesColumn] -
                        io_.RouteData[static_cast<std::size_t>(row)].Values[kTimesColumn];
    if (minutes >= 0) return qint64{minutes} * 60000 / timetableSpeed_;
  }
  return qint64{waitSeconds_} * 1000;
}

void AutoDrive::tick() {
  if (state_ != State::Running) return;
  const QDateTime now = ui().now();
  const qint64 elapsed = lastTick_.msecsTo(now);
  lastTick_ = now;
  // A dialog or a command that holds the program pauses the drive.
  if (QApplication::activeModalWidget() || ctl_.keys().busy()) {
    due_ = due_.addMSecs(elapsed);
    return;
  }
  if (phase_ == Phase::Speaking) {
    if (speaking()) return;
    phase_ = Phase::Waiting;
    due_ = now.addMSecs(nextWaitMs());
    return;
  }
  if (now >= due_) pressNext();
}

bool AutoDrive::speaking() const {
  SpeechEngine* voice = ctl_.tape().tapeVoice();
  return usesTape() && voice && voice->status() == 1;
}

void AutoDrive::pressNext() {
  if (atEnd()) {
    setState(State::Off);
    return;
  }
  if (usesTape())
    ctl_.keys().runCommand([this] { ctl_.cmdTapeNext_Click(); });
  else
    ctl_.keys().runCommand([this] { ctl_.Command2_Click(1); });
  if (state_ != State::Running) return;
  if (atEnd()) {
    setState(State::Off);
    return;
  }
  // The wait runs from the end of the announcement.
  phase_ = speaking() ? Phase::Speaking : Phase::Waiting;
  if (phase_ == Phase::Waiting) due_ = ui().now().addMSecs(nextWaitMs());
}

}  // namespace sorane
