// The announcement file: whatever the bytes, the reader refuses them with a
// line to blame, or gives entries that a file written back in the same
// encoding gives again.
#include "cp932.h"
#include "fuzz_check.h"
#include "tape_file.h"
#include "utf8.h"

using namespace sorane;

namespace {

// One entry as a line the reader takes back: quoted unless its text holds a
// quote, and then it cannot hold a comma or blanks at either end.
QString lineOf(const TapeEntry& e) {
  QString text = e.Text;
  if (!text.contains(u'"')) {
    text = u'"' + text + u'"';
  } else {
    FUZZ_CHECK(!text.contains(u','));
    FUZZ_CHECK(!text.startsWith(u'"'));
    FUZZ_CHECK(!text.startsWith(u' ') && !text.startsWith(u'\t'));
    FUZZ_CHECK(!text.endsWith(u' ') && !text.endsWith(u'\t'));
  }
  return text + u',' + QString::number(e.StepFlag) + u',' + QString::number(e.SndFlag) +
         QStringLiteral("\r\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes = fuzz::bytesOf(data, size);
  const TapeFile f = parseTapeFile(bytes);
  if (!f.ok()) {
    FUZZ_CHECK(f.entries.empty());
    FUZZ_CHECK(f.line >= 0 && f.line <= bytes.count('\n') + 1);
    return 0;
  }
  FUZZ_CHECK(f.line == 0);
  FUZZ_CHECK(static_cast<qsizetype>(f.entries.size()) <= bytes.count('\n') + 1);
  FUZZ_CHECK(f.encoding == TapeEncoding::Utf8WithBom || !bytes.startsWith("\xEF\xBB\xBF"));

  // A blank line first: skipped by the reader, it keeps a text that starts
  // with U+FEFF from reading as the byte-order mark.
  QString text = QStringLiteral("\r\n");
  for (const TapeEntry& e : f.entries) {
    FUZZ_CHECK(!e.Text.contains(u'\n'));
    text += lineOf(e);
  }
  QByteArray again;
  switch (f.encoding) {
    case TapeEncoding::ShiftJis:
      again = cp932::encode(text);
      // Shift-JIS that happens to be strict UTF-8 reads as UTF-8: the one
      // ambiguity of the format.
      if (utf8::hasNonAscii(again) && utf8::isValid(again)) return 0;
      break;
    case TapeEncoding::Utf8:
      again = text.toUtf8();
      break;
    case TapeEncoding::Utf8WithBom:
      again = "\xEF\xBB\xBF" + text.toUtf8();
      break;
  }
  const TapeFile g = parseTapeFile(again);
  FUZZ_CHECK(g.ok());
  FUZZ_CHECK(g.entries == f.entries);
  // UTF-8 without a mark and without any other byte above 0x7F is ASCII,
  // which reads as Shift-JIS.
  FUZZ_CHECK(g.encoding == f.encoding ||
             (f.encoding == TapeEncoding::Utf8 && !utf8::hasNonAscii(again)));
  return 0;
}
