#pragma once

// The demo route on a board model, with names in other languages and IC
// fares of its own, for the LCD board's benchmark and preview.
#include <QFile>
#include <array>

#include "board_model.h"
#include "route_csv.h"

namespace sorane::bench {

struct DemoNames {
  const char* reading;
  const char* en;
  const char* zhHans;
  const char* zhHant;
  const char* ko;
};

// The stops of data/demo/route1.csv in order.
inline constexpr std::array<DemoNames, 25> kDemoNames{{
    {"みどりがおかしゃこ", "Midorigaoka Depot", "", "", ""},
    {"みどりがおかいっちょうめ", "Midorigaoka 1-chome", "", "", ""},
    {"しみんびょういんまえ", "Municipal Hospital", "", "", ""},
    {"さくらだいしょうがっこう", "Sakuradai Elementary School", "", "", ""},
    {"さくらだい", "Sakuradai", "", "", ""},
    {"ちゅうおうとしょかんまえ", "Central Library", "", "", ""},
    {"しやくしょ", "City Hall", "", "", ""},
    {"ほんまちさんちょうめ", "Honmachi 3-chome", "", "", ""},
    {"そらねえききたぐち", "Sorane Station North Exit", "", "", ""},
    {"そらねえきまえばすたーみなる", "Sorane Station Bus Terminal", "索拉内站前巴士总站",
     "索拉內站前巴士總站", "소라네역 앞 버스터미널"},
    {"ひがしまち", "Higashimachi", "东町", "東町", "히가시마치"},
    {"けんりつそらねこうとうがっこうまえ", "Sorane Prefectural High School", "", "", ""},
    {"かわばたばし", "Kawabata Bridge", "", "", ""},
    {"すいどうきょくまえ", "Waterworks Bureau", "", "", ""},
    {"きたのじんじゃ", "Kitano Shrine", "", "", ""},
    {"きたのだいだんち", "Kitanodai Danchi", "", "", ""},
    {"にしがはら", "Nishigahara", "", "", ""},
    {"じぇいあーるきたのだいえきいりぐち", "JR Kitanodai Station Iriguchi", "", "", ""},
    {"うんどうこうえん", "Sports Park", "", "", ""},
    {"ひばりがおか", "Hibarigaoka", "", "", ""},
    {"ひばりがおかにゅーたうんちゅうおう", "Hibarigaoka New Town Center", "", "", ""},
    {"のうぎょうしけんじょう", "Agricultural Experiment Station", "", "", ""},
    {"みなみやまぐち", "Minamiyamaguchi", "", "", ""},
    {"やまのうえおんせん", "Yamanoue Onsen", "山之上温泉", "山之上溫泉", "야마노우에 온천"},
    {"やまのうえおんせんきょうろーぷうぇいえき", "Yamanoue Onsenkyo Ropeway Station",
     "山之上温泉乡缆车站", "山之上溫泉鄉纜車站", "야마노우에 온천향 로프웨이역"},
}};

// The demo route's rows; empty when the file cannot be read.
inline std::vector<RouteRow> demoRows() {
  QFile f(QStringLiteral(SORANE_DEMO_DIR "/route1.csv"));
  std::vector<RouteRow> rows;
  QString error;
  if (!f.open(QIODevice::ReadOnly) || !routeFromCsv(f.readAll(), rows, error)) rows.clear();
  return rows;
}

// The route cut to its first `count` stops, or lengthened to `count` with
// stops of its own kind (ticket k, 20 yen more a stop); 0 keeps it.
inline void resizeRoute(std::vector<RouteRow>& rows, int count) {
  if (count <= 0) return;
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), kRouteRows);
  while (rows.size() < n) {
    RouteRow r;
    const int k = static_cast<int>(rows.size()) + 1;
    r.StopName = QStringLiteral("第%1停留所").arg(k);
    r.Values[0] = static_cast<std::int16_t>(k);
    for (int j = 1; j < std::min(k, 33); ++j)
      r.Values[static_cast<std::size_t>(j)] = static_cast<std::int16_t>(170 + 20 * (k - j - 1));
    rows.push_back(r);
  }
  rows.resize(n);
}

// Extras for `rows`: the names above; with `ic`, IC fares 1.5 % below cash,
// rounded up to the yen.
inline std::vector<StopExtras> demoExtras(const std::vector<RouteRow>& rows, bool names, bool ic) {
  std::vector<StopExtras> extras(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    StopExtras& e = extras[r];
    if (names && r < kDemoNames.size()) {
      e.reading = QString::fromUtf8(kDemoNames[r].reading);
      e.en = QString::fromUtf8(kDemoNames[r].en);
      e.zhHans = QString::fromUtf8(kDemoNames[r].zhHans);
      e.zhHant = QString::fromUtf8(kDemoNames[r].zhHant);
      e.ko = QString::fromUtf8(kDemoNames[r].ko);
    }
    for (int k = 1; ic && k <= BoardModel::kCells; ++k) {
      const int cash = rows[r].Values[static_cast<std::size_t>(k)];
      if (cash > 0)
        e.ic[static_cast<std::size_t>(k)] = static_cast<std::int16_t>((cash * 985 + 999) / 1000);
    }
  }
  return extras;
}

// The model at `row` as the panel leaves it after a route set and steps.
inline void showDemoRow(BoardModel& model, const std::vector<RouteRow>& rows, int row) {
  model.setCurrentRow(row);
  model.showFares(row, rows[static_cast<std::size_t>(row - 1)], 1);
}

}  // namespace sorane::bench
