#include "auto_drive.h"

#include <QApplication>

#include "data_io.h"
#include "frm_ctl.h"
#include "panel_keys.h"
#include "speech_engine.h"
#include "stop_request.h"
#include "ui.h"

namespace sorane {
namespace {
constexpr int kTickMs = 100;
}  // namespace

std::vector<int> timetableMinutes(const DataIo& io) {
  if (!io.stops().hasTimes()) return {};
  std::vector<int> minutes;
  for (int r = 1; r <= io.lastRow(); ++r) minutes.push_back(io.stops().minutes(r).value_or(-1));
  return minutes;
}

AutoDrive::AutoDrive(frmCtl& ctl, DataIo& io) : QObject(&ctl), ctl_(ctl), io_(io) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &UiTimer::timeout, this, &AutoDrive::tick);
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
  if (!on)
    setState(State::Off);
  else if (state_ != State::Running)
    begin();
}

void AutoDrive::routeSet() {
  if (isOn()) begin();
}

void AutoDrive::manualPress() {
  setState(State::Off);
}

void AutoDrive::begin() {
  ++runs_;
  if (!hasRoute() || atEnd()) {
    setState(State::Armed);
    return;
  }
  // The opening announcement comes at once; a route without one leaves
  // its first stop after the wait.
  afterVoice_ = false;
  due_ = lastTick_ = ui().now();
  if (!usesTape()) due_ = due_.addMSecs(nextWait().ms);
  setState(State::Running);
}

AutoDrive::Wait AutoDrive::nextWait() const {
  const bool steps = !usesTape() || ctl_.tape().GetTapeStepFlag(ctl_.tape().GetTapePos() + 1) == 1;
  const std::size_t row = static_cast<std::size_t>(io_.CurrentIndex) + 1;
  const std::vector<int> minutes = timetableMinutes(io_);
  if (steps && row < minutes.size() && minutes[row - 1] >= 0 && minutes[row] >= minutes[row - 1])
    return {qint64{minutes[row] - minutes[row - 1]} * 60000 / timetableSpeed_, true};
  return {qint64{waitSeconds_} * 1000, false};
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
  // An announcement or the stop phrase is never cut off.
  if (voiceBusy()) return;
  if (afterVoice_) {
    afterVoice_ = false;
    due_ = now.addMSecs(waitMs_);
  }
  if (now >= due_) pressNext();
}

bool AutoDrive::voiceBusy() const {
  SpeechEngine* voice = ctl_.tape().tapeVoice();
  return (voice && voice->status() == 1) || ctl_.stopRequest().phraseWaiting();
}

void AutoDrive::pressNext() {
  if (atEnd()) {
    setState(State::Off);
    return;
  }
  const int run = runs_;
  const QDateTime pressedAt = ui().now();
  if (usesTape())
    ctl_.keys().runCommand([this] { ctl_.cmdTapeNext_Click(); });
  else
    ctl_.keys().runCommand([this] { ctl_.Command2_Click(1); });
  // Switched off, or started again on another route, meanwhile.
  if (state_ != State::Running || run != runs_) return;
  if (atEnd()) {
    setState(State::Off);
    return;
  }
  const Wait wait = nextWait();
  afterVoice_ = !wait.fromPress && voiceBusy();
  waitMs_ = wait.ms;
  due_ = (wait.fromPress ? pressedAt : ui().now()).addMSecs(wait.ms);
}

}  // namespace sorane
