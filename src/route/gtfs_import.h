#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "file_io.h"
#include "gtfs_feed.h"
#include "route_file.h"

namespace sorane::gtfs {

// How stops get their numbered-ticket (整理券) numbers: one per boarding
// stop, grouped where the fares to every later stop are the same, or
// (Auto) per stop up to 32 boarding stops and grouped beyond or where
// every fare of the route is the same.
enum class Tickets { Auto, PerStop, ByFare };

inline constexpr int kMaxTickets = 32;
// The most the announcement reader takes (kMaxTapeFileBytes): a tape
// that would be longer is refused.
inline constexpr qint64 kMaxTapeBytes = 8 << 20;
// Route numbers are typed on the keypad: five digits.
inline constexpr int kMaxRouteNumber = 99999;

// One route and direction of a feed, as the import would make it.
struct RouteSummary {
  std::string routeId, direction;
  // As listings show them (shownText).
  QString name, first, last;
  QStringList stopNames;  // of the stop pattern, in order
  int stops = 0, trips = 0;
  // Ticket numbers under each Tickets mode; 0 for more stops than a route
  // holds.
  std::array<int, 3> tickets{};
  bool unknownStop = false;  // a stop of the pattern is not in stops.txt
  int ticketsWith(Tickets mode) const { return tickets[static_cast<std::size_t>(mode)]; }
};

// Every route and direction that has trips, in routes.txt order. Throws
// FeedError when there is none.
std::vector<RouteSummary> listRoutes(const Feed& feed);
// The line `sorane-route gtfs-routes` prints for it.
QString describe(const RouteSummary& route);
// Why the route cannot be made with `mode`; empty when it can.
QString unmakeable(const RouteSummary& route, Tickets mode);

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
