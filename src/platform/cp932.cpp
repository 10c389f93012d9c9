#include "cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace sorane::cp932 {
namespace {

// One converter per direction and thread; iconv_open is not cheap.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("iconv cannot convert CP932");
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; on a sequence it cannot convert, appends '?' and skips
  // `skip(bytes_left_pointer, bytes_left)` input bytes. The output is given
  // room for all of it at once (`perByte` output bytes an input byte at the
  // most), and the input a window at a time, small after a failure: glibc
  // redoes a multi-step conversion from the start of the call whenever the
  // output fills, and converts ahead what a failure at its last step throws
  // away, either of which made long texts quadratic.
  template <typename Skip>
  QByteArray run(const QByteArray& in, qsizetype perByte, Skip skip) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    QByteArray out(in.size() * perByte + 4, Qt::Uninitialized);
    char* src = const_cast<char*>(in.constData());
    char* const end = src + in.size();
    char* dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    constexpr std::ptrdiff_t kSmall = 8, kLarge = 4096;
    std::ptrdiff_t size = kLarge;
    while (src < end) {
      size_t window = static_cast<size_t>(std::min(size, end - src));
      const size_t before = window;
      const size_t rc = iconv(cd_, &src, &window, &dst, &dstLeft);
      if (rc != static_cast<size_t>(-1)) {
        size = std::min(size * 2, kLarge);
        continue;
      }
      // A character cut by the window's end: the next window holds it.
      if (errno == EINVAL && src + window < end && window < before) continue;
      if (errno == E2BIG) break;
      // EILSEQ (unconvertible) or EINVAL (incomplete at the end).
      size = kSmall;
      *dst++ = '?';
      --dstLeft;
      const size_t left = static_cast<size_t>(end - src);
      src += errno == EINVAL ? left : skip(src, left);  // both stateless: nothing to reset
    }
    out.truncate(dst - out.constData());
    if (out.size() < out.capacity() / 2) out.squeeze();  // a large file's unused room
    return out;
  }

 private:
  iconv_t cd_;
};

size_t utf8Length(const char* p, size_t left) {
  const auto b = static_cast<unsigned char>(*p);
  size_t n = 1;
  if (b >= 0xF0)
    n = 4;
  else if (b >= 0xE0)
    n = 3;
  else if (b >= 0xC0)
    n = 2;
  return n < left ? n : left;
}

size_t sjisLength(const char* p, size_t left) {
  // A valid lead byte followed by an unassigned trail: drop both, as one
  // character; anything else: drop one byte.
  if (isLeadByte(static_cast<unsigned char>(*p)) && left >= 2) {
    const auto t = static_cast<unsigned char>(p[1]);
    if (t >= 0x40 && t <= 0xFC && t != 0x7F) return 2;
  }
  return 1;
}

}  // namespace

QByteArray encode(const QString& text) {
  thread_local Converter conv("CP932", "UTF-8");
  // The converter drops Unicode's tag characters (U+E0000..U+E007F, high
  // surrogate 0xDB40) without an error; they have no form here either.
  // One or two bytes for every character, whose UTF-8 is at least as long;
  // "?" for one that cannot be converted.
  if (!text.contains(QChar(0xDB40))) return conv.run(text.toUtf8(), 1, utf8Length);
  QString t;
  t.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QChar(0xDB40) && i + 1 < text.size() && text[i + 1].unicode() >= 0xDC00 &&
        text[i + 1].unicode() <= 0xDC7F) {
      t += QLatin1Char('?');
      ++i;
    } else {
      t += text[i];
    }
  }
  return conv.run(t.toUtf8(), 1, utf8Length);
}

QByteArray decodeToUtf8(const QByteArray& bytes) {
  thread_local Converter conv("UTF-8", "CP932");
  // A half-width katakana byte becomes three bytes; a pair at most three.
  return conv.run(bytes, 3, sjisLength);
}

QString decode(const QByteArray& bytes) {
  return QString::fromUtf8(decodeToUtf8(bytes));
}

}  // namespace sorane::cp932
