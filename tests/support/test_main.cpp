#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "fonts.h"
#include "scripted_ui.h"

// Widget tests run without a screen; no test may open a real message box.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The offscreen platform cannot raise windows or apply window masks; the
  // tests check both another way, so those warnings are dropped.
  static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (msg.startsWith(QLatin1String("This plugin does not support"))) return;
    previous(type, context, msg);
  });
  // Configuration files (view.ini, speech.ini) go to a folder of the run's
  // own, never the user's.
  const QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication app(argc, argv);
  sorane::applyApplicationLook();
  ::testing::InitGoogleTest(&argc, argv);
  sorane::test::ScriptedUi quiet;
  sorane::installUi(&quiet);
  return RUN_ALL_TESTS();
}
