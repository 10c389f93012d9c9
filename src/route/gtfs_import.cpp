#include "gtfs_import.h"

#include <QDir>
#include <algorithm>
#include <map>
#include <climits>
#include <unordered_map>
#include <unordered_set>

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
const QString kReplaced = QStringLiteral(
    "%1: 停留所名の %2 字がShift-JISにないため置き換えました(最初は「%3」を「%4」に)");
const QString kNameCut = QStringLiteral(
    "%1: 停留所名 %2 件が運賃データに書ける %3 バイトを超えるため、その長さに切りました");
const QString kLongTape = QStringLiteral(
    "%1: 路線「%2」の放送用データが上限の %3 バイトを超えます(読みか停留所名が長すぎます)");
const QString kManyPairs = QStringLiteral(
    "%1: 路線と方向ごとの停留所の組が合わせて %2 を超え、運賃を調べきれません");
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
const QString kEllipsis = QStringLiteral("…");
// Endings of a headsign that the opening line says itself.
const QStringList kDestinationEndings = {QStringLiteral("行き"), QStringLiteral("行"),
                                         QStringLiteral("ゆき"), QStringLiteral("ユキ"),
                                         QStringLiteral("いき"), QStringLiteral("イキ")};
constexpr int kExamples = 3;
constexpr int kMinutesColumn = 150;
// Stop pairs whose fares a listing looks up, over all its routes: some
// seconds of work.
constexpr qint64 kMaxListedPairs = 20'000'000;
// A listing shows names this long at the most (in UTF-8 bytes).
constexpr std::size_t kListedNameBytes = 1000;

// An id given on the command line or by the list, as messages show it.
QString shownId(const std::string& s) {
  return shownText(QString::fromStdString(s));
}

QString examples(const QStringList& items, int count) {
  return items.mid(0, kExamples).join(kListSeparator) + (count > kExamples ? kMore : QString());
}

bool fitsShiftJis(const QString& s) {
  return cp932::encode(s).count('?') == s.count(QLatin1Char('?'));
}

// The groups of a route's trips: of one direction, or of every one.
std::pair<const TripGroup*, const TripGroup*> groupsOf(const Feed& feed, int route,
                                                       const std::optional<std::string>& direction) {
  const auto [from, to] = std::equal_range(
      feed.tripGroups.begin(), feed.tripGroups.end(), TripGroup{route, {}, 0, 0},
      [](const TripGroup& a, const TripGroup& b) { return a.route < b.route; });
  const TripGroup* begin = feed.tripGroups.data() + (from - feed.tripGroups.begin());
  const TripGroup* end = feed.tripGroups.data() + (to - feed.tripGroups.begin());
  if (!direction) return {begin, end};
  for (const TripGroup* g = begin; g != end; ++g)
    if (g->direction == *direction) return {g, g + 1};
  return {end, end};
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

struct PatternHash {
  std::size_t operator()(const std::vector<int>& v) const noexcept {
    return seededHash(std::string_view(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(int)));
  }
};

Plan makePlan(const Feed& feed, const ImportOptions& o) {
  const int* r = feed.routeIndex.find(o.routeId);
  const QString direction = o.direction ? kDirection.arg(shownId(*o.direction)) : QString();
  if (!r)
    throw FeedError(kNoRoute.arg(feed.fileLabels[QStringLiteral("routes.txt")], shownId(o.routeId)));
  Plan plan;
  plan.routeIndex = *r;
  plan.route = &feed.routes[static_cast<std::size_t>(*r)];
  auto pattern = [&](const Trip& t) {
    std::vector<int> stops;
    stops.reserve(t.endTime - t.firstTime);
    for (std::size_t i = t.firstTime; i < t.endTime; ++i) stops.push_back(feed.times[i].stop);
    return stops;
  };
  const auto [begin, end] = groupsOf(feed, *r, o.direction);
  for (const TripGroup* g = begin; g != end; ++g) plan.trips += static_cast<int>(g->end - g->begin);
  if (o.trip) {
    const int* t = feed.tripIndex.find(*o.trip);
    if (!t || feed.trips[static_cast<std::size_t>(*t)].route != *r ||
        (o.direction && feed.trips[static_cast<std::size_t>(*t)].direction != *o.direction))
      throw FeedError(kNoTrip.arg(feed.fileLabels[QStringLiteral("trips.txt")], shownId(*o.trip),
                                  shownId(o.routeId), direction));
    plan.trip = *t;
    plan.stops = pattern(feed.trips[static_cast<std::size_t>(plan.trip)]);
    return plan;
  }
  struct Count {
    int trips = 0, first = 0;
  };
  std::unordered_map<std::vector<int>, Count, PatternHash> counts;
  for (const TripGroup* g = begin; g != end; ++g)
    for (std::size_t k = g->begin; k < g->end; ++k) {
      const int i = feed.tripOrder[k];
      const auto [it, fresh] =
          counts.try_emplace(pattern(feed.trips[static_cast<std::size_t>(i)]), Count{0, i});
      ++it->second.trips;
      it->second.first = std::min(it->second.first, i);
    }
  if (counts.empty())
    throw FeedError(kNoTrips.arg(feed.fileLabels[QStringLiteral("trips.txt")], shownId(o.routeId),
                                 direction));
  const auto key = [](const auto& e) {
    return std::make_tuple(e.second.trips, e.first.size(), -e.second.first);
  };
  auto best = counts.begin();
  for (auto it = counts.begin(); it != counts.end(); ++it)
    if (key(*it) > key(*best)) best = it;
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
// zone twice never makes a fare fall along the ride. Each pair costs a few
// lookups, however many rules the feed has.
class FareTable {
 public:
  FareTable(const Feed& feed, int route, const std::vector<int>& stops)
      : n_(static_cast<int>(stops.size())), fares_(stops.size() * stops.size(), -1) {
    if (!feed.hasFares) return;
    std::vector<int> zones;
    for (int s : stops) zones.push_back(s >= 0 ? feed.stops[static_cast<std::size_t>(s)].zone : -1);
    std::vector<int> seenBy(feed.zones.size(), -1);
    std::vector<Span> lists;
    auto plain = [&](const FareKey& key) {
      const Span prices = plainPrices(feed, key);
      if (prices.count > 0) lists.push_back(prices);
    };
    auto shapeIn = [](unsigned shapes, const FareKey& k) {
      return (shapes >> ((k.origin >= 0 ? 4 : 0) | (k.destination >= 0 ? 2 : 0) |
                         (k.route >= 0 ? 1 : 0))) & 1u;
    };
    for (int a = 0; a < n_; ++a) {
      int passed = 0;           // distinct zones from a to b
      std::uint64_t hash = 0;   // their zoneHash summed
      auto pass = [&](int zone) {
        if (zone >= 0 && seenBy[static_cast<std::size_t>(zone)] != a) {
          seenBy[static_cast<std::size_t>(zone)] = a;
          ++passed;
          hash += zoneHash(zone);
        }
      };
      auto exactly = [&](const Span& contains) {
        const int* z = feed.containsZones.data() + contains.begin;
        return static_cast<int>(contains.count) == passed &&
               std::all_of(z, z + contains.count,
                           [&](int zone) { return seenBy[static_cast<std::size_t>(zone)] == a; });
      };
      const int za = zones[static_cast<std::size_t>(a)];
      pass(za);
      // A stop without a zone takes only the fares for any zone.
      const int origins[] = {-1, za}, routes[] = {route, -1};
      const int originCount = za >= 0 ? 2 : 1;
      // The fares for any destination are the same for every b.
      std::vector<Span> anyDestination;
      lists.clear();
      for (int o = 0; o < originCount; ++o)
        for (const int r : routes)
          if (shapeIn(feed.plainShapes, {origins[o], -1, r})) plain({origins[o], -1, r});
      anyDestination.swap(lists);
      int previous = -1;
      for (int b = a + 1; b < n_; ++b) {
        const int zb = zones[static_cast<std::size_t>(b)];
        pass(zb);
        lists = anyDestination;
        const int destinations[] = {-1, zb};
        const int destinationCount = zb >= 0 ? 2 : 1;
        for (int o = 0; o < originCount; ++o)
          for (const int r : routes) {
            if (zb >= 0 && shapeIn(feed.plainShapes, {origins[o], zb, r}))
              plain({origins[o], zb, r});
            for (int d = 0; d < destinationCount && feed.containsShapes; ++d) {
              const FareKey key{origins[o], destinations[d], r};
              if (!shapeIn(feed.containsShapes, key)) continue;
              const auto [from, to] = containsFaresFor(feed, {key, hash, passed});
              for (const ContainsFare* f = from; f != to; ++f)
                if (exactly(f->zones)) lists.push_back(f->prices);
            }
          }
        if (lists.empty()) continue;
        int low = INT_MAX, high = -1, atLeast = INT_MAX;
        for (const Span& l : lists) {
          const int* begin = feed.prices.data() + l.begin;
          const int* end = begin + l.count;
          low = std::min(low, *begin);
          high = std::max(high, end[-1]);
          const int* at = std::lower_bound(begin, end, previous);
          if (at != end) atLeast = std::min(atLeast, *at);
        }
        int chosen = low;
        if (low != high) {
          ++several_;
          chosen = atLeast == INT_MAX ? high : atLeast;
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

// What the names of a route lost on their way into the fare file: the
// characters replaced, the names cut, each first one's stops.txt line.
struct NameChanges {
  int replaced = 0, replacedLine = 0;
  QString from, to;
  int cut = 0, cutLine = 0;
};

// A stop name as Shift-JIS holds it: a character it lacks becomes its
// compatibility form where Shift-JIS has that, else 〓. Control characters
// become blanks. A name longer than a row's name length can state is cut
// to that length. `replacements` keeps what each character lacking became.
QString shiftJisName(const QString& name, int line, NameChanges& changes,
                     QHash<char32_t, QString>& replacements) {
  // Every character takes a byte at least: what lies past the length a row
  // can state is cut whatever it is.
  QString out = name;
  if (out.size() > kMaxStopNameBytes + 1) {
    out.truncate(kMaxStopNameBytes + 1);
    if (out.back().isHighSurrogate()) out.chop(1);
  }
  for (QChar& c : out)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  if (!fitsShiftJis(out)) {
    QString fixed;
    fixed.reserve(out.size());
    for (const char32_t cp : out.toUcs4()) {
      auto known = replacements.constFind(cp);
      if (known == replacements.constEnd()) {
        const QString ch = QString::fromUcs4(&cp, 1);
        const QString compat = ch.normalized(QString::NormalizationForm_KC);
        known = replacements.insert(
            cp, fitsShiftJis(ch)                                             ? QString()
                : !compat.isEmpty() && compat != ch && fitsShiftJis(compat) ? compat
                                                                              : kGeta);
      }
      if (known->isEmpty()) {
        fixed += QString::fromUcs4(&cp, 1);
        continue;
      }
      if (changes.replaced++ == 0) {
        changes.replacedLine = line;
        changes.from = shownText(QString::fromUcs4(&cp, 1));
        changes.to = *known;
      }
      fixed += *known;
    }
    out = fixed;
  }
  const QByteArray bytes = cp932::encode(out);
  if (bytes.size() > kMaxStopNameBytes) {
    if (changes.cut++ == 0) changes.cutLine = line;
    // Cut before a lead byte that would lose its trail byte.
    qsizetype end = 0;
    for (qsizetype i = 0; i < kMaxStopNameBytes;) {
      const qsizetype step = cp932::isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
      if (i + step > kMaxStopNameBytes) break;
      i += step;
      end = i;
    }
    out = cp932::decode(bytes.left(end));
  }
  return out;
}

QString tapeLine(QString spoken, int step, int sound) {
  spoken.replace(QLatin1Char('"'), QChar(0x201D));
  for (QChar& c : spoken)
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  if (spoken.contains(QLatin1Char(','))) spoken = QLatin1Char('"') + spoken + QLatin1Char('"');
  return spoken + QStringLiteral(",%1,%2\r\n").arg(step).arg(sound);
}

QString readingOf(const Feed& feed, const Stop& stop) {
  if (const std::string_view* byId = feed.readingOfStop.find(stop.id)) return text(*byId);
  const std::string_view* byName = feed.readingOfText.find(stop.name);
  return text(byName ? *byName : stop.name);
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
    warnings << kNoTimes.arg(feed.fileLabels[QStringLiteral("stop_times.txt")], shown(trip.id));
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
  // Each stop's name made once, shared by every route that passes it, and
  // no longer than a listing can show; a stop stops.txt lacks by its
  // stop_id.
  std::vector<QString> names(feed.stops.size());
  std::vector<bool> named(feed.stops.size(), false);
  auto nameOf = [&](int stop) {
    if (stop < 0) return feed.unknownStops[static_cast<std::size_t>(-2 - stop)].id;
    const std::size_t i = static_cast<std::size_t>(stop);
    if (!named[i]) {
      const std::string_view name = feed.stops[i].name;
      std::size_t end = std::min(name.size(), kListedNameBytes);
      // Cut between characters.
      while (end < name.size() && end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
      names[i] = shown(name.substr(0, end)) + (end < name.size() ? kEllipsis : QString());
      named[i] = true;
    }
    return names[i];
  };
  std::vector<RouteSummary> out;
  qint64 pairs = 0;
  for (const TripGroup& g : feed.tripGroups) {
    ImportOptions o;
    o.routeId = std::string(feed.routes[static_cast<std::size_t>(g.route)].id);
    o.direction = std::string(g.direction);
    const Plan plan = makePlan(feed, o);
    RouteSummary s;
    s.routeId = o.routeId;
    s.direction = *o.direction;
    s.name = shownText(routeName(*plan.route).left(kListedNameBytes));
    s.stops = static_cast<int>(plan.stops.size());
    s.trips = plan.trips;
    for (int stop : plan.stops) {
      s.stopNames << nameOf(stop);
      s.unknownStop = s.unknownStop || stop < 0;
    }
    if (!s.stopNames.isEmpty()) {
      s.first = s.stopNames.front();
      s.last = s.stopNames.back();
    }
    if (s.stops <= kRouteRows) {
      if (feed.hasFares && (pairs += qint64{s.stops} * s.stops / 2) > kMaxListedPairs)
        throw FeedError(kManyPairs.arg(feed.label, QString::number(kMaxListedPairs)), true);
      const FareTable fares(feed, plan.routeIndex, plan.stops);
      for (const Tickets mode : {Tickets::Auto, Tickets::PerStop, Tickets::ByFare})
        numberTickets(fares, s.stops, mode, &s.tickets[static_cast<std::size_t>(mode)]);
    }
    out.push_back(std::move(s));
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
  return kSummary.arg(shownId(r.routeId),
                      r.direction.empty() ? QStringLiteral("-") : shownId(r.direction),
                      QString::number(r.stops), QString::number(r.trips),
                      r.name.isEmpty() ? kUnnamed : r.name, r.first, r.last,
                      QString::number(r.ticketsWith(Tickets::Auto))) +
         (why.isEmpty() ? QString() : kMark.arg(why));
}

ImportedRoute importRoute(const Feed& feed, const ImportOptions& options) {
  const Plan plan = makePlan(feed, options);
  const int n = static_cast<int>(plan.stops.size());
  const QString route = shownId(options.routeId);
  const QString stopTimes = feed.fileLabels[QStringLiteral("stop_times.txt")];
  if (n < 2) throw FeedError(kTooFewStops.arg(stopTimes, route, QString::number(n)));
  if (n > kRouteRows)
    throw FeedError(
        kTooManyStops.arg(stopTimes, route, QString::number(n), QString::number(kRouteRows)));
  for (int stop : plan.stops)
    if (stop < 0)
      throw FeedError(
          unknownStopRefusal(feed, feed.unknownStops[static_cast<std::size_t>(-2 - stop)]));

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
          stopTimes + QLatin1Char(':') + QString::number(bad->second.line), shown(trip.id),
          QString::number(bad->second.count), bad->second.first);
  }

  const QString stopsFile = feed.fileLabels[QStringLiteral("stops.txt")];
  auto stopAt = [&](int j) -> const Stop& {
    return feed.stops[static_cast<std::size_t>(plan.stops[static_cast<std::size_t>(j)])];
  };
  QStringList missing, unread;
  int missingCount = 0, unreadCount = 0;
  NameChanges changes;
  QHash<char32_t, QString> replacements;
  std::unordered_map<int, QString> made;  // names by stop, for a stop passed twice
  FlatMap<std::string_view, bool, ViewHash> unreadSeen;
  out.rows.resize(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j) {
    const Stop& stop = stopAt(j);
    RouteRow& row = out.rows[static_cast<std::size_t>(j)];
    const int index = plan.stops[static_cast<std::size_t>(j)];
    auto [name, fresh] = made.try_emplace(index);
    if (fresh) name->second = shiftJisName(text(stop.name), stop.line, changes, replacements);
    row.StopName = name->second;
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
        missing << kPair.arg(shown(stopAt(a).name), shown(stop.name));
    }
    if (feed.hasReadings && !feed.readingOfStop.contains(stop.id) &&
        !feed.readingOfText.contains(stop.name) && unreadSeen.tryEmplace(stop.name, true).second &&
        ++unreadCount <= kExamples)
      unread << shown(stop.name);
  }
  if (changes.replaced > 0)
    out.warnings << kReplaced.arg(stopsFile + QLatin1Char(':') + QString::number(changes.replacedLine),
                                  QString::number(changes.replaced), changes.from, changes.to);
  if (changes.cut > 0)
    out.warnings << kNameCut.arg(stopsFile + QLatin1Char(':') + QString::number(changes.cutLine),
                                 QString::number(changes.cut), QString::number(kMaxStopNameBytes));
  if (!feed.hasFares) out.warnings << kNoFares.arg(feed.label);
  if (fares.several() > 0)
    out.warnings << kSeveralFares.arg(feed.fileLabels[QStringLiteral("fare_rules.txt")], route,
                                      QString::number(fares.several()));
  if (missingCount > 0)
    out.warnings << kMissingFares.arg(feed.fileLabels[QStringLiteral("fare_rules.txt")], route,
                                      QString::number(missingCount),
                                      examples(missing, missingCount));
  if (unreadCount > 0)
    out.warnings << kNoReadings.arg(feed.fileLabels[QStringLiteral("translations.txt")],
                                    QString::number(unreadCount), examples(unread, unreadCount));

  // The tape: the destination, then each later stop by its reading; no
  // longer than the announcement reader takes.
  QString destination = readingOf(feed, stopAt(n - 1));
  if (!trip.headsign.empty()) {
    const std::string_view* byTrip = feed.readingOfTrip.find(trip.id);
    const std::string_view* byText = feed.readingOfText.find(trip.headsign);
    destination = text(byTrip ? *byTrip : byText ? *byText : trip.headsign);
    for (const QString& ending : kDestinationEndings)
      if (destination.size() > ending.size() && destination.endsWith(ending)) {
        destination.chop(ending.size());
        break;
      }
  }
  QString tape;
  const auto add = [&](const QString& line) {
    tape += line;
    if (tape.size() > kMaxTapeBytes)
      throw FeedError(
          kLongTape.arg(feed.fileLabels[QStringLiteral("translations.txt")], route,
                        QString::number(kMaxTapeBytes)));
  };
  add(tapeLine(kOpening.arg(destination), 0, 1));
  for (int j = 1; j < n; ++j)
    add(tapeLine((j == n - 1 ? kNextLast : kNext).arg(readingOf(feed, stopAt(j))), 1, 1));
  out.tapeLines = n;
  // Shift-JIS bytes that also read as UTF-8 would be taken for UTF-8.
  const QByteArray shiftJis = cp932::encode(tape);
  out.tapeShiftJis =
      fitsShiftJis(tape) && !(utf8::hasNonAscii(shiftJis) && utf8::isValid(shiftJis));
  out.tape = out.tapeShiftJis ? shiftJis : "\xEF\xBB\xBF" + tape.toUtf8();
  if (out.tape.size() > kMaxTapeBytes)
    throw FeedError(kLongTape.arg(feed.fileLabels[QStringLiteral("translations.txt")], route,
                                  QString::number(kMaxTapeBytes)));
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
