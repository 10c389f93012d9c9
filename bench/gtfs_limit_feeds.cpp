// Writes GTFS-JP feeds (folders) at the limits a feed may reach, each
// pressing one of them: bench/gtfs_import.sh times the route tool on them.
//   stop-times  stop_times.txt at its row limit: 10,000,000 rows
//   stops       stops.txt at its row limit, 1,000,000 stops, 256 MiB
//   fare-rules  fare_rules.txt at its row limit, 5,000,000 rules, each its
//               own place, and fare_attributes.txt at its own
//   names       stops.txt of 256 MiB of names of 1 MB each, all on the route
//   routes      routes.txt at its row limit, 100,000 routes both ways
//   total       stops.txt and stop_times.txt of 256 MiB each
// Usage: gtfs_limit_feeds OUTDIR [name...]
#include <QByteArray>
#include <QDir>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

namespace {

QByteArray number(long long n) {
  return QByteArray::number(n);
}

// A file written line by line.
class Out {
 public:
  Out(const QString& folder, const char* name)
      : file_(std::fopen(QDir(folder).filePath(QString::fromLatin1(name)).toLocal8Bit().constData(),
                         "wb")) {}
  ~Out() {
    if (file_) std::fclose(file_);
  }
  Out& operator<<(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file_);
    written_ += bytes.size();
    return *this;
  }
  long long written() const { return written_; }
  bool ok() const { return file_ != nullptr; }

 private:
  std::FILE* file_;
  long long written_ = 0;
};

constexpr long long kFileLimit = 256ll << 20;

// One route "R" both ways over stops S0..S{stops-1}, each its own zone,
// `tripsEachWay` trips each way, and a fare for every pair.
void oneRoute(const QString& f, int stops, int tripsEachWay, bool fares = true) {
  Out(f, "routes.txt") << "route_id,route_short_name\nR,1\n";
  Out trips(f, "trips.txt");
  trips << "route_id,trip_id,direction_id\n";
  Out times(f, "stop_times.txt");
  times << "trip_id,stop_id,stop_sequence\n";
  for (int d = 0; d < 2; ++d)
    for (int t = 0; t < tripsEachWay; ++t) {
      const QByteArray trip = "T" + number(d) + "_" + number(t);
      trips << "R," + trip + "," + number(d) + "\n";
      for (int i = 0; i < stops; ++i)
        times << trip + ",S" + number(d == 0 ? i : stops - 1 - i) + "," + number(i) + "\n";
    }
  if (!fares) return;
  Out attrs(f, "fare_attributes.txt"), rules(f, "fare_rules.txt");
  attrs << "fare_id,price\n";
  rules << "fare_id,origin_id,destination_id\n";
  for (int a = 0; a < stops; ++a)
    for (int b = 0; b < stops; ++b) {
      if (a == b) continue;
      const QByteArray id = "F" + number(a) + "_" + number(b);
      attrs << id + "," + number(150 + 10 * std::abs(a - b) / 3) + "\n";
      rules << id + ",Z" + number(a) + ",Z" + number(b) + "\n";
    }
}

void stopsWithNames(const QString& f, int stops, int nameBytes) {
  Out out(f, "stops.txt");
  out << "stop_id,stop_name,zone_id\n";
  const QByteArray fill(nameBytes, 'n');
  for (int i = 0; i < stops; ++i)
    out << "S" + number(i) + "," + fill + number(i) + ",Z" + number(i) + "\n";
}

const std::map<QString, std::function<void(const QString&)>> kFeeds = {
    {"stop-times",
     [](const QString& f) {
       stopsWithNames(f, 300, 8);
       oneRoute(f, 300, 10'000'000 / 600);
     }},
    {"stops",
     [](const QString& f) {
       stopsWithNames(f, 1'000'000, 240);
       oneRoute(f, 300, 5);
     }},
    {"fare-rules",
     [](const QString& f) {
       stopsWithNames(f, 2'300, 8);
       oneRoute(f, 300, 5, false);
       Out attrs(f, "fare_attributes.txt"), rules(f, "fare_rules.txt");
       attrs << "fare_id,price\n";
       for (int i = 0; i < 1'000'000; ++i) attrs << "F" + number(i) + "," + number(i % 32768) + "\n";
       rules << "fare_id,route_id,origin_id,destination_id\n";
       for (long long i = 0; i < 5'000'000; ++i)
         rules << "F" + number(i % 1'000'000) + (i % 2 ? ",R" : ",") + ",Z" + number(i % 2300) +
                      ",Z" + number(i / 2300 % 2300) + "\n";
     }},
    {"names",
     [](const QString& f) {
       const int stops = static_cast<int>(kFileLimit / 1'000'100);
       stopsWithNames(f, stops, 1'000'000);
       oneRoute(f, stops, 2);
     }},
    {"routes",
     [](const QString& f) {
       stopsWithNames(f, 2'000, 8);
       Out routes(f, "routes.txt"), trips(f, "trips.txt"), times(f, "stop_times.txt");
       routes << "route_id\n";
       trips << "route_id,trip_id,direction_id\n";
       times << "trip_id,stop_id,stop_sequence\n";
       for (int r = 0; r < 100'000; ++r) {
         routes << "R" + number(r) + "\n";
         for (int d = 0; d < 2; ++d) {
           const QByteArray trip = "T" + number(r) + "_" + number(d);
           trips << "R" + number(r) + "," + trip + "," + number(d) + "\n";
           for (int i = 0; i < 20; ++i)
             times << trip + ",S" + number((r + (d ? 19 - i : i)) % 2'000) + "," + number(i) + "\n";
         }
       }
       Out(f, "fare_attributes.txt") << "fare_id,price\nF,200\n";
       Out(f, "fare_rules.txt") << "fare_id\nF\n";
     }},
    {"total",
     [](const QString& f) {
       const int stops = static_cast<int>(kFileLimit / 1'000'100) - 1;
       stopsWithNames(f, stops, 1'000'000);
       Out(f, "routes.txt") << "route_id\nR\n";
       Out trips(f, "trips.txt"), times(f, "stop_times.txt");
       trips << "route_id,trip_id,direction_id\n";
       times << "trip_id,stop_id,stop_sequence\n";
       // Long trip ids fill stop_times.txt with few rows.
       const QByteArray pad(400, 't');
       for (int t = 0; times.written() < kFileLimit - (1 << 20); ++t) {
         const QByteArray trip = pad + number(t);
         trips << "R," + trip + "," + number(t % 2) + "\n";
         for (int i = 0; i < stops; ++i)
           times << trip + ",S" + number(t % 2 ? stops - 1 - i : i) + "," + number(i) + "\n";
       }
       Out(f, "fare_attributes.txt") << "fare_id,price\nF,200\n";
       Out(f, "fare_rules.txt") << "fare_id\nF\n";
     }},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: gtfs_limit_feeds OUTDIR [name...]\n", stderr);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  for (const auto& [name, make] : kFeeds) {
    bool wanted = argc == 2;
    for (int i = 2; i < argc; ++i) wanted = wanted || name == QString::fromLocal8Bit(argv[i]);
    if (!wanted) continue;
    const QString folder = QDir(out).filePath(name);
    if (!QDir().mkpath(folder)) return 1;
    make(folder);
    std::printf("%s\n", qPrintable(folder));
  }
  return 0;
}
