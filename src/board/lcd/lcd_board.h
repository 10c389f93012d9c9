#pragma once

#include <QPoint>
#include <QWidget>

#include "lcd_render.h"
#include "ui_timer.h"
#include "window_drag.h"

namespace sorane {

// The LCD fare board: a borderless window of 960 x 540 logical pixels,
// drawn from a BoardModel at the view scale. It draws again only when the
// model changes or when its scene changes by itself (a language phase, a
// scroll step, the clock's minute), on a timer armed for that moment.
class LcdBoard : public QWidget {
  Q_OBJECT
 public:
  explicit LcdBoard(const BoardModel& model, QWidget* parent = nullptr);

  void setScheme(lcd::Scheme scheme);
  lcd::Scheme scheme() const { return scheme_; }

  // A board not running draws nothing and keeps no timer: the program
  // stops it while the classic board is shown. It runs from the start.
  void setRunning(bool running);

  // Brings the scene up to the program's clock, draws the pixels that
  // changed, asks the window to copy just those and arms the timer for the
  // next change. Runs on the
  // model's changes and on the timer; tests call it on the virtual clock.
  void tick();
  const lcd::Scene& scene() const { return scene_; }
  // Milliseconds the timer waits for; -1 when it is idle.
  int msToNextChange() const { return timer_.isActive() ? timer_.interval() : -1; }
  // The frame as the window shows it.
  QImage grabFrame();

 signals:
  // The right button on the board: the place for the board's menu.
  void menuRequested(const QPoint& globalPos);
  // The frame changed: another scene or scheme, drawn at the next paint.
  void frameChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  int scale() const;

  const BoardModel& model_;
  lcd::Scheme scheme_ = lcd::Scheme::Black;
  lcd::Scene scene_;
  bool sceneValid_ = false;
  bool running_ = true;
  int sceneScale_ = 1;
  lcd::Renderer renderer_;
  UiTimer timer_;
  WindowDrag drag_;
};

}  // namespace sorane
