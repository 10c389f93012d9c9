#pragma once

#include <QDialog>
#include <cstdint>

class QComboBox;
class QSpinBox;

namespace sorane {

// The digit-element options dialog: zero display, shift and minimum digits.
class Dlg100 : public QDialog {
  Q_OBJECT
 public:
  Dlg100(QWidget* owner, std::int16_t keta, std::int16_t zeroMode, std::int16_t shift,
         std::int16_t fillZero);

  std::int16_t zeroMode() const;
  std::int16_t shift() const;
  std::int16_t fillZero() const;

  QComboBox* zeroModeBox() const { return zeroModeBox_; }
  QSpinBox* shiftBox() const { return shiftBox_; }
  QSpinBox* fillZeroBox() const { return fillZeroBox_; }

 private:
  std::int16_t seedZeroMode_;
  QComboBox* zeroModeBox_;
  QSpinBox* shiftBox_;
  QSpinBox* fillZeroBox_;
};

}  // namespace sorane
