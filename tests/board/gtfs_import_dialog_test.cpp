#include "gtfs_import_dialog.h"

#include <signal.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include "file_io.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "test_feed.h"

namespace sorane {
namespace {

using Dialog = GtfsImportDialog;

// The dialog over fare and announcement folders of its own, with view.ini
// (where the last feed is kept) in a folder of its own too.
class GtfsDialogTest : public test::ProgramTest {
 protected:
  GtfsDialogTest() : savedConfigHome(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    program.option().Text2[0]->setText(fares());
    program.option().Text2[1]->setText(tapes());
    clearFolders();
  }
  ~GtfsDialogTest() override { qputenv("XDG_CONFIG_HOME", savedConfigHome); }

  QString fares() const { return data.filePath("fares"); }
  QString tapes() const { return data.filePath("tapes"); }
  void clearFolders() {
    for (const QString& f : {fares(), tapes()}) {
      QDir(f).removeRecursively();
      QDir().mkpath(f);
    }
  }
  void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QString feedFolder(const test::TestFeed& feed, const QString& name) {
    feed.writeTo(data.filePath(name));
    return data.filePath(name);
  }
  static void waitForList(Dialog& d) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d.isBusy(); }, 20000)) << "still reading";
  }
  static void read(Dialog& d, const QString& path) {
    d.readFeed(path);
    waitForList(d);
  }
  // 作成, and the helper's files written.
  static void make(Dialog& d) {
    d.makeButton()->click();
    waitForList(d);
  }
  // The route ids the list shows, in order.
  static QStringList shown(const Dialog& d) {
    QStringList ids;
    for (int i = 0; i < d.routeList()->topLevelItemCount(); ++i)
      if (!d.routeList()->topLevelItem(i)->isHidden())
        ids << d.routeList()->topLevelItem(i)->text(Dialog::kRouteId);
    return ids;
  }
  static QTreeWidgetItem* row(const Dialog& d, const QString& routeId) {
    return d.routeList()->findItems(routeId, Qt::MatchExactly, Dialog::kRouteId).value(0);
  }
  // The three files the route tool makes of the feed's route.
  std::vector<FileToWrite> expected(const QString& feed, const std::string& route, int number,
                                    gtfs::Tickets tickets = gtfs::Tickets::Auto) {
    gtfs::ImportOptions o;
    o.routeId = route;
    o.direction = "0";
    o.tickets = tickets;
    o.times = true;
    return gtfs::routeFiles(gtfs::importRoute(gtfs::readFeed(gtfs::FeedFiles::open(feed), true), o),
                            number, fares(), tapes());
  }
  static QByteArray bytesOf(const QString& path) { return readWholeFile(path, 1 << 20); }

  QTemporaryDir data, config;
  QByteArray savedConfigHome;
};

// Sets an environment variable for a scope, then puts back what was there.
class EnvScope {
 public:
  EnvScope(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~EnvScope() { had_ ? void(qputenv(name_, old_)) : void(qunsetenv(name_)); }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

bool gone(qint64 pid) {
  return ::kill(static_cast<pid_t>(pid), 0) != 0;
}

// 作成 asks about every file of the route number that exists, by the name
// it has, and writes none of them unless told to.
TEST_F(GtfsDialogTest, ReplaceQuestionNamesEveryFileThatExists) {
  const QString feed = feedFolder(test::TestFeed::line(3), "feed");
  const std::vector<FileToWrite> made = expected(feed, "L", 3);
  struct Row {
    const char* what;
    QStringList existing;  // under the data folder
    MsgAnswer answer;
    QStringList asked;  // named in the question, in order
    bool written;
    QStringList after;  // the files of both folders
  };
  const Row rows[] = {
      {"none: no question",
       {},
       MsgAnswer::No,
       {},
       true,
       {"fares/3.csv", "fares/3.hy3", "fares/3.stops.csv", "tapes/3tp.csv"}},
      {"the announcements alone, kept",
       {"tapes/3tp.csv"},
       MsgAnswer::No,
       {"tapes/3tp.csv"},
       false,
       {"tapes/3tp.csv"}},
      {"the fare CSV alone, kept",
       {"fares/3.csv"},
       MsgAnswer::No,
       {"fares/3.csv"},
       false,
       {"fares/3.csv"}},
      {"the two fare files, replaced",
       {"fares/3.csv", "fares/3.hy3"},
       MsgAnswer::Yes,
       {"fares/3.hy3", "fares/3.csv"},
       true,
       {"fares/3.csv", "fares/3.hy3", "fares/3.stops.csv", "tapes/3tp.csv"}},
      {"another letter case, replaced under its own name",
       {"tapes/3TP.CSV"},
       MsgAnswer::Yes,
       {"tapes/3TP.CSV"},
       true,
       {"fares/3.csv", "fares/3.hy3", "fares/3.stops.csv", "tapes/3TP.CSV"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    clearFolders();
    for (const QString& f : r.existing) put(data.filePath(f), "old");
    Dialog d(program, nullptr);
    read(d, feed);
    d.numberBox()->setValue(3);
    ui().messages.clear();
    ui().answers = {r.answer};
    make(d);

    QStringList asked;
    for (const QString& f : r.asked) asked << data.filePath(f);
    if (r.asked.isEmpty()) {
      ASSERT_EQ(ui().messages.size(), 1u);
    } else {
      ASSERT_GE(ui().messages.size(), 1u);
      EXPECT_EQ(ui().messages[0].text,
                QStringLiteral("系統 3 のファイルはもうあります。置き換えますか？\r\n\r\n") +
                    asked.join(QStringLiteral("\r\n")));
      EXPECT_EQ(ui().messages[0].buttons, MsgButtons::YesNo);
    }
    EXPECT_EQ(ui().messages.back().icon, r.written ? MsgIcon::Information : MsgIcon::Question);
    EXPECT_EQ(d.result(), r.written ? QDialog::Accepted : QDialog::Rejected);
    QStringList after;
    for (const QString& f : {QStringLiteral("fares"), QStringLiteral("tapes")})
      for (const QString& name : QDir(data.filePath(f)).entryList(QDir::Files))
        after << f + QLatin1Char('/') + name;
    EXPECT_EQ(after, r.after);
    for (const FileToWrite& f : made) {
      const QString real = findFileIgnoringCase(f.path);
      if (!real.isEmpty()) {
        EXPECT_EQ(bytesOf(real), r.written ? f.bytes : "old") << real.toStdString();
      }
    }
  }
}

TEST_F(GtfsDialogTest, OffersTheFirstNumberWithoutAnyOfItsFiles) {
  put(fares() + "/1.hy3", "old");
  put(fares() + "/2.CSV", "old");
  put(tapes() + "/3Tp.csv", "old");
  put(fares() + "/5.hy3", "old");
  EXPECT_EQ(Dialog(program, nullptr).numberBox()->value(), 4);
}

// Three routes: L (3 stops), K (34 stops, fares every 4 stops: 9 tickets
// at the fare boundaries, 33 per stop), M (4 stops).
TEST_F(GtfsDialogTest, ListFiltersMarksAndTakesTheTicketChoice) {
  const auto group = [](int i) { return (i - 1) / 4; };
  test::TestFeed feed = test::TestFeed::line(3);
  feed.add(test::TestFeed::route("K", "7,工業団地循環線(市役所・中央病院・総合運動公園経由)", 34,
                                 group, [](int a, int b) { return 150 + 30 * (b - a); }))
      .add(test::TestFeed::route("M", "8,市民病院線", 4));
  const QString path = feedFolder(feed, "feed");
  Dialog d(program, nullptr);
  read(d, path);
  ASSERT_EQ(shown(d), (QStringList{"L", "K", "M"}));

  struct Filter {
    QString text;
    QStringList shown;
  };
  const Filter filters[] = {
      {"緑線", {"L"}},      // name
      {"７", {"K"}},        // route_short_name, typed full-width
      {"m停留所4", {"M"}},  // a stop, any letter case
      {" l ", {"L"}},       // route_id
      {"停留所3", {"L", "K", "M"}},
      {"バス", {}},
      {"", {"L", "K", "M"}},
  };
  for (const Filter& f : filters) {
    d.filterBox()->setText(f.text);
    EXPECT_EQ(shown(d), f.shown) << f.text.toStdString();
    EXPECT_EQ(d.makeButton()->isEnabled(), !f.shown.isEmpty()) << f.text.toStdString();
  }

  struct Choice {
    int index;
    QString l, k, m, kNote;
  };
  const Choice choices[] = {
      {0, "2", "9", "3", ""},
      {1, "2", "33", "3", "32 を超えるため作れません"},
      {2, "2", "9", "3", ""},
  };
  for (const Choice& c : choices) {
    d.ticketBox()->setCurrentIndex(c.index);
    EXPECT_EQ(d.ticketBox()->currentText(),
              (QStringList{"自動", "停留所ごと", "運賃の境目ごと"}[c.index]));
    EXPECT_EQ(row(d, "L")->text(Dialog::kTickets), c.l);
    EXPECT_EQ(row(d, "K")->text(Dialog::kTickets), c.k);
    EXPECT_EQ(row(d, "M")->text(Dialog::kTickets), c.m);
    EXPECT_EQ(row(d, "K")->text(Dialog::kNote), c.kNote);
    d.routeList()->setCurrentItem(row(d, "K"));
    EXPECT_EQ(d.makeButton()->isEnabled(), c.kNote.isEmpty()) << c.index;
  }

  // The whole of 起点 → 終点 shows; a long name is cut, whole in its tooltip.
  QTreeWidgetItem* k = row(d, "K");
  EXPECT_EQ(k->toolTip(Dialog::kFromTo), QStringLiteral("K停留所1 → K停留所34"));
  EXPECT_GE(d.routeList()->columnWidth(Dialog::kFromTo),
            d.routeList()->fontMetrics().horizontalAdvance(k->text(Dialog::kFromTo)));
  EXPECT_EQ(k->toolTip(Dialog::kName),
            QStringLiteral("7 工業団地循環線(市役所・中央病院・総合運動公園経由)"));
  EXPECT_LE(d.routeList()->columnWidth(Dialog::kName), 200);

  // K made with 運賃の境目ごと: nine tickets, as the route tool makes them.
  ui().messages.clear();
  make(d);
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_TRUE(ui().messages[0].text.startsWith(
      QStringLiteral("系統 1 を作りました。停留所 34、整理券番号 1〜9。")));
  for (const FileToWrite& f : expected(path, "K", 1, gtfs::Tickets::ByFare))
    EXPECT_EQ(bytesOf(f.path), f.bytes) << f.path.toStdString();
}

// A path typed (or pasted as a URL) is read with Enter; the choosers start
// at the feed read last, in this dialog and the next.
TEST_F(GtfsDialogTest, TypedPathsAndTheChoosersStartAtTheLastFeed) {
  test::TestFeed feed = test::TestFeed::line(3);
  feed.files.erase("translations.txt");
  const QString zip = data.filePath("feed.zip");
  put(zip, test::zipOf(feed));
  {
    Dialog d(program, nullptr);
    d.feedPathBox()->setText(QStringLiteral(" nowhere.zip "));
    QTest::keyClick(d.feedPathBox(), Qt::Key_Return);
    waitForList(d);
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(ui().messages[0].text,
              QStringLiteral("nowhere.zip: ファイルが見つかりません。 (53)"));

    d.feedPathBox()->setText("'" + QUrl::fromLocalFile(zip).toString() + "'");
    QTest::keyClick(d.feedPathBox(), Qt::Key_Return);
    waitForList(d);
    EXPECT_EQ(d.feedPathBox()->text(), zip);
    EXPECT_EQ(shown(d), QStringList{"L"});
    EXPECT_EQ(d.result(), QDialog::Rejected);  // Enter read the feed, made nothing
    // Another path typed, not read: nothing is made from the feed shown.
    d.feedPathBox()->setText(QStringLiteral("R7"));
    EXPECT_FALSE(d.makeButton()->isEnabled());
    d.accept();
    EXPECT_TRUE(ui().messages.size() == 1u && d.result() == QDialog::Rejected);
    d.feedPathBox()->setText(zip);
    EXPECT_TRUE(d.makeButton()->isEnabled());

    companion().fileAnswer.clear();
    d.zipButton()->click();
    ASSERT_EQ(companion().chooserCalls.size(), 1u);
    EXPECT_EQ(companion().chooserCalls[0].initialPath, zip);

    ui().messages.clear();
    make(d);
    ASSERT_EQ(ui().messages.size(), 1u);
    EXPECT_EQ(
        ui().messages[0].text,
        QStringLiteral("系統 1 を作りました。停留所 3、整理券番号 1〜2。\r\n"
                       "集中操作盤で 系統 1 区間 1 リセット と押すと使えます。\r\n"
                       "停留所ファイル: 名前 なし、読みから作った英語名 0 件、時刻あり、IC運賃なし\r\n\r\n"
                       "注意：\r\n") +
            zip +
            QStringLiteral(": translations.txt: ファイルがないため、停留所を名前のまま読みます"));
  }
  Dialog next(program, nullptr);
  next.folderButton()->click();
  ASSERT_EQ(companion().chooserCalls.size(), 2u);
  EXPECT_EQ(companion().chooserCalls[1].kind, QStringLiteral("folder"));
  EXPECT_EQ(companion().chooserCalls[1].initialPath, zip);
}

// A fault in the fare files says what to tick; ticked, the stops come
// without fares.
TEST_F(GtfsDialogTest, NoFaresBoxReadsAFeedWhoseFaresAreBroken) {
  test::TestFeed feed = test::TestFeed::line(3);
  feed.files["fare_rules.txt"] = "fare;route\nF;L\n";
  const QString path = feedFolder(feed, "broken");
  Dialog d(program, nullptr);
  EXPECT_EQ(d.noFaresBox()->text(), QStringLiteral("運賃なしで作る"));
  read(d, path);
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].text,
            path + QStringLiteral("/fare_rules.txt: 列「fare_id」がありません(「運賃なしで作る」を"
                                  "選ぶと、運賃 0 で停留所を取り込めます)"));
  EXPECT_EQ(ui().messages[0].icon, MsgIcon::Critical);
  EXPECT_FALSE(d.makeButton()->isEnabled());

  d.noFaresBox()->setChecked(true);
  waitForList(d);
  EXPECT_EQ(shown(d), QStringList{"L"});
  ui().messages.clear();
  make(d);
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_TRUE(ui().messages[0].text.endsWith(
      path + QStringLiteral(": 運賃のファイルを読まないため、運賃はすべて 0 です")));
}

// What the helper could not do becomes one message naming the feed, and
// the dialog goes on: the next feed is read by a fresh helper.
TEST_F(GtfsDialogTest, HelperFailuresAndRefusalsBecomeMessages) {
  const QString good = feedFolder(test::TestFeed::line(3), "good");
  const QString fifo = data.filePath("fifo.zip");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  const QString notZip = data.filePath("bad.zip");
  put(notZip, "PK\x03\x04 not a zip at all");
  struct Row {
    const char* what;
    QByteArray mode;  // SORANE_FEED_HELPER_TEST
    QString program;  // the helper, when not sorane-route
    QString feed;
    QString message;
  };
  const Row rows[] = {
      {"crashes", "abort", {}, good,
       good + QStringLiteral(": 読む途中で止まりました(シグナル 6(Aborted))")},
      {"too slow", "hang", {}, good,
       good + QStringLiteral(": 時間がかかりすぎるため、読むのをやめました(1 秒まで)")},
      {"a FIFO", {}, {}, fifo,
       fifo + QStringLiteral(": ファイルではなく名前付きパイプ(FIFO)です。 (75)")},
      {"not a zip", {}, {}, notZip, notZip + QStringLiteral(": ZIPファイルでもフォルダーでもありません")},
      // Then the system's reason, in its language.
      {"no helper", {}, data.filePath("nowhere/sorane-route"), good,
       QStringLiteral("GTFS を読むプログラム ") + data.filePath("nowhere/sorane-route") +
           QStringLiteral(" を起動できません(")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ui().messages.clear();
    std::optional<EnvScope> mode;
    if (!r.mode.isEmpty()) mode.emplace("SORANE_FEED_HELPER_TEST", r.mode);
    gtfs::FeedLimits limits;
    limits.seconds = 1;
    Dialog d(program, nullptr, limits,
             r.program.isEmpty() ? gtfs::feedHelperProgram() : r.program);
    read(d, r.feed);
    ASSERT_EQ(ui().messages.size(), 1u);
    if (r.program.isEmpty())
      EXPECT_EQ(ui().messages[0].text, r.message);
    else
      EXPECT_TRUE(ui().messages[0].text.startsWith(r.message)) << ui().messages[0].text.toStdString();
    EXPECT_EQ(ui().messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(d.statusLabel()->text(), QStringLiteral("このデータからは路線を作れません"));
    EXPECT_FALSE(d.makeButton()->isEnabled());
    mode.reset();
    if (!r.program.isEmpty()) continue;
    read(d, good);
    EXPECT_EQ(shown(d), QStringList{"L"});
    EXPECT_TRUE(d.makeButton()->isEnabled());
  }
}

// キャンセル kills the helper at once and leaves the dialog open; the dialog
// gone, no helper is left either.
TEST_F(GtfsDialogTest, CancelAndClosingKillTheHelper) {
  const QString good = feedFolder(test::TestFeed::line(3), "good");
  EnvScope hang("SORANE_FEED_HELPER_TEST", "hang");
  qint64 pid = 0;
  {
    Dialog d(program, nullptr);
    for (int round = 0; round < 2; ++round) {
      d.readFeed(good);
      ASSERT_TRUE(d.isBusy());
      EXPECT_EQ(d.statusLabel()->text(), QStringLiteral("読み込んでいます..."));
      ASSERT_TRUE(QTest::qWaitFor([&] { return d.feedHelper().process().underWay() != 0; }, 10000));
      pid = d.feedHelper().process().helperPid();
      ASSERT_GT(pid, 0);
      if (round == 1) break;  // left running for the dialog's end
      d.cancelButton()->click();
      EXPECT_FALSE(d.isBusy());
      EXPECT_EQ(d.statusLabel()->text(),
                QStringLiteral("読み込みをやめました(Enter でもう一度読み込みます)"));
      EXPECT_EQ(d.result(), QDialog::Rejected);
      EXPECT_TRUE(QTest::qWaitFor([&] { return gone(pid); }, 2000));
      EXPECT_TRUE(ui().messages.empty());
    }
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return gone(pid); }, 2000));
}

}  // namespace
}  // namespace sorane
