#include "companion.h"

#include <sys/utsname.h>

#include <utility>

#include "qt_companion.h"

namespace sorane {
namespace {
Companion* installed = nullptr;
}

Companion& companion() {
  static QtCompanion qtCompanion;
  return installed ? *installed : qtCompanion;
}

Companion* installCompanion(Companion* c) {
  return std::exchange(installed, c);
}

// Until a window of this program needs them, the dialogs behave as if the
// user cancelled. The plug-in functions are in ticket_bridge.cpp.
void Companion::Call_dlg110(QWidget*, std::int32_t, const QString&) {}
std::int32_t Companion::Call_dlg111(QWidget*, DialogDate&) {
  return 0;
}
QString Companion::Vk3FileDlg(QWidget*, std::int32_t, const QString&, const QString&,
                              const QString&) {
  return {};
}
QString Companion::Vk3FolderDlg(QWidget*, const QString&, const QString&) {
  return {};
}
std::int32_t Companion::Vk3ChooseColor(QWidget*, ColorRef&, CustColorTable&) {
  return 0;
}

QString Companion::GetOsInfo() {
  utsname name{};
  if (uname(&name) != 0) return QStringLiteral("Unknown");
  return QString::fromLocal8Bit(name.sysname);
}

std::int32_t Companion::LenB_ASCII(const QByteArray& sjis) {
  const qsizetype nul = sjis.indexOf('\0');
  return static_cast<std::int32_t>(nul < 0 ? sjis.size() : nul);
}

QByteArray Companion::MidB_ASCII(const QByteArray& sjis, std::int32_t start, std::int32_t count) {
  const std::int32_t len = LenB_ASCII(sjis);
  if (start < 1 || count <= 0 || start > len) return {};
  const std::int32_t n = std::min(count, len - start + 1);
  return sjis.mid(start - 1, n);
}

}  // namespace sorane
