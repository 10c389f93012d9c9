#pragma once

#include <QDateTime>
#include <deque>
#include <functional>
#include <vector>

#include "ui.h"

namespace sorane::test {

// Ui for tests: records every message, answers from a script, and runs a
// virtual clock, so a pause costs no real time.
class ScriptedUi : public Ui {
 public:
  struct Message {
    QString text;
    QString title;
    MsgButtons buttons;
    MsgIcon icon;
  };

  MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons, MsgIcon icon,
                    QWidget* owner = nullptr) override;
  void processEvents() override;
  void pause(int ms) override;
  QDateTime now() const override { return start.addMSecs(clockMs); }
  void openFolder(const QString& path) override { openedFolders.push_back(path); }

  std::vector<Message> messages;
  std::vector<QString> openedFolders;
  // Answers given in turn; when none is left, Ok for Ok boxes and
  // `defaultYesNo` for Yes/No boxes.
  std::deque<MsgAnswer> answers;
  MsgAnswer defaultYesNo = MsgAnswer::No;

  QDateTime start{QDate(2026, 12, 7), QTime(10, 5, 0)};
  qint64 clockMs = 0;
  std::vector<int> pauses;
  int processEventsCalls = 0;
  // When set, processEvents also runs the real event loop once.
  bool realEvents = true;
  // Called at the start of every pause with its length.
  std::function<void(int)> onPause;
  // Called when a message box is shown, before it is answered.
  std::function<void(const Message&)> onMessage;
};

// Installs a ScriptedUi for the life of the object, then puts back what it
// replaced.
class UiScope {
 public:
  UiScope() : previous_(installUi(&ui)) {}
  ~UiScope() { installUi(previous_); }
  UiScope(const UiScope&) = delete;
  UiScope& operator=(const UiScope&) = delete;
  ScriptedUi ui;

 private:
  Ui* previous_;
};

}  // namespace sorane::test
