#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>

namespace sorane {

class DataIo;
class frmCtl;

// Automatic driving (自動運行): presses the tape's 送り (or データ送り when
// the route has no announcements) for the user, each time the announcement
// has ended and a wait has passed. The wait is fixed, or the timetable's
// minutes between the two stops (column 150 of the rows) sped up.
// Time is the Ui clock's, so tests run a route in virtual time.
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
  // The menu's switch and the key A: on runs the route set now, or arms.
  void setOn(bool on);
  // A route set by the user: an armed drive starts, a running one stops.
  void routeSet();
  // A step, tape or display-clear button pressed by hand stops it.
  void manualPress();

  void setWaitSeconds(int seconds) { waitSeconds_ = seconds; }
  void setTimetableSpeed(int speed) { timetableSpeed_ = speed; }
  // True when the route's rows carry timetable minutes.
  bool routeHasTimes() const;
  // Milliseconds to wait after the current announcement before the next press.
  qint64 nextWaitMs() const;

  // Runs on a timer while on; tests call it after moving the clock.
  void tick();

 signals:
  void stateChanged(sorane::AutoDrive::State state);

 private:
  enum class Phase { Speaking, Waiting };
  void setState(State s);
  bool hasRoute() const;
  bool usesTape() const;
  bool atEnd() const;
  bool speaking() const;
  void pressNext();

  frmCtl& ctl_;
  DataIo& io_;
  State state_ = State::Off;
  Phase phase_ = Phase::Waiting;
  QDateTime due_;
  QDateTime lastTick_;
  int waitSeconds_ = 10;
  int timetableSpeed_ = 10;
  QTimer timer_;
};

}  // namespace sorane
