#include "seiri_label.h"

#include <QMouseEvent>

#include "fonts.h"

namespace sorane {

SeiriLabel::SeiriLabel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(false);
  setAttribute(Qt::WA_TranslucentBackground);
}

void SeiriLabel::setFace(const QString& face, double points) {
  face_ = face;
  points_ = points;
  const bool bold = font().bold();
  setFont(faceFont(face, points, bold));
}

void SeiriLabel::setTextColor(ColorRef color) {
  color_ = color;
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, toQColor(color));
  setPalette(pal);
}

void SeiriLabel::mousePressEvent(QMouseEvent* event) {
  event->accept();
}

}  // namespace sorane
