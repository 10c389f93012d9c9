#include "ticket_barcode.h"

#include <zint.h>

#include <cmath>
#include <memory>
#include <numeric>

namespace sorane::ticket {
namespace {

int zintSymbology(Symbology s) {
  switch (s) {
    case Symbology::Nw7:
      return BARCODE_CODABAR;
    case Symbology::Itf:
      return BARCODE_C25INTER;
    case Symbology::Code128:
      return BARCODE_CODE128;
    case Symbology::Qr:
      return BARCODE_QRCODE;
  }
  return BARCODE_CODE128;
}

struct SymbolDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

}  // namespace

bool encodeBarcode(Symbology symbology, const QString& data, BarcodeShape& shape, QString& error) {
  if (data.isEmpty()) {
    error = QStringLiteral("中身が空です");
    return false;
  }
  if (data.size() > kMaxBarcodeChars) {
    error = QStringLiteral("中身が %1 文字を超えています").arg(kMaxBarcodeChars);
    return false;
  }
  std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
  if (!symbol) {
    error = QStringLiteral("libzint を使えません");
    return false;
  }
  symbol->symbology = zintSymbology(symbology);
  symbol->input_mode = UNICODE_MODE;
  symbol->show_hrt = 0;
  const QByteArray bytes = data.toUtf8();
  const int rc = ZBarcode_Encode_and_Buffer_Vector(
      symbol.get(), reinterpret_cast<const unsigned char*>(bytes.constData()),
      static_cast<int>(bytes.size()), 0);
  if (rc >= ZINT_ERROR || !symbol->vector) {
    error = QString::fromUtf8(symbol->errtxt);
    return false;
  }
  shape = {};
  shape.size = QSizeF(symbol->vector->width, symbol->vector->height);
  shape.square = symbology == Symbology::Qr;
  constexpr int kWhite = 8;
  // The module divides every edge across (and, in a square symbol, down).
  long module = 0;
  for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
    if (r->colour == kWhite) continue;
    shape.bars.emplace_back(r->x, r->y, r->width, r->height);
    for (float v : {r->x, r->width}) module = std::gcd(module, std::lround(v));
    if (shape.square)
      for (float v : {r->y, r->height}) module = std::gcd(module, std::lround(v));
  }
  shape.module = module > 0 ? static_cast<double>(module) : 1;
  return true;
}

}  // namespace sorane::ticket
