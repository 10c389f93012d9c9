#include "ticket_template.h"

#include <QDate>
#include <QRegularExpression>
#include <array>

namespace sorane::ticket {
namespace {

constexpr int kMaxWidth = 10;

struct Name {
  const char* text;
  Field field;
};
constexpr std::array<Name, 7> kNames = {{{"stop", Field::Stop},
                                         {"date", Field::Date},
                                         {"time", Field::Time},
                                         {"route", Field::Route},
                                         {"ticket", Field::Ticket},
                                         {"index", Field::Index},
                                         {"company", Field::Company}}};

bool isNumber(Field f) {
  return f == Field::Route || f == Field::Ticket || f == Field::Index;
}

bool isAsciiLetter(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The pattern letter a run of `c` stands for, or 0 when `c` is not one.
char dateLetter(QChar c) {
  switch (c.toLower().unicode()) {
    case u'y':
      return 'y';
    case u'm':
      return 'M';
    case u'd':
      return 'd';
    case u'g':
      return 'g';
    case u'e':
      return 'e';
    case u'a':
      return 'a';
    default:
      return 0;
  }
}
char timeLetter(QChar c) {
  switch (c.toLower().unicode()) {
    case u'h':
      return 'h';
    case u'm':
      return 'm';
    case u's':
      return 's';
    default:
      return 0;
  }
}
bool runLengthFits(char letter, qsizetype n) {
  switch (letter) {
    case 'y':
      return n == 2 || n == 4;
    case 'a':
      return n == 1;
    default:
      return n == 1 || n == 2;
  }
}

// Checks a date or time pattern; returns the offset of the first fault or -1.
qsizetype checkPattern(const QString& p, bool date, QString& message) {
  for (qsizetype i = 0; i < p.size();) {
    const QChar c = p[i];
    if (!isAsciiLetter(c)) {
      ++i;
      continue;
    }
    const char letter = date ? dateLetter(c) : timeLetter(c);
    if (letter == 0) {
      message = (date ? QStringLiteral("日付の書式に「%1」は使えません(y M d g e a)")
                      : QStringLiteral("時刻の書式に「%1」は使えません(H m s)"))
                    .arg(c);
      return i;
    }
    qsizetype n = 1;
    while (i + n < p.size() && p[i + n].toLower() == c.toLower()) ++n;
    if (!runLengthFits(letter, n)) {
      message = QStringLiteral("「%1」の数が合いません").arg(p.mid(i, n));
      return i;
    }
    i += n;
  }
  return -1;
}

QString twoDigits(int n) {
  return formatNumber(n, 2, true);
}

std::optional<QDate> parseDate(const QString& text) {
  static const QRegularExpression mdy(QStringLiteral("^(\\d{1,2})-(\\d{1,2})-(\\d{4})$"));
  static const QRegularExpression ymd(QStringLiteral("^(\\d{4})[/-](\\d{1,2})[/-](\\d{1,2})$"));
  QDate d;
  if (auto m = mdy.match(text); m.hasMatch())
    d = QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
  else if (auto m2 = ymd.match(text); m2.hasMatch())
    d = QDate(m2.captured(1).toInt(), m2.captured(2).toInt(), m2.captured(3).toInt());
  if (!d.isValid()) return std::nullopt;
  return d;
}

// Copies `pattern`, putting `value(letter, two)` for each run of a letter
// `letterOf` knows (`two`: the run is two long).
template <typename LetterOf, typename Value>
QString expandPattern(const QString& pattern, LetterOf letterOf, Value value) {
  QString out;
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i];
    const char letter = isAsciiLetter(c) ? letterOf(c) : 0;
    if (letter == 0) {
      out += c;
      ++i;
      continue;
    }
    qsizetype n = 1;
    while (i + n < pattern.size() && pattern[i + n].toLower() == c.toLower()) ++n;
    out += value(letter, n == 2);
    i += n;
  }
  return out;
}

QString formatDate(const QString& text, const QString& pattern) {
  const std::optional<QDate> d = parseDate(text);
  if (pattern.isEmpty() || !d) return text;
  static const QString kWeekdays = QStringLiteral("月火水木金土日");
  const Era era = eraOf(d->year(), d->month(), d->day());
  return expandPattern(pattern, dateLetter, [&](char letter, bool two) -> QString {
    switch (letter) {
      case 'y':
        return two ? twoDigits(d->year() % 100) : formatNumber(d->year(), 4, true);
      case 'M':
        return two ? twoDigits(d->month()) : QString::number(d->month());
      case 'd':
        return two ? twoDigits(d->day()) : QString::number(d->day());
      case 'g':
        return two ? era.name : era.letter;
      case 'e':
        // The first year of an era is printed 元 (令和元年), except as two digits.
        if (!two && era.year == 1 && !era.name.isEmpty()) return QStringLiteral("元");
        return two ? twoDigits(era.year) : QString::number(era.year);
      case 'a':
        return kWeekdays[d->dayOfWeek() - 1];
    }
    return {};
  });
}

QString formatTime(const QString& text, const QString& pattern) {
  static const QRegularExpression hms(QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?$"));
  const auto m = hms.match(text);
  if (pattern.isEmpty() || !m.hasMatch()) return text;
  const std::array<int, 3> parts = {m.captured(1).toInt(), m.captured(2).toInt(),
                                    m.captured(3).toInt()};
  return expandPattern(pattern, timeLetter, [&](char letter, bool two) {
    const int v = parts[letter == 'h' ? 0 : letter == 'm' ? 1 : 2];
    return two ? twoDigits(v) : QString::number(v);
  });
}

// Parses the inside of "{...}" starting at `at` in the template.
std::optional<Placeholder> parsePlaceholder(const QString& inner, qsizetype at,
                                            TemplateError& error) {
  qsizetype end = 0;
  while (end < inner.size() && inner[end] != u':' && inner[end] != u'|') ++end;
  const QString name = inner.left(end);
  Placeholder p;
  bool known = false;
  for (const Name& n : kNames) {
    if (name == QLatin1String(n.text)) {
      p.field = n.field;
      known = true;
    }
  }
  if (!known) {
    error = {at, QStringLiteral("「%1」という値はありません(stop date time route ticket index "
                                "company)")
                     .arg(name)};
    return std::nullopt;
  }
  qsizetype pos = end;
  if (pos < inner.size() && inner[pos] == u':') {
    qsizetype bar = inner.indexOf(u'|', pos + 1);
    if (bar < 0) bar = inner.size();
    const QString format = inner.mid(pos + 1, bar - pos - 1);
    const qsizetype formatAt = at + pos + 1;
    if (isNumber(p.field)) {
      static const QRegularExpression digits(QStringLiteral("^(0?)([1-9][0-9]?)$"));
      const auto m = digits.match(format);
      if (!m.hasMatch() || m.captured(2).toInt() > kMaxWidth) {
        error = {formatAt, QStringLiteral("桁数は「3」(空白で埋める)か「03」(0で埋める)の形で、"
                                          "%1桁までです")
                               .arg(kMaxWidth)};
        return std::nullopt;
      }
      p.zeroPad = !m.captured(1).isEmpty();
      p.width = m.captured(2).toInt();
    } else if (p.field == Field::Date || p.field == Field::Time) {
      if (format.isEmpty()) {
        error = {formatAt, QStringLiteral("「:」の後に書式がありません")};
        return std::nullopt;
      }
      QString message;
      const qsizetype bad = checkPattern(format, p.field == Field::Date, message);
      if (bad >= 0) {
        error = {formatAt + bad, message};
        return std::nullopt;
      }
      p.pattern = format;
    } else {
      error = {at + pos,
               QStringLiteral("%1 には書式を付けられません(|wide だけ使えます)").arg(name)};
      return std::nullopt;
    }
    pos = bar;
  }
  if (pos < inner.size()) {
    if (inner.mid(pos + 1) != QLatin1String("wide")) {
      error = {at + pos + 1, QStringLiteral("「|」の後に書けるのは wide だけです")};
      return std::nullopt;
    }
    p.wide = true;
  }
  return p;
}

}  // namespace

bool Template::uses(Field f) const {
  for (const Piece& p : pieces)
    if (p.field && p.field->field == f) return true;
  return false;
}

std::vector<Placeholder> Template::placeholders(Field f) const {
  std::vector<Placeholder> out;
  for (const Piece& p : pieces)
    if (p.field && p.field->field == f) out.push_back(*p.field);
  return out;
}

std::optional<Template> parseTemplate(const QString& text, TemplateError& error) {
  Template t;
  QString literal;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    const bool doubled = i + 1 < text.size() && text[i + 1] == c;
    if (c == u'{' && !doubled) {
      const qsizetype close = text.indexOf(u'}', i + 1);
      if (close < 0) {
        error = {i, QStringLiteral("「{」を閉じる「}」がありません")};
        return std::nullopt;
      }
      std::optional<Placeholder> p = parsePlaceholder(text.mid(i + 1, close - i - 1), i + 1, error);
      if (!p) return std::nullopt;
      if (!literal.isEmpty()) t.pieces.push_back({literal, std::nullopt});
      literal.clear();
      t.pieces.push_back({QString(), p});
      i = close;
    } else if (c == u'}' && !doubled) {
      error = {i, QStringLiteral("対になる「{」のない「}」です(文字の } は }} と書きます)")};
      return std::nullopt;
    } else {
      literal += c;
      if (c == u'{' || c == u'}') ++i;
    }
  }
  if (!literal.isEmpty()) t.pieces.push_back({literal, std::nullopt});
  return t;
}

QString formatTemplate(const Template& t, const FieldValues& v, const QStringList& companies) {
  QString out;
  for (const Piece& piece : t.pieces) {
    if (!piece.field) {
      out += piece.literal;
      continue;
    }
    const Placeholder& p = *piece.field;
    QString s;
    switch (p.field) {
      case Field::Stop:
        s = v.stop;
        break;
      case Field::Date:
        s = formatDate(v.date, p.pattern);
        break;
      case Field::Time:
        s = formatTime(v.time, p.pattern);
        break;
      case Field::Route:
        s = formatNumber(v.route, p.width, p.zeroPad);
        break;
      case Field::Ticket:
        s = formatNumber(v.ticket, p.width, p.zeroPad);
        break;
      case Field::Index:
        s = formatNumber(v.index, p.width, p.zeroPad);
        break;
      case Field::Company:
        if (!companies.isEmpty())
          s = companies.value(v.company >= 0 && v.company < companies.size() ? v.company : 0);
        break;
    }
    out += p.wide ? toFullWidth(s) : s;
  }
  return out;
}

QString toFullWidth(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    if (c == u' ')
      c = QChar(0x3000);
    else if (c.unicode() >= 0x21 && c.unicode() <= 0x7E)
      c = QChar(c.unicode() + 0xFEE0);
  }
  return out;
}

QString formatNumber(std::int64_t n, int width, bool zeroPad) {
  const QString digits = QString::number(n < 0 ? -n : n);
  const QString sign = n < 0 ? QStringLiteral("-") : QString();
  const qsizetype pad = std::max<qsizetype>(0, width - sign.size() - digits.size());
  return zeroPad ? sign + QString(pad, u'0') + digits : QString(pad, u' ') + sign + digits;
}

Era eraOf(int year, int month, int day) {
  struct Start {
    int y, m, d;
    const char16_t* name;
    const char* letter;
  };
  static constexpr std::array<Start, 5> kEras = {{{2019, 5, 1, u"令和", "R"},
                                                  {1989, 1, 8, u"平成", "H"},
                                                  {1926, 12, 25, u"昭和", "S"},
                                                  {1912, 7, 30, u"大正", "T"},
                                                  {1868, 10, 23, u"明治", "M"}}};
  const int key = year * 10000 + month * 100 + day;
  for (const Start& e : kEras)
    if (key >= e.y * 10000 + e.m * 100 + e.d)
      return {QString::fromUtf16(e.name), QLatin1String(e.letter), year - e.y + 1};
  return {QString(), QString(), year};
}

}  // namespace sorane::ticket
