#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app_info.h"
#include "fonts.h"
#include "form1.h"
#include "mdl_ini_io.h"
#include "program.h"
#include "sound_services.h"

namespace {

QString helpText() {
  const QString demo = sorane::installedDemoFolder();
  return QStringLiteral(
             "使い方: %1 [オプション]\n"
             "ソラネ: 路線バスの運賃表示器と集中操作盤のシミュレーター\n"
             "\n"
             "  -h, --help     この説明を表示して終了する\n"
             "  -v, --version  バージョンを表示して終了する\n"
             "\n"
             "設定ファイル: %2\n"
             "デモデータ: %3\n")
      .arg(sorane::programBaseName(), sorane::mdlIniIo::settingsFilePath(),
           demo.isEmpty() ? QStringLiteral("(なし)") : demo);
}

// --help and --version answer on standard output without a window; any
// other argument is left to Qt.
bool answerCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const bool help = !std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h");
    const bool version = !std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v");
    if (!help && !version) continue;
    QCoreApplication app(argc, argv);
    const QString text = help ? helpText()
                              : QStringLiteral("%1 (ソラネ) %2\n")
                                    .arg(sorane::programBaseName(), sorane::versionText());
    std::fputs(text.toUtf8().constData(), stdout);
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (answerCommandLine(argc, argv)) return 0;

  // The program places its own windows, which Wayland does not let a client
  // do: run on X11 (XWayland on a Wayland desktop) unless the user chose.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");

  sorane::ensureRuntimeFolder();
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  sorane::applyApplicationLook();
  sorane::mdlIniIo::writeFirstSettings();

  // Outlives the program's windows, whose tape and sounds play through it.
  sorane::SoundServices sound;
  sorane::Program program;
  program.start();
  return QApplication::exec();
}
