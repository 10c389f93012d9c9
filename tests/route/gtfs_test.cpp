#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "cp932.h"
#include "file_rights.h"
#include "gtfs_import.h"
#include "test_feed.h"

namespace sorane::gtfs {
namespace {

using test::TestFeed;

// The feed's warnings come first among the route's.
ImportedRoute import(const FeedFiles& files, Tickets mode = Tickets::Auto, bool times = false,
                     bool fares = true) {
  ImportOptions o;
  o.routeId = "L";
  o.tickets = mode;
  o.times = times;
  const Feed feed = readFeed(files, fares);
  ImportedRoute r = importRoute(feed, o);
  r.warnings = feed.warnings + r.warnings;
  return r;
}
ImportedRoute import(const TestFeed& f, Tickets mode = Tickets::Auto, bool times = false) {
  return import(FeedFiles::fromMemory(f.files, "feed"), mode, times);
}

// "[fares] " first when the fault is in the fare files.
QString errorOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const FeedError& e) {
    return (e.inFares() ? QStringLiteral("[fares] ") : QString()) + e.message();
  }
  return QStringLiteral("(no error)");
}

TestFeed replaced(TestFeed f, const QString& file, const QByteArray& from, const QByteArray& to) {
  f.files[file].replace(from, to);
  return f;
}

// Each row's Values(0..32), checked against the rules: a stop's ticket,
// then the fare from the first stop issuing ticket k to the row's stop.
TEST(GtfsImport, TicketsAndFaresFollowTheRules) {
  const auto linear = [](int a, int b) { return 100 + 10 * (b - a); };
  const auto group = [](int i) { return (i - 1) / 4; };
  const TestFeed flat = [] {
    TestFeed f = TestFeed::line(4);
    f.files["fare_attributes.txt"] = "fare_id,price\nFX,300\nFL,200.0\n";
    f.files["fare_rules.txt"] = "fare_id,route_id\nFX,L\nFL,L\n";  // the lowest, never falling
    return f;
  }();
  struct Case {
    const char* what;
    TestFeed feed;
    Tickets mode;
    int stops;
    std::function<int(int)> ticket;     // of stop 1..stops-1
    std::function<int(int, int)> fare;  // from stop a to a later stop b
    QString error = {};
    QStringList warnings = {};
  };
  const Case cases[] = {
      {"per stop; stop 2 in its parent station's zone", TestFeed::line(5), Tickets::Auto, 5,
       [](int i) { return i; }, linear},
      {"grouped at fare boundaries",
       TestFeed::line(40, group, [](int a, int b) { return 150 + 30 * (b - a); }), Tickets::Auto,
       40, [](int i) { return (i - 1) / 4 + 1; },
       [](int a, int b) { return 150 + 30 * ((b - 1) / 4 - (a - 1) / 4); }},
      {"301 stops of one fare share ticket 1", TestFeed::line(301, [](int) { return 1; }),
       Tickets::Auto, 301, [](int) { return 1; }, [](int, int) { return 100; }},
      {"two fares for the whole route: one ticket at the lower",
       flat,
       Tickets::Auto,
       4,
       [](int) { return 1; },
       [](int, int) { return 200; },
       {},
       {"feed/fare_rules.txt: 路線「L」: 運賃が 2 つ以上ある区間が 6 "
        "あり、乗った停留所からの運賃が下がらないものにしました"}},
      // 1 -> 3 has a rule only when it also passes zone 4.
      {"a missing pair is 0 and reported",
       replaced(replaced(TestFeed::line(4), "fare_rules.txt", "F1_3,L,Z1,Z3\n",
                         "F1_3,L,Z1,Z3,Z2\nF1_3,L,Z1,Z3,Z4\n"),
                "fare_rules.txt", "destination_id\n", "destination_id,contains_id\n"),
       Tickets::Auto,
       4,
       [](int i) { return i; },
       [&](int a, int b) { return a == 1 && b == 3 ? 0 : linear(a, b); },
       {},
       {"feed/fare_rules.txt: 路線「L」: 運賃の決まらない区間が 1 あり、運賃 0 にしました: "
        "停留所1→停留所3"}},
      {"more than 32 tickets",
       TestFeed::line(40),
       Tickets::Auto,
       0,
       {},
       {},
       "feed: 路線「L」には整理券番号が 39 必要で、32 を超えます"},
      {"per stop asked for on 40 stops",
       TestFeed::line(40, group),
       Tickets::PerStop,
       0,
       {},
       {},
       "feed: 路線「L」には整理券番号が 39 必要で、32 を超えます(--tickets by-fare "
       "なら運賃の同じ停留所をまとめます)"},
      {"longer than 301 stops",
       TestFeed::line(302, [](int) { return 1; }),
       Tickets::Auto,
       0,
       {},
       {},
       "feed/stop_times.txt: 路線「L」の停留所が 302 あり、運賃データの 301 を超えます"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.error.isEmpty()) {
      EXPECT_EQ(errorOf([&] { import(c.feed, c.mode); }), c.error);
      continue;
    }
    const ImportedRoute r = import(c.feed, c.mode);
    ASSERT_EQ(r.rows.size(), static_cast<std::size_t>(c.stops));
    EXPECT_EQ(r.warnings, c.warnings);
    std::map<int, int> first;  // ticket -> the first stop issuing it
    for (int i = c.stops - 1; i >= 1; --i) first[c.ticket(i)] = i;
    EXPECT_EQ(r.tickets, static_cast<int>(first.size()));
    for (int j = 1; j <= c.stops; ++j) {
      const RouteRow& row = r.rows[static_cast<std::size_t>(j - 1)];
      EXPECT_EQ(row.StopName, QStringLiteral("停留所%1").arg(j));
      ASSERT_EQ(row.Values[0], j < c.stops ? c.ticket(j) : 0) << "stop " << j;
      for (int k = 1; k <= 32; ++k) {
        const int from = first.contains(k) ? first[k] : c.stops;
        ASSERT_EQ(row.Values[static_cast<std::size_t>(k)], from < j ? c.fare(from, j) : 0)
            << "stop " << j << ", ticket " << k;
      }
    }
  }
}

// Both layouts of translations.txt; the tape exactly, in Shift-JIS.
TEST(GtfsImport, TapeReadsStopsByTheirReadings) {
  const QString stops3 =
      "次は、ていりゅうじょ2です。,1,1\r\n次は、終点、ていりゅうじょ3です。,1,1\r\n";
  const QString opening = "毎度ご乗車ありがとうございます。このバスは、%1行きです。,0,1\r\n";
  TestFeed headsign = TestFeed::line(3);
  headsign.files["trips.txt"] =
      "route_id,trip_id,direction_id,trip_headsign\nL,T1,0,駅前行き\nL,T2,0,駅前行き\n";
  headsign.files["translations.txt"] =
      " table_name , field_name,language,translation,record_id,record_sub_id,field_value\n"
      "stops,stop_name,ja-Hrkt,ていりゅうじょ2,s2,,\n"
      "stops,stop_name,ja-Hrkt,ていりゅうじょ3,,,停留所3\n"
      "stops,stop_name,en,Stop 3,,,停留所3\n"
      "trips,trip_headsign,ja-Hrkt,えきまえゆき,T1,,\n";
  TestFeed noReadings = TestFeed::line(3);
  noReadings.files.erase("translations.txt");
  struct Case {
    const char* what;
    TestFeed feed;
    QString tape;
    QStringList warnings = {};
  };
  const Case cases[] = {
      {"GTFS-JP: trans_id,lang,translation", TestFeed::line(3),
       opening.arg("ていりゅうじょ3") + stops3},
      {"GTFS: by record_id and by field_value; the headsign's reading",
       headsign,
       opening.arg("えきまえ") + stops3,
       {"feed/translations.txt: 読みのない停留所が 1 あり、停留所名のまま読みます: 停留所1"}},
      {"no readings: the names",
       noReadings,
       opening.arg("停留所3") + "次は、停留所2です。,1,1\r\n次は、終点、停留所3です。,1,1\r\n",
       {"feed/translations.txt: ファイルがないため、停留所を名前のまま読みます"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ImportedRoute r = import(c.feed);
    EXPECT_TRUE(r.tapeShiftJis);
    EXPECT_EQ(cp932::decode(r.tape), c.tape);
    EXPECT_EQ(r.tape, cp932::encode(c.tape));
    EXPECT_EQ(r.warnings, c.warnings);
  }
}

// Every field quoted, headers too with blanks around them, a byte-order
// mark, CR LF: the same route as the plain files, times included.
TEST(GtfsImport, QuotedFilesWithBomAndCrLfReadAsPlainOnes) {
  const TestFeed plain = TestFeed::line(5);
  TestFeed quoted = plain;
  for (auto& [name, bytes] : quoted.files) {
    QByteArray out = "\xEF\xBB\xBF";
    bool header = true;
    for (const QByteArray& line : bytes.split('\n')) {
      if (line.isEmpty()) continue;
      QByteArrayList fields = line.split(',');
      for (QByteArray& f : fields) f = header ? " \" " + f + " \" " : "\"" + f + "\"";
      out += fields.join(',') + "\r\n";
      header = false;
    }
    bytes = out;
  }
  const ImportedRoute a = import(plain, Tickets::Auto, true),
                      b = import(quoted, Tickets::Auto, true);
  EXPECT_EQ(b.rows, a.rows);
  EXPECT_EQ(b.tape, a.tape);
  for (int j = 0; j < 5; ++j) EXPECT_EQ(b.rows[static_cast<std::size_t>(j)].Values[150], 2 * j);
}

// What stops a feed: the message names the file, the line and the column.
TEST(GtfsFeed, BrokenFilesAndZipBombsStopWithTheirPlace) {
  const TestFeed good = TestFeed::line(3);
  auto with = [&](const QString& file, const QByteArray& bytes) {
    TestFeed f = good;
    f.files[file] = bytes;
    if (bytes.isNull()) f.files.erase(file);
    return FeedFiles::fromMemory(f.files, "feed");
  };
  auto zipWith = [&](const test::ZipEntry& e) {
    std::vector<test::ZipEntry> entries{e};
    for (const auto& [name, bytes] : good.files)
      if (name.toUtf8() != e.name) entries.push_back(test::storedEntry(name.toUtf8(), bytes));
    return FeedFiles::fromZip(test::zipOf(entries), "feed.zip");
  };
  test::ZipEntry liar = test::zerosEntry("stops.txt", 1 << 20);
  liar.size = 1000;
  const qint64 huge = (qint64{256} << 20) + (1 << 20);
  struct Case {
    const char* what;
    std::function<FeedFiles()> files;
    QString error;
  };
  const Case cases[] = {
      {"a zip with its files in one folder",
       [&] { return FeedFiles::fromZip(test::zipOf(good, "gtfs/"), "feed.zip"); }, ""},
      {"a header without the column",
       [&] { return with("stops.txt", "stop_id;stop_name\ns1;A\n"); },
       "feed/stops.txt: 列「stop_id」がありません"},
      {"a header with a quote left open",
       [&] { return with("stop_times.txt", "trip_id,\"stop_id,stop_sequence\nT1,s1,1\n"); },
       "feed/stop_times.txt:1: 引用符 \" が閉じていません"},
      {"no header", [&] { return with("routes.txt", "\r\n"); },
       "feed/routes.txt: 列の名前の行がありません"},
      {"no fare rules", [&] { return with("fare_rules.txt", QByteArray()); },
       "[fares] feed/fare_rules.txt: ファイルがありません"},
      {"a zip whose header lies about the size", [&] { return zipWith(liar); },
       "feed.zip: stops.txt: ZIPの見出しにある 1000 "
       "バイトより大きく展開されます(壊れているか、ZIP爆弾です)"},
      {"a zip that is simply huge inflated",
       [&] { return zipWith(test::zerosEntry("stop_times.txt", huge)); },
       "feed.zip: stop_times.txt: 展開すると 269484032 バイトになり、上限の 268435456 "
       "バイトを超えます"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString error = errorOf([&] {
      const ImportedRoute r = import(c.files());
      EXPECT_EQ(r.rows, import(good).rows);
    });
    EXPECT_EQ(error, c.error.isEmpty() ? QStringLiteral("(no error)") : c.error);
  }
}

// Row by row: the ticket, ":", then Values(1..tickets); " @" and the
// minutes when times are imported.
QStringList cells(const ImportedRoute& r, bool times) {
  QStringList out;
  for (const RouteRow& row : r.rows) {
    QString line = QString::number(row.Values[0]) + QLatin1Char(':');
    for (int k = 1; k <= r.tickets; ++k)
      line += QLatin1Char(' ') + QString::number(row.Values[static_cast<std::size_t>(k)]);
    if (times) line += QStringLiteral(" @") + QString::number(row.Values[150]);
    out << line;
  }
  return out;
}

// What real feeds hold, each in the smallest feed that shows it: route L,
// trip T over stops A, B, C, one fare of 100 yen for the whole route,
// every stop read; a row replaces files (an empty text takes one away).
TEST(GtfsImport, RealFeedsImportByTheseRules) {
  const std::map<QString, QByteArray> base = {
      {"routes.txt", "route_id\nL\n"},
      {"trips.txt", "route_id,trip_id\nL,T\n"},
      {"stops.txt", "stop_id,stop_name,zone_id\na,A,Z1\nb,B,Z2\nc,C,Z3\nd,D,Z2\n"},
      {"stop_times.txt", "trip_id,stop_id,stop_sequence\nT,a,1\nT,b,2\nT,c,3\n"},
      {"fare_attributes.txt", "fare_id,price\nF,100\n"},
      {"fare_rules.txt", "fare_id\nF\n"},
      {"translations.txt",
       "trans_id,lang,translation\nA,ja-Hrkt,え\nB,ja-Hrkt,び\nC,ja-Hrkt,し\n"
       "D,ja-Hrkt,でぃ\n"}};
  const QByteArray loop = "trip_id,stop_id,stop_sequence\nT,a,1\nT,b,2\nT,c,3\nT,d,4\n";
  const QByteArray loopFares = "fare_id,price\nF100,100\nF300,300\nF500,500\nF200,200\n";
  const QByteArray loopRules =
      "fare_id,origin_id,destination_id\nF100,Z1,Z2\nF300,Z1,Z2\nF500,Z1,Z2\nF200,Z1,Z3\n"
      "F100,Z2,Z3\nF100,Z3,Z2\nF100,Z2,Z2\n";
  const QString several =
      "feed/fare_rules.txt: 路線「L」: 運賃が 2 つ以上ある区間が %1 "
      "あり、乗った停留所からの運賃が下がらないものにしました";
  struct Row {
    const char* what;
    std::map<QString, QByteArray> files;
    QStringList cells;
    QStringList warnings = {};
    QString error = {};
    Tickets tickets = Tickets::Auto;
    bool times = false, fares = true;
  };
  const Row rows[] = {
      {"a parent_station stops.txt lacks: ignored, said",
       {{"stops.txt", "stop_id,stop_name,parent_station\na,A,\nb,B,\nc,C,1000\n"}},
       {"1: 0", "1: 100", "0: 100"},
       {"feed/stops.txt:4: parent_station「1000」が stops.txt にありません(無視しました)"}},
      {"two stop_times rows of another route name stops stops.txt lacks",
       {{"routes.txt", "route_id\nL\nM\n"},
        {"trips.txt", "route_id,trip_id\nL,T\nM,U\n"},
        {"stop_times.txt", "trip_id,stop_id,stop_sequence\nT,a,1\nT,b,2\nT,c,3\nU,x,1\nU,y,2\n"}},
       {"1: 0", "1: 100", "0: 100"},
       {"feed/stop_times.txt:5: stop_id「x」が stops.txt にありません(無視しました) ほか 1 件"}},
      {"a stop of the route that stops.txt lacks",
       {{"stop_times.txt", "trip_id,stop_id,stop_sequence\nT,a,1\nT,x,2\nT,c,3\n"}},
       {},
       {},
       "feed/stop_times.txt:3: stop_id「x」が stops.txt にありません"},
      {"a fare_id fare_attributes lacks",
       {{"fare_rules.txt", "fare_id\nF\nG\n"}},
       {},
       {},
       "[fares] feed/fare_rules.txt:3: fare_id「G」が fare_attributes.txt にありません"},
      {"a fare_rules header without fare_id",
       {{"fare_rules.txt", "fare;route\nF;L\n"}},
       {},
       {},
       "[fares] feed/fare_rules.txt: 列「fare_id」がありません"},
      {"the same without fares",
       {{"fare_rules.txt", "fare;route\nF;L\n"}},
       {"1: 0 0", "2: 0 0", "0: 0 0"},
       {"feed: 運賃のファイルを読まないため、運賃はすべて 0 です"},
       {},
       Tickets::Auto,
       false,
       false},
      {"no translations.txt: said once",
       {{"translations.txt", {}}},
       {"1: 0", "1: 100", "0: 100"},
       {"feed/translations.txt: ファイルがないため、停留所を名前のまま読みます"}},
      // A→D passes Z2 again: 100, 300 and 500 match; 300 is the lowest
      // not below A→C. The lowest, 100, would fall.
      {"a loop: the lowest fare not below the stop before",
       {{"stop_times.txt", loop},
        {"fare_attributes.txt", loopFares},
        {"fare_rules.txt", loopRules}},
       {"1: 0 0 0", "2: 100 0 0", "3: 200 100 0", "0: 300 100 100"},
       {several.arg(2)}},
      {"a loop: none as high, the highest",
       {{"stop_times.txt", loop},
        {"fare_attributes.txt", QByteArray(loopFares).replace("F200,200", "F200,600")},
        {"fare_rules.txt", loopRules}},
       {"1: 0 0 0", "2: 100 0 0", "3: 600 100 0", "0: 500 100 100"},
       {several.arg(2)}},
      // A→C passes Z1, Z2 and Z3: not exactly the 150-yen fare's zones, as
      // a subset match would take them.
      {"contains_id: exactly the zones passed",
       {{"fare_attributes.txt", "fare_id,price\nF150,150\nF300,300\nF100,100\n"},
        {"fare_rules.txt",
         "fare_id,origin_id,destination_id,contains_id\nF150,,,Z1\nF150,,,Z2\nF300,Z1,Z3,\n"
         "F100,Z2,Z3,\n"}},
       {"1: 0 0", "2: 150 0", "0: 300 100"}},
      {"a flat fare asked per stop",
       {},
       {"1: 0 0", "2: 100 0", "0: 100 100"},
       {},
       {},
       Tickets::PerStop},
      {"times without seconds",
       {{"stop_times.txt",
         "trip_id,stop_id,stop_sequence,departure_time\nT,a,1,8:05\nT,b,2,8:12\nT,c,3,9:20\n"}},
       {"1: 0 @0", "1: 100 @7", "0: 100 @75"},
       {},
       {},
       Tickets::Auto,
       true},
      {"times that cannot be read: placed between, said once",
       {{"stop_times.txt",
         "trip_id,stop_id,stop_sequence,departure_time\nT,a,1,8:00:00\nT,b,2,8:5\nT,d,3,"
         "8h\nT,c,4,8:09:00\n"}},
       {"1: 0 @0", "1: 100 @3", "1: 100 @6", "0: 100 @9"},
       {"feed/stop_times.txt:3: 便「T」に読めない時刻が 2 "
        "あり、時刻のないものとしました(最初は「8:5」)"},
       {},
       Tickets::Auto,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::map<QString, QByteArray> files = base;
    for (const auto& [name, bytes] : row.files) {
      files[name] = bytes;
      if (bytes.isNull()) files.erase(name);
    }
    ImportedRoute r;
    const QString error = errorOf([&] {
      r = import(FeedFiles::fromMemory(files, "feed"), row.tickets, row.times, row.fares);
    });
    EXPECT_EQ(error, row.error.isEmpty() ? QStringLiteral("(no error)") : row.error);
    EXPECT_EQ(cells(r, row.times), row.cells);
    EXPECT_EQ(r.warnings, row.warnings);
  }
}

}  // namespace
}  // namespace sorane::gtfs

namespace sorane::gtfs {
namespace {

// Route L, trip T over stops a, b, c in zones Z1..Z3, one fare of 100 yen
// for the whole route, every stop read.
std::map<QString, QByteArray> smallFeed() {
  return {{"routes.txt", "route_id,route_short_name\nL,線\n"},
          {"trips.txt", "route_id,trip_id,direction_id\nL,T,0\n"},
          {"stops.txt", "stop_id,stop_name,zone_id\na,A,Z1\nb,B,Z2\nc,C,Z3\n"},
          {"stop_times.txt", "trip_id,stop_id,stop_sequence\nT,a,1\nT,b,2\nT,c,3\n"},
          {"fare_attributes.txt", "fare_id,price\nF,100\n"},
          {"fare_rules.txt", "fare_id\nF\n"},
          {"translations.txt", "trans_id,lang,translation\nA,ja-Hrkt,え\nB,ja-Hrkt,び\nC,ja-Hrkt,し\n"}};
}

// `stops` stops s1.. on trip T of route L, named N1.., each read.
std::map<QString, QByteArray> lineOf(int stops) {
  std::map<QString, QByteArray> f = smallFeed();
  f["stops.txt"] = "stop_id,stop_name\n";
  f["stop_times.txt"] = "trip_id,stop_id,stop_sequence\n";
  f["translations.txt"] = "trans_id,lang,translation\n";
  for (int i = 1; i <= stops; ++i) {
    const QByteArray n = QByteArray::number(i);
    f["stops.txt"] += "s" + n + ",N" + n + "\n";
    f["stop_times.txt"] += "T,s" + n + "," + n + "\n";
    f["translations.txt"] += "N" + n + ",ja-Hrkt,えぬ\n";
  }
  return f;
}

QByteArray utf16(const QString& text, bool bigEndian, bool mark) {
  QByteArray out = mark ? QByteArray(bigEndian ? "\xFE\xFF" : "\xFF\xFE", 2) : QByteArray();
  for (const QChar c : text) {
    const char hi = static_cast<char>(c.unicode() >> 8), lo = static_cast<char>(c.unicode() & 0xFF);
    out += bigEndian ? QByteArray{&hi, 1} + QByteArray{&lo, 1} : QByteArray{&lo, 1} + QByteArray{&hi, 1};
  }
  return out;
}

// What the route tool says of a feed: "[fares] " and the refusal, or the
// listing's lines; then, for route L, the import's warnings.
struct Said {
  QString error;
  QStringList listing, warnings;
  std::vector<RouteRow> rows;
};
Said readAndImport(const std::function<FeedFiles()>& files) {
  Said said;
  try {
    const Feed feed = readFeed(files(), true);
    for (const RouteSummary& r : listRoutes(feed)) said.listing << describe(r);
    ImportOptions o;
    o.routeId = "L";
    ImportedRoute made = importRoute(feed, o);
    said.warnings = feed.warnings + made.warnings;
    said.rows = std::move(made.rows);
  } catch (const FeedError& e) {
    said.error = (e.inFares() ? QStringLiteral("[fares] ") : QString()) + e.message();
  }
  return said;
}

// Each row the smallest feed that shows one way of breaking the reader:
// it is refused with its place, or read within its limits.
TEST(GtfsFeed, HostileFeedsAreRefusedOrBounded) {
  const auto with = [](std::map<QString, QByteArray> changes,
                       std::map<QString, QByteArray> base = smallFeed()) {
    return [changes, base]() mutable {
      for (const auto& [name, bytes] : changes) base[name] = bytes;
      return FeedFiles::fromMemory(base, "feed");
    };
  };
  const auto zipped = [](std::vector<test::ZipEntry> entries) {
    return [entries] {
      std::vector<test::ZipEntry> all = entries;
      for (const auto& [name, bytes] : smallFeed())
        if (name != "stops.txt") all.push_back(test::storedEntry(name.toUtf8(), bytes));
      return FeedFiles::fromZip(test::zipOf(all), "feed.zip");
    };
  };
  const QByteArray stops = smallFeed()["stops.txt"];
  const QString ok = "L  方向 0  3 停留所  1 便  線  A → C  整理券 1";
  std::map<QString, QByteArray> manyRoutes = smallFeed();
  manyRoutes["routes.txt"] = "route_id\n";
  manyRoutes["trips.txt"] = "route_id,trip_id,direction_id\n";
  manyRoutes["stop_times.txt"] = "trip_id,stop_id,stop_sequence\n";
  for (int i = 0; i < 20000; ++i) {
    const QByteArray r = "R" + QByteArray::number(i);
    manyRoutes["routes.txt"] += r + "\n";
    for (const char* d : {"0", "1"}) {
      manyRoutes["trips.txt"] += r + "," + r + d + "," + d + "\n";
      manyRoutes["stop_times.txt"] += r + d + ",a,1\n" + r + d + ",b,2\n";
    }
  }
  manyRoutes["routes.txt"] += "L\n";
  manyRoutes["trips.txt"] += "L,T,0\n";
  manyRoutes["stop_times.txt"] += "T,a,1\nT,b,2\nT,c,3\n";
  QByteArray manyUnknown = "trip_id,stop_id,stop_sequence\n";
  for (int i = 0; i <= kMaxUnknownStops; ++i) manyUnknown += "T,x" + QByteArray::number(i) + ",1\n";
  QByteArray tooManyRoutes = "route_id\n";
  for (int i = 0; i <= 100000; ++i) tooManyRoutes += QByteArray::number(i) + "\n";
  const QByteArray fields1000 = "a,A" + QByteArray(998, ',') + "\n";
  QByteArray longReadings = "trans_id,lang,translation\n";
  for (const char* name : {"A", "B", "C"})
    longReadings += QByteArray(name) + ",ja-Hrkt," + QByteArray(1 << 20, 'y').left(kMaxRecordBytes - 12) + "\n";
  std::map<QString, QByteArray> longTape = lineOf(9);
  longTape["translations.txt"] = "trans_id,lang,translation\n";
  for (int i = 1; i <= 9; ++i)
    longTape["translations.txt"] += "N" + QByteArray::number(i) + ",ja-Hrkt," + QByteArray(1'000'000, 'y') + "\n";
  std::map<QString, QByteArray> rules = lineOf(301);
  rules["fare_rules.txt"] = "fare_id\n" + QByteArray("F\n").repeated(100000);

  struct Row {
    const char* what;
    std::function<FeedFiles()> files;
    QString error;
    QStringList listing = {};
    QStringList warnings = {};
  };
  const Row rows[] = {
      {"a NUL in a name", with({{"routes.txt", QByteArray("route_id,route_short_name\nL,A\0B\n", 31)}}),
       "feed/routes.txt:2: NUL 文字 (0x00) があります"},
      {"a NUL on the third line of a quoted name",
       with({{"stops.txt", QByteArray("stop_id,stop_name\na,\"A\n\nx\0\"\n", 27)}}),
       "feed/stops.txt:4: NUL 文字 (0x00) があります"},
      {"a record one byte over 1 MiB",
       with({{"stops.txt", "stop_id,stop_name\na," + QByteArray(kMaxRecordBytes - 1, 'A') + "\n"}}),
       "feed/stops.txt:2: 1 行が 1048576 バイトを超えます"},
      {"readings of just under 1 MiB", with({{"translations.txt", longReadings}}), {}, {ok}},
      {"1001 fields", with({{"stops.txt", "stop_id,stop_name\n" + fields1000.trimmed() + ",\n"}}),
       "feed/stops.txt:2: 1 行の列が 1000 を超えます"},
      {"1000 fields", with({{"stops.txt", "stop_id,stop_name\n" + fields1000 + "b,B\nc,C\n"}}), {},
       {ok}},
      {"UTF-16 with its mark", with({{"stops.txt", utf16(stops, false, true)}}),
       "feed/stops.txt: UTF-16 で書かれているため読めません(UTF-8 で書いてください)"},
      {"UTF-16 big-endian without one", with({{"routes.txt", utf16("route_id\nL\n", true, false)}}),
       "feed/routes.txt: UTF-16 で書かれているため読めません(UTF-8 で書いてください)"},
      {"a price of -0.5 yen", with({{"fare_attributes.txt", "fare_id,price\nF,-0.5\n"}}),
       "[fares] feed/fare_attributes.txt:2: price「-0.5」が 0〜32767 円ではありません"},
      {"a price of -0.4 yen", with({{"fare_attributes.txt", "fare_id,price\nF,-0.4\n"}}),
       "[fares] feed/fare_attributes.txt:2: price「-0.4」が 0〜32767 円ではありません"},
      {"an escape sequence, a right-to-left override and a line break in names",
       with({{"stops.txt", "stop_id,stop_name\na,A\x1B[2J,Z1\nb,B\nc,\"C\r\nL  方向 9\"\n"},
             {"routes.txt", "route_id,route_short_name\nL,線\u202E逆\n"},
             {"translations.txt", "trans_id,lang,translation\n"}}),
       {},
       {"L  方向 0  3 停留所  1 便  線\\u202E逆  A\\x1B[2J → C\\x0D\\x0AL  方向 9  整理券 1"},
       {"feed/translations.txt: 読みのない停留所が 3 あり、停留所名のまま読みます: "
        "A\\x1B[2J、B、C\\x0D\\x0AL  方向 9"}},
      {"60,000 é in a name", with({{"stops.txt", "stop_id,stop_name\na," + QString(60000, QChar(0xE9)).toUtf8() + "\nb,B\nc,C\n"}}),
       {}, {"L  方向 0  3 停留所  1 便  線  " + QString(QChar(0xE9)).repeated(1000 / 2) + "… → C  整理券 1"},
       {"feed/stops.txt:2: 停留所名の 60000 字がShift-JISにないため置き換えました(最初は「é」を「〓」に)",
        "feed/stops.txt:2: 停留所名 1 件が運賃データに書ける 65535 バイトを超えるため、その長さに切りました",
        "feed/translations.txt: 読みのない停留所が 1 あり、停留所名のまま読みます: " +
            QString(QChar(0xE9)).repeated(60000)}},
      {"100,000 rules of one fare on 301 stops", with(rules, rules), {},
       {"L  方向 0  301 停留所  1 便  線  N1 → N301  整理券 1"}},
      {"20,000 routes both ways", with(manyRoutes, manyRoutes), {}},
      {"10,001 stop_ids that stops.txt lacks", with({{"stop_times.txt", manyUnknown}}),
       "feed/stop_times.txt: stops.txt にない stop_id が 10000 種類を超えます"},
      {"100,001 routes", with({{"routes.txt", tooManyRoutes}}),
       "feed/routes.txt:100002: 行が 100000 を超えます"},
      {"a tape longer than its reader takes", with(longTape, longTape),
       "feed/translations.txt: 路線「L」の放送用データが上限の 8388608 バイトを超えます"
       "(読みか停留所名が長すぎます)"},
      {"stops.txt twice in a zip",
       zipped({test::storedEntry("stops.txt", stops), test::storedEntry("stops.txt", stops)}),
       "feed.zip: stops.txt が 2 つあります(ZIPの 1 番目と 2 番目)"},
      {"STOPS.TXT and Stops.txt in a zip",
       zipped({test::storedEntry("STOPS.TXT", stops), test::storedEntry("Stops.txt", stops)}),
       "feed.zip: STOPS.TXT と Stops.txt があり、どちらが stops.txt か決められません"},
      {"STOPS.TXT and stops.txt in a zip: the exact name",
       zipped({test::storedEntry("STOPS.TXT", QByteArray(stops).replace(",A,", ",X,")),
               test::storedEntry("stops.txt", stops)}),
       {}, {ok}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Said said = readAndImport(row.files);
    EXPECT_EQ(said.error, row.error);
    if (!row.error.isEmpty()) continue;
    if (row.listing.isEmpty())
      EXPECT_EQ(said.listing.size(), 40001);
    else
      EXPECT_EQ(said.listing, row.listing);
    EXPECT_EQ(said.warnings, row.warnings);
  }
}

// A folder feed reads only regular files in it, found as a zip's are.
TEST(GtfsFeed, FolderFeedsOpenOnlyTheirOwnRegularFiles) {
  QTemporaryDir dir;
  const QString outside = dir.filePath("outside.txt");
  ASSERT_TRUE(QFile(outside).open(QIODevice::WriteOnly));
  struct Row {
    const char* what;
    std::function<void(const QString& feed)> plant;  // in a folder with the small feed
    QString error;                                    // "%1" the feed's folder
    QString first = "A";                              // the listing's first stop
  };
  const auto replace = [](const QString& name, const std::function<bool(const QString&)>& make) {
    return [=](const QString& feed) {
      QFile::remove(feed + "/" + name);
      ASSERT_TRUE(make(feed + "/" + name));
    };
  };
  const auto fifo = [](const QString& p) { return mkfifo(QFile::encodeName(p).constData(), 0644) == 0; };
  const auto write = [](const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
  };
  const QByteArray stopsX = "stop_id,stop_name,zone_id\na,X,Z1\nb,B,Z2\nc,C,Z3\n";
  const Row rows[] = {
      {"a FIFO as stops.txt", replace("stops.txt", fifo),
       "%1/stops.txt: ファイルではなく名前付きパイプ(FIFO)です。 (75)"},
      {"a folder as stops.txt", replace("stops.txt", [](const QString& p) { return QDir().mkdir(p); }),
       "%1/stops.txt: ファイルではなくフォルダーです。 (75)"},
      {"a link out of the folder",
       replace("stops.txt", [&](const QString& p) { return QFile::link(outside, p); }),
       "%1/stops.txt: フォルダーの外(" + outside + ")を指すシンボリックリンクのため読みません"},
      {"a link to a file of the folder",
       [&](const QString& feed) {
         ASSERT_TRUE(write(feed + "/kept.csv", stopsX));
         replace("stops.txt", [&](const QString& p) { return QFile::link(feed + "/kept.csv", p); })(feed);
       },
       {}, "X"},
      {"an unreadable stops.txt",
       [](const QString& feed) { QFile::setPermissions(feed + "/stops.txt", QFile::WriteOwner); },
       "%1/stops.txt: 読み込みできません。 (70)"},
      {"STOPS.TXT beside stops.txt: the exact name",
       [&](const QString& feed) { ASSERT_TRUE(write(feed + "/STOPS.TXT", stopsX)); }, {}},
      {"STOPS.TXT only: found in any case",
       [&](const QString& feed) {
         QFile::remove(feed + "/stops.txt");
         ASSERT_TRUE(write(feed + "/STOPS.TXT", stopsX));
       },
       {}, "X"},
      {"STOPS.TXT and Stops.txt",
       [&](const QString& feed) {
         QFile::remove(feed + "/stops.txt");
         ASSERT_TRUE(write(feed + "/STOPS.TXT", stopsX) && write(feed + "/Stops.txt", stopsX));
       },
       "%1: STOPS.TXT と Stops.txt があり、どちらが stops.txt か決められません"},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const QString feed = dir.filePath(QString::number(++n));
    test::TestFeed{smallFeed()}.writeTo(feed);
    row.plant(feed);
    const test::WithoutFileRights asAnyUser;
    const Said said = readAndImport([&] { return FeedFiles::open(feed); });
    EXPECT_EQ(said.error, QString(row.error).replace("%1", feed));
    if (row.error.isEmpty()) {
      EXPECT_EQ(said.listing, QStringList{"L  方向 0  3 停留所  1 便  線  " + row.first + " → C  整理券 1"});
    }
  }
  // The feed itself a FIFO, or a device: said at once, never waited on.
  ASSERT_TRUE(fifo(dir.filePath("feed.zip")));
  for (const QString& path : {dir.filePath("feed.zip"), QStringLiteral("/dev/zero")})
    EXPECT_EQ(readAndImport([&] { return FeedFiles::open(path); }).error,
              path + (path.startsWith("/dev") ? ": ファイルではなくデバイスです。 (75)"
                                               : ": ファイルではなく名前付きパイプ(FIFO)です。 (75)"));
}

}  // namespace
}  // namespace sorane::gtfs
