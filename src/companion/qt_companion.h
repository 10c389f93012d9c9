#pragma once

#include <QStringList>

#include "companion.h"

namespace sorane {

// The companion's dialogs drawn with Qt, modal to their owner's window.
class QtCompanion : public Companion {
 public:
  std::int32_t Call_dlg100(QWidget* owner, std::int16_t keta, std::int16_t& zeroMode,
                           std::int16_t& shift, std::int16_t& fillZero) override;
  void Call_dlg110(QWidget* owner, std::int32_t kind, const QString& text) override;
  std::int32_t Call_dlg111(QWidget* owner, DialogDate& date) override;
  QString Vk3FileDlg(QWidget* owner, std::int32_t flags, const QString& filter,
                     const QString& initialPath, const QString& title) override;
  QString Vk3FolderDlg(QWidget* owner, const QString& title,
                       const QString& initialPath = QString()) override;
  std::int32_t Vk3ChooseColor(QWidget* owner, ColorRef& colour,
                              CustColorTable& custColors) override;

 private:
  // Where the file and folder choosers open when no path is passed: where
  // the user last chose one in this run.
  QString lastFileFolder_;
  QString lastFolder_;
};

// A NUL-separated list of description/pattern pairs as the file dialog's
// name filters. Patterns match whatever the letter case: "*.wav" becomes
// "*.[wW][aA][vV]", while the description stays as the user reads it.
QStringList fileDialogNameFilters(const QString& filter);

// The title of the date picker.
inline const QString kDatePickerTitle = QStringLiteral("日付の選択");

}  // namespace sorane
