#pragma once

#include <QImage>
#include <QVariant>
#include <QWidget>
#include <cstdint>

#include "colorref.h"
#include "degit_format.h"
#include "segment_face.h"

namespace sorane {

class PropertyBag;

// The segment-style number element: `Keta` digit cells whose unlit segments
// stay faintly visible while the value's segments glow. Its picture is kept
// and redrawn only by the assignments that redraw.
class M_Degit : public QWidget {
  Q_OBJECT
 public:
  // Defaults of a new element.
  static constexpr ColorRef kDefaultBaseForeColor = 9868950;   // 0x969696
  static constexpr ColorRef kDefaultDegitForeColor = 7525112;  // 0x72D2F8
  static constexpr ColorRef kDefaultBackColor = 8421504;       // 0x808080

  explicit M_Degit(QWidget* parent = nullptr);

  ColorRef BaseForeColor() const { return baseForeColor_; }
  ColorRef DegitForeColor() const { return degitForeColor_; }
  std::int16_t FillZero() const { return fillZero_; }
  std::int16_t ZeroMode() const { return zeroMode_; }
  std::int16_t Shift() const { return shift_; }
  std::int16_t Keta() const { return keta_; }
  std::int16_t DegitSize() const { return degitSize_; }
  std::int16_t DegitStyle() const { return degitStyle_; }
  QVariant Value() const { return value_; }
  bool UserSet() const { return userSet_; }
  ColorRef BackColor() const { return backColor_; }
  QWidget* hwnd() { return this; }

  void setBaseForeColor(ColorRef c);
  void setDegitForeColor(ColorRef c);
  void setFillZero(std::int16_t v);
  void setZeroMode(std::int16_t v);
  void setShift(std::int16_t v);
  void setKeta(std::int16_t v);
  void setDegitSize(std::int16_t v);
  void setDegitStyle(std::int16_t v);
  void setValue(const QVariant& v);
  void setUserSet(bool v);
  void setBackColor(ColorRef c);

  // True lights every segment, False blanks the element, whatever Shift,
  // ZeroMode and FillZero say; those three are kept.
  void ResetDegit(bool lit);
  // Opens the companion's options dialog for this element and returns its
  // result (1 = confirmed).
  std::int32_t ShowSetDlg();

  // Host hooks for the saved properties.
  void InitProperties();
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  // What the cells show now: the characters lit at the right end.
  QString shownText() const { return drawnText_; }
  // The element's picture as last drawn.
  const QImage& surface() const { return surface_; }

 signals:
  void DblClick();
  // The host's property-changed notification, with the property's name.
  void propertyChanged(const QString& name);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void changed(const char* name) { emit propertyChanged(QString::fromLatin1(name)); }
  void resizeToCells();
  void redraw();
  void drawDigits(const QVariant& value, ColorRef unlit, ColorRef lit);
  void render();

  ColorRef baseForeColor_ = kDefaultBaseForeColor;
  ColorRef degitForeColor_ = kDefaultDegitForeColor;
  std::int16_t fillZero_ = 0;
  std::int16_t zeroMode_ = 0;
  std::int16_t shift_ = 0;
  std::int16_t keta_ = 4;
  std::int16_t degitSize_ = 0;
  std::int16_t degitStyle_ = 0;
  QVariant value_ = 0;
  bool userSet_ = true;
  ColorRef backColor_ = kDefaultBackColor;

  // What was last drawn, so the picture can be rebuilt for another screen.
  QString drawnText_;
  DegitRowStyle drawnStyle_;
  int drawnKeta_ = 4;
  QSize drawnCell_;
  QImage surface_;
};

}  // namespace sorane
