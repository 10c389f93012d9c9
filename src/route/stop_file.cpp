#include "stop_file.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>

#include "gtfs_feed.h"
#include "route_csv.h"
#include "utf8.h"

namespace sorane {
namespace {

const QString kStop = QStringLiteral("stop");
const QString kName = QStringLiteral("name");
const QString kTime = QStringLiteral("time");
const QString kEnSource = QStringLiteral("en_source");
const QString kMadeSource = QStringLiteral("made");
const QString kFeedSource = QStringLiteral("feed");
const QString kIc = QStringLiteral("ic%1");
const std::array<QString, kStopLanguages> kLanguageColumns = {
    QStringLiteral("reading"), QStringLiteral("en"), QStringLiteral("zh-Hans"),
    QStringLiteral("zh-Hant"), QStringLiteral("ko")};

const QString kWhere = QStringLiteral("%1:%2: %3");
const QString kWholeFile = QStringLiteral("%1: %2");
const QString kNoHeader = QStringLiteral("列の名前の行がありません");
const QString kNoStopColumn = QStringLiteral("列「stop」がありません");
const QString kTwice = QStringLiteral("列「%1」が2つあります");
const QString kBadUtf8 = QStringLiteral("UTF-8 として読めないバイトがあります");
const QString kShiftJis = QStringLiteral("UTF-8 ではないため Shift-JIS として読みました");
const QString kTooManyFields = QStringLiteral("項目が %1 個あり、列の名前(%2 個)より多くあります");
const QString kBadStop = QStringLiteral("stop「%1」が停留所の番号(1〜%2)ではありません");
const QString kPastLastStop = QStringLiteral("stop %1 は運賃データの停留所数 %2 を超えます");
const QString kOutOfOrder = QStringLiteral("stop %1 が前の行の stop %2 より後の番号ではありません");
const QString kBadTime = QStringLiteral("time「%1」が H:MM か HH:MM の時刻ではありません");
const QString kBadFare = QStringLiteral("ic%1「%2」が 0〜32767 円ではありません");
const QString kTooLong = QStringLiteral("列「%1」が長すぎます(%2 バイト、最大 %3 バイト)");
const QString kNameDiffers =
    QStringLiteral("name「%1」が運賃データの %2 件目の停留所名「%3」と違います");

QString text(std::string_view v) {
  return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

// Digits only, no sign, no blanks: the value, or nothing.
std::optional<int> plainNumber(const QString& s, int max) {
  if (s.isEmpty() || s.size() > 6) return std::nullopt;
  int n = 0;
  for (const QChar c : s) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + (c.unicode() - u'0');
  }
  return n <= max ? std::optional<int>(n) : std::nullopt;
}

std::optional<int> parseTime(const QString& s) {
  const qsizetype colon = s.indexOf(QLatin1Char(':'));
  if (colon < 1 || colon > 2 || s.size() != colon + 3) return std::nullopt;
  const std::optional<int> h = plainNumber(s.left(colon), 99);
  const std::optional<int> m = plainNumber(s.mid(colon + 1), 59);
  if (!h || !m) return std::nullopt;
  return *h * 60 + *m;
}

// A field written so that the reader gets it back: quoted when it holds a
// comma, a quote, a line break or blanks at an end.
QByteArray csvField(const QString& value) {
  const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
                     value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
                     value != value.trimmed();
  QByteArray bytes = value.toUtf8();
  if (!quote) return bytes;
  return '"' + bytes.replace('"', "\"\"") + '"';
}

// What each known column of a file is: a language, the time, an IC cell.
struct Column {
  enum Kind { Stop, Name, Language, EnSource, Time, Ic } kind;
  int index = 0;  // the language, or the IC cell 1..32
};

std::optional<Column> knownColumn(const QString& name) {
  if (name == kStop) return Column{Column::Stop};
  if (name == kName) return Column{Column::Name};
  if (name == kTime) return Column{Column::Time};
  if (name == kEnSource) return Column{Column::EnSource};
  for (int i = 0; i < kStopLanguages; ++i)
    if (name == kLanguageColumns[static_cast<std::size_t>(i)]) return Column{Column::Language, i};
  if (name.startsWith(QLatin1String("ic"))) {
    const std::optional<int> cell = plainNumber(name.mid(2), kIcCells);
    if (cell && *cell >= 1 && !name.mid(2).startsWith(QLatin1Char('0')))
      return Column{Column::Ic, *cell};
  }
  return std::nullopt;
}

class Reader {
 public:
  Reader(const QStringList& routeNames, const QString& label) : names_(routeNames), label_(label) {}

  StopFile read(const QByteArray& bytes) {
    try {
      readAll(bytes);
    } catch (const gtfs::FeedError& e) {
      // The CSV reader's own message already names the file and the line.
      failWith(StopFileIssue{reader_ ? reader_->line() : 0, e.message()});
    }
    if (!file_.error) file_.stops = RouteStops(std::move(rows_));
    return std::move(file_);
  }

 private:
  struct Failed {};

  // Line 0: the whole file.
  StopFileIssue issue(int line, const QString& what) const {
    if (line == 0) return {0, kWholeFile.arg(label_, what)};
    return {line, kWhere.arg(label_).arg(line).arg(what)};
  }
  [[noreturn]] void fail(int line, const QString& what) {
    failWith(issue(line, what));
    throw Failed{};
  }
  void failWith(StopFileIssue e) {
    file_.error = std::move(e);
    file_.warnings.clear();
    rows_.clear();
  }

  void readAll(const QByteArray& raw) {
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
      if (!utf8::isValid(bytes.mid(3))) return failWith(issue(0, kBadUtf8));
    } else if (!utf8::isValid(bytes)) {
      file_.warnings.push_back(issue(0, kShiftJis));
      bytes = csvBytesAsUtf8(bytes);
    }
    try {
      reader_.emplace(bytes, label_);
      readHeader();
      while (reader_->next()) readRow();
    } catch (const Failed&) {
    }
  }

  void readHeader() {
    if (!reader_->next()) fail(1, kNoHeader);
    for (qsizetype i = 0; i < reader_->size(); ++i) {
      const QString name = text((*reader_)[i]);
      const std::optional<Column> c = knownColumn(name);
      if (!c) {
        if (!name.isEmpty()) file_.ignoredColumns << name;
        columns_.push_back(std::nullopt);
        continue;
      }
      if (file_.columns.contains(name)) fail(reader_->line(), kTwice.arg(name));
      if (c->kind == Column::Stop) stopColumn_ = i;
      file_.columns << name;
      columns_.push_back(c);
    }
    if (!file_.columns.contains(kStop)) fail(reader_->line(), kNoStopColumn);
  }

  void readRow() {
    const int line = reader_->line();
    if (reader_->size() > static_cast<qsizetype>(columns_.size()))
      fail(line, kTooManyFields.arg(reader_->size()).arg(columns_.size()));
    StopInfo row;
    row.stop = stopNumber(line, text((*reader_)[stopColumn_]));
    for (qsizetype i = 0; i < reader_->size(); ++i) {
      const std::optional<Column>& c = columns_[static_cast<std::size_t>(i)];
      if (!c) continue;
      const std::string_view raw = (*reader_)[i];
      const QString value = text(raw);
      if (raw.size() > static_cast<std::size_t>(kMaxStopTextBytes))
        fail(line, kTooLong.arg(columnName(*c)).arg(raw.size()).arg(kMaxStopTextBytes));
      switch (c->kind) {
        case Column::Stop:
          break;
        case Column::Name:
          row.name = value;
          break;
        case Column::Language:
          row.names[static_cast<std::size_t>(c->index)] = value;
          break;
        case Column::EnSource:
          row.englishMade = value == kMadeSource;
          break;
        case Column::Time:
          if (value.isEmpty()) break;
          row.minutes = parseTime(value);
          if (!row.minutes) fail(line, kBadTime.arg(value));
          break;
        case Column::Ic: {
          if (value.isEmpty()) break;
          const std::optional<int> fare = plainNumber(value, 32767);
          if (!fare) fail(line, kBadFare.arg(c->index).arg(value));
          row.ic[static_cast<std::size_t>(c->index - 1)] = static_cast<std::int16_t>(*fare);
          break;
        }
      }
    }
    const QString routeName = names_[row.stop - 1];
    if (!row.name.isEmpty() && row.name != routeName.trimmed())
      file_.warnings.push_back(
          issue(line, kNameDiffers.arg(row.name).arg(row.stop).arg(routeName)));
    rows_.push_back(std::move(row));
  }

  int stopNumber(int line, const QString& value) {
    const std::optional<int> n = plainNumber(value, kRouteRows + 1);
    if (!n || *n < 1) fail(line, kBadStop.arg(value).arg(names_.size()));
    if (*n > names_.size()) fail(line, kPastLastStop.arg(*n).arg(names_.size()));
    if (!rows_.empty() && *n <= rows_.back().stop)
      fail(line, kOutOfOrder.arg(*n).arg(rows_.back().stop));
    return *n;
  }

  static QString columnName(const Column& c) {
    switch (c.kind) {
      case Column::Stop:
        return kStop;
      case Column::Name:
        return kName;
      case Column::Time:
        return kTime;
      case Column::EnSource:
        return kEnSource;
      case Column::Language:
        return kLanguageColumns[static_cast<std::size_t>(c.index)];
      case Column::Ic:
        return kIc.arg(c.index);
    }
    return {};
  }

  const QStringList& names_;
  const QString& label_;
  std::optional<gtfs::CsvReader> reader_;
  std::vector<std::optional<Column>> columns_;
  qsizetype stopColumn_ = -1;
  std::vector<StopInfo> rows_;
  StopFile file_;
};

}  // namespace

QString stopLanguageColumn(StopLanguage language) {
  return kLanguageColumns[static_cast<std::size_t>(language)];
}

RouteStops::RouteStops(std::vector<StopInfo> rows) : rows_(std::move(rows)) {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const int stop = rows_[i].stop;
    if (stop < 1) continue;
    if (index_.size() < static_cast<std::size_t>(stop))
      index_.resize(static_cast<std::size_t>(stop));
    index_[static_cast<std::size_t>(stop - 1)] = static_cast<int>(i) + 1;
  }
}

const StopInfo* RouteStops::row(int row) const {
  if (row < 1 || row > static_cast<int>(index_.size())) return nullptr;
  const int at = index_[static_cast<std::size_t>(row - 1)];
  return at ? &rows_[static_cast<std::size_t>(at - 1)] : nullptr;
}

QString RouteStops::name(int r, StopLanguage language) const {
  const StopInfo* info = row(r);
  return info ? info->names[static_cast<std::size_t>(language)] : QString();
}

std::optional<int> RouteStops::minutes(int r) const {
  const StopInfo* info = row(r);
  return info ? info->minutes : std::nullopt;
}

std::optional<int> RouteStops::icFare(int r, int cell) const {
  const StopInfo* info = row(r);
  if (!info || cell < 1 || cell > kIcCells) return std::nullopt;
  const std::optional<std::int16_t> fare = info->ic[static_cast<std::size_t>(cell - 1)];
  return fare ? std::optional<int>(*fare) : std::nullopt;
}

bool RouteStops::has(StopLanguage language) const {
  return std::any_of(rows_.begin(), rows_.end(), [language](const StopInfo& r) {
    return !r.names[static_cast<std::size_t>(language)].isEmpty();
  });
}

bool RouteStops::hasTimes() const {
  return std::any_of(rows_.begin(), rows_.end(),
                     [](const StopInfo& r) { return r.minutes.has_value(); });
}

bool RouteStops::hasIcFares() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const StopInfo& r) {
    return std::any_of(r.ic.begin(), r.ic.end(), [](const auto& f) { return f.has_value(); });
  });
}

StopFile parseStopFile(const QByteArray& bytes, const QStringList& routeNames,
                       const QString& label) {
  return Reader(routeNames, label).read(bytes);
}

QStringList stopFileColumns(int icCells) {
  QStringList columns{kStop, kName};
  for (const QString& language : kLanguageColumns) columns << language;
  columns << kTime;
  for (int cell = 1; cell <= std::clamp(icCells, 0, kIcCells); ++cell) columns << kIc.arg(cell);
  return columns;
}

QStringList importedStopFileColumns(int icCells) {
  QStringList columns = stopFileColumns(icCells);
  columns.insert(columns.indexOf(kLanguageColumns[1]) + 1, kEnSource);
  return columns;
}

QByteArray encodeStopFile(const std::vector<StopInfo>& rows, const QStringList& columns) {
  QByteArray out("\xEF\xBB\xBF");
  QByteArrayList fields;
  for (const QString& c : columns) fields << csvField(c);
  out += fields.join(',') + "\r\n";
  for (const StopInfo& row : rows) {
    fields.clear();
    for (const QString& name : columns) {
      const std::optional<Column> c = knownColumn(name);
      QString value;
      if (c) {
        switch (c->kind) {
          case Column::Stop:
            value = QString::number(row.stop);
            break;
          case Column::Name:
            value = row.name;
            break;
          case Column::Language:
            value = row.names[static_cast<std::size_t>(c->index)];
            break;
          case Column::EnSource:
            if (!row.names[static_cast<std::size_t>(StopLanguage::English)].isEmpty())
              value = row.englishMade ? kMadeSource : kFeedSource;
            break;
          case Column::Time:
            if (row.minutes) value = stopTimeText(*row.minutes);
            break;
          case Column::Ic:
            if (const auto fare = row.ic[static_cast<std::size_t>(c->index - 1)])
              value = QString::number(*fare);
            break;
        }
      }
      fields << csvField(value);
    }
    out += fields.join(',') + "\r\n";
  }
  return out;
}

QByteArray stopFileTemplate(const std::vector<RouteRow>& rows) {
  std::vector<StopInfo> stops;
  int tickets = 1;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    StopInfo s;
    s.stop = static_cast<int>(i) + 1;
    s.name = rows[i].StopName;
    stops.push_back(s);
    tickets = std::max<int>(tickets, rows[i].Values[0]);
  }
  return encodeStopFile(stops, stopFileColumns(tickets));
}

QString stopFilePathBeside(const QString& farePath) {
  const QFileInfo info(farePath);
  const QString base = info.completeBaseName();
  const QString dir = info.path();
  return (dir == QLatin1String(".") && !farePath.startsWith(QLatin1String("./"))
              ? QString()
              : dir + QLatin1Char('/')) +
         base + QStringLiteral(".stops.csv");
}

QString stopTimeText(int minutes) {
  return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace sorane
