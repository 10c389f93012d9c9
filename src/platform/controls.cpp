#include "controls.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace sorane {

CheckBox::CheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  connect(this, &QCheckBox::toggled, this, &CheckBox::Click);
}

ToggleButton::ToggleButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setCheckable(true);
  connect(this, &QPushButton::toggled, this, &ToggleButton::Click);
}

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent) {}

void ColorButton::setBackColor(ColorRef color) {
  color_ = color;
  update();
}

void ColorButton::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  QPainter p(this);
  p.fillRect(rect().adjusted(3, 3, -3, -3), toQColor(color_));
}

}  // namespace sorane
