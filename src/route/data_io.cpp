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
  return true;
}

}  // namespace sorane
