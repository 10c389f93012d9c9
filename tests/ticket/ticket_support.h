#pragma once

#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include "companion.h"
#include "ticket_host.h"
#include "twips.h"

namespace sorane::test {

inline QString demoPlugin(const char* name) {
  return QStringLiteral(SORANE_DEMO_DIR "/") + QLatin1String(name);
}

inline QString writeFile(const QDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
  return path;
}

// A plug-in around `body`: the header, a 40 x 20 mm ticket, the body, "end".
inline QByteArray plugin(const QByteArray& body) {
  return "sorane-ticket 1\nsize w=40 h=20\n" + body + "end\n";
}

// The ticket drawn by the ticket host in this process, as the helper draws
// it, on paper sized as the panel sizes it (and keeps it at the screen's
// `scale`); grey when the plug-in is not usable.
inline QImage drawTicket(const QString& path, const QString& stop, std::int16_t ticket,
                         std::int16_t company = 0, std::int32_t route = 12, std::int16_t index = 3,
                         int scale = 1) {
  PlgInfo info;
  const int w = companion().VK4_GetPlgInfo(path, info) ? px(info(2)) : 220;
  const int h = info(3) ? px(info(3)) : 93;
  ticket::DrawOrder order{path, QSize(w * scale, h * scale), {}};
  order.values = {
      stop,   QStringLiteral("03-15-2025"), QStringLiteral("08:05:30"), route, ticket, index,
      company};
  const ticket::DrawReply reply = ticket::drawOrder(order);
  if (reply.drawn) return reply.image;
  QImage grey(order.pixels, QImage::Format_RGB32);
  grey.fill(Qt::gray);
  return grey;
}

}  // namespace sorane::test
