#include "dlg100.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace sorane {

Dlg100::Dlg100(QWidget* owner, std::int16_t keta, std::int16_t zeroMode, std::int16_t shift,
               std::int16_t fillZero)
    : QDialog(owner ? owner->window() : nullptr), seedZeroMode_(zeroMode) {
  setWindowTitle(QStringLiteral("デジタル部品の設定"));
  setModal(true);

  zeroModeBox_ = new QComboBox(this);
  zeroModeBox_->addItems({QStringLiteral("0 は表示しない"), QStringLiteral("0 を表示する"),
                          QStringLiteral("0 は表示しない（-1 で 0 を表示）"),
                          QStringLiteral("0 を表示する（-1 も 0 を表示）")});
  zeroModeBox_->setCurrentIndex(zeroMode >= 0 && zeroMode < 4 ? zeroMode : -1);

  const int cells = keta >= 1 && keta <= 15 ? keta : 4;
  shiftBox_ = new QSpinBox(this);
  shiftBox_->setRange(0, cells - 1);
  shiftBox_->setValue(shift);
  shiftBox_->setSuffix(QStringLiteral(" 桁"));

  fillZeroBox_ = new QSpinBox(this);
  fillZeroBox_->setRange(0, cells);
  fillZeroBox_->setValue(fillZero);
  fillZeroBox_->setSuffix(QStringLiteral(" 桁"));
  fillZeroBox_->setSpecialValueText(QStringLiteral("ゼロ埋めしない"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("ゼロの表示："), zeroModeBox_);
  form->addRow(QStringLiteral("桁ずらし（右端を空ける）："), shiftBox_);
  form->addRow(QStringLiteral("最小桁数（ゼロ埋め）："), fillZeroBox_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("この設定はすべての運賃表示部品に適用されます。")));
  layout->addLayout(form);
  layout->addWidget(buttons);
}

std::int16_t Dlg100::zeroMode() const {
  const int i = zeroModeBox_->currentIndex();
  return i < 0 ? seedZeroMode_ : static_cast<std::int16_t>(i);
}
std::int16_t Dlg100::shift() const {
  return static_cast<std::int16_t>(shiftBox_->value());
}
std::int16_t Dlg100::fillZero() const {
  return static_cast<std::int16_t>(fillZeroBox_->value());
}

}  // namespace sorane
