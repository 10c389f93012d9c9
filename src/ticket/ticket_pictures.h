#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "ticket_format.h"

class QSvgRenderer;

namespace sorane::ticket {

inline constexpr qint64 kMaxPictureBytes = 1024 * 1024;
// Every decoded picture, a file or one inside an SVG.
inline constexpr int kMaxPictureSide = 2048;
// Each picture item counts its picture's pixels (an SVG: those of the pictures
// inside it), its SVG elements, and those times its area in mm², which is
// what drawing the SVG costs; these are the sums over all items. An SVG file
// has at most kMaxSvgElements too.
inline constexpr qint64 kMaxPicturePixels = static_cast<qint64>(kMaxPictureSide) * kMaxPictureSide;
inline constexpr int kMaxSvgElements = 250;
inline constexpr qint64 kMaxSvgElementArea = 10'000;
inline constexpr int kMaxSvgDepth = 32;
// A progressive JPEG costs a pass over the picture for each of its scans.
inline constexpr int kMaxJpegScans = 32;

// A file's identity for the caches: its path, size and modification time.
struct FileStamp {
  QString path;
  qint64 size = -1;
  QDateTime modified;
  static FileStamp of(const QString& path);
  bool current() const { return *this == of(path); }
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A picture read from the plug-in's folder: a PNG image or a checked SVG.
class Picture {
 public:
  Picture(QImage png, FileStamp stamp);
  Picture(const QByteArray& svg, qint64 pixels, int elements, FileStamp stamp);
  ~Picture();
  bool isSvg() const { return svg_ != nullptr; }
  const FileStamp& stamp() const { return stamp_; }
  // Natural size in pixels (the SVG's own size).
  QSize naturalSize() const;
  // Decoded pixels and SVG elements, as the limits count them.
  qint64 pixels() const { return pixels_; }
  int elements() const { return elements_; }
  // The picture at `size` pixels; each size drawn is kept.
  QImage at(QSize size) const;

 private:
  QImage png_;
  std::unique_ptr<QSvgRenderer> svg_;
  QSize svgSize_;
  qint64 pixels_ = 0;
  int elements_ = 0;
  FileStamp stamp_;
  mutable std::mutex mutex_;
  mutable std::map<std::pair<int, int>, QImage> cached_;
  mutable qint64 cachedPixels_ = 0;
};

using Pictures = std::map<QString, std::shared_ptr<const Picture>>;

// Reads the pictures the description names from `folder` and nowhere else:
// the canonical path must lie inside the canonical folder, so links that
// lead out are refused. Problems point at each item's file name. Without
// `decode` only what the files say of themselves is checked (their headers,
// the SVG's elements) and nothing is returned: no picture is decoded.
Pictures loadPictures(const Description& d, const QString& folder, std::vector<Problem>& problems,
                      bool decode);

// Reads at most `cap` bytes of a regular file, checking its size first.
// False with `error` set when the file is missing, not a file or too big.
bool readCapped(const QString& path, qint64 cap, QByteArray& bytes, QString& error);

}  // namespace sorane::ticket
