#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <thread>

#include "bytes.h"
#include "cp932.h"
#include "fake_companion.h"
#include "ticket_host.h"
#include "ticket_support.h"

namespace sorane::ticket {
namespace {

using test::plugin;
using test::writeFile;

QByteArray demoBytes(const char* name) {
  QFile f(test::demoPlugin(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray svg() {
  return "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
         "<rect width='10' height='10' fill='red'/></svg>";
}

QByteArray png(int w, int h) {
  QImage image(w, h, QImage::Format_Mono);
  image.fill(0);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

// An SVG drawing a picture from `href`.
QByteArray svgImage(const QByteArray& href) {
  return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
         "width='9' height='9'><image width='9' height='9' xlink:href='" +
         href + "'/></svg>";
}

struct BadInput {
  const char* name;
  // Makes the files in `dir` (and `outside`, a sibling folder); returns the plug-in.
  std::function<QString(const QDir& dir, const QDir& outside)> make;
  SourcePos pos;               // of the first problem
  QString message;             // the first problem starts with this
  const char* fifo = nullptr;  // a FIFO no one may open, relative to the two folders
};

// Notes whether anyone opens a FIFO for reading while the watch lasts (at
// most 20 s), and lets such a reader go with an end of file.
class FifoWatch {
 public:
  explicit FifoWatch(const QString& path)
      : path_(QFile::encodeName(path)), thread_([this] { run(); }) {}
  ~FifoWatch() {
    done_ = true;
    thread_.join();
  }
  bool opened() const { return opened_; }

 private:
  void run() {
    for (int i = 0; i < 400 && !done_; ++i) {
      const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        opened_ = true;
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  QByteArray path_;
  std::atomic<bool> done_{false}, opened_{false};
  std::thread thread_;
};

const QString kSize = QStringLiteral("ファイルが 262144 バイトを超えています");

std::vector<BadInput> badInputs() {
  auto file = [](const char* name, QByteArray bytes) {
    return [name, bytes](const QDir& dir, const QDir&) {
      return writeFile(dir, QLatin1String(name), bytes);
    };
  };
  const QByteArray demo = demoBytes("seiriken_basic.4SP");
  QByteArray random(4096, '\0');
  QRandomGenerator gen(4);
  for (char& c : random) c = static_cast<char>(gen.bounded(256));
  const QByteArray fare = test::Bytes()
                              .i16(1)
                              .text(cp932::encode(QStringLiteral("緑ヶ丘車庫")))
                              .raw(QByteArray(302, '\1'));
  QByteArray manyItems = "sorane-ticket 1\nsize w=40 h=20\n";
  for (int i = 0; i < 100000; ++i) manyItems += "box x=1 y=1 w=1 h=1\n";
  QByteArray tooManyItems = "sorane-ticket 1\nsize w=40 h=20\n";
  for (int i = 0; i < 300; ++i) tooManyItems += "box x=1 y=1 w=1 h=1\n";
  // A plug-in drawing logo.svg, made by `svgOf` from the folder outside.
  auto withSvg = [](std::function<QByteArray(const QDir&)> svgOf) {
    return [svgOf](const QDir& dir, const QDir& outside) {
      writeFile(dir, "logo.svg", svgOf(outside));
      return writeFile(dir, "svg.4SP", plugin("picture x=0 y=0 w=5 h=5 file=logo.svg\n"));
    };
  };
  auto fifo = [](const QDir& outside, const char* name) {
    const QByteArray path = QFile::encodeName(outside.filePath(QLatin1String(name)));
    ::mkfifo(path.constData(), 0600);
    return path;
  };
  QByteArray useFan =
      "<svg xmlns='http://www.w3.org/2000/svg' "
      "xmlns:xlink='http://www.w3.org/1999/xlink' width='9' height='9'>"
      "<g id='a'><rect width='9' height='9'/></g>";
  for (int i = 0; i < 100; ++i) useFan += "<use xlink:href='#a'/>";
  useFan += "</svg>";
  const qsizetype cut = demo.indexOf("frame");
  const qsizetype kanji = demo.indexOf("\xE4\xB9\x97");  // 乗, first seen on line 2

  return {
      {"a missing file",
       [](const QDir& dir, const QDir&) { return dir.filePath("none.4SP"); },
       {0, 0},
       QStringLiteral("ファイルがありません")},
      {"an empty file", file("empty.4SP", {}), {1, 1}, QStringLiteral("ファイルが空です")},
      {"random bytes",
       file("random.4SP", random),
       {1, 2},
       QStringLiteral("文字でないバイト 0x1b があります")},
      {"a fare file renamed",
       file("1.4SP", fare),
       {1, 1},
       QStringLiteral("文字でないバイト 0x01 があります")},
      {"a file cut between lines",
       file("cut.4SP", demo.left(cut)),
       {34, 1},
       QStringLiteral("end の行がありません")},
      {"a file cut inside a character",
       file("cut.4SP", demo.left(kanji + 1)),
       {2, 18},
       QStringLiteral("UTF-8 として読めないバイト 0xe4")},
      {"an unknown item kind",
       file("kind.4SP", plugin("box x=1 y=1 w=2 h=2\ncircle x=1\n")),
       {4, 1},
       QStringLiteral("「circle」という行はありません")},
      {"a picture path with ..",
       [](const QDir& dir, const QDir& outside) {
         writeFile(outside, "logo.svg", svg());
         return writeFile(dir, "up.4SP", plugin("picture x=0 y=0 w=5 h=5 file=../out/logo.svg\n"));
       },
       {3, 30},
       QStringLiteral("絵のファイルはプラグインのフォルダーの中に置きます")},
      {"an absolute picture path",
       [](const QDir& dir, const QDir& outside) {
         writeFile(outside, "logo.svg", svg());
         return writeFile(dir, "abs.4SP",
                          plugin("picture x=0 y=0 w=5 h=5 file=\"" +
                                 outside.filePath("logo.svg").toUtf8() + "\"\n"));
       },
       {3, 31},
       QStringLiteral("絵のファイルはプラグインのフォルダーからの相対パスで書きます")},
      {"a link leading out of the folder",
       [](const QDir& dir, const QDir& outside) {
         ::mkfifo(QFile::encodeName(outside.filePath("pipe.svg")).constData(), 0600);
         QFile::link(outside.filePath("pipe.svg"), dir.filePath("logo.svg"));
         return writeFile(dir, "link.4SP", plugin("picture x=0 y=0 w=5 h=5 file=logo.svg\n"));
       },
       {3, 30},
       QStringLiteral("絵「logo.svg」: プラグインのフォルダーの外を指しています"),
       "out/pipe.svg"},
      {"an SVG that draws a file from outside",
       [](const QDir& dir, const QDir& outside) {
         writeFile(outside, "secret.png", {});
         writeFile(dir, "logo.svg",
                   "<svg xmlns='http://www.w3.org/2000/svg' "
                   "xmlns:xlink='http://www.w3.org/1999/xlink' width='9' height='9'><image "
                   "width='9' height='9' xlink:href='../out/secret.png'/></svg>");
         return writeFile(dir, "svg.4SP", plugin("picture x=0 y=0 w=5 h=5 file=logo.svg\n"));
       },
       {3, 30},
       QStringLiteral("絵「logo.svg」: SVG が外のファイル「../out/secret.png」を参照しています")},
      {"an SVG stylesheet that is a FIFO",
       withSvg([=](const QDir& outside) {
         return "<?xml-stylesheet type=\"text/css\" href=\"" + fifo(outside, "pipe.css") + "\"?>" +
                svg();
       }),
       {3, 30},
       QStringLiteral("絵「logo.svg」: SVG に処理命令(<?xml-stylesheet …?>)は使えません"),
       "out/pipe.css"},
      {"an SVG with a DTD",
       withSvg([](const QDir&) { return "<!DOCTYPE svg>" + svg(); }),
       {3, 30},
       QStringLiteral("絵「logo.svg」: SVG に DTD(<!DOCTYPE …>)は使えません")},
      {"an SVG inside an SVG drawing a FIFO",
       withSvg([=](const QDir& outside) {
         return svgImage("data:image/svg+xml;base64," +
                         svgImage(fifo(outside, "pipe.png")).toBase64());
       }),
       {3, 30},
       QStringLiteral("絵「logo.svg」: SVG の中の絵は data:image/png;base64, か "
                      "data:image/jpeg;base64, で書きます"),
       "out/pipe.png"},
      {"an SVG dressed as a PNG",
       withSvg([](const QDir&) { return svgImage("data:image/png;base64," + svg().toBase64()); }),
       {3, 30},
       QStringLiteral("絵「logo.svg」: SVG の中の絵: PNG か JPEG として読めません")},
      {"a PNG too wide inside an SVG",
       withSvg([](const QDir&) {
         return svgImage("data:image/png;base64," + png(2049, 1).toBase64());
       }),
       {3, 30},
       QStringLiteral(
           "絵「logo.svg」: SVG の中の絵: 2049×1 ピクセルは大きすぎます(2048×2048 まで)")},
      {"an SVG group drawn 100 times",
       withSvg([=](const QDir&) { return useFan; }),
       {3, 30},
       QStringLiteral("絵「logo.svg」: SVG の要素が多すぎます(use の先も数えて 250 個まで)")},
      {"a 2048 × 2048 PNG drawn twice",
       [](const QDir& dir, const QDir&) {
         writeFile(dir, "big.png", png(2048, 2048));
         return writeFile(dir, "big.4SP",
                          plugin(QByteArray("picture x=0 y=0 w=5 h=5 file=big.png\n").repeated(2)));
       },
       {4, 30},
       QStringLiteral("絵「big.png」: 描く絵のピクセルが合わせて 4194304 を超えています")},
      {"a FIFO as the picture",
       [](const QDir& dir, const QDir&) {
         ::mkfifo(QFile::encodeName(dir.filePath("pipe.png")).constData(), 0600);
         return writeFile(dir, "fifo.4SP", plugin("picture x=0 y=0 w=5 h=5 file=pipe.png\n"));
       },
       {3, 30},
       QStringLiteral("絵「pipe.png」: 普通のファイルではありません"),
       "plugin/pipe.png"},
      {"a 100 MB file",
       [](const QDir& dir, const QDir&) {
         const QString path = writeFile(dir, "big.4SP", plugin({}));
         QFile(path).resize(100 * 1024 * 1024);  // sparse: costs nothing to make
         return path;
       },
       {0, 0},
       kSize},
      {"a huge ticket",
       file("huge.4SP", "sorane-ticket 1\nsize w=100000 h=30\nend\n"),
       {2, 8},
       QStringLiteral("w は 10〜150 の範囲で書いてください")},
      {"100,000 items", file("many.4SP", manyItems), {0, 0}, kSize},
      {"300 items",
       file("300.4SP", tooManyItems),
       {259, 1},
       QStringLiteral("描く項目が多すぎます(256 個まで)")},
      {"letters in ITF",
       file("itf.4SP",
            "sorane-ticket 1\nsize w=40 h=20\nbarcode-info routes=99 method=serial "
            "stops=1-99\nbarcode x=0 y=0 w=30 h=10 type=itf data=\"R{route:02}S{index:02}\"\n"
            "end\n"),
       {4, 42},
       QStringLiteral("バーコードにできません: Error 310")},
      {"a newer version",
       file("v2.4SP", "sorane-ticket 2\nend\n"),
       {1, 15},
       QStringLiteral("版 2 はこのプログラムでは読めません")},
  };
}

TEST(TicketBadInput, EachIsRefusedWithWhereAndWhy) {
  for (const BadInput& row : badInputs()) {
    SCOPED_TRACE(row.name);
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath("plugin") && QDir(root.path()).mkpath("out"));
    const QDir dir(root.filePath("plugin")), outside(root.filePath("out"));
    const QString path = row.make(dir, outside);
    ASSERT_FALSE(path.isEmpty());
    std::optional<FifoWatch> watch;
    if (row.fifo) watch.emplace(root.filePath(QLatin1String(row.fifo)));

    // Checked as the program checks it, and read to be drawn as the helper
    // reads it: the same first problem.
    for (Reading reading : {Reading::Checked, Reading::Decoded}) {
      const Loaded loaded = loadPlugin(path, reading);
      EXPECT_EQ(loaded.plugin, nullptr);
      ASSERT_FALSE(loaded.problems.empty());
      EXPECT_EQ(loaded.problems[0].pos, row.pos)
          << loaded.problems[0].pos.line << ":" << loaded.problems[0].pos.column;
      EXPECT_TRUE(loaded.problems[0].message.startsWith(row.message))
          << loaded.problems[0].message.toStdString();
    }

    // Through the companion: 0, nothing filled; the helper draws nothing.
    PlgInfo info;
    EXPECT_EQ(companion().VK4_GetPlgInfo(path, info), 0);
    EXPECT_EQ(info.field, PlgInfo().field);
    EXPECT_EQ(companion().VK4_SetPlgComment(path), QString());
    EXPECT_EQ(companion().VK4_SetCorpAddList(path), QStringList());
    const DrawReply reply = drawOrder({path, QSize(100, 50), {}});
    EXPECT_FALSE(reply.drawn);
    EXPECT_TRUE(reply.image.isNull());
    ASSERT_FALSE(reply.problems.empty());
    EXPECT_TRUE(reply.problems[0].message.startsWith(row.message));
    if (watch) {
      EXPECT_FALSE(watch->opened()) << "read " << row.fifo;
    }
  }
}

TEST(TicketBadInput, ValuesItsBarcodeCannotCarryLeaveItWhite) {
  QTemporaryDir dir;
  const QString path =
      writeFile(QDir(dir.path()), "itf.4SP",
                "sorane-ticket 1\nsize w=40 h=20\nbarcode-info routes=99 method=serial "
                "stops=1-99\nbarcode x=0 y=0 w=40 h=10 type=itf data=\"{route}{ticket:02}\"\n"
                "box x=0 y=15 w=40 h=5\nend\n");
  ASSERT_NE(loadPlugin(path, Reading::Checked).plugin, nullptr);
  const QImage good = test::drawTicket(path, "A", 5);
  const QImage negative = test::drawTicket(path, "A", -5);  // "12-05": no minus sign in ITF
  auto dark = [](const QImage& im, int y) {
    int n = 0;
    for (int x = 0; x < im.width(); ++x) n += qGray(im.pixel(x, y)) < 128;
    return n;
  };
  const int barsRow = good.height() / 4, boxRow = good.height() * 9 / 10;
  EXPECT_GT(dark(good, barsRow), 20);
  EXPECT_EQ(dark(negative, barsRow), 0);
  EXPECT_EQ(dark(negative, boxRow), negative.width());
}

TEST(TicketErrors, PointAtTheLineAndColumnAtFault) {
  struct Row {
    QByteArray body;
    SourcePos pos;
    QString message;
  };
  const std::vector<Row> rows = {
      {"text x=1 y=1 w=10 h=5 text=\"{ticket:x}\"\n",
       {3, 37},
       QStringLiteral("桁数は「3」(空白で埋める)か「03」(0で埋める)の形で、10桁までです")},
      {"text x=1 y=1 w=10 h=5 txt=\"a\"\n",
       {3, 23},
       QStringLiteral("text に「txt」は書けません(x y w h text face size weight align valign "
                      "vertical color company)")},
      {"box x=30 y=1 w=20 h=5\n", {3, 1}, QStringLiteral("box が券(40×20 mm)の外に出ています")},
      {"note 停留所 名\n",
       {3, 1},
       QStringLiteral("note の後には文を1つ書きます(空白を含むときは \"…\" で囲みます)")},
      {"note a=b\n", {3, 6}, QStringLiteral("note の文に「=」を含むときは \"…\" で囲みます")},
      {"text x=1 y=1 w=10 h=5 text=\"" + QByteArray(201, 'W') + "\"\n",
       {3, 229},
       QStringLiteral("text は 200 文字までです")},
      {"text x=1 y=1 w=10 h=5 text=A size=16.5\n",
       {3, 35},
       QStringLiteral("size は 0.5〜16 の範囲で書いてください")},
      {QByteArray("box x=0 y=0 w=40 h=20\n").repeated(5),
       {7, 1},
       QStringLiteral("描く項目の面積が合わせて券の 4 倍を超えています")},
      {"text x=1 y=1 w=10 h=5 text=\"停留所 {company}\"\n",
       {3, 29},
       QStringLiteral("{company} を使うには company の行で社名を書いてください")},
      {"company \"A\"\nbox x=1 y=1 w=2 h=2 company=2\n",
       {4, 29},
       QStringLiteral("社名は 1 個しかありません")},
      {"box x=1 y=1 w=2 h=2 color=red\n",
       {3, 27},
       QStringLiteral("色は #RRGGBB の形で書きます(黒は #000000)")},
      {"text x=1 y=1 w=10 h=5 text=\"驛 \\t\"\n",
       {3, 31},
       QStringLiteral("「\\t」という書き方はありません(\\n \\\" \\\\ が使えます)")},
      {"barcode x=0 y=0 w=30 h=10 type=nw7 data=\"A{index}B\"\n",
       {3, 1},
       QStringLiteral("バーコードがあるときは barcode-info で系統と停留所の範囲を書いてください")},
      {"barcode-info routes=9999 method=serial stops=1-99\n"
       "barcode x=0 y=0 w=30 h=10 type=nw7 data=\"A{route:03}{index:02}B\"\n",
       {4, 42},
       QStringLiteral("{route:03} は 3 桁ですが、系統は 9999 まであります")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.body.toStdString());
    const ParseResult r = parseTicket(plugin(row.body));
    ASSERT_FALSE(r.problems.empty());
    EXPECT_EQ(r.problems[0].pos, row.pos)
        << r.problems[0].pos.line << ":" << r.problems[0].pos.column;
    EXPECT_EQ(r.problems[0].message, row.message);
    EXPECT_FALSE(r.description);
  }
}

TEST(TicketCapability, DemoPluginsReportWhatTheyDraw) {
  struct Row {
    const char* file;
    std::array<std::int32_t, 14> fields;
    QStringList companies;
  };
  const std::vector<Row> rows = {
      // version, 58 x 28 mm, date, time, route, stop, barcode, count, routes, method, stops,
      // companies
      {"seiriken_basic.4SP",
       {1, 3288, 1587, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 2},
       {QStringLiteral("ソラネ交通"), QStringLiteral("緑ヶ丘観光バス")}},
      {"seiriken_barcode.4SP",
       {1, 3288, 1757, 1, 1, 1, 1, 1, 2, 999, 2, 1, 300, 2},
       {QStringLiteral("ソラネ交通"), QStringLiteral("緑ヶ丘観光バス")}},
  };
  test::CompanionScope scope;  // a fake that leaves the plug-in functions to the base class
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    PlgInfo info;
    EXPECT_NE(companion().VK4_GetPlgInfo(test::demoPlugin(row.file), info), 0);
    EXPECT_EQ(info.field, row.fields);
    EXPECT_EQ(companion().VK4_SetCorpAddList(test::demoPlugin(row.file)), row.companies);
    EXPECT_TRUE(companion().VK4_SetPlgComment(test::demoPlugin(row.file)).startsWith("見本の"));
  }
}

TEST(TicketCapability, FollowsTheItemsThatUseEachValue) {
  const QByteArray header = "barcode-info routes=50 method=serial stops=0-20\n";
  struct Row {
    QByteArray body;
    std::array<std::int32_t, 11> fields;  // 4..14
  };
  const std::vector<Row> rows = {
      {"", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"text x=0 y=0 w=9 h=9 text=\"{time:H:mm} {route}\"\n", {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"company \"A\"\ncompany \"B\"\ncompany \"C\"\ntext x=0 y=0 w=9 h=9 text=\"{company}\" "
       "company=3\n",
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3}},
      {header + "barcode x=0 y=0 w=9 h=9 type=qr data=\"{stop}{date}{route}{index}\"\n"
                "barcode x=10 y=0 w=9 h=9 type=code128 data=\"R{route}T{ticket}\"\n",
       {1, 0, 1, 1, 1, 2, 50, 1, 0, 20, 0}},
      {header + "barcode x=0 y=0 w=9 h=9 type=code128 data=\"{route:010}{ticket:010}\"\n",
       {0, 0, 1, 0, 1, 1, 50, 1, 0, 20, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.body.toStdString());
    const ParseResult r = parseTicket(plugin(row.body));
    ASSERT_TRUE(r.description) << r.problems[0].message.toStdString();
    const auto f = capabilityFields(*r.description);
    EXPECT_EQ(std::vector<std::int32_t>(f.begin() + 3, f.end()),
              std::vector<std::int32_t>(row.fields.begin(), row.fields.end()));
    EXPECT_EQ(f[1], 2268);  // 40 mm
    EXPECT_EQ(f[2], 1134);  // 20 mm
  }
}

TEST(TicketHost, ReadsAFileAgainWhenItChanges) {
  QTemporaryDir dir;
  const QString path = writeFile(QDir(dir.path()), "t.4SP", plugin("company \"A\"\n"));
  EXPECT_EQ(companion().VK4_SetCorpAddList(path), QStringList{"A"});
  writeFile(QDir(dir.path()), "t.4SP", plugin("company \"BB\"\n"));
  EXPECT_EQ(companion().VK4_SetCorpAddList(path), QStringList{"BB"});
  // A picture that appears later makes the plug-in usable.
  writeFile(QDir(dir.path()), "t.4SP", plugin("picture x=0 y=0 w=5 h=5 file=p/logo.svg\n"));
  PlgInfo info;
  EXPECT_EQ(companion().VK4_GetPlgInfo(path, info), 0);
  ASSERT_TRUE(QDir(dir.path()).mkdir("p"));
  writeFile(QDir(dir.filePath("p")), "logo.svg", svg());
  EXPECT_NE(companion().VK4_GetPlgInfo(path, info), 0);
}

}  // namespace
}  // namespace sorane::ticket
