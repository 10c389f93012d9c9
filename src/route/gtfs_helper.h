#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <vector>

#include "gtfs_import.h"
#include "sandbox_process.h"

namespace sorane::gtfs {

// The limits a feed is read under for the program.
struct FeedLimits {
  qint64 addressSpaceBytes = qint64(2) << 30;
  int seconds = 60;  // wall-clock and CPU time of one request
};

enum class FeedFailure { None, Refused, TooSlow, TooLarge, BrokeOff, NotStarted, Cancelled };

// What the helper hands back: the routes of a feed, or a route's files.
struct FeedAnswer {
  FeedFailure failure = FeedFailure::None;
  // Why not, as the user reads it, naming the feed (empty when cancelled).
  QString message;
  bool inFares = false;  // the refusal is in the fare files
  std::vector<RouteSummary> routes;
  // The files of the route, in routeFiles' order, with what was made.
  std::vector<QByteArray> files;
  int rows = 0, tickets = 0;
  QString stopFile;      // what the stop file holds (stopFileSummary)
  QStringList warnings;  // the feed's, then the route's
};

// `sorane-route`, found beside the running program.
QString feedHelperProgram();

// Reads feeds and makes routes in `sorane-route serve`, started on demand
// under the limits: a feed that crashes it, or is too slow or too large,
// becomes an answer, and cancelling kills it. The helper keeps the feed it
// read last, so making a route of it does not read it again.
class FeedHelper : public QObject {
  Q_OBJECT

 public:
  explicit FeedHelper(FeedLimits limits = {}, const QString& program = feedHelperProgram(),
                      QObject* parent = nullptr);
  // The routes of the feed at `path`, as listRoutes gives them.
  std::uint32_t list(const QString& path, bool fares);
  // The files of a route of the feed at `path`.
  std::uint32_t make(const QString& path, bool fares, const ImportOptions& options);
  // Fails the request with Cancelled at once; under way, the helper is killed.
  void cancel(std::uint32_t id) { process_.cancel(id); }
  const FeedLimits& limits() const { return limits_; }
  sandbox::Process& process() { return process_; }

 signals:
  // The feed's file being read.
  void progressed(std::uint32_t id, const QString& file);
  void finished(std::uint32_t id, const sorane::gtfs::FeedAnswer& answer);

 private:
  void onReplied(std::uint32_t id, std::uint16_t kind, const QByteArray& payload);
  void onFailed(std::uint32_t id, sandbox::Failure why, const QString& detail);

  FeedLimits limits_;
  QString program_;
  sandbox::Process process_;
  std::map<std::uint32_t, QString> feeds_;  // of the requests under way
};

// The helper's side: answers requests on standard input until it ends.
// SORANE_FEED_HELPER_TEST=abort makes it abort at each request, =hang
// makes it wait for good: for tests of the program's side.
int serveFeeds();

}  // namespace sorane::gtfs
