#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVariant>
#include <map>

#include "bytes.h"
#include "chimei_ctl_b.h"
#include "cp932.h"
#include "file_io.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "mdl_ini_io.h"
#include "program_fixture.h"
#include "settings_file.h"

namespace sorane {
namespace {

using test::Bytes;

// Starts a program over a settings file with the given bytes (none when
// null), and quits it with Yes.
class SettingsStoreTest : public ::testing::Test {
 protected:
  void writeSettings(const QByteArray& bytes) {
    QFile f(folder.settingsPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  Program& start() {
    program = std::make_unique<Program>();
    program->setEndHandler([this] { ++ended; });
    program->start();
    return *program;
  }
  void quit() {
    scope.ui.answers.push_back(MsgAnswer::Yes);
    program->ctl().close();
  }
  QByteArray savedBytes() { return readWholeFile(folder.settingsPath(), kMaxSettingsFileBytes); }
  std::vector<test::ScriptedUi::Message>& messages() { return scope.ui.messages; }

  test::ProgramFolder folder;
  test::UiScope scope;
  test::CompanionScope companion;
  std::unique_ptr<Program> program;
  int ended = 0;
};

TEST_F(SettingsStoreTest, FirstRunIsSilentAndQuittingWritesACompleteFile) {
  start();
  EXPECT_TRUE(messages().empty());
  quit();
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(messages().size(), 1u);  // only the quit question
  const QByteArray bytes = savedBytes();
  EXPECT_EQ(bytes.size(), 430 + 10);  // the fixed date "2026/12/07"
  const QByteArray first88 = Bytes()
                                 .hex(
                                     "00000000"
                                     "0100"
                                     "cdd18600cdd18600cdd18600"
                                     "00000000")
                                 .hex(
                                     "ffff0000ffff0000ffff0000ffff0000"
                                     "000000000000")
                                 .hex(
                                     "80808000969696"
                                     "00f8d27200")
                                 .hex("0000000000000000000000000000000000000000")
                                 .hex("80808000ffff0000ffff0000");
  EXPECT_EQ(bytes.left(88).toHex(' '), first88.toHex(' '));
  const SettingsRecord r = decodeSettings(bytes);
  EXPECT_EQ(r.previewInfo.FixedDate, "2026/12/07");
  EXPECT_EQ(r.soundInfo.StepAlways, -1);
  EXPECT_EQ(r.soundInfo.StepNoWait, -1);
  EXPECT_EQ(r.soundInfo.AnnounceAlways, -1);
  EXPECT_EQ(r.soundInfo.AnnounceWait, -1);
  EXPECT_EQ(r.previewInfo.DateSystemEach, -1);
  EXPECT_EQ(r.panelState.ScrollSpeed, 1);
  EXPECT_EQ(r.panelState.ScrollStartWait, 0);
  EXPECT_EQ(r.formPos.Left, 0);
  EXPECT_EQ(r.formPos.Top, 0);
}

TEST_F(SettingsStoreTest, SaveLoadSaveGivesIdenticalBytes) {
  start();
  program->option().Text2[0]->setText(QStringLiteral("/srv/運賃"));
  program->option().Combo2->setListIndex(9);
  program->form1().Degit[4]->setShift(2);
  program->form1().move(30, 45);
  quit();
  const QByteArray first = savedBytes();
  start();
  EXPECT_TRUE(messages().size() == 1) << "no message at start";
  quit();
  EXPECT_EQ(savedBytes(), first);
  const SettingsRecord r = decodeSettings(first);
  EXPECT_EQ(r.chimeiInfo.ChimeiFontOption, -1);
  EXPECT_EQ(r.DegitInfo[3].Shift, 2);
  EXPECT_EQ(r.formPos.Left, 450);
}

TEST_F(SettingsStoreTest, CraftedFileComesBackOnScreen) {
  SettingsRecord r = decodeSettings(QByteArray());
  r.panelInfo.AutoSeiriNum = 1;
  r.panelInfo.BacklightColor = {0x0000FF, 0x00FF00, 0xFF0000};
  r.panelInfo.NumberingStyle = 7;
  r.panelInfo.ZeroPad = 1;
  r.panelInfo.PanelAuto = -1;
  r.panelInfo.OffBuiltIn = r.panelInfo.On1BuiltIn = r.panelInfo.On2BuiltIn = -1;
  r.digitInfo = {0x000000, 0x202020, 0x00A0FF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  r.chimeiInfo = {0x101010, 0x00C0FF, 0, 1};
  r.soundInfo.StepAlways = r.soundInfo.StepNoWait = -1;
  r.soundInfo.AnnounceAlways = r.soundInfo.AnnounceWait = -1;
  r.previewInfo.DateSystemEach = -1;
  r.previewInfo.FixedDate = QStringLiteral("2026/01/02");
  r.panelState = {1, 40, 900, 1, 1, 1500, 4500};
  r.formPos = {1500, 750};
  for (DegitEntry& e : r.DegitInfo) e = {1, 2, 3};
  writeSettings(encodeSettings(r));

  Program& p = start();
  EXPECT_TRUE(messages().empty());
  Form1& f = p.form1();
  EXPECT_EQ(f.lblSeiriNum[1]->text(), QStringLiteral("券なし"));
  EXPECT_EQ(f.lblSeiriNum[2]->text(), QStringLiteral("０２"));
  EXPECT_EQ(f.lblSeiriNum[9]->text(), QStringLiteral("０９"));
  EXPECT_EQ(f.lblSeiriNum[32]->text(), QStringLiteral("３２"));
  EXPECT_EQ(f.lblSeiriNum[5]->textColor(), 0x0000FFu);  // backlight OFF colour
  EXPECT_EQ(f.pos(), QPoint(100, 50));
  frmCtl& c = p.ctl();
  EXPECT_EQ(c.pos(), QPoint(100, 300));
  EXPECT_EQ(c.width(), frmCtl::kWideWidth);
  EXPECT_EQ(c.Check4->text(), QStringLiteral("<<"));
  EXPECT_EQ(c.Check2->Value(), 1);
  EXPECT_EQ(c.HScroll1[0]->value(), 40);
  EXPECT_EQ(c.Label1[0]->text(), QStringLiteral("40"));
  EXPECT_EQ(c.HScroll1[1]->value(), 900);
  EXPECT_EQ(c.InputFrame, 1);
  for (int i = 1; i <= 32; ++i) {
    EXPECT_EQ(f.Degit[i]->Shift(), 1);
    EXPECT_EQ(f.Degit[i]->ZeroMode(), 2);
    EXPECT_EQ(f.Degit[i]->FillZero(), 3);
    EXPECT_EQ(f.Degit[i]->BackColor(), 0u);
    EXPECT_EQ(f.Degit[i]->DegitForeColor(), 0x00A0FFu);
    EXPECT_TRUE(f.Degit[i]->shownText().trimmed().isEmpty());  // blank
  }
  EXPECT_EQ(p.option().Label10->text(), QStringLiteral("2026/01/02"));
  EXPECT_EQ(f.ChimeiCtl->BackColor(), 0x101010u);
  EXPECT_EQ(f.ChimeiCtl->ForeColor(), 0x00C0FFu);
  EXPECT_EQ(f.ChimeiCtl->FontMode(), 0);
  EXPECT_TRUE(f.ChimeiCtl->FontBold());
}

TEST_F(SettingsStoreTest, QuitQuestionAnsweredNoWritesNothing) {
  start();
  program->ctl().close();
  EXPECT_EQ(ended, 0);
  EXPECT_FALSE(QFile::exists(folder.settingsPath()));
  EXPECT_TRUE(program->ctl().isVisible());
}

TEST_F(SettingsStoreTest, UnwritableFolderShowsTheMessageAndStillEnds) {
  start();
  QFile::setPermissions(folder.dir.path(), QFile::ReadOwner | QFile::ExeOwner);
  QFile probe(folder.settingsPath() + "x");
  if (probe.open(QIODevice::WriteOnly)) {
    // Folder permissions do not stop this user: use a folder nobody may write.
    probe.close();
    probe.remove();
    setProgramPathForTesting(QStringLiteral("/sys/318"));
  }
  quit();
  QFile::setPermissions(folder.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  setProgramPathForTesting(folder.programPath());
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_EQ(messages()[1].text, QStringLiteral("エラー Code:70\r\n内容:書き込みできません。"));
  EXPECT_EQ(messages()[1].icon, MsgIcon::None);
  EXPECT_EQ(ended, 1);
}

TEST_F(SettingsStoreTest, AnEmptyFileStartsLikeNoFileAtAll) {
  start();
  quit();
  const QByteArray firstRun = savedBytes();
  writeSettings(QByteArray());
  Program& p = start();
  EXPECT_EQ(messages().size(), 1u) << "only the first run's quit question";
  EXPECT_TRUE(p.option().Option2[0]->Value());
  EXPECT_TRUE(p.option().Option7[0]->Value());
  EXPECT_TRUE(p.option().Option4[0]->Value());
  EXPECT_EQ(p.form1().Degit[1]->BackColor(), 0x808080u);
  EXPECT_EQ(p.form1().ChimeiCtl->ForeColor(), 0x0080C0FFu);
  quit();
  EXPECT_EQ(savedBytes(), firstRun);
}

// The catalogue of damaged files: each gives the defaults with the loader's
// behaviour, or the message; none crashes.
struct BadFile {
  const char* name;
  QByteArray bytes;
  QString message;  // empty: no message
};

class BadSettingsFile : public SettingsStoreTest, public ::testing::WithParamInterface<int> {};

SettingsRecord goodRecord() {
  SettingsRecord r;
  r.panelInfo.AutoSeiriNum = 1;
  r.panelInfo.PanelAuto = -1;
  r.panelState.ScrollSpeed = 5;
  r.digitInfo.DegitBackColor = 0x808080;
  return r;
}

QByteArray with(void (*edit)(SettingsRecord&)) {
  SettingsRecord r = goodRecord();
  edit(r);
  return encodeSettings(r);
}

const QString k380 = QStringLiteral("エラー Code:380\r\n内容:プロパティの値が不正です。");

std::vector<BadFile> catalogue() {
  const QByteArray good = encodeSettings(goodRecord());
  return {
      {"empty", QByteArray(), QString()},  // as if there were none
      {"one byte", QByteArray(1, '\x01'), k380},
      {"cut inside a text", Bytes().text("C:/fare").raw(QByteArray::fromHex("0500")).raw("ab"),
       k380},
      {"text longer than the file", Bytes().i16(30000).raw("abc"), k380},
      {"Combo1 out of range", with([](SettingsRecord& r) { r.soundInfo.StepFlagColumn = 200; }),
       k380},
      {"Combo2 out of range", with([](SettingsRecord& r) { r.panelInfo.NumberingStyle = 12; }),
       k380},
      {"Combo3 out of range", with([](SettingsRecord& r) { r.chimeiInfo.ChimeiFontOption = 5; }),
       k380},
      {"negative colour", with([](SettingsRecord& r) { r.digitInfo.DegitBackColor = -1; }), k380},
      {"huge colour", with([](SettingsRecord& r) { r.panelInfo.BacklightColor[1] = 0x1000000; }),
       k380},
      {"check state 2", with([](SettingsRecord& r) { r.panelInfo.ZeroPad = 2; }), k380},
      {"input frame 5", with([](SettingsRecord& r) { r.panelState.InputFrame = 5; }),
       QStringLiteral("エラー Code:9\r\n内容:インデックスが有効範囲にありません。")},
      {"good", good, QString()},
  };
}

TEST_P(BadSettingsFile, GivesTheDefaultsOrTheMessageAndNeverCrashes) {
  const BadFile f = catalogue()[static_cast<std::size_t>(GetParam())];
  writeSettings(f.bytes);
  start();
  if (f.message.isEmpty()) {
    EXPECT_TRUE(messages().empty()) << f.name;
  } else {
    ASSERT_EQ(messages().size(), 1u) << f.name;
    EXPECT_EQ(messages()[0].text, f.message) << f.name;
    EXPECT_EQ(messages()[0].buttons, MsgButtons::Ok);
  }
  EXPECT_TRUE(program->form1().isVisible());
  EXPECT_TRUE(program->ctl().isVisible());
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BadSettingsFile, ::testing::Range(0, 12));

TEST_F(SettingsStoreTest, AFileLongerThanAnySettingsIsRefusedUnread) {
  EXPECT_EQ(kMaxSettingsFileBytes, 557469);  // 430 + 17 texts of 32767 bytes
  SettingsRecord r = goodRecord();
  r.folderInfo.FareDataDir = QStringLiteral("/data/fares");
  QByteArray bytes = encodeSettings(r);
  // What follows a whole record is never read; only the size counts.
  bytes.append(QByteArray(kMaxSettingsFileBytes - bytes.size(), '\0'));
  writeSettings(bytes);
  start();
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(program->option().Text2[0]->text(), QStringLiteral("/data/fares"));
  writeSettings(bytes + '\0');
  start();
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].text,
            QStringLiteral("エラー Code:7\r\n内容:ファイルが大きすぎます(最大 557469 バイト)。"));
  EXPECT_EQ(program->option().Text2[0]->text(), QString());
}

TEST_F(SettingsStoreTest, ListPositionPastItsListStopsTheLoadThere) {
  SettingsRecord r = goodRecord();
  r.folderInfo.FareDataDir = QStringLiteral("/data/fares");
  r.panelInfo.NumberingStyle = 3;
  r.soundInfo.StepFlagColumn = 200;
  r.panelState = {0, 77, 100, 1, 1, 3000, 3000};
  r.formPos = {1500, 1500};
  writeSettings(encodeSettings(r));
  Program& p = start();
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages()[0].text, k380);
  // Loaded before the failing field:
  EXPECT_EQ(p.option().Text2[0]->text(), QStringLiteral("/data/fares"));
  EXPECT_EQ(p.option().Combo2->ListIndex(), 3);
  // Not reached: panel state, window position, display settings.
  EXPECT_EQ(p.ctl().HScroll1[0]->value(), 1);
  EXPECT_EQ(p.form1().pos(), QPoint(0, 0));
  EXPECT_EQ(p.form1().lblSeiriNum[1]->text(), QStringLiteral("１"));
}

TEST_F(SettingsStoreTest, RandomFilesNeverCrashTheStart) {
  std::uint32_t seed = 777;
  for (int round = 0; round < 20; ++round) {
    QByteArray junk;
    for (int i = 0; i < 500; ++i) {
      seed = seed * 1664525u + 1013904223u;
      junk.append(static_cast<char>(seed >> 24));
    }
    writeSettings(junk);
    messages().clear();
    start();
    EXPECT_LE(messages().size(), 1u);
    EXPECT_TRUE(program->ctl().isVisible());
  }
}

TEST_F(SettingsStoreTest, SettingsFileSitsBesideTheProgram) {
  EXPECT_EQ(mdlIniIo::settingsFilePath(), folder.settingsPath());
  // Named after the program file, whatever it is called.
  ASSERT_TRUE(QDir(folder.dir.path()).mkpath("x"));
  setProgramPathForTesting(folder.dir.path() + "/x/my.prog.bin");
  EXPECT_EQ(mdlIniIo::settingsFilePath(), folder.dir.path() + "/x/my.prog.in4");
  setProgramPathForTesting(folder.programPath());
}

}  // namespace
}  // namespace sorane

namespace sorane {
namespace {

// Every one of the 61 option fields, written by hand in file order, reaches
// its own control and comes back to the same byte. Values are distinct per
// field; check boxes and option groups can only hold a bit, so each of four
// files sets them from one bit of their index, and any two of them differ
// in at least one file.
class SettingsMapping : public SettingsStoreTest, public ::testing::WithParamInterface<int> {};

enum class Kind { Text, Check, Colour, List, Option };
struct Field {
  int number;
  Kind kind;
  int group;  // check boxes and option groups: their index; options: place in the group
  int place;
};

const std::vector<Field>& fields() {
  using K = Kind;
  static const std::vector<Field> f = {
      {1, K::Text, 0, 0},    {2, K::Text, 0, 0},    {3, K::Check, 1, 0},   {4, K::Colour, 0, 0},
      {5, K::Colour, 0, 0},  {6, K::Colour, 0, 0},  {7, K::List, 0, 0},    {8, K::Check, 2, 0},
      {9, K::Option, 1, 0},  {10, K::Option, 1, 1}, {11, K::Option, 2, 0}, {12, K::Option, 2, 1},
      {13, K::Option, 3, 0}, {14, K::Option, 3, 1}, {15, K::Option, 4, 0}, {16, K::Option, 4, 1},
      {17, K::Text, 0, 0},   {18, K::Text, 0, 0},   {19, K::Text, 0, 0},   {20, K::Colour, 0, 0},
      {21, K::Colour, 0, 0}, {22, K::Colour, 0, 0}, {23, K::Check, 3, 0},  {24, K::List, 0, 0},
      {25, K::Check, 4, 0},  {26, K::Check, 5, 0},  {27, K::List, 0, 0},   {28, K::Check, 6, 0},
      {29, K::List, 0, 0},   {30, K::Check, 7, 0},  {31, K::List, 0, 0},   {32, K::List, 0, 0},
      {33, K::Colour, 0, 0}, {34, K::Colour, 0, 0}, {35, K::List, 0, 0},   {36, K::Check, 8, 0},
      {37, K::Text, 0, 0},   {38, K::Text, 0, 0},   {39, K::Option, 5, 0}, {40, K::Option, 5, 1},
      {41, K::Option, 6, 0}, {42, K::Option, 6, 1}, {43, K::Text, 0, 0},   {44, K::List, 0, 0},
      {45, K::Text, 0, 0},   {46, K::Text, 0, 0},   {47, K::Text, 0, 0},   {48, K::Option, 7, 0},
      {49, K::Option, 7, 1}, {50, K::Option, 8, 0}, {51, K::Option, 8, 1}, {52, K::Text, 0, 0},
      {53, K::Text, 0, 0},   {54, K::Text, 0, 0},   {55, K::Text, 0, 0},   {56, K::Check, 9, 0},
      {57, K::Text, 0, 0},   {58, K::Option, 9, 0}, {59, K::Option, 9, 1}, {60, K::Option, 9, 2},
      {61, K::Text, 0, 0},
  };
  return f;
}

// The value of field `f` in file `p`.
QVariant valueOf(const Field& f, int p) {
  switch (f.kind) {
    case Kind::Text:
      return f.number == 61 ? QStringLiteral("20%1/01/05").arg(10 + p)
                            : QStringLiteral("/m/運%1-%2").arg(f.number).arg(p);
    case Kind::Check:
      return (f.group >> p) & 1;
    case Kind::Colour:
      return 0x10000 * f.number + 0x100 * p + f.number;
    case Kind::List: {
      const int size = f.number == 7                        ? 12
                       : f.number == 35                     ? 5
                       : (f.number == 31 || f.number == 44) ? 150
                                                            : 32;
      return (f.number + 7 * p) % size;
    }
    case Kind::Option: {
      const int chosen = f.group == 9 ? (f.group + p) % 3 : (f.group >> p) & 1;
      return chosen == f.place ? -1 : 0;
    }
  }
  return {};
}

// What the control of field `f` shows, in the file's terms.
QVariant controlValue(frmOption& o, int n) {
  auto opt = [](OptionButton* b) { return QVariant(b->Value() ? -1 : 0); };
  auto colour = [](ColorButton* b) { return QVariant(static_cast<int>(b->BackColor())); };
  static const int panelOptions[8] = {0, 1, 7, 6, 3, 2, 4, 5};
  if (n == 1 || n == 2) return o.Text2[n - 1]->text();
  if (n == 3) return o.Check1->Value();
  if (n >= 4 && n <= 6) return colour(o.Command5[n - 4]);
  if (n == 7) return o.Combo2->ListIndex();
  if (n == 8) return o.Check2->Value();
  if (n >= 9 && n <= 16) return opt(o.Option3[panelOptions[n - 9]]);
  if (n >= 17 && n <= 19) return o.txtSelectPanel[n - 17]->text();
  if (n >= 20 && n <= 22) return colour(o.Command8[n - 20]);
  static const std::map<int, int> checks3 = {{23, 0}, {25, 4}, {26, 1}, {28, 2}, {30, 3}};
  static const std::map<int, int> combos4 = {{24, 0}, {27, 1}, {29, 2}, {31, 4}, {32, 3}};
  if (checks3.count(n)) return o.Check3[checks3.at(n)]->Value();
  if (combos4.count(n)) return o.Combo4[combos4.at(n)]->ListIndex();
  if (n == 33 || n == 34) return colour(o.Command9[n - 33]);
  if (n == 35) return o.Combo3->ListIndex();
  if (n == 36) return o.Check4->Value();
  static const std::map<int, int> sounds = {{37, 0},  {38, 1}, {43, 7}, {45, 8}, {46, 9},
                                            {47, 10}, {52, 3}, {53, 4}, {54, 5}, {55, 6}};
  if (sounds.count(n)) return o.txtSelectSound[sounds.at(n)]->text();
  const std::map<int, OptionButton*> options = {
      {39, o.Option2[0]}, {40, o.Option2[1]}, {41, o.Option6[0]}, {42, o.Option6[1]},
      {48, o.Option2[2]}, {49, o.Option2[3]}, {50, o.Option7[0]}, {51, o.Option7[1]},
      {58, o.Option4[0]}, {59, o.Option4[1]}, {60, o.Option4[2]}};
  if (options.count(n)) return opt(options.at(n));
  if (n == 44) return o.Combo1->ListIndex();
  if (n == 56) return o.chkUseSeiriPrev->Value();
  if (n == 57) return o.txtSeiriPlgDir->text();
  if (n == 61) return o.Label10->text();
  return {};
}

TEST_P(SettingsMapping, EachFieldReachesItsControlAndComesBackByteForByte) {
  const int p = GetParam();
  Bytes file;
  for (const Field& f : fields()) {
    const QVariant v = valueOf(f, p);
    if (f.kind == Kind::Text)
      file.text(cp932::encode(v.toString()));
    else if (f.kind == Kind::Colour)
      file.i32(v.toInt());
    else
      file.i16(v.toInt());
  }
  file.i16(p % 2).i32(100 + p).i32(200 + p).i16((p >> 1) & 1).i16(p & 1).i32(3000).i32(3000);
  file.i32(150).i32(150);
  for (int i = 0; i < 17; ++i) file.i32(0x0A0000 + 16 * i + p);
  file.i16(32);
  for (int i = 0; i < 32; ++i) file.i16(i % 2).i16((i + p) % 4).i16((i + 1) % 3);
  writeSettings(file);

  Program& prog = start();
  EXPECT_TRUE(messages().empty());
  for (const Field& f : fields())
    EXPECT_EQ(controlValue(prog.option(), f.number), valueOf(f, p)) << "field " << f.number;
  quit();
  EXPECT_EQ(savedBytes(), QByteArray(file));
}

INSTANTIATE_TEST_SUITE_P(FourBitPatterns, SettingsMapping, ::testing::Range(0, 4));

}  // namespace
}  // namespace sorane
