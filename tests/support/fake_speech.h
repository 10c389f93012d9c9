#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "speech_engine.h"
#include "ui.h"

namespace sorane::test {

// A speech engine that records every call as a line of `log`:
// "stop", "speak:TEXT", "status", "prepare:TEXT", "dialog:TITLE". Lines
// after the first of one speak are "then:TEXT"; English texts are written
// "en:TEXT". With `msPerCharacter` set, speech takes that long a character
// on the Ui clock: status is 1 until the last line has ended, and `heard`
// holds when each line starts.
class FakeSpeech : public SpeechEngine {
 public:
  explicit FakeSpeech(QStringList& log) : log_(log) {}

  using SpeechEngine::prepare;
  using SpeechEngine::speak;
  void speak(const std::vector<SpeechLine>& lines) override {
    if (lines.empty()) log_ << QStringLiteral("speak:");
    qint64 at = nowMs();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      log_ << (i == 0 ? QStringLiteral("speak:") : QStringLiteral("then:")) + tagged(lines[i]);
      if (msPerCharacter <= 0) continue;
      heard.push_back({at, tagged(lines[i])});
      at += lines[i].text.size() * msPerCharacter;
    }
    if (msPerCharacter > 0) endMs_ = at;
  }
  void stop() override {
    log_ << QStringLiteral("stop");
    const qint64 now = nowMs();
    std::erase_if(heard, [now](const Heard& h) { return h.atMs > now; });
    endMs_ = std::min(endMs_, now);
  }
  std::int32_t status() override {
    log_ << QStringLiteral("status");
    if (msPerCharacter > 0) return nowMs() < endMs_ ? 1 : 0;
    return statusValue;
  }
  void adjustDialog(QWidget* owner, const QString& title) override {
    dialogOwner = owner;
    log_ << QStringLiteral("dialog:") + title;
  }
  void prepare(const SpeechLine& line) override {
    log_ << QStringLiteral("prepare:") + tagged(line);
  }
  bool speaks(SpeechLanguage language) const override {
    return language == SpeechLanguage::Japanese || english;
  }

  // What the lines heard up to the Ui clock's now were, in order, each
  // with the milliseconds from `since` to its start.
  QStringList heardSince(const QDateTime& since) const {
    QStringList out;
    for (const Heard& h : heard)
      if (h.atMs <= nowMs())
        out << QStringLiteral("%1 %2").arg(h.atMs - since.toMSecsSinceEpoch()).arg(h.line);
    return out;
  }

  struct Heard {
    qint64 atMs;  // the Ui clock, in milliseconds since the epoch
    QString line;
  };
  std::int32_t statusValue = 1;
  QWidget* dialogOwner = nullptr;
  bool english = true;
  int msPerCharacter = 0;
  std::vector<Heard> heard;

 private:
  static QString tagged(const SpeechLine& line) {
    return (line.language == SpeechLanguage::English ? QStringLiteral("en:") : QString()) +
           line.text;
  }
  static qint64 nowMs() { return ui().now().toMSecsSinceEpoch(); }

  QStringList& log_;
  qint64 endMs_ = 0;
};

}  // namespace sorane::test
