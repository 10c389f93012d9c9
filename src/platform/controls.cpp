#include "controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
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

// Each list's rectangle in `w`'s coordinates.
std::vector<QRect> rectsIn(const QWidget* w, const std::vector<QWidget*>& lists) {
  std::vector<QRect> out;
  for (const QWidget* l : lists)
    out.emplace_back(l->mapTo(w->window(), QPoint(0, 0)) - w->mapTo(w->window(), QPoint(0, 0)),
                     l->size());
  return out;
}

void drawRuns(QPainter& p, const QWidget* w, const std::vector<CaptionRun>& runs) {
  p.setPen(w->palette().color(w->isEnabled() ? QPalette::Active : QPalette::Disabled,
                              QPalette::WindowText));
  for (const CaptionRun& r : runs) p.drawText(r.rect, Qt::AlignLeft | Qt::AlignTop, r.text);
}

}  // namespace

std::vector<CaptionRun> layoutCaptionRuns(const QString& caption, const QFontMetrics& metrics,
                                          QPoint start, int width,
                                          const std::vector<QRect>& lists) {
  static const QRegularExpression blank(QStringLiteral("[ \\x{3000}]{2,}"));
  const QStringList words = caption.split(blank, Qt::SkipEmptyParts);
  const int lineHeight = metrics.height();
  std::vector<CaptionRun> runs;
  QPoint pen = start;
  int lowest = start.y() + lineHeight;  // bottom of everything laid out so far
  for (qsizetype i = 0; i < words.size(); ++i) {
    const int w = metrics.horizontalAdvance(words[i]);
    if (i > 0) {
      const std::size_t k = static_cast<std::size_t>(i - 1);
      if (k < lists.size()) {
        const QRect& list = lists[k];
        const bool onLine = list.top() < pen.y() + lineHeight && list.bottom() >= pen.y();
        const int y = onLine ? pen.y() : list.center().y() - lineHeight / 2;
        pen = QPoint(list.right() + 4, y);
        if (pen.x() + w > width) pen = QPoint(start.x(), list.bottom() + 1);
        lowest = std::max(lowest, list.bottom() + 1);
      } else {
        pen = QPoint(start.x(), lowest);
      }
    }
    runs.push_back({words[i], QRect(pen, QSize(w, lineHeight))});
    pen.rx() += w;
    lowest = std::max(lowest, pen.y() + lineHeight);
  }
  return runs;
}

CheckBox::CheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  connect(this, &QCheckBox::toggled, this, &CheckBox::Click);
}

void CheckBox::setValue(std::int16_t v) {
  setChecked(checkValue(v));
}

void CheckBox::setListsInCaption(std::vector<QWidget*> lists) {
  lists_ = std::move(lists);
  update();
}

std::vector<QRect> CheckBox::listRects() const {
  return rectsIn(this, lists_);
}

std::vector<CaptionRun> CheckBox::captionRuns() const {
  QStyleOptionButton opt;
  initStyleOption(&opt);
  const QRect contents = style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, this);
  const int top = (height() - fontMetrics().height()) / 2;
  return layoutCaptionRuns(text(), fontMetrics(), QPoint(contents.left(), top), width(),
                           listRects());
}

void CheckBox::paintEvent(QPaintEvent* event) {
  if (lists_.empty()) {
    QCheckBox::paintEvent(event);
    return;
  }
  QPainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p, this);
  const std::vector<CaptionRun> runs = captionRuns();
  drawRuns(p, this, runs);
  if (hasFocus() && !runs.empty()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = runs.front().rect.adjusted(-1, 0, 1, 0);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
  }
}

ListCaptionLabel::ListCaptionLabel(const QString& text, std::vector<QWidget*> lists,
                                   QWidget* parent)
    : QLabel(text, parent), lists_(std::move(lists)) {}

std::vector<QRect> ListCaptionLabel::listRects() const {
  return rectsIn(this, lists_);
}

std::vector<CaptionRun> ListCaptionLabel::captionRuns() const {
  return layoutCaptionRuns(text(), fontMetrics(), QPoint(0, 0), width(), listRects());
}

void ListCaptionLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  drawRuns(p, this, captionRuns());
}

ToggleButton::ToggleButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setCheckable(true);
  connect(this, &QPushButton::toggled, this, &ToggleButton::Click);
}

void ToggleButton::setValue(std::int16_t v) {
  setChecked(checkValue(v));
}

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
  // A circle as high as the caption's first line, level with it.
  const int circle = std::min(indicator, fontMetrics().height());
  opt.rect = QRect((indicator - circle) / 2, 0, circle, circle);
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
  image_ = blankImage();
  update();
}

QImage PictureBox::blankImage() const {
  // Kept at the screen's pixel ratio, so what is drawn on it stays sharp
  // on a scaled panel.
  const qreal dpr = devicePixelRatioF();
  QImage img((QSizeF(size()) * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  img.setDevicePixelRatio(dpr);
  img.fill(back_);
  return img;
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  emit MouseDown(event->button(), event->globalPosition().toPoint());
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), back_);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(QPoint(0, 0), image_);
}

void PictureBox::resizeEvent(QResizeEvent*) {
  // The kept image grows with the box; what was drawn stays at the top left.
  QImage grown = blankImage();
  if (image_.size() == grown.size()) return;
  QPainter p(&grown);
  p.drawImage(QPoint(0, 0), image_);
  p.end();
  image_ = grown;
}

}  // namespace sorane
