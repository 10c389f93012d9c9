#include "mdl_ini_io.h"

#include <QDir>
#include <QFileInfo>
#include <new>

#include "app_info.h"
#include "chimei_ctl_b.h"
#include "demo_settings.h"
#include "file_io.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program.h"
#include "runtime_error.h"
#include "settings_file.h"
#include "ui.h"

namespace sorane::mdlIniIo {
namespace {

void report(int number, const QString& description) {
  ui().message(failureText(number, description), QString(), MsgButtons::Ok, MsgIcon::None);
}

template <typename Body>
void reportingFailures(Body body) {
  try {
    body();
  } catch (const RuntimeError& e) {
    report(e.number(), e.description());
  } catch (const std::bad_alloc&) {
    report(err::kOutOfMemory, runtimeErrorDescription(err::kOutOfMemory));
  } catch (const std::exception&) {
    report(51, runtimeErrorDescription(51));
  }
}

}  // namespace

QString settingsFilePathFor(const QString& programFolder, const QString& baseName,
                            bool folderWritable, const QString& configFolder) {
  QString folder = folderWritable ? programFolder : configFolder;
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder + baseName + QStringLiteral(".in4");
}

QString settingsFilePath() {
  const QFileInfo folder(programFolder());
  return settingsFilePathFor(programFolder(), programBaseName(),
                             folder.isDir() && folder.isWritable(), userConfigFolder());
}

bool writeFirstSettings() {
  const QString path = settingsFilePath();
  const QString demo = demoFolder();
  if (demo.isEmpty() || QFileInfo::exists(path)) return false;
  try {
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFileAtomically(path, demoSettingsFile(demo));
  } catch (const RuntimeError&) {
    return false;
  }
  return true;
}

QString failureText(int number, const QString& description) {
  return QStringLiteral("エラー Code:") + QString::number(number) + QStringLiteral("\r\n内容:") +
         description;
}

void SaveSettings(Program& app) {
  reportingFailures([&] {
    SettingsRecord& r = app.record();
    Form1& form = app.form1();
    for (int i = 1; i <= 32; ++i) {
      const M_Degit* d = form.Degit[i];
      r.DegitInfo[i - 1] = {d->Shift(), d->ZeroMode(), d->FillZero()};
    }
    app.option().GetOptionInfo();
    app.ctl().GetCtrlDataInfo();
    form.GetFormInfo();
    const QString path = settingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());  // a first save in the configuration folder
    writeFileAtomically(path, encodeSettings(r));
  });
}

void LoadSettings(Program& app) {
  const QString path = settingsFilePath();
  if (!QFileInfo(path).isFile()) return;  // no settings yet: run on the defaults
  reportingFailures([&] {
    const QByteArray bytes = readWholeFile(path, kMaxSettingsFileBytes);
    // An empty file holds no settings: start as without one.
    if (bytes.isEmpty()) return;
    app.record() = decodeSettings(bytes);
    const SettingsRecord& r = app.record();
    Form1& form = app.form1();
    const DigitInfo& colors = r.digitInfo;
    auto paint = [&](M_Degit* d) {
      d->setBackColor(checkedColor(colors.DegitBackColor));
      d->setBaseForeColor(checkedColor(colors.DegitBaseColor));
      d->setDegitForeColor(checkedColor(colors.DegitLitColor));
    };
    for (int i = 1; i <= 32; ++i) {
      M_Degit* d = form.Degit[i];
      const DegitEntry& e = r.DegitInfo[i - 1];
      d->setZeroMode(e.ZeroMode);
      d->setShift(e.Shift);
      d->setFillZero(e.FillZero);
      paint(d);
    }
    app.boardModel().setAllCells(QStringLiteral(" "));
    for (M_Degit* t : form.TimeDegit) paint(t);
    form.ChimeiCtl->setBackColor(checkedColor(r.chimeiInfo.ChimeiBackColor));
    form.ChimeiCtl->setForeColor(checkedColor(r.chimeiInfo.ChimeiForeColor));
    app.option().SetOptionInfo();
    app.ctl().SetCtrlDataInfo();
    form.SetFormInfo();
    app.option().SetProp();
  });
}

}  // namespace sorane::mdlIniIo
