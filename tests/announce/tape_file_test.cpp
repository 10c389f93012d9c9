#include "tape_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "cp932.h"
#include "file_io.h"
#include "qt_printers.h"
#include "test_sounds.h"

namespace sorane {
namespace {

QByteArray sjis(const char* utf8) {
  return cp932::encode(QString::fromUtf8(utf8));
}

TEST(TapeFile, ReadsThreeFieldsPerCrLfLine) {
  const TapeFile f = parseTapeFile(sjis("次は、市役所前です,0,1\r\n市役所前です,1,2\r\n"));
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f.entries.size(), 2u);
  EXPECT_EQ(f.entries[0], (TapeEntry{"次は、市役所前です", 0, 1}));
  EXPECT_EQ(f.entries[1], (TapeEntry{"市役所前です", 1, 2}));
}

TEST(TapeFile, QuotedTextMayHoldCommasAndKeepsItsBlanks) {
  const TapeFile f = parseTapeFile(sjis("\" 次は, 終点 \",1,3\r\n"));
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f.entries.size(), 1u);
  EXPECT_EQ(f.entries[0].Text, " 次は, 終点 ");
  EXPECT_EQ(f.entries[0].StepFlag, 1);
  EXPECT_EQ(f.entries[0].SndFlag, 3);
}

TEST(TapeFile, UnquotedTextAndFlagsAreTrimmed) {
  const TapeFile f = parseTapeFile(sjis("  駅前 行き \t, 1 ,\t2 \r\n"));
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.entries.at(0), (TapeEntry{"駅前 行き", 1, 2}));
}

TEST(TapeFile, LastLineMayLackItsLineEnd) {
  const TapeFile f = parseTapeFile(sjis("一,0,0\r\n二,1,1"));
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f.entries.size(), 2u);
  EXPECT_EQ(f.entries[1], (TapeEntry{"二", 1, 1}));
}

TEST(TapeFile, TrailingBlankLinesAreIgnored) {
  const TapeFile f = parseTapeFile(sjis("一,0,0\r\n\r\n  \r\n"));
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.entries.size(), 1u);
}

TEST(TapeFile, BlankLinesAnywhereAreSkipped) {
  const TapeFile f = parseTapeFile(sjis("\r\n一,0,0\r\n\r\n \t\r\n　\n二,1,2\r\n"));
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f.entries.size(), 2u);
  EXPECT_EQ(f.entries[0], (TapeEntry{"一", 0, 0}));
  EXPECT_EQ(f.entries[1], (TapeEntry{"二", 1, 2}));
}

// Files written on Linux: UTF-8, with or without a byte-order mark. Shift-JIS
// stays the default: UTF-8 is taken only on the mark or on bytes that are
// strictly valid UTF-8 and not plain ASCII.
TEST(TapeFile, Utf8IsReadByItsMarkOrItsStrictValidity) {
  const QString text = QStringLiteral("次は、緑ヶ丘一丁目です。,1,2\n「終点」～,0,0\n");
  const std::vector<TapeEntry> want = {{QStringLiteral("次は、緑ヶ丘一丁目です。"), 1, 2},
                                       {QStringLiteral("「終点」～"), 0, 0}};
  const struct {
    const char* what;
    QByteArray bytes;
    TapeEncoding encoding;
  } cases[] = {
      {"Shift-JIS", cp932::encode(text), TapeEncoding::ShiftJis},
      {"UTF-8", text.toUtf8(), TapeEncoding::Utf8},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + text.toUtf8(), TapeEncoding::Utf8WithBom},
  };
  for (const auto& c : cases) {
    const TapeFile f = parseTapeFile(c.bytes);
    ASSERT_TRUE(f.ok()) << c.what;
    EXPECT_EQ(f.encoding, c.encoding) << c.what;
    EXPECT_EQ(f.entries, want) << c.what;
  }
  EXPECT_EQ(parseTapeFile("a,0,0\r\n").encoding, TapeEncoding::ShiftJis);
  EXPECT_EQ(parseTapeFile("\xEF\xBB\xBF").encoding, TapeEncoding::Utf8WithBom);
}

TEST(TapeFile, ShiftJisThatLaxDecodersTakeForUtf8StaysShiftJis) {
  // A UTF-8 surrogate and an overlong form, each also good Shift-JIS.
  for (const QByteArray& text : {QByteArray("\xED\xA0\x81\x40"), QByteArray("\xC1\x81\x40")}) {
    const TapeFile f = parseTapeFile(text + ",0,0\r\n");
    ASSERT_TRUE(f.ok()) << text.toHex().toStdString();
    EXPECT_EQ(f.encoding, TapeEncoding::ShiftJis);
    EXPECT_EQ(f.entries.at(0).Text, cp932::decode(text));
  }
}

TEST(TapeFile, BareLineFeedsAreAcceptedToo) {
  const TapeFile f = parseTapeFile(sjis("一,0,0\n二,0,2\n"));
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f.entries.size(), 2u);
  EXPECT_EQ(f.entries[1].SndFlag, 2);
}

TEST(TapeFile, EmptyFileIsAnEmptyTape) {
  const TapeFile f = parseTapeFile({});
  EXPECT_TRUE(f.ok());
  EXPECT_TRUE(f.entries.empty());
}

TEST(TapeFile, FlagsAreSixteenBitIntegersEmptyMeaningZero) {
  const TapeFile f = parseTapeFile(sjis("a,-32768,32767\r\nb,,\r\n\"c\",\"1\",-0\r\n"));
  ASSERT_TRUE(f.ok());
  ASSERT_EQ(f.entries.size(), 3u);
  EXPECT_EQ(f.entries[0], (TapeEntry{"a", -32768, 32767}));
  EXPECT_EQ(f.entries[1], (TapeEntry{"b", 0, 0}));
  EXPECT_EQ(f.entries[2], (TapeEntry{"c", 1, 0}));
}

TEST(TapeFile, EmptyTextIsAllowed) {
  const TapeFile f = parseTapeFile(sjis(",1,0\r\n\"\",0,2\r\n"));
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.entries.at(0), (TapeEntry{"", 1, 0}));
  EXPECT_EQ(f.entries.at(1), (TapeEntry{"", 0, 2}));
}

TEST(TapeFile, ShiftJisOnlyCharactersDecode) {
  // NEC special characters and the wave dash of code page 932.
  QByteArray bytes =
      QByteArray::fromHex("8740") + sjis("番のりば") + QByteArray::fromHex("8160") + ",0,0\r\n";
  const TapeFile f = parseTapeFile(bytes);
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.entries.at(0).Text, QString::fromUtf8("①番のりば～"));
}

TEST(TapeFile, AQuestionMarkInTheTextIsNotAnEncodingError) {
  const TapeFile f = parseTapeFile(sjis("ご乗車ありがとうございました?,0,0\r\n"));
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f.entries.at(0).Text, QString::fromUtf8("ご乗車ありがとうございました?"));
}

struct Malformed {
  const char* name;
  QByteArray bytes;
  TapeFileError error;
  int line;
};

class MalformedTapeFile : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedTapeFile, FailsCleanlyNamingTheLine) {
  const Malformed& m = GetParam();
  const TapeFile f = parseTapeFile(m.bytes);
  EXPECT_EQ(f.error, m.error);
  EXPECT_EQ(f.line, m.line);
  EXPECT_FALSE(f.ok());
  EXPECT_TRUE(f.entries.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, MalformedTapeFile,
    ::testing::Values(
        Malformed{"TwoFields", sjis("一,0,0\r\n二,1\r\n三,0,0\r\n"), TapeFileError::FieldCount, 2},
        Malformed{"FourFields", sjis("一,0,0,9\r\n"), TapeFileError::FieldCount, 1},
        Malformed{"UnquotedComma", sjis("次は,終点,1,0\r\n"), TapeFileError::FieldCount, 1},
        Malformed{"LineAfterABlankLine", sjis("一,0,0\r\n\r\n三,0\r\n"), TapeFileError::FieldCount,
                  3},
        Malformed{"BomThenNotUtf8", "\xEF\xBB\xBF" + sjis("一,0,0\r\n"), TapeFileError::BadEncoding,
                  0},
        Malformed{"TextOnly", sjis("一\r\n"), TapeFileError::FieldCount, 1},
        Malformed{"WordForFlag", sjis("一,はい,0\r\n"), TapeFileError::BadFlag, 1},
        Malformed{"DecimalFlag", sjis("一,0,1.5\r\n"), TapeFileError::BadFlag, 1},
        Malformed{"FlagTooBig", sjis("一,0,0\r\n二,32768,0\r\n"), TapeFileError::BadFlag, 2},
        Malformed{"FlagTooSmall", sjis("一,-32769,0\r\n"), TapeFileError::BadFlag, 1},
        Malformed{"UnclosedQuote", sjis("\"次は,1,0\r\n"), TapeFileError::BrokenQuote, 1},
        Malformed{"TextAfterQuote", sjis("\"次は\"終点,1,0\r\n"), TapeFileError::BrokenQuote, 1},
        Malformed{"DoubledQuote", sjis("\"次は\"\"終点\",1,0\r\n"), TapeFileError::BrokenQuote, 1},
        Malformed{"LoneLeadByte", QByteArray("abc,0,0\r\n\x82"), TapeFileError::BadEncoding, 0},
        Malformed{"BadTrailByte", QByteArray("\x82\x20,0,0\r\n"), TapeFileError::BadEncoding, 0},
        Malformed{"UnassignedCode", QByteArray("\x85\x40,0,0\r\n"), TapeFileError::BadEncoding, 0},
        Malformed{"ByteFF", QByteArray("\xFF,0,0\r\n"), TapeFileError::BadEncoding, 0}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return std::string(info.param.name); });

TEST(TapeFileLookup, MatchesTheNameWhateverItsLetterCase) {
  QTemporaryDir dir;
  ASSERT_TRUE(test::writeFile(dir.filePath("12Tp.csv"), sjis("十二,0,0\r\n")));
  ASSERT_TRUE(test::writeFile(dir.filePath("7TP.CSV"), sjis("七,1,0\r\n")));
  EXPECT_EQ(findFileIgnoringCase(dir.filePath("12tp.csv")), dir.filePath("12Tp.csv"));
  EXPECT_EQ(findFileIgnoringCase(dir.filePath("7tp.csv")), dir.filePath("7TP.CSV"));
  EXPECT_EQ(findFileIgnoringCase(dir.filePath("8tp.csv")), QString());
  EXPECT_EQ(findFileIgnoringCase(dir.filePath("missing/8tp.csv")), QString());

  const TapeFile twelve = readTapeFile(dir.path() + "/", "12");
  ASSERT_TRUE(twelve.ok());
  EXPECT_EQ(twelve.entries.at(0).Text, QString::fromUtf8("十二"));
  EXPECT_EQ(readTapeFile(dir.path() + "/", "7").entries.at(0).StepFlag, 1);
}

TEST(TapeFileLookup, AnExactMatchWinsOverOtherCases) {
  QTemporaryDir dir;
  ASSERT_TRUE(test::writeFile(dir.filePath("5TP.csv"), sjis("大,0,0\r\n")));
  ASSERT_TRUE(test::writeFile(dir.filePath("5tp.csv"), sjis("小,0,0\r\n")));
  EXPECT_EQ(findFileIgnoringCase(dir.filePath("5tp.csv")), dir.filePath("5tp.csv"));
}

TEST(TapeFileLookup, AFolderOfThatNameIsNotTheFile) {
  QTemporaryDir dir;
  QDir(dir.path()).mkdir("3tp.csv");
  EXPECT_EQ(readTapeFile(dir.path() + "/", "3").error, TapeFileError::NotFound);
}

TEST(TapeFileLookup, MissingFileIsNotFound) {
  QTemporaryDir dir;
  const TapeFile f = readTapeFile(dir.path() + "/", "99");
  EXPECT_EQ(f.error, TapeFileError::NotFound);
  EXPECT_TRUE(f.entries.empty());
}

TEST(TapeFileLookup, UnreadableFileFails) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  QTemporaryDir dir;
  const QString path = dir.filePath("4tp.csv");
  ASSERT_TRUE(test::writeFile(path, sjis("一,0,0\r\n")));
  QFile::setPermissions(path, QFileDevice::WriteOwner);
  EXPECT_EQ(readTapeFile(dir.path() + "/", "4").error, TapeFileError::Unreadable);
}

TEST(TapeFileLookup, AFileLongerThanAnyTapeIsRefusedUnread) {
  QTemporaryDir dir;
  const QString path = dir.filePath("6tp.csv");
  ASSERT_TRUE(test::writeFile(path, sjis("一,0,0\r\n")));
  // Padded, sparse: at the limit it is read, and its padding is a bad line.
  ASSERT_TRUE(QFile::resize(path, kMaxTapeFileBytes));
  EXPECT_EQ(readTapeFile(dir.path() + "/", "6").error, TapeFileError::FieldCount);
  ASSERT_TRUE(QFile::resize(path, kMaxTapeFileBytes + 1));
  EXPECT_EQ(readTapeFile(dir.path() + "/", "6").error, TapeFileError::TooLarge);
}

}  // namespace
}  // namespace sorane
