#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

namespace sorane {

// Moving a borderless window by holding the left button on it: the window
// system's own move where it has one, otherwise the window follows the
// pointer. The window's mouse handlers hand their events over.
class WindowDrag {
 public:
  // OnPress: the move starts as the button goes down. AfterThreshold: only
  // once the pointer has moved the drag distance, so a click stays a click.
  enum class Start { OnPress, AfterThreshold };

  explicit WindowDrag(QWidget& window, Start start = Start::OnPress);

  void press(const QMouseEvent& event);
  void move(const QMouseEvent& event);
  // True for the release of a left press that did not move the window.
  bool release(const QMouseEvent& event);

 private:
  // The window system's move; false when it has none.
  bool systemMove();

  QWidget& window_;
  Start start_;
  bool held_ = false;
  bool dragging_ = false;
  bool following_ = false;
  QPoint pressAt_;
  QPoint offset_;
};

}  // namespace sorane
