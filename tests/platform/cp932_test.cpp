#include "cp932.h"

#include <gtest/gtest.h>

#include "utf8.h"

using sorane::cp932::decode;
using sorane::cp932::encode;

namespace {

QByteArray hex(const char* h) {
  return QByteArray::fromHex(h);
}

TEST(Cp932, KanjiKanaAndAsciiEncodeToShiftJis) {
  EXPECT_EQ(encode(QStringLiteral("C:\\運賃")), hex("433a5c895e92c0"));
  EXPECT_EQ(encode(QStringLiteral("ｱｲ")), hex("b1b2"));
  EXPECT_EQ(encode(QStringLiteral("系統選別中")).size(), 10);
  EXPECT_EQ(encode(QString()), QByteArray());
}

TEST(Cp932, NecAndIbmExtensionsRoundTrip) {
  EXPECT_EQ(encode(QStringLiteral("①")), hex("8740"));  // NEC special row 13
  EXPECT_EQ(encode(QStringLiteral("㈱")), hex("878a"));
  EXPECT_EQ(encode(QStringLiteral("髙")), hex("fbfc"));  // IBM extension
  EXPECT_EQ(encode(QStringLiteral("ⅰ")), hex("fa40"));
  EXPECT_EQ(decode(hex("8740878afbfcfa40")), QStringLiteral("①㈱髙ⅰ"));
  // The NEC-selected copy of an IBM extension reads as the same character.
  EXPECT_EQ(decode(hex("ed40")), decode(hex("fa5c")));
}

TEST(Cp932, WaveDashBothWaysIs8160) {
  EXPECT_EQ(decode(hex("8160")), QString(QChar(0xFF5E)));
  EXPECT_EQ(encode(QString(QChar(0x301C))), hex("8160"));
  EXPECT_EQ(encode(QString(QChar(0xFF5E))), hex("8160"));
}

TEST(Cp932, UnrepresentableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(encode(QStringLiteral("é")), QByteArray("?"));
  EXPECT_EQ(encode(QStringLiteral("a😀b")), QByteArray("a?b"));
  EXPECT_EQ(encode(QStringLiteral("駅¦前")), hex("8977") + "?" + hex("914f"));
  // Unicode's tag characters too, which the converter would drop unseen.
  EXPECT_EQ(encode(QString::fromUcs4(U"a\U000E007Bb\U000E0001")), QByteArray("a?b?"));
}

TEST(Cp932, InvalidBytesDecodeToQuestionMarks) {
  EXPECT_EQ(decode(hex("82")), QStringLiteral("?"));          // lone lead byte at the end
  EXPECT_EQ(decode(hex("41824142")), QStringLiteral("A?B"));  // 0x8241 is unassigned
  EXPECT_EQ(decode(hex("85404142")), QStringLiteral("?AB"));  // unassigned double-byte code
  EXPECT_EQ(decode(hex("5c")), QStringLiteral("\\"));
}

TEST(Cp932, LeadBytes) {
  EXPECT_TRUE(sorane::cp932::isLeadByte(0x81));
  EXPECT_TRUE(sorane::cp932::isLeadByte(0x9F));
  EXPECT_TRUE(sorane::cp932::isLeadByte(0xE0));
  EXPECT_TRUE(sorane::cp932::isLeadByte(0xFC));
  EXPECT_FALSE(sorane::cp932::isLeadByte(0xA0));
  EXPECT_FALSE(sorane::cp932::isLeadByte(0xB1));  // half-width katakana
  EXPECT_FALSE(sorane::cp932::isLeadByte(0x41));
}

}  // namespace

namespace sorane {
namespace {

TEST(Utf8, ValidOnlyByTheLetter) {
  const struct {
    const char* bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain", true},
      {"\xC3\xA9", true},           // é
      {"\xE3\x81\x82", true},       // あ
      {"\xEF\xBF\xBF", true},       // U+FFFF
      {"\xF0\x9F\x9A\x8C", true},   // a bus, U+1F68C
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"\xC0\x80", false},          // overlong NUL
      {"\xC1\xBF", false},          // overlong
      {"\xE0\x9F\xBF", false},      // overlong
      {"\xF0\x8F\xBF\xBF", false},  // overlong
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // past U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\x80", false},          // a lone continuation byte
      {"\xE3\x81", false},      // cut short
      {"\xE3\x41\x82", false},  // broken continuation
      {"\x82\xA0", false},      // Shift-JIS あ
  };
  for (const auto& c : cases) EXPECT_EQ(utf8::isValid(QByteArray(c.bytes)), c.valid) << c.bytes;
  EXPECT_FALSE(utf8::hasNonAscii("a,0,0\r\n"));
  EXPECT_TRUE(utf8::hasNonAscii("\xE3\x81\x82"));
}

}  // namespace
}  // namespace sorane
