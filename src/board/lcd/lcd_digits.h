#pragma once

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace sorane::lcd {

// The fares' type: BIZ UDPGothic bold.
QFont digitFont(qreal pixelSize);
// The width of one digit place at a pixel size of 1: the widest digit.
qreal tabularPitch(qreal pixelSize);
// `text` in the fares' type with every character in a place of the widest
// digit's width (tabular figures), centred vertically on the digits' height
// and placed in `r` as `align` says (left, right or centre).
void drawTabular(QPainter& p, const QRectF& r, const QString& text, qreal pixelSize,
                 Qt::Alignment align = Qt::AlignHCenter);

}  // namespace sorane::lcd
