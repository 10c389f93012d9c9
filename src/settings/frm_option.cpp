#include "frm_option.h"

#include "program.h"
#include "twips.h"

namespace sorane {

frmOption::frmOption(Program& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QStringLiteral("オプション"));
  setFixedSize(twipsSize(9570, 5610));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(pal);
  setAutoFillBackground(true);

  Check1 = new CheckBox(QStringLiteral("整理券番号自動表示機能を使用"), this);
  Check1->setGeometry(twipsRect(1455 + 285, 75 + 315, 2835, 210));
  Check1->setValue(1);
  for (int i = 0; i < 3; ++i) {
    Command5[static_cast<std::size_t>(i)] = new ColorButton(this);
  }
  Command5[0]->setGeometry(twipsRect(1455 + 135 + 165, 75 + 300 + 1455, 960, 270));
  Command5[1]->setGeometry(twipsRect(1455 + 135 + 1215, 75 + 300 + 1455, 960, 270));
  Command5[2]->setGeometry(twipsRect(1455 + 135 + 2250, 75 + 300 + 1455, 960, 270));
}

void frmOption::Form_Load() {}

}  // namespace sorane
