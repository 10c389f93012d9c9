#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "ticket_format.h"
#include "ticket_template.h"

namespace sorane::ticket {

// The ticket helper's requests and answers, carried in sandbox frames.
inline constexpr std::uint16_t kDrawKind = 1;     // a DrawOrder
inline constexpr std::uint16_t kDrawnKind = 2;    // the picture and what could not be drawn
inline constexpr std::uint16_t kRefusedKind = 3;  // not a usable plug-in: its problems
inline constexpr std::uint32_t kMaxOrderBytes = 64 * 1024;
// The largest picture a ticket is drawn into.
inline constexpr int kMaxTicketSide = 8192;
inline constexpr qint64 kMaxTicketPixels = qint64(32) << 20;
// Problems an answer carries, each message at most so many bytes.
inline constexpr int kMaxReplyProblems = 64;
inline constexpr std::uint32_t kMaxProblemBytes = 1024;

// What to draw: the plug-in, the picture's size in pixels, the values.
struct DrawOrder {
  QString path;
  QSize pixels;
  FieldValues values;
};

struct DrawReply {
  bool drawn = false;
  QImage image;  // RGB32, when drawn
  std::vector<Problem> problems;
};

bool validTicketSize(QSize pixels);
// Room for the answer to an order for `pixels`.
std::uint32_t maxReplyBytes(QSize pixels);

QByteArray encodeOrder(const DrawOrder& order);
std::optional<DrawOrder> decodeOrder(const QByteArray& payload);

QByteArray encodeReply(const DrawReply& reply);
// The answer to an order for `pixels`: a drawn picture must be exactly that
// size. Nothing for an answer that breaks the rules.
std::optional<DrawReply> decodeReply(std::uint16_t kind, const QByteArray& payload, QSize pixels);

}  // namespace sorane::ticket
