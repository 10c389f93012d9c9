#include "route_csv.h"

#include <algorithm>

#include "cp932.h"
#include "utf8.h"

namespace sorane {

QStringList splitCsvLine(const QString& line, bool* ok, qsizetype maxFields) {
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
    if (i >= n || fields.size() == maxFields + 1) break;
    ++i;  // the comma
  }
  return fields;
}

QByteArray csvBytesAsUtf8(const QByteArray& bytes, bool* fromShiftJis) {
  if (fromShiftJis) *fromShiftJis = false;
  if (bytes.startsWith("\xEF\xBB\xBF")) return bytes.mid(3);
  if (utf8::isValid(bytes)) return bytes;
  if (fromShiftJis) *fromShiftJis = true;
  return cp932::decodeToUtf8(bytes);
}

namespace {

bool isHidden(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

QString shownText(const QString& text) {
  if (std::none_of(text.begin(), text.end(), [](QChar c) { return isHidden(c.unicode()); }))
    return text;
  QString out;
  out.reserve(text.size() + 16);
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (!isHidden(u))
      out += c;
    else
      out += (u < 0x100 ? QStringLiteral("\\x") : QStringLiteral("\\u")) +
             QString::number(u, 16).toUpper().rightJustified(u < 0x100 ? 2 : 4, QLatin1Char('0'));
  }
  return out;
}

QString decodeCsvText(const QByteArray& bytes) {
  return QString::fromUtf8(csvBytesAsUtf8(bytes));
}

void forEachLine(const QString& text, const std::function<bool(const QString&, int)>& line) {
  int number = 0;
  for (qsizetype at = 0; at <= text.size();) {
    qsizetype end = text.indexOf(QLatin1Char('\n'), at);
    if (end < 0) end = text.size();
    const qsizetype cut = end > at && text[end - 1] == QLatin1Char('\r') ? end - 1 : end;
    if (!line(text.mid(at, cut - at), ++number)) return;
    at = end + 1;
  }
}

bool routeFromCsv(const QByteArray& csv, std::vector<RouteRow>& rows, QString& error) {
  rows.clear();
  error.clear();
  constexpr qsizetype kMaxColumns = 152;
  forEachLine(decodeCsvText(csv), [&](const QString& line, int number) {
    if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#'))) return true;
    const QString where = QStringLiteral("%1行目").arg(number);
    bool ok = false;
    const QStringList f = splitCsvLine(line, &ok, kMaxColumns);
    if (!ok) {
      error = where + QStringLiteral(": 引用符 \" が閉じていません");
      return false;
    }
    if (f.size() < 34 || f.size() > kMaxColumns) {
      error = where + QStringLiteral(
                          ": 列の数が %1 "
                          "です(停留所名、整理券番号、運賃32列、追加の列は150列目まで: 34〜152列)")
                          .arg(f.size() > kMaxColumns ? QStringLiteral("152 より多い")
                                                      : QString::number(f.size()));
      return false;
    }
    if (rows.size() == static_cast<std::size_t>(kRouteRows)) {
      error = where + QStringLiteral(": 停留所が多すぎます(最大301)");
      return false;
    }
    RouteRow r;
    r.StopName = f[0];
    const QByteArray name = cp932::encode(r.StopName);
    if (name.count('?') != r.StopName.count(QLatin1Char('?'))) {
      error = where + QStringLiteral(": 停留所名「%1」にShift-JISで書けない文字があります")
                          .arg(shownText(f[0]));
      return false;
    }
    if (name.size() > kMaxStopNameBytes) {
      error = where + QStringLiteral(
                          ": 停留所名が Shift-JIS で %1 バイトあり、運賃データに書ける %2 "
                          "バイトを超えます")
                          .arg(name.size())
                          .arg(kMaxStopNameBytes);
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
                            .arg(shownText(f[c]));
        return false;
      }
      r.Values[static_cast<std::size_t>(c - 1)] = static_cast<std::int16_t>(v);
    }
    rows.push_back(std::move(r));
    return true;
  });
  if (!error.isEmpty()) return false;
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

}  // namespace sorane
