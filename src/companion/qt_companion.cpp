#include "qt_companion.h"

#include <QCalendarWidget>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "dlg100.h"
#include "ui.h"

namespace sorane {

namespace {

QWidget* ownerWindow(QWidget* owner) {
  return owner ? owner->window() : nullptr;
}

QString anyCase(const QString& pattern) {
  QString out;
  for (const QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper())
      out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    else
      out += c;
  }
  return out;
}

QString startFolder(const QString& last) {
  return last.isEmpty() ? QDir::homePath() : last;
}

}  // namespace

QStringList fileDialogNameFilters(const QString& filter) {
  QStringList items = filter.split(QChar(0));
  while (!items.isEmpty() && items.last().isEmpty()) items.removeLast();
  QStringList out;
  for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
    QStringList patterns = items[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) p = anyCase(p.trimmed());
    out << items[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return out;
}

QString QtCompanion::Vk3FileDlg(QWidget* owner, std::int32_t flags, const QString& filter,
                                const QString& initialPath, const QString& title) {
  QFileDialog dialog(ownerWindow(owner), title);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  if (flags & kFileDlgSave) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without its ending gets the first pattern's.
    const QString first = filter.section(QChar(0), 1, 1);
    if (first.startsWith(QStringLiteral("*."))) dialog.setDefaultSuffix(first.mid(2));
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  dialog.setNameFilters(fileDialogNameFilters(filter));
  if (initialPath.isEmpty()) {
    dialog.setDirectory(startFolder(lastFileFolder_));
  } else {
    dialog.selectFile(initialPath);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString path = dialog.selectedFiles().first();
  lastFileFolder_ = QFileInfo(path).absolutePath();
  return path;
}

QString QtCompanion::Vk3FolderDlg(QWidget* owner, const QString& title,
                                  const QString& initialPath) {
  QFileDialog dialog(ownerWindow(owner), title);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
  dialog.setFileMode(QFileDialog::Directory);
  const QFileInfo start(initialPath);
  if (initialPath.isEmpty())
    dialog.setDirectory(startFolder(lastFolder_));
  else if (start.isDir())
    dialog.selectFile(initialPath);
  else
    dialog.setDirectory(start.absolutePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  QString path = dialog.selectedFiles().first();
  if (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  lastFolder_ = path;
  return path;
}

std::int32_t QtCompanion::Vk3ChooseColor(QWidget* owner, ColorRef& colour,
                                         CustColorTable& custColors) {
  const int count = std::min<int>(QColorDialog::customCount(), 16);
  for (int i = 0; i < count; ++i)
    QColorDialog::setCustomColor(i, toQColor(static_cast<ColorRef>(custColors[i]) & 0xFFFFFF));
  QColorDialog dialog(toQColor(colour & 0xFFFFFF), ownerWindow(owner));
  dialog.setOption(QColorDialog::DontUseNativeDialog);
  const bool chosen = dialog.exec() == QDialog::Accepted;
  // Custom colours the user added come back; untouched count keep their
  // stored value to the byte.
  for (int i = 0; i < count; ++i) {
    const ColorRef now = fromQColor(QColorDialog::customColor(i));
    if (now != (static_cast<ColorRef>(custColors[i]) & 0xFFFFFF))
      custColors[i] = static_cast<std::int32_t>(now);
  }
  if (!chosen) return 0;
  colour = fromQColor(dialog.selectedColor());
  return 1;
}

std::int32_t QtCompanion::Call_dlg111(QWidget* owner, DialogDate& date) {
  QDialog dialog(ownerWindow(owner));
  dialog.setWindowTitle(kDatePickerTitle);
  auto* calendar = new QCalendarWidget(&dialog);
  const QLocale japanese(QLocale::Japanese, QLocale::Japan);
  calendar->setLocale(japanese);
  calendar->setFirstDayOfWeek(japanese.firstDayOfWeek());
  calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  calendar->setSelectedDate(ui().today());
  calendar->setGridVisible(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(calendar);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return 0;
  const QDate d = calendar->selectedDate();
  date.year = static_cast<std::int16_t>(d.year());
  date.month = static_cast<std::int16_t>(d.month());
  date.day = static_cast<std::int16_t>(d.day());
  date.dayOfWeek = static_cast<std::int16_t>(d.dayOfWeek() % 7);  // Sunday is 0
  return 1;
}

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
  auto* body =
      new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), &box);
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
