#include "sandbox_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <utility>

namespace sorane::sandbox {

void killGroup(qint64 pid) {
  if (pid <= 0) return;
  if (::kill(static_cast<pid_t>(-pid), SIGKILL) != 0) ::kill(static_cast<pid_t>(pid), SIGKILL);
}

Process::Process(QString program, QStringList arguments, Limits limits, QObject* parent)
    : QObject(parent),
      program_(std::move(program)),
      arguments_(std::move(arguments)),
      limits_(limits),
      reader_(limits.maxReplyBytes) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, [this] {
    if (!ready_)
      killFor(Failure::NotStarted,
              QStringLiteral("%1 ミリ秒で準備ができませんでした").arg(limits_.startMs));
    else
      killFor(Failure::TooSlow, {});
  });
}

Process::~Process() {
  blockSignals(true);
  stop();
  // Helpers killed earlier and not yet reaped.
  for (QProcess* old : findChildren<QProcess*>(Qt::FindDirectChildrenOnly)) {
    old->disconnect();
    killGroup(old->processId());
    old->waitForFinished(1000);
    delete old;
  }
}

std::uint32_t Process::send(std::uint16_t kind, const QByteArray& payload, int wallMs) {
  const std::uint32_t id = nextId_++;
  if (nextId_ == 0) nextId_ = 1;
  queue_.push_back({id, kind, payload, wallMs});
  QMetaObject::invokeMethod(this, &Process::pump, Qt::QueuedConnection);
  return id;
}

void Process::cancel(std::uint32_t id) {
  if (current_ && current_->id == id) {
    killFor(Failure::Cancelled, {});
    return;
  }
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if (it->id != id) continue;
    queue_.erase(it);
    emit failed(id, Failure::Cancelled, {});
    return;
  }
}

void Process::stop() {
  timer_.stop();
  if (helper_) {
    QProcess* helper = std::exchange(helper_, nullptr);
    helper->disconnect(this);
    killGroup(helper->processId());
    helper->waitForFinished(1000);
    delete helper;
  }
  ready_ = false;
  if (current_) {
    const std::uint32_t id = current_->id;
    current_.reset();
    emit failed(id, Failure::Cancelled, {});
  }
}

qint64 Process::helperPid() const {
  return helper_ ? helper_->processId() : 0;
}

void Process::pump() {
  if (current_ || queue_.empty()) return;
  if (!helper_) {
    startHelper();
    return;
  }
  if (!ready_) return;
  current_ = std::move(queue_.front());
  queue_.pop_front();
  helper_->write(encodeFrame({current_->kind, current_->id, current_->payload}));
  timer_.start(current_->wallMs);
}

void Process::startHelper() {
  reader_ = FrameReader(limits_.maxReplyBytes);
  ready_ = false;
  helper_ = new QProcess(this);
  helper_->setProgram(program_);
  helper_->setArguments(arguments_);
  // Its messages go where the program's own go; the frames come on stdout.
  helper_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const Limits l = limits_;
  helper_->setChildProcessModifier([l] {
    // Between fork and exec: async-signal-safe calls only.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    if (kAddressSpaceLimited) {
      const auto as = static_cast<rlim_t>(l.addressSpaceBytes);
      rlimit space{as, as};
      ::setrlimit(RLIMIT_AS, &space);
    }
    // The helper raises the soft limit by cpuSeconds before each request.
    rlimit cpu{};
    ::getrlimit(RLIMIT_CPU, &cpu);
    cpu.rlim_cur = static_cast<rlim_t>(l.cpuSeconds);
    ::setrlimit(RLIMIT_CPU, &cpu);
  });
  connect(helper_, &QProcess::readyReadStandardOutput, this, &Process::onOutput);
  connect(helper_, &QProcess::finished, this, &Process::onFinished);
  connect(helper_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) onStartFailed();
  });
  timer_.start(limits_.startMs);
  helper_->start();
}

void Process::onOutput() {
  QProcess* helper = helper_;
  if (!helper) return;
  reader_.append(helper->readAllStandardOutput());
  while (helper_ == helper) {
    std::optional<Frame> f = reader_.next();
    if (!f) break;
    if (f->kind == kHelloKind) {
      PayloadReader r(f->payload);
      const std::uint32_t version = r.u32();
      if (ready_ || !r.done() || version != kProtocolVersion) {
        killFor(Failure::BrokeOff, QStringLiteral("版 %1 の準備の知らせは読めません").arg(version));
        return;
      }
      ready_ = true;
      timer_.stop();
      pump();
      continue;
    }
    if (!current_ || f->id != current_->id) {
      killFor(Failure::BrokeOff, QStringLiteral("頼んでいない答え(%1 番)が来ました").arg(f->id));
      return;
    }
    if (f->kind == kProgressKind) {
      emit progressed(f->id, f->payload);
      continue;
    }
    timer_.stop();
    current_.reset();
    emit replied(f->id, f->kind, f->payload);
    if (helper_ == helper) pump();
  }
  if (helper_ == helper && reader_.broken()) killFor(Failure::BrokeOff, reader_.error());
}

void Process::onFinished(int exitCode, QProcess::ExitStatus status) {
  QProcess* helper = std::exchange(helper_, nullptr);
  if (!helper) return;
  helper->deleteLater();
  timer_.stop();
  const bool wasReady = std::exchange(ready_, false);
  Failure why = Failure::BrokeOff;
  QString detail;
  if (status == QProcess::NormalExit && exitCode == kExitTooLarge) {
    why = Failure::TooLarge;
  } else if (status == QProcess::CrashExit && exitCode == SIGXCPU) {
    why = Failure::TooSlow;
  } else if (status == QProcess::CrashExit) {
    detail = QStringLiteral("シグナル %1(%2)")
                 .arg(exitCode)
                 .arg(QString::fromLocal8Bit(strsignal(exitCode)));
  } else {
    detail = QStringLiteral("終了コード %1").arg(exitCode);
  }
  ended(wasReady, wasReady ? why : Failure::NotStarted, detail);
}

void Process::onStartFailed() {
  QProcess* helper = std::exchange(helper_, nullptr);
  if (!helper) return;
  const QString detail = helper->errorString();
  helper->deleteLater();
  timer_.stop();
  ready_ = false;
  ended(false, Failure::NotStarted, detail);
}

void Process::ended(bool wasReady, Failure why, const QString& detail) {
  if (!wasReady) {
    // It never got going: starting it again would fail again.
    std::deque<Request> waiting = std::exchange(queue_, {});
    for (const Request& r : waiting) emit failed(r.id, why, detail);
    return;
  }
  if (current_) {
    const std::uint32_t id = current_->id;
    current_.reset();
    emit failed(id, why, detail);
  }
  pump();
}

void Process::killFor(Failure why, const QString& detail) {
  QProcess* helper = std::exchange(helper_, nullptr);
  timer_.stop();
  const bool wasReady = std::exchange(ready_, false);
  if (helper) {
    helper->disconnect(this);
    connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
    killGroup(helper->processId());
    if (helper->state() == QProcess::NotRunning) helper->deleteLater();
  }
  ended(wasReady, why, detail);
}

}  // namespace sorane::sandbox
