// The settings decoder: any bytes give a record, and a record written and
// read back writes the same bytes again.
#include "fuzz_check.h"
#include "settings_file.h"

using namespace sorane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);
  const QByteArray first = encodeSettings(decodeSettings(bytes));
  FUZZ_CHECK(first.size() >= 430 && first.size() <= kMaxSettingsFileBytes);
  const QByteArray second = encodeSettings(decodeSettings(first));
  FUZZ_CHECK(second == first);
  // Whatever follows a whole file is not read.
  FUZZ_CHECK(encodeSettings(decodeSettings(first + bytes)) == first);
  return 0;
}
