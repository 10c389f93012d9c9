#include "gtfs_feed.h"

#include <sys/stat.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>

#include "cp932.h"
#include "file_io.h"
#include "route_csv.h"
#include "utf8.h"

namespace sorane::gtfs {
namespace {

const QString kOpenQuote = QStringLiteral("%1:%2: 引用符 \" が閉じていません");
const QString kAfterQuote = QStringLiteral("%1:%2: 閉じた引用符の後に文字があります");
const QString kNul = QStringLiteral("%1:%2: NUL 文字 (0x00) があります");
const QString kLongRecord = QStringLiteral("%1:%2: 1 行が %3 バイトを超えます");
const QString kManyFields = QStringLiteral("%1:%2: 1 行の列が %3 を超えます");
const QString kManyRows = QStringLiteral("%1:%2: 行が %3 を超えます");
const QString kUtf16 =
    QStringLiteral("%1: UTF-16 で書かれているため読めません(UTF-8 で書いてください)");
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
const QString kOverTotal =
    QStringLiteral("%1: GTFSのファイルが合わせて上限の %2 バイトを超えます");
const QString kManyFolders =
    QStringLiteral("%1: GTFSのファイルがZIPの中の複数のフォルダー(%2)にあります");
const QString kTwiceInZip =
    QStringLiteral("%1: %2 が 2 つあります(ZIPの %3 番目と %4 番目)");
const QString kCaseTie = QStringLiteral("%1: %2 と %3 があり、どちらが %4 か決められません");
const QString kLinkOut =
    QStringLiteral("%1: フォルダーの外(%2)を指すシンボリックリンクのため読みません");
const QString kShiftJis = QStringLiteral("%1: UTF-8 ではないため Shift-JIS として読みました");
const QString kUnknownId = QStringLiteral("%1: %2「%3」が %4 にありません");
const QString kIgnored = QStringLiteral("%1: %2「%3」が %4 にありません(無視しました)");
const QString kIgnoredMore = QStringLiteral(" ほか %1 件");
const QString kManyUnknownStops =
    QStringLiteral("%1: stops.txt にない stop_id が %2 種類を超えます");
const QString kNoReadingFile = QStringLiteral("%1: ファイルがないため、停留所を名前のまま読みます");
const QString kTwice = QStringLiteral("%1: %2「%3」がもう一度あります");
const QString kBadSequence = QStringLiteral("%1: stop_sequence「%2」が 0 以上の整数ではありません");
const QString kBadPrice = QStringLiteral("%1: price「%2」が 0〜32767 円ではありません");
const QString kNoReadingColumns = QStringLiteral(
    "%1: 読みの列(trans_id,lang,translation か "
    "table_name,field_name,language,translation)がないため、読みを使いません");
const QString kCut = QStringLiteral("…");

const QStringList kKnownFiles = {
    QStringLiteral("routes.txt"),          QStringLiteral("trips.txt"),
    QStringLiteral("stop_times.txt"),      QStringLiteral("stops.txt"),
    QStringLiteral("fare_attributes.txt"), QStringLiteral("fare_rules.txt"),
    QStringLiteral("translations.txt")};

// How many rows each file may hold, so that a feed within the limits is
// read within about a gigabyte.
const QHash<QString, int> kRowLimits = {
    {QStringLiteral("routes.txt"), 100'000},           {QStringLiteral("trips.txt"), 2'000'000},
    {QStringLiteral("stop_times.txt"), 10'000'000},    {QStringLiteral("stops.txt"), 1'000'000},
    {QStringLiteral("fare_attributes.txt"), 1'000'000}, {QStringLiteral("fare_rules.txt"), 5'000'000},
    {QStringLiteral("translations.txt"), 2'000'000}};

// An unknown stop_id is kept for messages only, this long at the most.
constexpr qsizetype kShownIdLength = 200;

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

// The one of `names` that is `wanted`: exactly, else whatever its case.
// Two that tie are refused by `tie`, given their indexes.
std::optional<qsizetype> pickName(const QStringList& names, const QString& wanted,
                                  const std::function<void(qsizetype, qsizetype, bool)>& tie) {
  for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
    std::optional<qsizetype> found;
    for (qsizetype i = 0; i < names.size(); ++i) {
      if (names[i].compare(wanted, cs) != 0) continue;
      if (found) tie(*found, i, cs == Qt::CaseSensitive);
      found = i;
    }
    if (found) return found;
  }
  return std::nullopt;
}

}  // namespace

int feedRowLimit(const QString& file) {
  return kRowLimits.value(file, 1'000'000);
}

QString text(std::string_view v) {
  return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

QString shown(std::string_view v) {
  return shownText(text(v));
}

QString routeName(const Route& route) {
  QStringList parts;
  for (const std::string_view name : route.names)
    if (!name.empty()) parts << text(name);
  return parts.join(QLatin1Char(' '));
}

std::uint64_t zoneHash(int zone) {
  return seededHash(static_cast<std::uint64_t>(zone));
}

// ---- CSV ----

CsvReader::CsvReader(QByteArray bytes, QString label)
    : bytes_(std::move(bytes)), label_(std::move(label)) {
  p_ = bytes_.data();  // its own copy, as quoted fields are unescaped in place
  end_ = p_ + bytes_.size();
  if (bytes_.startsWith("\xEF\xBB\xBF")) p_ += 3;
}

void CsvReader::refuse(const QString& message, int line) const {
  throw FeedError(message.arg(label_, QString::number(line)));
}

// From an opening quote to the character after its closing one; the
// field's text, its "" made " where it stands.
std::string_view CsvReader::readQuoted() {
  ++p_;
  char* const start = p_;
  char* out = p_;
  for (;;) {
    char* q = static_cast<char*>(std::memchr(p_, '"', static_cast<size_t>(end_ - p_)));
    if (!q) refuse(kOpenQuote, line_);
    for (const char* c = p_; c < q; ++c) {
      if (*c == '\0') refuse(kNul, nextLine_);
      nextLine_ += *c == '\n' || (*c == '\r' && (c + 1 == q || c[1] != '\n'));
    }
    if (out != p_) std::memmove(out, p_, static_cast<size_t>(q - p_));
    out += q - p_;
    p_ = q + 1;
    if (p_ < end_ && *p_ == '"') {
      *out++ = '"';
      ++p_;
      continue;
    }
    return std::string_view(start, static_cast<std::size_t>(out - start));
  }
}

bool CsvReader::next() {
  for (;;) {
    if (p_ >= end_) return false;
    line_ = nextLine_;
    fields_.clear();
    const char* const record = p_;
    bool quotedAny = false;
    for (;;) {
      while (p_ < end_ && isBlank(*p_)) ++p_;
      std::string_view field;
      if (p_ < end_ && *p_ == '"') {
        quotedAny = true;
        field = readQuoted();
        while (p_ < end_ && isBlank(*p_)) ++p_;
        if (p_ < end_ && *p_ == '\0') refuse(kNul, nextLine_);
        if (p_ < end_ && *p_ != ',' && *p_ != '\n' && *p_ != '\r') refuse(kAfterQuote, nextLine_);
      } else {
        const char* start = p_;
        while (p_ < end_ && *p_ != ',' && *p_ != '\n' && *p_ != '\r' && *p_ != '\0') ++p_;
        if (p_ < end_ && *p_ == '\0') refuse(kNul, nextLine_);
        const char* stop = p_;
        while (stop > start && isBlank(stop[-1])) --stop;
        field = std::string_view(start, static_cast<std::size_t>(stop - start));
      }
      if (p_ - record > kMaxRecordBytes)
        throw FeedError(kLongRecord.arg(label_, QString::number(line_),
                                        QString::number(kMaxRecordBytes)));
      if (size() == kMaxFields)
        throw FeedError(
            kManyFields.arg(label_, QString::number(line_), QString::number(kMaxFields)));
      fields_.push_back(field);
      if (p_ < end_ && *p_ == ',') {
        ++p_;
        continue;
      }
      if (p_ < end_ && *p_ == '\r') ++p_;
      if (p_ < end_ && *p_ == '\n') ++p_;
      ++nextLine_;
      break;
    }
    if (fields_.size() == 1 && fields_[0].empty() && !quotedAny) continue;  // a blank line
    return true;
  }
}

CsvTable::CsvTable(QByteArray bytes, QString label) : reader_(std::move(bytes), std::move(label)) {
  if (!reader_.next()) throw FeedError(kNoHeader.arg(reader_.label()));
  for (qsizetype i = 0; i < reader_.size(); ++i) {
    std::string_view name = reader_[i];
    while (!name.empty() && isBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && isBlank(name.back())) name.remove_suffix(1);
    header_.push_back(name);
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
  explicit FolderSource(const QString& path) : dir_(path), label_(shownText(dir_.path())) {
    const QStringList entries = dir_.entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& known : kKnownFiles) {
      const auto found = pickName(entries, known, [&](qsizetype a, qsizetype b, bool) {
        throw FeedError(kCaseTie.arg(label_, shownText(entries[a]), shownText(entries[b]), known));
      });
      if (found) names_.insert(known, entries[*found]);
    }
  }
  std::optional<QByteArray> read(const QString& name) const override {
    const auto it = names_.find(name);
    if (it == names_.end()) return std::nullopt;
    QString path = dir_.filePath(*it);
    const QFileInfo info(path);
    if (info.isSymLink()) {
      // Followed only to a file inside the folder.
      const QString target = info.canonicalFilePath();
      if (target.isEmpty() || !target.startsWith(dir_.canonicalPath() + QLatin1Char('/')))
        throw FeedError(kLinkOut.arg(label(name), shownText(info.symLinkTarget())));
      path = target;
    }
    try {
      return readWholeFile(path, kMaxFeedFileBytes, Links::Refuse);
    } catch (const RuntimeError& e) {
      throw FeedError(fileFailure(label(name), e));
    }
  }
  QString label() const override { return label_; }
  QString label(const QString& name) const override {
    return label_ + QLatin1Char('/') + shownText(names_.value(name, name));
  }

 private:
  QDir dir_;
  QString label_;
  QHash<QString, QString> names_;  // known name -> its name in the folder
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
    return readEntry(it->index, label(name));
  }
  QString label() const override { return label_; }
  // "feed.zip: stops.txt": an entry, not a folder.
  QString label(const QString& name) const override {
    const auto it = entries_.find(name);
    return label_ + QStringLiteral(": ") + shownText(folder_) +
           (it == entries_.end() ? name : shownText(it->name));
  }

 private:
  struct Entry {
    QString name;  // in its folder
    zip_uint64_t index = 0;
  };

  // The known names at the top, or else in the one folder that has them.
  void findEntries() {
    std::map<QString, std::vector<Entry>> byFolder;
    const zip_int64_t count = zip_get_num_entries(zip_.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
      const char* raw = zip_get_name(zip_.get(), static_cast<zip_uint64_t>(i), 0);
      if (!raw) continue;
      const QString name = QString::fromUtf8(raw);
      const qsizetype slash = name.indexOf(QLatin1Char('/'));
      if (slash >= 0 && name.indexOf(QLatin1Char('/'), slash + 1) >= 0) continue;
      const QString base = name.mid(slash + 1);
      if (std::any_of(kKnownFiles.begin(), kKnownFiles.end(), [&](const QString& known) {
            return base.compare(known, Qt::CaseInsensitive) == 0;
          }))
        byFolder[name.left(slash + 1)].push_back({base, static_cast<zip_uint64_t>(i)});
    }
    if (byFolder.empty()) return;
    if (!byFolder.contains(QString()) && byFolder.size() > 1) {
      QStringList folders;
      for (const auto& [folder, files] : byFolder) folders << shownText(folder);
      throw FeedError(kManyFolders.arg(label_, folders.join(QStringLiteral("、"))));
    }
    const auto chosen = byFolder.contains(QString()) ? byFolder.find(QString()) : byFolder.begin();
    folder_ = chosen->first;
    const std::vector<Entry>& entries = chosen->second;
    QStringList names;
    for (const Entry& e : entries) names << e.name;
    for (const QString& known : kKnownFiles) {
      const auto found = pickName(names, known, [&](qsizetype a, qsizetype b, bool exact) {
        const QString first = shownText(folder_ + names[a]), second = shownText(folder_ + names[b]);
        throw FeedError(exact ? kTwiceInZip.arg(label_, first,
                                                QString::number(entries[a].index + 1),
                                                QString::number(entries[b].index + 1))
                              : kCaseTie.arg(label_, first, second, known));
      });
      if (found) entries_.insert(known, entries[*found]);
    }
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
  QHash<QString, Entry> entries_;  // by the known name
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
    throw FeedError(fileFailure(shownText(path), e));
  }
  return fromZip(zip, shownText(path));
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

// A CSV table of the feed that counts its rows against the file's limit.
class FeedTable : public CsvTable {
 public:
  FeedTable(QByteArray bytes, QString label, int limit)
      : CsvTable(std::move(bytes), std::move(label)), limit_(limit) {}
  // About how many rows it has, to make room for them at once.
  std::size_t estimatedRows() const {
    const auto lines = static_cast<std::size_t>(std::count(bytes().begin(), bytes().end(), '\n'));
    return std::min(lines, static_cast<std::size_t>(limit_));
  }
  bool next() {
    if (!CsvTable::next()) return false;
    if (++rows_ > limit_)
      throw FeedError(kManyRows.arg(label(), QString::number(line()), QString::number(limit_)));
    return true;
  }

 private:
  int limit_;
  int rows_ = 0;
};

class FeedReader {
 public:
  FeedReader(const FeedFiles& files, Feed& feed) : files_(files), feed_(feed) {}

  void read(bool fares) {
    readStops();
    readRoutes();
    readTrips();
    readStopTimes();
    groupTrips();
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

  std::optional<FeedTable> table(const QString& name, bool required) {
    std::optional<QByteArray> bytes = files_.read(name);
    if (!bytes) {
      if (required) throw FeedError(kNoFile.arg(files_.label(name)));
      return std::nullopt;
    }
    total_ += bytes->size();
    if (total_ > kMaxFeedBytes)
      throw FeedError(kOverTotal.arg(files_.label(), QString::number(kMaxFeedBytes)));
    if (looksLikeUtf16(*bytes)) throw FeedError(kUtf16.arg(files_.label(name)));
    // UTF-8 is read where it lies (the reader skips a byte-order mark); only
    // Shift-JIS is converted.
    QByteArray utf8 = std::move(*bytes);
    if (!utf8.startsWith("\xEF\xBB\xBF") && !utf8::isValid(utf8)) {
      utf8 = cp932::decodeToUtf8(utf8);
      feed_.warnings << kShiftJis.arg(files_.label(name));
    }
    return FeedTable(std::move(utf8), files_.label(name), feedRowLimit(name));
  }
  // The table's bytes stay with the feed once read: its texts view them.
  void hold(const FeedTable& t) { feed_.held.push_back(t.bytes()); }

  int find(const IdIndex& index, std::string_view id, const CsvTable& t, const char* column,
           const char* file) {
    const int* found = index.find(id);
    if (!found)
      throw FeedError(
          kUnknownId.arg(t.where(), QLatin1String(column), shown(id), QLatin1String(file)));
    return *found;
  }
  // The index of `id`, or -1 after noting it as ignored; `where()` names
  // the place, asked only then.
  template <typename Where>
  int findOrIgnore(const IdIndex& index, std::string_view id, const Where& where, Reference kind,
                   const char* column, const char* file) {
    if (const int* found = index.find(id)) return *found;
    Ignored& i = ignored_[kind];
    if (i.count++ == 0)
      i.first = kIgnored.arg(where(), QLatin1String(column), shown(id), QLatin1String(file));
    return -1;
  }
  void add(IdIndex& index, std::string_view id, int value, const CsvTable& t, const char* column) {
    if (!index.tryEmplace(id, value).second)
      throw FeedError(kTwice.arg(t.where(), QLatin1String(column), shown(id)));
  }
  int zone(std::string_view id) {
    const auto [index, fresh] = zoneIndex_.tryEmplace(id, static_cast<int>(feed_.zones.size()));
    if (fresh) feed_.zones.push_back(id);
    return *index;
  }

  void readStops() {
    FeedTable t = *table(QStringLiteral("stops.txt"), true);
    const int id = t.required("stop_id"), name = t.required("stop_name");
    const int zoneId = t.column("zone_id"), parent = t.column("parent_station");
    struct Parent {
      std::string_view id;
      int line;
    };
    std::vector<Parent> parents;
    const std::size_t rows = t.estimatedRows();
    parents.reserve(rows);
    feed_.stops.reserve(rows);
    stopIndex_.reserve(rows);
    zoneIndex_.reserve(rows);
    while (t.next()) {
      add(stopIndex_, t[id], static_cast<int>(feed_.stops.size()), t, "stop_id");
      Stop s;
      s.id = t[id];
      s.name = t[name];
      s.line = t.line();
      if (!t[zoneId].empty()) s.zone = zone(t[zoneId]);
      feed_.stops.push_back(s);
      parents.push_back({t[parent], t.line()});
    }
    hold(t);
    for (std::size_t i = 0; i < parents.size(); ++i) {
      if (parents[i].id.empty()) continue;
      const int p = findOrIgnore(
          stopIndex_, parents[i].id,
          [&] { return t.label() + QLatin1Char(':') + QString::number(parents[i].line); }, kParent,
          "parent_station", "stops.txt");
      if (p >= 0 && feed_.stops[i].zone < 0)
        feed_.stops[i].zone = feed_.stops[static_cast<std::size_t>(p)].zone;
    }
  }

  void readRoutes() {
    FeedTable t = *table(QStringLiteral("routes.txt"), true);
    const int id = t.required("route_id");
    const int names[] = {t.column("route_short_name"), t.column("route_long_name"),
                         t.column("jp_parent_route_id")};
    feed_.routes.reserve(t.estimatedRows());
    feed_.routeIndex.reserve(t.estimatedRows());
    while (t.next()) {
      add(feed_.routeIndex, t[id], static_cast<int>(feed_.routes.size()), t, "route_id");
      Route r;
      r.id = t[id];
      for (int i = 0; i < 3; ++i) r.names[i] = t[names[i]];
      feed_.routes.push_back(r);
    }
    hold(t);
  }

  void readTrips() {
    FeedTable t = *table(QStringLiteral("trips.txt"), true);
    const int route = t.required("route_id"), id = t.required("trip_id");
    const int direction = t.column("direction_id"), headsign = t.column("trip_headsign");
    const auto where = [&t] { return t.where(); };
    feed_.trips.reserve(t.estimatedRows());
    feed_.tripIndex.reserve(t.estimatedRows());
    while (t.next()) {
      add(feed_.tripIndex, t[id], static_cast<int>(feed_.trips.size()), t, "trip_id");
      Trip trip;
      trip.route =
          findOrIgnore(feed_.routeIndex, t[route], where, kTripRoute, "route_id", "routes.txt");
      trip.id = t[id];
      trip.direction = t[direction];
      trip.headsign = t[headsign];
      feed_.trips.push_back(trip);
    }
    hold(t);
  }

  // A time that is given but cannot be read is noted against its trip.
  int time(const CsvTable& t, int column, int trip) {
    const std::string_view value = t[column];
    const int seconds = parseTime(value);
    if (seconds < 0 && !value.empty()) {
      BadTimes& bad = feed_.badTimes[trip];
      if (bad.count++ == 0) {
        bad.line = t.line();
        bad.first = shown(value.substr(0, kShownIdLength));
      }
    }
    return seconds;
  }

  void readStopTimes() {
    FeedTable t = *table(QStringLiteral("stop_times.txt"), true);
    const int trip = t.required("trip_id"), stop = t.required("stop_id");
    const int sequence = t.required("stop_sequence");
    const int arrival = t.column("arrival_time"), departure = t.column("departure_time");
    struct Row {
      int trip, sequence;
      StopTime time;
    };
    std::vector<Row> rows;
    rows.reserve(t.estimatedRows());
    IdIndex unknownStops;  // views into this file, read whole before it goes
    const IdIndex none;
    const auto where = [&t] { return t.where(); };
    while (t.next()) {
      Row r;
      r.trip = findOrIgnore(feed_.tripIndex, t[trip], where, kTimeTrip, "trip_id", "trips.txt");
      if (r.trip < 0) continue;
      const std::string_view seq = t[sequence];
      const auto [end, error] = std::from_chars(seq.data(), seq.data() + seq.size(), r.sequence);
      if (seq.empty() || error != std::errc() || end != seq.data() + seq.size() || r.sequence < 0)
        throw FeedError(kBadSequence.arg(t.where(), shown(seq)));
      // A stop stops.txt lacks refuses only a route that goes there.
      if (const int* known = stopIndex_.find(t[stop])) {
        r.time.stop = *known;
      } else {
        const auto [index, fresh] =
            unknownStops.tryEmplace(t[stop], static_cast<int>(feed_.unknownStops.size()));
        if (fresh) {
          if (feed_.unknownStops.size() == kMaxUnknownStops)
            throw FeedError(kManyUnknownStops.arg(t.label(), QString::number(kMaxUnknownStops)));
          const QString id = shown(t[stop]);
          feed_.unknownStops.push_back(
              {id.size() > kShownIdLength ? id.left(kShownIdLength) + kCut : id, t.line()});
        }
        findOrIgnore(none, t[stop], where, kTimeStop, "stop_id", "stops.txt");
        r.time.stop = -2 - *index;
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

  // Trips by route and direction once, in trips.txt order within each.
  void groupTrips() {
    std::vector<int>& order = feed_.tripOrder;
    for (std::size_t i = 0; i < feed_.trips.size(); ++i)
      if (feed_.trips[i].route >= 0) order.push_back(static_cast<int>(i));
    const auto key = [this](int i) {
      const Trip& t = feed_.trips[static_cast<std::size_t>(i)];
      return std::tie(t.route, t.direction);
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
    for (std::size_t i = 0; i < order.size(); ++i) {
      const Trip& t = feed_.trips[static_cast<std::size_t>(order[i])];
      if (i == 0 || key(order[i - 1]) != key(order[i]))
        feed_.tripGroups.push_back({t.route, t.direction, i, i});
      feed_.tripGroups.back().end = i + 1;
    }
  }

  // The fares indexed once by origin, destination and route: those of
  // rules without contains_id as their distinct prices, those with it by
  // their zones as well.
  void readFares() {
    feed_.hasFares = true;
    FeedTable a = *table(QStringLiteral("fare_attributes.txt"), true);
    const int fareId = a.required("fare_id"), price = a.required("price");
    IdIndex prices;
    prices.reserve(a.estimatedRows());
    while (a.next()) {
      const int yen = parsePrice(a[price]);
      if (yen < 0) throw FeedError(kBadPrice.arg(a.where(), shown(a[price])));
      add(prices, a[fareId], yen, a, "fare_id");
    }
    FeedTable r = *table(QStringLiteral("fare_rules.txt"), true);
    const int id = r.required("fare_id"), route = r.column("route_id");
    const int origin = r.column("origin_id"), destination = r.column("destination_id");
    const int contains = r.column("contains_id");
    auto zoneOf = [this](std::string_view z) {
      if (z.empty()) return -1;
      const int* found = zoneIndex_.find(z);
      return found ? *found : -2;
    };
    std::vector<Plain> plain;
    std::vector<ContainsRow> containsRows;
    plain.reserve(r.estimatedRows());
    while (r.next()) {
      const int yen = find(prices, r[id], r, "fare_id", "fare_attributes.txt");
      FareKey key{zoneOf(r[origin]), zoneOf(r[destination]), -1};
      if (!r[route].empty()) {
        const int* found = feed_.routeIndex.find(r[route]);
        key.route = found ? *found : -2;
      }
      if (key.origin == -2 || key.destination == -2 || key.route == -2) continue;
      if (r[contains].empty())
        plain.push_back({key, yen});
      else
        containsRows.push_back({r[id], key, zoneOf(r[contains]), yen});
    }
    indexPlain(plain);
    indexContains(containsRows);
  }

  // Where fares apply and a price, in the order of their index.
  struct Plain {
    FareKey key;
    int price;
    auto tie() const { return std::tie(key.origin, key.destination, key.route, price); }
  };
  struct ContainsRow {
    std::string_view fare;
    FareKey key;
    int zone, price;
  };
  static unsigned shape(const FareKey& k) {
    return (k.origin >= 0 ? 4u : 0u) | (k.destination >= 0 ? 2u : 0u) | (k.route >= 0 ? 1u : 0u);
  }

  // Where each origin's entries begin in `entries`, sorted by origin.
  template <typename T, typename Origin>
  std::vector<std::uint32_t> byOrigin(const std::vector<T>& entries, Origin origin) const {
    std::vector<std::uint32_t> from(feed_.zones.size() + 2, 0);
    for (const T& e : entries) ++from[static_cast<std::size_t>(origin(e) + 2)];
    for (std::size_t i = 1; i < from.size(); ++i) from[i] += from[i - 1];
    return from;
  }

  void indexPlain(std::vector<Plain>& plain) {
    std::sort(plain.begin(), plain.end(),
              [](const Plain& x, const Plain& y) { return x.tie() < y.tie(); });
    plain.erase(std::unique(plain.begin(), plain.end(),
                            [](const Plain& x, const Plain& y) { return x.tie() == y.tie(); }),
                plain.end());
    feed_.plainKeys.reserve(plain.size());
    feed_.prices.reserve(plain.size());
    for (const Plain& p : plain) {
      feed_.plainKeys.push_back(p.key);
      feed_.prices.push_back(p.price);
      feed_.plainShapes |= 1u << shape(p.key);
    }
    feed_.plainFrom = byOrigin(plain, [](const Plain& p) { return p.key.origin; });
  }

  // Rows that share fare_id, route, origin and destination make one fare;
  // fares of the same place and zones become one with all their prices.
  void indexContains(std::vector<ContainsRow>& rows) {
    const auto group = [](const ContainsRow& x) {
      return std::tie(x.fare, x.key.origin, x.key.destination, x.key.route);
    };
    std::sort(rows.begin(), rows.end(),
              [&](const ContainsRow& x, const ContainsRow& y) { return group(x) < group(y); });
    struct Made {
      ContainsKey key;
      Span zones;
      int price;
    };
    std::vector<Made> made;
    std::vector<int>& zones = feed_.containsZones;
    for (std::size_t i = 0; i < rows.size();) {
      std::size_t end = i;
      const std::size_t begin = zones.size();
      while (end < rows.size() && group(rows[end]) == group(rows[i]))
        zones.push_back(rows[end++].zone);
      const auto first = zones.begin() + static_cast<std::ptrdiff_t>(begin);
      std::sort(first, zones.end());
      zones.erase(std::unique(first, zones.end()), zones.end());
      // A zone no stop has (-2) is never passed: no ride takes the fare.
      if (zones[begin] < 0) {
        zones.resize(begin);
      } else {
        ContainsKey key{rows[i].key, 0, static_cast<int>(zones.size() - begin)};
        for (std::size_t k = begin; k < zones.size(); ++k) key.zones += zoneHash(zones[k]);
        made.push_back(
            {key, {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(key.count)},
             rows[i].price});
      }
      i = end;
    }
    const auto zonesOf = [&](const Made& m) {
      return std::basic_string_view<int>(zones.data() + m.zones.begin, m.zones.count);
    };
    const auto place = [&](const Made& m) {
      return std::make_tuple(m.key.key.origin, m.key.key.destination, m.key.key.route, m.key.zones,
                             m.key.count, zonesOf(m), m.price);
    };
    std::sort(made.begin(), made.end(),
              [&](const Made& x, const Made& y) { return place(x) < place(y); });
    for (std::size_t i = 0; i < made.size(); ++i) {
      const bool same = i > 0 && made[i - 1].key == made[i].key &&
                        zonesOf(made[i - 1]) == zonesOf(made[i]);
      if (!same) {
        feed_.containsFares.push_back(
            {made[i].key, made[i].zones, {static_cast<std::uint32_t>(feed_.prices.size()), 0}});
        feed_.containsShapes |= 1u << shape(made[i].key.key);
      } else if (made[i - 1].price == made[i].price) {
        continue;
      }
      feed_.prices.push_back(made[i].price);
      ++feed_.containsFares.back().prices.count;
    }
    feed_.containsFrom =
        byOrigin(feed_.containsFares, [](const ContainsFare& f) { return f.key.key.origin; });
  }

  // Whole yen, decimals allowed ("210", "210.0"); -1 when it is none.
  static int parsePrice(std::string_view p) {
    const std::size_t dot = p.find('.');
    const std::string_view whole = p.substr(0, dot);
    const auto digits = [](std::string_view s) {
      return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    // Digits only: "-0.5" is not a price of 1 yen, nor "-0.4" one of 0.
    if (whole.empty() || !digits(whole)) return -1;
    int yen = -1;
    const auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), yen);
    if (error != std::errc() || end != whole.data() + whole.size()) return -1;
    if (dot != std::string_view::npos) {
      const std::string_view fraction = p.substr(dot + 1);
      if (fraction.empty() || !digits(fraction)) return -1;
      if (fraction[0] >= '5') ++yen;
    }
    return yen >= 0 && yen <= 32767 ? yen : -1;
  }

  // GTFS-JP's layout (trans_id is the text itself) or GTFS's.
  void readTranslations() {
    const QString name = QStringLiteral("translations.txt");
    std::optional<FeedTable> t = table(name, false);
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
      const std::string_view reading = (*t)[translation];
      if (jp) {
        if (sameIgnoringCase((*t)[lang], "ja-Hrkt")) feed_.readingOfText[(*t)[transId]] = reading;
        continue;
      }
      if (!sameIgnoringCase((*t)[language], "ja-Hrkt")) continue;
      const std::string_view table = (*t)[tableName], column = (*t)[field];
      const bool stopName = table == "stops" && column == "stop_name";
      const bool headsign = table == "trips" && column == "trip_headsign";
      if (!stopName && !headsign) continue;
      if (!(*t)[record].empty())
        (stopName ? feed_.readingOfStop : feed_.readingOfTrip)[(*t)[record]] = reading;
      else if (!(*t)[value].empty())
        feed_.readingOfText[(*t)[value]] = reading;
    }
    hold(*t);
  }

  const FeedFiles& files_;
  Feed& feed_;
  IdIndex stopIndex_, zoneIndex_;
  Ignored ignored_[kReferences];
  qint64 total_ = 0;
};

}  // namespace

QString unknownStopRefusal(const Feed& feed, const UnknownStop& stop) {
  return kUnknownId.arg(feed.fileLabels[QStringLiteral("stop_times.txt")] + QLatin1Char(':') +
                            QString::number(stop.line),
                        QStringLiteral("stop_id"), stop.id, QStringLiteral("stops.txt"));
}

Span plainPrices(const Feed& feed, const FareKey& key) {
  const std::size_t o = static_cast<std::size_t>(key.origin + 1);
  if (o + 1 >= feed.plainFrom.size()) return {};
  const FareKey* all = feed.plainKeys.data();
  const auto [from, to] = std::equal_range(
      all + feed.plainFrom[o], all + feed.plainFrom[o + 1], key,
      [](const FareKey& x, const FareKey& y) {
        return std::tie(x.destination, x.route) < std::tie(y.destination, y.route);
      });
  return {static_cast<std::uint32_t>(from - all), static_cast<std::uint32_t>(to - from)};
}

std::pair<const ContainsFare*, const ContainsFare*> containsFaresFor(const Feed& feed,
                                                                    const ContainsKey& key) {
  const std::size_t o = static_cast<std::size_t>(key.key.origin + 1);
  if (o + 1 >= feed.containsFrom.size()) return {};
  const auto place = [](const ContainsKey& k) {
    return std::tie(k.key.destination, k.key.route, k.zones, k.count);
  };
  struct Less {
    decltype(place) p;
    bool operator()(const ContainsFare& f, const ContainsKey& k) const { return p(f.key) < p(k); }
    bool operator()(const ContainsKey& k, const ContainsFare& f) const { return p(k) < p(f.key); }
  };
  const ContainsFare* all = feed.containsFares.data();
  return std::equal_range(all + feed.containsFrom[o], all + feed.containsFrom[o + 1], key,
                          Less{place});
}

Feed readFeed(const FeedFiles& files, bool fares) {
  Feed feed;
  feed.label = files.label();
  for (const QString& name : kKnownFiles) feed.fileLabels.insert(name, files.label(name));
  FeedReader(files, feed).read(fares);
  return feed;
}

}  // namespace sorane::gtfs
