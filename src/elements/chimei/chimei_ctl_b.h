#pragma once

#include <QByteArray>
#include <QFrame>
#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "chimei_layout.h"
#include "colorref.h"
#include "ui_timer.h"


namespace sorane {

class PropertyBag;

// The strip: a retained picture that slides up and down inside the viewport.
class ChimeiStrip : public QWidget {
 public:
  explicit ChimeiStrip(QWidget* parent);

  const QImage& surface() const { return surface_; }
  QImage& surface() { return surface_; }
  QColor background() const { return back_; }
  // A blank picture of this size in `back`; the widget takes the size too.
  void reset(int width, int height, QColor back);
  // Wipes the picture to `back`, keeping its size.
  void clear(QColor back);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage surface_;
  QColor back_;
};

// The dot-matrix stop-name column: the name is drawn cell by cell, top to
// bottom, on a strip that stands in the viewport or, for a long name, rises
// through it pass after pass. The scroll runs on a timer; callers never wait
// for it.
class ChimeiCtl_B : public QWidget {
  Q_OBJECT
 public:
  static constexpr ColorRef kDefaultBackColor = 0x808080;
  static constexpr ColorRef kDefaultForeColor = 0x00BEFF;
  static constexpr std::int16_t kDefaultSpeed = 5;
  static constexpr std::int32_t kDefaultScrollStartWait = 1500;
  static constexpr std::int16_t kDefaultMode = 2;
  static constexpr std::int16_t kDefaultAppearance = 1;
  static constexpr std::int16_t kDefaultFontMode = 0;
  static constexpr bool kDefaultFontBold = false;

  explicit ChimeiCtl_B(QWidget* parent = nullptr);
  ~ChimeiCtl_B() override;

  ColorRef BackColor() const { return backColor_; }
  ColorRef ForeColor() const { return foreColor_; }
  std::int16_t Speed() const { return speed_; }
  std::int32_t ScrollStartWait() const { return scrollStartWait_; }
  std::int16_t Mode() const { return mode_; }
  std::int16_t Appearance() const { return appearance_; }
  std::int16_t FontMode() const { return fontMode_; }
  bool FontBold() const { return fontBold_; }

  // Wipes the dots on display.
  void setBackColor(ColorRef c);
  // Dots already drawn keep their colour.
  void setForeColor(ColorRef c);
  void setSpeed(std::int16_t v);
  void setScrollStartWait(std::int32_t v);
  void setMode(std::int16_t v);
  // 0 flat, any other value three-dimensional (stored as 1). Resizes the
  // viewport and wipes the dots on display.
  void setAppearance(std::int16_t v);
  void setFontMode(std::int16_t v);
  void setFontBold(bool v);

  // Shows a stop name; "" blanks the column. Returns once the name is drawn.
  void SetChimei(const QString& strText);
  // Draws one display unit (CP932 bytes) with its top-left dot at (X, Y) on
  // the strip. A long-vowel unit is handed back as the stroke drawn for it.
  void DrawDot16(std::int32_t X, std::int32_t Y, QByteArray& strText);
  // Repaints the strip.
  void Refresh();
  // The name the last SetChimei showed.
  QString shownText() const { return shownText_; }

  // Host hooks for the saved properties.
  void InitProperties();
  void ReadProperties(const PropertyBag& bag);
  void WriteProperties(PropertyBag& bag) const;

  ChimeiStrip* Picture1() const { return picture1_; }
  QFrame* Picture2() const { return picture2_; }
  const QImage& Picture3() const { return picture3_; }

  bool scrolling() const { return !bStopScroll; }
  // Runs only while a name scrolls and something is due to change.
  const UiTimer* scrollTimer() const { return scrollTimer_; }
  // Brings the scroll up to the Ui clock and arms the timer for the next
  // change; the scroll timer calls it.
  void scrollTick();
  const ChimeiScroll& scrollState() const { return scroll_; }

 signals:
  // The host's property-changed notification, with the property's name.
  void propertyChanged(const QString& name);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void changed(const char* name) { emit propertyChanged(QString::fromLatin1(name)); }
  void applyBackColor();
  void applyAppearanceStyle();
  void stopScroll();
  void startScroll();
  void catchUp();
  void scheduleTick();
  ScrollInputs scrollInputs() const;
  int frameIntervalMs() const;

  ColorRef backColor_ = kDefaultBackColor;
  ColorRef foreColor_ = kDefaultForeColor;
  std::int16_t speed_ = kDefaultSpeed;
  std::int32_t scrollStartWait_ = kDefaultScrollStartWait;
  std::int16_t mode_ = kDefaultMode;
  std::int16_t appearance_ = kDefaultAppearance;
  std::int16_t fontMode_ = kDefaultFontMode;
  bool fontBold_ = kDefaultFontBold;
  bool bStopScroll = true;
  QString shownText_;

  QFrame* picture2_ = nullptr;
  // Inside the viewport's border; the strip's coordinates are relative to it.
  QWidget* client_ = nullptr;
  ChimeiStrip* picture1_ = nullptr;
  QImage picture3_;

  // Height of the strip the layout asked for, whether or not its picture fits
  // in memory.
  int stripHeight_ = kChimeiColumnHeight;
  ChimeiScroll scroll_;
  UiTimer* scrollTimer_ = nullptr;
  std::int64_t lastTickMs_ = 0;
  // Counts SetChimei calls, so a call can tell that a newer one ran inside it.
  std::uint64_t generation_ = 0;
};

}  // namespace sorane
