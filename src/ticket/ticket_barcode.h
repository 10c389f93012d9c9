#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <vector>

#include "ticket_format.h"

namespace sorane::ticket {

inline constexpr int kMaxBarcodeChars = 500;

// A symbol as libzint lays it out, in its own units; `module` is the side of
// one module in them. `square` symbols keep their aspect when drawn.
struct BarcodeShape {
  QSizeF size;
  std::vector<QRectF> bars;
  double module = 1;
  bool square = false;
};

// Encodes `data`; on failure returns false with libzint's message.
bool encodeBarcode(Symbology symbology, const QString& data, BarcodeShape& shape, QString& error);

}  // namespace sorane::ticket
