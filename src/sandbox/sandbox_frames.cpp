#include "sandbox_frames.h"

#include <QStringDecoder>
#include <QtEndian>
#include <cstring>

namespace sorane::sandbox {
namespace {

constexpr char kMagic[4] = {'S', 'R', 'N', 'F'};

template <typename T>
void put(QByteArray& out, T v) {
  char bytes[sizeof(T)];
  qToLittleEndian(v, bytes);
  out.append(bytes, sizeof(T));
}

template <typename T>
T get(const char* at) {
  return qFromLittleEndian<T>(at);
}

}  // namespace

QByteArray encodeFrame(const Frame& frame) {
  QByteArray out;
  out.reserve(kHeaderBytes + frame.payload.size());
  out.append(kMagic, 4);
  put<std::uint16_t>(out, kProtocolVersion);
  put<std::uint16_t>(out, frame.kind);
  put<std::uint32_t>(out, frame.id);
  put<std::uint32_t>(out, static_cast<std::uint32_t>(frame.payload.size()));
  out.append(frame.payload);
  return out;
}

void FrameReader::append(QByteArrayView bytes) {
  if (broken()) return;
  // Taken frames are dropped once they are most of the buffer.
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.remove(0, start_);
    start_ = 0;
  }
  buffer_.append(bytes);
}

std::optional<Frame> FrameReader::next() {
  if (broken() || pending() < kHeaderBytes) return std::nullopt;
  const char* h = buffer_.constData() + start_;
  if (std::memcmp(h, kMagic, 4) != 0) {
    error_ = QStringLiteral("枠の始まりが違います");
    return std::nullopt;
  }
  const auto version = get<std::uint16_t>(h + 4);
  if (version != kProtocolVersion) {
    error_ = QStringLiteral("版 %1 の枠は読めません(%2 まで)").arg(version).arg(kProtocolVersion);
    return std::nullopt;
  }
  const auto length = get<std::uint32_t>(h + 12);
  if (length > maxPayload_) {
    error_ =
        QStringLiteral("枠が %1 バイトで、%2 バイトを超えています").arg(length).arg(maxPayload_);
    return std::nullopt;
  }
  if (pending() - kHeaderBytes < static_cast<qsizetype>(length)) return std::nullopt;
  Frame f;
  f.kind = get<std::uint16_t>(h + 6);
  f.id = get<std::uint32_t>(h + 8);
  f.payload = QByteArray(h + kHeaderBytes, static_cast<qsizetype>(length));
  start_ += kHeaderBytes + static_cast<qsizetype>(length);
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  return f;
}

PayloadWriter& PayloadWriter::u32(std::uint32_t v) {
  put(data_, v);
  return *this;
}

PayloadWriter& PayloadWriter::f64(double v) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  put(data_, bits);
  return *this;
}

PayloadWriter& PayloadWriter::bytes(QByteArrayView v) {
  u32(static_cast<std::uint32_t>(v.size()));
  data_.append(v);
  return *this;
}

bool PayloadReader::take(qsizetype n, QByteArrayView& out) {
  if (!ok_ || n < 0 || data_.size() - at_ < n) {
    ok_ = false;
    return false;
  }
  out = data_.sliced(at_, n);
  at_ += n;
  return true;
}

std::uint32_t PayloadReader::u32() {
  QByteArrayView v;
  return take(4, v) ? get<std::uint32_t>(v.data()) : 0;
}

double PayloadReader::f64() {
  QByteArrayView v;
  if (!take(8, v)) return 0;
  const auto bits = get<std::uint64_t>(v.data());
  double d = 0;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

QByteArray PayloadReader::bytes(std::uint32_t max) {
  const std::uint32_t n = u32();
  if (n > max) ok_ = false;
  QByteArrayView v;
  return ok_ && take(static_cast<qsizetype>(n), v) ? v.toByteArray() : QByteArray();
}

QString PayloadReader::text(std::uint32_t maxBytes) {
  const QByteArray b = bytes(maxBytes);
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString s = utf8(b);
  if (utf8.hasError()) {
    ok_ = false;
    return {};
  }
  return s;
}

}  // namespace sorane::sandbox
