#pragma once

#include <QColor>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio_ring.h"
#include "mp4_encoder.h"
#include "video_writer.h"

namespace sorane::record {

// `newer` laid over `bands`: what it covers is cut out of the older bands,
// so each row waits in one band at most, and never more than a picture's
// worth waits however far the encoder falls behind.
void layOver(std::vector<YuvRows>& bands, YuvRows newer);

// Records the board and its sound into an MP4 file on the program's clock.
// The caller (one thread) hands over a picture whenever the board changed,
// with its time in milliseconds since the recording began, and tells the
// clock's progress meanwhile (advanceTo); frame k shows the last picture at
// or before k/30 s. The audio engine hands over its mix as it makes it
// (AudioTap, on the mixing thread, never waiting). Encoding runs on a
// worker thread.
//
// Live, the sound device's clock is absorbed at the writer: the mix is
// placed by LiveAudioTimeline, which repeats or drops single frames to
// follow the program's clock. Render, the mix is exact: the caller hands
// over each frame's 1600 samples before advancing past the frame.
//
// A file that cannot be written stops the recording: failed() is emitted
// once (from the worker thread; finish() returns the same message), what
// was written stays, nothing throws. Take the writer off the engine's tap
// before it goes.
class Mp4Writer : public QObject, public VideoWriter {
  Q_OBJECT

 public:
  // Opens the file at once: when it cannot be written, error() says so and
  // the writer does nothing more.
  explicit Mp4Writer(const RecordingOptions& options);
  // Finishes the file if finish() was not called.
  ~Mp4Writer() override;

  bool isRecording() const override;
  // The message naming the file; empty while all is well.
  QString error() const override;
  QSize videoSize() const { return videoSize_; }

  // `ms` never goes back.
  void addPicture(const QImage& picture, qint64 ms, RowSpan changed = {}) override;
  void advanceTo(qint64 ms) override;
  void mixed(const float* samples, int frames) override;
  void waitForRoom() override;
  // Holds the worker: what is handed over meanwhile waits, as with an
  // encoder far behind (for tests).
  void holdEncoder(bool held);
  // Ends the recording at `ms` and waits until the file is complete.
  RecordingResult finish(qint64 ms) override;
  void onFailure(std::function<void(const QString&)> handler) override;

 signals:
  void failed(const QString& message);

 private:
  struct Event {
    enum Kind { Picture, Advance, Finish } kind;
    qint64 ms;
    qint64 arrived;
    // The picture's rows that changed, older ones first.
    std::vector<YuvRows> bands;
  };

  void post(Event event);
  // A render may hand over another picture (mutex_ held).
  bool hasRoom() const;
  void run();
  void process(const Event& event);
  void feedAudio(qint64 ms, bool toTheEnd);
  void stopOn(const QString& reason);

  RecordingOptions options_;
  QSize videoSize_;
  std::unique_ptr<Mp4Encoder> encoder_;
  std::unique_ptr<YuvConverter> converter_;  // the caller's
  AudioRing ring_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable room_;
  std::deque<Event> queue_;
  qint64 lastMs_ = 0;
  qint64 doneMs_ = 0;
  int queuedPictures_ = 0;
  QString error_;
  bool finished_ = false;
  bool held_ = false;
  RecordingResult result_;
  std::function<void(const QString&)> onFailure_;

  // The worker's own.
  std::thread worker_;
  qint64 framesOut_ = 0;
  qint64 audioOut_ = 0;
  std::vector<float> audioScratch_;
  float lastFrame_[2] = {0, 0};
  std::unique_ptr<class LiveAudioTimeline> timeline_;
};

}  // namespace sorane::record
