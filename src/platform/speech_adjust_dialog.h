#pragma once

#include <QDialog>

#include "speech_engine.h"

class QLabel;
class QSlider;

namespace sorane {

// The speech engine's voice settings: speaking rate, pitch and volume.
class SpeechAdjustDialog : public QDialog {
  Q_OBJECT
 public:
  SpeechAdjustDialog(QWidget* owner, const QString& title, const VoiceSettings& settings);

  VoiceSettings settings() const;
  void setSettings(const VoiceSettings& settings);

  QSlider* speedSlider() const { return speed_; }
  QSlider* pitchSlider() const { return pitch_; }
  QSlider* volumeSlider() const { return volume_; }

 private:
  void updateLabels();

  QSlider* speed_;
  QSlider* pitch_;
  QSlider* volume_;
  QLabel* speedLabel_;
  QLabel* pitchLabel_;
  QLabel* volumeLabel_;
};

}  // namespace sorane
