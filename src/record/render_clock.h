#pragma once

#include <QDateTime>
#include <functional>

#include "ui.h"

namespace sorane {
class AudioEngine;
}

namespace sorane::record {

class Recorder;

// The program's clock during a render: it moves only frame by frame, as
// fast as the work of each frame allows. At each frame's moment it fires
// the timers due, handles the events, lets `settle` finish what must be
// ready at that moment (speech being made), hands the board's picture to
// the recorder and pulls the frame's sound (1600 samples at 48 kHz) from
// the audio engine's Manual output. No window is shown: a message goes to
// standard error and a question is answered No.
class RenderClock : public Ui {
 public:
  RenderClock(AudioEngine& audio, QDateTime start);

  void setRecorder(Recorder* recorder) { recorder_ = recorder; }
  void setSettle(std::function<void()> settle) { settle_ = std::move(settle); }

  MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                    QWidget* owner = nullptr) override;
  void processEvents() override;
  // Runs the frames whose moments come before `ms` have passed.
  void pause(int ms) override;
  QDateTime now() const override { return start_.addMSecs(clockMs_); }
  void openFolder(const QString&) override {}
  bool stepsTimers() const override { return true; }

  // Runs the next frame.
  void step();
  // Frames run so far, and the clock in ms since the start.
  qint64 frames() const { return frames_; }
  qint64 clockMs() const { return clockMs_; }
  // The messages shown, in order.
  const QStringList& messages() const { return messages_; }

 private:
  void finishFrame();

  AudioEngine& audio_;
  QDateTime start_;
  Recorder* recorder_ = nullptr;
  std::function<void()> settle_;
  qint64 clockMs_ = 0;
  qint64 frames_ = 0;
  bool open_ = false;
  QStringList messages_;
};

}  // namespace sorane::record
