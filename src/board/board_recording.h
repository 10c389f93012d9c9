#pragma once

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QRect>
#include <memory>
#include <vector>

#include "recorder.h"
#include "ui_timer.h"

namespace sorane {

class AudioEngine;
class Program;

// Recording the board: the board as shown at the view scale and the
// stop-request lamp while it is shown, as they stand relative to each other
// on a dark background, with the audio engine's mix. Owned by the program;
// the board's menu (「録画開始...」 / 「録画停止」), the key V and
// `318 --record` start and stop it.
class BoardRecording : public QObject {
  Q_OBJECT
 public:
  static const QString kStartItem;  // 「録画開始...」
  static const QString kStopItem;   // 「録画停止」
  static const QString kChooserTitle;
  static const QString kFilter;
  static const QString kSummary;

  explicit BoardRecording(Program& app);
  ~BoardRecording() override;

  // The mix to record; without it nothing can be recorded.
  void setAudio(AudioEngine* audio) { audio_ = audio; }
  bool canRecord() const { return audio_ != nullptr; }
  bool isRecording() const { return recorder_ && recorder_->isRecording(); }
  record::Recorder* recorder() { return recorder_.get(); }

  // The menu's entry and the key: asks for a file and starts, or stops.
  void toggle();
  // Starts recording into `path`. When the file cannot be written the
  // message is shown and it returns false.
  bool start(const QString& path,
             record::RecordingOptions::Pace pace = record::RecordingOptions::Pace::Live);
  // Completes the file; a failure while writing is shown once.
  record::RecordingResult stop();
  // What the last recording came to.
  const record::RecordingResult& lastResult() const { return result_; }
  // Stops by itself once the automatic drive has ended and its last words
  // have been heard.
  void setStopAfterDrive(bool on) { stopAfterDrive_ = on; }

  // The picture recorded now, and the place it covers in window
  // coordinates (fixed while recording).
  QImage picture();
  QRect area() const { return area_; }

  // `ソラネ-YYYYMMDD-HHMMSS.mp4` in the user's videos folder, else home.
  static QString defaultPath(const QDateTime& when);
  // The line told on stderr when a recording is complete: its length, and
  // the frames that repeat the one before because the encoder was behind.
  static QString summary(const QString& path, const record::RecordingResult& result);

 signals:
  void recordingChanged(bool recording);
  // The recording stopped by itself: the drive ended, or the file failed.
  void stoppedByItself(const record::RecordingResult& result);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QRect currentArea() const;
  QSize pictureSize() const;
  void driveStateChanged();
  void checkDriveEnd();
  void finish(bool byItself);
  // The summary on stderr, for a complete file.
  void tell(const record::RecordingResult& result) const;

  Program& app_;
  AudioEngine* audio_ = nullptr;
  std::unique_ptr<record::Recorder> recorder_;
  QRect area_;
  // Drawn over for each picture: the writer takes what changed at once.
  QImage picture_;
  bool drawing_ = false;
  bool stopAfterDrive_ = false;
  bool driveRan_ = false;
  UiTimer driveEnd_;
  record::RecordingResult result_;
  qint64 silentSinceMs_ = -1;
};

}  // namespace sorane
