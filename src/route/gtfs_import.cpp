#include "gtfs_import.h"

#include <QDir>
#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "cp932.h"
#include "route_csv.h"
#include "utf8.h"

namespace sorane::gtfs {
namespace {

const QString kNoRoute = QStringLiteral("%1: 路線「%2」がありません");
const QString kNoRoutes = QStringLiteral("%1: 便のある路線がありません");
const QString kNoTrips = QStringLiteral("%1: 路線「%2」%3の便がありません");
const QString kDirection = QStringLiteral("(方向 %1)");
const QString kNoTrip = QStringLiteral("%1: 便「%2」は路線「%3」%4の便ではありません");
const QString kTooFewStops =
    QStringLiteral("%1: 路線「%2」の停留所が %3 しかありません(2つ以上必要です)");
const QString kTooManyStops =
    QStringLiteral("%1: 路線「%2」の停留所が %3 あり、運賃データの %4 を超えます");
const QString kTooManyTickets =
    QStringLiteral("%1: 路線「%2」には整理券番号が %3 必要で、%4 を超えます");
const QString kGroupHint = QStringLiteral("(--tickets by-fare なら運賃の同じ停留所をまとめます)");
const QString kMissingFares =
    QStringLiteral("%1: 路線「%2」: 運賃の決まらない区間が %3 あり、運賃 0 にしました: %4");
const QString kSeveralFares = QStringLiteral(
    "%1: 路線「%2」: 運賃が 2 つ以上ある区間が %3 あり、乗った停留所からの運賃が下がらないものに"
    "しました");
const QString kNoFares = QStringLiteral("%1: 運賃のファイルを読まないため、運賃はすべて 0 です");
const QString kReplaced =
    QStringLiteral("%1: 停留所名「%2」の「%3」はShift-JISにないため「%4」にしました");
const QString kNoReadings =
    QStringLiteral("%1: 読みのない停留所が %2 あり、停留所名のまま読みます: %3");
const QString kNoTimes =
    QStringLiteral("%1: 便「%2」の最初の停留所に時刻がないため、時刻は 0 です");
const QString kBadTimes =
    QStringLiteral("%1: 便「%2」に読めない時刻が %3 あり、時刻のないものとしました(最初は「%4」)");
const QString kMore = QStringLiteral(" ほか");
const QString kListSeparator = QStringLiteral("、");
const QString kPair = QStringLiteral("%1→%2");
const QString kOpening = QStringLiteral("毎度ご乗車ありがとうございます。このバスは、%1行きです。");
const QString kNext = QStringLiteral("次は、%1です。");
const QString kNextLast = QStringLiteral("次は、終点、%1です。");
const QString kSummary = QStringLiteral("%1  方向 %2  %3 停留所  %4 便  %5  %6 → %7  整理券 %8");
const QString kUnnamed = QStringLiteral("(名前なし)");
const QString kMark = QStringLiteral("(%1)");
const QString kTooManyMark = QStringLiteral("%1 を超えるため作れません");
const QString kTooManyStopsMark = QStringLiteral("停留所が %1 を超えるため作れません");
const QString kUnknownStopMark = QStringLiteral("stops.txt にない停留所があるため作れません");
const QString kGeta = QStringLiteral("〓");
// Endings of a headsign that the opening line says itself.
const QStringList kDestinationEndings = {QStringLiteral("行き"), QStringLiteral("行"),
                                         QStringLiteral("ゆき"), QStringLiteral("ユキ"),
                                         QStringLiteral("いき"), QStringLiteral("イキ")};
constexpr int kExamples = 3;
constexpr int kMinutesColumn = 150;
constexpr qsizetype kMaxNameBytes = 65535;

QString text(const std::string& s) {
  return QString::fromStdString(s);
}

QString examples(const QStringList& items, int count) {
  return items.mid(0, kExamples).join(kListSeparator) + (count > kExamples ? kMore : QString());
}

bool fitsShiftJis(const QString& s) {
  return cp932::encode(s).count('?') == s.count(QLatin1Char('?'));
}

// The trips of a route (and direction) and the stop pattern most of them
// follow: ties go to the longer pattern, then to the one met first.
struct Plan {
  const Route* route = nullptr;
  int routeIndex = 0;
  std::vector<int> stops;
  int trip = -1;  // the chosen trip: the one asked for, else the first that follows the pattern
  int trips = 0;
};

Plan makePlan(const Feed& feed, const ImportOptions& o) {
  const auto r = feed.routeIndex.find(o.routeId);
  const QString direction = o.direction ? kDirection.arg(text(*o.direction)) : QString();
  if (r == feed.routeIndex.end())
    throw FeedError(kNoRoute.arg(feed.fileLabels[QStringLiteral("routes.txt")], text(o.routeId)));
  Plan plan;
  plan.routeIndex = r->second;
  plan.route = &feed.routes[static_cast<std::size_t>(r->second)];
  auto pattern = [&](const Trip& t) {
    std::vector<int> stops;
    stops.reserve(t.endTime - t.firstTime);
    for (std::size_t i = t.firstTime; i < t.endTime; ++i) stops.push_back(feed.times[i].stop);
    return stops;
  };
  struct Count {
    int trips = 0, first = 0;
  };
  std::map<std::vector<int>, Count> counts;
  for (std::size_t i = 0; i < feed.trips.size(); ++i) {
    const Trip& t = feed.trips[i];
    if (t.route != r->second || (o.direction && t.direction != *o.direction)) continue;
    ++plan.trips;
    if (o.trip) continue;
    const auto [it, fresh] = counts.try_emplace(pattern(t), Count{0, static_cast<int>(i)});
    ++it->second.trips;
  }
  if (o.trip) {
    const auto t = feed.tripIndex.find(*o.trip);
    if (t == feed.tripIndex.end() ||
        feed.trips[static_cast<std::size_t>(t->second)].route != r->second ||
        (o.direction && feed.trips[static_cast<std::size_t>(t->second)].direction != *o.direction))
      throw FeedError(kNoTrip.arg(feed.fileLabels[QStringLiteral("trips.txt")], text(*o.trip),
                                  text(o.routeId), direction));
    plan.trip = t->second;
    plan.stops = pattern(feed.trips[static_cast<std::size_t>(plan.trip)]);
    return plan;
  }
  if (counts.empty())
    throw FeedError(
        kNoTrips.arg(feed.fileLabels[QStringLiteral("trips.txt")], text(o.routeId), direction));
  auto best = counts.begin();
  for (auto it = counts.begin(); it != counts.end(); ++it) {
    const auto key = [](const auto& e) {
      return std::make_tuple(e.second.trips, e.first.size(), -e.second.first);
    };
    if (key(*it) > key(*best)) best = it;
  }
  plan.stops = best->first;
  plan.trip = best->second.first;
  return plan;
}

// Fares between the stops of a pattern by the feed's fare index: a fare
// matches a ride from stop a to stop b when its route, origin zone and
// destination zone are empty or agree, and its contains zones, if any, are
// exactly the zones of the stops from a to b. Where several fares match,
// the lowest that does not fall below the fare from a to the nearest
// earlier stop with one counts, else the highest: a loop that passes a
// zone twice never makes a fare fall along the ride.
class FareTable {
 public:
  FareTable(const Feed& feed, int route, const std::vector<int>& stops)
      : n_(static_cast<int>(stops.size())), fares_(stops.size() * stops.size(), -1) {
    if (!feed.hasFares) return;
    std::vector<int> zones;
    for (int s : stops) zones.push_back(s >= 0 ? feed.stops[static_cast<std::size_t>(s)].zone : -1);
    std::vector<int> seenBy(feed.zones.size(), -1);
    std::vector<int> prices;
    for (int a = 0; a < n_; ++a) {
      int passed = 0;  // distinct zones from a to b
      auto pass = [&](int zone) {
        if (zone >= 0 && seenBy[static_cast<std::size_t>(zone)] != a) {
          seenBy[static_cast<std::size_t>(zone)] = a;
          ++passed;
        }
      };
      auto exactly = [&](const std::vector<int>& contains) {
        return static_cast<int>(contains.size()) == passed &&
               std::all_of(contains.begin(), contains.end(), [&](int z) {
                 return z >= 0 && seenBy[static_cast<std::size_t>(z)] == a;
               });
      };
      const int za = zones[static_cast<std::size_t>(a)];
      pass(za);
      int previous = -1;
      for (int b = a + 1; b < n_; ++b) {
        const int zb = zones[static_cast<std::size_t>(b)];
        pass(zb);
        prices.clear();
        // A stop without a zone takes only the fares for any zone.
        const int origins[] = {za, -1}, destinations[] = {zb, -1};
        for (int o = 0; o < (za < 0 ? 1 : 2); ++o)
          for (int d = 0; d < (zb < 0 ? 1 : 2); ++d)
            for (const int r : {route, -1}) {
              const auto it = feed.firstFare.find({origins[o], destinations[d], r});
              for (int i = it == feed.firstFare.end() ? -1 : it->second; i >= 0;) {
                const Fare& f = feed.fares[static_cast<std::size_t>(i)];
                if (f.contains.empty() || exactly(f.contains)) prices.push_back(f.price);
                i = f.next;
              }
            }
        if (prices.empty()) continue;
        std::sort(prices.begin(), prices.end());
        prices.erase(std::unique(prices.begin(), prices.end()), prices.end());
        int chosen = prices.front();
        if (prices.size() > 1) {
          ++several_;
          const auto atLeast = std::lower_bound(prices.begin(), prices.end(), previous);
          chosen = atLeast == prices.end() ? prices.back() : *atLeast;
        }
        fares_[static_cast<std::size_t>(a * n_ + b)] = previous = chosen;
      }
    }
    flat_ = n_ >= 2;
    for (int a = 0; a < n_ && flat_; ++a)
      for (int b = a + 1; b < n_ && flat_; ++b) flat_ = fare(a, b) >= 0 && fare(a, b) == fare(0, 1);
  }
  // From stop a to stop b of the pattern (0-based); -1 when no fare matches.
  int fare(int a, int b) const { return fares_[static_cast<std::size_t>(a * n_ + b)]; }
  int orZero(int a, int b) const { return std::max(fare(a, b), 0); }
  // The pairs of stops that more than one fare matches.
  int several() const { return several_; }
  // Every pair has a fare, the same.
  bool flat() const { return flat_; }

 private:
  int n_;
  std::vector<int> fares_;
  int several_ = 0;
  bool flat_ = false;
};

// Ticket numbers of the stops (the last issues none, 0) and how many.
std::vector<int> numberTickets(const FareTable& fares, int n, Tickets mode, int* count) {
  if (mode == Tickets::Auto)
    mode = fares.flat() || n - 1 > kMaxTickets ? Tickets::ByFare : Tickets::PerStop;
  std::vector<int> ticket(static_cast<std::size_t>(n), 0);
  *count = 0;
  for (int i = 0; i < n - 1; ++i) {
    bool same = mode == Tickets::ByFare && i > 0;
    for (int b = i + 1; same && b < n; ++b) same = fares.orZero(i, b) == fares.orZero(i - 1, b);
    ticket[static_cast<std::size_t>(i)] = same ? *count : ++*count;
  }
  return ticket;
}

// A stop name as Shift-JIS holds it: a character it lacks becomes its
// compatibility form where Shift-JIS has that, else 〓. Control characters
// become blanks.
QString shiftJisName(const QString& name, QStringList& replaced) {
  QString out = name;
  for (QChar& c : out)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  if (!fitsShiftJis(out)) {
    QString fixed;
    for (const char32_t cp : out.toUcs4()) {
      const QString ch = QString::fromUcs4(&cp, 1);
      QString use = ch;
      if (!fitsShiftJis(ch)) {
        const QString compat = ch.normalized(QString::NormalizationForm_KC);
        use = !compat.isEmpty() && compat != ch && fitsShiftJis(compat) ? compat : kGeta;
        replaced << ch + QChar(0) + use;
      }
      fixed += use;
    }
    out = fixed;
  }
  // What a row's name length can state; every character left is at most
  // two bytes.
  if (cp932::encode(out).size() > kMaxNameBytes) out.truncate(kMaxNameBytes / 2);
  return out;
}

QString tapeLine(QString spoken, int step, int sound) {
  spoken.replace(QLatin1Char('"'), QChar(0x201D));
  for (QChar& c : spoken)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  if (spoken.contains(QLatin1Char(','))) spoken = QLatin1Char('"') + spoken + QLatin1Char('"');
  return spoken + QStringLiteral(",%1,%2\r\n").arg(step).arg(sound);
}

// A stop's name; a stop stops.txt lacks by its stop_id.
QString stopName(const Feed& feed, int stop) {
  return stop >= 0 ? feed.stops[static_cast<std::size_t>(stop)].name
                   : text(feed.unknownStops[static_cast<std::size_t>(-2 - stop)].id);
}

QString readingOf(const Feed& feed, const Stop& stop) {
  const auto byId = feed.readingOfStop.find(stop.id);
  if (byId != feed.readingOfStop.end()) return byId->second;
  return feed.readingOfText.value(stop.name, stop.name);
}

// Minutes of each stop from the first, by the chosen trip; a stop without
// a time is placed between its neighbours.
std::vector<int> scheduledMinutes(const Feed& feed, const Trip& trip, QStringList& warnings) {
  const std::size_t n = trip.endTime - trip.firstTime;
  std::vector<int> seconds(n, -1);
  for (std::size_t i = 0; i < n; ++i) {
    const StopTime& t = feed.times[trip.firstTime + i];
    seconds[i] = t.arrival >= 0 ? t.arrival : t.departure;
  }
  if (n > 0 && feed.times[trip.firstTime].departure >= 0)
    seconds[0] = feed.times[trip.firstTime].departure;
  std::vector<int> minutes(n, 0);
  if (n == 0 || seconds[0] < 0) {
    warnings << kNoTimes.arg(feed.fileLabels[QStringLiteral("stop_times.txt")], text(trip.id));
    return minutes;
  }
  std::size_t known = 0;
  for (std::size_t i = 1; i < n; ++i) {
    if (seconds[i] < 0) continue;
    for (std::size_t k = known + 1; k < i; ++k)
      seconds[k] = seconds[known] + static_cast<int>((seconds[i] - seconds[known]) *
                                                     static_cast<long long>(k - known) /
                                                     static_cast<long long>(i - known));
    known = i;
  }
  for (std::size_t k = known + 1; k < n; ++k) seconds[k] = seconds[known];
  for (std::size_t i = 0; i < n; ++i)
    minutes[i] = std::clamp((seconds[i] - seconds[0]) / 60, 0, 32767);
  return minutes;
}

}  // namespace

std::vector<RouteSummary> listRoutes(const Feed& feed) {
  std::map<int, std::set<std::string>> directions;
  for (const Trip& t : feed.trips)
    if (t.route >= 0) directions[t.route].insert(t.direction);
  std::vector<RouteSummary> out;
  for (const auto& [route, dirs] : directions) {
    for (const std::string& d : dirs) {
      ImportOptions o;
      o.routeId = feed.routes[static_cast<std::size_t>(route)].id;
      o.direction = d;
      const Plan plan = makePlan(feed, o);
      RouteSummary s;
      s.routeId = o.routeId;
      s.direction = d;
      s.name = plan.route->name;
      s.stops = static_cast<int>(plan.stops.size());
      s.trips = plan.trips;
      for (int stop : plan.stops) {
        s.stopNames << stopName(feed, stop);
        s.unknownStop = s.unknownStop || stop < 0;
      }
      if (!s.stopNames.isEmpty()) {
        s.first = s.stopNames.front();
        s.last = s.stopNames.back();
      }
      if (s.stops <= kRouteRows) {
        const FareTable fares(feed, plan.routeIndex, plan.stops);
        for (const Tickets mode : {Tickets::Auto, Tickets::PerStop, Tickets::ByFare})
          numberTickets(fares, s.stops, mode, &s.tickets[static_cast<std::size_t>(mode)]);
      }
      out.push_back(std::move(s));
    }
  }
  if (out.empty()) throw FeedError(kNoRoutes.arg(feed.label));
  return out;
}

QString unmakeable(const RouteSummary& r, Tickets mode) {
  if (r.stops > kRouteRows) return kTooManyStopsMark.arg(kRouteRows);
  if (r.unknownStop) return kUnknownStopMark;
  if (r.ticketsWith(mode) > kMaxTickets) return kTooManyMark.arg(kMaxTickets);
  return {};
}

QString describe(const RouteSummary& r) {
  const QString why = unmakeable(r, Tickets::Auto);
  return kSummary.arg(text(r.routeId),
                      r.direction.empty() ? QStringLiteral("-") : text(r.direction),
                      QString::number(r.stops), QString::number(r.trips),
                      r.name.isEmpty() ? kUnnamed : r.name, r.first, r.last,
                      QString::number(r.ticketsWith(Tickets::Auto))) +
         (why.isEmpty() ? QString() : kMark.arg(why));
}

ImportedRoute importRoute(const Feed& feed, const ImportOptions& options) {
  const Plan plan = makePlan(feed, options);
  const int n = static_cast<int>(plan.stops.size());
  const QString route = text(options.routeId);
  const QString stopTimes = feed.fileLabels[QStringLiteral("stop_times.txt")];
  if (n < 2) throw FeedError(kTooFewStops.arg(stopTimes, route, QString::number(n)));
  if (n > kRouteRows)
    throw FeedError(
        kTooManyStops.arg(stopTimes, route, QString::number(n), QString::number(kRouteRows)));
  for (int stop : plan.stops)
    if (stop < 0) throw FeedError(feed.unknownStops[static_cast<std::size_t>(-2 - stop)].refusal);

  ImportedRoute out;
  if (!feed.unknownStopsWarning.isEmpty()) out.warnings << feed.unknownStopsWarning;
  const FareTable fares(feed, plan.routeIndex, plan.stops);
  const std::vector<int> ticket = numberTickets(fares, n, options.tickets, &out.tickets);
  if (out.tickets > kMaxTickets)
    throw FeedError(kTooManyTickets.arg(feed.label, route, QString::number(out.tickets),
                                        QString::number(kMaxTickets)) +
                    (options.tickets == Tickets::PerStop ? kGroupHint : QString()));
  std::vector<int> firstOf(kMaxTickets + 1, -1);
  for (int i = n - 2; i >= 0; --i)
    firstOf[static_cast<std::size_t>(ticket[static_cast<std::size_t>(i)])] = i;

  const Trip& trip = feed.trips[static_cast<std::size_t>(plan.trip)];
  std::vector<int> minutes(static_cast<std::size_t>(n), 0);
  if (options.times) {
    minutes = scheduledMinutes(feed, trip, out.warnings);
    const auto bad = feed.badTimes.find(plan.trip);
    if (bad != feed.badTimes.end())
      out.warnings << kBadTimes.arg(
          stopTimes + QLatin1Char(':') + QString::number(bad->second.line), text(trip.id),
          QString::number(bad->second.count), bad->second.first);
  }

  const QString stopsFile = feed.fileLabels[QStringLiteral("stops.txt")];
  QStringList missing, unread;
  int missingCount = 0;
  out.rows.resize(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    const Stop& stop =
        feed.stops[static_cast<std::size_t>(plan.stops[static_cast<std::size_t>(j)])];
    RouteRow& row = out.rows[static_cast<std::size_t>(j)];
    QStringList replaced;
    row.StopName = shiftJisName(stop.name, replaced);
    for (const QString& r : replaced)
      out.warnings << kReplaced.arg(stopsFile + QLatin1Char(':') + QString::number(stop.line),
                                    stop.name, r.section(QChar(0), 0, 0), r.section(QChar(0), 1));
    row.Values[0] = static_cast<std::int16_t>(ticket[static_cast<std::size_t>(j)]);
    for (int k = 1; k <= out.tickets; ++k) {
      const int from = firstOf[static_cast<std::size_t>(k)];
      if (from < j)
        row.Values[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(fares.orZero(from, j));
    }
    row.Values[kMinutesColumn] = static_cast<std::int16_t>(minutes[static_cast<std::size_t>(j)]);
    for (int a = 0; a < j && feed.hasFares; ++a) {
      if (fares.fare(a, j) >= 0) continue;
      if (++missingCount <= kExamples)
        missing << kPair.arg(
            feed.stops[static_cast<std::size_t>(plan.stops[static_cast<std::size_t>(a)])].name,
            stop.name);
    }
    if (feed.hasReadings && !feed.readingOfStop.contains(stop.id) &&
        !feed.readingOfText.contains(stop.name) && !unread.contains(stop.name))
      unread << stop.name;
  }
  if (!feed.hasFares) out.warnings << kNoFares.arg(feed.label);
  if (fares.several() > 0)
    out.warnings << kSeveralFares.arg(feed.fileLabels[QStringLiteral("fare_rules.txt")], route,
                                      QString::number(fares.several()));
  if (missingCount > 0)
    out.warnings << kMissingFares.arg(feed.fileLabels[QStringLiteral("fare_rules.txt")], route,
                                      QString::number(missingCount),
                                      examples(missing, missingCount));
  if (!unread.isEmpty())
    out.warnings << kNoReadings.arg(feed.fileLabels[QStringLiteral("translations.txt")],
                                    QString::number(unread.size()),
                                    examples(unread, static_cast<int>(unread.size())));

  // The tape: the destination, then each later stop by its reading.
  const Stop& last = feed.stops[static_cast<std::size_t>(plan.stops.back())];
  QString destination = readingOf(feed, last);
  if (!trip.headsign.isEmpty()) {
    const auto byTrip = feed.readingOfTrip.find(trip.id);
    destination = byTrip != feed.readingOfTrip.end()
                      ? byTrip->second
                      : feed.readingOfText.value(trip.headsign, trip.headsign);
    for (const QString& ending : kDestinationEndings)
      if (destination.size() > ending.size() && destination.endsWith(ending)) {
        destination.chop(ending.size());
        break;
      }
  }
  QStringList spoken{kOpening.arg(destination)};
  for (int j = 1; j < n; ++j) {
    const Stop& stop =
        feed.stops[static_cast<std::size_t>(plan.stops[static_cast<std::size_t>(j)])];
    spoken << (j == n - 1 ? kNextLast : kNext).arg(readingOf(feed, stop));
  }
  QString tape;
  for (int i = 0; i < spoken.size(); ++i) tape += tapeLine(spoken[i], i == 0 ? 0 : 1, 1);
  out.tapeLines = static_cast<int>(spoken.size());
  // Shift-JIS bytes that also read as UTF-8 would be taken for UTF-8.
  const QByteArray shiftJis = cp932::encode(tape);
  out.tapeShiftJis =
      fitsShiftJis(tape) && !(utf8::hasNonAscii(shiftJis) && utf8::isValid(shiftJis));
  out.tape = out.tapeShiftJis ? shiftJis : "\xEF\xBB\xBF" + tape.toUtf8();
  return out;
}

std::vector<FileToWrite> routeFiles(const ImportedRoute& route, int number,
                                    const QString& fareFolder, const QString& tapeFolder) {
  const QString n = QString::number(number);
  return {{QDir(fareFolder).filePath(n + QStringLiteral(".hy3")), encodeRouteFile(route.rows)},
          {QDir(tapeFolder).filePath(n + QStringLiteral("tp.csv")), route.tape},
          {QDir(fareFolder).filePath(n + QStringLiteral(".csv")), routeToCsv(route.rows)}};
}

}  // namespace sorane::gtfs
