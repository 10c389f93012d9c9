#include "scripted_ui.h"

#include <QCoreApplication>

namespace sorane::test {

MsgAnswer ScriptedUi::message(const QString& text, const QString& title, MsgButtons buttons,
                              MsgIcon icon, QWidget*) {
  messages.push_back({text, title, buttons, icon});
  if (onMessage) onMessage(messages.back());
  if (!answers.empty()) {
    const MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  return buttons == MsgButtons::YesNo ? defaultYesNo : MsgAnswer::Ok;
}

void ScriptedUi::processEvents() {
  ++processEventsCalls;
  if (realEvents) QCoreApplication::processEvents();
}

void ScriptedUi::pause(int ms) {
  pauses.push_back(ms);
  if (onPause) onPause(ms);
  if (ms > 0) clockMs += ms;
}

}  // namespace sorane::test
