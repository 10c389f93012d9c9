#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

class QWidget;

namespace sorane {

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgAnswer { Ok, Yes, No };

// The program's services that touch the user or the clock. The program runs
// on QtUi; tests install a scripted implementation with a virtual clock.
class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box. An empty title means the program's own title.
  virtual MsgAnswer message(const QString& text, const QString& title, MsgButtons buttons,
                            MsgIcon icon, QWidget* owner = nullptr) = 0;
  // Handles the events waiting in the queue, then returns.
  virtual void processEvents() = 0;
  // Holds the caller for `ms` milliseconds. Windows keep painting and timers
  // keep running; user input waits and is delivered afterwards.
  virtual void pause(int ms) = 0;
  virtual QDateTime now() const = 0;
  // Opens a folder in the desktop's file manager and returns at once. An
  // empty text or a folder that does not exist does nothing.
  virtual void openFolder(const QString& path) = 0;
  // True when the clock moves only as the Ui steps it (a render), which
  // then fires the UiTimers itself.
  virtual bool stepsTimers() const { return false; }

  QDate today() const { return now().date(); }
};

// The services in use. installUi(nullptr) puts the Qt services back; it
// returns what was installed before, for a scope to put back.
Ui& ui();
Ui* installUi(Ui* ui);

// The title of every message box that names none of its own.
QString appTitle();

}  // namespace sorane
