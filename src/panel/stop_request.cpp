#include "stop_request.h"

#include <QApplication>

#include "mdl_snd_api.h"
#include "sound_decode.h"
#include "speech_engine.h"
#include "ui.h"

namespace sorane {
namespace {
constexpr int kTickMs = 50;
}  // namespace

const QString StopRequest::kPhrase = QStringLiteral("次、止まります。");
const QString StopRequest::kEnglishPhrase = QStringLiteral("The bus will stop at the next stop.");
const QString StopRequest::kChimeAlias = QStringLiteral("S4");

StopRequest::StopRequest(std::function<SpeechEngine*()> voice, std::function<bool()> english,
                         QObject* parent)
    : QObject(parent), voice_(std::move(voice)), english_(std::move(english)) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &UiTimer::timeout, this, &StopRequest::tick);
}

void StopRequest::setChime(const QString& path) {
  chime_ = path;
  chimeMs_.reset();
}

int StopRequest::chimeMs() {
  // Read once, at the first press, not at start.
  if (!chimeMs_) {
    const SoundPtr sound = chime_.isEmpty() ? nullptr : decodeSoundFile(chime_, 8000);
    chimeMs_ = sound ? sound->durationMs() : 0;
  }
  return *chimeMs_;
}

std::vector<SpeechLine> StopRequest::phrase() const {
  std::vector<SpeechLine> lines{SpeechLine{kPhrase}};
  if (english_ && english_()) lines.push_back(SpeechLine{kEnglishPhrase, SpeechLanguage::English});
  return lines;
}

void StopRequest::prepare() {
  if (SpeechEngine* voice = voice_())
    for (const SpeechLine& line : phrase()) voice->prepare(line);
}

void StopRequest::press() {
  if (lit_ || QApplication::activeModalWidget()) return;
  lit_ = true;
  emit litChanged(true);
  mdlSndAPI::PlaySnd(chime_, kChimeAlias, 0, 0);
  if (SpeechEngine* voice = voice_()) {
    for (const SpeechLine& line : phrase()) voice->prepare(line);
    phraseWaiting_ = true;
    phraseDue_ = ui().now().addMSecs(chimeMs());
    timer_.start();
  }
}

void StopRequest::clear() {
  phraseWaiting_ = false;
  timer_.stop();
  if (!lit_) return;
  lit_ = false;
  emit litChanged(false);
}

void StopRequest::tick() {
  if (!phraseWaiting_ || ui().now() < phraseDue_) return;
  SpeechEngine* voice = voice_();
  if (voice && voice->status() == 1) return;  // after the announcement
  phraseWaiting_ = false;
  timer_.stop();
  if (voice) voice->speak(phrase());
}

}  // namespace sorane
