#include "gtfs_feed.h"

#include <zip.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cstring>

#include "file_io.h"
#include "route_csv.h"

namespace sorane::gtfs {
namespace {

const QString kOpenQuote = QStringLiteral("%1:%2: 引用符 \" が閉じていません");
const QString kAfterQuote = QStringLiteral("%1:%2: 閉じた引用符の後に文字があります");
const QString kNoHeader = QStringLiteral("%1: 列の名前の行がありません");
const QString kNoColumn = QStringLiteral("%1: 列「%2」がありません");
const QString kNoFile = QStringLiteral("%1: ファイルがありません");
const QString kNotZip = QStringLiteral("%1: ZIPファイルでもフォルダーでもありません");
const QString kZipError = QStringLiteral("%1: ZIPファイルを読めません(%2)");
const QString kOverLimit =
    QStringLiteral("%1: 展開すると %2 バイトになり、上限の %3 バイトを超えます");
const QString kOverHeader = QStringLiteral(
    "%1: ZIPの見出しにある %2 バイトより大きく展開されます(壊れているか、ZIP爆弾です)");
const QString kOverLimitInflating =
    QStringLiteral("%1: 展開すると上限の %2 バイトを超えます(ZIP爆弾かもしれません)");
const QString kManyFolders =
    QStringLiteral("%1: GTFSのファイルがZIPの中の複数のフォルダー(%2)にあります");
const QString kShiftJis = QStringLiteral("%1: UTF-8 ではないため Shift-JIS として読みました");
const QString kUnknownId = QStringLiteral("%1: %2「%3」が %4 にありません");
const QString kIgnored = QStringLiteral("%1: %2「%3」が %4 にありません(無視しました)");
const QString kIgnoredMore = QStringLiteral(" ほか %1 件");
const QString kNoReadingFile = QStringLiteral("%1: ファイルがないため、停留所を名前のまま読みます");
const QString kTwice = QStringLiteral("%1: %2「%3」がもう一度あります");
const QString kBadSequence = QStringLiteral("%1: stop_sequence「%2」が 0 以上の整数ではありません");
const QString kBadPrice = QStringLiteral("%1: price「%2」が 0〜32767 円ではありません");
const QString kNoReadingColumns = QStringLiteral(
    "%1: 読みの列(trans_id,lang,translation か "
    "table_name,field_name,language,translation)がないため、読みを使いません");

const QStringList kKnownFiles = {
    QStringLiteral("routes.txt"),          QStringLiteral("trips.txt"),
    QStringLiteral("stop_times.txt"),      QStringLiteral("stops.txt"),
    QStringLiteral("fare_attributes.txt"), QStringLiteral("fare_rules.txt"),
    QStringLiteral("translations.txt")};

QString text(std::string_view v) {
  return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

}  // namespace

// ---- CSV ----

CsvReader::CsvReader(QByteArray bytes, QString label)
    : bytes_(std::move(bytes)), label_(std::move(label)) {
  p_ = bytes_.constData();
  end_ = p_ + bytes_.size();
  if (bytes_.startsWith("\xEF\xBB\xBF")) p_ += 3;
}

std::string_view CsvReader::operator[](qsizetype i) const {
  if (i < 0 || i >= size()) return {};
  const std::size_t begin = i == 0 ? 0 : ends_[static_cast<std::size_t>(i - 1)];
  return std::string_view(arena_).substr(begin, ends_[static_cast<std::size_t>(i)] - begin);
}

// From an opening quote to the character after its closing one.
void CsvReader::readQuoted() {
  ++p_;
  for (;;) {
    const char* q = static_cast<const char*>(std::memchr(p_, '"', static_cast<size_t>(end_ - p_)));
    if (!q) throw FeedError(kOpenQuote.arg(label_, QString::number(line_)));
    for (const char* c = p_; c < q; ++c)
      nextLine_ += *c == '\n' || (*c == '\r' && (c + 1 == q || c[1] != '\n'));
    arena_.append(p_, static_cast<std::size_t>(q - p_));
    p_ = q + 1;
    if (p_ < end_ && *p_ == '"') {
      arena_ += '"';
      ++p_;
      continue;
    }
    return;
  }
}

bool CsvReader::next() {
  for (;;) {
    if (p_ >= end_) return false;
    line_ = nextLine_;
    arena_.clear();
    ends_.clear();
    bool quotedAny = false;
    for (;;) {
      while (p_ < end_ && isBlank(*p_)) ++p_;
      if (p_ < end_ && *p_ == '"') {
        quotedAny = true;
        readQuoted();
        while (p_ < end_ && isBlank(*p_)) ++p_;
        if (p_ < end_ && *p_ != ',' && *p_ != '\n' && *p_ != '\r')
          throw FeedError(kAfterQuote.arg(label_, QString::number(nextLine_)));
      } else {
        const char* start = p_;
        while (p_ < end_ && *p_ != ',' && *p_ != '\n' && *p_ != '\r') ++p_;
        const char* stop = p_;
        while (stop > start && isBlank(stop[-1])) --stop;
        arena_.append(start, static_cast<std::size_t>(stop - start));
      }
      ends_.push_back(arena_.size());
      if (p_ < end_ && *p_ == ',') {
        ++p_;
        continue;
      }
      if (p_ < end_ && *p_ == '\r') ++p_;
      if (p_ < end_ && *p_ == '\n') ++p_;
      ++nextLine_;
      break;
    }
    if (ends_.size() == 1 && arena_.empty() && !quotedAny) continue;  // a blank line
    return true;
  }
}

CsvTable::CsvTable(QByteArray bytes, QString label) : reader_(std::move(bytes), std::move(label)) {
  if (!reader_.next()) throw FeedError(kNoHeader.arg(reader_.label()));
  for (qsizetype i = 0; i < reader_.size(); ++i) {
    std::string_view name = reader_[i];
    while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
    header_.emplace_back(name);
  }
}

int CsvTable::column(std::string_view name) const {
  const auto it = std::find(header_.begin(), header_.end(), name);
  return it == header_.end() ? -1 : static_cast<int>(it - header_.begin());
}

int CsvTable::required(std::string_view name) const {
  const int c = column(name);
  if (c < 0) throw FeedError(kNoColumn.arg(reader_.label(), text(name)));
  return c;
}

QString CsvTable::where() const {
  return reader_.label() + QLatin1Char(':') + QString::number(reader_.line());
}

// ---- Files ----

class FeedFiles::Source {
 public:
  virtual ~Source() = default;
  virtual std::optional<QByteArray> read(const QString& name) const = 0;
  virtual QString label() const = 0;
  virtual QString label(const QString& name) const = 0;
};

namespace {

class FolderSource : public FeedFiles::Source {
 public:
  explicit FolderSource(const QString& path) : dir_(path) {}
  std::optional<QByteArray> read(const QString& name) const override {
    const QString path = findFileIgnoringCase(dir_.filePath(name));
    if (path.isEmpty()) return std::nullopt;
    try {
      return readWholeFile(path, kMaxFeedFileBytes);
    } catch (const RuntimeError& e) {
      throw FeedError(fileFailure(path, e));
    }
  }
  QString label() const override { return dir_.path(); }
  QString label(const QString& name) const override { return dir_.filePath(name); }

 private:
  QDir dir_;
};

class MemorySource : public FeedFiles::Source {
 public:
  MemorySource(std::map<QString, QByteArray> files, const QString& label)
      : files_(std::move(files)), label_(label) {}
  std::optional<QByteArray> read(const QString& name) const override {
    const auto it = files_.find(name);
    if (it == files_.end()) return std::nullopt;
    if (it->second.size() > kMaxFeedFileBytes)
      throw FeedError(kOverLimit.arg(label(name), QString::number(it->second.size()),
                                     QString::number(kMaxFeedFileBytes)));
    return it->second;
  }
  QString label() const override { return label_; }
  QString label(const QString& name) const override { return label_ + QLatin1Char('/') + name; }

 private:
  std::map<QString, QByteArray> files_;
  QString label_;
};

class ZipSource : public FeedFiles::Source {
 public:
  ZipSource(const QByteArray& zip, const QString& label) : bytes_(zip), label_(label) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(
        bytes_.constData(), static_cast<zip_uint64_t>(bytes_.size()), 0, &error);
    if (src) {
      zip_.reset(zip_open_from_source(src, ZIP_RDONLY, &error));
      if (!zip_) zip_source_free(src);
    }
    if (!zip_) {
      const bool notZip = zip_error_code_zip(&error) == ZIP_ER_NOZIP;
      const QString why = QString::fromUtf8(zip_error_strerror(&error));
      zip_error_fini(&error);
      throw FeedError(notZip ? kNotZip.arg(label) : kZipError.arg(label, why));
    }
    findEntries();
  }

  std::optional<QByteArray> read(const QString& name) const override {
    const auto it = entries_.find(name);
    if (it == entries_.end()) return std::nullopt;
    return readEntry(it->second, label(name));
  }
  QString label() const override { return label_; }
  // "feed.zip: stops.txt": an entry, not a folder.
  QString label(const QString& name) const override {
    return label_ + QStringLiteral(": ") + folder_ + name;
  }

 private:
  // The known names at the top, or else in the one folder that has them.
  void findEntries() {
    std::map<QString, std::map<QString, zip_uint64_t>> byFolder;
    const zip_int64_t count = zip_get_num_entries(zip_.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
      const char* raw = zip_get_name(zip_.get(), static_cast<zip_uint64_t>(i), 0);
      if (!raw) continue;
      const QString name = QString::fromUtf8(raw);
      const qsizetype slash = name.indexOf(QLatin1Char('/'));
      if (slash >= 0 && name.indexOf(QLatin1Char('/'), slash + 1) >= 0) continue;
      const QString folder = name.left(slash + 1);
      const QString base = name.mid(slash + 1);
      for (const QString& known : kKnownFiles)
        if (base.compare(known, Qt::CaseInsensitive) == 0)
          byFolder[folder].emplace(known, static_cast<zip_uint64_t>(i));
    }
    if (byFolder.empty()) return;
    if (!byFolder.contains(QString()) && byFolder.size() > 1) {
      QStringList folders;
      for (const auto& [folder, files] : byFolder) folders << folder;
      throw FeedError(kManyFolders.arg(label_, folders.join(QStringLiteral("、"))));
    }
    const auto chosen = byFolder.contains(QString()) ? byFolder.find(QString()) : byFolder.begin();
    folder_ = chosen->first;
    entries_ = chosen->second;
  }

  // An entry, held to the size its header gives and to the limit, counted
  // while it inflates.
  QByteArray readEntry(zip_uint64_t index, const QString& label) const {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_.get(), index, 0, &st) != 0)
      throw FeedError(kZipError.arg(label, QString::fromUtf8(zip_strerror(zip_.get()))));
    qint64 cap = kMaxFeedFileBytes;
    const bool sized = st.valid & ZIP_STAT_SIZE;
    if (sized) {
      if (st.size > static_cast<zip_uint64_t>(kMaxFeedFileBytes))
        throw FeedError(
            kOverLimit.arg(label, QString::number(st.size), QString::number(kMaxFeedFileBytes)));
      cap = static_cast<qint64>(st.size);
    }
    zip_file_t* file = zip_fopen_index(zip_.get(), index, 0);
    if (!file) throw FeedError(kZipError.arg(label, QString::fromUtf8(zip_strerror(zip_.get()))));
    QByteArray out;
    if (sized) out.reserve(static_cast<qsizetype>(cap));
    static constexpr zip_uint64_t kChunk = 1 << 16;
    char buffer[kChunk];
    for (;;) {
      const zip_int64_t n = zip_fread(file, buffer, kChunk);
      if (n == 0) break;
      QString fault;
      if (n < 0)
        fault = kZipError.arg(label, QString::fromUtf8(zip_file_strerror(file)));
      else if (out.size() + n > cap)
        fault = sized ? kOverHeader.arg(label, QString::number(cap))
                      : kOverLimitInflating.arg(label, QString::number(kMaxFeedFileBytes));
      if (!fault.isEmpty()) {
        zip_fclose(file);
        throw FeedError(fault);
      }
      out.append(buffer, static_cast<qsizetype>(n));
    }
    zip_fclose(file);
    return out;
  }

  QByteArray bytes_;
  QString label_;
  std::unique_ptr<zip_t, void (*)(zip_t*)> zip_{nullptr, zip_discard};
  QString folder_;
  std::map<QString, zip_uint64_t> entries_;
};

}  // namespace

FeedFiles::FeedFiles(std::unique_ptr<Source> source) : source_(std::move(source)) {}
FeedFiles::~FeedFiles() = default;
FeedFiles::FeedFiles(FeedFiles&&) noexcept = default;
FeedFiles& FeedFiles::operator=(FeedFiles&&) noexcept = default;

FeedFiles FeedFiles::open(const QString& path) {
  if (QFileInfo(path).isDir()) return FeedFiles(std::make_unique<FolderSource>(path));
  QByteArray zip;
  try {
    zip = readWholeFile(path, kMaxFeedFileBytes);
  } catch (const RuntimeError& e) {
    throw FeedError(fileFailure(path, e));
  }
  return fromZip(zip, path);
}

FeedFiles FeedFiles::fromZip(const QByteArray& zip, const QString& label) {
  return FeedFiles(std::make_unique<ZipSource>(zip, label));
}

FeedFiles FeedFiles::fromMemory(std::map<QString, QByteArray> files, const QString& label) {
  return FeedFiles(std::make_unique<MemorySource>(std::move(files), label));
}

std::optional<QByteArray> FeedFiles::read(const QString& name) const {
  return source_->read(name);
}
QString FeedFiles::label() const {
  return source_->label();
}
QString FeedFiles::label(const QString& name) const {
  return source_->label(name);
}

// ---- The feed ----

QString fileFailure(const QString& path, const RuntimeError& e) {
  return QStringLiteral("%1: %2 (%3)").arg(path, e.description(), QString::number(e.number()));
}

int parseTime(std::string_view t) {
  int parts[3] = {0, 0, 0};
  int part = 0, digits = 0;
  for (char c : t) {
    if (c == ':') {
      if (digits == 0 || ++part > 2 || (part > 1 && digits != 2)) return -1;
      digits = 0;
    } else if (c >= '0' && c <= '9' && digits < 3) {
      parts[part] = parts[part] * 10 + (c - '0');
      ++digits;
    } else {
      return -1;
    }
  }
  if (part == 0 || digits != 2 || parts[1] > 59 || parts[2] > 59) return -1;
  return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

namespace {

class FeedReader {
 public:
  FeedReader(const FeedFiles& files, Feed& feed) : files_(files), feed_(feed) {}

  void read(bool fares) {
    readStops();
    readRoutes();
    readTrips();
    readStopTimes();
    for (const Reference kind : {kParent, kTripRoute, kTimeTrip})
      if (ignored_[kind].count > 0) feed_.warnings << said(kind);
    if (ignored_[kTimeStop].count > 0) feed_.unknownStopsWarning = said(kTimeStop);
    if (fares) {
      try {
        readFares();
      } catch (const FeedError& e) {
        throw FeedError(e.message(), true);
      }
    }
    readTranslations();
  }

 private:
  // References no result needs: each kind said once, with how many more.
  enum Reference { kParent, kTripRoute, kTimeTrip, kTimeStop, kReferences };
  struct Ignored {
    QString first;
    int count = 0;
  };

  QString said(Reference kind) const {
    const Ignored& i = ignored_[kind];
    return i.first + (i.count > 1 ? kIgnoredMore.arg(i.count - 1) : QString());
  }

  std::optional<CsvTable> table(const QString& name, bool required) {
    const std::optional<QByteArray> bytes = files_.read(name);
    if (!bytes) {
      if (required) throw FeedError(kNoFile.arg(files_.label(name)));
      return std::nullopt;
    }
    bool shiftJis = false;
    QByteArray utf8 = csvBytesAsUtf8(*bytes, &shiftJis);
    if (shiftJis) feed_.warnings << kShiftJis.arg(files_.label(name));
    return CsvTable(std::move(utf8), files_.label(name));
  }

  int find(const IdIndex& index, std::string_view id, const CsvTable& t, const char* column,
           const char* file) {
    const auto it = index.find(id);
    if (it == index.end())
      throw FeedError(
          kUnknownId.arg(t.where(), QLatin1String(column), text(id), QLatin1String(file)));
    return it->second;
  }
  // The index of `id`, or -1 after noting it as ignored; `where()` names
  // the place, asked only then.
  template <typename Where>
  int findOrIgnore(const IdIndex& index, std::string_view id, const Where& where, Reference kind,
                   const char* column, const char* file) {
    const auto it = index.find(id);
    if (it != index.end()) return it->second;
    Ignored& i = ignored_[kind];
    if (i.count++ == 0)
      i.first = kIgnored.arg(where(), QLatin1String(column), text(id), QLatin1String(file));
    return -1;
  }
  void add(IdIndex& index, std::string_view id, int value, const CsvTable& t, const char* column) {
    if (!index.emplace(std::string(id), value).second)
      throw FeedError(kTwice.arg(t.where(), QLatin1String(column), text(id)));
  }
  int zone(std::string_view id) {
    const auto it = zoneIndex_.find(id);
    if (it != zoneIndex_.end()) return it->second;
    feed_.zones.emplace_back(id);
    return zoneIndex_.emplace(std::string(id), static_cast<int>(feed_.zones.size() - 1))
        .first->second;
  }

  void readStops() {
    CsvTable t = *table(QStringLiteral("stops.txt"), true);
    const int id = t.required("stop_id"), name = t.required("stop_name");
    const int zoneId = t.column("zone_id"), parent = t.column("parent_station");
    struct Parent {
      std::string id;
      QString where;
    };
    std::vector<Parent> parents;
    while (t.next()) {
      add(stopIndex_, t[id], static_cast<int>(feed_.stops.size()), t, "stop_id");
      Stop s;
      s.id = t[id];
      s.name = text(t[name]);
      s.line = t.line();
      if (!t[zoneId].empty()) s.zone = zone(t[zoneId]);
      feed_.stops.push_back(std::move(s));
      parents.push_back({std::string(t[parent]), t[parent].empty() ? QString() : t.where()});
    }
    for (std::size_t i = 0; i < parents.size(); ++i) {
      if (parents[i].id.empty()) continue;
      const int p = findOrIgnore(
          stopIndex_, parents[i].id, [&] { return parents[i].where; }, kParent, "parent_station",
          "stops.txt");
      if (p >= 0 && feed_.stops[i].zone < 0)
        feed_.stops[i].zone = feed_.stops[static_cast<std::size_t>(p)].zone;
    }
  }

  void readRoutes() {
    CsvTable t = *table(QStringLiteral("routes.txt"), true);
    const int id = t.required("route_id");
    const int names[] = {t.column("route_short_name"), t.column("route_long_name"),
                         t.column("jp_parent_route_id")};
    while (t.next()) {
      add(feed_.routeIndex, t[id], static_cast<int>(feed_.routes.size()), t, "route_id");
      Route r;
      r.id = t[id];
      QStringList parts;
      for (int c : names)
        if (!t[c].empty()) parts << text(t[c]);
      r.name = parts.join(QLatin1Char(' '));
      feed_.routes.push_back(std::move(r));
    }
  }

  void readTrips() {
    CsvTable t = *table(QStringLiteral("trips.txt"), true);
    const int route = t.required("route_id"), id = t.required("trip_id");
    const int direction = t.column("direction_id"), headsign = t.column("trip_headsign");
    const auto where = [&t] { return t.where(); };
    while (t.next()) {
      add(feed_.tripIndex, t[id], static_cast<int>(feed_.trips.size()), t, "trip_id");
      Trip trip;
      trip.route =
          findOrIgnore(feed_.routeIndex, t[route], where, kTripRoute, "route_id", "routes.txt");
      trip.id = t[id];
      trip.direction = t[direction];
      trip.headsign = text(t[headsign]);
      feed_.trips.push_back(std::move(trip));
    }
  }

  // A time that is given but cannot be read is noted against its trip.
  int time(const CsvTable& t, int column, int trip) {
    const std::string_view value = t[column];
    const int seconds = parseTime(value);
    if (seconds < 0 && !value.empty()) {
      BadTimes& bad = feed_.badTimes[trip];
      if (bad.count++ == 0) {
        bad.line = t.line();
        bad.first = text(value);
      }
    }
    return seconds;
  }

  void readStopTimes() {
    CsvTable t = *table(QStringLiteral("stop_times.txt"), true);
    const int trip = t.required("trip_id"), stop = t.required("stop_id");
    const int sequence = t.required("stop_sequence");
    const int arrival = t.column("arrival_time"), departure = t.column("departure_time");
    struct Row {
      int trip, sequence;
      StopTime time;
    };
    std::vector<Row> rows;
    IdIndex unknownStops;
    const IdIndex none;
    const auto where = [&t] { return t.where(); };
    while (t.next()) {
      Row r;
      r.trip = findOrIgnore(feed_.tripIndex, t[trip], where, kTimeTrip, "trip_id", "trips.txt");
      if (r.trip < 0) continue;
      const std::string_view seq = t[sequence];
      const auto [end, error] = std::from_chars(seq.data(), seq.data() + seq.size(), r.sequence);
      if (seq.empty() || error != std::errc() || end != seq.data() + seq.size() || r.sequence < 0)
        throw FeedError(kBadSequence.arg(t.where(), text(seq)));
      // A stop stops.txt lacks refuses only a route that goes there.
      const auto known = stopIndex_.find(t[stop]);
      if (known != stopIndex_.end()) {
        r.time.stop = known->second;
      } else {
        const auto [it, fresh] = unknownStops.try_emplace(
            std::string(t[stop]), static_cast<int>(feed_.unknownStops.size()));
        if (fresh)
          feed_.unknownStops.push_back(
              {std::string(t[stop]), kUnknownId.arg(t.where(), QStringLiteral("stop_id"),
                                                    text(t[stop]), QStringLiteral("stops.txt"))});
        findOrIgnore(none, t[stop], where, kTimeStop, "stop_id", "stops.txt");
        r.time.stop = -2 - it->second;
      }
      r.time.arrival = time(t, arrival, r.trip);
      r.time.departure = time(t, departure, r.trip);
      rows.push_back(r);
    }
    auto before = [](const Row& a, const Row& b) {
      return a.trip != b.trip ? a.trip < b.trip : a.sequence < b.sequence;
    };
    if (!std::is_sorted(rows.begin(), rows.end(), before))
      std::stable_sort(rows.begin(), rows.end(), before);
    feed_.times.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      Trip& tr = feed_.trips[static_cast<std::size_t>(rows[i].trip)];
      if (i == 0 || rows[i - 1].trip != rows[i].trip) tr.firstTime = i;
      tr.endTime = i + 1;
      feed_.times.push_back(rows[i].time);
    }
  }

  // The fares indexed once by origin, destination and route.
  void readFares() {
    feed_.hasFares = true;
    CsvTable a = *table(QStringLiteral("fare_attributes.txt"), true);
    const int fareId = a.required("fare_id"), price = a.required("price");
    IdIndex prices;
    while (a.next()) {
      const int yen = parsePrice(a[price]);
      if (yen < 0) throw FeedError(kBadPrice.arg(a.where(), text(a[price])));
      add(prices, a[fareId], yen, a, "fare_id");
    }
    CsvTable r = *table(QStringLiteral("fare_rules.txt"), true);
    const int id = r.required("fare_id"), route = r.column("route_id");
    const int origin = r.column("origin_id"), destination = r.column("destination_id");
    const int contains = r.column("contains_id");
    auto zoneOf = [this](std::string_view z) {
      if (z.empty()) return -1;
      const auto it = zoneIndex_.find(z);
      return it == zoneIndex_.end() ? -2 : it->second;
    };
    // Rows with contains_id that share fare_id, route, origin and
    // destination make one fare.
    std::map<std::pair<std::string, FareKey>, std::size_t, KeyLess> groups;
    auto addFare = [this](const FareKey& key, int price) {
      const auto [first, fresh] = feed_.firstFare.try_emplace(key, -1);
      feed_.fares.push_back({price, first->second, {}});
      first->second = static_cast<int>(feed_.fares.size() - 1);
      return feed_.fares.size() - 1;
    };
    while (r.next()) {
      const int yen = find(prices, r[id], r, "fare_id", "fare_attributes.txt");
      FareKey key{zoneOf(r[origin]), zoneOf(r[destination]), -1};
      if (!r[route].empty()) {
        const auto it = feed_.routeIndex.find(r[route]);
        key.route = it == feed_.routeIndex.end() ? -2 : it->second;
      }
      if (key.origin == -2 || key.destination == -2 || key.route == -2) continue;
      if (r[contains].empty()) {
        addFare(key, yen);
        continue;
      }
      const auto [g, fresh] = groups.try_emplace({std::string(r[id]), key}, 0);
      if (fresh) g->second = addFare(key, yen);
      std::vector<int>& zones = feed_.fares[g->second].contains;
      const int z = zoneOf(r[contains]);
      const auto at = std::lower_bound(zones.begin(), zones.end(), z);
      if (at == zones.end() || *at != z) zones.insert(at, z);
    }
  }
  struct KeyLess {
    bool operator()(const std::pair<std::string, FareKey>& a,
                    const std::pair<std::string, FareKey>& b) const {
      const auto tie = [](const std::pair<std::string, FareKey>& p) {
        return std::tie(p.first, p.second.origin, p.second.destination, p.second.route);
      };
      return tie(a) < tie(b);
    }
  };

  // Whole yen, decimals allowed ("210", "210.0"); -1 when it is none.
  static int parsePrice(std::string_view p) {
    const std::size_t dot = p.find('.');
    const std::string_view whole = p.substr(0, dot);
    int yen = -1;
    const auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), yen);
    if (whole.empty() || error != std::errc() || end != whole.data() + whole.size()) return -1;
    if (dot != std::string_view::npos) {
      const std::string_view fraction = p.substr(dot + 1);
      if (fraction.empty() || !std::all_of(fraction.begin(), fraction.end(),
                                           [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
      if (fraction[0] >= '5') ++yen;
    }
    return yen >= 0 && yen <= 32767 ? yen : -1;
  }

  // GTFS-JP's layout (trans_id is the text itself) or GTFS's.
  void readTranslations() {
    const QString name = QStringLiteral("translations.txt");
    std::optional<CsvTable> t = table(name, false);
    if (!t) {
      feed_.warnings << kNoReadingFile.arg(files_.label(name));
      return;
    }
    const int translation = t->column("translation");
    const int transId = t->column("trans_id"), lang = t->column("lang");
    const int tableName = t->column("table_name"), field = t->column("field_name");
    const int language = t->column("language"), record = t->column("record_id");
    const int value = t->column("field_value");
    const bool jp = transId >= 0 && lang >= 0 && translation >= 0;
    if (!jp && (tableName < 0 || field < 0 || language < 0 || translation < 0)) {
      feed_.warnings << kNoReadingColumns.arg(files_.label(name));
      return;
    }
    feed_.hasReadings = true;
    while (t->next()) {
      const QString reading = text((*t)[translation]);
      if (jp) {
        if (sameIgnoringCase((*t)[lang], "ja-Hrkt"))
          feed_.readingOfText.insert(text((*t)[transId]), reading);
        continue;
      }
      if (!sameIgnoringCase((*t)[language], "ja-Hrkt")) continue;
      const std::string_view table = (*t)[tableName], column = (*t)[field];
      const bool stopName = table == "stops" && column == "stop_name";
      const bool headsign = table == "trips" && column == "trip_headsign";
      if (!stopName && !headsign) continue;
      if (!(*t)[record].empty())
        (stopName ? feed_.readingOfStop : feed_.readingOfTrip)[std::string((*t)[record])] = reading;
      else if (!(*t)[value].empty())
        feed_.readingOfText.insert(text((*t)[value]), reading);
    }
  }

  const FeedFiles& files_;
  Feed& feed_;
  IdIndex stopIndex_, zoneIndex_;
  Ignored ignored_[kReferences];
};

}  // namespace

Feed readFeed(const FeedFiles& files, bool fares) {
  Feed feed;
  feed.label = files.label();
  for (const QString& name : kKnownFiles) feed.fileLabels.insert(name, files.label(name));
  FeedReader(files, feed).read(fares);
  return feed;
}

}  // namespace sorane::gtfs
