// The route tool's CSV reader: a CSV it takes gives rows that its own CSV
// and the fare file both give back unchanged, in a fare file its readers
// take; one it refuses says why.
#include "cp932.h"
#include "fuzz_check.h"
#include "route_csv.h"

using namespace sorane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);
  std::vector<RouteRow> rows;
  QString error;
  if (!routeFromCsv(bytes, rows, error)) {
    FUZZ_CHECK(!error.isEmpty());
    return 0;
  }
  FUZZ_CHECK(!rows.empty() && rows.size() <= static_cast<std::size_t>(kRouteRows));

  std::vector<RouteRow> back;
  QString backError;
  FUZZ_CHECK(routeFromCsv(routeToCsv(rows), back, backError));
  FUZZ_CHECK(back == rows);

  // In the fare file, names are Shift-JIS: a character the code page has
  // twice (U+301C and U+FF5E) comes back as the code page's own.
  for (RouteRow& r : rows) r.StopName = cp932::decode(cp932::encode(r.StopName));
  const QByteArray fareFile = encodeRouteFile(rows);
  FUZZ_CHECK(fareFile.size() <= kMaxRouteFileBytes);
  const RouteFile file = parseRouteFile(fareFile);
  FUZZ_CHECK(file.status == RouteFile::Status::Ok);
  FUZZ_CHECK(file.badNames.empty());
  FUZZ_CHECK(file.rows == rows);
  return 0;
}
