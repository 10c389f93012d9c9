#include "screens.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace sorane {

bool isOffEveryScreen(const QRect& frame) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return false;
  for (const QScreen* s : screens)
    if (s->availableGeometry().intersects(frame)) return false;
  return true;
}

QPoint keptOnScreen(const QRect& frame) {
  QRect area;
  qint64 most = 0;
  for (const QScreen* s : QGuiApplication::screens()) {
    const QRect common = s->availableGeometry().intersected(frame);
    const qint64 size = qint64{common.width()} * common.height();
    if (size > most) {
      most = size;
      area = s->availableGeometry();
    }
  }
  QPoint to = frame.topLeft();
  if (area.isEmpty()) return to;
  if (frame.right() > area.right())
    to.rx() = std::max(area.left(), area.right() - frame.width() + 1);
  if (frame.bottom() > area.bottom())
    to.ry() = std::max(area.top(), area.bottom() - frame.height() + 1);
  return to;
}

void keepOnScreen(QWidget* window) {
  const QRect frame = window->frameGeometry();
  window->move(window->pos() + keptOnScreen(frame) - frame.topLeft());
}

}  // namespace sorane
