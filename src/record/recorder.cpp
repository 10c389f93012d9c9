#include "recorder.h"

#include <malloc.h>

#include "audio_engine.h"
#include "frame_timing.h"
#include "ui.h"

namespace sorane::record {
namespace {
qint64 clockMs() {
  return ui().now().toMSecsSinceEpoch();
}
}  // namespace

Recorder::Recorder(const RecordingOptions& options, AudioEngine& audio, PictureSource source)
    : options_(options), audio_(audio), source_(std::move(source)) {
  options_.audioRate = audio.rate();
  writer_ = openVideoWriter(options_);
  if (!writer_->error().isEmpty()) {
    stopped_ = true;
    result_.error = writer_->error();
    return;
  }
  writer_->onFailure([this](const QString& message) {
    QMetaObject::invokeMethod(
        this,
        [this, message] {
          if (stopped_) return;
          stop();
          emit failed(message);
        },
        Qt::QueuedConnection);
  });
  startMs_ = clockMs();
  audio_.setTap(writer_.get());
  frame();
  if (options_.pace == RecordingOptions::Pace::Live) {
    // Twice a frame, so a change waits at most half a frame for its turn.
    ticks_.setTimerType(Qt::PreciseTimer);
    ticks_.setInterval(1000 / kFramesPerSecond / 2);
    connect(&ticks_, &QTimer::timeout, this, &Recorder::frame);
    ticks_.start();
  }
}

Recorder::~Recorder() {
  stop();
}

qint64 Recorder::elapsedMs() const {
  return clockMs() - startMs_;
}

void Recorder::markChanged() {
  if (changed_) return;
  changed_ = true;
  changedMs_ = elapsedMs();
}

void Recorder::frame() {
  if (stopped_) return;
  // No device: the silent clock mixes for the tap only when asked.
  audio_.catchUp();
  const qint64 ms = elapsedMs();
  if (ms / 1000 != trimmedSecond_) {
    trimmedSecond_ = ms / 1000;
    malloc_trim(0);
  }
  if (changed_) {
    changed_ = false;
    writer_->waitForRoom();
    QImage picture = source_();
    if (const RowSpan rows = changedRows(picture, last_); !rows.isEmpty()) {
      last_ = picture;
      // Live, the frame comes up to half a frame after the change.
      writer_->addPicture(picture, changedMs_, rows);
      ++pictures_;
      return;
    }
  }
  writer_->advanceTo(ms);
}

RecordingResult Recorder::stop() {
  if (stopped_) return result_;
  stopped_ = true;
  ticks_.stop();
  audio_.catchUp();
  const qint64 ms = elapsedMs();
  audio_.setTap(nullptr);
  result_ = writer_->finish(ms);
  return result_;
}

}  // namespace sorane::record
