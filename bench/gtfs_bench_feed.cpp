// Writes a synthetic GTFS-JP feed the size of a city operator's (about
// 3 MB zipped): 40 routes both ways over 600 stops, each stop its own fare
// zone with a rule for every pair on each route, readings for every stop.
// At a scale of k, k times as many routes and stops, the rest alike.
// Usage: gtfs_bench_feed OUT.zip [trips per route and direction] [scale]
#include <QByteArrayList>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "test_feed.h"

namespace {

const std::pair<const char*, const char*> kPlaces[] = {
    {"緑ヶ丘", "みどりがおか"}, {"桜台", "さくらだい"}, {"中央", "ちゅうおう"},
    {"港", "みなと"},           {"富岸", "とんけし"},   {"日の出", "ひので"},
    {"旭", "あさひ"},           {"清水", "しみず"},     {"川端", "かわばた"},
    {"若葉", "わかば"},         {"本町", "ほんまち"},   {"柏木", "かしわぎ"},
    {"月見", "つきみ"},         {"星置", "ほしおき"},   {"白鳥", "はくちょう"},
    {"弥生", "やよい"},         {"栄", "さかえ"},       {"東雲", "しののめ"},
    {"宮前", "みやまえ"},       {"錦", "にしき"}};
const std::pair<const char*, const char*> kKinds[] = {{"一丁目", "いっちょうめ"},
                                                      {"二丁目", "にちょうめ"},
                                                      {"三丁目", "さんちょうめ"},
                                                      {"小学校前", "しょうがっこうまえ"},
                                                      {"公園", "こうえん"},
                                                      {"駅前", "えきまえ"},
                                                      {"団地", "だんち"},
                                                      {"入口", "いりぐち"},
                                                      {"病院前", "びょういんまえ"},
                                                      {"市役所前", "しやくしょまえ"},
                                                      {"中学校", "ちゅうがっこう"},
                                                      {"郵便局前", "ゆうびんきょくまえ"},
                                                      {"神社前", "じんじゃまえ"},
                                                      {"会館", "かいかん"},
                                                      {"橋", "はし"},
                                                      {"車庫", "しゃこ"},
                                                      {"温泉", "おんせん"},
                                                      {"北口", "きたぐち"},
                                                      {"南口", "みなみぐち"},
                                                      {"通", "どおり"},
                                                      {"坂上", "さかうえ"},
                                                      {"本通", "ほんどおり"},
                                                      {"市場", "いちば"},
                                                      {"工業団地", "こうぎょうだんち"},
                                                      {"大橋", "おおはし"},
                                                      {"十字街", "じゅうじがい"},
                                                      {"営業所", "えいぎょうしょ"},
                                                      {"緑地", "りょくち"},
                                                      {"浜", "はま"},
                                                      {"台", "だい"}};
constexpr int kCityStops = 600, kCityRoutes = 40;

QByteArray number(int n) {
  return QByteArray::number(n);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: gtfs_bench_feed OUT.zip [trips per route and direction] [scale]\n", stderr);
    return 2;
  }
  const int trips = argc > 2 ? std::atoi(argv[2]) : 70;
  const int scale = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
  const int stopCount = kCityStops * scale, routeCount = kCityRoutes * scale;
  QByteArray stops = "stop_id,stop_name,zone_id\n", reads = "trans_id,lang,translation\n";
  QByteArrayList names;
  for (int s = 0; s < stopCount; ++s) {
    const auto& place = kPlaces[s % std::size(kPlaces)];
    const auto& kind = kKinds[s / std::size(kPlaces) % std::size(kKinds)];
    // Beyond the first city the names come again, numbered.
    const QByteArray name = QByteArray(place.first) + kind.first +
                            (s < kCityStops ? QByteArray() : number(s / kCityStops));
    names << name;
    stops += "S" + number(s) + "," + name + ",S" + number(s) + "\n";
    reads += name + ",ja-Hrkt," + place.second + kind.second +
             (s < kCityStops ? QByteArray() : number(s / kCityStops)) + "\n";
  }
  QByteArray routes = "route_id,agency_id,route_short_name,route_long_name,route_type\n";
  QByteArray tripRows = "route_id,service_id,trip_id,trip_headsign,direction_id\n";
  QByteArray attrs = "fare_id,price,currency_type,payment_method,transfers\n";
  QByteArray rules = "fare_id,route_id,origin_id,destination_id\n";
  QByteArray times;
  for (int r = 0; r < routeCount; ++r) {
    const int first = r * 13 % stopCount, length = 25 + r * 7 % 36;
    const QByteArray route = "R" + number(r);
    routes += route + ",A," + number(r) + "," + kPlaces[first % std::size(kPlaces)].first + "線\n";
    for (int a = 0; a < length; ++a)
      for (int b = a + 1; b < length; ++b) {
        const QByteArray fare = route + "_" + number(a) + "_" + number(b);
        // A fare section every three stops.
        attrs += fare + "," + number(170 + (b / 3 - a / 3) * 20) + ",JPY,0,0\n";
        for (const auto& [from, to] : {std::pair(a, b), std::pair(length - 1 - a, length - 1 - b)})
          rules += fare + "," + route + ",S" + number((first + from) % stopCount) + ",S" +
                   number((first + to) % stopCount) + "\n";
      }
    for (int d = 0; d < 2; ++d)
      for (int t = 0; t < trips; ++t) {
        const QByteArray trip = route + "_" + number(d) + "_" + number(t);
        const int last = d == 0 ? length - 1 : 0;
        tripRows +=
            route + ",平日," + trip + "," + names[(first + last) % stopCount] + "," + number(d) + "\n";
        for (int i = 0; i < length; ++i) {
          const int stop = (first + (d == 0 ? i : length - 1 - i)) % stopCount;
          const int minute = 6 * 60 + t * 12 + i * 2;
          const QByteArray clock =
              number(minute / 60) + ":" + number(minute % 60).rightJustified(2, '0') + ":00";
          times +=
              trip + "," + clock + "," + clock + ",S" + number(stop) + "," + number(i + 1) + "\n";
        }
      }
  }
  std::vector<sorane::test::ZipEntry> entries;
  for (const auto& [name, bytes] :
       {std::pair<const char*, QByteArray>{"routes.txt", routes},
        {"trips.txt", tripRows},
        {"stops.txt", stops},
        {"stop_times.txt", "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n" + times},
        {"fare_attributes.txt", attrs},
        {"fare_rules.txt", rules},
        {"translations.txt", reads}})
    entries.push_back(sorane::test::deflatedEntry(name, bytes));
  QFile out(QString::fromLocal8Bit(argv[1]));
  const QByteArray zip = sorane::test::zipOf(entries);
  if (!out.open(QIODevice::WriteOnly) || out.write(zip) != zip.size()) return 1;
  std::printf("%s: %lld bytes, stop_times.txt %lld bytes\n", argv[1],
              static_cast<long long>(zip.size()), static_cast<long long>(times.size()));
  return 0;
}
