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
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &LcdBoard::tick);
  connect(&model_, &BoardModel::changed, this, &LcdBoard::tick);
  tick();
}

void LcdBoard::setScheme(lcd::Scheme scheme) {
  if (scheme == scheme_) return;
  scheme_ = scheme;
  update();
}

int LcdBoard::scale() const {
  return std::max(1, static_cast<int>(std::ceil(devicePixelRatioF() - 0.01)));
}

void LcdBoard::tick() {
  const QDateTime now = ui().now();
  const lcd::Scene next = lcd::sceneAt(model_, now, scale());
  if (!sceneValid_ || next.cleared != scene_.cleared || next.backlight != scene_.backlight) {
    update();
  } else {
    if (next.band != scene_.band) update(lcd::bandPart());
    if (next.table != scene_.table) update(lcd::tablePart());
    if (next.bottom != scene_.bottom) update(lcd::bottomPart());
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
