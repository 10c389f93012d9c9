#include "ticket_pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace sorane::ticket {
namespace {

// An SVG may only refer inside itself: "#id" or inline "data:" pictures.
bool svgIsSelfContained(const QByteArray& svg, QString& error) {
  QXmlStreamReader xml(svg);
  bool root = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isDTD() && !xml.entityDeclarations().isEmpty()) {
      error = QStringLiteral("SVG に実体宣言(<!ENTITY>)は使えません");
      return false;
    }
    if (!xml.isStartElement()) continue;
    if (!root && xml.name() != QLatin1String("svg")) {
      error = QStringLiteral("SVG ではありません");
      return false;
    }
    root = true;
    for (const QXmlStreamAttribute& a : xml.attributes()) {
      const QStringView v = a.value().trimmed();
      if (a.name() == QLatin1String("href") && !v.startsWith(u'#') &&
          !v.startsWith(QLatin1String("data:"))) {
        error = QStringLiteral("SVG が外のファイル「%1」を参照しています").arg(v.left(60));
        return false;
      }
    }
  }
  if (xml.hasError() || !root) {
    error = QStringLiteral("SVG として読めません(%1)").arg(xml.errorString());
    return false;
  }
  return true;
}

}  // namespace

FileStamp FileStamp::of(const QString& path) {
  const QFileInfo fi(path);
  if (!fi.exists()) return {path, -1, {}};
  return {path, fi.size(), fi.lastModified()};
}

Picture::Picture(QImage png, FileStamp stamp) : png_(std::move(png)), stamp_(std::move(stamp)) {}

Picture::Picture(QByteArray svg, FileStamp stamp) : svg_(std::move(svg)), stamp_(std::move(stamp)) {
  QSvgRenderer r(svg_);
  svgSize_ = r.defaultSize();
}

QSize Picture::naturalSize() const {
  return isSvg() ? svgSize_ : png_.size();
}

QImage Picture::at(QSize size) const {
  std::lock_guard lock(mutex_);
  if (cached_.size() == size) return cached_;
  if (size.isEmpty()) return {};
  if (isSvg()) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer r(svg_);
    QPainter p(&image);
    r.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
    cached_ = image;
  } else {
    cached_ = png_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return cached_;
}

bool readCapped(const QString& path, qint64 cap, QByteArray& bytes, QString& error) {
  const QFileInfo fi(path);
  if (!fi.exists()) {
    error = QStringLiteral("ファイルがありません");
    return false;
  }
  if (!fi.isFile()) {
    error = QStringLiteral("普通のファイルではありません");
    return false;
  }
  if (fi.size() > cap) {
    error = QStringLiteral("ファイルが %1 バイトを超えています").arg(cap);
    return false;
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    error = QStringLiteral("ファイルを開けません(%1)").arg(f.errorString());
    return false;
  }
  bytes = f.read(cap + 1);
  if (bytes.size() > cap) {
    error = QStringLiteral("ファイルが %1 バイトを超えています").arg(cap);
    return false;
  }
  return true;
}

Pictures loadPictures(const Description& d, const QString& folder, std::vector<Problem>& problems) {
  Pictures pictures;
  const QString root = QFileInfo(folder).canonicalFilePath();
  for (const Item& item : d.items) {
    if (item.kind != ItemKind::Picture || pictures.count(item.file)) continue;
    auto fail = [&](const QString& why) {
      problems.push_back({item.filePos, QStringLiteral("絵「%1」: %2").arg(item.file, why)});
    };
    const QFileInfo fi(QDir(folder).filePath(item.file));
    const QString path = fi.canonicalFilePath();
    if (root.isEmpty() || !fi.exists()) {
      fail(QStringLiteral("ファイルがありません"));
      continue;
    }
    if (!path.startsWith(root + u'/')) {
      fail(QStringLiteral("プラグインのフォルダーの外を指しています"));
      continue;
    }
    QByteArray bytes;
    QString error;
    if (!readCapped(path, kMaxPictureBytes, bytes, error)) {
      fail(error);
      continue;
    }
    const FileStamp stamp = FileStamp::of(path);
    if (item.file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
      if (!svgIsSelfContained(bytes, error)) {
        fail(error);
        continue;
      }
      auto picture = std::make_shared<const Picture>(bytes, stamp);
      if (picture->naturalSize().isEmpty()) {
        fail(QStringLiteral("SVG の大きさ(width と height か viewBox)を読めません"));
        continue;
      }
      pictures[item.file] = picture;
    } else {
      QBuffer buffer(&bytes);
      QImageReader reader(&buffer, "png");
      const QSize s = reader.size();
      if (s.isEmpty() || !reader.canRead()) {
        fail(QStringLiteral("PNG として読めません"));
        continue;
      }
      if (s.width() > kMaxPictureSide || s.height() > kMaxPictureSide) {
        fail(QStringLiteral("%1×%2 ピクセルは大きすぎます(%3×%3 まで)")
                 .arg(s.width())
                 .arg(s.height())
                 .arg(kMaxPictureSide));
        continue;
      }
      QImage image = reader.read();
      if (image.isNull()) {
        fail(QStringLiteral("PNG として読めません(%1)").arg(reader.errorString()));
        continue;
      }
      pictures[item.file] = std::make_shared<const Picture>(
          image.convertToFormat(QImage::Format_ARGB32_Premultiplied), stamp);
    }
  }
  return pictures;
}

}  // namespace sorane::ticket
