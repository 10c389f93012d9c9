#pragma once

#include <QObject>
#include <QString>
#include <map>

#include "sandbox_process.h"
#include "ticket_protocol.h"

namespace sorane::ticket {

// The limits a ticket is drawn under, in the program and in the tool alike.
struct TicketLimits {
  qint64 addressSpaceBytes = qint64(1) << 30;
  int drawMs = 1000;
  int cpuSeconds = 2;
};

enum class DrawFailure { None, Refused, TooSlow, TooLarge, BrokeOff, NotStarted };

struct DrawResult {
  DrawFailure failure = DrawFailure::None;
  QImage image;                   // when drawn
  std::vector<Problem> problems;  // what was not drawn, or why the file was refused
  QString detail;                 // how the helper ended, when it did
};

// `sorane-ticket`, found beside the running program.
QString helperProgram();

// Why a ticket could not be drawn, as the user reads it: the limit, or the
// file's first problem with its line; empty when it was drawn.
QString failureText(const DrawResult& result, const TicketLimits& limits);

// The ticket helper: `sorane-ticket serve` started on demand under the
// limits, drawing one order at a time. A helper killed for a limit is
// started fresh for the next order.
class TicketHelper : public QObject {
  Q_OBJECT

 public:
  explicit TicketHelper(TicketLimits limits = {}, const QString& program = helperProgram(),
                        QObject* parent = nullptr);
  // Sends an order; `finished` comes with its id.
  std::uint32_t draw(const DrawOrder& order);
  // Sends an order and waits for it in an event loop of its own: for the
  // tools, never on the program's UI thread.
  DrawResult drawNow(const DrawOrder& order);
  const TicketLimits& limits() const { return limits_; }
  sandbox::Process& process() { return process_; }

 signals:
  void finished(std::uint32_t id, const sorane::ticket::DrawResult& result);

 private:
  void onReplied(std::uint32_t id, std::uint16_t kind, const QByteArray& payload);
  void onFailed(std::uint32_t id, sandbox::Failure why, const QString& detail);

  TicketLimits limits_;
  sandbox::Process process_;
  std::map<std::uint32_t, QSize> sizes_;  // of the orders under way
};

// The helper of the run, with the usual limits: made on first use, ended
// with the application.
TicketHelper& runHelper();

}  // namespace sorane::ticket
