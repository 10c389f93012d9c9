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

namespace sorane::ticket {

inline constexpr qint64 kMaxPictureBytes = 1024 * 1024;
inline constexpr int kMaxPictureSide = 2048;

// A file's identity for the caches: its path, size and modification time.
struct FileStamp {
  QString path;
  qint64 size = -1;
  QDateTime modified;
  static FileStamp of(const QString& path);
  bool current() const { return *this == of(path); }
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A picture read from the plug-in's folder: a PNG image or an SVG source.
class Picture {
 public:
  Picture(QImage png, FileStamp stamp);
  Picture(QByteArray svg, FileStamp stamp);
  bool isSvg() const { return !svg_.isEmpty(); }
  const FileStamp& stamp() const { return stamp_; }
  // Natural size in pixels (the SVG's own size).
  QSize naturalSize() const;
  // The picture at `size` pixels; the last size is kept.
  QImage at(QSize size) const;

 private:
  QImage png_;
  QByteArray svg_;
  QSize svgSize_;
  FileStamp stamp_;
  mutable std::mutex mutex_;
  mutable QImage cached_;
};

using Pictures = std::map<QString, std::shared_ptr<const Picture>>;

// Reads the pictures the description names from `folder` and nowhere else:
// the canonical path must lie inside the canonical folder, so links that
// lead out are refused. Problems point at each item's file name.
Pictures loadPictures(const Description& d, const QString& folder, std::vector<Problem>& problems);

// Reads at most `cap` bytes of a regular file, checking its size first.
// False with `error` set when the file is missing, not a file or too big.
bool readCapped(const QString& path, qint64 cap, QByteArray& bytes, QString& error);

}  // namespace sorane::ticket
