#include "lcd_board.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
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
  const lcd::Scene next = lcd::sceneAt(model_, now, scale());
  if (!sceneValid_ || next.cleared != scene_.cleared || next.backlight != scene_.backlight) {
    update();
    emit frameChanged();
  } else {
    bool drawn = false;
    auto part = [&](bool differs, const QRect& r) {
      if (!differs) return;
      update(r);
      drawn = true;
    };
    part(next.band != scene_.band, lcd::bandPart());
    part(next.table != scene_.table, lcd::tablePart());
    part(next.bottom != scene_.bottom, lcd::bottomPart());
    if (drawn) emit frameChanged();
  }
  scene_ = next;
  sceneValid_ = true;
  sceneScale_ = scale();
  const qint64 wait = lcd::msUntilChange(model_, now, scale());
  if (wait < 0)
    timer_.stop();
  else
    timer_.start(static_cast<int>(wait));
}

QImage LcdBoard::grabFrame() {
  renderer_.render(scene_, scheme_, sceneScale_);
  return renderer_.frame();
}

void LcdBoard::paintEvent(QPaintEvent*) {
  // Another screen, another scale: the scroll moves by its pixels.
  if (scale() != sceneScale_) tick();
  QPainter p(this);
  p.drawImage(QPoint(0, 0), grabFrame());
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
