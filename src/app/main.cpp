#include <QApplication>

#include "fonts.h"
#include "form1.h"
#include "program.h"

int main(int argc, char** argv) {
  // The program places its own windows, which Wayland does not let a client
  // do: run on X11 (XWayland on a Wayland desktop) unless the user chose.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");

  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  sorane::applyApplicationLook();

  sorane::Program program;
  program.start();
  return QApplication::exec();
}
