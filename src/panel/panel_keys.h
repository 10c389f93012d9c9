#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <vector>

class QAbstractButton;
class QKeyEvent;
class QWidget;

namespace sorane {

class frmCtl;

// Keys that press the panel's buttons while the board or the panel has the
// focus. A key does what a click on its button does, and nothing when the
// button is disabled, when its input frame lies behind the other one, or
// while a modal window is open. A key or a click that arrives while a
// command runs (delivered by that command's own event processing) waits
// until the command has returned.
class PanelKeys : public QObject {
  Q_OBJECT
 public:
  PanelKeys(frmCtl& ctl, QWidget& board);

  // The button a press of `key` would press now, or nullptr.
  QAbstractButton* target(int key, Qt::KeyboardModifiers modifiers) const;
  // "キー：PageDown、→" for the keys of `button`; empty when it has none.
  QString keyText(const QAbstractButton* button) const;
  // `tip` with the key line of `button` under it.
  QString withKeys(const QString& tip, const QAbstractButton* button) const;

  // A key that does something other than press a button, under the same
  // rules; `name` is how tooltips name it.
  void addKeyAction(int key, const QString& name, std::function<void()> action);
  // Keys typed into `window` count as typed into the board.
  void watchWindow(QWidget* window);
  // True while a command runs.
  bool busy() const { return running_ > 0; }

  // Runs the command of `button` (clicked). While another command runs it
  // waits, and then runs only if the button is still enabled and no modal
  // window is open.
  void runCommand(const std::function<void()>& command, QAbstractButton* button = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool handle(QKeyEvent& event);
  void runWaiting();

  struct KeyAction {
    int key;
    QString name;
    std::function<void()> action;
  };
  const KeyAction* actionFor(int key) const;

  frmCtl& ctl_;
  QWidget& board_;
  std::vector<QWidget*> windows_;
  std::vector<KeyAction> actions_;
  int running_ = 0;
  // Keys and clicks held while a command runs, in the order they came.
  std::deque<std::function<void()>> waiting_;
};

}  // namespace sorane
