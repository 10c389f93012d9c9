#include "m_degit.h"

#include <QMouseEvent>
#include <QPainter>

#include "companion.h"
#include "property_bag.h"

namespace sorane {

M_Degit::M_Degit(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resizeToCells();
  drawDigits(QStringLiteral("0"), baseForeColor_, degitForeColor_);
}

void M_Degit::setBaseForeColor(ColorRef c) {
  baseForeColor_ = c;
  changed("BaseForeColor");
  redraw();
}

void M_Degit::setDegitForeColor(ColorRef c) {
  degitForeColor_ = c;
  changed("DegitForeColor");
  redraw();
}

void M_Degit::setFillZero(std::int16_t v) {
  fillZero_ = v > keta_ ? keta_ : v;
  changed("FillZero");
}

void M_Degit::setZeroMode(std::int16_t v) {
  zeroMode_ = v >= 4 ? 0 : v;
  changed("ZeroMode");
}

void M_Degit::setShift(std::int16_t v) {
  if (v > keta_ - 1) v = static_cast<std::int16_t>(keta_ - 1);
  if (v < 0) v = 0;
  shift_ = v;
  changed("Shift");
}

void M_Degit::setKeta(std::int16_t v) {
  keta_ = v < 1 || v > 15 ? 4 : v;
  changed("Keta");
  resizeToCells();
  redraw();
}

void M_Degit::setDegitSize(std::int16_t v) {
  degitSize_ = v >= 1 && v <= 3 ? v : 0;
  changed("DegitSize");
  resizeToCells();
  redraw();
}

void M_Degit::setDegitStyle(std::int16_t v) {
  degitStyle_ = v;
  changed("DegitStyle");
  redraw();
}

void M_Degit::setValue(const QVariant& v) {
  value_ = v;
  changed("Value");
  redraw();
}

void M_Degit::setUserSet(bool v) {
  userSet_ = v;
  changed("UserSet");
}

void M_Degit::setBackColor(ColorRef c) {
  backColor_ = c;
  changed("BackColor");
  redraw();
}

void M_Degit::ResetDegit(bool lit) {
  const std::int16_t shift = shift_;
  const std::int16_t zeroMode = zeroMode_;
  const std::int16_t fillZero = fillZero_;
  setShift(0);
  setZeroMode(0);
  setFillZero(0);
  setValue(lit ? QVariant(QString(keta_, QLatin1Char('8'))) : QVariant(QString()));
  setShift(shift);
  setZeroMode(zeroMode);
  setFillZero(fillZero);
}

std::int32_t M_Degit::ShowSetDlg() {
  std::int16_t zeroMode = zeroMode_;
  std::int16_t shift = shift_;
  std::int16_t fillZero = fillZero_;
  const std::int32_t result = companion().Call_dlg100(hwnd(), keta_, zeroMode, shift, fillZero);
  // Taken as returned: no range checks, no change marks.
  fillZero_ = fillZero;
  shift_ = shift;
  zeroMode_ = zeroMode;
  redraw();
  return result;
}

void M_Degit::InitProperties() {
  baseForeColor_ = kDefaultBaseForeColor;
  degitForeColor_ = kDefaultDegitForeColor;
  fillZero_ = 0;
  zeroMode_ = 0;
  shift_ = 0;
  keta_ = 4;
  degitSize_ = 0;
  degitStyle_ = 0;
  value_ = 0;
  userSet_ = true;
  backColor_ = kDefaultBackColor;
}

void M_Degit::ReadProperties(const PropertyBag& bag) {
  auto i16 = [&](const char* key, int def) {
    return static_cast<std::int16_t>(bag.read(QString::fromLatin1(key), def).toInt());
  };
  auto color = [&](const char* key, ColorRef def) {
    return static_cast<ColorRef>(bag.read(QString::fromLatin1(key), def).toUInt());
  };
  baseForeColor_ = color("BaseForeColor", kDefaultBaseForeColor);
  degitForeColor_ = color("DegitForeColor", kDefaultDegitForeColor);
  fillZero_ = i16("FillZero", 0);
  zeroMode_ = i16("ZeroMode", 0);
  shift_ = i16("Shift", 0);
  keta_ = i16("Keta", 4);
  degitSize_ = i16("DegitSize", 0);
  degitStyle_ = i16("DegitStyle", 0);
  value_ = bag.read(QStringLiteral("Value"), 0);
  userSet_ = bag.read(QStringLiteral("UserSet"), true).toBool();
  backColor_ = color("BackColor", kDefaultBackColor);
  // The surface takes the new background, which wipes what it showed;
  // nothing is drawn until the next redraw.
  drawnText_.clear();
  drawnKeta_ = 0;
  drawnStyle_.back = toQColor(backColor_);
  render();
}

void M_Degit::WriteProperties(PropertyBag& bag) const {
  bag.write(QStringLiteral("BaseForeColor"), baseForeColor_, kDefaultBaseForeColor);
  bag.write(QStringLiteral("DegitForeColor"), degitForeColor_, kDefaultDegitForeColor);
  bag.write(QStringLiteral("FillZero"), fillZero_, 0);
  bag.write(QStringLiteral("ZeroMode"), zeroMode_, 0);
  bag.write(QStringLiteral("Shift"), shift_, 0);
  bag.write(QStringLiteral("Keta"), keta_, 4);
  bag.write(QStringLiteral("DegitSize"), degitSize_, 0);
  bag.write(QStringLiteral("DegitStyle"), degitStyle_, 0);
  bag.write(QStringLiteral("Value"), value_, 0);
  bag.write(QStringLiteral("UserSet"), userSet_, true);
  bag.write(QStringLiteral("BackColor"), backColor_, kDefaultBackColor);
}

void M_Degit::resizeToCells() {
  const QSize cell = degitCellSize(degitSize_);
  resize(cell.width() * keta_, cell.height());
}

void M_Degit::redraw() {
  drawDigits(value_, baseForeColor_, degitForeColor_);
}

void M_Degit::drawDigits(const QVariant& value, ColorRef unlit, ColorRef lit) {
  drawnText_ = degitDisplayText(value, zeroMode_, fillZero_, shift_, keta_);
  drawnStyle_.face = degitFaceForStyle(degitStyle_);
  drawnStyle_.back = toQColor(backColor_);
  drawnStyle_.unlit = toQColor(unlit);
  drawnStyle_.lit = toQColor(lit);
  drawnKeta_ = keta_;
  drawnCell_ = degitCellSize(degitSize_);
  render();
}

void M_Degit::render() {
  if (!drawnCell_.isValid()) return;
  surface_ = renderDegitRow(drawnKeta_, drawnCell_, drawnText_, drawnStyle_, devicePixelRatioF());
  update();
}

void M_Degit::paintEvent(QPaintEvent*) {
  if (!qFuzzyCompare(surface_.devicePixelRatio(), devicePixelRatioF())) render();
  QPainter p(this);
  p.fillRect(rect(), drawnStyle_.back);
  p.drawImage(QPoint(0, 0), surface_);
}

void M_Degit::mousePressEvent(QMouseEvent* event) {
  event->accept();
}

void M_Degit::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  emit DblClick();
}

}  // namespace sorane
