#include "window_drag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace sorane {

WindowDrag::WindowDrag(QWidget& window, Start start) : window_(window), start_(start) {}

bool WindowDrag::systemMove() {
  QWindow* w = window_.windowHandle();
  return w && w->startSystemMove();
}

void WindowDrag::press(const QMouseEvent& event) {
  if (event.button() != Qt::LeftButton) return;
  held_ = true;
  dragging_ = false;
  following_ = false;
  pressAt_ = event.globalPosition().toPoint();
  offset_ = pressAt_ - window_.pos();
  if (start_ != Start::OnPress) return;
  dragging_ = true;
  if (systemMove())
    held_ = false;
  else
    following_ = true;
}

void WindowDrag::move(const QMouseEvent& event) {
  if (!held_ || !(event.buttons() & Qt::LeftButton)) return;
  const QPoint at = event.globalPosition().toPoint();
  if (!dragging_) {
    if ((at - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
    dragging_ = true;
    if (systemMove()) {
      held_ = false;
      return;
    }
    following_ = true;
  }
  // The window system has no move of its own here: follow the pointer.
  if (following_) window_.move(at - offset_);
}

bool WindowDrag::release(const QMouseEvent& event) {
  if (event.button() != Qt::LeftButton || !held_) return false;
  held_ = false;
  following_ = false;
  return !dragging_;
}

}  // namespace sorane
