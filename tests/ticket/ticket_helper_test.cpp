#include "ticket_helper.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <set>

#include "hostile_tickets.h"
#include "ticket_support.h"

namespace sorane::ticket {
namespace {

DrawOrder order(const QString& path, QSize pixels) {
  DrawOrder o{path, pixels, {}};
  o.values = {QStringLiteral("市民病院前"),
              QStringLiteral("03-15-2025"),
              QStringLiteral("08:05:30"),
              12,
              7,
              3,
              1};
  return o;
}

TEST(TicketProtocol, AnOrderCrossesWhole) {
  DrawOrder o = order(QStringLiteral("/券/t.4SP"), QSize(219, 117));
  o.values.ticket = -32768;
  o.values.company = -1;
  const QByteArray bytes = encodeOrder(o);
  // The path first: its UTF-8 bytes after their count.
  EXPECT_EQ(bytes.left(14), QByteArray("\x0A\x00\x00\x00/\xE5\x88\xB8/t.4SP", 14));
  const std::optional<DrawOrder> back = decodeOrder(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->path, o.path);
  EXPECT_EQ(back->pixels, o.pixels);
  EXPECT_EQ(back->values.stop, o.values.stop);
  EXPECT_EQ(back->values.date, o.values.date);
  EXPECT_EQ(back->values.time, o.values.time);
  EXPECT_EQ(back->values.route, 12);
  EXPECT_EQ(back->values.ticket, -32768);
  EXPECT_EQ(back->values.index, 3);
  EXPECT_EQ(back->values.company, -1);
  EXPECT_FALSE(decodeOrder(bytes.chopped(1)));
  EXPECT_FALSE(decodeOrder(bytes + '\0'));
  EXPECT_FALSE(decodeOrder(encodeOrder(order("t", QSize(kMaxTicketSide + 1, 1)))));
}

// The helper may be anything by the time it answers: an answer that is
// not exactly what was asked for is refused.
TEST(TicketProtocol, AnswersThatBreakTheRulesAreRefused) {
  QImage picture(3, 2, QImage::Format_RGB32);
  picture.fill(qRgb(10, 20, 30));
  DrawReply drawn{true, picture, {{{4, 2}, QStringLiteral("切りました")}}};
  const QByteArray good = encodeReply(drawn);
  QByteArray seeThrough = good;
  seeThrough[seeThrough.size() - 1] = 0;  // the last pixel's alpha
  DrawReply tooMany{false, {}, std::vector<Problem>(kMaxReplyProblems + 1, {{1, 1}, "x"})};
  QByteArray manyProblems = encodeReply(tooMany);
  manyProblems[0] = static_cast<char>(kMaxReplyProblems + 1);
  struct Row {
    const char* name;
    std::uint16_t kind;
    QByteArray payload;
    QSize asked;
    bool accepted;
  };
  const Row rows[] = {
      {"as asked", kDrawnKind, good, QSize(3, 2), true},
      {"alpha cleared", kDrawnKind, seeThrough, QSize(3, 2), true},
      {"another size", kDrawnKind, good, QSize(2, 3), false},
      {"a byte short", kDrawnKind, good.chopped(1), QSize(3, 2), false},
      {"a byte over", kDrawnKind, good + '\0', QSize(3, 2), false},
      {"too many problems", kRefusedKind, manyProblems, QSize(3, 2), false},
      {"refused for nothing", kRefusedKind, encodeReply({}), QSize(3, 2), false},
      {"refused with a reason", kRefusedKind, encodeReply({false, {}, {{{}, "x"}}}), QSize(3, 2),
       true},
      {"an unknown kind", 9, good, QSize(3, 2), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::optional<DrawReply> r = decodeReply(row.kind, row.payload, row.asked);
    EXPECT_EQ(r.has_value(), row.accepted);
    if (!r || !r->drawn) continue;
    EXPECT_EQ(r->image, picture);  // opaque, whatever came
    ASSERT_EQ(r->problems.size(), 1u);
    EXPECT_EQ(r->problems[0].pos, (SourcePos{4, 2}));
    EXPECT_EQ(r->problems[0].message, QStringLiteral("切りました"));
  }
}

TEST(TicketHelper, DrawsWhatTheHostDrawsPixelForPixel) {
  for (const char* plugin : {"seiriken_basic.4SP", "seiriken_barcode.4SP"}) {
    for (int scale : {1, 2}) {
      SCOPED_TRACE(QStringLiteral("%1 at %2x").arg(plugin).arg(scale).toStdString());
      const DrawOrder o = order(test::demoPlugin(plugin), QSize(219, 117) * scale);
      const DrawResult r = runHelper().drawNow(o);
      EXPECT_EQ(r.failure, DrawFailure::None);
      EXPECT_EQ(r.image, drawOrder(o).image);
    }
  }
  const DrawResult missing = runHelper().drawNow(order(QStringLiteral("/none.4SP"), {10, 10}));
  EXPECT_EQ(missing.failure, DrawFailure::Refused);
  ASSERT_FALSE(missing.problems.empty());
  EXPECT_EQ(missing.problems[0].message, QStringLiteral("ファイルがありません"));
}

// A helper killed by its limits is started fresh: the next ticket is drawn.
TEST(TicketHelper, KilledByItsLimitsAndTheNextTicketDrawn) {
  QTemporaryDir dir;
  struct Row {
    const char* name;
    QString path;
    QSize pixels;
    TicketLimits limits;
    DrawFailure failure;
  };
  const Row rows[] = {
      {"past its time",
       test::hostileTicket("a 1 MiB path").make(QDir(dir.path())),
       QSize(151, 76) * 3,
       {qint64(1) << 30, 300, 2},
       DrawFailure::TooSlow},
      // The picture alone does not fit beside the helper (about 100 MB).
      {"past its memory: a ticket of 128 MiB",
       test::demoPlugin("seiriken_basic.4SP"),
       QSize(kMaxTicketSide, kMaxTicketSide / 2),
       {qint64(200) << 20, 20000, 20},
       DrawFailure::TooLarge},
  };
  const DrawOrder legal = order(test::demoPlugin("seiriken_barcode.4SP"), QSize(219, 117));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.failure == DrawFailure::TooLarge && !sandbox::kAddressSpaceLimited) continue;
    TicketHelper helper(row.limits);
    ASSERT_EQ(helper.drawNow(legal).failure, DrawFailure::None);
    const qint64 pid = helper.process().helperPid();
    const DrawResult r = helper.drawNow(order(row.path, row.pixels));
    EXPECT_EQ(r.failure, row.failure) << r.detail.toStdString();
    EXPECT_TRUE(r.image.isNull());
    const DrawResult next = helper.drawNow(legal);
    EXPECT_EQ(next.failure, DrawFailure::None);
    EXPECT_EQ(next.image, drawOrder(legal).image);
    EXPECT_NE(helper.process().helperPid(), pid);
  }
}

// Every plug-in found hurting the program, drawn by the helper with the
// limits the program uses: refused or drawn within them, and the next
// ticket drawn after it. Those that took seconds take them here too.
TEST(TicketHelper, HostilePluginsAreRefusedOrBoundedAndTheNextTicketDrawn) {
  using F = DrawFailure;
  const std::set<F> killed = {F::TooSlow, F::TooLarge};
  const std::set<F> drawnOrSlow = {F::None, F::TooSlow};
  const std::map<QString, std::set<F>> outcomes = {
      {"a dashed polyline of 90,000 points", killed},
      {"a 1 MiB path", {F::TooSlow}},
      {"a 1 MiB path of curves", {F::TooSlow}},
      {"huge-radius arcs", {F::TooSlow}},
      {"a long dash list", drawnOrSlow},
      {"a text of 900,000 characters", drawnOrSlow},
      {"a text with a long x list", drawnOrSlow},
      {"1,000 distinct bold Mincho kanji at 5.4 mm", drawnOrSlow},
      {"250 texts in mixed weights", drawnOrSlow},
      {"an embedded PNG that does not decode", {F::Refused}},
      {"a fitted text 10 mm high that uses up the large characters", {F::None}},
  };
  QTemporaryDir dir;
  const DrawOrder legal = order(test::demoPlugin("seiriken_basic.4SP"), QSize(219, 106));
  for (const test::Hostile& h : test::hostileTickets()) {
    SCOPED_TRACE(h.name);
    ASSERT_TRUE(outcomes.count(QLatin1String(h.name)));
    const QString path = h.make(QDir(dir.path()));
    PlgInfo info;
    ASSERT_NE(companion().VK4_GetPlgInfo(path, info), 0) << "the program takes it";
    // At 3x, as the panel of a 3x screen asks.
    const DrawResult r = runHelper().drawNow(order(path, QSize(px(info(2)), px(info(3))) * 3));
    EXPECT_TRUE(outcomes.at(QLatin1String(h.name)).count(r.failure))
        << static_cast<int>(r.failure) << " " << r.detail.toStdString();
    EXPECT_EQ(runHelper().drawNow(legal).failure, DrawFailure::None);
  }
}

}  // namespace
}  // namespace sorane::ticket
