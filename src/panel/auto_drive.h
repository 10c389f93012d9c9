#pragma once

#include <QDateTime>
#include <QObject>
#include <optional>
#include <vector>

#include "ui_timer.h"

namespace sorane {

class DataIo;
class frmCtl;

// The timetable's minutes at each stop of the route (index 0 is row 1),
// from the stop file's times (-1 where a row has none); empty when the
// route's stop file has no times.
std::vector<int> timetableMinutes(const DataIo& io);

// Automatic driving (自動運行): presses the tape's 送り (or データ送り when
// the route has no announcements) for the user. By the timetable, each
// press comes the minutes between the two stops, sped up, after the one
// before; otherwise a fixed wait after the announcement has ended. It
// never cuts off a voice that speaks. Time is the Ui clock's, so tests run
// a route in virtual time.
class AutoDrive : public QObject {
  Q_OBJECT
 public:
  enum class State {
    Off,
    Armed,    // on, waiting for a route to be set
    Running,  // pressing on a route
  };

  AutoDrive(frmCtl& ctl, DataIo& io);

  State state() const { return state_; }
  bool isOn() const { return state_ != State::Off; }
  // The menu's switch and the key A: on runs the route shown now, or arms
  // while there is none to run (none set, the display cleared, at its end).
  void setOn(bool on);
  // A route set by the user: a drive that is on starts on it.
  void routeSet();
  // A step or tape button, or 表示消去 switched on, pressed by hand ends it.
  void manualPress();

  void setWaitSeconds(int seconds) { waitSeconds_ = seconds; }
  void setTimetableSpeed(int speed) { timetableSpeed_ = speed; }
  // Whether its timer runs; only a running drive ticks.
  bool ticking() const { return timer_.isActive(); }

  // Runs on a timer while running; tests call it after moving the clock.
  void tick();

 signals:
  void stateChanged(sorane::AutoDrive::State state);

 private:
  // The wait before the press after the current one: from that press by
  // the timetable, else from the end of its announcement.
  struct Wait {
    qint64 ms = 0;
    bool fromPress = false;
  };
  Wait nextWait() const;
  void setState(State s);
  void begin();
  bool hasRoute() const;
  bool usesTape() const;
  bool atEnd() const;
  bool voiceBusy() const;
  void pressNext();

  frmCtl& ctl_;
  DataIo& io_;
  State state_ = State::Off;
  // The press is due at `due_`; or, while `afterVoice_`, `waitMs_` after
  // the voice falls silent.
  QDateTime due_;
  bool afterVoice_ = false;
  qint64 waitMs_ = 0;
  QDateTime lastTick_;
  int runs_ = 0;
  int waitSeconds_ = 10;
  int timetableSpeed_ = 10;
  UiTimer timer_;
};

}  // namespace sorane
