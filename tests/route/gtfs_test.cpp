#include <gtest/gtest.h>

#include "cp932.h"
#include "gtfs_import.h"
#include "test_feed.h"

namespace sorane::gtfs {
namespace {

using test::TestFeed;

ImportedRoute import(const FeedFiles& files, Tickets mode = Tickets::Auto, bool times = false) {
  ImportOptions o;
  o.routeId = "L";
  o.tickets = mode;
  o.times = times;
  return importRoute(readFeed(files, true), o);
}
ImportedRoute import(const TestFeed& f, Tickets mode = Tickets::Auto, bool times = false) {
  return import(FeedFiles::fromMemory(f.files, "feed"), mode, times);
}

QString errorOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const FeedError& e) {
    return e.message();
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
    f.files["fare_rules.txt"] = "fare_id,route_id\nFX,L\nFL,L\n";  // the lowest counts
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
      {"a flat fare by route only", flat, Tickets::Auto, 4, [](int i) { return i; },
       [](int, int) { return 200; }},
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
       {"feed/translations.txt: 読みのない停留所が 3 あり、停留所名のまま読みます: "
        "停留所1、停留所2、停留所3"}},
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
       "feed/fare_rules.txt: ファイルがありません。運賃のない路線は作りません(sorane-route "
       "from-gtfs --no-fares なら運賃 0 で作ります)"},
      {"a zip whose header lies about the size", [&] { return zipWith(liar); },
       "feed.zip/stops.txt: ZIPの見出しにある 1000 "
       "バイトより大きく展開されます(壊れているか、ZIP爆弾です)"},
      {"a zip that is simply huge inflated",
       [&] { return zipWith(test::zerosEntry("stop_times.txt", huge)); },
       "feed.zip/stop_times.txt: 展開すると 269484032 バイトになり、上限の 268435456 "
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

}  // namespace
}  // namespace sorane::gtfs
