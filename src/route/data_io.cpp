#include "data_io.h"

#include <QFileInfo>
#include <algorithm>

#include "file_io.h"
#include "runtime_error.h"
#include "ui.h"

namespace sorane {

QString route_messages::tooMany(int count) {
  return QStringLiteral("指定した系統のデータの数が多すぎます(%1件、最大301件)...").arg(count);
}

QString route_messages::truncated(int row, bool inName) {
  return QStringLiteral("指定した系統のデータが途中で切れています(%1件目の%2)...")
      .arg(row)
      .arg(inName ? QStringLiteral("停留所名") : QStringLiteral("運賃"));
}

QString route_messages::stopFileRefused(const QString& where) {
  return QStringLiteral(
             "停留所ファイルに誤りがあるため、停留所ファイルなしで続けます...\r\n  %1\r\n"
             "  解決法：停留所ファイルを直して、系統を設定し直して下さい.")
      .arg(where);
}

QString route_messages::stopFileWarned(const QStringList& lines) {
  constexpr int kShown = 5;
  QString text = QStringLiteral("停留所ファイルを確かめて下さい(このまま使います)...");
  for (const QString& line : lines.mid(0, kShown)) text += QStringLiteral("\r\n  ") + line;
  if (lines.size() > kShown) text += QStringLiteral("\r\n  ほか %1 件").arg(lines.size() - kShown);
  return text;
}

int DataIo::lastRow() const {
  return std::min({static_cast<int>(RouteCount), storedRows_, kRouteRows});
}

void DataIo::ClearRouteData() {
  for (RouteRow& r : RouteData) r = RouteRow();
}

RouteRow& DataIo::row(int r) {
  if (r < 1 || r > kRouteRows) throw RuntimeError(err::kSubscriptOutOfRange);
  return RouteData[static_cast<std::size_t>(r)];
}

void DataIo::SetRouteCell(int r, int column, const QVariant& value) {
  RouteRow& target = row(r);
  if (column == 1) {
    target.StopName = value.toString();
  } else if (column >= 2 && column <= 152) {
    target.Values[static_cast<std::size_t>(column - 2)] = static_cast<std::int16_t>(value.toInt());
  } else {
    throw RuntimeError(err::kSubscriptOutOfRange);
  }
}

QString DataIo::routeBaseName(const QString& routeText) {
  qint64 n = 0;
  for (const QChar ch : routeText) {
    if (!ch.isDigit()) break;
    n = n * 10 + ch.digitValue();
  }
  return QString::number(n);
}

QString DataIo::withSlash(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder;
  return folder + QLatin1Char('/');
}

bool DataIo::LoadRouteFile(const QString& folder) {
  auto refuse = [](const QString& text) {
    ui().message(text, QString(), MsgButtons::Ok, MsgIcon::None);
    return false;
  };
  const QString path = withSlash(folder) + routeBaseName(RouteText) + QStringLiteral(".hy3");
  // Files copied from elsewhere may have their names in another case.
  const QString found = findEntryIgnoringCase(path);
  // Nothing of that name in a folder that is there has its own message; any
  // other failure, a missing folder or a folder or FIFO of that name among
  // them, is described as it is.
  if (found.isEmpty() && QFileInfo(QFileInfo(path).absolutePath()).isDir())
    return refuse(route_messages::kMissing);
  QByteArray bytes;
  try {
    bytes = readWholeFile(found.isEmpty() ? path : found, kMaxRouteFileBytes);
  } catch (const RuntimeError& e) {
    return refuse(e.description());
  }
  const RouteFile file = parseRouteFile(bytes);
  RouteCount = file.count;
  if (file.count == 0) return refuse(route_messages::kEmpty);
  if (file.count - 1 < StartSection) return refuse(route_messages::kSectionTooBig);
  if (file.status == RouteFile::Status::TooMany) return refuse(route_messages::tooMany(file.count));
  if (file.status == RouteFile::Status::Truncated)
    return refuse(route_messages::truncated(file.badRow, file.nameCut));

  CurrentIndex = static_cast<std::int16_t>(StartSection - 1);
  ClearRouteData();
  for (int i = 1; i <= static_cast<int>(file.rows.size()); ++i) {
    const RouteRow& r = file.rows[static_cast<std::size_t>(i - 1)];
    SetRouteCell(i, 1, r.StopName);
    for (int c = 2; c <= 152; ++c) SetRouteCell(i, c, r.Values[static_cast<std::size_t>(c - 2)]);
  }
  storedRows_ = static_cast<int>(file.rows.size());
  loadStopFile(found.isEmpty() ? path : found);
  return true;
}

void DataIo::loadStopFile(const QString& routePath) {
  stops_ = RouteStops();
  const QString path = findFileIgnoringCase(stopFilePathBeside(routePath));
  if (path.isEmpty()) return;
  auto reportOnce = [this, &path](const QString& state, const QString& text) {
    const QString key = path + QLatin1Char('\n') + state;
    if (reported_.contains(key)) return;
    reported_.insert(key);
    ui().message(text, QString(), MsgButtons::Ok, MsgIcon::None);
  };
  QByteArray bytes;
  try {
    bytes = readTextFile(path, kMaxStopFileBytes);
  } catch (const RuntimeError& e) {
    const QString where = path + QStringLiteral(": ") + e.description();
    reportOnce(where, route_messages::stopFileRefused(where));
    return;
  }
  QStringList names;
  for (int r = 1; r <= storedRows_; ++r) names << row(r).StopName;
  StopFile file = parseStopFile(bytes, names, path);
  const QString state = QString::number(bytes.size()) + QLatin1Char(' ') +
                        QString::number(qHash(bytes)) + QLatin1Char(' ') + names.join('\n');
  if (!file.ok()) {
    reportOnce(state, route_messages::stopFileRefused(file.error->message));
    return;
  }
  if (!file.warnings.empty()) {
    QStringList lines;
    for (const StopFileIssue& w : file.warnings) lines << w.message;
    reportOnce(state, route_messages::stopFileWarned(lines));
  }
  stops_ = std::move(file.stops);
}

}  // namespace sorane
