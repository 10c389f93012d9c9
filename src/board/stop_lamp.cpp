#include "stop_lamp.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

#include "fonts.h"

namespace sorane {
namespace {

const QColor kBezel(48, 48, 50);
const QColor kBezelEdge(92, 92, 96);
const QColor kFaceOff(44, 14, 14);
const QColor kWordsOff(78, 30, 28);
const QColor kGlowCentre(255, 72, 52);
const QColor kGlowEdge(176, 16, 14);
const QColor kWordsLit(255, 244, 236);
const QColor kCaptionText(200, 200, 200);
const QColor kRecordingText(255, 96, 80);

}  // namespace

const QString StopLamp::kWords = QStringLiteral("つぎ止まります");
const QString StopLamp::kRecordingMark = QStringLiteral("録画中");

StopLamp::StopLamp(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      drag_(*this, WindowDrag::Start::AfterThreshold) {
  setWindowTitle(kWords);
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
}

QRect StopLamp::faceRect() {
  return QRect(8, 7, kWidth - 16, 44);
}

QRect StopLamp::captionRect() {
  return QRect(8, 54, kWidth - 16, 13);
}

void StopLamp::setLit(bool lit) {
  if (lit == lit_) return;
  lit_ = lit;
  update();
}

void StopLamp::setCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  update();
}

void StopLamp::setRecording(bool recording) {
  if (recording == recording_) return;
  recording_ = recording;
  update();
}

void StopLamp::paintEvent(QPaintEvent*) {
  QPainter p(this);
  draw(p, recording_);
}

void StopLamp::draw(QPainter& p, bool recordingMark) const {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  // The housing.
  p.fillRect(rect(), kBezel);
  p.setPen(QPen(kBezelEdge, 1));
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

  // The face: dark with the printing just visible, or glowing red.
  const QRectF face = faceRect();
  QPainterPath shape;
  shape.addRoundedRect(face, 5, 5);
  if (lit_) {
    // Light spilling onto the housing.
    for (int k = 3; k >= 1; --k) {
      p.setPen(QPen(QColor(255, 70, 50, 70 / k), 2.0 * k));
      p.drawPath(shape);
    }
    QRadialGradient glow(face.center(), face.width() * 0.62);
    glow.setColorAt(0.0, kGlowCentre);
    glow.setColorAt(1.0, kGlowEdge);
    p.fillPath(shape, glow);
  } else {
    p.fillPath(shape, kFaceOff);
  }
  p.setPen(QPen(Qt::black, 1.5));
  p.drawPath(shape);

  QFont words = faceFont(kFaceGothic, 15, true);
  p.setFont(words);
  if (lit_) {
    // A soft halo behind the lit words.
    p.setPen(QColor(255, 150, 130, 110));
    for (const QPointF d : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
      p.drawText(face.translated(d), Qt::AlignCenter, kWords);
  }
  p.setPen(lit_ ? kWordsLit : kWordsOff);
  p.drawText(face, Qt::AlignCenter, kWords);

  // The recording's mark comes first, red; the caption after it, the
  // letters made smaller until both fit.
  const QString mark = recordingMark ? kRecordingMark : QString();
  const QString gap = mark.isEmpty() || caption_.isEmpty() ? QString() : QStringLiteral(" ");
  QFont small = uiFont();
  for (int size = 10; size >= 7; --size) {
    small.setPixelSize(size);
    if (QFontMetrics(small).horizontalAdvance(mark + gap + caption_) <= captionRect().width())
      break;
  }
  p.setFont(small);
  const QFontMetrics metrics(small);
  const int width = metrics.horizontalAdvance(mark + gap + caption_);
  QRect text = captionRect();
  text.setLeft(text.left() + std::max(0, (text.width() - width) / 2));
  p.setPen(kRecordingText);
  p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, mark);
  text.setLeft(text.left() + metrics.horizontalAdvance(mark + gap));
  p.setPen(kCaptionText);
  p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, caption_);
  p.restore();
}

void StopLamp::mousePressEvent(QMouseEvent* event) {
  drag_.press(*event);
}

void StopLamp::mouseMoveEvent(QMouseEvent* event) {
  drag_.move(*event);
}

void StopLamp::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_.release(*event)) emit pressed();
}

}  // namespace sorane
