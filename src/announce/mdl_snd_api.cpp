#include "mdl_snd_api.h"

#include <QFileInfo>

#include "app_info.h"
#include "media_commands.h"
#include "ui.h"

namespace sorane::mdlSndAPI {
namespace {

// Only spaces count as blanks here, as in the system's own trimming.
QString trimSpaces(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first] == u' ') ++first;
  while (last > first && text[last - 1] == u' ') --last;
  return text.mid(first, last - first);
}

bool isNormalFile(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

}  // namespace

QString soundKindOf(const QString& path) {
  return trimSpaces(path.right(3).toUpper());
}

void PlaySnd(const QString& strFile, const QString& strAlias, std::int16_t bWait,
             std::int16_t nPause) {
  if (!isNormalFile(strFile)) return;
  const QString device = programBaseName() + strAlias;
  MediaCommands& mci = mediaCommands();
  mci.send(QStringLiteral("close ") + device);

  const QString kind = soundKindOf(strFile);
  QString type;
  if (kind == QLatin1String("WAV")) {
    type = QStringLiteral("waveaudio");
  } else if (kind == QLatin1String("MID")) {
    type = QStringLiteral("sequencer");
  } else {
    return;
  }
  mci.send(QStringLiteral("open \"%1\" type %2 alias %3 wait").arg(strFile, type, device));

  if (bWait != 0) {
    mci.send(QStringLiteral("play %1 from 0 wait").arg(device));
    ui().pause(nPause);
  } else {
    mci.send(QStringLiteral("stop ") + device);
    mci.send(QStringLiteral("play %1 from 0").arg(device));
    ui().pause(0);
  }
}

void CloseAllSnd() {
  const QString base = programBaseName();
  for (const char* alias : {"S1", "S2", "S3", "S4"})
    mediaCommands().send(QStringLiteral("close ") + base + QLatin1String(alias));
}

}  // namespace sorane::mdlSndAPI
