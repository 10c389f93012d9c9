#include "english_speech.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <memory>

#ifdef SORANE_HAVE_FLITE
extern "C" {
#include <flite/flite.h>
cst_voice* register_cmu_us_slt(const char* voxdir);
}
#endif

namespace sorane {

const char* const kNoEnglishNotice =
    "318: 英語の音声合成(Flite)が使えません。英語の放送はせずに動きます。\n";

SerialSynthesizer::SerialSynthesizer(Synthesize synthesize, std::function<bool()> start)
    : synthesize_(std::move(synthesize)) {
  std::promise<bool> started;
  std::future<bool> result = started.get_future();
  thread_ = std::thread([this, start = std::move(start), &started] {
    const bool ok = !start || start();
    started.set_value(ok);
    if (ok) run();
  });
  ready_ = result.get();
}

SerialSynthesizer::~SerialSynthesizer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  thread_.join();
}

void SerialSynthesizer::request(const void* owner, const QString& text,
                                const VoiceSettings& settings, int rate, bool urgent, Done done) {
  if (!ready_) {
    done(nullptr);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    Request r{owner, text, settings, rate, urgent, std::move(done)};
    // Urgent ones go after the urgent ones already waiting.
    auto at = queue_.end();
    if (urgent)
      at = std::find_if(queue_.begin(), queue_.end(), [](const Request& q) { return !q.urgent; });
    queue_.insert(at, std::move(r));
  }
  wake_.notify_one();
}

void SerialSynthesizer::cancel(const void* owner) {
  std::unique_lock lock(mutex_);
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [owner](const Request& r) { return r.owner == owner; }),
               queue_.end());
  finished_.wait(lock, [this, owner] { return running_ != owner; });
}

void SerialSynthesizer::run() {
  for (;;) {
    Request r;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      r = std::move(queue_.front());
      queue_.pop_front();
      running_ = r.owner;
    }
    r.done(synthesize_(r.text, r.settings, r.rate));
    {
      std::lock_guard lock(mutex_);
      running_ = nullptr;
    }
    finished_.notify_all();
  }
}

QString englishSpeakableText(const QString& text) {
  QString out;
  for (const QChar c : speakableText(text).normalized(QString::NormalizationForm_KD)) {
    if (c.category() == QChar::Mark_NonSpacing) continue;
    out += c.unicode() < 0x80 && c.isPrint() ? c : QChar(u' ');
  }
  return out.simplified();
}

#ifdef SORANE_HAVE_FLITE
namespace {

cst_voice* sltVoice = nullptr;
// A sample at 1% of full scale or more is heard.
constexpr int kAudible = 328;

bool startFlite() {
  flite_init();
  sltVoice = register_cmu_us_slt(nullptr);
  return sltVoice != nullptr;
}

SoundPtr fliteSpeech(const QString& text, const VoiceSettings& settings, int rate) {
  const QString line = englishSpeakableText(text);
  if (line.isEmpty() || !sltVoice) return nullptr;
  const VoiceSettings s = settings.clamped();
  feat_set_float(sltVoice->features, "duration_stretch", static_cast<float>(1.0 / s.speed));
  cst_wave* wave = flite_text_to_wave(line.toLatin1().constData(), sltVoice);
  if (!wave) return nullptr;
  std::unique_ptr<cst_wave, void (*)(cst_wave*)> owned(wave, delete_wave);
  if (wave->num_samples <= 0 || wave->num_channels <= 0 || wave->sample_rate <= 0) return nullptr;
  // Flite starts with a fifth of a second of silence; after the Japanese,
  // which ends in silence of its own, a tenth is enough.
  const std::size_t total =
      static_cast<std::size_t>(wave->num_samples) * static_cast<std::size_t>(wave->num_channels);
  std::size_t first = 0;
  while (first < total && std::abs(wave->samples[first]) < kAudible) ++first;
  const std::size_t lead = static_cast<std::size_t>(wave->sample_rate / 10 * wave->num_channels);
  const std::size_t from =
      first > lead ? (first - lead) / wave->num_channels * wave->num_channels : 0;
  const float gain = static_cast<float>(std::pow(10.0, s.volume / 20.0)) / 32768.0f;
  std::vector<float> samples(total - from);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = wave->samples[from + i] * gain;
  return toOutputSound(samples, wave->num_channels, wave->sample_rate, rate);
}

}  // namespace
#endif

EnglishSynthesizer* fliteEnglish() {
#ifdef SORANE_HAVE_FLITE
  static SerialSynthesizer flite(&fliteSpeech, &startFlite);
  return flite.ready() ? &flite : nullptr;
#else
  return nullptr;
#endif
}

}  // namespace sorane
