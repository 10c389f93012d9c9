#include "ticket_pictures.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <optional>

namespace sorane::ticket {
namespace {

// Pictures kept at the sizes drawn, for all sizes together.
constexpr qint64 kMaxCachedPixels = 16 * 1024 * 1024;

// The size of the picture Qt decodes from `bytes`, read from its header:
// as `format` ("png"), or as the format Qt finds, which must be PNG or JPEG.
std::optional<QSize> pictureSize(const QByteArray& bytes, const char* format, QString& error) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  const QByteArray found = reader.format();
  const QSize s = reader.size();
  if (format ? !reader.canRead() : found != "png" && found != "jpeg") {
    error = format ? QStringLiteral("PNG として読めません")
                   : QStringLiteral("PNG か JPEG として読めません");
    return std::nullopt;
  }
  if (s.isEmpty()) {
    error = QStringLiteral("絵の大きさを読めません");
    return std::nullopt;
  }
  if (s.width() > kMaxPictureSide || s.height() > kMaxPictureSide) {
    error = QStringLiteral("%1×%2 ピクセルは大きすぎます(%3×%3 まで)")
                .arg(s.width())
                .arg(s.height())
                .arg(kMaxPictureSide);
    return std::nullopt;
  }
  // A 0xFF in coded data is followed by 0x00, so each FF DA starts a scan.
  if (found == "jpeg" && bytes.count("\xFF\xDA") > kMaxJpegScans) {
    error = QStringLiteral("JPEG のスキャンが %1 回を超えています").arg(kMaxJpegScans);
    return std::nullopt;
  }
  return s;
}

struct SvgFacts {
  qint64 pixels = 0;   // of the pictures inside it
  int elements = 0;    // a use counts the elements it draws
  bool sized = false;  // the root gives width and height, or a viewBox
};

// A length's number, its unit dropped: "58mm" -> 58.
double leadingNumber(QStringView v) {
  qsizetype n = 0;
  while (n < v.size() && (v[n].isDigit() || v[n] == u'.' || v[n] == u'-' || v[n] == u'+')) ++n;
  return v.first(n).toDouble();
}

// Whether the root element says how large it is, as Qt SVG reads it.
bool rootSized(const QXmlStreamAttributes& a) {
  if (leadingNumber(a.value(QLatin1String("width"))) > 0 &&
      leadingNumber(a.value(QLatin1String("height"))) > 0)
    return true;
  const QStringList box =
      a.value(QLatin1String("viewBox"))
          .toString()
          .split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
  return box.size() == 4 && box[2].toDouble() > 0 && box[3].toDouble() > 0;
}

// An SVG may only refer inside itself ("#id") or to PNG and JPEG pictures it
// carries ("data:"), decoded as Qt SVG decodes them. Qt SVG would follow
// processing instructions such as <?xml-stylesheet href=...?>, so those are
// refused, and DTDs with them.
// With `decode`, the pictures inside are decoded too, as drawing will.
std::optional<SvgFacts> checkSvg(const QByteArray& svg, bool decode, QString& error) {
  struct Node {
    qsizetype parent = -1;
    QString use;  // the id a use draws
    int size = 1;
    bool hasUse = false;
  };
  std::vector<Node> nodes;
  std::vector<qsizetype> open;
  QHash<QString, qsizetype> ids;
  SvgFacts facts;
  QXmlStreamReader xml(svg);
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::DTD) {
      error = QStringLiteral("SVG に DTD(<!DOCTYPE …>)は使えません");
      return std::nullopt;
    }
    if (token == QXmlStreamReader::ProcessingInstruction) {
      error = QStringLiteral("SVG に処理命令(<?%1 …?>)は使えません")
                  .arg(xml.processingInstructionTarget().left(30));
      return std::nullopt;
    }
    if (token == QXmlStreamReader::EndElement) open.pop_back();
    if (token != QXmlStreamReader::StartElement) continue;
    if (nodes.empty() && xml.name() != QLatin1String("svg")) {
      error = QStringLiteral("SVG ではありません");
      return std::nullopt;
    }
    if (static_cast<int>(open.size()) >= kMaxSvgDepth) {
      error = QStringLiteral("SVG の入れ子が深すぎます(%1 段まで)").arg(kMaxSvgDepth);
      return std::nullopt;
    }
    if (static_cast<int>(nodes.size()) == kMaxSvgElements) {
      error = QStringLiteral("SVG の要素が多すぎます(%1 個まで)").arg(kMaxSvgElements);
      return std::nullopt;
    }
    if (nodes.empty()) facts.sized = rootSized(xml.attributes());
    Node node;
    node.parent = open.empty() ? -1 : open.back();
    const bool image = xml.name() == QLatin1String("image");
    for (const QXmlStreamAttribute& a : xml.attributes()) {
      // An id given twice cannot be drawn by a use (below).
      if (a.name() == QLatin1String("id")) {
        const QString id = a.value().toString();
        ids.insert(id, ids.contains(id) ? -1 : static_cast<qsizetype>(nodes.size()));
      }
      if (a.name() != QLatin1String("href")) continue;
      const QStringView v = a.value().trimmed();
      if (v.startsWith(QLatin1String("data:"))) {
        // Qt SVG decodes what follows the last "base64,", whatever comes before.
        qsizetype start = 0;
        for (QLatin1String type :
             {QLatin1String("data:image/png;base64,"), QLatin1String("data:image/jpeg;base64,")})
          if (v.startsWith(type)) start = type.size();
        if (start == 0 || v.count(u"base64,") != 1) {
          error = QStringLiteral(
              "SVG の中の絵は data:image/png;base64, か "
              "data:image/jpeg;base64, で書きます");
          return std::nullopt;
        }
        const QByteArray bytes = QByteArray::fromBase64(v.mid(start).toLatin1());
        QString why;
        const std::optional<QSize> s = pictureSize(bytes, nullptr, why);
        if (!s) {
          error = QStringLiteral("SVG の中の絵: %1").arg(why);
          return std::nullopt;
        }
        // Qt SVG decodes them all as it reads the SVG: counted before that.
        facts.pixels += static_cast<qint64>(s->width()) * s->height();
        if (facts.pixels > kMaxPicturePixels) {
          error = QStringLiteral("SVG の中の絵のピクセルが合わせて %1 を超えています")
                      .arg(kMaxPicturePixels);
          return std::nullopt;
        }
        // Qt SVG would draw one it cannot decode blank.
        if (decode && QImage::fromData(bytes).isNull()) {
          error = QStringLiteral("SVG の %1 行目の絵を読めません").arg(xml.lineNumber());
          return std::nullopt;
        }
      } else if (v.startsWith(u'#') && !image) {
        if (xml.name() == QLatin1String("use")) node.use = v.mid(1).toString();
      } else {
        error = QStringLiteral("SVG が外のファイル「%1」を参照しています").arg(v.left(60));
        return std::nullopt;
      }
    }
    open.push_back(static_cast<qsizetype>(nodes.size()));
    nodes.push_back(node);
  }
  if (xml.hasError() || nodes.empty()) {
    error = QStringLiteral("SVG として読めません(%1)").arg(xml.errorString());
    return std::nullopt;
  }
  // Children follow their parent: sizes add up from the last element back.
  for (std::size_t i = nodes.size(); i-- > 1;) {
    Node& n = nodes[i];
    n.hasUse = n.hasUse || !n.use.isEmpty();
    nodes[static_cast<std::size_t>(n.parent)].size += n.size;
    nodes[static_cast<std::size_t>(n.parent)].hasUse |= n.hasUse;
  }
  qint64 elements = nodes[0].size;
  for (const Node& n : nodes) {
    const auto target = ids.constFind(n.use);
    if (n.use.isEmpty() || target == ids.constEnd()) continue;
    if (*target < 0) {
      error = QStringLiteral("SVG の use が指す id「%1」が2つあります").arg(n.use.left(40));
      return std::nullopt;
    }
    const Node& t = nodes[static_cast<std::size_t>(*target)];
    if (t.hasUse) {
      error =
          QStringLiteral("SVG の use が、use を含む要素「%1」を指しています").arg(n.use.left(40));
      return std::nullopt;
    }
    elements += t.size;
  }
  if (elements > kMaxSvgElements) {
    error =
        QStringLiteral("SVG の要素が多すぎます(use の先も数えて %1 個まで)").arg(kMaxSvgElements);
    return std::nullopt;
  }
  facts.elements = static_cast<int>(elements);
  return facts;
}

}  // namespace

FileStamp FileStamp::of(const QString& path) {
  const QFileInfo fi(path);
  if (!fi.exists()) return {path, -1, {}};
  return {path, fi.size(), fi.lastModified()};
}

Picture::Picture(QImage png, FileStamp stamp)
    : png_(std::move(png)),
      pixels_(static_cast<qint64>(png_.width()) * png_.height()),
      stamp_(std::move(stamp)) {}

Picture::Picture(const QByteArray& svg, qint64 pixels, int elements, FileStamp stamp)
    : svg_(std::make_unique<QSvgRenderer>(svg)),
      svgSize_(svg_->defaultSize()),
      pixels_(pixels),
      elements_(elements),
      stamp_(std::move(stamp)) {}

Picture::~Picture() = default;

QSize Picture::naturalSize() const {
  return isSvg() ? svgSize_ : png_.size();
}

QImage Picture::at(QSize size) const {
  std::lock_guard lock(mutex_);
  if (size.isEmpty()) return {};
  const std::pair key(size.width(), size.height());
  if (const auto found = cached_.find(key); found != cached_.end()) return found->second;
  QImage image;
  if (isSvg()) {
    image = QImage(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    svg_->render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
  } else {
    image = png_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  const qint64 pixels = static_cast<qint64>(size.width()) * size.height();
  if (cachedPixels_ + pixels > kMaxCachedPixels) {
    cached_.clear();
    cachedPixels_ = 0;
  }
  if (pixels <= kMaxCachedPixels) {
    cached_.emplace(key, image);
    cachedPixels_ += pixels;
  }
  return image;
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

Pictures loadPictures(const Description& d, const QString& folder, std::vector<Problem>& problems,
                      bool decode) {
  Pictures pictures;
  struct Counted {
    qint64 pixels = 0;
    int elements = 0;
  };
  std::map<QString, Counted> counted;
  const QString root = QFileInfo(folder).canonicalFilePath();
  qint64 pixels = 0;
  qint64 elements = 0;
  double elementArea = 0;
  for (const Item& item : d.items) {
    if (item.kind != ItemKind::Picture) continue;
    auto fail = [&](const QString& why) {
      problems.push_back({item.filePos, QStringLiteral("絵「%1」: %2").arg(item.file, why)});
    };
    if (!counted.count(item.file)) {
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
      const QString noSize = QStringLiteral("SVG の大きさ(width と height か viewBox)を読めません");
      if (item.file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        const std::optional<SvgFacts> facts = checkSvg(bytes, decode, error);
        if (!facts) {
          fail(error);
          continue;
        }
        if (!facts->sized) {
          fail(noSize);
          continue;
        }
        if (decode) {
          auto picture =
              std::make_shared<const Picture>(bytes, facts->pixels, facts->elements, stamp);
          if (picture->naturalSize().isEmpty()) {
            fail(noSize);
            continue;
          }
          pictures[item.file] = picture;
        }
        counted[item.file] = {facts->pixels, facts->elements};
      } else {
        const std::optional<QSize> size = pictureSize(bytes, "png", error);
        if (!size) {
          fail(error);
          continue;
        }
        if (decode) {
          QBuffer buffer(&bytes);
          QImageReader reader(&buffer, "png");
          QImage image = reader.read();
          if (image.isNull()) {
            fail(QStringLiteral("PNG として読めません(%1)").arg(reader.errorString()));
            continue;
          }
          pictures[item.file] = std::make_shared<const Picture>(
              image.convertToFormat(QImage::Format_ARGB32_Premultiplied), stamp);
        }
        counted[item.file] = {qint64(size->width()) * size->height(), 0};
      }
    }
    // Each item draws its picture: the sums count every item.
    const Counted& c = counted[item.file];
    pixels += c.pixels;
    elements += c.elements;
    elementArea += c.elements * item.box.width() * item.box.height();
    if (pixels > kMaxPicturePixels) {
      fail(QStringLiteral("描く絵のピクセルが合わせて %1 を超えています").arg(kMaxPicturePixels));
      return pictures;
    }
    if (elements > kMaxSvgElements) {
      fail(QStringLiteral("描く SVG の要素が合わせて %1 個を超えています").arg(kMaxSvgElements));
      return pictures;
    }
    if (elementArea > static_cast<double>(kMaxSvgElementArea)) {
      fail(QStringLiteral("描く SVG の要素の数と面積(mm²)の積が合わせて %1 を超えています")
               .arg(kMaxSvgElementArea));
      return pictures;
    }
  }
  return pictures;
}

}  // namespace sorane::ticket
