#include <QApplication>

#include "app_info.h"
#include "fonts.h"
#include "form1.h"
#include "program.h"
#include "sound_services.h"

int main(int argc, char** argv) {
  // The program places its own windows, which Wayland does not let a client
  // do: run on X11 (XWayland on a Wayland desktop) unless the user chose.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");

  sorane::ensureRuntimeFolder();
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  sorane::applyApplicationLook();

  // Outlives the program's windows, whose tape and sounds play through it.
  sorane::SoundServices sound;
  sorane::Program program;
  program.start();
  return QApplication::exec();
}
