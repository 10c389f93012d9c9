#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <optional>

#include "sandbox_frames.h"

namespace sorane::sandbox {

// How a request ended when it got no answer.
enum class Failure {
  TooSlow,     // past its wall-clock time, or its CPU time
  TooLarge,    // past the address-space limit
  BrokeOff,    // the helper died, or sent what it may not
  NotStarted,  // the helper could not be started or never said it was ready
  Cancelled,   // the caller cancelled it
};

// What the helper may use. The operating system enforces the address space
// and CPU time (renewed by the helper before each request, see serve());
// the program enforces the wall-clock times and kills the helper's process
// group.
struct Limits {
  qint64 addressSpaceBytes = qint64(1) << 30;
  int cpuSeconds = 2;   // for one request
  int startMs = 10000;  // from start until the helper says it is ready
  std::uint32_t maxReplyBytes = 1 << 20;
};

// Exit status of a helper that ran out of memory.
inline constexpr int kExitTooLarge = 3;

// AddressSanitizer reserves terabytes of address space: under it the
// address space is not limited.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSpaceLimited = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSpaceLimited = false;
#else
inline constexpr bool kAddressSpaceLimited = true;
#endif
#else
inline constexpr bool kAddressSpaceLimited = true;
#endif

// A helper program started on demand under limits, answering one request
// at a time over framed pipes. Requests wait in order; a helper that dies or
// breaks a limit fails the request it was on, and the next request starts a
// fresh one. Destroying the object ends the helper at once.
class Process : public QObject {
  Q_OBJECT

 public:
  Process(QString program, QStringList arguments, Limits limits, QObject* parent = nullptr);
  ~Process() override;

  // Queues a request with `wallMs` to answer from the moment it is sent;
  // returns its id. Its answer or failure comes later, never from within.
  std::uint32_t send(std::uint16_t kind, const QByteArray& payload, int wallMs);
  // Fails the request with Cancelled: waiting, it is dropped; under way, the
  // helper is killed.
  void cancel(std::uint32_t id);
  // Ends the helper at once; waiting requests stay for the next one.
  void stop();
  // Kills a helper whose answer could not be trusted; the next request
  // starts a fresh one.
  void discard() { killFor(Failure::BrokeOff, {}); }
  const Limits& limits() const { return limits_; }
  // The running helper's process id, or 0.
  qint64 helperPid() const;
  bool idle() const { return !current_ && queue_.empty(); }
  // The request the helper is on, or 0.
  std::uint32_t underWay() const { return current_ ? current_->id : 0; }

 signals:
  void replied(std::uint32_t id, std::uint16_t kind, const QByteArray& payload);
  void progressed(std::uint32_t id, const QByteArray& payload);
  void failed(std::uint32_t id, sorane::sandbox::Failure why, const QString& detail);

 private:
  struct Request {
    std::uint32_t id = 0;
    std::uint16_t kind = 0;
    QByteArray payload;
    int wallMs = 0;
  };
  void pump();
  void startHelper();
  void onOutput();
  void onFinished(int exitCode, QProcess::ExitStatus status);
  void onStartFailed();
  // Kills the helper's process group and fails the request under way.
  void killFor(Failure why, const QString& detail);
  // The helper is gone: before it was ready, every waiting request fails;
  // after, the one under way, and the next starts a fresh helper.
  void ended(bool wasReady, Failure why, const QString& detail);
  void finishCurrent();

  QString program_;
  QStringList arguments_;
  Limits limits_;
  QProcess* helper_ = nullptr;
  bool ready_ = false;
  FrameReader reader_{0};
  QTimer timer_;  // the start, then each request's wall-clock time
  std::deque<Request> queue_;
  std::optional<Request> current_;
  std::uint32_t nextId_ = 1;
};

// Sends SIGKILL to the process group `pid` leads, or to `pid` alone when
// it has none yet.
void killGroup(qint64 pid);

}  // namespace sorane::sandbox
