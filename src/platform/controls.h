#pragma once

#include <QCheckBox>
#include <QPushButton>
#include <cstdint>

#include "colorref.h"

namespace sorane {

// A check box whose value is 0 (unticked) or 1 (ticked). Click() follows
// every change of the value, by the user or by the program.
class CheckBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit CheckBox(const QString& text = {}, QWidget* parent = nullptr);
  std::int16_t Value() const { return isChecked() ? 1 : 0; }
  void setValue(std::int16_t v) { setChecked(v != 0); }
 signals:
  void Click();
};

// A check box drawn as a push button that stays down while ticked.
class ToggleButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ToggleButton(const QString& text = {}, QWidget* parent = nullptr);
  std::int16_t Value() const { return isChecked() ? 1 : 0; }
  void setValue(std::int16_t v) { setChecked(v != 0); }
 signals:
  void Click();
};

// A button whose face colour is the value it holds.
class ColorButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ColorButton(QWidget* parent = nullptr);
  ColorRef BackColor() const { return color_; }
  void setBackColor(ColorRef color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ColorRef color_ = 0;
};

}  // namespace sorane
