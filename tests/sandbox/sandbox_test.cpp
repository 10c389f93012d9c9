#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <map>
#include <optional>

#include "sandbox_process.h"
#include "sandbox_test_kinds.h"

namespace sorane::sandbox {
namespace {

QString child() {
  return QDir(QCoreApplication::applicationDirPath()).filePath("sandbox_test_child");
}

Limits small() {
  Limits l;
  l.addressSpaceBytes = qint64(256) << 20;
  l.cpuSeconds = 1;
  l.startMs = 5000;
  return l;
}

QByteArray u32(std::uint32_t v) {
  return PayloadWriter().u32(v).data();
}

struct Outcome {
  bool answered = false;
  std::uint16_t kind = 0;
  QByteArray payload;
  std::optional<Failure> failure;
  QString detail;
  std::vector<QByteArray> progress;
  bool ended() const { return answered || failure; }
};

// A helper process with every outcome recorded from the start.
class Helper {
 public:
  Helper(const QString& program, const QString& mode, Limits limits) : p(program, {mode}, limits) {
    QObject::connect(&p, &Process::replied,
                     [this](std::uint32_t id, std::uint16_t kind, const QByteArray& payload) {
                       outcomes[id].answered = true;
                       outcomes[id].kind = kind;
                       outcomes[id].payload = payload;
                     });
    QObject::connect(&p, &Process::failed,
                     [this](std::uint32_t id, Failure why, const QString& detail) {
                       outcomes[id].failure = why;
                       outcomes[id].detail = detail;
                     });
    QObject::connect(&p, &Process::progressed, [this](std::uint32_t id, const QByteArray& b) {
      outcomes[id].progress.push_back(b);
    });
  }
  // Waits (at most 20 s) for request `id` to end.
  Outcome await(std::uint32_t id) {
    QElapsedTimer t;
    t.start();
    while (!outcomes[id].ended() && t.elapsed() < 20000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return outcomes[id];
  }
  Outcome run(std::uint16_t kind, const QByteArray& payload, int wallMs = 5000) {
    return await(p.send(kind, payload, wallMs));
  }
  // Waits until the helper is on request `id`.
  bool waitUnderWay(std::uint32_t id) {
    QElapsedTimer t;
    t.start();
    while (p.underWay() != id && t.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return p.underWay() == id;
  }
  Process p;
  std::map<std::uint32_t, Outcome> outcomes;
};

// Whether process `pid` has ended (a zombie has), waiting up to a second.
bool gone(qint64 pid) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 1000) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return true;
    const QByteArray fields = stat.readAll();
    const qsizetype close = fields.lastIndexOf(')');
    if (close > 0 && fields.mid(close + 2, 1) == "Z") return true;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
  return false;
}

TEST(SandboxFrames, AreByteExact) {
  const QByteArray frame = encodeFrame({2, 7, QByteArray("ab")});
  EXPECT_EQ(frame, QByteArray("SRNF\x01\x00\x02\x00\x07\x00\x00\x00\x02\x00\x00\x00"
                              "ab",
                              18));
  EXPECT_EQ(PayloadWriter().i32(-2).text(QStringLiteral("券")).data(),
            QByteArray("\xFE\xFF\xFF\xFF\x03\x00\x00\x00\xE5\x88\xB8", 11));
}

// Frames cut anywhere come out whole; a bad header breaks the stream.
TEST(SandboxFrames, ReaderTakesFramesInAnyPiecesAndRefusesBadOnes) {
  const QByteArray stream =
      encodeFrame({1, 1, "first"}) + encodeFrame({2, 2, {}}) + encodeFrame({3, 3, "third"});
  for (qsizetype cut = 0; cut <= stream.size(); ++cut) {
    FrameReader r(64);
    r.append(stream.left(cut));
    std::vector<Frame> frames;
    while (auto f = r.next()) frames.push_back(*f);
    r.append(stream.mid(cut));
    while (auto f = r.next()) frames.push_back(*f);
    ASSERT_EQ(frames.size(), 3u) << cut;
    EXPECT_EQ(frames[0].payload, "first");
    EXPECT_EQ(frames[1].kind, 2);
    EXPECT_EQ(frames[2].id, 3u);
    EXPECT_EQ(r.pending(), 0);
  }
  struct Row {
    const char* name;
    QByteArray bytes;
    QString error;
  };
  QByteArray version2 = encodeFrame({1, 1, {}});
  version2[4] = 2;
  const Row rows[] = {
      {"another magic", "HTTP/1.1 200 OK\r\n\r\n", QStringLiteral("枠の始まりが違います")},
      {"another version", version2, QStringLiteral("版 2 の枠は読めません(1 まで)")},
      {"too long", encodeFrame({1, 1, QByteArray(65, 'x')}),
       QStringLiteral("枠が 65 バイトで、64 バイトを超えています")},
  };
  for (const Row& row : rows) {
    FrameReader r(64);
    r.append(row.bytes);
    EXPECT_FALSE(r.next()) << row.name;
    EXPECT_TRUE(r.broken()) << row.name;
    EXPECT_EQ(r.error(), row.error) << row.name;
    r.append(encodeFrame({1, 1, {}}));
    EXPECT_FALSE(r.next()) << row.name << ": nothing after a bad header";
  }
}

TEST(SandboxFrames, PayloadReaderFailsPastTheEndAndPastItsBound) {
  const QByteArray payload = PayloadWriter().u32(5).bytes("abcdef").data();
  PayloadReader ok(payload);
  EXPECT_EQ(ok.u32(), 5u);
  EXPECT_EQ(ok.bytes(6), "abcdef");
  EXPECT_TRUE(ok.done());
  PayloadReader bounded(payload);
  bounded.u32();
  EXPECT_EQ(bounded.bytes(5), QByteArray());  // longer than allowed
  EXPECT_FALSE(bounded.ok());
  PayloadReader notUtf8(PayloadWriter().bytes("\xE5\x88").data());  // cut inside 券
  EXPECT_EQ(notUtf8.text(10), QString());
  EXPECT_FALSE(notUtf8.ok());
  PayloadReader cut(payload.left(9));  // the length says 6, 1 byte is left
  cut.u32();
  EXPECT_EQ(cut.bytes(100), QByteArray());
  EXPECT_FALSE(cut.ok());
  EXPECT_EQ(cut.u32(), 0u);
}

TEST(SandboxProcess, AnswersInOrderWithProgressFromOneHelper) {
  Helper h(child(), "serve", small());
  const std::uint32_t first = h.p.send(test::kEcho, "one", 5000);
  const std::uint32_t second = h.p.send(test::kProgress, {}, 5000);
  const Outcome a = h.await(first);
  EXPECT_TRUE(a.answered);
  EXPECT_EQ(a.payload, "one");
  const qint64 pid = h.p.helperPid();
  const Outcome b = h.await(second);
  EXPECT_TRUE(b.answered);
  EXPECT_EQ(b.progress, (std::vector<QByteArray>{u32(1), u32(2), u32(3)}));
  EXPECT_EQ(h.p.helperPid(), pid);
  EXPECT_TRUE(h.p.idle());
}

// Each limit broken: the request fails with its reason, the helper is
// gone, and the next request gets a fresh one.
TEST(SandboxProcess, ALimitBrokenFailsTheRequestAndTheNextGetsAFreshHelper) {
  struct Row {
    const char* name;
    std::uint16_t kind;
    QByteArray payload;
    int wallMs;
    Failure expected;
  };
  const Row rows[] = {
      {"past its wall-clock time", test::kSleep, u32(30000), 300, Failure::TooSlow},
      {"past its CPU time", test::kSpin, u32(0), 15000, Failure::TooSlow},
      {"past its address space", test::kAllocate, u32(512), 15000, Failure::TooLarge},
      {"a crash", test::kCrash, {}, 15000, Failure::BrokeOff},
  };
  Helper h(child(), "serve", small());
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.expected == Failure::TooLarge && !kAddressSpaceLimited) continue;
    ASSERT_TRUE(h.run(test::kEcho, "warm").answered);
    const qint64 pid = h.p.helperPid();
    const Outcome o = h.run(row.kind, row.payload, row.wallMs);
    EXPECT_FALSE(o.answered);
    EXPECT_EQ(o.failure, row.expected) << o.detail.toStdString();
    EXPECT_TRUE(gone(pid));
    const Outcome next = h.run(test::kEcho, "next");
    EXPECT_TRUE(next.answered);
    EXPECT_EQ(next.payload, "next");
    EXPECT_NE(h.p.helperPid(), pid);
  }
}

// The CPU limit is for one request: a long-lived helper does not run out.
TEST(SandboxProcess, CpuTimeIsRenewedForEachRequest) {
  Helper h(child(), "serve", small());
  for (int i = 0; i < 2; ++i) EXPECT_TRUE(h.run(test::kSpin, u32(700)).answered) << i;
}

TEST(SandboxProcess, AHelperThatCannotStartOrSpeaksWronglyFailsWhatWaits) {
  struct Row {
    const char* name;
    QString program;
    QString mode;
    Failure expected;
  };
  const Row rows[] = {
      {"no such program", QDir::temp().filePath("no-such-helper"), "serve", Failure::NotStarted},
      {"never ready", child(), "silent", Failure::NotStarted},
      {"ends at once", child(), "exit", Failure::NotStarted},
      {"another protocol", child(), "garbage", Failure::BrokeOff},
      {"another version", child(), "version2", Failure::BrokeOff},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Limits l = small();
    l.startMs = 500;
    Helper h(row.program, row.mode, l);
    const std::uint32_t first = h.p.send(test::kEcho, "a", 5000);
    const std::uint32_t second = h.p.send(test::kEcho, "b", 5000);
    EXPECT_EQ(h.await(first).failure, row.expected);
    // What waited fails with it rather than start the helper again.
    EXPECT_EQ(h.await(second).failure, row.expected);
    EXPECT_EQ(h.p.helperPid(), 0);
    EXPECT_TRUE(h.p.idle());
  }
}

TEST(SandboxProcess, AnAnswerToNoRequestBreaksOffTheHelper) {
  Helper h(child(), "serve", small());
  ASSERT_TRUE(h.run(test::kEcho, "warm").answered);
  const qint64 pid = h.p.helperPid();
  EXPECT_TRUE(h.run(test::kTwoAnswers, {}).answered);
  EXPECT_TRUE(gone(pid));
  EXPECT_TRUE(h.run(test::kEcho, "y").answered);
  EXPECT_NE(h.p.helperPid(), pid);
}

TEST(SandboxProcess, CancelKillsWhatIsUnderWayAndDropsWhatWaits) {
  Helper h(child(), "serve", small());
  ASSERT_TRUE(h.run(test::kEcho, "warm").answered);
  const qint64 pid = h.p.helperPid();
  const std::uint32_t slow = h.p.send(test::kSleep, u32(30000), 30000);
  const std::uint32_t waiting = h.p.send(test::kEcho, "w", 5000);
  ASSERT_TRUE(h.waitUnderWay(slow));
  h.p.cancel(waiting);
  EXPECT_EQ(h.outcomes[waiting].failure, Failure::Cancelled);
  EXPECT_EQ(h.outcomes[slow].failure, std::nullopt);
  h.p.cancel(slow);
  EXPECT_EQ(h.outcomes[slow].failure, Failure::Cancelled);
  EXPECT_TRUE(gone(pid));
  EXPECT_TRUE(h.run(test::kEcho, "after").answered);
}

// Its own process group goes with it, children included, at once.
TEST(SandboxProcess, EndingTheProcessEndsTheHelperAndItsChildren) {
  qint64 helper = 0, grandchild = 0;
  QElapsedTimer t;
  {
    Helper h(child(), "serve", small());
    const Outcome o = h.run(test::kGrandchild, {});
    ASSERT_TRUE(o.answered);
    helper = h.p.helperPid();
    grandchild = PayloadReader(o.payload).u32();
    ASSERT_FALSE(gone(grandchild));
    t.start();
  }
  EXPECT_LT(t.elapsed(), 1000);
  EXPECT_TRUE(gone(helper));
  EXPECT_TRUE(gone(grandchild));
}

}  // namespace
}  // namespace sorane::sandbox
