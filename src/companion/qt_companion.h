#pragma once

#include "companion.h"

namespace sorane {

// The companion's dialogs drawn with Qt.
class QtCompanion : public Companion {
 public:
  std::int32_t Call_dlg100(QWidget* owner, std::int16_t keta, std::int16_t& zeroMode,
                           std::int16_t& shift, std::int16_t& fillZero) override;
  void Call_dlg110(QWidget* owner, std::int32_t kind, const QString& text) override;
};

}  // namespace sorane
