#pragma once

#include <zlib.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <functional>
#include <map>
#include <vector>

namespace sorane::test {

// A small synthetic GTFS-JP feed, file by file: route "L", direction 0,
// two trips over stops s1..sN (stop_sequence from 0 in steps of 5, times
// 8:00:00 + 2 minutes a stop), zone zoneOf(i) each, fare_rules for every
// pair of zones in line order at fare(from, to), readings in GTFS-JP's
// layout. Stop 2 has no zone of its own: its parent station P2 has it.
struct TestFeed {
  std::map<QString, QByteArray> files;

  static TestFeed line(
      int stops, const std::function<int(int)>& zoneOf = [](int i) { return i; },
      const std::function<int(int, int)>& fare = [](int a, int b) { return 100 + 10 * (b - a); }) {
    return route({}, "1,緑線", stops, zoneOf, fare);
  }

  // The same as another route: every id and stop name starts with
  // `prefix` ("L" and "T1" become prefix alone and prefix + "T1");
  // `names` is its route_short_name,route_long_name.
  static TestFeed route(
      const QByteArray& prefix, const QByteArray& names, int stops,
      const std::function<int(int)>& zoneOf = [](int i) { return i; },
      const std::function<int(int, int)>& fare = [](int a, int b) { return 100 + 10 * (b - a); }) {
    TestFeed f;
    const QByteArray p = prefix, routeId = p.isEmpty() ? QByteArray("L") : p;
    QByteArray st = "stop_id,stop_name,zone_id,parent_station\n" + p + "P2,親駅," + p + "Z" +
                    QByteArray::number(zoneOf(2)) + ",\n";
    QByteArray times = "trip_id,arrival_time,departure_time,stop_id,stop_sequence\n";
    QByteArray reads = "trans_id,lang,translation\n";
    std::map<int, bool> zones;
    for (int i = 1; i <= stops; ++i) {
      const QByteArray n = QByteArray::number(i), z = p + "Z" + QByteArray::number(zoneOf(i));
      st += p + "s" + n + "," + p + "停留所" + n + "," +
            (i == 2 ? QByteArray("," + p + "P2") : z + ",") + "\n";
      reads += p + "停留所" + n + ",ja-Hrkt,ていりゅうじょ" + n + "\n";
      for (const char* trip : {"T1", "T2"})
        times += p + trip + "," + QByteArray::number(8 + i * 2 / 60) + ":" +
                 QByteArray::number(i * 2 % 60).rightJustified(2, '0') + ":00,," + p + "s" + n +
                 "," + QByteArray::number((i - 1) * 5) + "\n";
      zones[zoneOf(i)] = true;
    }
    QByteArray attrs = "fare_id,price\n", rules = "fare_id,route_id,origin_id,destination_id\n";
    for (const auto& [a, unusedA] : zones)
      for (const auto& [b, unusedB] : zones) {
        if (b < a) continue;
        const QByteArray id = p + "F" + QByteArray::number(a) + "_" + QByteArray::number(b);
        attrs += id + "," + QByteArray::number(fare(a, b)) + "\n";
        rules += id + "," + routeId + "," + p + "Z" + QByteArray::number(a) + "," + p + "Z" +
                 QByteArray::number(b) + "\n";
      }
    f.files = {{"routes.txt",
                "route_id,route_short_name,route_long_name\n" + routeId + "," + names + "\n"},
               {"trips.txt", "route_id,service_id,trip_id,direction_id\n" + routeId + ",S," + p +
                                 "T1,0\n" + routeId + ",S," + p + "T2,0\n"},
               {"stops.txt", st},
               {"stop_times.txt", times},
               {"fare_attributes.txt", attrs},
               {"fare_rules.txt", rules},
               {"translations.txt", reads}};
    return f;
  }

  // Another feed's rows added to this one's, file by file.
  TestFeed& add(const TestFeed& other) {
    for (const auto& [name, bytes] : other.files) files[name] += bytes.mid(bytes.indexOf('\n') + 1);
    return *this;
  }

  void writeTo(const QString& folder) const {
    QDir().mkpath(folder);
    for (const auto& [name, bytes] : files) {
      QFile f(QDir(folder).filePath(name));
      if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
  }
};

// A zip entry as it is stored: `data` deflated (raw) or stored as is, with
// the CRC and the uncompressed size its headers state.
struct ZipEntry {
  QByteArray name, data;
  quint32 crc = 0;
  quint64 size = 0;
  bool deflated = false;
};

inline ZipEntry storedEntry(const QByteArray& name, const QByteArray& data) {
  return {name, data,
          static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(data.constData()),
                                     static_cast<uInt>(data.size()))),
          static_cast<quint64>(data.size()), false};
}

// Deflated (raw, level 1): `size` bytes, `next(chunk)` filling each chunk
// of up to a megabyte.
inline ZipEntry deflatedEntry(const QByteArray& name, qint64 size,
                              const std::function<void(QByteArray&)>& next) {
  ZipEntry e{name, {}, 0, static_cast<quint64>(size), true};
  z_stream z{};
  deflateInit2(&z, 1, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  QByteArray chunk;
  char out[1 << 16];
  for (qint64 left = size;;) {
    chunk.resize(static_cast<qsizetype>(std::min<qint64>(left, 1 << 20)));
    next(chunk);
    z.next_in = reinterpret_cast<Bytef*>(chunk.data());
    z.avail_in = static_cast<uInt>(chunk.size());
    e.crc = static_cast<quint32>(crc32(e.crc, z.next_in, z.avail_in));
    left -= chunk.size();
    const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      deflate(&z, flush);
      e.data.append(out, static_cast<qsizetype>(sizeof out - z.avail_out));
    } while (z.avail_out == 0);
    if (flush == Z_FINISH) break;
  }
  deflateEnd(&z);
  return e;
}

inline ZipEntry zerosEntry(const QByteArray& name, qint64 size) {
  return deflatedEntry(name, size, [](QByteArray& chunk) { chunk.fill('\0'); });
}

inline ZipEntry deflatedEntry(const QByteArray& name, const QByteArray& data) {
  qint64 at = 0;
  return deflatedEntry(name, data.size(), [&](QByteArray& chunk) {
    chunk = data.mid(at, chunk.size());
    at += chunk.size();
  });
}

// The bytes of a zip with `entries`, by hand: local headers, the central
// directory, its end record.
inline QByteArray zipOf(const std::vector<ZipEntry>& entries) {
  QByteArray out, central;
  auto put = [](QByteArray& b, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  for (const ZipEntry& e : entries) {
    const quint32 offset = static_cast<quint32>(out.size());
    auto common = [&](QByteArray& b) {
      put(b, 20, 2);                  // version needed
      put(b, 0x0800, 2);              // UTF-8 names
      put(b, e.deflated ? 8 : 0, 2);  // method
      put(b, 0, 4);                   // time and date
      put(b, e.crc, 4);
      put(b, static_cast<quint32>(e.data.size()), 4);
      put(b, static_cast<quint32>(e.size), 4);
      put(b, static_cast<quint32>(e.name.size()), 2);
      put(b, 0, 2);  // extra
    };
    put(out, 0x04034b50, 4);
    common(out);
    out += e.name + e.data;
    put(central, 0x02014b50, 4);
    put(central, 20, 2);  // made by
    common(central);
    for (int field : {2, 2, 2, 4}) put(central, 0, field);  // comment, disk, attributes
    put(central, offset, 4);
    central += e.name;
  }
  const quint32 at = static_cast<quint32>(out.size());
  out += central;
  put(out, 0x06054b50, 4);
  put(out, 0, 4);
  put(out, static_cast<quint32>(entries.size()), 2);
  put(out, static_cast<quint32>(entries.size()), 2);
  put(out, static_cast<quint32>(central.size()), 4);
  put(out, at, 4);
  put(out, 0, 2);
  return out;
}

// The feed as a zip, its files in `folder` ("" for the top).
inline QByteArray zipOf(const TestFeed& feed, const QByteArray& folder = {}) {
  std::vector<ZipEntry> entries;
  for (const auto& [name, bytes] : feed.files)
    entries.push_back(storedEntry(folder + name.toUtf8(), bytes));
  return zipOf(entries);
}

}  // namespace sorane::test
