#include <QApplication>
#include <QProcess>
#include <cstdio>
#include <cstring>
#include <optional>

#include "app_info.h"
#include "auto_drive.h"
#include "board_recording.h"
#include "board_view.h"
#include "fonts.h"
#include "form1.h"
#include "frm_ctl.h"
#include "mdl_ini_io.h"
#include "program.h"
#include "record_arguments.h"
#include "sound_services.h"
#include "view_scale.h"

namespace {

QString helpText() {
  const QString demo = sorane::demoFolder();
  QString places;
  for (const QString& place : sorane::demoFolderPlaces())
    places += QStringLiteral("  探す場所: %1\n").arg(place);
  return QStringLiteral(
             "使い方: %1 [オプション]\n"
             "ソラネ: 路線バスの運賃表示器と集中操作盤のシミュレーター\n"
             "\n"
             "  -h, --help     この説明を表示して終了する\n"
             "  -v, --version  バージョンを表示して終了する\n"
             "  --scale N      表示倍率 N (1、2、3) で表示する。次回からもこの倍率になる\n"
             "                 (運賃表示器の右クリックメニュー「表示倍率」でも変えられる)\n"
             "  --board S      運賃表示器を表示方式 S (led か lcd) "
             "で表示する。次回からもこの方式になる\n"
             "                 (右クリックメニュー「表示方式」でも変えられる)\n"
             "  --auto         自動運行で始める: 系統を設定すると、放送の送りを自動で押す\n"
             "                 (右クリックメニュー「自動運行」、Aキーでも切り替えられる)\n"
             "%6"
             "\n"
             "設定ファイル: %2\n"
             "表示倍率の設定: %3\n"
             "デモデータ: %4\n"
             "%5"
             "  (設定ファイルがないときは、最初に見つかったデモデータの設定で始まる)\n")
      .arg(sorane::programBaseName(), sorane::mdlIniIo::settingsFilePath(),
           sorane::viewSettingsFile(), demo.isEmpty() ? QStringLiteral("(なし)") : demo, places,
           sorane::recordHelp());
}

// Before the windows exist: --help and --version answer on standard output
// without a window; --scale is checked and kept. Returns the exit status
// when the program ends here, otherwise the scale to show the windows at.
// Any other argument is left to Qt.
struct Start {
  std::optional<int> exitStatus;
  int scale = 1;
  bool autoDrive = false;
  sorane::RecordArguments recording;
};
Start readCommandLine(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  for (int i = 1; i < argc; ++i) {
    const bool help = !std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h");
    const bool version = !std::strcmp(argv[i], "--version") || !std::strcmp(argv[i], "-v");
    if (!help && !version) continue;
    const QString text = help ? helpText()
                              : QStringLiteral("%1 (ソラネ) %2\n")
                                    .arg(sorane::programBaseName(), sorane::versionText());
    std::fputs(text.toUtf8().constData(), stdout);
    return {0, 1, false, {}};
  }
  const sorane::ScaleArgument given = sorane::findScaleArgument(QCoreApplication::arguments());
  sorane::RecordArguments recording = sorane::findRecordArguments(QCoreApplication::arguments());
  const QString error = given.error.isEmpty() ? recording.error : given.error;
  if (!error.isEmpty()) {
    std::fputs((sorane::programBaseName() + QStringLiteral(": ") + error + QStringLiteral("\n"))
                   .toUtf8()
                   .constData(),
               stderr);
    return {2, 1, false, {}};
  }
  // A board style given is kept, as the menu keeps it.
  const sorane::BoardArgument board = sorane::findBoardArgument(QCoreApplication::arguments());
  if (!board.error.isEmpty()) {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(sorane::programBaseName()),
                 qUtf8Printable(board.error));
    return {2, 1, false, {}};
  }
  if (recording.render) {
    // A render's style is for that video only.
    recording.render->board = board.style;
  } else if (board.style) {
    sorane::BoardLook look = sorane::BoardLook::load(sorane::viewSettingsFile());
    look.style = *board.style;
    look.save(sorane::viewSettingsFile());
  }
  const bool autoDrive = QCoreApplication::arguments().contains(QStringLiteral("--auto"));
  const QString file = sorane::viewSettingsFile();
  if (!given.scale) return {std::nullopt, sorane::loadViewScale(file), autoDrive, recording};
  // A render's scale is for that video only.
  if (!recording.render) sorane::saveViewScale(file, *given.scale);
  return {std::nullopt, *given.scale, autoDrive, recording};
}

}  // namespace

int main(int argc, char** argv) {
  const Start start = readCommandLine(argc, argv);
  if (start.exitStatus) return *start.exitStatus;

  // A render shows no window and needs no display.
  if (start.recording.render && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // The program places its own windows, which Wayland does not let a client
  // do: run on X11 (XWayland on a Wayland desktop) unless the user chose.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "xcb");

  // Qt reads the scale once, when the application object is made; the
  // programs started from here get the user's own value back.
  sorane::setViewScale(start.scale);
  const std::optional<QByteArray> userScale =
      qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
          ? std::optional<QByteArray>(qgetenv("QT_SCALE_FACTOR"))
          : std::nullopt;
  qputenv("QT_SCALE_FACTOR", QByteArray::number(start.scale));

  sorane::ensureRuntimeFolder();
  QApplication app(argc, argv);
  if (userScale)
    qputenv("QT_SCALE_FACTOR", *userScale);
  else
    qunsetenv("QT_SCALE_FACTOR");
  QApplication::setQuitOnLastWindowClosed(false);
  sorane::applyApplicationLook();
  sorane::mdlIniIo::writeFirstSettings();
  if (start.recording.render) return sorane::renderDrive(*start.recording.render, stderr);

  int status = 0;
  std::optional<QStringList> restart;
  {
    // Outlives the program's windows, whose tape and sounds play through it.
    sorane::SoundServices sound;
    sorane::Program program;
    program.start();
    if (start.autoDrive) program.ctl().autoDrive().setOn(true);
    program.recording().setAudio(&sound.audio());
    if (start.recording.record) {
      program.recording().setStopAfterDrive(start.autoDrive);
      program.recording().start(*start.recording.record);
    }
    status = QApplication::exec();
    restart = program.restartArguments();
  }
  // A new scale: the same program again, once this one has let go of
  // everything.
  if (restart && !QProcess::startDetached(QCoreApplication::applicationFilePath(), *restart)) {
    std::fputs((sorane::programBaseName() + QStringLiteral(": 再起動できませんでした\n"))
                   .toUtf8()
                   .constData(),
               stderr);
    return 1;
  }
  return status;
}
