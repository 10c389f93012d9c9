#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <cstdint>
#include <vector>

#include "colorref.h"

namespace sorane {

// Some captions leave blanks where lists sit over them ("データの　　列目の値を、").
// Their words are laid out around the lists: the words after blank k start
// right of list k, on the line the list lies on, or under it when they do
// not fit; a blank with no list of its own starts a new line under
// everything above.
struct CaptionRun {
  QString text;
  QRect rect;
};
std::vector<CaptionRun> layoutCaptionRuns(const QString& caption, const QFontMetrics& metrics,
                                          QPoint start, int width, const std::vector<QRect>& lists);

// A check box whose value is 0 (unticked) or 1 (ticked). Click() follows
// every change of the value, by the user or by the program.
class CheckBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit CheckBox(const QString& text = {}, QWidget* parent = nullptr);
  std::int16_t Value() const { return isChecked() ? 1 : 0; }
  // 0 or 1; any other value is refused with run-time error 380.
  void setValue(std::int16_t v);
  // Lists lying over the blanks of the caption, in caption order.
  void setListsInCaption(std::vector<QWidget*> lists);
  // Where the words of the caption are drawn, in this box's coordinates.
  std::vector<CaptionRun> captionRuns() const;
  std::vector<QRect> listRects() const;
 signals:
  void Click();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QWidget*> lists_;
};

// A label whose caption has blanks where lists sit (see layoutCaptionRuns).
class ListCaptionLabel : public QLabel {
  Q_OBJECT
 public:
  ListCaptionLabel(const QString& text, std::vector<QWidget*> lists, QWidget* parent = nullptr);
  std::vector<CaptionRun> captionRuns() const;
  std::vector<QRect> listRects() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QWidget*> lists_;
};

// A check box drawn as a push button that stays down while ticked.
class ToggleButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ToggleButton(const QString& text = {}, QWidget* parent = nullptr);
  std::int16_t Value() const { return isChecked() ? 1 : 0; }
  void setValue(std::int16_t v);
 signals:
  void Click();
};

// An option button: the buttons sharing a parent form one group. Unlike
// Qt's own, a group can be left with nothing selected.
class OptionButton : public QRadioButton {
  Q_OBJECT
 public:
  explicit OptionButton(const QString& text = {}, QWidget* parent = nullptr);
  bool Value() const { return isChecked(); }
  void setValue(bool v);
 signals:
  // Raised when the button becomes selected.
  void Click();

 protected:
  // Long captions wrap inside the button's rectangle.
  void paintEvent(QPaintEvent* event) override;
  // A click selects; it never clears.
  void nextCheckState() override;
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A push button with a face colour whose caption wraps inside the button,
// as captions of narrow buttons do.
class Button : public QPushButton {
  Q_OBJECT
 public:
  explicit Button(const QString& text = {}, QWidget* parent = nullptr);
  void setFaceColor(const QColor& color);
  QColor faceColor() const { return face_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor face_;
};

// An option button drawn as a push button.
class PushOption : public Button {
  Q_OBJECT
 public:
  explicit PushOption(const QString& text = {}, QWidget* parent = nullptr);
  bool Value() const { return isChecked(); }
  void setValue(bool v);
 signals:
  void Click();

 protected:
  void nextCheckState() override;
};

// A drop-down list whose position is -1 (nothing selected) or 0..count-1.
class ComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit ComboBox(QWidget* parent = nullptr);
  int ListIndex() const { return currentIndex(); }
  // A position outside -1..count-1 is refused with run-time error 380.
  void setListIndex(int index);
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

namespace sorane {

// A frame (group box) that reports double-clicks on its own surface.
class Frame : public QGroupBox {
  Q_OBJECT
 public:
  explicit Frame(const QString& title = {}, QWidget* parent = nullptr);
 signals:
  void DblClick();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A picture box: a surface that keeps what is drawn on it.
class PictureBox : public QWidget {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);
  void setBackColor(const QColor& color);
  QColor backColor() const { return back_; }
  // Clears the kept image to the background colour.
  void Cls();
  // The kept image, with the screen's device pixels per pixel of the box.
  QImage& image() { return image_; }
  const QImage& image() const { return image_; }
  void Refresh() { update(); }

 signals:
  // A press of a mouse button at `globalPos`.
  void MouseDown(Qt::MouseButton button, QPoint globalPos);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QImage blankImage() const;

  QColor back_ = Qt::white;
  QImage image_;
};

}  // namespace sorane
