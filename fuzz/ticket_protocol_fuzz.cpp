// The ticket helper's protocol as the program reads it: byte 0 cuts the
// stream into pieces of that many bytes, bytes 1-4 are the picture's size
// asked for (16 bits each, little-endian), the rest is what the helper
// sent. Frames come out whole and bounded whatever the cut; an answer that
// is taken is exactly the size asked, and reads the same once written
// again. The helper's reading of an order keeps every value.
#include "fuzz_check.h"
#include "sandbox_frames.h"
#include "ticket_protocol.h"

using namespace sorane;
using namespace sorane::ticket;

namespace {

constexpr std::uint32_t kMaxPayload = 1 << 20;

void checkAnswer(const sandbox::Frame& f, QSize asked) {
  const std::optional<DrawReply> r = decodeReply(f.kind, f.payload, asked);
  if (!r) return;
  FUZZ_CHECK(r->problems.size() <= static_cast<std::size_t>(kMaxReplyProblems));
  FUZZ_CHECK(r->drawn == (f.kind == kDrawnKind));
  FUZZ_CHECK(r->drawn || !r->problems.empty());
  if (r->drawn) FUZZ_CHECK(r->image.size() == asked && r->image.format() == QImage::Format_RGB32);
  const std::optional<DrawReply> again = decodeReply(f.kind, encodeReply(*r), asked);
  FUZZ_CHECK(again && again->image == r->image && again->problems.size() == r->problems.size());
  for (std::size_t i = 0; i < r->problems.size(); ++i)
    FUZZ_CHECK(again->problems[i].pos == r->problems[i].pos &&
               again->problems[i].message == r->problems[i].message &&
               again->problems[i].warning == r->problems[i].warning);
}

void checkOrder(const sandbox::Frame& f) {
  const std::optional<DrawOrder> o = decodeOrder(f.payload);
  if (!o) return;
  FUZZ_CHECK(validTicketSize(o->pixels));
  const std::optional<DrawOrder> again = decodeOrder(encodeOrder(*o));
  FUZZ_CHECK(again && again->path == o->path && again->pixels == o->pixels);
  const FieldValues &a = again->values, &b = o->values;
  FUZZ_CHECK(a.stop == b.stop && a.date == b.date && a.time == b.time && a.route == b.route &&
             a.ticket == b.ticket && a.index == b.index && a.company == b.company);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const qsizetype piece = data[0] + 1;
  const QSize asked(data[1] | data[2] << 8, data[3] | data[4] << 8);
  const QByteArray stream = fuzz::bytesOf(data + 5, size - 5);

  sandbox::FrameReader whole(kMaxPayload), cut(kMaxPayload);
  whole.append(stream);
  std::vector<sandbox::Frame> frames;
  while (std::optional<sandbox::Frame> f = whole.next()) frames.push_back(*f);
  std::size_t n = 0;
  qsizetype taken = 0;
  for (qsizetype at = 0; at < stream.size(); at += piece) {
    cut.append(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)));
    while (std::optional<sandbox::Frame> f = cut.next()) {
      FUZZ_CHECK(n < frames.size());
      FUZZ_CHECK(f->kind == frames[n].kind && f->id == frames[n].id &&
                 f->payload == frames[n].payload);
      const QByteArray again = sandbox::encodeFrame(*f);
      FUZZ_CHECK(stream.mid(taken, again.size()) == again);
      taken += again.size();
      ++n;
    }
  }
  FUZZ_CHECK(n == frames.size() && cut.broken() == whole.broken());
  for (const sandbox::Frame& f : frames) {
    FUZZ_CHECK(f.payload.size() <= static_cast<qsizetype>(kMaxPayload));
    checkAnswer(f, asked);
    checkOrder(f);
  }
  return 0;
}
