// Shift-JIS both ways: decoding then encoding settles at once, every
// character stays one character, and strictly valid UTF-8 survives Qt.
#include <QList>

#include "cp932.h"
#include "fuzz_check.h"
#include "utf8.h"

using namespace sorane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);

  // As Shift-JIS.
  const QString text = cp932::decode(bytes);
  FUZZ_CHECK(text.size() <= bytes.size());
  const QByteArray encoded = cp932::encode(text);
  FUZZ_CHECK(cp932::decode(encoded) == text);
  FUZZ_CHECK(cp932::encode(cp932::decode(encoded)) == encoded);
  // What the encoder writes is whole characters.
  for (qsizetype i = 0; i < encoded.size(); ++i) {
    if (!cp932::isLeadByte(static_cast<unsigned char>(encoded[i]))) continue;
    FUZZ_CHECK(i + 1 < encoded.size());
    ++i;
  }

  // As UTF-8 text: a character the code page lacks becomes one "?".
  const QString unicode = QString::fromUtf8(bytes);
  FUZZ_CHECK(cp932::decode(cp932::encode(unicode)).toUcs4().size() == unicode.toUcs4().size());
  if (utf8::isValid(bytes)) FUZZ_CHECK(unicode.toUtf8() == bytes);
  FUZZ_CHECK(utf8::hasNonAscii(bytes) || utf8::isValid(bytes));
  return 0;
}
