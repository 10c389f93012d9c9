#pragma once

#include "ui.h"

namespace sorane {

class QtUi : public Ui {
 public:
  MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                    QWidget* owner = nullptr) override;
  void processEvents() override;
  void pause(int ms) override;
  QDateTime now() const override;
  void openFolder(const QString& path) override;
};

}  // namespace sorane
