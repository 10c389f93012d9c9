#include "qt_companion.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

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

// The About box: the program's text under its title, with OK.
void QtCompanion::Call_dlg110(QWidget* owner, std::int32_t, const QString& text) {
  QDialog box(owner ? owner->window() : nullptr);
  box.setWindowTitle(QStringLiteral("バージョン情報"));
  auto* title = new QLabel(QStringLiteral("ソラネ"), &box);
  QFont big = title->font();
  big.setPixelSize(24);
  big.setBold(true);
  title->setFont(big);
  auto* body = new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), &box);
  body->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(title);
  layout->addWidget(body);
  layout->addWidget(buttons);
  box.exec();
}

}  // namespace sorane
