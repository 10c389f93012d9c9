#include "qt_companion.h"

#include "dlg100.h"

namespace sorane {

std::int32_t QtCompanion::Call_dlg100(QWidget* owner, std::int16_t keta, std::int16_t& zeroMode,
                                      std::int16_t& shift, std::int16_t& fillZero) {
  Dlg100 dialog(owner, keta, zeroMode, shift, fillZero);
  if (dialog.exec() != QDialog::Accepted) return 0;
  zeroMode = dialog.zeroMode();
  shift = dialog.shift();
  fillZero = dialog.fillZero();
  return 1;
}

}  // namespace sorane
