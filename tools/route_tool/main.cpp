#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>

#include "file_io.h"
#include "route_csv.h"
#include "runtime_error.h"
#include "tape_file.h"

using namespace sorane;
using namespace sorane::routetool;

namespace {

QTextStream& out() {
  static QTextStream s(stdout);
  return s;
}
QTextStream& errors() {
  static QTextStream s(stderr);
  return s;
}

int usage() {
  errors()
      << "使い方:\n"
         "  sorane-route to-hy3 路線.csv 1.hy3   CSV (UTF-8 か Shift-JIS) から運賃データを作る\n"
         "  sorane-route to-csv 1.hy3 路線.csv   運賃データを CSV (UTF-8) に戻す\n"
         "  sorane-route check 1.hy3             運賃データを調べる\n"
         "  sorane-route check 1tp.csv           放送用データを調べる\n"
         "CSV の1行は "
         "停留所名,整理券番号,運賃1,…,運賃32[,列33,…,列150]。#で始まる行は読み飛ばす。\n";
  return 2;
}

// A route as CSV text is a few times its fare file at the most.
constexpr qint64 kMaxCsvBytes = 4 * kMaxRouteFileBytes;

QByteArray read(const QString& path, qint64 maxBytes) {
  return readWholeFile(path, maxBytes);
}

int toHy3(const QString& csv, const QString& hy3) {
  std::vector<RouteRow> rows;
  QString error;
  if (!routeFromCsv(read(csv, kMaxCsvBytes), rows, error)) {
    errors() << csv << ": " << error << "\n";
    return 1;
  }
  writeFileAtomically(hy3, encodeRouteFile(rows));
  out() << hy3 << ": " << rows.size() << " 停留所\n";
  return 0;
}

int toCsv(const QString& hy3, const QString& csv) {
  const RouteFile f = parseRouteFile(read(hy3, kMaxRouteFileBytes));
  if (f.status != RouteFile::Status::Ok) {
    bool ok = false;
    for (const QString& line : checkRouteFile(read(hy3, kMaxRouteFileBytes), &ok))
      errors() << hy3 << ": " << line << "\n";
    return 1;
  }
  writeFileAtomically(csv, routeToCsv(f.rows));
  return 0;
}

int check(const QString& path) {
  bool ok = false;
  const bool tape = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
  const QStringList report = tape ? checkTapeFile(read(path, kMaxTapeFileBytes), &ok)
                                  : checkRouteFile(read(path, kMaxRouteFileBytes), &ok);
  for (const QString& line : report) out() << path << ": " << line << "\n";
  out() << path << (ok ? ": 使えます\n" : ": このままでは使えません\n");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  try {
    if (args.size() == 3 && args[0] == "to-hy3") return toHy3(args[1], args[2]);
    if (args.size() == 3 && args[0] == "to-csv") return toCsv(args[1], args[2]);
    if (args.size() == 2 && args[0] == "check") return check(args[1]);
  } catch (const RuntimeError& e) {
    errors() << e.description() << " (" << e.number() << ")\n";
    return 1;
  }
  return usage();
}
