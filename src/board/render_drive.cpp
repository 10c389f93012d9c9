#include "render_drive.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>

#include "audio_engine.h"
#include "auto_drive.h"
#include "board_recording.h"
#include "board_view.h"
#include "frm_ctl.h"
#include "panel_keys.h"
#include "program.h"
#include "render_clock.h"
#include "sound_services.h"
#include "speech_engine.h"

namespace sorane {
namespace {
constexpr int kAudioRate = 48000;
// Speech being made holds the frame it is due in, at most this long.
constexpr int kSpeechWaitMs = 60000;
// A drive that never ends stops here.
constexpr qint64 kLongestMs = qint64{6} * 3600 * 1000;
const QString kCannotSet = QStringLiteral("系統 %1 を設定できませんでした");

void print(std::FILE* out, const QString& line) {
  if (out) std::fputs((line + u'\n').toUtf8().constData(), out);
}

// The ui is installed for the life of the object, then put back.
class UiScope {
 public:
  explicit UiScope(Ui* ui) : previous_(installUi(ui)) {}
  ~UiScope() { installUi(previous_); }
  UiScope(const UiScope&) = delete;
  UiScope& operator=(const UiScope&) = delete;

 private:
  Ui* previous_;
};
}  // namespace

int renderDrive(const RenderRequest& request, std::FILE* progress) {
  SoundServices sound(fliteEnglish(), AudioEngine::openManual(kAudioRate));
  record::RenderClock clock(sound.audio(), QDateTime::currentDateTime());
  clock.setSettle([] { OpenJTalkSpeech::waitForAllIdle(kSpeechWaitMs); });
  UiScope scope(&clock);

  Program program;
  program.boardView().setUnseen(true);
  program.setEndHandler({});
  program.start();
  if (request.board) program.setBoardStyle(*request.board, false);
  if (request.setUp) request.setUp(program);
  BoardRecording& recording = program.recording();
  recording.setAudio(&sound.audio());
  recording.setStopAfterDrive(true);
  if (!recording.start(request.path, record::RecordingOptions::Pace::Render)) return 1;
  clock.setRecorder(recording.recorder());
  QObject::connect(&recording, &BoardRecording::recordingChanged, &recording, [&clock](bool on) {
    if (!on) clock.setRecorder(nullptr);
  });

  frmCtl& ctl = program.ctl();
  DataIo& io = program.dataIo();
  const int backlight =
      request.backlight.value_or(program.boardView().style() == BoardStyle::Lcd ? 1 : 0);
  ctl.Option4[backlight]->setValue(true);
  ctl.Option4_Click(backlight);
  ctl.autoDrive().setOn(true);
  ctl.Label2[0]->setText(request.route);
  ctl.Label2[2]->setText(QString::number(request.section));
  ctl.keys().runCommand([&ctl] { ctl.Command1_Click(1); });
  if (io.RouteText != request.route || io.storedRows() == 0 ||
      ctl.autoDrive().state() != AutoDrive::State::Running) {
    recording.stop();
    QFile::remove(request.path);
    print(stderr, kCannotSet.arg(request.route));
    return 1;
  }

  QElapsedTimer wall;
  wall.start();
  int shown = -1;
  auto report = [&] {
    const double seconds = clock.clockMs() / 1000.0;
    const double speed = seconds * 1000.0 / std::max<qint64>(wall.elapsed(), 1);
    print(progress, QStringLiteral("停留所 %1 / %2  動画 %3 秒  %4倍速")
                        .arg(io.CurrentIndex + 1)
                        .arg(io.lastRow())
                        .arg(seconds, 0, 'f', 1)
                        .arg(speed, 0, 'f', 1));
  };
  while (recording.isRecording() && clock.clockMs() < kLongestMs) {
    clock.step();
    if (io.CurrentIndex != shown) {
      shown = io.CurrentIndex;
      report();
    }
  }
  recording.stop();
  report();
  return recording.lastResult().error.isEmpty() ? 0 : 1;
}

}  // namespace sorane
