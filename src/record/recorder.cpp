#include "recorder.h"

#include <malloc.h>
#include <sys/prctl.h>

#include "audio_engine.h"
#include "frame_timing.h"
#include "ui.h"

namespace sorane::record {
namespace {
qint64 clockMs() {
  return ui().now().toMSecsSinceEpoch();
}

// A recording takes and gives back pictures of some MB each many times a
// second, on several threads: the heap would keep the holes. Blocks from
// 256 KB up go back to the system when freed. x264 asks for huge pages for
// its frames, each then held whole: 10 MB more at Full HD, for no speed
// the encoder shows here. For the rest of the run.
void holdMemoryTight() {
  static const bool once = [] {
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
    return true;
  }();
  (void)once;
}
}  // namespace

Recorder::Recorder(const RecordingOptions& options, AudioEngine& audio, PictureSource source)
    : options_(options), audio_(audio), source_(std::move(source)) {
  holdMemoryTight();
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
    if (const RowSpan rows = prints_.update(picture); !rows.isEmpty()) {
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
