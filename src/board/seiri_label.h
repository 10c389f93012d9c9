#pragma once

#include <QLabel>

#include "colorref.h"

namespace sorane {

// A ticket-number label of the board: centred text over the panel picture,
// in a face named by the system's face names. It takes mouse presses, so a
// press on it does not drag the board.
class SeiriLabel : public QLabel {
  Q_OBJECT
 public:
  explicit SeiriLabel(QWidget* parent = nullptr);

  void setFace(const QString& face, double points);
  QString faceName() const { return face_; }
  double facePoints() const { return points_; }

  void setTextColor(ColorRef color);
  ColorRef textColor() const { return color_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString face_;
  double points_ = 0;
  ColorRef color_ = 0;
};

}  // namespace sorane
