#pragma once

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>
#include <vector>

#include "speech_engine.h"
#include "ui_timer.h"

namespace sorane {

// A passenger's stop request (降車合図): a press lights the lamp, plays the
// chime once and then has the voice say the phrase (and its English with
// English announcements on), after the announcement that is playing if
// there is one. The lamp stays lit until the bus arrives at the next stop.
class StopRequest : public QObject {
  Q_OBJECT
 public:
  static const QString kPhrase;         // 「次、止まります。」
  static const QString kEnglishPhrase;  // "The bus will stop at the next stop."
  static const QString kChimeAlias;     // the fourth sound channel

  // `voice` gives the announcements' speech engine, or null without one;
  // `english` tells whether English announcements are on.
  explicit StopRequest(std::function<SpeechEngine*()> voice, std::function<bool()> english = {},
                       QObject* parent = nullptr);

  // The chime file; its length sets when the phrase may follow.
  void setChime(const QString& path);
  QString chime() const { return chime_; }
  bool lit() const { return lit_; }

  // Has the voice make the phrase ahead, so a press is answered at once.
  void prepare();
  // Nothing while lit or while a modal window is open.
  void press();
  // The lamp goes out, and a phrase not yet spoken is dropped: on arrival
  // (a forward step), a route set and display clear.
  void clear();
  // Says the phrase once the chime has ended and the voice is free. Runs on
  // a timer while a phrase waits; tests call it on the virtual clock.
  void tick();
  bool phraseWaiting() const { return phraseWaiting_; }

 signals:
  void litChanged(bool lit);

 private:
  std::function<SpeechEngine*()> voice_;
  std::function<bool()> english_;
  QString chime_;
  int chimeMs();
  // The phrase, and its English when that is on.
  std::vector<SpeechLine> phrase() const;

  std::optional<int> chimeMs_;
  bool lit_ = false;
  bool phraseWaiting_ = false;
  QDateTime phraseDue_;
  UiTimer timer_;
};

}  // namespace sorane
