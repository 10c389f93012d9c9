#include "sandbox_child.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "sandbox_process.h"

namespace sorane::sandbox {
namespace {

// Qt's messages per request, each cut to so many characters.
constexpr int kMaxMessages = 20;
constexpr qsizetype kMaxMessageChars = 160;
int messagesLeft = kMaxMessages;

rlim_t addressLimit = RLIM_INFINITY;
char altStack[64 * 1024];

[[noreturn]] void outOfMemory() {
  static const char text[] = "helper: out of memory\n";
  (void)!::write(2, text, sizeof text - 1);
  ::_exit(kExitTooLarge);
}

// Address space in use, from /proc/self/statm, with calls safe in a
// signal handler; 0 when unknown.
rlim_t addressInUse() {
  const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buf[64];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  ::close(fd);
  rlim_t pages = 0;
  for (ssize_t i = 0; i < n && buf[i] >= '0' && buf[i] <= '9'; ++i)
    pages = pages * 10 + static_cast<rlim_t>(buf[i] - '0');
  return pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// A crash with most of the address space taken is a failed allocation that
// someone did not check.
void onCrash(int sig) {
  if (addressLimit != RLIM_INFINITY && addressInUse() >= addressLimit / 2) outOfMemory();
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void onTerminate() {
  if (const std::exception_ptr e = std::current_exception()) {
    try {
      std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
      outOfMemory();
    } catch (...) {
    }
  }
  std::abort();
}

void shortMessages(QtMsgType, const QMessageLogContext&, const QString& message) {
  if (messagesLeft <= 0) return;
  QString text = message.left(kMaxMessageChars);
  if (message.size() > kMaxMessageChars) text += QStringLiteral("…(%1 文字)").arg(message.size());
  if (--messagesLeft == 0) text += QStringLiteral("\n(これより後の知らせは省きます)");
  std::fprintf(stderr, "helper: %s\n", text.toLocal8Bit().constData());
}

void installGuards() {
  std::set_new_handler(outOfMemory);
  std::set_terminate(onTerminate);
  rlimit as{};
  if (::getrlimit(RLIMIT_AS, &as) == 0) addressLimit = as.rlim_cur;
  stack_t st{};
  st.ss_sp = altStack;
  st.ss_size = sizeof altStack;
  ::sigaltstack(&st, nullptr);
  struct sigaction sa {};
  sa.sa_handler = onCrash;
  sa.sa_flags = SA_ONSTACK | SA_RESETHAND;
  for (int sig : {SIGSEGV, SIGBUS, SIGABRT}) ::sigaction(sig, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  qInstallMessageHandler(shortMessages);
}

// The CPU time used so far, whole seconds rounded up.
rlim_t cpuSecondsUsed() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  const auto micro = static_cast<rlim_t>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000 +
                     static_cast<rlim_t>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
  return (micro + 999999) / 1000000;
}

bool writeAll(int fd, const QByteArray& bytes) {
  qsizetype at = 0;
  while (at < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.constData() + at, static_cast<size_t>(bytes.size() - at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
  }
  return true;
}

}  // namespace

void Replies::reply(std::uint16_t kind, const QByteArray& payload) {
  if (kind != kProgressKind) replied_ = true;
  // The program is gone: nothing is left to do.
  if (!writeAll(fd_, encodeFrame({kind, id_, payload}))) ::_exit(0);
}

int serve(const Handler& handle, std::uint32_t maxRequestBytes) {
  const int out = ::fcntl(1, F_DUPFD_CLOEXEC, 3);
  if (out < 0 || ::dup2(2, 1) < 0) return 1;
  installGuards();
  rlimit cpu{};
  ::getrlimit(RLIMIT_CPU, &cpu);
  const rlim_t perRequest = cpu.rlim_cur;

  Replies hello(out, 0);
  hello.reply(kHelloKind, PayloadWriter().u32(kProtocolVersion).data());
  FrameReader reader(maxRequestBytes);
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(0, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) return 0;
    if (n < 0) return 1;
    reader.append(QByteArrayView(buf, n));
    while (std::optional<Frame> f = reader.next()) {
      if (perRequest != RLIM_INFINITY) {
        cpu.rlim_cur = std::min(cpuSecondsUsed() + perRequest, cpu.rlim_max);
        ::setrlimit(RLIMIT_CPU, &cpu);
      }
      messagesLeft = kMaxMessages;
      Replies replies(out, f->id);
      handle(*f, replies);
      if (!replies.replied()) {
        std::fprintf(stderr, "helper: request %u of kind %u got no answer\n", f->id, f->kind);
        return 1;
      }
    }
    if (reader.broken()) {
      std::fprintf(stderr, "helper: %s\n", reader.error().toLocal8Bit().constData());
      return 1;
    }
  }
}

}  // namespace sorane::sandbox
