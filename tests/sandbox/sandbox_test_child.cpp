// A helper for the sandbox tests: `serve` answers requests by kind; the
// other modes misbehave before or instead of serving.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <cstring>
#include <vector>

#include "sandbox_child.h"
#include "sandbox_test_kinds.h"

using namespace sorane::sandbox;

namespace {

void handle(const Frame& f, Replies& out) {
  PayloadReader in(f.payload);
  switch (f.kind) {
    case test::kEcho:
      out.reply(f.kind, f.payload);
      return;
    case test::kSleep:
      QThread::msleep(in.u32());
      out.reply(f.kind, {});
      return;
    case test::kAllocate: {
      std::vector<char*> blocks;
      const std::uint32_t mib = in.u32();
      for (std::uint32_t i = 0; i < mib; ++i) {
        blocks.push_back(new char[1 << 20]);
        std::memset(blocks.back(), 1, 1 << 20);
      }
      out.reply(f.kind, PayloadWriter().u32(static_cast<std::uint32_t>(blocks.size())).data());
      for (char* b : blocks) delete[] b;
      return;
    }
    case test::kCrash:
      ::raise(SIGSEGV);
      return;
    case test::kSpin: {
      // CPU time for `ms` (forever with 0), then the answer.
      const std::uint32_t ms = in.u32();
      timespec start{}, now{};
      ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
      volatile std::uint64_t n = 0;
      do {
        for (int i = 0; i < 100000; ++i) n = n + 1;
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
      } while (ms == 0 ||
               (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000 < ms);
      out.reply(f.kind, {});
      return;
    }
    case test::kProgress:
      for (std::uint32_t i = 1; i <= 3; ++i) out.progress(PayloadWriter().u32(i).data());
      out.reply(f.kind, {});
      return;
    case test::kGrandchild: {
      const pid_t pid = ::fork();
      if (pid == 0) {
        ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
        ::_exit(1);
      }
      out.reply(f.kind, PayloadWriter().u32(static_cast<std::uint32_t>(pid)).data());
      return;
    }
    case test::kTwoAnswers:
      out.reply(f.kind, {});
      out.reply(f.kind, {});
      return;
    default:
      out.reply(f.kind, {});
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
  if (mode == "serve") return serve(handle, 1 << 20);
  if (mode == "garbage") {
    (void)!::write(1, "HTTP/1.1 200 OK\r\n\r\n", 19);
    QThread::sleep(30);
  }
  if (mode == "version2") {
    QByteArray hello = encodeFrame({kHelloKind, 0, PayloadWriter().u32(2).data()});
    (void)!::write(1, hello.constData(), static_cast<size_t>(hello.size()));
    QThread::sleep(30);
  }
  if (mode == "silent") QThread::sleep(30);
  return 7;
}
