#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "flat_map.h"
#include "runtime_error.h"

namespace sorane::gtfs {

// A feed that cannot be used. The message names the file, and the line
// where there is one. `inFares`: the fault is in the fare files, so the
// feed may still be read without fares.
class FeedError : public std::exception {
 public:
  explicit FeedError(QString message, bool inFares = false)
      : message_(std::move(message)), inFares_(inFares) {}
  const QString& message() const { return message_; }
  bool inFares() const { return inFares_; }
  const char* what() const noexcept override { return "unusable GTFS feed"; }

 private:
  QString message_;
  bool inFares_;
};

// What a feed may hold. Each file at most kMaxFeedFileBytes uncompressed
// (a feed's zip itself is held to the same), all of them together at most
// kMaxFeedBytes; a record at most kMaxRecordBytes and kMaxFields fields; a
// file at most the rows feedRowLimit gives it.
inline constexpr qint64 kMaxFeedFileBytes = qint64{256} << 20;
inline constexpr qint64 kMaxFeedBytes = qint64{512} << 20;
inline constexpr qsizetype kMaxRecordBytes = qsizetype{1} << 20;
inline constexpr int kMaxFields = 1000;
int feedRowLimit(const QString& file);
// Distinct stop_ids of stop_times.txt that stops.txt lacks.
inline constexpr int kMaxUnknownStops = 10000;

// RFC 4180 records over UTF-8 bytes: fields separated by commas, records
// by LF, CR LF or CR. A field in double quotes may hold commas, line breaks
// and "" for a quote. Blanks around a field outside its quotes are
// dropped; blank lines are skipped. Fields are views into the bytes, which
// the reader holds (a quoted field's "" is made " in place).
class CsvReader {
 public:
  // `label` names the file in messages.
  CsvReader(QByteArray bytes, QString label);
  CsvReader(CsvReader&&) = default;
  CsvReader(const CsvReader&) = delete;
  // The next record; false at the end. Throws FeedError on a quote left
  // open, text after a closing quote, a NUL byte, a record longer than
  // kMaxRecordBytes or with more than kMaxFields fields.
  bool next();
  // The line the record starts on, from 1.
  int line() const { return line_; }
  qsizetype size() const { return static_cast<qsizetype>(fields_.size()); }
  // Field `i`; empty past the last one.
  std::string_view operator[](qsizetype i) const {
    return i >= 0 && i < size() ? fields_[static_cast<std::size_t>(i)] : std::string_view();
  }
  const QString& label() const { return label_; }
  // The bytes the fields view.
  const QByteArray& bytes() const { return bytes_; }

 private:
  std::string_view readQuoted();
  [[noreturn]] void refuse(const QString& message, int line) const;
  QByteArray bytes_;
  QString label_;
  char* p_;
  const char* end_;
  int line_ = 0;
  int nextLine_ = 1;
  std::vector<std::string_view> fields_;
};

// A CSV file with a header line naming its columns.
class CsvTable {
 public:
  // Reads the header; throws FeedError when there is none.
  CsvTable(QByteArray bytes, QString label);
  // The column named `name`, -1 when there is none.
  int column(std::string_view name) const;
  // The same; a missing column throws FeedError naming the file and column.
  int required(std::string_view name) const;
  bool next() { return reader_.next(); }
  // The field of `column` in the current record; empty for -1.
  std::string_view operator[](int column) const {
    return column < 0 ? std::string_view() : reader_[column];
  }
  // "file:line", for messages about the current record.
  QString where() const;
  int line() const { return reader_.line(); }
  const QString& label() const { return reader_.label(); }
  const QByteArray& bytes() const { return reader_.bytes(); }

 private:
  CsvReader reader_;
  std::vector<std::string_view> header_;
};

// The files of a feed: a zip read into memory (never extracted) or a
// folder. Only the known .txt names are read, from the top of the zip or
// from the one folder inside it that holds them. A file is found by its
// exact name, else by its name in any letter case; two of them for one
// name are refused. A folder's files are read only when they are regular
// files, and through a symbolic link only to a file inside the folder.
class FeedFiles {
 public:
  // A .zip file or a folder; throws FeedError when it cannot be opened.
  static FeedFiles open(const QString& path);
  // A zip's bytes; `label` names it in messages.
  static FeedFiles fromZip(const QByteArray& zip, const QString& label);
  // Files given by name, for the fuzzer.
  static FeedFiles fromMemory(std::map<QString, QByteArray> files, const QString& label);
  ~FeedFiles();
  FeedFiles(FeedFiles&&) noexcept;
  FeedFiles& operator=(FeedFiles&&) noexcept;

  // The bytes of a known file, nothing when the feed lacks it. Throws
  // FeedError when it cannot be read or holds more than kMaxFeedFileBytes.
  std::optional<QByteArray> read(const QString& name) const;
  // How messages name the feed, or one of its files.
  QString label() const;
  QString label(const QString& name) const;

  class Source;

 private:
  explicit FeedFiles(std::unique_ptr<Source> source);
  std::unique_ptr<Source> source_;
};

// Index by id; the ids are views into the feed's bytes.
using IdIndex = FlatMap<std::string_view, int, ViewHash>;

// The texts below are views into the bytes the Feed holds.
struct Stop {
  std::string_view id, name;
  int zone = -1;  // in Feed::zones: its own zone_id, else its parent station's
  int line = 0;   // in stops.txt
};

struct Route {
  std::string_view id;
  std::string_view names[3];  // route_short_name, route_long_name, jp_parent_route_id
};

struct StopTime {
  int stop = 0;                      // in Feed::stops; -2 - i for the stop of Feed::unknownStops[i]
  int arrival = -1, departure = -1;  // seconds; -1 when not given or unreadable
};

struct Trip {
  int route = 0;  // in Feed::routes; -1 when routes.txt lacks it
  std::string_view id, direction, headsign;
  // Its stop times in Feed::times, in stop_sequence order.
  std::size_t firstTime = 0, endTime = 0;
};

// The trips of one route and direction_id: Feed::tripOrder[begin..end).
struct TripGroup {
  int route = 0;
  std::string_view direction;
  std::size_t begin = 0, end = 0;
};

// A stop_id of stop_times.txt that stops.txt lacks, and the line of
// stop_times.txt where it first appears.
struct UnknownStop {
  QString id;
  int line = 0;
};

// The times of a trip that could not be read: how many, the first.
struct BadTimes {
  int count = 0, line = 0;
  QString first;
};

// Where fare rules apply: zones as indexes in Feed::zones, the route in
// Feed::routes; -1 for any.
struct FareKey {
  int origin = -1, destination = -1, route = -1;
  bool operator==(const FareKey&) const = default;
};
// Part of Feed::prices, Feed::containsZones: [begin, begin + count).
struct Span {
  std::uint32_t begin = 0, count = 0;
};
// The fares of rules with a contains_id: the rows of a fare_id with the
// same route, origin and destination make one, which applies only to a
// ride whose zones are exactly these. Fares of the same place and zones are
// one, with the prices of all.
struct ContainsKey {
  FareKey key;
  std::uint64_t zones = 0;  // zoneHash summed over the zones
  int count = 0;
  bool operator==(const ContainsKey&) const = default;
};
struct ContainsFare {
  ContainsKey key;
  Span zones;   // in Feed::containsZones, sorted
  Span prices;  // in Feed::prices, sorted, each once
};
// A zone's share of the hash of a set of zones: the set's hash is the sum
// of its zones', so a ride adds each zone it passes as it goes.
std::uint64_t zoneHash(int zone);

// What the import uses of a feed.
struct Feed {
  QString label;                       // the feed, in messages
  QHash<QString, QString> fileLabels;  // its files, in messages
  std::vector<QByteArray> held;        // the bytes the texts view
  std::vector<Stop> stops;
  std::vector<Route> routes;
  std::vector<Trip> trips;  // in trips.txt order
  std::vector<StopTime> times;
  std::vector<std::string_view> zones;
  // Trips with a route, by route and then direction_id.
  std::vector<int> tripOrder;
  std::vector<TripGroup> tripGroups;
  bool hasFares = false;
  // The fares of rules without contains_id: where each applies, one entry
  // a price, sorted by origin, destination, route and price, each once,
  // with the prices in `prices` at the same places; then those with
  // contains_id, sorted by their ContainsKey. The entries of origin zone o
  // (-1 for any) begin at plainFrom[o + 1], containsFrom[o + 1].
  std::vector<FareKey> plainKeys;
  std::vector<int> prices;
  std::vector<std::uint32_t> plainFrom;
  std::vector<ContainsFare> containsFares;
  std::vector<int> containsZones;
  std::vector<std::uint32_t> containsFrom;
  // Which of the eight kinds of key (origin, destination, route each any or
  // given: bits 4, 2, 1 when given) any fare has.
  unsigned plainShapes = 0, containsShapes = 0;
  // Stop_ids of stop_times.txt that stops.txt lacks, and the warning for
  // when no route made needs them.
  std::vector<UnknownStop> unknownStops;
  QString unknownStopsWarning;
  std::unordered_map<int, BadTimes> badTimes;  // by trip
  bool hasReadings = false;                    // translations.txt with its columns
  // Readings ("ja-Hrkt") by the text they read, by stop_id, by trip_id.
  FlatMap<std::string_view, std::string_view, ViewHash> readingOfText, readingOfStop,
      readingOfTrip;
  QStringList warnings;
  IdIndex routeIndex, tripIndex;
};

// The prices of the fares without contains_id for exactly `key`.
Span plainPrices(const Feed& feed, const FareKey& key);
// The fares with contains_id for exactly `key`: usually one, more only
// where different zones hash alike.
std::pair<const ContainsFare*, const ContainsFare*> containsFaresFor(const Feed& feed,
                                                                    const ContainsKey& key);

// Why a route that passes `stop` cannot be made, with where it first
// appears.
QString unknownStopRefusal(const Feed& feed, const UnknownStop& stop);

// Reads a feed. Without `fares` the fare files are not read and every
// fare is 0. Throws FeedError.
Feed readFeed(const FeedFiles& files, bool fares);

// A text of the feed; a text as messages and listings show it (see
// shownText).
QString text(std::string_view utf8);
QString shown(std::string_view utf8);
// A route's name: route_short_name, route_long_name, jp_parent_route_id,
// those set.
QString routeName(const Route& route);

// A file's failure as the route tool says it: "path: description (number)".
QString fileFailure(const QString& path, const RuntimeError& e);

// Seconds of a time such as 8:05:00, 25:10:00 or 8:05 (without seconds);
// -1 when it is none.
int parseTime(std::string_view text);

}  // namespace sorane::gtfs
