#include "speech_adjust_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <cmath>

namespace sorane {
namespace {

QSlider* makeSlider(int min, int max, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(min, max);
  slider->setMinimumWidth(200);
  return slider;
}

QWidget* row(QSlider* slider, QLabel* label, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(slider, 1);
  label->setMinimumWidth(60);
  layout->addWidget(label);
  return box;
}

}  // namespace

SpeechAdjustDialog::SpeechAdjustDialog(QWidget* owner, const QString& title,
                                       const VoiceSettings& settings)
    : QDialog(owner),
      // Speed in hundredths, pitch in semitones, volume in dB.
      speed_(makeSlider(50, 200, this)),
      pitch_(makeSlider(-12, 12, this)),
      volume_(makeSlider(-20, 10, this)),
      speedLabel_(new QLabel(this)),
      pitchLabel_(new QLabel(this)),
      volumeLabel_(new QLabel(this)) {
  setWindowTitle(title);
  setModal(true);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("話す速さ"), row(speed_, speedLabel_, this));
  form->addRow(QStringLiteral("声の高さ"), row(pitch_, pitchLabel_, this));
  form->addRow(QStringLiteral("音量"), row(volume_, volumeLabel_, this));

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  QPushButton* reset =
      buttons->addButton(QStringLiteral("標準に戻す"), QDialogButtonBox::ResetRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(reset, &QPushButton::clicked, this, [this] { setSettings(VoiceSettings{}); });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  for (QSlider* s : {speed_, pitch_, volume_})
    connect(s, &QSlider::valueChanged, this, &SpeechAdjustDialog::updateLabels);
  setSettings(settings);
}

VoiceSettings SpeechAdjustDialog::settings() const {
  return VoiceSettings{speed_->value() / 100.0, static_cast<double>(pitch_->value()),
                       static_cast<double>(volume_->value())};
}

void SpeechAdjustDialog::setSettings(const VoiceSettings& settings) {
  const VoiceSettings s = settings.clamped();
  speed_->setValue(static_cast<int>(std::lround(s.speed * 100)));
  pitch_->setValue(static_cast<int>(std::lround(s.pitch)));
  volume_->setValue(static_cast<int>(std::lround(s.volume)));
  updateLabels();
}

void SpeechAdjustDialog::updateLabels() {
  speedLabel_->setText(QStringLiteral("%1 倍").arg(speed_->value() / 100.0, 0, 'f', 2));
  pitchLabel_->setText(
      QStringLiteral("%1%2").arg(pitch_->value() > 0 ? "+" : "").arg(pitch_->value()));
  volumeLabel_->setText(
      QStringLiteral("%1%2 dB").arg(volume_->value() > 0 ? "+" : "").arg(volume_->value()));
}

}  // namespace sorane
