#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <functional>

#include "companion.h"
#include "ticket_format.h"
#include "ticket_helper.h"
#include "ticket_host.h"
#include "ticket_pictures.h"
#include "ticket_render.h"
#include "twips.h"

namespace {

using namespace sorane;

QString demo(const char* name) {
  return QStringLiteral(SORANE_DEMO_DIR "/") + QLatin1String(name);
}

// The preview's image as the panel keeps it at `scale` (1x, 2x, 3x), or empty.
QImage previewImage(const QString& path, int scale) {
  PlgInfo info;
  if (!companion().VK4_GetPlgInfo(path, info)) return {};
  return QImage(px(info(2)) * scale, px(info(3)) * scale, QImage::Format_RGB32);
}

// One preview as the ticket helper draws it at each stop: the plug-in from
// its cache (the file's stamp checked), the ticket into the preview's image.
void drawOnce(const QString& path, QImage& image, int n) {
  static const QStringList stops = {QStringLiteral("緑ヶ丘車庫"), QStringLiteral("市民病院前"),
                                    QStringLiteral("ひばりが丘ニュータウン中央")};
  const ticket::Loaded loaded = ticket::loadPlugin(path, ticket::Reading::Decoded);
  if (!loaded.plugin) return;
  ticket::FieldValues v{stops[n % stops.size()],
                        QStringLiteral("03-15-2025"),
                        QStringLiteral("08:05:30"),
                        12,
                        n % 25,
                        n % 25,
                        n % 2};
  QPainter dc(&image);
  ticket::renderTicket(dc, loaded.plugin->description, loaded.plugin->pictures, v);
}

void drawWarm(benchmark::State& state, const QString& path, int scale) {
  QImage image = previewImage(path, scale);
  if (image.isNull()) {
    state.SkipWithError("not a usable plug-in");
    return;
  }
  drawOnce(path, image, 0);  // the first drawing, timed apart
  int n = 1;
  for (auto _ : state) drawOnce(path, image, n++);
}

void drawTicket(benchmark::State& state, const char* plugin) {
  drawWarm(state, demo(plugin), 1);
}
BENCHMARK_CAPTURE(drawTicket, basic, "seiriken_basic.4SP")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(drawTicket, barcode, "seiriken_barcode.4SP")->Unit(benchmark::kMicrosecond);

// The costliest plug-ins within the limits: the largest ticket, its area
// painted four times over, the longest texts in the most characters, the
// largest pictures, the most SVG elements, barcodes holding the most.
constexpr double kSide = 150;

QByteArray lines(int n, const std::function<QByteArray(int)>& line) {
  QByteArray out;
  for (int i = 0; i < n; ++i) out += line(i);
  return out;
}

QByteArray number(double v) {
  return QByteArray::number(v, 'f', 3);
}

// `n` distinct, many-stroked kanji from `first` on, in lines of `perLine`.
QByteArray kanji(int first, int n, int perLine) {
  QString s;
  for (int i = 0; i < n; ++i) {
    if (i > 0 && i % perLine == 0) s += QStringLiteral("\\n");
    s += QChar(0x9000 + (first + i) * 3);
  }
  return s.toUtf8();
}

QByteArray png(int side) {
  QImage image(side, side, QImage::Format_ARGB32);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) image.setPixel(x, y, qRgba(x, y, x ^ y, (x + y) & 255));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

struct Worst {
  const char* name;
  std::function<QByteArray(const QDir&)> body;  // writes the pictures it draws
};

const std::vector<Worst>& worst() {
  // Five texts of 200 characters (191 kanji, 9 line breaks) fill the 1000,
  // just small enough not to count as large; boxes of 0.8 tickets each.
  auto texts = [](const QByteArray& keys) {
    return lines(5, [&](int i) {
      const double h = kSide * 0.8 - i;  // each its own size: no glyph shared between them
      return "text x=0 y=0 w=150 h=" + number(h) + " text=\"" + kanji(i * 200, 191, 20) +
             "\" size=5.4 weight=bold face=pgothic " + keys + "\n";
    });
  };
  // Large characters filling their area, in lines of `perLine`.
  auto large = [](double mm, int perLine, const QByteArray& keys = {}) {
    const int n = static_cast<int>(ticket::kMaxLargeCharArea / (mm * mm));
    return "text x=0 y=0 w=150 h=150 text=\"" + kanji(0, n, perLine) + "\" size=" + number(mm) +
           " weight=bold face=pgothic " + keys + "\n";
  };
  static const std::vector<Worst> all = {
      {"text", [=](const QDir&) { return texts({}); }},
      {"vertical-text", [=](const QDir&) { return texts("vertical=yes"); }},
      {"short-texts",  // 256 texts of 3 or 4 characters, each squeezed its own way
       [](const QDir&) {
         return lines(256, [](int i) {
           return "text x=0 y=0 w=" + number(kSide - i * 0.1) + " h=2.344" + " text=\"" +
                  kanji(i * 4, i < 232 ? 4 : 3, 4) + "\" size=5.4 weight=bold face=pgothic\n";
         });
       }},
      // Just over 64 pixels at 3x, at 2x, and the largest.
      {"large-5.7mm", [=](const QDir&) { return large(5.7, 24); }},
      {"large-8.5mm", [=](const QDir&) { return large(8.5, 16); }},
      {"large-16mm", [=](const QDir&) { return large(16, 8); }},
      {"large-5.7mm-vertical", [=](const QDir&) { return large(5.7, 24, "vertical=yes"); }},
      {"boxes",
       [](const QDir&) {
         return lines(256, [](int) { return "box x=0.5 y=0.5 w=149 h=2.359 color=#808080\n"; });
       }},
      {"frames",
       [](const QDir&) {
         return lines(15, [](int) { return QByteArray("frame x=0 y=0 w=150 h=150 pen=10\n"); });
       }},
      {"lines",
       [](const QDir&) {
         return lines(40, [](int) { return QByteArray("line x1=0 y1=0 x2=150 y2=150 pen=10\n"); });
       }},
      {"pictures",  // a 2048 x 2048 picture, an SVG of 250 elements on 40 mm²
       [](const QDir& dir) {
         QFile f(dir.filePath("big.png"));
         f.open(QIODevice::WriteOnly);
         f.write(png(2048));
         QFile svg(dir.filePath("many.svg"));
         svg.open(QIODevice::WriteOnly);
         svg.write("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>" +
                   lines(ticket::kMaxSvgElements - 1,
                         [](int i) {
                           return "<circle cx='5' cy='5' r='" + number(7 - i * 0.002) +
                                  "' fill='#" + QByteArray::number(0x100000 + i * 997, 16) +
                                  "' opacity='0.5'/>";
                         }) +
                   "</svg>");
         return QByteArray(
             "picture x=0 y=0 w=150 h=150 file=big.png fit=stretch\n"
             "picture x=0 y=0 w=8 h=5 file=many.svg fit=stretch\n");
       }},
      {"barcodes",  // QR codes of 500 characters, Code 128 of 110 digits printed under the bars
       [](const QDir&) {
         return "barcode-info routes=99999 method=serial stops=0-32767\n" + lines(8, [](int i) {
                  const bool qr = i % 2;
                  return "barcode x=0 y=0 w=150 h=75 type=" + QByteArray(qr ? "qr" : "code128") +
                         " data=\"{route}{ticket:05}" +
                         QByteArray(qr ? 490 : 100, qr ? 'A' + i : '7') + "\" text=yes\n";
                });
       }},
  };
  return all;
}

QString writeWorst(const QDir& dir, const Worst& w) {
  const QString path = dir.filePath("worst.4SP");
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return {};
  f.write("sorane-ticket 1\nsize w=150 h=150\n" + w.body(dir) + "end\n");
  return path;
}

// Warm, as at each stop after the first.
void drawWorst(benchmark::State& state, const Worst& w, int scale) {
  QTemporaryDir dir;
  drawWarm(state, writeWorst(QDir(dir.path()), w), scale);
}

// The first drawing after the plug-in is read: pictures are scaled, SVGs drawn.
void drawWorstFirst(benchmark::State& state, const Worst& w, int scale) {
  for (auto _ : state) {
    state.PauseTiming();
    QTemporaryDir dir;
    const QString path = writeWorst(QDir(dir.path()), w);
    QImage image = previewImage(path, scale);
    state.ResumeTiming();
    if (image.isNull()) {
      state.SkipWithError("not a usable plug-in");
      return;
    }
    drawOnce(path, image, 0);
  }
}

const int registered = [] {
  for (const Worst& w : worst()) {
    for (int scale : {1, 2, 3}) {
      const QByteArray name = QByteArray("worst/") + w.name + "/" + QByteArray::number(scale) + "x";
      benchmark::RegisterBenchmark(name.constData(), [&w, scale](benchmark::State& s) {
        drawWorst(s, w, scale);
      })->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark(
          ("first-" + name).constData(),
          [&w, scale](benchmark::State& s) { drawWorstFirst(s, w, scale); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
    }
  }
  return 0;
}();

// The round trip through the warm ticket helper, as the panel asks for a
// ticket at each stop: the order out, the picture back and decoded.
void helperRoundTrip(benchmark::State& state, const char* plugin, int scale) {
  ticket::DrawOrder order{demo(plugin), previewImage(demo(plugin), scale).size(), {}};
  order.values = {QStringLiteral("市民病院前"),
                  QStringLiteral("03-15-2025"),
                  QStringLiteral("08:05:30"),
                  12,
                  7,
                  3,
                  0};
  if (ticket::runHelper().drawNow(order).failure != ticket::DrawFailure::None) {
    state.SkipWithError("the helper did not draw it");
    return;
  }
  int n = 0;
  for (auto _ : state) {
    order.values.ticket = ++n % 25;
    benchmark::DoNotOptimize(ticket::runHelper().drawNow(order));
  }
}
BENCHMARK_CAPTURE(helperRoundTrip, basic_1x, "seiriken_basic.4SP", 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(helperRoundTrip, barcode_1x, "seiriken_barcode.4SP", 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(helperRoundTrip, barcode_3x, "seiriken_barcode.4SP", 3)
    ->Unit(benchmark::kMillisecond);

// The first ticket of a run: the helper started, then the round trip.
void helperColdStart(benchmark::State& state) {
  ticket::DrawOrder order{demo("seiriken_barcode.4SP"), QSize(219, 117), {}};
  for (auto _ : state) {
    ticket::TicketHelper helper;
    if (helper.drawNow(order).failure != ticket::DrawFailure::None)
      state.SkipWithError("the helper did not draw it");
  }
}
BENCHMARK(helperColdStart)->Unit(benchmark::kMillisecond)->Iterations(5);

// Reading a plug-in from its bytes, as on a cache miss (pictures not included).
void parsePlugin(benchmark::State& state) {
  QFile f(demo("seiriken_barcode.4SP"));
  f.open(QIODevice::ReadOnly);
  const QByteArray bytes = f.readAll();
  for (auto _ : state) benchmark::DoNotOptimize(ticket::parseTicket(bytes));
}
BENCHMARK(parsePlugin)->Unit(benchmark::kMicrosecond);

}  // namespace
