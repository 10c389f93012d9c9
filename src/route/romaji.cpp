#include "romaji.h"

#include <QHash>
#include <QStringList>
#include <algorithm>
#include <bit>
#include <optional>
#include <string_view>
#include <vector>

namespace sorane {
namespace {

// Hiragana one by one, in the order of the kana table: a, ka, sa, ...
const char16_t kKana[] =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわゐゑ"
    u"をん"
    u"がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽゔぁぃぅぇぉゃゅょゎゕゖ";
const char* const kRomaji[] = {
    "a",  "i",   "u",   "e",  "o",  "ka", "ki", "ku", "ke", "ko", "sa", "shi", "su", "se", "so",
    "ta", "chi", "tsu", "te", "to", "na", "ni", "nu", "ne", "no", "ha", "hi",  "fu", "he", "ho",
    "ma", "mi",  "mu",  "me", "mo", "ya", "yu", "yo", "ra", "ri", "ru", "re",  "ro", "wa", "i",
    "e",  "o",   "n",   "ga", "gi", "gu", "ge", "go", "za", "ji", "zu", "ze",  "zo", "da", "ji",
    "zu", "de",  "do",  "ba", "bi", "bu", "be", "bo", "pa", "pi", "pu", "pe",  "po", "vu", "a",
    "i",  "u",   "e",   "o",  "ya", "yu", "yo", "wa", "ka", "ke"};
// Two kana read as one sound, beyond the -ya, -yu, -yo of the i-row.
const std::pair<const char16_t*, const char*> kPairs[] = {
    {u"ふぁ", "fa"},  {u"ふぃ", "fi"},  {u"ふぇ", "fe"},  {u"ふぉ", "fo"},  {u"ふゅ", "fyu"},
    {u"てぃ", "ti"},  {u"でぃ", "di"},  {u"とぅ", "tu"},  {u"どぅ", "du"},  {u"てゅ", "tyu"},
    {u"でゅ", "dyu"}, {u"うぃ", "wi"},  {u"うぇ", "we"},  {u"うぉ", "wo"},  {u"ゔぁ", "va"},
    {u"ゔぃ", "vi"},  {u"ゔぇ", "ve"},  {u"ゔぉ", "vo"},  {u"しぇ", "she"}, {u"じぇ", "je"},
    {u"ちぇ", "che"}, {u"つぁ", "tsa"}, {u"つぃ", "tsi"}, {u"つぇ", "tse"}, {u"つぉ", "tso"},
    {u"いぇ", "ye"},  {u"くぁ", "kwa"}, {u"ぐぁ", "gwa"}};

const QHash<QString, QString>& syllables() {
  static const QHash<QString, QString> table = [] {
    QHash<QString, QString> t;
    const QString kana = QString::fromUtf16(kKana);
    for (qsizetype i = 0; i < kana.size(); ++i)
      t.insert(kana.mid(i, 1), QString::fromLatin1(kRomaji[i]));
    // The i-row with a small ya, yu, yo: kya, sha, cha, ja, nya, ...
    const QString small = QStringLiteral("ゃゅょ");
    for (const QChar c : QStringLiteral("きしちにひみりぎじぢびぴ")) {
      QString base = t.value(QString(c));
      base.chop(1);
      const bool palatal = base.endsWith(u"sh") || base.endsWith(u"ch") || base == u"j";
      for (int v = 0; v < 3; ++v)
        t.insert(QString(c) + small[v], base + (palatal ? "" : "y") + QLatin1Char("auo"[v]));
    }
    for (const auto& [pair, romaji] : kPairs)
      t.insert(QString::fromUtf16(pair), QString::fromLatin1(romaji));
    return t;
  }();
  return table;
}

QChar toHiragana(QChar c) {
  if (c >= u'\u30A1' && c <= u'\u30F6') return QChar(c.unicode() - 0x60);
  return c;
}

QString hiragana(const QString& text) {
  QString out = text.normalized(QString::NormalizationForm_KC);
  for (QChar& c : out) c = toHiragana(c);
  return out;
}

// Joins the readings of neighbouring pieces of a name into one word without
// letting a long vowel run across them (山の上: yama-no-ue, not yamanoe).
constexpr char16_t kPieceBreak = u'\u200B';

bool isWordBreak(QChar c) {
  return c.isSpace() || c == u'・' || c == u'･';
}

bool isVowel(QChar c) {
  return QStringLiteral("aiueo").contains(c);
}

// ---- The word table ----

struct Word {
  const char16_t* kanji;
  const char16_t* reading;
  const char16_t* alsoRead;  // another reading, or null
  const char* english;
  bool suffix;      // joined to the word before with a hyphen
  bool translated;  // an English word, not the Japanese one romanised
};

// Longer words first, so 駅前 wins over 駅 and 前.
const Word kWords[] = {
    {u"高等学校", u"こうとうがっこう", nullptr, "High School", false, true},
    {u"小学校", u"しょうがっこう", nullptr, "Elementary School", false, true},
    {u"中学校", u"ちゅうがっこう", nullptr, "Junior High School", false, true},
    {u"市役所", u"しやくしょ", nullptr, "City Hall", false, true},
    {u"図書館", u"としょかん", nullptr, "Library", false, true},
    {u"駅前", u"えきまえ", nullptr, "Ekimae", false, false},
    {u"団地", u"だんち", nullptr, "Danchi", false, false},
    {u"温泉", u"おんせん", nullptr, "Onsen", false, false},
    {u"丁目", u"ちょうめ", nullptr, "chome", true, false},
    {u"入口", u"いりぐち", u"いりくち", "Iriguchi", false, false},
    {u"病院", u"びょういん", nullptr, "Hospital", false, true},
    {u"高校", u"こうこう", nullptr, "High School", false, true},
    {u"大学", u"だいがく", nullptr, "University", false, true},
    {u"神社", u"じんじゃ", nullptr, "Shrine", false, true},
    {u"駅", u"えき", nullptr, "Station", false, true},
    {u"前", u"まえ", nullptr, "mae", true, false},
};
bool is(const Word* w, std::u16string_view kanji) {
  return w && kanji == w->kanji;
}

// ---- Numbers before 丁目 ----

const QString kKanjiDigits = QStringLiteral("〇一二三四五六七八九");

// 1..99 written in digits or in kanji numerals; nothing for anything else.
std::optional<int> numberIn(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  bool ok = false;
  const int n = text.toInt(&ok);
  if (ok && text.size() <= 2 && n >= 1) return n;
  const qsizetype ten = text.indexOf(u'十');
  auto digit = [](const QString& s) -> std::optional<int> {
    if (s.size() != 1) return std::nullopt;
    const qsizetype d = kKanjiDigits.indexOf(s[0]);
    return d >= 1 ? std::optional<int>(static_cast<int>(d)) : std::nullopt;
  };
  if (ten < 0) return digit(text);
  const QString tens = text.left(ten), units = text.mid(ten + 1);
  const std::optional<int> t = tens.isEmpty() ? 1 : digit(tens);
  const std::optional<int> u = units.isEmpty() ? 0 : digit(units);
  if (!t || !u || *t < 1) return std::nullopt;
  return *t * 10 + *u;
}

bool isNumeral(QChar c) {
  return (c >= u'0' && c <= u'9') || kKanjiDigits.contains(c) || c == u'十';
}

// The ways `n` is read before ちょうめ: さん, いっ, じゅうに, ...
QStringList numberReadings(int n) {
  static const QStringList kUnits[] = {
      {},     {"いち", "いっ"}, {"に"},           {"さん"},         {"よん", "し"},
      {"ご"}, {"ろく", "ろっ"}, {"なな", "しち"}, {"はち", "はっ"}, {"きゅう", "く"}};
  const int t = n / 10, u = n % 10;
  if (t == 0) return kUnits[u];
  QStringList tens;
  for (const QString& ten : QStringList{"じゅう", "じゅっ", "じっ"})
    if (t == 1) {
      tens << ten;
    } else {
      for (const QString& head : kUnits[t]) tens << head + ten;
    }
  if (u == 0) return tens;
  QStringList out;
  for (const QString& head : tens)
    if (head.endsWith(u'う'))
      for (const QString& unit : kUnits[u]) out << head + unit;
  return out;
}

// ---- Aligning the name with its reading ----

// A piece of the name: a table word, a number, kana (read as written) or
// other text (read any way).
struct Token {
  QString text;
  const Word* word = nullptr;
  std::optional<int> number = std::nullopt;
  QStringList readings = {};  // empty: any reading of one kana or more
};

bool isKana(QChar c) {
  const QChar h = toHiragana(c);
  return (h >= u'\u3041' && h <= u'\u3096') || c == u'ー';
}

// The name cut into tokens: table words where they may stand (a suffix
// only after something), numbers before 丁目, runs of kana.
std::vector<Token> tokensOf(const QString& name) {
  std::vector<Token> tokens;
  QString plain;
  auto flush = [&] {
    // Kana runs are read as they are written; the rest as the reading says.
    qsizetype i = 0;
    while (i < plain.size()) {
      const bool kana = isKana(plain[i]);
      qsizetype j = i;
      while (j < plain.size() && isKana(plain[j]) == kana) ++j;
      Token t{plain.mid(i, j - i)};
      if (kana) t.readings << hiragana(t.text);
      tokens.push_back(t);
      i = j;
    }
    plain.clear();
  };
  for (qsizetype i = 0; i < name.size();) {
    const Word* found = nullptr;
    for (const Word& w : kWords) {
      const QString kanji = QString::fromUtf16(w.kanji);
      if (name.mid(i, kanji.size()) == kanji && !(w.suffix && i == 0)) {
        found = &w;
        break;
      }
    }
    if (!found) {
      plain += name[i++];
      continue;
    }
    if (is(found, u"丁目")) {
      // The number just before 丁目 is a token of its own.
      qsizetype start = plain.size();
      while (start > 0 && isNumeral(plain[start - 1])) --start;
      const std::optional<int> n = numberIn(plain.mid(start));
      if (n) {
        const QString digits = plain.mid(start);
        plain.chop(plain.size() - start);
        flush();
        tokens.push_back(Token{digits, nullptr, n, numberReadings(*n)});
      }
    }
    flush();
    Token t{QString::fromUtf16(found->kanji), found};
    t.readings << QString::fromUtf16(found->reading);
    if (found->alsoRead) t.readings << QString::fromUtf16(found->alsoRead);
    tokens.push_back(t);
    i += t.text.size();
  }
  flush();
  return tokens;
}

// Fills `pieces` with the part of `reading` from `pos` that each token from
// `t` takes; false when they cannot take it all.
bool align(const std::vector<Token>& tokens, std::size_t t, const QString& reading, qsizetype pos,
           QStringList& pieces) {
  if (t == tokens.size()) return reading.mid(pos).trimmed().isEmpty();
  const Token& token = tokens[t];
  // Blanks in the reading may stand between any two tokens.
  if (pos < reading.size() && reading[pos] == u' ')
    return align(tokens, t, reading, pos + 1, pieces);
  if (!token.readings.isEmpty()) {
    for (const QString& r : token.readings) {
      if (reading.mid(pos, r.size()) != r) continue;
      pieces << r;
      if (align(tokens, t + 1, reading, pos + r.size(), pieces)) return true;
      pieces.removeLast();
    }
    return false;
  }
  // Free text takes as much as it can and leaves the rest to the words after.
  for (qsizetype n = reading.size() - pos; n >= 1; --n) {
    pieces << reading.mid(pos, n);
    if (align(tokens, t + 1, reading, pos + n, pieces)) return true;
    pieces.removeLast();
  }
  return false;
}

// `tokens` with those not in `kept` (a bit per constrained token) made free
// text, free neighbours joined.
std::vector<Token> loosened(const std::vector<Token>& tokens, unsigned kept) {
  std::vector<Token> out;
  int bit = 0;
  for (const Token& token : tokens) {
    Token t = token;
    if (!t.readings.isEmpty() && !(kept & (1u << bit++))) t = Token{t.text};
    if (t.readings.isEmpty() && !out.empty() && out.back().readings.isEmpty())
      out.back().text += t.text;
    else
      out.push_back(t);
  }
  return out;
}

QString capitalized(QString word) {
  if (!word.isEmpty()) word[0] = word[0].toUpper();
  return word;
}

}  // namespace

QString kanaToRomaji(const QString& kana) {
  const QString text = hiragana(kana);
  const QHash<QString, QString>& table = syllables();
  QString out;
  bool doubleNext = false;
  for (qsizetype i = 0; i < text.size();) {
    const QChar c = text[i];
    if (isWordBreak(c)) {
      if (!out.isEmpty() && !out.endsWith(u' ')) out += u' ';
      doubleNext = false;
      ++i;
      continue;
    }
    if (c == u'っ') {
      doubleNext = true;
      ++i;
      continue;
    }
    if (c == u'ー' || c == kPieceBreak) {  // a long vowel is written plainly
      ++i;
      continue;
    }
    QString syllable;
    qsizetype used = 0;
    for (qsizetype n : {2, 1}) {
      syllable = table.value(text.mid(i, n));
      if (!syllable.isEmpty()) {
        used = n;
        break;
      }
    }
    if (used == 0) {
      out += c;
      doubleNext = false;
      ++i;
      continue;
    }
    i += used;
    if (doubleNext && !isVowel(syllable[0]) && syllable != u"n")
      out += syllable.startsWith(u"ch") ? QChar(u't') : syllable[0];
    doubleNext = false;
    if (syllable == u"n" && i < text.size()) {
      const QString next = table.value(text.mid(text[i] == kPieceBreak ? i + 1 : i, 1));
      if (!next.isEmpty() && (isVowel(next[0]) || next[0] == u'y') && next != u"n")
        syllable += u'\'';
    }
    out += syllable;
    // おう, おお and うう are long vowels: the second is not written. A
    // pair such as うぃ is a sound of its own.
    const bool pair = i + 1 < text.size() && table.contains(text.mid(i, 2));
    if (i < text.size() && !pair &&
        ((syllable.endsWith(u'o') && (text[i] == u'う' || text[i] == u'お')) ||
         (syllable.endsWith(u'u') && text[i] == u'う')))
      ++i;
  }
  return out.trimmed();
}

QString romanizedStopName(const QString& reading, const QString& name) {
  const QString read = hiragana(reading).simplified();
  if (read.isEmpty()) return {};
  const std::vector<Token> tokens = tokensOf(hiragana(name).remove(u' '));
  const int constrained = static_cast<int>(std::count_if(
      tokens.begin(), tokens.end(), [](const Token& t) { return !t.readings.isEmpty(); }));
  // The most table words, numbers and kana that fit the reading are kept.
  std::vector<Token> best;
  QStringList pieces;
  bool found = false;
  if (!tokens.empty() && constrained <= 8) {
    std::vector<unsigned> masks;
    for (unsigned m = 0; m < (1u << constrained); ++m) masks.push_back(m);
    std::stable_sort(masks.begin(), masks.end(),
                     [](unsigned a, unsigned b) { return std::popcount(a) > std::popcount(b); });
    for (unsigned mask : masks) {
      best = loosened(tokens, mask);
      pieces.clear();
      if ((found = align(best, 0, read, 0, pieces))) break;
    }
  }
  QStringList words;
  // Neighbouring pieces that are not table words make one word.
  QString piece;
  auto endWord = [&] {
    for (const QString& w : kanaToRomaji(piece).split(u' ', Qt::SkipEmptyParts))
      words << capitalized(w);
    piece.clear();
  };
  if (!found) {
    piece = read;
    endWord();
    return words.join(u' ');
  }
  bool afterTranslated = false;
  for (std::size_t i = 0; i < best.size(); ++i) {
    const Token& t = best[i];
    const Word* w = t.word;
    const bool numberBeforeChome = t.number && i + 1 < best.size() && is(best[i + 1].word, u"丁目");
    if (!w && !numberBeforeChome) {
      if (!piece.isEmpty()) piece += kPieceBreak;
      piece += pieces[static_cast<qsizetype>(i)];
      afterTranslated = false;
      continue;
    }
    endWord();
    if (numberBeforeChome) {
      words << QString::number(*t.number);
    } else if (w->suffix) {
      // 前 after an English word goes without saying: 市民病院前 is Shimin Hospital.
      if (is(w, u"前") && afterTranslated) continue;
      const QString suffix = QString::fromLatin1(w->english);
      if (words.isEmpty())
        words << capitalized(suffix);
      else
        words.last() += u'-' + suffix;
    } else {
      words << QString::fromLatin1(w->english);
    }
    afterTranslated = w && w->translated;
  }
  endWord();
  return words.join(u' ');
}

}  // namespace sorane
