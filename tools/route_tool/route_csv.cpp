#include "route_csv.h"

#include <QStringDecoder>

#include "cp932.h"
#include "tape_file.h"

namespace sorane::routetool {

QStringList splitCsvLine(const QString& line, bool* ok) {
  *ok = true;
  QStringList fields;
  qsizetype i = 0;
  const qsizetype n = line.size();
  while (true) {
    while (i < n && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t'))) ++i;
    QString field;
    if (i < n && line[i] == QLatin1Char('"')) {
      ++i;
      bool closed = false;
      while (i < n) {
        if (line[i] == QLatin1Char('"')) {
          if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
            field += QLatin1Char('"');
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        field += line[i++];
      }
      if (!closed) *ok = false;
      while (i < n && line[i] != QLatin1Char(',')) {
        if (!line[i].isSpace()) *ok = false;
        ++i;
      }
    } else {
      const qsizetype start = i;
      while (i < n && line[i] != QLatin1Char(',')) ++i;
      field = line.mid(start, i - start).trimmed();
    }
    fields << field;
    if (i >= n) break;
    ++i;  // the comma
  }
  return fields;
}

QString decodeCsvText(const QByteArray& bytes) {
  QByteArray b = bytes;
  if (b.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(b.mid(3));
  QStringDecoder utf8(QStringDecoder::Utf8);
  const QString text = utf8(b);
  if (!utf8.hasError()) return text;
  return cp932::decode(b);
}

bool routeFromCsv(const QByteArray& csv, std::vector<RouteRow>& rows, QString& error) {
  rows.clear();
  const QStringList lines = decodeCsvText(csv).split(QLatin1Char('\n'));
  for (int ln = 0; ln < lines.size(); ++ln) {
    QString line = lines[ln];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#'))) continue;
    const QString where = QStringLiteral("%1行目").arg(ln + 1);
    bool ok = false;
    const QStringList f = splitCsvLine(line, &ok);
    if (!ok) {
      error = where + QStringLiteral(": 引用符 \" が閉じていません");
      return false;
    }
    if (f.size() < 34 || f.size() > 152) {
      error = where + QStringLiteral(
                          ": 列の数が %1 "
                          "です(停留所名、整理券番号、運賃32列、追加の列は150列目まで: 34〜152列)")
                          .arg(f.size());
      return false;
    }
    if (rows.size() == static_cast<std::size_t>(kRouteRows)) {
      error = where + QStringLiteral(": 停留所が多すぎます(最大301)");
      return false;
    }
    RouteRow r;
    r.StopName = f[0];
    if (cp932::encode(r.StopName).count('?') != r.StopName.count(QLatin1Char('?'))) {
      error =
          where + QStringLiteral(": 停留所名「%1」にShift-JISで書けない文字があります").arg(f[0]);
      return false;
    }
    for (int c = 1; c < f.size(); ++c) {
      // The ticket number and the fares are never left out; an empty
      // column past them is 0.
      if (f[c].isEmpty() && c <= 33) {
        error =
            where + QStringLiteral(": %1列目が空です(0 のときも 0 と書いてください)").arg(c + 1);
        return false;
      }
      bool isNumber = false;
      const int v = f[c].isEmpty() ? 0 : f[c].toInt(&isNumber);
      if (!f[c].isEmpty() && (!isNumber || v < -32768 || v > 32767)) {
        error = where + QStringLiteral(": %1列目「%2」は -32768〜32767 の整数ではありません")
                            .arg(c + 1)
                            .arg(f[c]);
        return false;
      }
      r.Values[static_cast<std::size_t>(c - 1)] = static_cast<std::int16_t>(v);
    }
    rows.push_back(std::move(r));
  }
  if (rows.empty()) {
    error = QStringLiteral("停留所の行がありません");
    return false;
  }
  return true;
}

QByteArray routeToCsv(const std::vector<RouteRow>& rows) {
  int lastColumn = 32;
  for (const RouteRow& r : rows)
    for (int k = 150; k > lastColumn; --k)
      if (r.Values[static_cast<std::size_t>(k)] != 0) {
        lastColumn = k;
        break;
      }
  QString out = QStringLiteral("# 停留所名,整理券番号,運賃1〜32");
  if (lastColumn > 32) out += QStringLiteral(",列33〜%1").arg(lastColumn);
  out += QLatin1Char('\n');
  for (const RouteRow& r : rows) {
    QString name = r.StopName;
    if (name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('"')) ||
        name != name.trimmed() || name.startsWith(QLatin1Char('#')))
      name = QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
             QLatin1Char('"');
    out += name;
    for (int k = 0; k <= lastColumn; ++k)
      out += QLatin1Char(',') + QString::number(r.Values[static_cast<std::size_t>(k)]);
    out += QLatin1Char('\n');
  }
  return out.toUtf8();
}

QStringList checkRouteFile(const QByteArray& bytes, bool* ok) {
  QStringList report;
  const RouteFile f = parseRouteFile(bytes);
  *ok = f.status == RouteFile::Status::Ok;
  switch (f.status) {
    case RouteFile::Status::Empty:
      report << (bytes.size() < 2
                     ? QStringLiteral("ファイルが短すぎます(先頭2バイトの停留所数がありません)")
                     : QStringLiteral("停留所数が0です: このファイルでは系統設定できません"));
      return report;
    case RouteFile::Status::Negative:
      report << QStringLiteral("停留所数が負の数(%1)です").arg(f.count);
      return report;
    case RouteFile::Status::TooMany:
      report << QStringLiteral("停留所数 %1 は多すぎます(最大301)").arg(f.count);
      return report;
    case RouteFile::Status::Truncated:
      report << QStringLiteral("停留所数は %1 ですが、%2件目の%3の途中でファイルが終わっています")
                    .arg(f.count)
                    .arg(f.badRow)
                    .arg(f.nameCut ? QStringLiteral("停留所名") : QStringLiteral("運賃"));
      return report;
    case RouteFile::Status::Ok:
      break;
  }
  report << QStringLiteral("停留所数 %1、設定できる区間は 1〜%2").arg(f.count).arg(f.count - 1);
  if (f.count == 1) {
    report << QStringLiteral("停留所が1件だけなので、どの区間でも系統設定できません");
    *ok = false;
  }
  for (int row : f.badNames)
    report << QStringLiteral(
                  "%1件目: 停留所名にShift-JISとして読めないバイトがあります(「%2」と表示されます)")
                  .arg(row)
                  .arg(f.rows[static_cast<std::size_t>(row - 1)].StopName);
  for (int i = 0; i < static_cast<int>(f.rows.size()); ++i)
    if (f.rows[static_cast<std::size_t>(i)].StopName.isEmpty())
      report << QStringLiteral("%1件目: 停留所名が空です").arg(i + 1);
  if (f.bytesUsed < bytes.size())
    report << QStringLiteral("最後の停留所の後に %1 バイトの余分なデータがあります")
                  .arg(bytes.size() - f.bytesUsed);
  return report;
}

}  // namespace sorane::routetool

namespace sorane::routetool {

QStringList checkTapeFile(const QByteArray& bytes, bool* ok) {
  const TapeFile f = parseTapeFile(bytes);
  *ok = f.ok();
  const QString where = QStringLiteral("%1行目: ").arg(f.line);
  switch (f.error) {
    case TapeFileError::None:
      break;
    case TapeFileError::BadEncoding:
      return {(f.line > 0 ? where : QString()) +
              QStringLiteral("Shift-JISとしてもUTF-8としても読めないバイトがあります")};
    case TapeFileError::FieldCount:
      return {where +
              QStringLiteral("項目がちょうど3つ(文,送りフラグ,サウンドフラグ)ではありません")};
    case TapeFileError::BrokenQuote:
      return {where + QStringLiteral("引用符 \" が閉じていないか、閉じた後に文字があります")};
    case TapeFileError::BadFlag:
      return {where + QStringLiteral("フラグが -32768〜32767 の整数ではありません")};
    case TapeFileError::NotFound:
    case TapeFileError::Unreadable:
    case TapeFileError::TooLarge:
      return {QStringLiteral("ファイルを読めません")};
  }
  if (f.entries.empty()) {
    *ok = false;
    return {QStringLiteral("放送が1件もありません")};
  }
  int steps = 0, blank = 0;
  for (const TapeEntry& e : f.entries) {
    steps += e.StepFlag == 1;
    blank += e.Text.trimmed().isEmpty();
  }
  static const QString kEncodings[] = {QStringLiteral("Shift-JIS"), QStringLiteral("UTF-8"),
                                       QStringLiteral("UTF-8 (BOM 付き)")};
  QStringList report{
      QStringLiteral("放送 %1 件、うち停留所を送るもの %2 件").arg(f.entries.size()).arg(steps),
      QStringLiteral("文字コード: ") + kEncodings[static_cast<int>(f.encoding)]};
  if (blank > 0)
    report << QStringLiteral("文が空の行が %1 件あります(その行では何も話しません)").arg(blank);
  if (!bytes.isEmpty() && !bytes.contains("\r\n"))
    report << QStringLiteral("行の終わりが CR LF ではありません");
  return report;
}

}  // namespace sorane::routetool
