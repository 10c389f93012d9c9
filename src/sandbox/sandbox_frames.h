#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>

namespace sorane::sandbox {

// Frames between the program and a helper over its pipes, little-endian:
// "SRNF", version (u16), kind (u16), request id (u32), payload length (u32),
// then the payload. Each side refuses a frame longer than it takes.
inline constexpr std::uint16_t kProtocolVersion = 1;
inline constexpr int kHeaderBytes = 16;
// The helper's first frame says it is ready; its payload is the version.
inline constexpr std::uint16_t kHelloKind = 0;
// A frame of this kind reports progress and does not end the request.
inline constexpr std::uint16_t kProgressKind = 0xFFFF;

struct Frame {
  std::uint16_t kind = 0;
  std::uint32_t id = 0;
  QByteArray payload;
};

QByteArray encodeFrame(const Frame& frame);

// Cuts frames from a stream of bytes. A bad header breaks the stream for
// good: nothing after it can be trusted.
class FrameReader {
 public:
  explicit FrameReader(std::uint32_t maxPayload) : maxPayload_(maxPayload) {}
  void append(QByteArrayView bytes);
  // The next whole frame, or nothing when more bytes are needed or the
  // stream is broken.
  std::optional<Frame> next();
  bool broken() const { return !error_.isEmpty(); }
  QString error() const { return error_; }
  // Bytes received and not yet taken.
  qsizetype pending() const { return buffer_.size() - start_; }

 private:
  std::uint32_t maxPayload_;
  QByteArray buffer_;
  qsizetype start_ = 0;
  QString error_;
};

// Payload fields, little-endian; a text is UTF-8 with its byte count (u32).
class PayloadWriter {
 public:
  PayloadWriter& u32(std::uint32_t v);
  PayloadWriter& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
  PayloadWriter& f64(double v);
  PayloadWriter& bytes(QByteArrayView v);
  PayloadWriter& text(const QString& v) { return bytes(v.toUtf8()); }
  const QByteArray& data() const { return data_; }

 private:
  QByteArray data_;
};

// Reads fields back. Reading past the end, or a length longer than the
// bytes left or than `max`, fails the reader and returns zero or empty.
class PayloadReader {
 public:
  explicit PayloadReader(QByteArrayView data) : data_(data) {}
  std::uint32_t u32();
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  double f64();
  QByteArray bytes(std::uint32_t max);
  // Fails on bytes that are not UTF-8.
  QString text(std::uint32_t maxBytes);
  bool ok() const { return ok_; }
  // Every byte read and nothing failed.
  bool done() const { return ok_ && at_ == data_.size(); }

 private:
  bool take(qsizetype n, QByteArrayView& out);
  QByteArrayView data_;
  qsizetype at_ = 0;
  bool ok_ = true;
};

}  // namespace sorane::sandbox
