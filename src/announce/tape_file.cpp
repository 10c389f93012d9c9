#include "tape_file.h"

#include <QStringList>
#include <algorithm>
#include <optional>

#include "cp932.h"
#include "file_io.h"
#include "utf8.h"

namespace sorane {
namespace {

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t';
}

// A structural check first: the decoder turns bad bytes into "?", so only a
// byte-level walk tells them from a real "?".
bool isShiftJis(const QByteArray& bytes) {
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (cp932::isLeadByte(b)) {
      if (i + 1 >= bytes.size()) return false;
      const auto t = static_cast<unsigned char>(bytes[i + 1]);
      if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
      ++i;
    } else if (b == 0x80 || b == 0xA0 || b >= 0xFD) {
      return false;
    }
  }
  return std::count(bytes.begin(), bytes.end(), '?') ==
         cp932::decode(bytes).count(QLatin1Char('?'));
}

struct Field {
  QString text;
  bool quoted = false;
};

// Splits one line into comma-separated fields; nullopt on a broken quote.
std::optional<std::vector<Field>> splitFields(const QString& line) {
  std::vector<Field> fields;
  qsizetype i = 0;
  const qsizetype n = line.size();
  while (true) {
    while (i < n && isBlank(line[i])) ++i;
    Field field;
    if (i < n && line[i] == u'"') {
      const qsizetype close = line.indexOf(u'"', i + 1);
      if (close < 0) return std::nullopt;
      field.text = line.mid(i + 1, close - i - 1);
      field.quoted = true;
      i = close + 1;
      while (i < n && isBlank(line[i])) ++i;
      if (i < n && line[i] != u',') return std::nullopt;
    } else {
      qsizetype comma = line.indexOf(u',', i);
      if (comma < 0) comma = n;
      field.text = line.mid(i, comma - i);
      while (!field.text.isEmpty() && isBlank(field.text.back())) field.text.chop(1);
      i = comma;
    }
    fields.push_back(std::move(field));
    if (i >= n) break;
    ++i;  // the comma
  }
  return fields;
}

// An empty field reads as 0, as the system's field reader gives it.
std::optional<std::int16_t> toFlag(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return std::int16_t{0};
  bool ok = false;
  const int value = t.toInt(&ok, 10);
  if (!ok || value < -32768 || value > 32767) return std::nullopt;
  return static_cast<std::int16_t>(value);
}

TapeFile failure(TapeFileError error, int line) {
  TapeFile file;
  file.error = error;
  file.line = line;
  return file;
}

}  // namespace

TapeFile parseTapeFile(const QByteArray& bytes) {
  static const QByteArray kBom("\xEF\xBB\xBF");
  TapeEncoding encoding = TapeEncoding::ShiftJis;
  QString text;
  if (bytes.startsWith(kBom)) {
    const QByteArray body = bytes.mid(kBom.size());
    if (!utf8::isValid(body)) return failure(TapeFileError::BadEncoding, 0);
    encoding = TapeEncoding::Utf8WithBom;
    text = QString::fromUtf8(body);
  } else if (utf8::hasNonAscii(bytes) && utf8::isValid(bytes)) {
    encoding = TapeEncoding::Utf8;
    text = QString::fromUtf8(bytes);
  } else {
    if (!isShiftJis(bytes)) return failure(TapeFileError::BadEncoding, 0);
    text = cp932::decode(bytes);
  }

  QStringList lines = text.split(QLatin1Char('\n'));
  for (QString& line : lines)
    if (line.endsWith(u'\r')) line.chop(1);

  auto failed = [encoding](TapeFileError error, int line) {
    TapeFile file = failure(error, line);
    file.encoding = encoding;
    return file;
  };
  TapeFile file;
  file.encoding = encoding;
  file.entries.reserve(static_cast<std::size_t>(lines.size()));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i + 1);
    if (lines[i].trimmed().isEmpty()) continue;
    const auto fields = splitFields(lines[i]);
    if (!fields) return failed(TapeFileError::BrokenQuote, lineNo);
    if (fields->size() != 3) return failed(TapeFileError::FieldCount, lineNo);
    const auto step = toFlag((*fields)[1].text);
    const auto snd = toFlag((*fields)[2].text);
    if (!step || !snd) return failed(TapeFileError::BadFlag, lineNo);
    file.entries.push_back({(*fields)[0].text, *step, *snd});
  }
  return file;
}

TapeFile readTapeFile(const QString& folder, const QString& route) {
  const QString path = findFileIgnoringCase(folder + route + QStringLiteral("tp.csv"));
  if (path.isEmpty()) return failure(TapeFileError::NotFound, 0);
  try {
    return parseTapeFile(readTextFile(path, kMaxTapeFileBytes));
  } catch (const FileTooLarge&) {
    return failure(TapeFileError::TooLarge, 0);
  } catch (const RuntimeError&) {
    return failure(TapeFileError::Unreadable, 0);
  }
}

}  // namespace sorane
