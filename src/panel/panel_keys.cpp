#include "panel_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "frm_ctl.h"

namespace sorane {
namespace {

const QString kKeyPrefix = QStringLiteral("キー：");

// Keys, their names as the tooltips show them, and the buttons they press:
// the first of `buttons` that is not behind the other input frame.
struct Binding {
  std::vector<int> keys;
  QString names;
  std::vector<QAbstractButton*> buttons;
};

std::vector<Binding> bindings(const frmCtl& c) {
  std::vector<Binding> out;
  for (int d = 0; d <= 9; ++d)
    out.push_back({{Qt::Key_0 + d}, QString::number(d), {c.CommandButton1[d]}});
  out.push_back({{Qt::Key_Slash, Qt::Key_R}, QStringLiteral("/、R"), {c.CommandButton1[10]}});
  out.push_back({{Qt::Key_Asterisk, Qt::Key_S}, QStringLiteral("*、S"), {c.CommandButton1[11]}});
  out.push_back(
      {{Qt::Key_Return, Qt::Key_Enter}, QStringLiteral("Enter"), {c.Command1[1], c.Command1[0]}});
  out.push_back(
      {{Qt::Key_PageDown, Qt::Key_Right}, QStringLiteral("PageDown、→"), {c.Command2[1]}});
  out.push_back({{Qt::Key_PageUp, Qt::Key_Left}, QStringLiteral("PageUp、←"), {c.Command2[0]}});
  out.push_back({{Qt::Key_Down}, QStringLiteral("↓"), {c.cmdTapeNext}});
  out.push_back({{Qt::Key_Up}, QStringLiteral("↑"), {c.cmdTapeBack}});
  out.push_back({{Qt::Key_Escape}, QStringLiteral("Esc"), {c.cmdTapeStop}});
  out.push_back({{Qt::Key_Delete}, QStringLiteral("Delete"), {c.Check1}});
  out.push_back({{Qt::Key_N}, QStringLiteral("N"), {c.Check2}});
  for (int k = 0; k < 3; ++k)
    out.push_back({{Qt::Key_F1 + k}, QStringLiteral("F%1").arg(k + 1), {c.Option4[k]}});
  out.push_back({{Qt::Key_P}, QStringLiteral("P"), {c.Check4}});
  return out;
}

const Binding* bindingFor(const std::vector<Binding>& all, int key) {
  for (const Binding& b : all)
    for (int k : b.keys)
      if (k == key) return &b;
  return nullptr;
}

// The two input frames lie one over the other; a button of the one behind
// cannot be clicked.
bool behindOtherFrame(const frmCtl& c, const QWidget* w) {
  const QObjectList& order = c.children();  // bottom to top
  for (int k = 0; k < 2; ++k) {
    if (c.Frame1[k]->isAncestorOf(w))
      return order.indexOf(c.Frame1[k]) < order.indexOf(c.Frame1[1 - k]);
  }
  return false;
}

QAbstractButton* shownButton(const frmCtl& c, const Binding& b) {
  for (QAbstractButton* button : b.buttons)
    if (!behindOtherFrame(c, button)) return button;
  return nullptr;
}

bool plainKey(Qt::KeyboardModifiers m) {
  return !(m & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

}  // namespace

PanelKeys::PanelKeys(frmCtl& ctl, QWidget& board) : QObject(&ctl), ctl_(ctl), board_(board) {
  for (const Binding& b : bindings(ctl_))
    for (QAbstractButton* button : b.buttons)
      button->setToolTip(withKeys(button->toolTip(), button));
  qApp->installEventFilter(this);
}

QAbstractButton* PanelKeys::target(int key, Qt::KeyboardModifiers modifiers) const {
  if (!plainKey(modifiers) || QApplication::activeModalWidget()) return nullptr;
  const std::vector<Binding> all = bindings(ctl_);
  const Binding* b = bindingFor(all, key);
  QAbstractButton* button = b ? shownButton(ctl_, *b) : nullptr;
  return button && button->isEnabled() ? button : nullptr;
}

QString PanelKeys::keyText(const QAbstractButton* button) const {
  for (const Binding& b : bindings(ctl_))
    for (const QAbstractButton* candidate : b.buttons)
      if (candidate == button) return kKeyPrefix + b.names;
  return {};
}

QString PanelKeys::withKeys(const QString& tip, const QAbstractButton* button) const {
  const QString keys = keyText(button);
  if (keys.isEmpty()) return tip;
  return tip.isEmpty() ? keys : tip + QLatin1Char('\n') + keys;
}

void PanelKeys::runCommand(const std::function<void()>& command, QAbstractButton* button) {
  if (running_ > 0) {
    QPointer<QAbstractButton> held(button);
    waiting_.push_back([this, command, held, button] {
      if (button && (!held || !held->isEnabled() || QApplication::activeModalWidget())) return;
      runCommand(command, button);
    });
    return;
  }
  struct Running {
    PanelKeys& keys;
    explicit Running(PanelKeys& k) : keys(k) { ++keys.running_; }
    ~Running() {
      if (--keys.running_ == 0 && !keys.waiting_.empty())
        QTimer::singleShot(0, &keys, &PanelKeys::runWaiting);
    }
  } running(*this);
  command();
}

void PanelKeys::addKeyAction(int key, const QString& name, std::function<void()> action) {
  actions_.push_back({key, name, std::move(action)});
}

void PanelKeys::watchWindow(QWidget* window) {
  windows_.push_back(window);
}

const PanelKeys::KeyAction* PanelKeys::actionFor(int key) const {
  for (const KeyAction& a : actions_)
    if (a.key == key) return &a;
  return nullptr;
}

bool PanelKeys::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  const QWidget* window = static_cast<QWidget*>(watched)->window();
  if (window != &ctl_ && window != &board_ &&
      std::find(windows_.begin(), windows_.end(), window) == windows_.end())
    return false;
  return handle(*static_cast<QKeyEvent*>(event));
}

// A key of ours is used up here, whether or not it presses anything, so
// it never reaches the focused control as well. A key whose button lies in
// the hidden input frame goes on to the focused control (a digit list).
bool PanelKeys::handle(QKeyEvent& event) {
  if (!plainKey(event.modifiers())) return false;
  if (const KeyAction* a = actionFor(event.key())) {
    event.accept();
    if (event.isAutoRepeat()) return true;
    auto act = [action = a->action] {
      if (!QApplication::activeModalWidget()) action();
    };
    if (running_ > 0)
      waiting_.push_back(act);
    else
      act();
    return true;
  }
  const std::vector<Binding> all = bindings(ctl_);
  const Binding* b = bindingFor(all, event.key());
  if (!b || !shownButton(ctl_, *b)) return false;
  event.accept();
  if (event.isAutoRepeat()) return true;  // one press, one click
  auto press = [this, key = event.key(), modifiers = event.modifiers()] {
    if (QAbstractButton* button = target(key, modifiers)) button->click();
  };
  if (running_ > 0)
    waiting_.push_back(press);
  else
    press();
  return true;
}

void PanelKeys::runWaiting() {
  while (running_ == 0 && !waiting_.empty()) {
    const std::function<void()> next = waiting_.front();
    waiting_.pop_front();
    next();
  }
}

}  // namespace sorane
