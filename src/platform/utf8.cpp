#include "utf8.h"

namespace sorane::utf8 {

bool isValid(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n;) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      ++i;
      continue;
    }
    int length;
    // The range the second byte must fall in rules out overlong forms,
    // surrogates and code points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + length > n) return false;
    if (p[i + 1] < low || p[i + 1] > high) return false;
    for (int k = 2; k < length; ++k)
      if (p[i + k] < 0x80 || p[i + k] > 0xBF) return false;
    i += length;
  }
  return true;
}

bool hasNonAscii(const QByteArray& bytes) {
  for (const char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

}  // namespace sorane::utf8
