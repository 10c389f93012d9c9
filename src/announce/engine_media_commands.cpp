#include "engine_media_commands.h"

#include <QStringList>
#include <optional>

#include "audio_engine.h"
#include "ui.h"

namespace sorane {
namespace {

bool is(const QString& word, const char* keyword) {
  return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

// Splits a command into words; a word in double quotes may hold blanks and
// comes back without its quotes. The program's commands hold at most one
// such word, a path, which may itself hold quotes: it ends at the command's
// last quote, which blanks or the end must follow. Null otherwise.
std::optional<QStringList> splitWords(const QString& command) {
  QStringList words;
  qsizetype i = 0;
  const qsizetype n = command.size();
  while (true) {
    while (i < n && command[i].isSpace()) ++i;
    if (i >= n) break;
    if (command[i] == u'"') {
      const qsizetype close = command.lastIndexOf(u'"');
      if (close <= i || (close + 1 < n && !command[close + 1].isSpace())) return std::nullopt;
      words << command.mid(i + 1, close - i - 1);
      i = close + 1;
    } else {
      const qsizetype start = i;
      while (i < n && !command[i].isSpace()) ++i;
      words << command.mid(start, i - start);
    }
  }
  return words;
}

}  // namespace

QString EngineMediaCommands::voiceName(const QString& alias) {
  return QStringLiteral("mci:") + alias.toLower();
}

int EngineMediaCommands::send(const QString& command) {
  const auto words = splitWords(command);
  if (!words || words->isEmpty()) return kMediaUnrecognizedCommand;
  const QString& verb = words->front();
  if (is(verb, "open")) return open(*words);
  if (is(verb, "play")) return play(*words);
  if (words->size() != 2) return kMediaUnrecognizedCommand;
  const QString& alias = (*words)[1];
  if (is(verb, "stop")) return engine_.stop(voiceName(alias)) ? 0 : kMediaInvalidDevice;
  if (is(verb, "close")) return engine_.close(voiceName(alias)) ? 0 : kMediaInvalidDevice;
  return kMediaUnrecognizedCommand;
}

int EngineMediaCommands::open(const QStringList& words) {
  QString path;
  QString type;
  QString alias;
  for (qsizetype i = 1; i < words.size(); ++i) {
    if (is(words[i], "type") && i + 1 < words.size()) {
      type = words[++i];
    } else if (is(words[i], "alias") && i + 1 < words.size()) {
      alias = words[++i];
    } else if (i == 1 && !is(words[i], "wait")) {
      path = words[i];
    } else if (!is(words[i], "wait")) {
      return kMediaUnrecognizedCommand;
    }
  }
  if (path.isEmpty() || alias.isEmpty()) return kMediaUnrecognizedCommand;
  SoundKind kind;
  if (is(type, "waveaudio")) {
    kind = SoundKind::Wave;
  } else if (is(type, "sequencer")) {
    kind = SoundKind::Midi;
  } else {
    return kMediaInvalidDevice;
  }
  const QString voice = voiceName(alias);
  if (engine_.isOpen(voice)) return kMediaDuplicateAlias;
  return engine_.open(voice, path, kind) ? 0 : kMediaCannotLoad;
}

int EngineMediaCommands::play(const QStringList& words) {
  if (words.size() < 2) return kMediaUnrecognizedCommand;
  const QString voice = voiceName(words[1]);
  int fromMs = 0;
  bool wait = false;
  for (qsizetype i = 2; i < words.size(); ++i) {
    if (is(words[i], "from") && i + 1 < words.size()) {
      bool ok = false;
      fromMs = words[++i].toInt(&ok);
      if (!ok || fromMs < 0) return kMediaUnrecognizedCommand;
    } else if (is(words[i], "wait")) {
      wait = true;
    } else {
      return kMediaUnrecognizedCommand;
    }
  }
  if (!engine_.play(voice, fromMs)) return kMediaInvalidDevice;
  // Held as a busy program would be: windows paint, input waits.
  if (wait) ui().pause(engine_.remainingMs(voice));
  return 0;
}

}  // namespace sorane
