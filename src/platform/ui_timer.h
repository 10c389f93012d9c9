#pragma once

#include <QObject>
#include <QTimer>

namespace sorane {

// A timer on the program's clock. While the Ui's clock runs by itself (the
// desktop, the tests' scripted clock) it is a QTimer; while the Ui steps its
// clock (a render), the Ui fires it as its clock passes the moment due, so
// whatever it moves keeps pace with that clock however fast it runs.
class UiTimer : public QObject {
  Q_OBJECT
 public:
  explicit UiTimer(QObject* parent = nullptr);
  ~UiTimer() override;

  void setInterval(int ms) { interval_ = ms; }
  int interval() const { return interval_; }
  void setSingleShot(bool singleShot) { singleShot_ = singleShot; }
  bool isSingleShot() const { return singleShot_; }
  void start();
  void start(int ms);
  void stop();
  bool isActive() const;

  // A stepping clock at `nowMs` (ms since the epoch): fires, in the order
  // of their moments, the timers due by then. A timer due again by then
  // (restarted by its own handler) waits for the next call.
  static void fireDue(qint64 nowMs);

 signals:
  void timeout();

 private:
  QTimer timer_;
  int interval_ = 0;
  bool singleShot_ = false;
  bool stepped_ = false;  // started on a stepping clock
  qint64 due_ = 0;
};

}  // namespace sorane
