#pragma once

#include <QDialog>
#include <array>

#include "controls.h"

namespace sorane {

class Program;

// The settings dialog: loaded hidden at start, its controls are the live
// store of every setting.
class frmOption : public QDialog {
  Q_OBJECT
 public:
  explicit frmOption(Program& app);

  void Form_Load();

  CheckBox* Check1 = nullptr;                 // 整理券番号自動表示機能を使用
  std::array<ColorButton*, 3> Command5{};     // ticket-number colours OFF, ON1, ON2

 private:
  Program& app_;
};

}  // namespace sorane
