#include "mp4_writer.h"

#include <algorithm>

#include "frame_timing.h"
#include "live_audio_timeline.h"
#include "mp4_encoder.h"

namespace sorane::record {
namespace {

const QString kCannotStart = QStringLiteral("%1: 録画できません(%2)");
const QString kStopped = QStringLiteral("%1: 録画を止めました(%2)。それまでの分は残っています");

// Pictures waiting for the encoder: at most this many (10 MB each at Full
// HD). A render waits for the encoder anyway, so one is enough to keep it
// busy.
int maxQueuedPictures(RecordingOptions::Pace pace) {
  return pace == RecordingOptions::Pace::Render ? 1 : 2;
}
// Render: how far the caller may run ahead of the encoder.
constexpr qint64 kRenderAheadMs = 1000;
// The mix waiting for the encoder: 5.5 s at 48 kHz live (2 MB), where the
// encoder may stall; 2.7 s in a render, which runs at most a second ahead
// of it.
int ringFrames(RecordingOptions::Pace pace) {
  return pace == RecordingOptions::Pace::Render ? 1 << 17 : 1 << 18;
}
constexpr qint64 kAudioChunk = 4096;

}  // namespace

Mp4Writer::Mp4Writer(const RecordingOptions& options) : options_(options), ring_(ringFrames(options.pace)) {
  Mp4Encoder::Settings settings;
  settings.size = options.size;
  settings.background = options.background;
  settings.audioRate = options.audioRate;
  settings.threads = options.threads;
  encoder_ = std::make_unique<Mp4Encoder>(options.path, settings);
  videoSize_ = encoder_->videoSize();
  converter_ = std::make_unique<YuvConverter>(videoSize_, options.background);
  if (!encoder_->ok()) {
    error_ = kCannotStart.arg(options.path, encoder_->reason());
    finished_ = true;
    return;
  }
  if (options.pace == RecordingOptions::Pace::Live)
    timeline_ = std::make_unique<LiveAudioTimeline>(options.audioRate);
  audioScratch_.resize(static_cast<std::size_t>(kAudioChunk) * 2);
  worker_ = std::thread([this] { run(); });
}

Mp4Writer::~Mp4Writer() {
  if (worker_.joinable()) finish(lastMs_);
}

bool Mp4Writer::isRecording() const {
  std::lock_guard lock(mutex_);
  return !finished_ && error_.isEmpty();
}

QString Mp4Writer::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void layOver(std::vector<YuvRows>& bands, YuvRows newer) {
  std::vector<YuvRows> kept;
  kept.reserve(bands.size() + 2);
  for (YuvRows& band : bands) {
    if (band.bottom() <= newer.top || newer.bottom() <= band.top) {
      kept.push_back(std::move(band));
      continue;
    }
    if (band.top < newer.top) kept.push_back(band.cut(band.top, newer.top));
    if (newer.bottom() < band.bottom()) kept.push_back(band.cut(newer.bottom(), band.bottom()));
  }
  kept.push_back(std::move(newer));
  bands = std::move(kept);
}

void Mp4Writer::addPicture(const QImage& picture, qint64 ms, RowSpan changed) {
  // The rows that changed are converted here, and only they wait for the
  // encoder: the caller has its picture back at once to draw the next one
  // in, and a change waits in 1.5 bytes a pixel, not 4.
  std::vector<YuvRows> bands;
  if (converter_) {
    if (std::optional<YuvRows> rows = converter_->convert(picture, changed))
      bands.push_back(std::move(*rows));
  }
  post({Event::Picture, ms, ring_.written(), std::move(bands)});
}

void Mp4Writer::advanceTo(qint64 ms) {
  post({Event::Advance, ms, ring_.written(), {}});
}

void Mp4Writer::mixed(const float* samples, int frames) {
  ring_.push(samples, frames);
}

void Mp4Writer::post(Event event) {
  std::unique_lock lock(mutex_);
  if (finished_ || !error_.isEmpty()) return;
  event.ms = std::max(event.ms, lastMs_);
  if (options_.pace == RecordingOptions::Pace::Render) {
    room_.wait(lock, [&] { return hasRoom(); });
    if (!error_.isEmpty()) return;
  }
  lastMs_ = event.ms;
  if (event.kind == Event::Advance && !queue_.empty() && queue_.back().kind == Event::Advance) {
    queue_.back() = std::move(event);
    return;
  }
  if (event.kind == Event::Picture && queuedPictures_ >= maxQueuedPictures(options_.pace)) {
    // The encoder is behind: the newest waiting picture gives way to this
    // one, and the frames it would have shown repeat the one before.
    auto last = std::find_if(queue_.rbegin(), queue_.rend(),
                             [](const Event& e) { return e.kind == Event::Picture; });
    result_.repeatedFrames += framesBefore(event.ms) - framesBefore(last->ms);
    // Its changes are still to be made, under this one's.
    std::vector<YuvRows> bands = std::move(last->bands);
    for (YuvRows& band : event.bands) layOver(bands, std::move(band));
    event.bands = std::move(bands);
    queue_.erase(std::prev(last.base()), queue_.end());
    --queuedPictures_;
  }
  if (event.kind == Event::Picture) ++queuedPictures_;
  queue_.push_back(std::move(event));
  wake_.notify_one();
}

bool Mp4Writer::hasRoom() const {
  return finished_ || !error_.isEmpty() ||
         (queuedPictures_ < maxQueuedPictures(options_.pace) && lastMs_ - doneMs_ <= kRenderAheadMs);
}

void Mp4Writer::holdEncoder(bool held) {
  {
    std::lock_guard lock(mutex_);
    held_ = held;
  }
  wake_.notify_one();
}

void Mp4Writer::waitForRoom() {
  if (options_.pace != RecordingOptions::Pace::Render) return;
  std::unique_lock lock(mutex_);
  room_.wait(lock, [&] { return hasRoom(); });
}

RecordingResult Mp4Writer::finish(qint64 ms) {
  if (worker_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back({Event::Finish, std::max(ms, lastMs_), ring_.written(), {}});
      finished_ = true;
    }
    wake_.notify_one();
    worker_.join();
  }
  std::lock_guard lock(mutex_);
  RecordingResult result = result_;
  result.frames = framesOut_;
  if (timeline_) {
    result.paddedAudioFrames = timeline_->padded();
    result.skippedAudioFrames = timeline_->skipped();
  }
  result.lostAudioFrames = ring_.dropped();
  result.error = error_;
  return result;
}

void Mp4Writer::run() {
  for (;;) {
    Event event;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return !queue_.empty() && (!held_ || finished_); });
      event = std::move(queue_.front());
      queue_.pop_front();
      if (event.kind == Event::Picture) --queuedPictures_;
    }
    if (encoder_->ok()) process(event);
    if (!encoder_->ok()) {
      encoder_->finish();
      stopOn(encoder_->reason());
    }
    {
      std::lock_guard lock(mutex_);
      doneMs_ = event.ms;
    }
    room_.notify_all();
    if (event.kind == Event::Finish) return;
  }
}

void Mp4Writer::process(const Event& event) {
  if (timeline_) timeline_->mark(event.ms, event.arrived);
  const qint64 due = framesBefore(event.ms);
  while (framesOut_ < due && encoder_->ok()) {
    encoder_->writeFrame();
    ++framesOut_;
    feedAudio(event.ms, false);
  }
  for (const YuvRows& band : event.bands) encoder_->setRows(band);
  feedAudio(event.ms, event.kind == Event::Finish);
  if (event.kind == Event::Finish) encoder_->finish();
}

void Mp4Writer::feedAudio(qint64 ms, bool toTheEnd) {
  // Never more sound than the frames written last.
  qint64 target = audioFramesForVideo(framesOut_, options_.audioRate);
  AudioStep step;
  if (timeline_) {
    if (!toTheEnd) target = std::min(target, timeline_->targetAt(ms));
    step = timeline_->plan(target, ring_.available());
  } else {
    step.take = std::clamp<qint64>(target - audioOut_, 0, ring_.available());
  }
  ring_.skip(step.skip);
  for (qint64 i = 0; i < step.hold; ++i) encoder_->writeAudio(lastFrame_, 1);
  encoder_->writeSilence(step.silence);
  for (qint64 left = step.take; left > 0 && encoder_->ok();) {
    const qint64 n = std::min(left, kAudioChunk);
    ring_.pop(audioScratch_.data(), n);
    encoder_->writeAudio(audioScratch_.data(), n);
    std::copy_n(audioScratch_.data() + (n - 1) * 2, 2, lastFrame_);
    left -= n;
  }
  encoder_->writeSilence(step.underrun);
  audioOut_ += step.hold + step.silence + step.take + step.underrun;
}

void Mp4Writer::stopOn(const QString& reason) {
  QString message;
  std::function<void(const QString&)> handler;
  {
    std::lock_guard lock(mutex_);
    if (!error_.isEmpty()) return;
    handler = onFailure_;
    error_ = message = kStopped.arg(options_.path, reason);
    // What waits is dropped, but not the end.
    std::erase_if(queue_, [](const Event& e) { return e.kind != Event::Finish; });
    queuedPictures_ = 0;
  }
  room_.notify_all();
  emit failed(message);
  if (handler) handler(message);
}

void Mp4Writer::onFailure(std::function<void(const QString&)> handler) {
  std::lock_guard lock(mutex_);
  onFailure_ = std::move(handler);
}

}  // namespace sorane::record
