#include "ui.h"

#include "qt_ui.h"

namespace sorane {
namespace {
Ui* installed = nullptr;
}

Ui& ui() {
  static QtUi qtUi;
  return installed ? *installed : qtUi;
}

void installUi(Ui* ui) {
  installed = ui;
}

QString appTitle() {
  return QStringLiteral("ソラネ");
}

}  // namespace sorane
