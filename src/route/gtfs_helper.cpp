#include "gtfs_helper.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <cstdlib>
#include <memory>
#include <optional>

#include "sandbox_child.h"

namespace sorane::gtfs {
namespace {

// Requests and answers, carried in sandbox frames.
constexpr std::uint16_t kListKind = 1;     // feed, fares
constexpr std::uint16_t kMakeKind = 2;     // feed, fares, options
constexpr std::uint16_t kRoutesKind = 3;   // warnings, routes
constexpr std::uint16_t kFilesKind = 4;    // warnings, files, rows, tickets
constexpr std::uint16_t kRefusedKind = 5;  // message, in the fares or not
constexpr std::uint32_t kMaxRequestBytes = 1 << 20;
constexpr std::uint32_t kMaxReplyBytes = 512u << 20;
// Any one text or file of an answer.
constexpr std::uint32_t kMaxField = 256u << 20;

const QString kTooSlow = QStringLiteral("%1: 時間がかかりすぎるため、読むのをやめました(%2 秒まで)");
const QString kTooLarge =
    QStringLiteral("%1: メモリーを使いすぎるため、読むのをやめました(%2 MiB まで)");
const QString kBrokeOff = QStringLiteral("%1: 読む途中で止まりました(%2)");
const QString kNotStarted = QStringLiteral("GTFS を読むプログラム %1 を起動できません(%2)");
const QString kBadAnswer = QStringLiteral("答えが読めません");
const QString kBadRequest = QStringLiteral("読めない頼みです(種類 %1)");

void putList(sandbox::PayloadWriter& w, const QStringList& list) {
  w.u32(static_cast<std::uint32_t>(list.size()));
  for (const QString& s : list) w.text(s);
}
QStringList getList(sandbox::PayloadReader& r) {
  QStringList list;
  for (std::uint32_t n = r.u32(); n > 0 && r.ok(); --n) list << r.text(kMaxField);
  return list;
}
void putFlag(sandbox::PayloadWriter& w, bool v) { w.u32(v ? 1 : 0); }
bool getFlag(sandbox::PayloadReader& r) { return r.u32() != 0; }

QByteArray encodeRoutes(const QStringList& warnings, const std::vector<RouteSummary>& routes) {
  sandbox::PayloadWriter w;
  putList(w, warnings);
  w.u32(static_cast<std::uint32_t>(routes.size()));
  for (const RouteSummary& s : routes) {
    w.bytes(QByteArrayView(s.routeId)).bytes(QByteArrayView(s.direction));
    w.text(s.name).text(s.first).text(s.last);
    putList(w, s.stopNames);
    w.i32(s.stops).i32(s.trips);
    for (const int t : s.tickets) w.i32(t);
    putFlag(w, s.unknownStop);
  }
  return w.data();
}

bool decodeRoutes(const QByteArray& payload, FeedAnswer& a) {
  sandbox::PayloadReader r(payload);
  a.warnings = getList(r);
  for (std::uint32_t n = r.u32(); n > 0 && r.ok(); --n) {
    RouteSummary s;
    s.routeId = r.bytes(kMaxField).toStdString();
    s.direction = r.bytes(kMaxField).toStdString();
    s.name = r.text(kMaxField);
    s.first = r.text(kMaxField);
    s.last = r.text(kMaxField);
    s.stopNames = getList(r);
    s.stops = r.i32();
    s.trips = r.i32();
    for (int& t : s.tickets) t = r.i32();
    s.unknownStop = getFlag(r);
    a.routes.push_back(std::move(s));
  }
  return r.done();
}

QByteArray encodeFiles(const QStringList& warnings, const std::vector<FileToWrite>& files,
                       const ImportedRoute& route) {
  sandbox::PayloadWriter w;
  putList(w, warnings);
  w.u32(static_cast<std::uint32_t>(files.size()));
  for (const FileToWrite& f : files) w.bytes(f.bytes);
  w.i32(static_cast<std::int32_t>(route.rows.size())).i32(route.tickets);
  w.text(stopFileSummary(route));
  return w.data();
}

bool decodeFiles(const QByteArray& payload, FeedAnswer& a) {
  sandbox::PayloadReader r(payload);
  a.warnings = getList(r);
  for (std::uint32_t n = r.u32(); n > 0 && r.ok(); --n) a.files.push_back(r.bytes(kMaxField));
  a.rows = r.i32();
  a.tickets = r.i32();
  a.stopFile = r.text(kMaxField);
  return r.done() && a.files.size() == routeFiles(ImportedRoute(), 1, {}, {}).size();
}

QByteArray encodeRefusal(const QString& message, bool inFares) {
  sandbox::PayloadWriter w;
  w.text(message);
  putFlag(w, inFares);
  return w.data();
}

struct Request {
  QString path;
  bool fares = true;
  std::optional<ImportOptions> options;  // a route to make
};

std::optional<Request> decodeRequest(const sandbox::Frame& f) {
  if (f.kind != kListKind && f.kind != kMakeKind) return std::nullopt;
  sandbox::PayloadReader r(f.payload);
  Request q;
  q.path = r.text(kMaxRequestBytes);
  q.fares = getFlag(r);
  if (f.kind == kMakeKind) {
    ImportOptions o;
    o.routeId = r.bytes(kMaxRequestBytes).toStdString();
    if (getFlag(r)) o.direction = r.bytes(kMaxRequestBytes).toStdString();
    if (getFlag(r)) o.trip = r.bytes(kMaxRequestBytes).toStdString();
    const std::uint32_t tickets = r.u32();
    if (tickets > static_cast<std::uint32_t>(Tickets::ByFare)) return std::nullopt;
    o.tickets = static_cast<Tickets>(tickets);
    o.times = getFlag(r);
    q.options = std::move(o);
  }
  if (!r.done()) return std::nullopt;
  return q;
}

// The helper's state: the feed read last, kept for the route made of it.
struct Served {
  QString path;
  bool fares = true;
  std::unique_ptr<Feed> feed;
};

void answer(Served& served, const Request& q, sandbox::Replies& out) {
  try {
    if (!served.feed || served.path != q.path || served.fares != q.fares) {
      served.feed.reset();
      const FeedProgress progress = [&out](const QString& file) {
        out.progress(sandbox::PayloadWriter().text(file).data());
      };
      served.feed = std::make_unique<Feed>(readFeed(FeedFiles::open(q.path), q.fares, progress));
      served.path = q.path;
      served.fares = q.fares;
    }
    const Feed& feed = *served.feed;
    if (!q.options) {
      out.reply(kRoutesKind, encodeRoutes(feed.warnings, listRoutes(feed)));
      return;
    }
    const ImportedRoute route = importRoute(feed, *q.options);
    out.reply(kFilesKind, encodeFiles(feed.warnings + route.warnings,
                                      routeFiles(route, 1, QString(), QString()), route));
  } catch (const FeedError& e) {
    out.reply(kRefusedKind, encodeRefusal(e.message(), e.inFares()));
  }
}

}  // namespace

QString feedHelperProgram() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("sorane-route"));
}

FeedHelper::FeedHelper(FeedLimits limits, const QString& program, QObject* parent)
    : QObject(parent),
      limits_(limits),
      program_(program),
      process_(program, {QStringLiteral("serve")}, [&] {
        sandbox::Limits l;
        l.addressSpaceBytes = limits.addressSpaceBytes;
        l.cpuSeconds = limits.seconds;
        l.maxReplyBytes = kMaxReplyBytes;
        return l;
      }()) {
  process_.setParent(this);
  connect(&process_, &sandbox::Process::replied, this, &FeedHelper::onReplied);
  connect(&process_, &sandbox::Process::failed, this, &FeedHelper::onFailed);
  connect(&process_, &sandbox::Process::progressed, this,
          [this](std::uint32_t id, const QByteArray& payload) {
            sandbox::PayloadReader r(payload);
            const QString file = r.text(kMaxRequestBytes);
            if (r.done() && feeds_.count(id)) emit progressed(id, file);
          });
}

std::uint32_t FeedHelper::list(const QString& path, bool fares) {
  sandbox::PayloadWriter w;
  w.text(path);
  putFlag(w, fares);
  const std::uint32_t id = process_.send(kListKind, w.data(), limits_.seconds * 1000);
  feeds_[id] = path;
  return id;
}

std::uint32_t FeedHelper::make(const QString& path, bool fares, const ImportOptions& o) {
  sandbox::PayloadWriter w;
  w.text(path);
  putFlag(w, fares);
  w.bytes(QByteArrayView(o.routeId));
  putFlag(w, o.direction.has_value());
  if (o.direction) w.bytes(QByteArrayView(*o.direction));
  putFlag(w, o.trip.has_value());
  if (o.trip) w.bytes(QByteArrayView(*o.trip));
  w.u32(static_cast<std::uint32_t>(o.tickets));
  putFlag(w, o.times);
  const std::uint32_t id = process_.send(kMakeKind, w.data(), limits_.seconds * 1000);
  feeds_[id] = path;
  return id;
}

void FeedHelper::onReplied(std::uint32_t id, std::uint16_t kind, const QByteArray& payload) {
  const auto feed = feeds_.find(id);
  if (feed == feeds_.end()) return;
  const QString path = feed->second;
  feeds_.erase(feed);
  FeedAnswer a;
  bool read = false;
  if (kind == kRoutesKind) {
    read = decodeRoutes(payload, a);
  } else if (kind == kFilesKind) {
    read = decodeFiles(payload, a);
  } else if (kind == kRefusedKind) {
    sandbox::PayloadReader r(payload);
    a.failure = FeedFailure::Refused;
    a.message = r.text(kMaxField);
    a.inFares = getFlag(r);
    read = r.done();
  }
  if (!read) {
    // The helper said what it may not: it cannot be trusted further.
    process_.discard();
    a = FeedAnswer();
    a.failure = FeedFailure::BrokeOff;
    a.message = kBrokeOff.arg(path, kBadAnswer);
  }
  emit finished(id, a);
}

void FeedHelper::onFailed(std::uint32_t id, sandbox::Failure why, const QString& detail) {
  const auto feed = feeds_.find(id);
  if (feed == feeds_.end()) return;
  const QString path = feed->second;
  feeds_.erase(feed);
  FeedAnswer a;
  switch (why) {
    case sandbox::Failure::TooSlow:
      a.failure = FeedFailure::TooSlow;
      a.message = kTooSlow.arg(path).arg(limits_.seconds);
      break;
    case sandbox::Failure::TooLarge:
      a.failure = FeedFailure::TooLarge;
      a.message = kTooLarge.arg(path).arg(limits_.addressSpaceBytes >> 20);
      break;
    case sandbox::Failure::BrokeOff:
      a.failure = FeedFailure::BrokeOff;
      a.message = kBrokeOff.arg(path, detail);
      break;
    case sandbox::Failure::NotStarted:
      a.failure = FeedFailure::NotStarted;
      a.message = kNotStarted.arg(QDir::toNativeSeparators(program_), detail);
      break;
    case sandbox::Failure::Cancelled:
      a.failure = FeedFailure::Cancelled;
      break;
  }
  emit finished(id, a);
}

int serveFeeds() {
  const QByteArray test = qgetenv("SORANE_FEED_HELPER_TEST");
  Served served;
  return sandbox::serve(
      [&](const sandbox::Frame& request, sandbox::Replies& out) {
        if (test == "abort") std::abort();
        if (test == "hang")
          for (;;) ::pause();
        const std::optional<Request> q = decodeRequest(request);
        if (!q) {
          out.reply(kRefusedKind, encodeRefusal(kBadRequest.arg(request.kind), false));
          return;
        }
        answer(served, *q, out);
      },
      kMaxRequestBytes);
}

}  // namespace sorane::gtfs
