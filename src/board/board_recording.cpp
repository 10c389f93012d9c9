#include "board_recording.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPainter>
#include <QStandardPaths>
#include <QtMath>
#include <algorithm>
#include <cstdio>

#include "auto_drive.h"
#include "board_view.h"
#include "companion.h"
#include "frame_timing.h"
#include "form1.h"
#include "frm_ctl.h"
#include "mdl_m_tape.h"
#include "program.h"
#include "speech_engine.h"
#include "stop_lamp.h"
#include "stop_request.h"
#include "ui.h"

namespace sorane {
namespace {
const QColor kBackground(16, 16, 16);
// The drive's last words heard, the recording runs this much longer.
constexpr qint64 kDriveTailMs = 1500;
constexpr int kDriveEndCheckMs = 100;
}  // namespace

const QString BoardRecording::kStartItem = QStringLiteral("録画開始...");
const QString BoardRecording::kStopItem = QStringLiteral("録画停止");
const QString BoardRecording::kChooserTitle = QStringLiteral("録画するファイル");
const QString BoardRecording::kSummary =
    QStringLiteral("録画しました: %1 (%2 秒、%3 コマ。符号化が遅れて前のコマを繰り返したもの %4 コマ)");
const QString BoardRecording::kFilter =
    QStringLiteral("MP4動画(*.mp4)") + QChar(0) + QStringLiteral("*.mp4") + QChar(0) + QChar(0);

BoardRecording::BoardRecording(Program& app) : app_(app) {
  driveEnd_.setInterval(kDriveEndCheckMs);
  connect(&driveEnd_, &UiTimer::timeout, this, &BoardRecording::checkDriveEnd);
}

BoardRecording::~BoardRecording() {
  if (recorder_) {
    qApp->removeEventFilter(this);
    tell(recorder_->stop());
  }
}

void BoardRecording::tell(const record::RecordingResult& result) const {
  if (result.error.isEmpty())
    std::fputs(qUtf8Printable(summary(recorder_->path(), result) + u'\n'), stderr);
}

QString BoardRecording::defaultPath(const QDateTime& when) {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  return QDir(folder).filePath(when.toString(QStringLiteral("'ソラネ-'yyyyMMdd-HHmmss'.mp4'")));
}

void BoardRecording::toggle() {
  if (isRecording()) {
    stop();
    return;
  }
  if (!audio_) return;
  const QString path = companion().Vk3FileDlg(&app_.form1(), Companion::kFileDlgSave, kFilter,
                                              defaultPath(ui().now()), kChooserTitle);
  if (!path.isEmpty()) start(path);
}

QString BoardRecording::summary(const QString& path, const record::RecordingResult& result) {
  return kSummary.arg(path)
      .arg(static_cast<double>(result.frames) / record::kFramesPerSecond, 0, 'f', 1)
      .arg(result.frames)
      .arg(result.repeatedFrames);
}

// Even sides, as the video's, so the writer takes each picture as it is.
QSize BoardRecording::pictureSize() const {
  const qreal dpr = app_.boardView().window().devicePixelRatioF();
  return record::evenSize(QSize(qCeil(area_.width() * dpr), qCeil(area_.height() * dpr)));
}

QRect BoardRecording::currentArea() const {
  QRect area = app_.boardView().window().geometry();
  const StopLamp& lamp = app_.stopLamp();
  if (lamp.isVisible()) area |= lamp.geometry();
  return area;
}

bool BoardRecording::start(const QString& path, record::RecordingOptions::Pace pace) {
  if (!audio_ || isRecording()) return false;
  result_ = {};
  area_ = currentArea();
  record::RecordingOptions options;
  options.path = path;
  options.size = pictureSize();
  options.background = kBackground;
  options.pace = pace;
  recorder_ = std::make_unique<record::Recorder>(options, *audio_, [this] { return picture(); });
  if (const QString error = recorder_->error(); !error.isEmpty()) {
    result_ = recorder_->stop();
    recorder_.reset();
    ui().message(error, QString(), MsgButtons::Ok, MsgIcon::Exclamation, &app_.form1());
    return false;
  }
  connect(recorder_.get(), &record::Recorder::failed, this, [this](const QString& message) {
    ui().message(message, QString(), MsgButtons::Ok, MsgIcon::Exclamation, &app_.form1());
    finish(true);
  });
  driveRan_ = app_.ctl().autoDrive().state() == AutoDrive::State::Running;
  connect(&app_.ctl().autoDrive(), &AutoDrive::stateChanged, this,
          &BoardRecording::driveStateChanged, Qt::UniqueConnection);
  qApp->installEventFilter(this);
  connect(&app_.boardView(), &BoardView::changed, recorder_.get(), &record::Recorder::markChanged);
  app_.stopLamp().setRecording(true);
  emit recordingChanged(true);
  return true;
}

record::RecordingResult BoardRecording::stop() {
  if (!recorder_) return result_;
  qApp->removeEventFilter(this);
  driveEnd_.stop();
  const record::RecordingResult result = result_ = recorder_->stop();
  tell(result);
  // Possibly called from the recorder's own signal.
  recorder_.release()->deleteLater();
  app_.stopLamp().setRecording(false);
  emit recordingChanged(false);
  return result;
}

void BoardRecording::finish(bool byItself) {
  const record::RecordingResult result = stop();
  if (byItself) emit stoppedByItself(result);
}

void BoardRecording::driveStateChanged() {
  const AutoDrive::State state = app_.ctl().autoDrive().state();
  if (state == AutoDrive::State::Running) {
    driveRan_ = true;
    driveEnd_.stop();
  } else if (state == AutoDrive::State::Off && driveRan_ && stopAfterDrive_ && recorder_) {
    silentSinceMs_ = -1;
    driveEnd_.start();
  }
}

void BoardRecording::checkDriveEnd() {
  frmCtl& ctl = app_.ctl();
  SpeechEngine* voice = ctl.tape().tapeVoice();
  const bool speaking = (voice && voice->status() == 1) || ctl.stopRequest().phraseWaiting();
  const qint64 now = ui().now().toMSecsSinceEpoch();
  if (speaking) {
    silentSinceMs_ = -1;
  } else if (silentSinceMs_ < 0) {
    silentSinceMs_ = now;
  } else if (now - silentSinceMs_ >= kDriveTailMs) {
    finish(true);
  }
}

QImage BoardRecording::picture() {
  const QWidget& board = app_.boardView().window();
  const qreal dpr = board.devicePixelRatioF();
  const QSize size = pictureSize();
  // Drawn over each time: a recording at Full HD would otherwise take and
  // give back 10 MB at each change.
  if (picture_.size() != size) picture_ = QImage(size, QImage::Format_RGB32);
  QImage& out = picture_;
  out.setDevicePixelRatio(dpr);
  out.fill(kBackground);
  drawing_ = true;
  {
    QPainter p(&out);
    p.drawImage(board.pos() - area_.topLeft(), app_.boardPicture());
    const StopLamp& lamp = app_.stopLamp();
    if (lamp.isVisible()) {
      p.translate(lamp.pos() - area_.topLeft());
      lamp.draw(p, false);
    }
  }
  drawing_ = false;
  return out;
}

bool BoardRecording::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Paint:
    case QEvent::Move:
    case QEvent::Show:
    case QEvent::Hide:
      break;
    default:
      return false;
  }
  if (drawing_ || !recorder_ || !watched->isWidgetType()) return false;
  // The board tells its own paints (BoardView::changed); its window's
  // place and the lamp's drawing are watched here.
  const QWidget* widget = static_cast<QWidget*>(watched);
  const QWidget* window = widget->window();
  if (window == &app_.stopLamp() ||
      (widget == &app_.boardView().window() && event->type() != QEvent::Paint))
    recorder_->markChanged();
  return false;
}

}  // namespace sorane
