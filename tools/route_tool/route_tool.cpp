#include "route_tool.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <optional>

#include "file_io.h"
#include "gtfs_import.h"
#include "route_check.h"
#include "route_csv.h"
#include "runtime_error.h"
#include "stop_file.h"
#include "tape_file.h"

namespace sorane::routetool {
namespace {

const QString kUsage = QStringLiteral(
    "使い方:\n"
    "  sorane-route to-hy3 路線.csv 1.hy3   CSV (UTF-8 か Shift-JIS) から運賃データを作る\n"
    "  sorane-route to-csv 1.hy3 路線.csv   運賃データを CSV (UTF-8) に戻す\n"
    "  sorane-route check 1.hy3             運賃データを調べる\n"
    "  sorane-route check 路線.csv          運賃の CSV "
    "か放送用データ(1tp.csv)を中身で見分けて調べる\n"
    "  sorane-route check --fares|--tape ファイル   種類を指定して調べる\n"
    "      (1.hy3 や 1.csv の横に停留所ファイル 1.stops.csv があれば、それも調べる)\n"
    "  sorane-route check 1.stops.csv       停留所ファイルを横の 1.hy3 (なければ 1.csv) "
    "と合わせて調べる\n"
    "  sorane-route stops 1.hy3             記入用の停留所ファイル 1.stops.csv を作る\n"
    "  sorane-route gtfs-routes 路線データ.zip|フォルダー [--no-fares]\n"
    "      GTFS-JP の路線と方向ごとに、停留所と便の数、名前、起点 → 終点、整理券番号の数を示す\n"
    "  sorane-route from-gtfs 路線データ.zip|フォルダー --route 路線ID [--direction 0|1]\n"
    "      [--trip 便ID] [--tickets auto|per-stop|by-fare] [--times] [--no-fares]\n"
    "      --number 系統番号 --out フォルダー\n"
    "      GTFS-JP の路線から 系統番号.hy3、系統番号tp.csv、系統番号.csv を作る\n"
    "CSV の1行は "
    "停留所名,整理券番号,運賃1,…,運賃32[,列33,…,列150]。#で始まる行は読み飛ばす。\n");

static_assert(gtfs::kMaxTapeBytes == kMaxTapeFileBytes, "an import writes the tapes it reads");

const QString kStopsSuffix = QStringLiteral(".stops.csv");

// A route as CSV text is a few times its fare file at the most.
constexpr qint64 kMaxCsvBytes = 4 * kMaxRouteFileBytes;

enum class Kind { FareFile, FareCsv, Tape };

const QString kBadOption = QStringLiteral("sorane-route: %1 は使えません\n");
const QString kNeedsValue = QStringLiteral("sorane-route: %1 の後に値がありません\n");
const QString kBadValue = QStringLiteral("sorane-route: %1 に「%2」は使えません(%3)\n");
const QString kMissing = QStringLiteral("sorane-route: %1 がありません\n");
const QString kMade = QStringLiteral("%1 停留所、整理券番号 %2 まで");
const QString kTapeMade = QStringLiteral("放送 %1 件 (%2)");
const QString kCsvMade = QStringLiteral("運賃の CSV (手で直したら to-hy3 で運賃データに)");
const QString kNoFaresHint = QStringLiteral("(--no-fares なら運賃 0 で停留所を取り込めます)");
const QString kStopsMade =
    QStringLiteral("停留所ファイル (停留所 %1 件の番号と名前。ほかの列は空なので書き込んで下さい)");
const QString kStopsExist = QStringLiteral("もうあるため、作りません(書き直すなら消してから)");
const QString kStopsChecked = QStringLiteral("停留所ファイルとして調べます");
const QString kStopsSummary = QStringLiteral("%1 行 (運賃データの停留所は %2 件)、列: %3");
const QString kStopsIgnored = QStringLiteral("使わない列: %1");
const QString kIcColumns = QStringLiteral("IC運賃 %1 列");
const QString kNoFareBeside =
    QStringLiteral("横に %1 も %2 もないため、停留所の数と名前を確かめられません");

// The command line of the GTFS commands: the feed, then options with their
// values and flags alone.
struct GtfsArgs {
  QString feed;
  QHash<QString, QString> values;
  QSet<QString> flags;
};

class Runner {
 public:
  ToolRun run(const QStringList& args) {
    if (args.size() == 3 && args[0] == "to-hy3") return finish(toHy3(args[1], args[2]));
    if (args.size() == 3 && args[0] == "to-csv") return finish(toCsv(args[1], args[2]));
    if (args.size() == 2 && args[0] == "check") return finish(check(args[1], std::nullopt));
    if (args.size() == 3 && args[0] == "check" && args[1] == "--fares")
      return finish(check(args[2], args[2].endsWith(QStringLiteral(".hy3"), Qt::CaseInsensitive)
                                       ? Kind::FareFile
                                       : Kind::FareCsv));
    if (args.size() == 3 && args[0] == "check" && args[1] == "--tape")
      return finish(check(args[2], Kind::Tape));
    if (args.size() == 2 && args[0] == "stops") return finish(stops(args[1]));
    if (!args.isEmpty() && args[0] == "gtfs-routes") return finish(gtfsRoutes(args.mid(1)));
    if (!args.isEmpty() && args[0] == "from-gtfs") return finish(fromGtfs(args.mid(1)));
    result_.err = kUsage;
    return finish(2);
  }

 private:
  ToolRun finish(int status) {
    result_.status = status;
    return result_;
  }
  void say(const QString& path, const QString& line) { result_.out += path + ": " + line + "\n"; }
  void fail(const QString& path, const QString& line) { result_.err += path + ": " + line + "\n"; }

  void fail(const QString& path, const RuntimeError& e) {
    result_.err += gtfs::fileFailure(path, e) + QLatin1Char('\n');
  }
  // A file's bytes, or nothing after saying, with its name, why not; a
  // text file in UTF-16 is refused.
  std::optional<QByteArray> read(const QString& path, qint64 maxBytes, bool text) {
    try {
      return text ? readTextFile(path, maxBytes) : readWholeFile(path, maxBytes);
    } catch (const RuntimeError& e) {
      fail(path, e);
      return std::nullopt;
    }
  }
  bool write(const QString& path, const QByteArray& bytes) { return writeAll({{path, bytes}}); }
  // All the files or, on failure, none of them changed.
  bool writeAll(const std::vector<FileToWrite>& files) {
    qsizetype failed = 0;
    try {
      writeFilesAtomically(files, &failed);
      return true;
    } catch (const RuntimeError& e) {
      fail(files[static_cast<std::size_t>(failed)].path, e);
      return false;
    }
  }

  // A ".hy3" is a fare file; a CSV whose first line of data has the columns
  // of a route is a fare CSV, any other an announcement file.
  static Kind guess(const QString& path, const QByteArray& bytes) {
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) return Kind::FareFile;
    Kind kind = Kind::Tape;
    forEachLine(decodeCsvText(bytes), [&](const QString& text, int) {
      const QString line = text.trimmed();
      if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) return true;
      bool ok = false;
      if (splitCsvLine(line, &ok, 4).size() > 3) kind = Kind::FareCsv;
      return false;
    });
    return kind;
  }

  // A fare CSV as to-hy3 reads it, judged as the fare file it makes: what
  // check says of it, and whether the program would take the file.
  struct FareCsv {
    std::vector<RouteRow> rows;
    QStringList report;
    bool parsed = false;  // the rows read, whether or not they make a usable file
    bool ok = false;
  };
  static FareCsv judge(const QByteArray& bytes) {
    FareCsv csv;
    QString error;
    if (routeFromCsv(bytes, csv.rows, error)) {
      csv.parsed = true;
      csv.report = checkRouteFile(encodeRouteFile(csv.rows), &csv.ok);
    } else {
      csv.report << error;
    }
    return csv;
  }

  // The rows of a fare CSV or of a usable fare file; nothing after saying,
  // with the file's name, why not.
  std::optional<std::vector<RouteRow>> csvRows(const QString& path) {
    const std::optional<QByteArray> bytes = read(path, kMaxCsvBytes, true);
    if (!bytes) return std::nullopt;
    FareCsv csv = judge(*bytes);
    if (csv.parsed) return std::move(csv.rows);
    for (const QString& line : csv.report) fail(path, line);
    return std::nullopt;
  }
  std::optional<std::vector<RouteRow>> fareRows(const QString& hy3) {
    const std::optional<QByteArray> bytes = read(hy3, kMaxRouteFileBytes, false);
    if (!bytes) return std::nullopt;
    RouteFile f = parseRouteFile(*bytes);
    if (f.status == RouteFile::Status::Ok) return std::move(f.rows);
    bool ok = false;
    for (const QString& line : checkRouteFile(*bytes, &ok)) fail(hy3, line);
    return std::nullopt;
  }

  int toHy3(const QString& csvPath, const QString& hy3) {
    const std::optional<QByteArray> bytes = read(csvPath, kMaxCsvBytes, true);
    if (!bytes) return 1;
    const FareCsv csv = judge(*bytes);
    if (!csv.ok) {
      for (const QString& line : csv.report) fail(csvPath, line);
      return 1;
    }
    if (!write(hy3, encodeRouteFile(csv.rows))) return 1;
    say(hy3, QStringLiteral("%1 停留所").arg(csv.rows.size()));
    return 0;
  }

  int toCsv(const QString& hy3, const QString& csv) {
    const std::optional<std::vector<RouteRow>> rows = fareRows(hy3);
    return rows && write(csv, routeToCsv(*rows)) ? 0 : 1;
  }

  static qint64 limitOf(Kind kind) {
    return kind == Kind::FareFile ? kMaxRouteFileBytes
           : kind == Kind::Tape   ? kMaxTapeFileBytes
                                  : kMaxCsvBytes;
  }

  // The file is read once: to tell its kind, when not given, and to check it.
  int check(const QString& path, std::optional<Kind> given) {
    if (!given && path.endsWith(kStopsSuffix, Qt::CaseInsensitive)) return checkStopsAlone(path);
    const bool csvName = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    const qint64 most = given ? limitOf(*given) : csvName ? kMaxCsvBytes : kMaxRouteFileBytes;
    const std::optional<QByteArray> bytes = read(path, most, given ? *given != Kind::FareFile : csvName);
    if (!bytes) return 1;
    const Kind kind = given ? *given : guess(path, *bytes);
    if (bytes->size() > limitOf(kind)) {
      fail(path, FileTooLarge(limitOf(kind)));
      return 1;
    }
    bool ok = false;
    QStringList report;
    std::optional<std::vector<RouteRow>> rows;  // the fare rows, for a stop file beside
    switch (kind) {
      case Kind::FareFile:
        report = checkRouteFile(*bytes, &ok);
        if (const RouteFile f = parseRouteFile(*bytes); f.status == RouteFile::Status::Ok)
          rows = f.rows;
        break;
      case Kind::Tape:
        report =
            QStringList{QStringLiteral("放送用データとして調べます")} + checkTapeFile(*bytes, &ok);
        break;
      case Kind::FareCsv: {
        // Read as to-hy3 reads it, then judged as the fare file it makes.
        FareCsv csv = judge(*bytes);
        report = QStringList{QStringLiteral("運賃の CSV として調べます")} + csv.report;
        ok = csv.ok;
        if (csv.parsed) rows = std::move(csv.rows);
        break;
      }
    }
    for (const QString& line : report) say(path, line);
    say(path, ok ? QStringLiteral("使えます") : QStringLiteral("このままでは使えません"));
    if (rows) {
      const QString beside = findFileIgnoringCase(stopFilePathBeside(path));
      if (!beside.isEmpty() && !checkStops(beside, *rows)) return 1;
    }
    return ok ? 0 : 1;
  }

  // A stop file named on its own: checked against the fare file beside it.
  int checkStopsAlone(const QString& path) {
    const QString base = path.left(path.size() - kStopsSuffix.size());
    const QString hy3 = findFileIgnoringCase(base + QStringLiteral(".hy3"));
    const QString csv = findFileIgnoringCase(base + QStringLiteral(".csv"));
    if (hy3.isEmpty() && csv.isEmpty()) {
      fail(path, kNoFareBeside.arg(QFileInfo(base).fileName() + QStringLiteral(".hy3"),
                                   QFileInfo(base).fileName() + QStringLiteral(".csv")));
      return 1;
    }
    const std::optional<std::vector<RouteRow>> rows = hy3.isEmpty() ? csvRows(csv) : fareRows(hy3);
    return rows && checkStops(path, *rows) ? 0 : 1;
  }

  // Says what the stop file `path` holds for a route of `rows`; false when
  // the program would not use it.
  bool checkStops(const QString& path, const std::vector<RouteRow>& rows) {
    const std::optional<QByteArray> bytes = read(path, kMaxStopFileBytes, true);
    if (!bytes) return false;
    QStringList names;
    for (const RouteRow& r : rows) names << r.StopName;
    const StopFile f = parseStopFile(*bytes, names, path);
    say(path, kStopsChecked);
    if (!f.ok()) {
      result_.out += f.error->message + QLatin1Char('\n');
      say(path, QStringLiteral("このままでは使えません"));
      return false;
    }
    say(path, kStopsSummary.arg(f.stops.rows().size()).arg(rows.size()).arg(columnList(f.columns)));
    for (const StopFileIssue& w : f.warnings) result_.out += w.message + QLatin1Char('\n');
    if (!f.ignoredColumns.isEmpty()) say(path, kStopsIgnored.arg(f.ignoredColumns.join(", ")));
    say(path, QStringLiteral("使えます"));
    return true;
  }

  // The columns, the IC fares counted as one item.
  static QString columnList(const QStringList& columns) {
    QStringList out;
    qsizetype ic = 0;
    for (const QString& c : columns)
      c.startsWith(QLatin1String("ic")) ? void(++ic) : void(out << c);
    if (ic > 0) out << kIcColumns.arg(ic);
    return out.join(QStringLiteral(", "));
  }

  int stops(const QString& hy3) {
    const std::optional<std::vector<RouteRow>> rows = fareRows(hy3);
    if (!rows) return 1;
    const QString path = stopFilePathBeside(hy3);
    // A link counts as there, whether or not it leads anywhere.
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink() ||
        !findFileIgnoringCase(path).isEmpty()) {
      fail(path, kStopsExist);
      return 1;
    }
    try {
      writeNewFile(path, stopFileTemplate(*rows));
    } catch (const RuntimeError& e) {
      fail(path, e);
      return 1;
    }
    say(path, kStopsMade.arg(rows->size()));
    return 0;
  }

  int usage(const QString& why) {
    result_.err = why + kUsage;
    return 2;
  }

  // Nothing when the command line is wrong (then the usage is said).
  std::optional<GtfsArgs> parseGtfs(const QStringList& args, const QStringList& valued,
                                    const QStringList& alone) {
    GtfsArgs a;
    for (qsizetype i = 0; i < args.size(); ++i) {
      const QString& arg = args[i];
      if (valued.contains(arg)) {
        if (i + 1 >= args.size()) {
          usage(kNeedsValue.arg(arg));
          return std::nullopt;
        }
        a.values.insert(arg, args[++i]);
      } else if (alone.contains(arg)) {
        a.flags.insert(arg);
      } else if (arg.startsWith(QLatin1String("--")) || !a.feed.isEmpty()) {
        usage(kBadOption.arg(arg));
        return std::nullopt;
      } else {
        a.feed = arg;
      }
    }
    if (a.feed.isEmpty()) {
      usage(kMissing.arg(QStringLiteral("路線データ")));
      return std::nullopt;
    }
    return a;
  }

  std::optional<gtfs::Feed> readFeed(const GtfsArgs& a) {
    try {
      gtfs::Feed feed =
          gtfs::readFeed(gtfs::FeedFiles::open(a.feed), !a.flags.contains("--no-fares"));
      toErr(feed.warnings);
      return feed;
    } catch (const gtfs::FeedError& e) {
      toErr({e.message() + (e.inFares() ? kNoFaresHint : QString())});
      return std::nullopt;
    }
  }
  // Lines on standard error.
  void toErr(const QStringList& lines) {
    for (const QString& line : lines) result_.err += line + QLatin1Char('\n');
  }

  int gtfsRoutes(const QStringList& args) {
    const std::optional<GtfsArgs> a = parseGtfs(args, {}, {"--no-fares"});
    if (!a) return 2;
    const std::optional<gtfs::Feed> feed = readFeed(*a);
    if (!feed) return 1;
    try {
      for (const gtfs::RouteSummary& r : gtfs::listRoutes(*feed))
        result_.out += gtfs::describe(r) + QLatin1Char('\n');
    } catch (const gtfs::FeedError& e) {
      toErr({e.message()});
      return 1;
    }
    return 0;
  }

  int fromGtfs(const QStringList& args) {
    const std::optional<GtfsArgs> a =
        parseGtfs(args, {"--route", "--direction", "--trip", "--tickets", "--number", "--out"},
                  {"--times", "--no-fares"});
    if (!a) return 2;
    for (const char* required : {"--route", "--number", "--out"})
      if (!a->values.contains(required)) return usage(kMissing.arg(required));
    gtfs::ImportOptions o;
    o.routeId = a->values["--route"].toStdString();
    if (a->values.contains("--direction")) {
      const QString d = a->values["--direction"];
      if (d != "0" && d != "1") return usage(kBadValue.arg("--direction", d, "0 か 1"));
      o.direction = d.toStdString();
    }
    if (a->values.contains("--trip")) o.trip = a->values["--trip"].toStdString();
    const QHash<QString, gtfs::Tickets> modes = {{"auto", gtfs::Tickets::Auto},
                                                 {"per-stop", gtfs::Tickets::PerStop},
                                                 {"by-fare", gtfs::Tickets::ByFare}};
    const QString mode = a->values.value("--tickets", "auto");
    if (!modes.contains(mode))
      return usage(kBadValue.arg("--tickets", mode, "auto、per-stop、by-fare のどれか"));
    o.tickets = modes[mode];
    o.times = a->flags.contains("--times");
    bool isNumber = false;
    const QString numberText = a->values["--number"];
    const int number = numberText.toInt(&isNumber);
    if (!isNumber || number < 1 || number > gtfs::kMaxRouteNumber)
      return usage(kBadValue.arg("--number", numberText,
                                 QStringLiteral("1〜%1").arg(gtfs::kMaxRouteNumber)));

    const std::optional<gtfs::Feed> feed = readFeed(*a);
    if (!feed) return 1;
    gtfs::ImportedRoute route;
    try {
      route = gtfs::importRoute(*feed, o);
    } catch (const gtfs::FeedError& e) {
      toErr({e.message()});
      return 1;
    }
    toErr(route.warnings);
    const QString out = a->values["--out"];
    const std::vector<FileToWrite> files = gtfs::routeFiles(route, number, out, out);
    if (!writeAll(files)) return 1;
    say(files[0].path, kMade.arg(route.rows.size()).arg(route.tickets));
    say(files[1].path, kTapeMade.arg(route.tapeLines)
                           .arg(encodingName(route.tapeShiftJis ? TapeEncoding::ShiftJis
                                                                : TapeEncoding::Utf8WithBom)));
    say(files[2].path, kCsvMade);
    return 0;
  }

  ToolRun result_;
};

}  // namespace

ToolRun runRouteTool(const QStringList& args) {
  return Runner().run(args);
}

}  // namespace sorane::routetool
