#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

#include "window_drag.h"

class QPainter;

namespace sorane {

// The stop-request lamp 「つぎ止まります」 in a small borderless window of
// its own: a dark face with its printed words just visible when off, a red
// glow when lit, and a small caption strip under the face. A left click is
// a passenger's press; the lamp is dragged by holding and moving.
class StopLamp : public QWidget {
  Q_OBJECT
 public:
  static const QString kWords;  // 「つぎ止まります」
  static const QString kRecordingMark;  // 「録画中」
  static constexpr int kWidth = 184;
  static constexpr int kHeight = 70;

  explicit StopLamp(QWidget* parent = nullptr);

  void setLit(bool lit);
  bool isLit() const { return lit_; }
  // The small text under the face; empty shows nothing there.
  void setCaption(const QString& caption);
  QString caption() const { return caption_; }
  // While recording, the caption strip says so, on the screen only.
  void setRecording(bool recording);
  bool isRecording() const { return recording_; }
  // The lamp as it shows, drawn at `p`'s origin; the recording's mark only
  // with `recordingMark`.
  void draw(QPainter& p, bool recordingMark) const;
  // The face and the caption strip, in window coordinates.
  static QRect faceRect();
  static QRect captionRect();

 signals:
  // A left click that was not a drag.
  void pressed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool lit_ = false;
  bool recording_ = false;
  QString caption_;
  WindowDrag drag_;
};

}  // namespace sorane
