#pragma once

#include <QObject>
#include <deque>
#include <functional>

class QAbstractButton;
class QKeyEvent;
class QWidget;

namespace sorane {

class frmCtl;

// Keys that press the panel's buttons while the board or the panel has the
// focus. A key does what a click on its button does, and nothing when the
// button is disabled, when its input frame lies behind the other one, or
// while a modal window is open. A key that arrives while a command runs
// (delivered by that command's own event processing) waits until the
// command has returned.
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

  // Runs one of the panel's commands; keys wait while it runs.
  void runCommand(const std::function<void()>& command);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Press {
    int key;
    Qt::KeyboardModifiers modifiers;
  };
  bool handle(QKeyEvent& event);
  void press(const Press& p);
  void runWaiting();

  frmCtl& ctl_;
  QWidget& board_;
  int running_ = 0;
  std::deque<Press> waiting_;
};

}  // namespace sorane
