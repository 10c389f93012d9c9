#pragma once

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>

#include "companion.h"
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

// The ticket drawn through the companion, on paper sized as the panel sizes it
// (and keeps it at the screen's `scale`).
inline QImage drawTicket(const QString& path, const QString& stop, std::int16_t ticket,
                         std::int16_t company = 0, std::int32_t route = 12, std::int16_t index = 3,
                         int scale = 1) {
  PlgInfo info;
  const int w = companion().VK4_GetPlgInfo(path, info) ? px(info(2)) : 220;
  const int h = info(3) ? px(info(3)) : 93;
  QImage image(w * scale, h * scale, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter dc(&image);
  QString name = stop;
  companion().VK4_DrawSeiriken(path, dc, name, QStringLiteral("03-15-2025"),
                               QStringLiteral("08:05:30"), route, ticket, index, company);
  return image;
}

}  // namespace sorane::test
