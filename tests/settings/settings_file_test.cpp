#include "settings_file.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include "bytes.h"
#include "cp932.h"

namespace sorane {
namespace {

using test::Bytes;

// The record a first run without changes writes, as the windows hold it.
SettingsRecord firstRunRecord() {
  SettingsRecord r;
  PanelInfo& p = r.panelInfo;
  p.AutoSeiriNum = 1;
  p.BacklightColor = {0x86D1CD, 0x86D1CD, 0x86D1CD};
  p.PanelAuto = -1;
  p.OffBuiltIn = -1;
  p.On1BuiltIn = -1;
  p.On2BuiltIn = -1;
  r.digitInfo.DegitBackColor = 0x808080;
  r.digitInfo.DegitBaseColor = 0x969696;
  r.digitInfo.DegitLitColor = 0x72D2F8;
  r.chimeiInfo.ChimeiBackColor = 0x808080;
  r.chimeiInfo.ChimeiForeColor = 0x00FFFF;
  r.chimeiInfo.ChimeiFontOption = -1;
  r.soundInfo.StepAlways = -1;
  r.soundInfo.StepNoWait = -1;
  r.soundInfo.AnnounceAlways = -1;
  r.soundInfo.AnnounceWait = -1;
  r.previewInfo.DateSystemEach = -1;
  r.panelState.ScrollSpeed = 1;
  return r;
}

TEST(SettingsFile, FirstEightyEightBytesOfAFirstRun) {
  const QByteArray bytes = encodeSettings(firstRunRecord());
  const QByteArray expected = Bytes()
                                  .hex("00000000")                  // FolderInfo
                                  .hex("0100")                      // Check1
                                  .hex("cdd18600cdd18600cdd18600")  // Command5(0..2)
                                  .hex(
                                      "0000"
                                      "0000")                               // Combo2, Check2
                                  .hex("ffff0000ffff0000ffff0000ffff0000")  // Option3
                                  .hex("000000000000")                      // three panel paths
                                  .hex(
                                      "80808000969696"
                                      "00f8d27200")  // Command8(0..2)
                                  .hex("0000000000000000000000000000000000000000")
                                  .hex("80808000ffff0000ffff0000");  // ChimeiInfo
  ASSERT_EQ(expected.size(), 88);
  EXPECT_EQ(bytes.left(88).toHex(' '), expected.toHex(' '));
}

TEST(SettingsFile, EveryTextEmptyIs430Bytes) {
  EXPECT_EQ(encodeSettings(SettingsRecord()).size(), 430);
  EXPECT_EQ(encodeSettings(firstRunRecord()).size(), 430);
  SettingsRecord r;
  r.previewInfo.FixedDate = QStringLiteral("2026/12/07");
  r.soundInfo.StepSound = QStringLiteral("駅.wav");  // a kanji counts 2
  EXPECT_EQ(encodeSettings(r).size(), 430 + 10 + 6);
}

TEST(SettingsFile, FareFolderExampleIsNineBytes) {
  SettingsRecord r;
  r.folderInfo.FareDataDir = QStringLiteral("C:\\運賃");
  EXPECT_EQ(encodeSettings(r).left(9).toHex(' '), QByteArray("07 00 43 3a 5c 89 5e 92 c0"));
}

// Every field with its own value, written by hand in file order.
Bytes handMadeFile() {
  Bytes b;
  b.text("fare").text("tape");                                                // 1-2
  b.i16(1).i32(0x010203).i32(0x040506).i32(0x070809);                         // 3-6
  b.i16(7).i16(1);                                                            // 7-8
  b.i16(0).i16(-1).i16(0).i16(-1).i16(-1).i16(0).i16(0).i16(-1);              // 9-16
  b.text("p0").text("p1").text("p2");                                         // 17-19
  b.i32(0x111111).i32(0x222222).i32(0x333333);                                // 20-22
  b.i16(1).i16(4).i16(1).i16(1).i16(5).i16(1).i16(6).i16(1).i16(149).i16(7);  // 23-32
  b.i32(0x444444).i32(0x555555).i16(3).i16(1);                                // 33-36
  b.text("s0").text("s1");                                                    // 37-38
  b.i16(0).i16(-1).i16(-1).i16(0);                                            // 39-42
  b.text("s7").i16(12).text("s8").text("s9").text("s10");                     // 43-47
  b.i16(0).i16(-1).i16(0).i16(-1);                                            // 48-51
  b.text("s3").text("s4").text("s5").text("s6");                              // 52-55
  b.i16(1).text("plugin").i16(0).i16(0).i16(-1).text("2009/01/05");           // 56-61
  b.i16(1).i32(200).i32(1500).i16(1).i16(1).i32(15000).i32(-300);             // PanelState
  b.i32(2250).i32(1125);                                                      // FormPos
  for (int i = 0; i < 17; ++i) b.i32(0x100 + i);                              // CustColors
  b.i16(32);
  for (int i = 0; i < 32; ++i) b.i16(i % 4).i16(i % 3).i16(i % 5);  // Shift, ZeroMode, FillZero
  return b;
}

TEST(SettingsFile, FieldsInFileOrder) {
  const SettingsRecord r = decodeSettings(handMadeFile());
  EXPECT_EQ(r.folderInfo.FareDataDir, "fare");
  EXPECT_EQ(r.folderInfo.TapeDataDir, "tape");
  EXPECT_EQ(r.panelInfo.AutoSeiriNum, 1);
  EXPECT_EQ(r.panelInfo.BacklightColor[2], 0x070809);
  EXPECT_EQ(r.panelInfo.NumberingStyle, 7);
  EXPECT_EQ(r.panelInfo.ZeroPad, 1);
  EXPECT_EQ(r.panelInfo.PanelPerState, -1);
  EXPECT_EQ(r.panelInfo.OffUser, -1);
  EXPECT_EQ(r.panelInfo.On1BuiltIn, -1);
  EXPECT_EQ(r.panelInfo.On2User, -1);
  EXPECT_EQ(r.panelInfo.PanelImage[1], "p1");
  EXPECT_EQ(r.digitInfo.DegitLitColor, 0x333333);
  EXPECT_EQ(r.digitInfo.StopOrderCell, 4);
  EXPECT_EQ(r.digitInfo.TicketNumberCell, 5);
  EXPECT_EQ(r.digitInfo.RouteNumberCell, 6);
  EXPECT_EQ(r.digitInfo.DataColumn, 149);
  EXPECT_EQ(r.digitInfo.DataColumnCell, 7);
  EXPECT_EQ(r.chimeiInfo.ChimeiForeColor, 0x555555);
  EXPECT_EQ(r.chimeiInfo.ChimeiFontOption, 3);
  EXPECT_EQ(r.chimeiInfo.ChimeiBold, 1);
  EXPECT_EQ(r.soundInfo.ResetSound, "s1");
  EXPECT_EQ(r.soundInfo.StepByColumn, -1);
  EXPECT_EQ(r.soundInfo.StepWait, -1);
  EXPECT_EQ(r.soundInfo.StepSound, "s7");
  EXPECT_EQ(r.soundInfo.StepFlagColumn, 12);
  EXPECT_EQ(r.soundInfo.StepFlagSound[2], "s10");
  EXPECT_EQ(r.soundInfo.AnnounceByFlag, -1);
  EXPECT_EQ(r.soundInfo.AnnounceNoWait, -1);
  EXPECT_EQ(r.soundInfo.AnnounceSound, "s3");
  EXPECT_EQ(r.soundInfo.AnnounceFlagSound[2], "s6");
  EXPECT_EQ(r.previewInfo.UseSeiriPrev, 1);
  EXPECT_EQ(r.previewInfo.SeiriPlgPath, "plugin");
  EXPECT_EQ(r.previewInfo.DateFixed, -1);
  EXPECT_EQ(r.previewInfo.FixedDate, "2009/01/05");
  EXPECT_EQ(r.panelState.InputFrame, 1);
  EXPECT_EQ(r.panelState.ScrollSpeed, 200);
  EXPECT_EQ(r.panelState.ScrollStartWait, 1500);
  EXPECT_EQ(r.panelState.PreviewShown, 1);
  EXPECT_EQ(r.panelState.Left, 15000);
  EXPECT_EQ(r.panelState.Top, -300);
  EXPECT_EQ(r.formPos.Left, 2250);
  EXPECT_EQ(r.formPos.Top, 1125);
  EXPECT_EQ(r.CustColors[16], 0x110);
  EXPECT_EQ(r.DegitInfo[5].Shift, 1);
  EXPECT_EQ(r.DegitInfo[5].ZeroMode, 2);
  EXPECT_EQ(r.DegitInfo[5].FillZero, 0);
  EXPECT_EQ(r.DegitInfo[31].FillZero, 1);
  // And written back byte for byte.
  EXPECT_EQ(encodeSettings(r), QByteArray(handMadeFile()));
}

TEST(SettingsFile, ElementCountIsReadButAlwaysWrittenAs32) {
  QByteArray bytes = handMadeFile();
  const int countAt = bytes.size() - 192 - 2;
  bytes[countAt] = 7;
  const SettingsRecord r = decodeSettings(bytes);
  EXPECT_EQ(r.DegitInfo[31].FillZero, 1);
  EXPECT_EQ(encodeSettings(r), QByteArray(handMadeFile()));
}

TEST(SettingsFile, ShortFilesReadMissingFieldsAsZeroAndEmpty) {
  EXPECT_EQ(encodeSettings(decodeSettings(QByteArray())), encodeSettings(SettingsRecord()));
  const SettingsRecord one = decodeSettings(QByteArray(1, '\x05'));
  EXPECT_EQ(one.folderInfo.FareDataDir, QString());
  EXPECT_EQ(one.panelInfo.AutoSeiriNum, 0);

  // Cut inside the second text: the first text stays, the rest is empty.
  const QByteArray cut = QByteArray(handMadeFile()).left(9);
  const SettingsRecord c = decodeSettings(cut);
  EXPECT_EQ(c.folderInfo.FareDataDir, "fare");
  EXPECT_EQ(c.folderInfo.TapeDataDir, QString());
  EXPECT_EQ(c.panelInfo.AutoSeiriNum, 0);
  EXPECT_EQ(c.panelInfo.BacklightColor[0], 0);

  // Cut in the middle of a 32-bit value.
  const QByteArray half = QByteArray(handMadeFile()).left(14);
  EXPECT_EQ(decodeSettings(half).panelInfo.AutoSeiriNum, 1);
  EXPECT_EQ(decodeSettings(half).panelInfo.BacklightColor[0], 0);
}

TEST(SettingsFile, TextLongerThanTheRestOfTheFileEndsIt) {
  const QByteArray bytes = Bytes().text("ok").i16(500).raw("short").i16(1);
  const SettingsRecord r = decodeSettings(bytes);
  EXPECT_EQ(r.folderInfo.FareDataDir, "ok");
  EXPECT_EQ(r.folderInfo.TapeDataDir, QString());
  EXPECT_EQ(r.panelInfo.AutoSeiriNum, 0);
  const SettingsRecord neg = decodeSettings(Bytes().i16(-2).i16(1).i16(1));
  EXPECT_EQ(neg.folderInfo.FareDataDir, QString());
  EXPECT_EQ(neg.panelInfo.AutoSeiriNum, 0);
}

TEST(SettingsFile, TextsKeepTheirShiftJisBytes) {
  SettingsRecord r;
  r.soundInfo.RouteSetSound = QStringLiteral("/home/運転士/①チャイム.wav");
  const SettingsRecord back = decodeSettings(encodeSettings(r));
  EXPECT_EQ(back.soundInfo.RouteSetSound, r.soundInfo.RouteSetSound);
}

// Texts with a Shift-JIS form keep today's bytes; any other comes back
// whole, and a reader that knows only Shift-JIS sees a path that is not
// there.
TEST(SettingsFile, EveryTextComesBackAndShiftJisTextsKeepTheirBytes) {
  struct Case {
    const char16_t* text;
    bool shiftJis;
  };
  const Case cases[] = {
      {u"C:\\運賃", true},
      {u"/home/運転士/①チャイム.wav", true},
      {u"/home/ana/Musique/café/chime.wav", false},
      {u"/srv/Grüße/100%/x.wav", false},
      {u"/home/민수/버스.wav", false},
      {u"/data/🚌/bell.mid", false},
      {u"/data/朝〜夜/bell.wav", false},  // 〜 reads back from Shift-JIS as ～
      {u"*UTF8*/looks/marked", false},
  };
  for (const Case& c : cases) {
    const QString text = QString::fromUtf16(c.text);
    SettingsRecord r;
    r.folderInfo.FareDataDir = text;  // the first field: its count, then its bytes
    const QByteArray bytes = encodeSettings(r);
    EXPECT_EQ(decodeSettings(bytes).folderInfo.FareDataDir, text) << text.toStdString();
    const int n =
        static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8);
    const QByteArray stored = bytes.mid(2, n);
    if (c.shiftJis) {
      EXPECT_EQ(stored, cp932::encode(text)) << text.toStdString();
      continue;
    }
    for (char b : stored) EXPECT_LT(static_cast<unsigned char>(b), 0x80) << text.toStdString();
    const QString oldReading = cp932::decode(stored);
    EXPECT_TRUE(oldReading.startsWith(QStringLiteral("*UTF8*"))) << oldReading.toStdString();
    EXPECT_FALSE(QFileInfo::exists(oldReading));
  }
  // A marked text too long for the file is cut before a whole character.
  SettingsRecord big;
  big.folderInfo.TapeDataDir = QString(12000, QChar(0xE9));  // é: "%C3%A9" each
  const QString back = decodeSettings(encodeSettings(big)).folderInfo.TapeDataDir;
  EXPECT_EQ(back, QString((32767 - 6) / 6, QChar(0xE9)));
}

TEST(SettingsFile, OverlongTextIsCutAtACharacterBoundary) {
  SettingsRecord r;
  r.folderInfo.FareDataDir = QString(20000, QChar(0x904B));  // 運: 40000 bytes
  const QByteArray bytes = encodeSettings(r);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8),
            32766);
  EXPECT_EQ(decodeSettings(bytes).folderInfo.FareDataDir.size(), 16383);
}

TEST(SettingsFile, RandomBytesNeverCrash) {
  std::uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    QByteArray junk;
    const int n = static_cast<int>(seed % 900);
    for (int i = 0; i < n; ++i) {
      seed = seed * 1103515245u + 12345u;
      junk.append(static_cast<char>(seed >> 16));
    }
    const SettingsRecord r = decodeSettings(junk);
    EXPECT_LE(encodeSettings(r).size(), 430 + 23 * 32767);
  }
}

}  // namespace
}  // namespace sorane
