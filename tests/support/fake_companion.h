#pragma once

#include <functional>
#include <vector>

#include "companion.h"

namespace sorane::test {

// Companion whose dialogs answer from the test.
class FakeCompanion : public Companion {
 public:
  struct Dlg100Call {
    QWidget* owner;
    std::int16_t keta, zeroMode, shift, fillZero;
  };

  std::int32_t Call_dlg100(QWidget* owner, std::int16_t keta, std::int16_t& zeroMode,
                           std::int16_t& shift, std::int16_t& fillZero) override {
    dlg100Calls.push_back({owner, keta, zeroMode, shift, fillZero});
    if (duringDlg100) duringDlg100();
    if (dlg100Result == 1 || dlg100WritesOnCancel) {
      zeroMode = dlg100ZeroMode;
      shift = dlg100Shift;
      fillZero = dlg100FillZero;
    }
    return dlg100Result;
  }

  void Call_dlg110(QWidget* owner, std::int32_t kind, const QString& text) override {
    dlg110Calls.push_back({owner, kind, text});
    if (duringDlg110) duringDlg110();
  }
  struct Dlg110Call {
    QWidget* owner;
    std::int32_t kind;
    QString text;
  };
  std::vector<Dlg110Call> dlg110Calls;
  std::function<void()> duringDlg110;

  std::vector<Dlg100Call> dlg100Calls;
  std::int32_t dlg100Result = 0;
  std::int16_t dlg100ZeroMode = 0, dlg100Shift = 0, dlg100FillZero = 0;
  // A dialog that hands back what its controls held even when cancelled.
  bool dlg100WritesOnCancel = false;
  std::function<void()> duringDlg100;
};

class CompanionScope {
 public:
  CompanionScope() { installCompanion(&companion); }
  ~CompanionScope() { installCompanion(nullptr); }
  FakeCompanion companion;
};

}  // namespace sorane::test
