#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

// The most each file of a feed may hold uncompressed; a feed's zip itself
// is held to the same.
inline constexpr qint64 kMaxFeedFileBytes = qint64{256} << 20;

// RFC 4180 records over UTF-8 bytes: fields separated by commas, records
// by LF, CR LF or CR. A field in double quotes may hold commas, line breaks
// and "" for a quote. Blanks around a field outside its quotes are
// dropped; blank lines are skipped.
class CsvReader {
 public:
  // `label` names the file in messages.
  CsvReader(QByteArray bytes, QString label);
  // The next record; false at the end. Throws FeedError on a quote left
  // open or text after a closing quote.
  bool next();
  // The line the record starts on, from 1.
  int line() const { return line_; }
  qsizetype size() const { return static_cast<qsizetype>(ends_.size()); }
  // Field `i`; empty past the last one.
  std::string_view operator[](qsizetype i) const;
  const QString& label() const { return label_; }

 private:
  void readQuoted();
  QByteArray bytes_;
  QString label_;
  const char* p_;
  const char* end_;
  int line_ = 0;
  int nextLine_ = 1;
  std::string arena_;
  std::vector<std::size_t> ends_;
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

 private:
  CsvReader reader_;
  std::vector<std::string> header_;
};

// The files of a feed: a zip read into memory (never extracted) or a
// folder. Only the known .txt names are read, from the top of the zip or
// from the one folder inside it that holds them.
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

struct IdHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    return std::hash<std::string_view>{}(s);
  }
};
// Index by id; looked up by std::string_view without a copy.
using IdIndex = std::unordered_map<std::string, int, IdHash, std::equal_to<>>;

struct Stop {
  std::string id;
  QString name;
  int zone = -1;  // in Feed::zones: its own zone_id, else its parent station's
  int line = 0;   // in stops.txt
};

struct Route {
  std::string id;
  QString name;  // route_short_name, route_long_name, jp_parent_route_id: those set
};

struct StopTime {
  int stop = 0;                      // in Feed::stops; -2 - i for the stop of Feed::unknownStops[i]
  int arrival = -1, departure = -1;  // seconds; -1 when not given or unreadable
};

struct Trip {
  int route = 0;  // in Feed::routes; -1 when routes.txt lacks it
  std::string id, direction;
  QString headsign;
  // Its stop times in Feed::times, in stop_sequence order.
  std::size_t firstTime = 0, endTime = 0;
};

// A stop_id of stop_times.txt that stops.txt lacks, and the refusal that
// names where it first appears.
struct UnknownStop {
  std::string id;
  QString refusal;
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
struct FareKeyHash {
  std::size_t operator()(const FareKey& k) const noexcept {
    return std::hash<long long>{}((static_cast<long long>(k.origin) << 42) ^
                                  (static_cast<long long>(k.destination) << 21) ^ k.route);
  }
};
// One fare: the rows of a fare_id with the same route, origin and
// destination. With contains_id it applies only to a ride whose zones are
// exactly these (sorted; -2 for a zone no stop has).
struct Fare {
  int price = 0;
  int next = -1;  // the next fare of its FareKey in Feed::fares
  std::vector<int> contains;
};

// What the import uses of a feed.
struct Feed {
  QString label;                       // the feed, in messages
  QHash<QString, QString> fileLabels;  // its files, in messages
  std::vector<Stop> stops;
  std::vector<Route> routes;
  std::vector<Trip> trips;  // in trips.txt order
  std::vector<StopTime> times;
  std::vector<std::string> zones;
  bool hasFares = false;
  std::vector<Fare> fares;
  std::unordered_map<FareKey, int, FareKeyHash> firstFare;  // in fares
  // Stop_ids of stop_times.txt that stops.txt lacks, and the warning for
  // when no route made needs them.
  std::vector<UnknownStop> unknownStops;
  QString unknownStopsWarning;
  std::unordered_map<int, BadTimes> badTimes;  // by trip
  bool hasReadings = false;                    // translations.txt with its columns
  // Readings ("ja-Hrkt") by the text they read, by stop_id, by trip_id.
  QHash<QString, QString> readingOfText;
  std::unordered_map<std::string, QString> readingOfStop, readingOfTrip;
  QStringList warnings;
  IdIndex routeIndex, tripIndex;
};

// Reads a feed. Without `fares` the fare files are not read and every
// fare is 0. Throws FeedError.
Feed readFeed(const FeedFiles& files, bool fares);

// A file's failure as the route tool says it: "path: description (number)".
QString fileFailure(const QString& path, const RuntimeError& e);

// Seconds of a time such as 8:05:00, 25:10:00 or 8:05 (without seconds);
// -1 when it is none.
int parseTime(std::string_view text);

}  // namespace sorane::gtfs
