#pragma once

#include <QImage>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "video_writer.h"

namespace sorane {
class AudioEngine;
}

namespace sorane::record {

// The picture to record: the board as it shows now.
using PictureSource = std::function<QImage()>;

// A recording of the board and its sound on the Ui clock. The picture
// source is asked for a picture only after markChanged(), and the writer
// gets it only when it differs from the one before; the audio engine's mix
// reaches the writer through its tap. Live, a timer takes the frames; a
// render calls frame() at each frame's moment itself.
class Recorder : public QObject {
  Q_OBJECT
 public:
  // Starts at once; error() says when the file cannot be written.
  Recorder(const RecordingOptions& options, AudioEngine& audio, PictureSource source);
  // Completes the file.
  ~Recorder() override;

  QString path() const { return options_.path; }
  QString error() const { return writer_->error(); }
  bool isRecording() const { return !stopped_ && writer_->isRecording(); }
  // Milliseconds of the Ui clock since the start.
  qint64 elapsedMs() const;
  // Pictures handed to the writer so far.
  qint64 pictures() const { return pictures_; }

  // The board may have changed: the next frame asks for its picture, and
  // places it at the moment of the first change since the frame before.
  void markChanged();
  // The picture, when it changed, and the clock's progress to the writer.
  void frame();
  // Ends the recording and completes the file; later calls return the same.
  RecordingResult stop();

 signals:
  // The file could not be written on: the recording has stopped (emitted
  // once, on this object's thread).
  void failed(const QString& message);

 private:
  RecordingOptions options_;
  AudioEngine& audio_;
  PictureSource source_;
  std::unique_ptr<VideoWriter> writer_;
  QTimer ticks_;
  qint64 startMs_ = 0;
  RowPrints prints_;  // of the last picture handed over
  bool changed_ = true;
  qint64 changedMs_ = 0;
  bool stopped_ = false;
  qint64 pictures_ = 0;
  qint64 trimmedSecond_ = 0;
  RecordingResult result_;
};

}  // namespace sorane::record
