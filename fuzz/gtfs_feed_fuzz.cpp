// The GTFS-JP feed reader: bytes read as a zip (when they start with "PK")
// or as the seven files split at 0x1E (routes, trips, stop_times, stops,
// fare_attributes, fare_rules, translations; an empty part is no file).
// Either the feed is refused with a message, or every route it lists
// imports into rows that the fare file and the fare CSV keep and a tape the
// announcement reader takes, line for line; or it is refused with a
// message for the reason the listing gave.
#include "cp932.h"
#include "fuzz_check.h"
#include "gtfs_import.h"
#include "route_csv.h"
#include "tape_file.h"

using namespace sorane;
using namespace sorane::gtfs;

namespace {

const char* const kFiles[] = {"routes.txt",      "trips.txt",           "stop_times.txt",
                              "stops.txt",       "fare_attributes.txt", "fare_rules.txt",
                              "translations.txt"};

FeedFiles filesOf(const QByteArray& bytes) {
  if (bytes.startsWith("PK")) return FeedFiles::fromZip(bytes, "fuzz.zip");
  std::map<QString, QByteArray> files;
  const QList<QByteArray> parts = bytes.split('\x1E');
  for (qsizetype i = 0; i < parts.size() && i < qsizetype(std::size(kFiles)); ++i)
    if (!parts[i].isEmpty()) files[kFiles[i]] = parts[i];
  return FeedFiles::fromMemory(std::move(files), "fuzz");
}

void checkRoute(const Feed& feed, const RouteSummary& summary) {
  ImportOptions o;
  o.routeId = summary.routeId;
  o.direction = summary.direction;
  ImportedRoute route;
  try {
    route = importRoute(feed, o);
  } catch (const FeedError& e) {
    FUZZ_CHECK(!e.message().isEmpty());
    FUZZ_CHECK(summary.stops < 2 || !unmakeable(summary, Tickets::Auto).isEmpty());
    return;
  }
  const int n = static_cast<int>(route.rows.size());
  FUZZ_CHECK(n == summary.stops && n >= 2 && n <= kRouteRows);
  FUZZ_CHECK(unmakeable(summary, Tickets::Auto).isEmpty());
  FUZZ_CHECK(route.tickets == summary.ticketsWith(Tickets::Auto) && route.tickets <= kMaxTickets);
  FUZZ_CHECK(route.rows.back().Values[0] == 0);
  for (const RouteRow& r : route.rows) FUZZ_CHECK(r.Values[0] >= 0 && r.Values[0] <= route.tickets);

  std::vector<RouteRow> back;
  QString error;
  FUZZ_CHECK(routeFromCsv(routeToCsv(route.rows), back, error));
  FUZZ_CHECK(back == route.rows);
  std::vector<RouteRow> shiftJis = route.rows;
  for (RouteRow& r : shiftJis) r.StopName = cp932::decode(cp932::encode(r.StopName));
  const RouteFile file = parseRouteFile(encodeRouteFile(route.rows));
  FUZZ_CHECK(file.status == RouteFile::Status::Ok && file.badNames.empty());
  FUZZ_CHECK(file.rows == shiftJis);

  const TapeFile tape = parseTapeFile(route.tape);
  FUZZ_CHECK(tape.ok());
  FUZZ_CHECK(static_cast<int>(tape.entries.size()) == n && route.tapeLines == n);
  FUZZ_CHECK(tape.encoding ==
             (route.tapeShiftJis ? TapeEncoding::ShiftJis : TapeEncoding::Utf8WithBom));
  for (int i = 0; i < n; ++i)
    FUZZ_CHECK(tape.entries[static_cast<std::size_t>(i)].StepFlag == (i > 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const Feed feed = readFeed(filesOf(fuzz::bytesOf(data, size)), true);
    for (const RouteSummary& r : listRoutes(feed)) checkRoute(feed, r);
  } catch (const FeedError& e) {
    FUZZ_CHECK(!e.message().isEmpty());
  }
  return 0;
}
