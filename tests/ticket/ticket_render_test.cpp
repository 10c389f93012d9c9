#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "ticket_support.h"

namespace sorane::ticket {
namespace {

using test::drawTicket;

// The pixels of `mm` (a rectangle in millimetres) of a ticket drawn at `scale` px/mm.
QImage part(const QImage& ticket, double scale, QRectF mm) {
  return ticket.copy(QRectF(mm.topLeft() * scale, mm.size() * scale).toRect());
}

int darkPixels(const QImage& im) {
  int n = 0;
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) n += qGray(im.pixel(x, y)) < 64;
  return n;
}

TEST(TicketRender, BlackOnWhiteWithTheTicketNumber) {
  QTemporaryDir dir;
  const QString path = test::writeFile(
      QDir(dir.path()), "n.4SP",
      test::plugin("text x=10 y=2 w=20 h=16 text=\"{ticket}\" weight=bold align=center\n"));
  const QImage one = drawTicket(path, "A", 1), eight = drawTicket(path, "A", 8);
  ASSERT_EQ(one.size(), QSize(151, 76));  // 40 x 20 mm as the panel sizes it
  EXPECT_NE(one, eight);
  for (const QImage& im : {one, eight}) {
    int black = 0;
    for (int y = 0; y < im.height(); ++y) {
      for (int x = 0; x < im.width(); ++x) {
        const QRgb c = im.pixel(x, y);
        ASSERT_TRUE(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) << x << "," << y;
        const bool inBox = x >= 37 && x < 114 && y >= 7 && y < 68;
        if (!inBox) {
          ASSERT_EQ(c, qRgb(255, 255, 255)) << x << "," << y;
        }
        black += qGray(c) < 32;
      }
    }
    EXPECT_GT(black, 200);
  }
}

TEST(TicketRender, DemoTicketShowsItsNumberOnWhitePaper) {
  const QString path = test::demoPlugin("seiriken_basic.4SP");
  const QImage ten = drawTicket(path, "ソラネ駅前", 10), seven = drawTicket(path, "ソラネ駅前", 7);
  ASSERT_EQ(ten.size(), QSize(219, 106));
  const double scale = 219 / 58.0;
  const QRectF number(11, 10, 24, 14);
  EXPECT_NE(part(ten, scale, number), part(seven, scale, number));
  EXPECT_GT(darkPixels(part(ten, scale, number)), 300);
  EXPECT_EQ(ten.pixel(QPointF(QPointF(50, 7) * scale).toPoint()), qRgb(255, 255, 255));
  // The rest of the ticket does not depend on the number.
  EXPECT_EQ(part(ten, scale, {37, 8, 20, 16}), part(seven, scale, {37, 8, 20, 16}));
}

TEST(TicketRender, CompanyVariantSwitchesTheBandAndTheName) {
  const QString path = test::demoPlugin("seiriken_basic.4SP");
  const double scale = 219 / 58.0;
  const QPoint band = QPointF(QPointF(4.5, 1) * scale).toPoint();
  const QRectF name(11, 1.5, 46, 5);
  struct Row {
    std::int16_t company;
    QRgb band;
  };
  const std::vector<Row> rows = {{0, qRgb(0x1b, 0x6f, 0xb5)},
                                 {1, qRgb(0x2e, 0x8b, 0x57)},
                                 {-1, qRgb(0x1b, 0x6f, 0xb5)},
                                 {7, qRgb(0x1b, 0x6f, 0xb5)}};
  const QImage first = drawTicket(path, "市役所", 3, 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.company);
    const QImage im = drawTicket(path, "市役所", 3, row.company);
    EXPECT_EQ(im.pixel(band), row.band);
    EXPECT_EQ(part(im, scale, name) == part(first, scale, name), row.band == rows[0].band);
  }
}

TEST(TicketRender, PicturesComeFromBesideThePlugin) {
  QTemporaryDir dir;
  QImage red(10, 10, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(QDir(dir.path()).mkdir("pics") && red.save(dir.filePath("pics/red.png")));
  struct Row {
    QByteArray fit;
    QRgb left;
  };
  for (const Row& row : {Row{"contain", qRgb(255, 255, 255)}, Row{"stretch", qRgb(255, 0, 0)}}) {
    const QString path = test::writeFile(
        QDir(dir.path()), row.fit + ".4SP",
        test::plugin("picture x=0 y=0 w=40 h=20 file=pics/red.png fit=" + row.fit + "\n"));
    const QImage im = drawTicket(path, "A", 1);
    EXPECT_EQ(im.pixel(75, 38), qRgb(255, 0, 0)) << row.fit.data();
    EXPECT_EQ(im.pixel(5, 38), row.left) << row.fit.data();
  }
}

// What zbarimg reads in `image`, sorted.
QStringList scanned(const QImage& image) {
  QTemporaryDir dir;
  const QString png = dir.filePath("ticket.png");
  if (!image.save(png)) return {"(not saved)"};
  QProcess zbar;
  zbar.start("zbarimg", {"--raw", "-q", png});
  if (!zbar.waitForFinished(10000)) return {"(zbarimg did not finish)"};
  QStringList symbols =
      QString::fromUtf8(zbar.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  symbols.sort();
  return symbols;
}

// The widths of the bars and gaps crossed by row `y` of `box`, from the first bar to the last.
std::set<int> runs(const QImage& image, const QRect& box, int y) {
  std::set<int> widths;
  int start = -1;
  for (int x = box.left() + 1; x <= box.right(); ++x) {
    const bool dark = qGray(image.pixel(x, y)) < 128;
    if (start >= 0 && dark != (qGray(image.pixel(x - 1, y)) < 128)) {
      widths.insert(x - start);
      start = x;
    }
    if (start < 0 && dark) start = x;
  }
  return widths;
}

// The demo tickets as the panel keeps them (and copies them) at 1x, 2x and 3x.
TEST(TicketRender, DemoBarcodesScanAtEveryScale) {
  struct Row {
    const char* plugin;
    int scale;
    QStringList symbols;
  };
  const QStringList both = {"A007012B", "SORANE R012 S003 T007 20250315080530"};
  const std::vector<Row> rows = {{"seiriken_basic.4SP", 1, {}},
                                 {"seiriken_barcode.4SP", 1, both},
                                 {"seiriken_barcode.4SP", 2, both},
                                 {"seiriken_barcode.4SP", 3, both}};
  for (const Row& row : rows) {
    SCOPED_TRACE(QStringLiteral("%1 at %2x").arg(row.plugin).arg(row.scale).toStdString());
    const QImage image =
        drawTicket(test::demoPlugin(row.plugin), "ソラネ駅前", 7, 0, 12, 3, row.scale);
    EXPECT_EQ(scanned(image), row.symbols);
    if (row.symbols.isEmpty()) continue;
    // Through the NW-7 code: narrow and wide, each a whole number of pixels.
    const double mm = image.width() / 58.0;
    const std::set<int> widths = runs(image, QRectF(4 * mm, 0, 50 * mm, 0).toRect(), 26 * mm);
    const int narrow = widths.empty() ? 0 : *widths.begin();
    EXPECT_EQ(widths, (std::set<int>{narrow, 2 * narrow}));
  }
}

}  // namespace
}  // namespace sorane::ticket
