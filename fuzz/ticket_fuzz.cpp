// libFuzzer target for the ticket plug-in reader. A file that reads must
// describe what its capability fields say, and read the same a second time.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "ticket_format.h"

using namespace sorane::ticket;

namespace {

void require(bool ok) {
  if (!ok) std::abort();
}

bool same(const Description& a, const Description& b) {
  if (a.size != b.size || a.notes != b.notes || a.companies != b.companies ||
      a.items.size() != b.items.size() || capabilityFields(a) != capabilityFields(b))
    return false;
  for (std::size_t i = 0; i < a.items.size(); ++i)
    if (a.items[i].kind != b.items[i].kind || a.items[i].pos != b.items[i].pos) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const ParseResult r = parseTicket(bytes);
  if (!r.description) {
    require(!r.problems.empty());
    for (const Problem& p : r.problems) require(p.pos.line >= 0 && !p.message.isEmpty());
    return 0;
  }
  require(r.problems.empty());
  const Description& d = *r.description;
  const auto f = capabilityFields(d);

  int barcodes = 0;
  bool date = false, time = false, route = false, stop = false;
  // What each company variant paints stays within its bound.
  for (int variant = 1; variant <= std::max<qsizetype>(1, d.companies.size()); ++variant) {
    double area = 0;
    for (const Item& item : d.items)
      if (item.company == 0 || item.company == variant) area += paintedArea(item);
    require(area <= kMaxPaintedTickets * d.size.width() * d.size.height());
  }
  for (const Item& item : d.items) {
    require(item.size <= kMaxCharMm);
    barcodes += item.kind == ItemKind::Barcode;
    for (const Template* t : {&item.text, &item.data}) {
      date = date || t->uses(Field::Date);
      time = time || t->uses(Field::Time);
      route = route || t->uses(Field::Route);
      stop = stop || t->uses(Field::Stop);
    }
    require(item.company >= 0 && item.company <= d.companies.size());
    if (item.kind != ItemKind::Line)
      require(item.box.right() <= d.size.width() + 0.1 &&
              item.box.bottom() <= d.size.height() + 0.1);
    // Any values, however odd, format without fault.
    FieldValues odd;
    odd.route = std::numeric_limits<std::int32_t>::min();
    odd.ticket = -32768;
    odd.index = 32767;
    odd.company = 1000;
    odd.date = QStringLiteral("02-29-2023");
    odd.time = QStringLiteral("99:99");
    formatTemplate(item.text, odd, d.companies);
    formatTemplate(item.data, odd, d.companies);
  }
  require(static_cast<int>(d.items.size()) <= kMaxItems && barcodes <= kMaxBarcodes);
  require(d.size.width() >= kMinTicketMm && d.size.width() <= kMaxTicketMm);
  require(d.size.height() >= kMinTicketMm && d.size.height() <= kMaxTicketMm);
  require(f[0] == kFormatVersion && f[1] == mmToTwips(d.size.width()) &&
          f[2] == mmToTwips(d.size.height()));
  require(f[3] == date && f[4] == time && f[5] == route && f[6] == stop);
  require(f[7] == (barcodes > 0) && f[8] == barcodes);
  require(d.barcodeInfo == (barcodes > 0));
  require(barcodes == 0 || (f[9] >= 1 && f[9] <= kMaxRoute && f[11] <= f[12] && f[12] <= kMaxStop &&
                            (f[10] == 1 || f[10] == 2)));
  require(f[13] == d.companies.size() && f[13] <= kMaxCompanies);

  const ParseResult again = parseTicket(bytes);
  require(again.description && same(d, *again.description));
  return 0;
}
