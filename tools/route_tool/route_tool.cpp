#include "route_tool.h"

#include <QFileInfo>
#include <optional>

#include "file_io.h"
#include "route_check.h"
#include "route_csv.h"
#include "runtime_error.h"
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
    "CSV の1行は "
    "停留所名,整理券番号,運賃1,…,運賃32[,列33,…,列150]。#で始まる行は読み飛ばす。\n");

// A route as CSV text is a few times its fare file at the most.
constexpr qint64 kMaxCsvBytes = 4 * kMaxRouteFileBytes;

enum class Kind { FareFile, FareCsv, Tape };

class Runner {
 public:
  ToolRun run(const QStringList& args) {
    if (args.size() == 3 && args[0] == "to-hy3") return finish(toHy3(args[1], args[2]));
    if (args.size() == 3 && args[0] == "to-csv") return finish(toCsv(args[1], args[2]));
    if (args.size() == 2 && args[0] == "check") return finish(check(args[1], guess(args[1])));
    if (args.size() == 3 && args[0] == "check" && args[1] == "--fares")
      return finish(check(args[2], args[2].endsWith(QStringLiteral(".hy3"), Qt::CaseInsensitive)
                                       ? Kind::FareFile
                                       : Kind::FareCsv));
    if (args.size() == 3 && args[0] == "check" && args[1] == "--tape")
      return finish(check(args[2], Kind::Tape));
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

  // A file's bytes, or nothing after saying, with its name, why not.
  std::optional<QByteArray> read(const QString& path, qint64 maxBytes) {
    try {
      return readWholeFile(path, maxBytes);
    } catch (const RuntimeError& e) {
      fail(path, QStringLiteral("%1 (%2)").arg(e.description()).arg(e.number()));
      return std::nullopt;
    }
  }
  bool write(const QString& path, const QByteArray& bytes) {
    try {
      writeFileAtomically(path, bytes);
      return true;
    } catch (const RuntimeError& e) {
      fail(path, QStringLiteral("%1 (%2)").arg(e.description()).arg(e.number()));
      return false;
    }
  }

  // A ".hy3" is a fare file; a CSV whose first line of data has the columns
  // of a route is a fare CSV, any other an announcement file.
  Kind guess(const QString& path) {
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) return Kind::FareFile;
    const std::optional<QByteArray> bytes = read(path, kMaxCsvBytes);
    if (!bytes) return Kind::Tape;
    for (QString line : decodeCsvText(*bytes).split(QLatin1Char('\n'))) {
      line = line.trimmed();
      if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
      bool ok = false;
      return splitCsvLine(line, &ok).size() > 3 ? Kind::FareCsv : Kind::Tape;
    }
    return Kind::Tape;
  }

  int toHy3(const QString& csv, const QString& hy3) {
    const std::optional<QByteArray> bytes = read(csv, kMaxCsvBytes);
    if (!bytes) return 1;
    std::vector<RouteRow> rows;
    QString error;
    if (!routeFromCsv(*bytes, rows, error)) {
      fail(csv, error);
      return 1;
    }
    if (!write(hy3, encodeRouteFile(rows))) return 1;
    say(hy3, QStringLiteral("%1 停留所").arg(rows.size()));
    return 0;
  }

  int toCsv(const QString& hy3, const QString& csv) {
    const std::optional<QByteArray> bytes = read(hy3, kMaxRouteFileBytes);
    if (!bytes) return 1;
    const RouteFile f = parseRouteFile(*bytes);
    if (f.status != RouteFile::Status::Ok) {
      bool ok = false;
      for (const QString& line : checkRouteFile(*bytes, &ok)) fail(hy3, line);
      return 1;
    }
    return write(csv, routeToCsv(f.rows)) ? 0 : 1;
  }

  int check(const QString& path, Kind kind) {
    const qint64 limit = kind == Kind::FareFile ? kMaxRouteFileBytes
                         : kind == Kind::Tape   ? kMaxTapeFileBytes
                                                : kMaxCsvBytes;
    const std::optional<QByteArray> bytes = read(path, limit);
    if (!bytes) return 1;
    bool ok = false;
    QStringList report;
    switch (kind) {
      case Kind::FareFile:
        report = checkRouteFile(*bytes, &ok);
        break;
      case Kind::Tape:
        report =
            QStringList{QStringLiteral("放送用データとして調べます")} + checkTapeFile(*bytes, &ok);
        break;
      case Kind::FareCsv: {
        std::vector<RouteRow> rows;
        QString error;
        report << QStringLiteral("運賃の CSV として調べます");
        // Read as to-hy3 reads it, then judged as the fare file it makes.
        if (routeFromCsv(*bytes, rows, error))
          report += checkRouteFile(encodeRouteFile(rows), &ok);
        else
          report << error;
        break;
      }
    }
    for (const QString& line : report) say(path, line);
    say(path, ok ? QStringLiteral("使えます") : QStringLiteral("このままでは使えません"));
    return ok ? 0 : 1;
  }

  ToolRun result_;
};

}  // namespace

ToolRun runRouteTool(const QStringList& args) {
  return Runner().run(args);
}

}  // namespace sorane::routetool
