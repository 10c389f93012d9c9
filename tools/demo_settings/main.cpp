// Writes a first settings file for the demo route.
// Usage: sorane-demo-settings SETTINGS_FILE DEMO_FOLDER
#include <QApplication>
#include <cstdio>

#include "app_info.h"
#include "demo_settings.h"
#include "file_io.h"
#include "runtime_error.h"

using namespace sorane;

int main(int argc, char** argv) {
  // The file needs no screen: the windows are placed when the program starts.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  ensureRuntimeFolder();
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: sorane-demo-settings SETTINGS_FILE DEMO_FOLDER\n");
    return 2;
  }
  const QString target = QString::fromLocal8Bit(argv[1]);
  try {
    writeFileAtomically(target, demoSettingsFile(QString::fromLocal8Bit(argv[2])));
  } catch (const RuntimeError& e) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(target), qPrintable(e.description()));
    return 1;
  }
  return 0;
}
