#include "ticket_format.h"

#include <QRegularExpression>
#include <QSet>
#include <cmath>
#include <functional>

#include "ticket_barcode.h"

namespace sorane::ticket {
namespace {

constexpr int kMaxProblems = 20;
constexpr double kEdgeSlack = 0.05;  // mm an item may pass the ticket's edge by
const QString kHeader = QStringLiteral("sorane-ticket");

// One "key=value", "value" or "\"value\"" of a statement.
struct Arg {
  QString key;
  int keyColumn = 0;
  QString value;
  std::vector<int> columns;  // the source column of each character of `value`, then one past
  bool quoted = false;
};

struct Statement {
  int line = 0;
  int column = 0;
  QString keyword;
  std::vector<Arg> args;
  SourcePos pos() const { return {line, column}; }
};

bool isSpace(QChar c) {
  return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

// The length of the UTF-8 sequence starting at `p`, or 0 when it is not one.
int utf8Length(const unsigned char* p, qsizetype left) {
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  int n = 0;
  char32_t min = 0;
  char32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    n = 2, min = 0x80, cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, min = 0x800, cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (left < n) return 0;
  for (int i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

QString quoted(const QString& s) {
  return QStringLiteral("「%1」").arg(s);
}

class Parser {
 public:
  ParseResult run(const QByteArray& bytes);

 private:
  void problem(SourcePos pos, const QString& message) {
    if (static_cast<int>(problems_.size()) < kMaxProblems) problems_.push_back({pos, message});
  }
  bool full() const { return static_cast<int>(problems_.size()) >= kMaxProblems; }
  SourcePos at(const Arg& a, qsizetype index = 0) const {
    const std::size_t i =
        std::min<std::size_t>(static_cast<std::size_t>(index), a.columns.size() - 1);
    return {line_, a.columns[i]};
  }
  SourcePos keyAt(const Arg& a) const { return {line_, a.keyColumn}; }

  bool checkText(const QByteArray& bytes);
  std::optional<Statement> tokenize(const QString& text, int lineNo);
  void statement(const Statement& s);
  void finish();
  void checkPaintedArea();

  // Arguments of keyed statements.
  bool keysOnly(const Statement& s, const QStringList& allowed);
  const Arg* arg(const Statement& s, const QString& key) const;
  const Arg* required(const Statement& s, const QString& key);
  std::optional<double> number(const Arg& a, double min, double max);
  std::optional<int> integer(const Arg& a, int min, int max);
  std::optional<int> choice(const Arg& a, const QStringList& words);
  std::optional<QColor> colour(const Arg& a);
  std::optional<Template> templ(const Arg& a);
  void common(const Statement& s, Item& item);
  bool boxOf(const Statement& s, QRectF& box);
  void item(const Statement& s);
  void checkPictureName(const Arg& a);

  ParseResult result_;
  std::vector<Problem> problems_;
  Description d_;
  int line_ = 0;
  int lastLine_ = 0;
  bool header_ = false;
  bool end_ = false;
  bool stop_ = false;
  bool size_ = false;
  SourcePos headerPos_{1, 1};
  SourcePos barcodeInfoPos_;
  std::vector<SourcePos> itemPos_;
  std::vector<SourcePos> dataPos_;  // per item: where its data or text starts
  std::vector<std::pair<SourcePos, int>> companyRefs_;
  std::vector<SourcePos> companyFieldRefs_;
  QSet<QString> pictureNames_;
};

ParseResult Parser::run(const QByteArray& input) {
  if (input.isEmpty()) {
    problem({1, 1}, QStringLiteral("ファイルが空です"));
  } else if (input.size() > kMaxFileBytes) {
    problem({1, 1}, QStringLiteral("ファイルが %1 バイトを超えています").arg(kMaxFileBytes));
  } else {
    QByteArray bytes = input;
    if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
    if (checkText(bytes)) {
      const QList<QByteArray> lines = bytes.split('\n');
      for (qsizetype i = 0; i < lines.size() && !stop_ && !full(); ++i) {
        QByteArray raw = lines[i];
        if (raw.endsWith('\r')) raw.chop(1);
        line_ = static_cast<int>(i + 1);
        const QString text = QString::fromUtf8(raw);
        if (!text.trimmed().isEmpty()) lastLine_ = line_;
        if (std::optional<Statement> s = tokenize(text, line_)) statement(*s);
      }
      if (!stop_ && !full()) finish();
    }
  }
  result_.problems = problems_;
  if (problems_.empty()) result_.description = std::move(d_);
  return result_;
}

// Text only: UTF-8, no control characters but tab and line ends.
bool Parser::checkText(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  int line = 1;
  int column = 1;
  for (qsizetype i = 0; i < bytes.size();) {
    const unsigned char c = p[i];
    const int n = utf8Length(p + i, bytes.size() - i);
    const bool lineEnd = c == '\n' || (c == '\r' && i + 1 < bytes.size() && p[i + 1] == '\n');
    if (n == 0) {
      problem({line, column},
              QStringLiteral("UTF-8 として読めないバイト 0x%1 があります(テキストファイルでは"
                             "ないか、Shift-JIS で保存されています)")
                  .arg(c, 2, 16, QLatin1Char('0')));
      return false;
    }
    if ((c < 0x20 && c != '\t' && !lineEnd) || c == 0x7F) {
      problem({line, column},
              QStringLiteral("文字でないバイト 0x%1 があります(テキストファイルではありません)")
                  .arg(c, 2, 16, QLatin1Char('0')));
      return false;
    }
    if (c == '\n') {
      ++line;
      column = 1;
    } else if (c != '\r') {
      ++column;
    }
    i += n;
  }
  return true;
}

std::optional<Statement> Parser::tokenize(const QString& text, int lineNo) {
  // Column of each UTF-16 position: surrogate pairs count once.
  std::vector<int> col(static_cast<std::size_t>(text.size()) + 1);
  int c = 1;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    col[static_cast<std::size_t>(i)] = c;
    if (i < text.size() && !text[i].isHighSurrogate()) ++c;
  }
  auto colAt = [&](qsizetype i) { return col[static_cast<std::size_t>(i)]; };
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n && isSpace(text[i])) ++i;
  if (i == n || text[i] == u'#') return std::nullopt;

  Statement s;
  s.line = lineNo;
  s.column = colAt(i);
  const qsizetype start = i;
  while (i < n && !isSpace(text[i])) ++i;
  s.keyword = text.mid(start, i - start);

  auto readQuoted = [&](Arg& a) -> bool {
    const qsizetype open = i++;
    for (;;) {
      if (i >= n) {
        problem({lineNo, colAt(open)}, QStringLiteral("「\"」が閉じていません"));
        return false;
      }
      const QChar ch = text[i];
      if (ch == u'"') break;
      if (ch == u'\\') {
        const QChar next = i + 1 < n ? text[i + 1] : QChar();
        if (next != u'n' && next != u'"' && next != u'\\') {
          problem({lineNo, colAt(i)}, QStringLiteral("「\\%1」という書き方はありません(\\n \\\" "
                                                     "\\\\ が使えます)")
                                          .arg(next));
          return false;
        }
        a.value += next == u'n' ? QChar(u'\n') : next;
        a.columns.push_back(colAt(i));
        i += 2;
        continue;
      }
      a.value += ch;
      a.columns.push_back(colAt(i));
      ++i;
    }
    a.columns.push_back(colAt(i));
    ++i;
    a.quoted = true;
    if (i < n && !isSpace(text[i])) {
      problem({lineNo, colAt(i)}, QStringLiteral("「\"」の後に空白がありません"));
      return false;
    }
    return true;
  };
  auto readBare = [&](Arg& a) -> bool {
    while (i < n && !isSpace(text[i])) {
      if (text[i] == u'"') {
        problem({lineNo, colAt(i)},
                QStringLiteral("値の途中に「\"」があります(値全体を \"…\" で囲んでください)"));
        return false;
      }
      a.value += text[i];
      a.columns.push_back(colAt(i));
      ++i;
    }
    a.columns.push_back(colAt(i));
    return true;
  };

  for (;;) {
    while (i < n && isSpace(text[i])) ++i;
    if (i >= n) break;
    Arg a;
    if (text[i] == u'"') {
      if (!readQuoted(a)) return std::nullopt;
    } else {
      qsizetype j = i;
      while (j < n && !isSpace(text[j]) && text[j] != u'=' && text[j] != u'"') ++j;
      if (j < n && text[j] == u'=') {
        a.key = text.mid(i, j - i);
        a.keyColumn = colAt(i);
        if (a.key.isEmpty()) {
          problem({lineNo, colAt(i)}, QStringLiteral("「=」の前に名前がありません"));
          return std::nullopt;
        }
        i = j + 1;
        if (i < n && text[i] == u'"') {
          if (!readQuoted(a)) return std::nullopt;
        } else {
          if (!readBare(a)) return std::nullopt;
          if (a.value.isEmpty()) {
            problem({lineNo, colAt(i)}, QStringLiteral("「%1=」の後に値がありません").arg(a.key));
            return std::nullopt;
          }
        }
      } else if (!readBare(a)) {
        return std::nullopt;
      }
    }
    s.args.push_back(std::move(a));
  }
  return s;
}

void Parser::statement(const Statement& s) {
  const SourcePos pos = s.pos();
  if (!header_) {
    header_ = true;
    headerPos_ = pos;
    if (s.keyword != kHeader || s.args.size() != 1 || !s.args[0].key.isEmpty()) {
      problem(pos, QStringLiteral("最初の行は「sorane-ticket 1」です(整理券プラグインではないか、"
                                  "版の行がありません)"));
      stop_ = true;
      return;
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,4}$"));
    const Arg& v = s.args[0];
    if (!digits.match(v.value).hasMatch() || v.value.toInt() < 1) {
      problem(at(v), QStringLiteral("版%1は数ではありません").arg(quoted(v.value)));
      stop_ = true;
    } else if (v.value.toInt() > kFormatVersion) {
      problem(at(v), QStringLiteral("版 %1 はこのプログラムでは読めません(%2 まで読めます)")
                         .arg(v.value)
                         .arg(kFormatVersion));
      stop_ = true;
    }
    d_.version = v.value.toInt();
    return;
  }
  if (end_) {
    problem(pos, QStringLiteral("end の後に書かれています"));
    stop_ = true;
    return;
  }
  if (s.keyword == QLatin1String("end")) {
    if (!s.args.empty()) problem(at(s.args[0]), QStringLiteral("end の後に値は書けません"));
    end_ = true;
  } else if (s.keyword == QLatin1String("size")) {
    if (size_) problem(pos, QStringLiteral("size が2度書かれています"));
    if (!keysOnly(s, {"w", "h"})) return;
    const Arg* w = required(s, QStringLiteral("w"));
    const Arg* h = required(s, QStringLiteral("h"));
    if (!w || !h) return;
    const auto wv = number(*w, kMinTicketMm, kMaxTicketMm);
    const auto hv = number(*h, kMinTicketMm, kMaxTicketMm);
    if (wv && hv) d_.size = QSizeF(*wv, *hv);
    size_ = true;
  } else if (s.keyword == QLatin1String("note") || s.keyword == QLatin1String("company")) {
    const bool note = s.keyword == QLatin1String("note");
    if (s.args.size() == 1 && !s.args[0].key.isEmpty()) {
      problem(keyAt(s.args[0]),
              QStringLiteral("%1 の文に「=」を含むときは \"…\" で囲みます").arg(s.keyword));
      return;
    }
    if (s.args.size() != 1) {
      problem(pos, QStringLiteral("%1 の後には文を1つ書きます(空白を含むときは \"…\" で囲みます)")
                       .arg(s.keyword));
      return;
    }
    const QString& text = s.args[0].value;
    if (note) {
      d_.notes << text;
    } else if (text.trimmed().isEmpty()) {
      problem(at(s.args[0]), QStringLiteral("社名が空です"));
    } else if (d_.companies.size() >= kMaxCompanies) {
      problem(pos, QStringLiteral("社名は %1 個までです").arg(kMaxCompanies));
    } else {
      d_.companies << text;
    }
  } else if (s.keyword == QLatin1String("barcode-info")) {
    if (d_.barcodeInfo) problem(pos, QStringLiteral("barcode-info が2度書かれています"));
    d_.barcodeInfo = true;
    barcodeInfoPos_ = pos;
    if (!keysOnly(s, {"routes", "method", "stops"})) return;
    const Arg* routes = required(s, QStringLiteral("routes"));
    const Arg* method = required(s, QStringLiteral("method"));
    const Arg* stops = required(s, QStringLiteral("stops"));
    if (routes)
      if (auto v = integer(*routes, 1, kMaxRoute)) d_.highestRoute = *v;
    if (method)
      if (auto v = choice(*method, {"serial", "route-direction"})) d_.routeMethod = *v + 1;
    if (stops) {
      static const QRegularExpression range(QStringLiteral("^([0-9]{1,5})-([0-9]{1,5})$"));
      const auto m = range.match(stops->value);
      const int first = m.captured(1).toInt();
      const int last = m.captured(2).toInt();
      if (!m.hasMatch() || first > last || last > kMaxStop)
        problem(
            at(*stops),
            QStringLiteral("stops は「1-99」のように最初-最後で、0〜%1 の範囲です").arg(kMaxStop));
      d_.firstStop = first;
      d_.lastStop = last;
    }
  } else if (s.keyword == QLatin1String("text") || s.keyword == QLatin1String("line") ||
             s.keyword == QLatin1String("frame") || s.keyword == QLatin1String("box") ||
             s.keyword == QLatin1String("picture") || s.keyword == QLatin1String("barcode")) {
    if (static_cast<int>(d_.items.size()) >= kMaxItems) {
      problem(pos, QStringLiteral("描く項目が多すぎます(%1 個まで)").arg(kMaxItems));
      stop_ = true;
      return;
    }
    if (!size_) {
      problem(pos, QStringLiteral("size は描く項目より前に書いてください"));
      stop_ = true;
      return;
    }
    item(s);
  } else {
    problem(pos, QStringLiteral("%1という行はありません(size note company barcode-info text "
                                "line frame box picture barcode end)")
                     .arg(quoted(s.keyword)));
  }
}

bool Parser::keysOnly(const Statement& s, const QStringList& allowed) {
  bool ok = true;
  QSet<QString> seen;
  for (const Arg& a : s.args) {
    if (a.key.isEmpty()) {
      problem(at(a), QStringLiteral("%1は「名前=値」の形で書いてください").arg(quoted(a.value)));
      ok = false;
    } else if (!allowed.contains(a.key)) {
      problem(keyAt(a), QStringLiteral("%1 に%2は書けません(%3)")
                            .arg(s.keyword, quoted(a.key), allowed.join(u' ')));
      ok = false;
    } else if (seen.contains(a.key)) {
      problem(keyAt(a), QStringLiteral("%1 が2度書かれています").arg(a.key));
      ok = false;
    }
    seen.insert(a.key);
  }
  return ok;
}

const Arg* Parser::arg(const Statement& s, const QString& key) const {
  for (const Arg& a : s.args)
    if (a.key == key) return &a;
  return nullptr;
}

const Arg* Parser::required(const Statement& s, const QString& key) {
  const Arg* a = arg(s, key);
  if (!a) problem(s.pos(), QStringLiteral("%1 に %2= がありません").arg(s.keyword, key));
  return a;
}

std::optional<double> Parser::number(const Arg& a, double min, double max) {
  static const QRegularExpression re(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,3})?$"));
  if (!re.match(a.value).hasMatch()) {
    problem(
        at(a),
        QStringLiteral("%1は数ではありません(12 や 3.5 のように書きます)").arg(quoted(a.value)));
    return std::nullopt;
  }
  const double v = a.value.toDouble();
  if (v < min || v > max) {
    problem(at(a),
            QStringLiteral("%1 は %2〜%3 の範囲で書いてください").arg(a.key).arg(min).arg(max));
    return std::nullopt;
  }
  return v;
}

std::optional<int> Parser::integer(const Arg& a, int min, int max) {
  static const QRegularExpression re(QStringLiteral("^[0-9]{1,6}$"));
  const int v = a.value.toInt();
  if (!re.match(a.value).hasMatch() || v < min || v > max) {
    problem(at(a),
            QStringLiteral("%1 は %2〜%3 の整数で書いてください").arg(a.key).arg(min).arg(max));
    return std::nullopt;
  }
  return v;
}

std::optional<int> Parser::choice(const Arg& a, const QStringList& words) {
  const qsizetype i = words.indexOf(a.value);
  if (i < 0) {
    problem(at(a), QStringLiteral("%1 は %2 のどれかです").arg(a.key, words.join(u' ')));
    return std::nullopt;
  }
  return static_cast<int>(i);
}

std::optional<QColor> Parser::colour(const Arg& a) {
  static const QRegularExpression re(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
  if (!re.match(a.value).hasMatch()) {
    problem(at(a), QStringLiteral("色は #RRGGBB の形で書きます(黒は #000000)"));
    return std::nullopt;
  }
  return QColor(a.value);
}

std::optional<Template> Parser::templ(const Arg& a) {
  TemplateError e;
  std::optional<Template> t = parseTemplate(a.value, e);
  if (!t) problem(at(a, e.at), e.message);
  return t;
}

bool Parser::boxOf(const Statement& s, QRectF& box) {
  const Arg* x = required(s, QStringLiteral("x"));
  const Arg* y = required(s, QStringLiteral("y"));
  const Arg* w = required(s, QStringLiteral("w"));
  const Arg* h = required(s, QStringLiteral("h"));
  if (!x || !y || !w || !h) return false;
  const auto xv = number(*x, 0, kMaxTicketMm);
  const auto yv = number(*y, 0, kMaxTicketMm);
  const auto wv = number(*w, 0.1, kMaxTicketMm);
  const auto hv = number(*h, 0.1, kMaxTicketMm);
  if (!xv || !yv || !wv || !hv) return false;
  box = QRectF(*xv, *yv, *wv, *hv);
  if (box.right() > d_.size.width() + kEdgeSlack || box.bottom() > d_.size.height() + kEdgeSlack) {
    problem(s.pos(), QStringLiteral("%1 が券(%2×%3 mm)の外に出ています")
                         .arg(s.keyword)
                         .arg(d_.size.width())
                         .arg(d_.size.height()));
    return false;
  }
  return true;
}

void Parser::common(const Statement& s, Item& item) {
  if (const Arg* c = arg(s, QStringLiteral("company"))) {
    if (auto v = integer(*c, 1, kMaxCompanies)) {
      item.company = *v;
      companyRefs_.push_back({at(*c), *v});
    }
  }
  if (const Arg* c = arg(s, QStringLiteral("color"))) item.color = colour(*c).value_or(item.color);
}

void Parser::checkPictureName(const Arg& a) {
  const QString& name = a.value;
  const QStringList parts = name.split(u'/');
  if (name.startsWith(u'/') || name.contains(u':'))
    problem(at(a), QStringLiteral("絵のファイルはプラグインのフォルダーからの相対パスで書きます"));
  else if (name.contains(u'\\'))
    problem(at(a), QStringLiteral("フォルダーの区切りは「/」です"));
  else if (parts.contains(QStringLiteral("..")) || parts.contains(QString()))
    problem(at(a), QStringLiteral("絵のファイルはプラグインのフォルダーの中に置きます(「..」は"
                                  "使えません)"));
  else if (!name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) &&
           !name.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
    problem(at(a), QStringLiteral("絵は .png か .svg のファイルです"));
  else {
    pictureNames_.insert(name);
    if (pictureNames_.size() > kMaxPictures)
      problem(at(a), QStringLiteral("絵のファイルは %1 個までです").arg(kMaxPictures));
  }
}

void Parser::item(const Statement& s) {
  Item it;
  it.pos = s.pos();
  SourcePos dataPos = s.pos();
  const QString& k = s.keyword;
  if (k == QLatin1String("text")) {
    it.kind = ItemKind::Text;
    if (!keysOnly(s, {"x", "y", "w", "h", "text", "face", "size", "weight", "align", "valign",
                      "vertical", "color", "company"}))
      return;
    boxOf(s, it.box);
    common(s, it);
    if (const Arg* t = required(s, QStringLiteral("text"))) {
      dataPos = at(*t);
      it.text = templ(*t).value_or(Template());
      if (t->value.toUcs4().size() > kMaxTextChars)
        problem(at(*t, kMaxTextChars),
                QStringLiteral("text は %1 文字までです").arg(kMaxTextChars));
    }
    it.face = QStringLiteral("gothic");
    if (const Arg* a = arg(s, QStringLiteral("face"))) {
      if (a->value.isEmpty() || a->value.size() > 64)
        problem(at(*a), QStringLiteral("face は1〜64文字です"));
      it.face = a->value;
    }
    if (const Arg* a = arg(s, QStringLiteral("size"))) {
      it.size = number(*a, 0.5, kMaxCharMm).value_or(0);
    }
    if (const Arg* a = arg(s, QStringLiteral("weight"))) {
      if (a->value == QLatin1String("normal")) {
        it.weight = 400;
      } else if (a->value == QLatin1String("bold")) {
        it.weight = 700;
      } else {
        static const QRegularExpression re(QStringLiteral("^[1-9][0-9]{2}$"));
        if (!re.match(a->value).hasMatch())
          problem(at(*a), QStringLiteral("weight は normal、bold か 100〜999 の数です"));
        it.weight = a->value.toInt();
      }
    }
    if (const Arg* a = arg(s, QStringLiteral("align"))) {
      it.align = static_cast<HAlign>(choice(*a, {"left", "center", "right"}).value_or(0));
    }
    if (const Arg* a = arg(s, QStringLiteral("valign"))) {
      it.valign = static_cast<VAlign>(choice(*a, {"top", "middle", "bottom"}).value_or(1));
    }
    if (const Arg* a = arg(s, QStringLiteral("vertical"))) {
      it.vertical = choice(*a, {"no", "yes"}).value_or(0) == 1;
    }
  } else if (k == QLatin1String("line")) {
    it.kind = ItemKind::Line;
    if (!keysOnly(s, {"x1", "y1", "x2", "y2", "pen", "color", "company"})) return;
    std::array<double, 4> v{};
    const std::array<const char*, 4> keys = {"x1", "y1", "x2", "y2"};
    for (std::size_t i = 0; i < 4; ++i) {
      const Arg* a = required(s, QLatin1String(keys[i]));
      const double limit = i % 2 == 0 ? d_.size.width() : d_.size.height();
      if (a) v[i] = number(*a, 0, limit).value_or(0);
    }
    it.line = QLineF(v[0], v[1], v[2], v[3]);
    common(s, it);
  } else if (k == QLatin1String("frame") || k == QLatin1String("box")) {
    const bool frame = k == QLatin1String("frame");
    it.kind = frame ? ItemKind::Frame : ItemKind::Box;
    if (!keysOnly(s, frame ? QStringList{"x", "y", "w", "h", "pen", "color", "company"}
                           : QStringList{"x", "y", "w", "h", "color", "company"}))
      return;
    boxOf(s, it.box);
    common(s, it);
  } else if (k == QLatin1String("picture")) {
    it.kind = ItemKind::Picture;
    if (!keysOnly(s, {"x", "y", "w", "h", "file", "fit", "company"})) return;
    boxOf(s, it.box);
    common(s, it);
    if (const Arg* a = required(s, QStringLiteral("file"))) {
      it.file = a->value;
      it.filePos = at(*a);
      checkPictureName(*a);
    }
    if (const Arg* a = arg(s, QStringLiteral("fit"))) {
      it.stretch = choice(*a, {"contain", "stretch"}).value_or(0) == 1;
    }
  } else {
    it.kind = ItemKind::Barcode;
    if (!keysOnly(s, {"x", "y", "w", "h", "type", "data", "text", "color", "company"})) return;
    boxOf(s, it.box);
    common(s, it);
    if (const Arg* a = required(s, QStringLiteral("type")))
      it.symbology =
          static_cast<Symbology>(choice(*a, {"nw7", "itf", "code128", "qr"}).value_or(0));
    if (const Arg* a = required(s, QStringLiteral("data"))) {
      dataPos = at(*a);
      it.data = templ(*a).value_or(Template());
    }
    if (const Arg* a = arg(s, QStringLiteral("text")))
      it.humanReadable = choice(*a, {"no", "yes"}).value_or(0) == 1;
    const auto barcodes = std::count_if(d_.items.begin(), d_.items.end(),
                                        [](const Item& i) { return i.kind == ItemKind::Barcode; });
    if (barcodes >= kMaxBarcodes)
      problem(s.pos(), QStringLiteral("バーコードは %1 本までです").arg(kMaxBarcodes));
  }
  if (const Arg* p = arg(s, QStringLiteral("pen"))) it.pen = number(*p, 0.05, 10).value_or(it.pen);
  if (it.text.uses(Field::Company) || it.data.uses(Field::Company))
    companyFieldRefs_.push_back(dataPos);
  // A faulty item has left its problem: the file is refused as a whole.
  d_.items.push_back(std::move(it));
  itemPos_.push_back(s.pos());
  dataPos_.push_back(dataPos);
}

// What each company variant paints: the items for all and its own.
void Parser::checkPaintedArea() {
  const double most = kMaxPaintedTickets * d_.size.width() * d_.size.height();
  for (int variant = 1; variant <= std::max<qsizetype>(1, d_.companies.size()); ++variant) {
    double area = 0;
    for (std::size_t i = 0; i < d_.items.size(); ++i) {
      if (d_.items[i].company != 0 && d_.items[i].company != variant) continue;
      area += paintedArea(d_.items[i]);
      if (area > most) {
        problem(itemPos_[i], QStringLiteral("描く項目の面積が合わせて券の %1 倍を超えています")
                                 .arg(kMaxPaintedTickets));
        return;
      }
    }
  }
}

void Parser::finish() {
  if (!header_) {
    problem({1, 1}, QStringLiteral("最初の行は「sorane-ticket 1」です(中身がありません)"));
    return;
  }
  if (!end_) {
    problem({lastLine_ + 1, 1},
            QStringLiteral("end の行がありません(ファイルが途中で切れていませんか)"));
    return;
  }
  if (!size_) problem(headerPos_, QStringLiteral("size の行がありません"));
  checkPaintedArea();
  for (const auto& [pos, n] : companyRefs_)
    if (n > d_.companies.size())
      problem(pos, QStringLiteral("社名は %1 個しかありません").arg(d_.companies.size()));
  if (d_.companies.isEmpty())
    for (const SourcePos& pos : companyFieldRefs_)
      problem(pos, QStringLiteral("{company} を使うには company の行で社名を書いてください"));

  // Barcodes against what the author declared, then encoded with sample values.
  std::vector<std::size_t> barcodes;
  for (std::size_t i = 0; i < d_.items.size(); ++i)
    if (d_.items[i].kind == ItemKind::Barcode) barcodes.push_back(i);
  if (!barcodes.empty() && !d_.barcodeInfo)
    problem(itemPos_[barcodes[0]], QStringLiteral("バーコードがあるときは barcode-info で系統と"
                                                  "停留所の範囲を書いてください"));
  if (barcodes.empty() && d_.barcodeInfo)
    problem(barcodeInfoPos_, QStringLiteral("barcode-info がありますが、バーコードがありません"));
  if (d_.barcodeInfo && !barcodes.empty()) {
    bool route = false, stop = false;
    // The largest number of `width` digits; ten digits need 64 bits.
    auto limit = [](int width) {
      std::int64_t n = 1;
      for (int i = 0; i < width; ++i) n *= 10;
      return n - 1;
    };
    for (std::size_t i : barcodes) {
      const Template& t = d_.items[i].data;
      route = route || t.uses(Field::Route);
      stop = stop || t.uses(Field::Index) || t.uses(Field::Ticket);
      for (const Placeholder& p : t.placeholders(Field::Route))
        if (p.zeroPad && d_.highestRoute > limit(p.width))
          problem(dataPos_[i], QStringLiteral("{route:0%1} は %1 桁ですが、系統は %2 まであります")
                                   .arg(p.width)
                                   .arg(d_.highestRoute));
      for (Field f : {Field::Index, Field::Ticket})
        for (const Placeholder& p : t.placeholders(f))
          if (p.zeroPad && d_.lastStop > limit(p.width))
            problem(dataPos_[i], QStringLiteral("{%1:0%2} は %2 桁ですが、停留所は %3 まであります")
                                     .arg(f == Field::Index ? "index" : "ticket")
                                     .arg(p.width)
                                     .arg(d_.lastStop));
    }
    if (!route)
      problem(barcodeInfoPos_, QStringLiteral("どのバーコードも系統番号 {route} を含んでいません"));
    if (!stop)
      problem(barcodeInfoPos_, QStringLiteral("どのバーコードも停留所の番号 {index} か {ticket} を"
                                              "含んでいません"));
  }
  const FieldValues sample = sampleValues(d_);
  for (std::size_t i : barcodes) {
    BarcodeShape shape;
    QString error;
    const QString data = formatTemplate(d_.items[i].data, sample, d_.companies);
    if (!encodeBarcode(d_.items[i].symbology, data, shape, error))
      problem(
          dataPos_[i],
          QStringLiteral("バーコードにできません: %1(見本の値で「%2」)").arg(error, data.left(40)));
  }
}

}  // namespace

FieldValues sampleValues(const Description& d) {
  FieldValues sample;
  sample.stop = QStringLiteral("停留所");
  sample.date = QStringLiteral("12-31-2024");
  sample.time = QStringLiteral("23:59:59");
  sample.route = std::max(1, d.highestRoute);
  sample.ticket = sample.index = std::max(1, d.lastStop);
  sample.company = 0;
  return sample;
}

ParseResult parseTicket(const QByteArray& bytes) {
  return Parser().run(bytes);
}

double paintedArea(const Item& item) {
  const double box = item.box.width() * item.box.height();
  switch (item.kind) {
    case ItemKind::Line:
      return (item.line.length() + item.pen) * item.pen;
    case ItemKind::Frame:
      return std::min(box, 2 * (item.box.width() + item.box.height()) * item.pen);
    default:
      return box;
  }
}

std::int32_t mmToTwips(double mm) {
  return static_cast<std::int32_t>(std::lround(mm * 1440.0 / 25.4));
}

std::array<std::int32_t, 14> capabilityFields(const Description& d) {
  std::array<std::int32_t, 14> f{};
  auto uses = [&](Field field) {
    for (const Item& i : d.items)
      if (i.text.uses(field) || i.data.uses(field)) return 1;
    return 0;
  };
  const auto barcodes = std::count_if(d.items.begin(), d.items.end(),
                                      [](const Item& i) { return i.kind == ItemKind::Barcode; });
  f[0] = d.version;
  f[1] = mmToTwips(d.size.width());
  f[2] = mmToTwips(d.size.height());
  f[3] = uses(Field::Date);
  f[4] = uses(Field::Time);
  f[5] = uses(Field::Route);
  f[6] = uses(Field::Stop);
  f[7] = barcodes > 0 ? 1 : 0;
  f[8] = static_cast<std::int32_t>(barcodes);
  f[9] = d.highestRoute;
  f[10] = d.routeMethod;
  f[11] = d.firstStop;
  f[12] = d.lastStop;
  f[13] = static_cast<std::int32_t>(d.companies.size());
  return f;
}

}  // namespace sorane::ticket
