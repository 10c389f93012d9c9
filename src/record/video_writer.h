#pragma once

#include <QColor>
#include <QHashFunctions>
#include <QImage>
#include <QSize>
#include <QString>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "audio_engine.h"

namespace sorane::record {

struct RecordingOptions {
  enum class Pace {
    Live,    // the caller runs in real time and never waits; a late encoder repeats frames
    Render,  // the caller waits for the encoder and nothing is repeated
  };
  QString path;
  QSize size;                     // the pictures' size; the video's is rounded up to even
  QColor background{16, 16, 16};  // around pictures smaller than the video
  int audioRate = 48000;          // the rate of the mix handed to mixed()
  Pace pace = Pace::Live;
  int threads = 0;  // encoder threads; 0: as many as there are cores
};

// The rows [top, bottom) of a picture that may differ from the picture
// before; by default all of them.
struct RowSpan {
  int top = 0;
  int bottom = std::numeric_limits<int>::max();
  bool isEmpty() const { return bottom <= top; }
  RowSpan united(const RowSpan& other) const {
    return {std::min(top, other.top), std::max(bottom, other.bottom)};
  }
};

// A 64-bit print of each row of the last picture: enough to tell which
// rows of the next one changed without keeping the picture (10 MB at Full
// HD).
class RowPrints {
 public:
  // The rows in which `picture` differs from the picture before: all of
  // them for the first, or for one unlike it in size or format.
  RowSpan update(const QImage& picture) {
    const bool alike = !picture.isNull() && picture.size() == size_ && picture.format() == format_;
    size_ = picture.size();
    format_ = picture.format();
    const auto bytes = static_cast<std::size_t>(picture.bytesPerLine());
    std::vector<std::size_t> prints(static_cast<std::size_t>(std::max(picture.height(), 0)));
    for (std::size_t y = 0; y < prints.size(); ++y)
      prints[y] = qHashBits(picture.constScanLine(static_cast<int>(y)), bytes);
    RowSpan rows{0, picture.height()};
    if (alike) {
      while (rows.top < rows.bottom && prints[rows.top] == prints_[rows.top]) ++rows.top;
      while (rows.bottom > rows.top && prints[rows.bottom - 1] == prints_[rows.bottom - 1])
        --rows.bottom;
    } else {
      rows = {};
    }
    prints_ = std::move(prints);
    return rows;
  }

 private:
  QSize size_;
  QImage::Format format_ = QImage::Format_Invalid;
  std::vector<std::size_t> prints_;
};

// What a recording came to.
struct RecordingResult {
  qint64 frames = 0;
  // Frames that showed an older picture because the encoder was behind.
  qint64 repeatedFrames = 0;
  // Live sound placed on the program's clock: frames of silence or repeats
  // put in, frames of mix left out, frames the mix could not hand over.
  qint64 paddedAudioFrames = 0;
  qint64 skippedAudioFrames = 0;
  qint64 lostAudioFrames = 0;
  QString error;  // the message, empty when the file is complete
};

// What the program asks of a video writer (Mp4Writer). The writer and
// FFmpeg's libraries live in a module the program opens at its first
// recording, so that a start loads none of them.
class VideoWriter : public AudioTap {
 public:
  ~VideoWriter() override = default;
  virtual bool isRecording() const = 0;
  // The message naming the file; empty while all is well.
  virtual QString error() const = 0;
  // `changed`: where it differs from the picture handed over before.
  virtual void addPicture(const QImage& picture, qint64 ms, RowSpan changed = {}) = 0;
  virtual void advanceTo(qint64 ms) = 0;
  // A render waits here until a picture handed over now would not wait:
  // the next one is drawn only then, so no more are alive than needed.
  virtual void waitForRoom() {}
  virtual RecordingResult finish(qint64 ms) = 0;
  // Called once, from the writer's thread, when writing fails.
  virtual void onFailure(std::function<void(const QString&)> handler) = 0;
};

// The writer of the module beside the program; when the module cannot be
// opened, one whose error() says why.
std::unique_ptr<VideoWriter> openVideoWriter(const RecordingOptions& options);

}  // namespace sorane::record
