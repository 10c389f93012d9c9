// The route fare file: whatever the bytes, the reader says why it refuses
// them or gives rows that write back to the bytes it used.
#include "fuzz_check.h"
#include "route_file.h"

using namespace sorane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);
  const RouteFile f = parseRouteFile(bytes);
  if (f.status != RouteFile::Status::Ok) {
    FUZZ_CHECK(static_cast<int>(f.rows.size()) < std::max<int>(f.count, 1));
    FUZZ_CHECK(f.status != RouteFile::Status::Empty || f.count == 0);
    FUZZ_CHECK(f.status != RouteFile::Status::Negative || f.count < 0);
    FUZZ_CHECK(f.status != RouteFile::Status::TooMany || f.count > kRouteRows);
    FUZZ_CHECK(f.status != RouteFile::Status::Truncated ||
               (f.badRow >= 1 && f.badRow <= f.count && f.badRow == int(f.rows.size()) + 1));
    return 0;
  }
  FUZZ_CHECK(f.count >= 1 && f.count <= kRouteRows);
  FUZZ_CHECK(static_cast<int>(f.rows.size()) == f.count);
  FUZZ_CHECK(f.bytesUsed >= 2 && f.bytesUsed <= bytes.size());
  FUZZ_CHECK(f.bytesUsed <= kMaxRouteFileBytes);

  // Written back: the same bytes, unless a name held bytes that are not
  // Shift-JIS; read again: the same rows, the whole file used.
  const QByteArray again = encodeRouteFile(f.rows);
  if (f.badNames.empty()) FUZZ_CHECK(again == bytes.left(f.bytesUsed));
  const RouteFile g = parseRouteFile(again);
  FUZZ_CHECK(g.status == RouteFile::Status::Ok);
  FUZZ_CHECK(g.bytesUsed == again.size());
  FUZZ_CHECK(g.badNames.empty());
  FUZZ_CHECK(g.rows == f.rows);
  return 0;
}
