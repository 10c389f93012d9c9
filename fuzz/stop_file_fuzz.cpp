// The stop file reader: a file it takes gives rows that the writer and the
// reader give back unchanged; one it refuses says why, with the file's name.
#include "fuzz_check.h"
#include "stop_file.h"

using namespace sorane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QStringList names = [] {
    QStringList n;
    for (int i = 1; i <= kRouteRows; ++i) n << QStringLiteral("停留所%1").arg(i);
    return n;
  }();
  const StopFile file = parseStopFile(fuzz::bytesOf(data, size), names, QStringLiteral("f"));
  if (!file.ok()) {
    FUZZ_CHECK(file.error->message.startsWith(QStringLiteral("f:")));
    FUZZ_CHECK(file.stops.empty() && file.warnings.empty());
    return 0;
  }
  const std::vector<StopInfo>& rows = file.stops.rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    FUZZ_CHECK(rows[i].stop >= 1 && rows[i].stop <= kRouteRows);
    FUZZ_CHECK(i == 0 || rows[i].stop > rows[i - 1].stop);
    FUZZ_CHECK(file.stops.row(rows[i].stop) == &rows[i]);
  }
  const StopFile back =
      parseStopFile(encodeStopFile(rows, stopFileColumns(kIcCells)), names, QStringLiteral("f"));
  FUZZ_CHECK(back.ok());
  FUZZ_CHECK(back.stops.rows() == rows);
  return 0;
}
