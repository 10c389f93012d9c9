#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "file_io.h"
#include "gtfs_feed.h"
#include "route_file.h"

namespace sorane::gtfs {

// How stops get their numbered-ticket (整理券) numbers: one per boarding
// stop, grouped where the fares to every later stop are the same, or
// per stop up to 32 boarding stops and grouped beyond.
enum class Tickets { Auto, PerStop, ByFare };

inline constexpr int kMaxTickets = 32;
// Route numbers are typed on the keypad: five digits.
inline constexpr int kMaxRouteNumber = 99999;

// One route and direction of a feed, as the import would make it.
struct RouteSummary {
  std::string routeId, direction;
  QString name, first, last;
  int stops = 0, trips = 0;
  int tickets = 0;  // under Tickets::Auto; 0 for more stops than a route holds
};

// Every route and direction that has trips, in routes.txt order. Throws
// FeedError when there is none.
std::vector<RouteSummary> listRoutes(const Feed& feed);
// The line `sorane-route gtfs-routes` prints for it.
QString describe(const RouteSummary& route);

struct ImportOptions {
  std::string routeId;
  std::optional<std::string> direction, trip;
  Tickets tickets = Tickets::Auto;
  bool times = false;  // scheduled minutes into Values(150)
};

// A route made from a feed: its fare rows and its announcement file.
struct ImportedRoute {
  std::vector<RouteRow> rows;
  QByteArray tape;
  int tapeLines = 0;
  bool tapeShiftJis = true;
  int tickets = 0;
  QStringList warnings;
};

// Throws FeedError when the feed cannot make the route.
ImportedRoute importRoute(const Feed& feed, const ImportOptions& options);

// The three files of route `number`: the fare file and the fare CSV in
// `fareFolder`, the announcement file in `tapeFolder`.
std::vector<FileToWrite> routeFiles(const ImportedRoute& route, int number,
                                    const QString& fareFolder, const QString& tapeFolder);

}  // namespace sorane::gtfs
