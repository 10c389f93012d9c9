#include "ticket_protocol.h"

#include <cstring>

#include "sandbox_frames.h"

namespace sorane::ticket {
namespace {

using sandbox::PayloadReader;
using sandbox::PayloadWriter;

constexpr std::uint32_t kMaxPathBytes = 16 * 1024;
constexpr std::uint32_t kMaxValueBytes = 4 * 1024;

void writeProblems(PayloadWriter& w, const std::vector<Problem>& problems) {
  const std::size_t n = std::min<std::size_t>(problems.size(), kMaxReplyProblems);
  w.u32(static_cast<std::uint32_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    const Problem& p = problems[i];
    QByteArray text = p.message.toUtf8();
    if (text.size() > static_cast<qsizetype>(kMaxProblemBytes))
      text = p.message.left(kMaxProblemBytes / 4).toUtf8();
    w.i32(p.pos.line).i32(p.pos.column).u32(p.warning ? 1 : 0).bytes(text);
  }
}

bool readProblems(PayloadReader& r, std::vector<Problem>& problems) {
  const std::uint32_t n = r.u32();
  if (n > kMaxReplyProblems) return false;
  for (std::uint32_t i = 0; i < n && r.ok(); ++i) {
    Problem p;
    p.pos.line = r.i32();
    p.pos.column = r.i32();
    const std::uint32_t warning = r.u32();
    p.message = r.text(kMaxProblemBytes);
    if (warning > 1 || p.pos.line < 0 || p.pos.column < 0) return false;
    p.warning = warning == 1;
    problems.push_back(std::move(p));
  }
  return r.ok();
}

}  // namespace

bool validTicketSize(QSize pixels) {
  return pixels.width() > 0 && pixels.height() > 0 && pixels.width() <= kMaxTicketSide &&
         pixels.height() <= kMaxTicketSide &&
         qint64(pixels.width()) * pixels.height() <= kMaxTicketPixels;
}

std::uint32_t maxReplyBytes(QSize pixels) {
  const qint64 picture = validTicketSize(pixels) ? qint64(pixels.width()) * pixels.height() * 4 : 0;
  return static_cast<std::uint32_t>(picture + 64 * 1024 +
                                    kMaxReplyProblems * (kMaxProblemBytes + 16));
}

QByteArray encodeOrder(const DrawOrder& o) {
  PayloadWriter w;
  w.text(o.path).i32(o.pixels.width()).i32(o.pixels.height());
  const FieldValues& v = o.values;
  w.text(v.stop).text(v.date).text(v.time).i32(v.route).i32(v.ticket).i32(v.index).i32(v.company);
  return w.data();
}

std::optional<DrawOrder> decodeOrder(const QByteArray& payload) {
  PayloadReader r(payload);
  DrawOrder o;
  o.path = r.text(kMaxPathBytes);
  const int w = r.i32(), h = r.i32();
  o.pixels = QSize(w, h);
  FieldValues& v = o.values;
  v.stop = r.text(kMaxValueBytes);
  v.date = r.text(kMaxValueBytes);
  v.time = r.text(kMaxValueBytes);
  v.route = r.i32();
  v.ticket = r.i32();
  v.index = r.i32();
  v.company = r.i32();
  if (!r.done() || !validTicketSize(o.pixels)) return std::nullopt;
  return o;
}

QByteArray encodeReply(const DrawReply& reply) {
  PayloadWriter w;
  writeProblems(w, reply.problems);
  if (!reply.drawn) return w.data();
  const QImage image = reply.image.convertToFormat(QImage::Format_RGB32);
  w.i32(image.width()).i32(image.height());
  QByteArray pixels;
  const qsizetype row = qsizetype(image.width()) * 4;
  pixels.resize(row * image.height());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(pixels.data() + row * y, image.constScanLine(y), static_cast<std::size_t>(row));
  w.bytes(pixels);
  return w.data();
}

std::optional<DrawReply> decodeReply(std::uint16_t kind, const QByteArray& payload, QSize pixels) {
  if ((kind != kDrawnKind && kind != kRefusedKind) || !validTicketSize(pixels)) return std::nullopt;
  PayloadReader r(payload);
  DrawReply reply;
  if (!readProblems(r, reply.problems)) return std::nullopt;
  if (kind == kRefusedKind) {
    if (!r.done() || reply.problems.empty()) return std::nullopt;
    return reply;
  }
  const int width = r.i32();
  const int height = r.i32();
  const QSize size(width, height);
  const qsizetype row = qsizetype(pixels.width()) * 4;
  const QByteArray bytes = r.bytes(static_cast<std::uint32_t>(row * pixels.height()));
  if (!r.done() || size != pixels || bytes.size() != row * pixels.height()) return std::nullopt;
  QImage image(pixels, QImage::Format_RGB32);
  if (image.isNull()) return std::nullopt;
  for (int y = 0; y < pixels.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::memcpy(line, bytes.constData() + row * y, static_cast<std::size_t>(row));
    // Opaque, whatever came.
    for (int x = 0; x < pixels.width(); ++x) line[x] |= 0xFF000000u;
  }
  reply.drawn = true;
  reply.image = std::move(image);
  return reply;
}

}  // namespace sorane::ticket
