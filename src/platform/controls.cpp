#include "controls.h"

#include <QPainter>
#include <QStyleOptionButton>

#include "runtime_error.h"

namespace sorane {
namespace {

// Option buttons form a group with the buttons of their own kind that share
// their parent, and only those: Qt's own exclusivity also takes in buttons
// of nested frames.
template <typename Option>
void uncheckSiblings(Option* self) {
  for (Option* other :
       self->parentWidget()->template findChildren<Option*>(Qt::FindDirectChildrenOnly))
    if (other != self) other->setChecked(false);
}

// Selecting an option clears the others of its group and raises Click().
template <typename Option>
void behaveAsOption(Option* self) {
  QObject::connect(self, &QAbstractButton::toggled, self, [self](bool on) {
    if (!on) return;
    uncheckSiblings(self);
    emit self->Click();
  });
}

// Check states are 0 or 1.
bool checkValue(std::int16_t v) {
  if (v != 0 && v != 1) throw RuntimeError(err::kInvalidPropertyValue);
  return v == 1;
}

}  // namespace

CheckBox::CheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  connect(this, &QCheckBox::toggled, this, &CheckBox::Click);
}

void CheckBox::setValue(std::int16_t v) { setChecked(checkValue(v)); }

ToggleButton::ToggleButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setCheckable(true);
  connect(this, &QPushButton::toggled, this, &ToggleButton::Click);
}

void ToggleButton::setValue(std::int16_t v) { setChecked(checkValue(v)); }

OptionButton::OptionButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
  setAutoExclusive(false);
  behaveAsOption(this);
}

void OptionButton::setValue(bool v) {
  setChecked(v);
}

void OptionButton::nextCheckState() {
  if (!isChecked()) setChecked(true);
}

void OptionButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  const int indicator = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &opt, this);
  const int top = std::min(2, std::max(0, height() - indicator));
  opt.rect = QRect(0, top, indicator, indicator);
  style()->drawPrimitive(QStyle::PE_IndicatorRadioButton, &opt, &p, this);
  p.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  p.drawText(rect().adjusted(indicator + 4, 0, 0, 0),
             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text());
}

PushOption::PushOption(const QString& text, QWidget* parent) : Button(text, parent) {
  setCheckable(true);
  behaveAsOption(this);
}

void PushOption::setValue(bool v) {
  setChecked(v);
}

void PushOption::nextCheckState() {
  if (!isChecked()) setChecked(true);
}

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {}

void ComboBox::setListIndex(int index) {
  if (index < -1 || index >= count()) throw RuntimeError(err::kInvalidPropertyValue);
  setCurrentIndex(index);
}

Button::Button(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void Button::setFaceColor(const QColor& color) {
  face_ = color;
  update();
}

QSize Button::sizeHint() const {
  return QPushButton::sizeHint();
}

void Button::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text.clear();
  if (face_.isValid()) opt.palette.setColor(QPalette::Button, face_);
  style()->drawControl(QStyle::CE_PushButtonBevel, &opt, &p, this);
  p.setPen(isEnabled() ? palette().color(QPalette::ButtonText)
                       : palette().color(QPalette::Disabled, QPalette::ButtonText));
  const int shift = isDown() || isChecked() ? 1 : 0;
  p.drawText(rect().adjusted(2 + shift, 1 + shift, -2 + shift, -1 + shift),
             Qt::AlignCenter | Qt::TextWordWrap | Qt::TextWrapAnywhere, text());
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

namespace sorane {

Frame::Frame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

void Frame::mouseDoubleClickEvent(QMouseEvent* event) {
  QGroupBox::mouseDoubleClickEvent(event);
  emit DblClick();
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setBackColor(const QColor& color) {
  back_ = color;
  Cls();
}

void PictureBox::Cls() {
  image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image_.fill(back_);
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), back_);
  p.drawImage(QPoint(0, 0), image_);
}

void PictureBox::resizeEvent(QResizeEvent*) {
  // The kept image grows with the box; what was drawn stays at the top left.
  if (image_.size() == size()) return;
  QImage grown(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  grown.fill(back_);
  QPainter p(&grown);
  p.drawImage(QPoint(0, 0), image_);
  p.end();
  image_ = grown;
}

}  // namespace sorane
