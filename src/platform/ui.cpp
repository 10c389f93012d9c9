#include "ui.h"

#include <utility>

#include "qt_ui.h"

namespace sorane {
namespace {
Ui* installed = nullptr;
}

Ui& ui() {
  static QtUi qtUi;
  return installed ? *installed : qtUi;
}

Ui* installUi(Ui* ui) {
  return std::exchange(installed, ui);
}

QString appTitle() {
  return QStringLiteral("ソラネ");
}

}  // namespace sorane
