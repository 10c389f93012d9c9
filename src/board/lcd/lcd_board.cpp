#include "lcd_board.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "ui.h"

namespace sorane {

LcdBoard::LcdBoard(const BoardModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), model_(model), drag_(*this) {
  setFixedSize(lcd::kWidth, lcd::kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer_.setSingleShot(true);
  connect(&timer_, &UiTimer::timeout, this, &LcdBoard::tick);
  connect(&model_, &BoardModel::changed, this, &LcdBoard::tick);
  tick();
}

void LcdBoard::setScheme(lcd::Scheme scheme) {
  if (scheme == scheme_) return;
  scheme_ = scheme;
  update();
  emit frameChanged();
}

void LcdBoard::setRunning(bool running) {
  if (running == running_) return;
  running_ = running;
  sceneValid_ = false;
  if (running)
    tick();
  else
    timer_.stop();
}

int LcdBoard::scale() const {
  return std::max(1, static_cast<int>(std::ceil(devicePixelRatioF() - 0.01)));
}

void LcdBoard::tick() {
  if (!running_) return;
  const QDateTime now = ui().now();
  const int s = scale();
  scene_ = lcd::sceneAt(model_, now, s);
  sceneScale_ = s;
  // Drawn here, so the window copies only the pixels that changed.
  const QRegion changed = renderer_.render(scene_, scheme_, s);
  if (!sceneValid_)
    update();
  else if (!changed.isEmpty())
    update(changed);
  if (!sceneValid_ || !changed.isEmpty()) emit frameChanged();
  sceneValid_ = true;
  const qint64 wait = lcd::msUntilChange(model_, now, s);
  if (wait < 0)
    timer_.stop();
  else
    timer_.start(static_cast<int>(wait));
}

QImage LcdBoard::grabFrame() {
  renderer_.render(scene_, scheme_, sceneScale_);
  return renderer_.frame();
}

void LcdBoard::paintEvent(QPaintEvent* event) {
  // Another screen, another scale: the scroll moves by its pixels.
  if (scale() != sceneScale_) tick();
  renderer_.render(scene_, scheme_, sceneScale_);
  const QImage& frame = renderer_.frame();
  QPainter p(this);
  for (const QRect& r : event->region())
    p.drawImage(r, frame, QRect(r.topLeft() * sceneScale_, r.size() * sceneScale_));
}

void LcdBoard::mousePressEvent(QMouseEvent* event) {
  drag_.press(*event);
}

void LcdBoard::mouseMoveEvent(QMouseEvent* event) {
  drag_.move(*event);
}

void LcdBoard::mouseReleaseEvent(QMouseEvent* event) {
  drag_.release(*event);
}

void LcdBoard::contextMenuEvent(QContextMenuEvent* event) {
  emit menuRequested(event->globalPos());
}

}  // namespace sorane
