#pragma once

#include <QByteArray>
#include <cstdint>

namespace sorane::test {

// Hand-made little-endian byte strings.
class Bytes {
 public:
  Bytes& i16(int v) {
    for (int i = 0; i < 2; ++i)
      b.append(static_cast<char>((static_cast<unsigned>(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  Bytes& i32(std::int64_t v) {
    for (int i = 0; i < 4; ++i)
      b.append(static_cast<char>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  // A 16-bit byte count, then the bytes.
  Bytes& text(const QByteArray& t) {
    i16(static_cast<int>(t.size()));
    b.append(t);
    return *this;
  }
  Bytes& raw(const QByteArray& t) {
    b.append(t);
    return *this;
  }
  Bytes& hex(const char* h) { return raw(QByteArray::fromHex(h)); }
  operator QByteArray() const { return b; }
  QByteArray b;
};

}  // namespace sorane::test
