#include "qt_ui.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

namespace sorane {

MsgAnswer QtUi::message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                        QWidget* owner) {
  QMessageBox box(owner ? owner : QApplication::activeWindow());
  box.setWindowTitle(title.isEmpty() ? appTitle() : title);
  // Messages break lines with CR LF, as the system writes them.
  box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  switch (icon) {
    case MsgIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MsgIcon::Critical:
      box.setIcon(QMessageBox::Critical);
      break;
    case MsgIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
    case MsgIcon::Exclamation:
      box.setIcon(QMessageBox::Warning);
      break;
    case MsgIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
  }
  if (buttons == MsgButtons::YesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
    return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return MsgAnswer::Ok;
}

void QtUi::processEvents() {
  QCoreApplication::processEvents();
}

void QtUi::pause(int ms) {
  if (ms <= 0) return;
  // A nested loop that leaves user input queued: the program looks busy,
  // but keeps painting and running its timers.
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

QDateTime QtUi::now() const {
  return QDateTime::currentDateTime();
}

void QtUi::openFolder(const QString& path) {
  const QFileInfo folder(path);
  if (path.isEmpty() || !folder.isDir()) return;
  // The freedesktop opener, detached: the program never waits for it, and
  // what it prints does not reach our output.
  QProcess opener;
  opener.setProgram(QStringLiteral("xdg-open"));
  opener.setArguments({folder.absoluteFilePath()});
  opener.setStandardOutputFile(QProcess::nullDevice());
  opener.setStandardErrorFile(QProcess::nullDevice());
  opener.startDetached();
}

}  // namespace sorane
