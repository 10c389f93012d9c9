#include "screens.h"

#include <QGuiApplication>
#include <QScreen>

namespace sorane {

bool isOffEveryScreen(const QRect& frame) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return false;
  for (const QScreen* s : screens)
    if (s->availableGeometry().intersects(frame)) return false;
  return true;
}

}  // namespace sorane
