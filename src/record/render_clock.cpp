#include "render_clock.h"

#include <QCoreApplication>
#include <cstdio>

#include "audio_engine.h"
#include "frame_timing.h"
#include "recorder.h"
#include "ui_timer.h"

namespace sorane::record {
namespace {
// The moment of frame k in whole ms: k/30 s rounded down, which the writer
// counts as frame k's own (framesBefore(momentMs(k)) == k).
constexpr qint64 momentMs(qint64 k) {
  return k * 1000 / kFramesPerSecond;
}
}  // namespace

RenderClock::RenderClock(AudioEngine& audio, QDateTime start)
    : audio_(audio), start_(std::move(start)) {}

MsgAnswer RenderClock::message(const QString& text, const QString& title, MsgButtons buttons,
                               MsgIcon, QWidget*) {
  QString line = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
  messages_.push_back(line);
  line = (title.isEmpty() ? appTitle() : title) + QStringLiteral(": ") + line + u'\n';
  std::fputs(line.toUtf8().constData(), stderr);
  return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

void RenderClock::processEvents() {
  QCoreApplication::processEvents();
}

void RenderClock::pause(int ms) {
  if (ms <= 0) return;
  // Held for [now, until): a frame at `until` itself shows what follows.
  const qint64 until = clockMs_ + ms;
  while (momentMs(frames_) < until) step();
  clockMs_ = until;
}

void RenderClock::step() {
  finishFrame();
  const qint64 k = frames_++;
  clockMs_ = std::max(clockMs_, momentMs(k));
  open_ = true;
  UiTimer::fireDue(now().toMSecsSinceEpoch());
  QCoreApplication::processEvents();
  finishFrame();
}

void RenderClock::finishFrame() {
  // A frame whose timers or events paused (a waited sound) is finished by
  // the pause's first step: its picture and sound come before the next.
  if (!open_) return;
  open_ = false;
  if (settle_) settle_();
  // What the moment's events posted (a board's change told once a turn).
  QCoreApplication::processEvents();
  if (recorder_) recorder_->frame();
  audio_.render(static_cast<int>(audioFramesForVideo(1, audio_.rate())));
}

}  // namespace sorane::record
