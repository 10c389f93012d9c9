#include "ticket_helper.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QPointer>

namespace sorane::ticket {
namespace {

sandbox::Limits sandboxLimits(const TicketLimits& t) {
  sandbox::Limits l;
  l.addressSpaceBytes = t.addressSpaceBytes;
  l.cpuSeconds = t.cpuSeconds;
  // Replies are sized per order; this bounds the largest.
  l.maxReplyBytes = maxReplyBytes(QSize(kMaxTicketSide, kMaxTicketPixels / kMaxTicketSide));
  return l;
}

}  // namespace

QString helperProgram() {
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("sorane-ticket"));
}

QString failureText(const DrawResult& result, const TicketLimits& limits) {
  switch (result.failure) {
    case DrawFailure::TooSlow:
      return QStringLiteral("時間がかかりすぎます(%1 秒まで)").arg(limits.drawMs / 1000.0);
    case DrawFailure::TooLarge:
      return QStringLiteral("メモリーを使いすぎます(%1 MiB まで)")
          .arg(limits.addressSpaceBytes >> 20);
    case DrawFailure::BrokeOff:
      return QStringLiteral("描く途中で止まりました");
    case DrawFailure::NotStarted:
      return QStringLiteral("券を描くプログラム sorane-ticket を起動できません");
    case DrawFailure::Refused: {
      if (result.problems.empty()) break;
      const Problem& p = result.problems.front();
      if (p.pos.line <= 0) return p.message;
      return QStringLiteral("%1 行 %2 列: %3").arg(p.pos.line).arg(p.pos.column).arg(p.message);
    }
    case DrawFailure::None:
      break;
  }
  return {};
}

TicketHelper::TicketHelper(TicketLimits limits, const QString& program, QObject* parent)
    : QObject(parent),
      limits_(limits),
      process_(program, {QStringLiteral("serve")}, sandboxLimits(limits)) {
  process_.setParent(this);
  connect(&process_, &sandbox::Process::replied, this, &TicketHelper::onReplied);
  connect(&process_, &sandbox::Process::failed, this, &TicketHelper::onFailed);
}

std::uint32_t TicketHelper::draw(const DrawOrder& order) {
  const std::uint32_t id = process_.send(kDrawKind, encodeOrder(order), limits_.drawMs);
  sizes_[id] = order.pixels;
  return id;
}

DrawResult TicketHelper::drawNow(const DrawOrder& order) {
  std::map<std::uint32_t, DrawResult> done;
  QEventLoop loop;
  const auto connection =
      connect(this, &TicketHelper::finished, &loop, [&](std::uint32_t id, const DrawResult& r) {
        done[id] = r;
        loop.quit();
      });
  const std::uint32_t id = draw(order);
  while (!done.count(id)) loop.exec();
  disconnect(connection);
  return done[id];
}

void TicketHelper::onReplied(std::uint32_t id, std::uint16_t kind, const QByteArray& payload) {
  const auto size = sizes_.find(id);
  if (size == sizes_.end()) return;
  const QSize pixels = size->second;
  sizes_.erase(size);
  std::optional<DrawReply> reply = decodeReply(kind, payload, pixels);
  DrawResult r;
  if (!reply) {
    // The helper said what it may not: it cannot be trusted further.
    process_.discard();
    r.failure = DrawFailure::BrokeOff;
    r.detail = QStringLiteral("答えが読めません");
  } else {
    r.failure = reply->drawn ? DrawFailure::None : DrawFailure::Refused;
    r.image = std::move(reply->image);
    r.problems = std::move(reply->problems);
  }
  emit finished(id, r);
}

void TicketHelper::onFailed(std::uint32_t id, sandbox::Failure why, const QString& detail) {
  if (!sizes_.erase(id)) return;
  DrawResult r;
  r.detail = detail;
  switch (why) {
    case sandbox::Failure::TooSlow:
      r.failure = DrawFailure::TooSlow;
      break;
    case sandbox::Failure::TooLarge:
      r.failure = DrawFailure::TooLarge;
      break;
    case sandbox::Failure::NotStarted:
      r.failure = DrawFailure::NotStarted;
      break;
    case sandbox::Failure::BrokeOff:
    case sandbox::Failure::Cancelled:
      r.failure = DrawFailure::BrokeOff;
      break;
  }
  emit finished(id, r);
}

TicketHelper& runHelper() {
  static QPointer<TicketHelper> helper;
  if (!helper) helper = new TicketHelper({}, helperProgram(), QCoreApplication::instance());
  return *helper;
}

}  // namespace sorane::ticket
