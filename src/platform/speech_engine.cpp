#include "speech_engine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

#include "audio_engine.h"
#include "english_speech.h"
#include "speech_adjust_dialog.h"

namespace sorane {
namespace {

constexpr int kSynthesisTimeoutMs = 30000;
// Quieter than this (about -50 dB) is silence.
constexpr float kHeard = 0.003f;
// Prepares run on at most two workers, so a text to speak always finds one free.
constexpr int kWorkers = 3;
constexpr int kPrepareWorkers = 2;
constexpr int kSpeakPriority = 10;
constexpr int kPreparePriority = 0;

std::size_t bytesOf(const SoundPtr& sound) {
  return sound->samples.size() * sizeof(float);
}

template <class T>
bool eraseFrom(std::deque<T>& queue, const T& value) {
  const auto it = std::find(queue.begin(), queue.end(), value);
  if (it == queue.end()) return false;
  queue.erase(it);
  return true;
}

}  // namespace

const QString OpenJTalkSpeech::kVoiceAlias = QStringLiteral("speech");

VoiceSettings VoiceSettings::clamped() const {
  return VoiceSettings{std::clamp(speed, 0.5, 2.0), std::clamp(pitch, -12.0, 12.0),
                       std::clamp(volume, -20.0, 10.0)};
}

VoiceSettings VoiceSettings::forLanguage(SpeechLanguage language) const {
  VoiceSettings s = clamped();
  if (language == SpeechLanguage::English) s.pitch = 0;
  return s;
}

VoiceSettings VoiceSettings::load(const QString& file) {
  const QSettings ini(file, QSettings::IniFormat);
  VoiceSettings s;
  s.speed = ini.value(QStringLiteral("voice/speed"), s.speed).toDouble();
  s.pitch = ini.value(QStringLiteral("voice/pitch"), s.pitch).toDouble();
  s.volume = ini.value(QStringLiteral("voice/volume"), s.volume).toDouble();
  return s.clamped();
}

void VoiceSettings::save(const QString& file) const {
  QDir().mkpath(QFileInfo(file).absolutePath());
  QSettings ini(file, QSettings::IniFormat);
  ini.setValue(QStringLiteral("voice/speed"), speed);
  ini.setValue(QStringLiteral("voice/pitch"), pitch);
  ini.setValue(QStringLiteral("voice/volume"), volume);
  ini.sync();
}

OpenJTalkSetup OpenJTalkSetup::system() {
  return OpenJTalkSetup{
      QStandardPaths::findExecutable(QStringLiteral("open_jtalk")),
      QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic"),
      QStringLiteral("/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice")};
}

bool OpenJTalkSetup::usable() const {
  const QFileInfo bin(binary);
  return !binary.isEmpty() && bin.isFile() && bin.isExecutable() &&
         QFileInfo(QDir(dictionary).filePath(QStringLiteral("sys.dic"))).isFile() &&
         QFileInfo(voice).isFile();
}

QStringList OpenJTalkSetup::arguments(const VoiceSettings& settings) const {
  const VoiceSettings s = settings.clamped();
  return {QStringLiteral("-x"),  dictionary,
          QStringLiteral("-m"),  voice,
          QStringLiteral("-r"),  QString::number(s.speed, 'f', 2),
          QStringLiteral("-fm"), QString::number(s.pitch, 'f', 1),
          QStringLiteral("-g"),  QString::number(s.volume, 'f', 1),
          QStringLiteral("-ow"), QStringLiteral("/dev/stdout")};
}

QString speakableText(const QString& text) {
  QString line = text;
  for (QChar& c : line)
    if (c == u'\r' || c == u'\n' || c == u'\t' || c == u'\0') c = u' ';
  return line.trimmed();
}

SoundPtr synthesizeSpeech(const OpenJTalkSetup& setup, const VoiceSettings& settings,
                          const QString& text, int rate) {
  const QString line = speakableText(text);
  // Open JTalk turns an empty text into noise.
  if (line.isEmpty()) return nullptr;
  QProcess process;
  process.setProgram(setup.binary);
  process.setArguments(setup.arguments(settings));
  process.setProcessChannelMode(QProcess::SeparateChannels);
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start();
  if (!process.waitForStarted(kSynthesisTimeoutMs)) return nullptr;
  process.write(line.toUtf8() + '\n');
  process.closeWriteChannel();
  if (!process.waitForFinished(kSynthesisTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    return nullptr;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return nullptr;
  SoundPtr sound = decodeSoundBytes(process.readAllStandardOutput(), rate);
  if (!sound || sound->frames() == 0) return nullptr;
  return withShortTail(sound);
}

SoundPtr withShortTail(const SoundPtr& sound) {
  qint64 last = sound->frames() - 1;
  while (last >= 0 && std::abs(sound->samples[static_cast<std::size_t>(2 * last)]) < kHeard &&
         std::abs(sound->samples[static_cast<std::size_t>(2 * last + 1)]) < kHeard)
    --last;
  const qint64 keep = std::min(sound->frames(), last + 1 + qint64{sound->rate} * kTailMs / 1000);
  if (keep >= sound->frames()) return sound;
  auto out = std::make_shared<Sound>();
  out->rate = sound->rate;
  out->samples.assign(sound->samples.begin(),
                      sound->samples.begin() + static_cast<std::ptrdiff_t>(2 * keep));
  return out;
}

QString OpenJTalkSpeech::defaultSettingsFile() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
      .filePath(QStringLiteral("speech.ini"));
}

std::unique_ptr<OpenJTalkSpeech> OpenJTalkSpeech::create(AudioEngine& audio, OpenJTalkSetup setup,
                                                         QString settingsFile,
                                                         EnglishSynthesizer* english) {
  if (!setup.usable()) return nullptr;
  return std::unique_ptr<OpenJTalkSpeech>(
      new OpenJTalkSpeech(audio, std::move(setup), std::move(settingsFile), english));
}

bool OpenJTalkSpeech::Key::operator<(const Key& other) const {
  return std::tie(language, text, voice.speed, voice.pitch, voice.volume) <
         std::tie(other.language, other.text, other.voice.speed, other.voice.pitch,
                  other.voice.volume);
}

OpenJTalkSpeech::OpenJTalkSpeech(AudioEngine& audio, OpenJTalkSetup setup, QString settingsFile,
                                 EnglishSynthesizer* english)
    : audio_(audio),
      setup_(std::move(setup)),
      settingsFile_(std::move(settingsFile)),
      settings_(VoiceSettings::load(settingsFile_)),
      english_(english) {
  qRegisterMetaType<sorane::SoundPtr>("sorane::SoundPtr");
  pool_.setMaxThreadCount(kWorkers);
  connect(this, &OpenJTalkSpeech::synthesized, this, &OpenJTalkSpeech::onSynthesized,
          Qt::QueuedConnection);
  engines().push_back(this);
}

std::vector<OpenJTalkSpeech*>& OpenJTalkSpeech::engines() {
  static std::vector<OpenJTalkSpeech*> all;
  return all;
}

bool OpenJTalkSpeech::waitForAllIdle(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  for (std::size_t i = 0; i < engines().size(); ++i)
    if (!engines()[i]->waitForIdle(static_cast<int>(deadline.remainingTime()))) return false;
  return true;
}

OpenJTalkSpeech::~OpenJTalkSpeech() {
  std::erase(engines(), this);
  if (english_) english_->cancel(this);
  pool_.clear();
  pool_.waitForDone();
  audio_.close(kVoiceAlias);
}

void OpenJTalkSpeech::startSynthesis(const Key& key, bool background) {
  cache_[key].state = State::Running;
  const quint64 job = nextJob_++;
  if (key.language == SpeechLanguage::English) {
    // One thread of its own, with speaks before prepares.
    jobs_[job] = Job{key, background, false};
    english_->request(this, key.text, key.voice, audio_.rate(), !background,
                      [this, job](SoundPtr sound) { emit synthesized(job, std::move(sound)); });
    return;
  }
  jobs_[job] = Job{key, background, background};
  if (background) ++preparing_;
  pool_.start(
      [this, job, setup = setup_, key, rate = audio_.rate()] {
        emit synthesized(job, synthesizeSpeech(setup, key.voice, key.text, rate));
      },
      background ? kPreparePriority : kSpeakPriority);
}

std::optional<OpenJTalkSpeech::Key> OpenJTalkSpeech::keyOf(const SpeechLine& line) const {
  if (line.language == SpeechLanguage::English && !english_) return std::nullopt;
  const QString text = speakableText(line.text);
  if (text.isEmpty()) return std::nullopt;
  return Key{text, settings_.forLanguage(line.language), line.language};
}

bool OpenJTalkSpeech::speaks(SpeechLanguage language) const {
  return language == SpeechLanguage::Japanese || english_;
}

void OpenJTalkSpeech::speak(const std::vector<SpeechLine>& lines) {
  std::deque<Key> keys;
  for (const SpeechLine& line : lines)
    if (const std::optional<Key> key = keyOf(line)) keys.push_back(*key);
  if (keys.empty()) return;
  failed_ = false;
  say(std::move(keys), false);
}

// Every line is made at once, ahead of any prepare; each plays as soon as
// it and those before it are ready. The first replaces what plays, unless
// `handed` says that lines of this speak already play.
void OpenJTalkSpeech::say(std::deque<Key> keys, bool handed) {
  wanted_ = std::move(keys);
  handedAny_ = handed;
  for (const Key& key : wanted_) {
    touch(key);
    Entry& entry = cache_[key];
    entry.spoken = ++speaks_;
    if (entry.state == State::Waiting) {
      unqueue(key);
      startSynthesis(key, false);
    }
  }
  advance();
}

void OpenJTalkSpeech::advance() {
  while (!wanted_.empty()) {
    const Key key = wanted_.front();
    Entry& entry = cache_[key];
    if (entry.state == State::Waiting) {  // dropped meanwhile
      touch(key);
      startSynthesis(key, false);
    }
    if (entry.state != State::Ready) return;
    wanted_.pop_front();
    if (handedAny_) {
      audio_.queue(kVoiceAlias, entry.sound);
    } else {
      playNow(entry.sound);
      handedAny_ = true;
    }
  }
}

void OpenJTalkSpeech::prepare(const SpeechLine& line) {
  const std::optional<Key> found = keyOf(line);
  if (!found) return;
  const Key& key = *found;
  touch(key);
  if (!cache_.count(key)) {
    cache_.emplace(key, Entry{});
    asked_.push_back(key);
  } else if (eraseFrom(remakes_, key)) {
    asked_.push_back(key);
  }
  dispatch(false);
}

// Starts waiting prepares while a prepare worker is free: asked ones first,
// then remakes after a voice change. Remakes start only from the event loop,
// so prepares asked right after a voice change go ahead of them.
void OpenJTalkSpeech::dispatch(bool remakes) {
  // English has a thread of its own, which takes its prepares in turn.
  for (std::deque<Key>* queue : {&asked_, remakes ? &remakes_ : nullptr}) {
    if (!queue) continue;
    for (auto it = queue->begin(); it != queue->end();) {
      if (it->language != SpeechLanguage::English) {
        ++it;
        continue;
      }
      const Key key = *it;
      it = queue->erase(it);
      startSynthesis(key, true);
    }
  }
  while (preparing_ < kPrepareWorkers) {
    std::deque<Key>& queue = !asked_.empty() || !remakes ? asked_ : remakes_;
    if (queue.empty()) return;
    const Key key = queue.front();
    queue.pop_front();
    startSynthesis(key, true);
  }
}

bool OpenJTalkSpeech::unqueue(const Key& key) {
  return eraseFrom(asked_, key) || eraseFrom(remakes_, key);
}

void OpenJTalkSpeech::forget(const Key& key) {
  const auto it = cache_.find(key);
  if (it == cache_.end()) return;
  if (it->second.sound) bytes_ -= bytesOf(it->second.sound);
  cache_.erase(it);
  recent_.remove(key);
}

void OpenJTalkSpeech::stop() {
  wanted_.clear();
  failed_ = false;
  audio_.stop(kVoiceAlias);
}

std::int32_t OpenJTalkSpeech::status() {
  if (failed_) return -1;
  return (!wanted_.empty() || audio_.isPlaying(kVoiceAlias)) ? 1 : 0;
}

void OpenJTalkSpeech::adjustDialog(QWidget* owner, const QString& title) {
  SpeechAdjustDialog dialog(owner, title, settings_);
  if (dialog.exec() == QDialog::Accepted) setVoiceSettings(dialog.settings());
}

void OpenJTalkSpeech::setVoiceSettings(const VoiceSettings& settings) {
  const VoiceSettings s = settings.clamped();
  s.save(settingsFile_);
  if (s == settings_) return;
  const VoiceSettings old = std::exchange(settings_, s);
  // What was heard last may well be heard again; the tape asks for its next
  // lines itself.
  auto inVoice = [](Key key, const VoiceSettings& voice) {
    key.voice = voice.forLanguage(key.language);
    return key;
  };
  std::vector<std::pair<quint64, Key>> heard;
  for (const auto& [key, entry] : cache_)
    if (key.voice == old.forLanguage(key.language) && entry.spoken)
      heard.emplace_back(entry.spoken, key);
  const std::size_t count = std::min(heard.size(), kRemadeTexts);
  std::partial_sort(heard.begin(), heard.begin() + count, heard.end(),
                    [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<Key> texts;  // most recent first, in the new voice
  for (std::size_t i = 0; i < count; ++i) texts.push_back(inVoice(heard[i].second, s));
  // Prepares not started yet were asked in the old voice.
  for (const std::deque<Key>* queue : {&asked_, &remakes_})
    for (const Key& key : *queue) forget(key);
  asked_.clear();
  remakes_.clear();
  for (auto key = texts.rbegin(); key != texts.rend(); ++key) touch(*key);
  for (const Key& key : texts) {
    if (!cache_.count(key)) {
      cache_.emplace(key, Entry{});
      remakes_.push_back(key);
    }
  }
  // Lines still being made in the old voice are made again in the new one.
  if (!wanted_.empty()) {
    std::deque<Key> keys;
    for (const Key& key : wanted_) keys.push_back(inVoice(key, s));
    say(std::move(keys), handedAny_);
  }
  QTimer::singleShot(0, this, [this] { dispatch(true); });
}

bool OpenJTalkSpeech::isCached(const QString& text) const {
  return isCached(text, settings_);
}

bool OpenJTalkSpeech::isCached(const QString& text, const VoiceSettings& settings) const {
  const auto it = cache_.find(Key{speakableText(text), settings.clamped()});
  return it != cache_.end() && it->second.state == State::Ready;
}

bool OpenJTalkSpeech::isCached(const SpeechLine& line) const {
  const std::optional<Key> key = keyOf(line);
  if (!key) return false;
  const auto it = cache_.find(*key);
  return it != cache_.end() && it->second.state == State::Ready;
}

std::size_t OpenJTalkSpeech::cachedCount() const {
  return static_cast<std::size_t>(std::count_if(
      cache_.begin(), cache_.end(), [](const auto& e) { return e.second.state == State::Ready; }));
}

void OpenJTalkSpeech::setCacheLimit(std::size_t bytes) {
  limit_ = bytes;
  evict(nullptr);
}

bool OpenJTalkSpeech::waitForIdle(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!jobs_.empty() || !asked_.empty() || !remakes_.empty()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

void OpenJTalkSpeech::onSynthesized(quint64 job, const SoundPtr& sound) {
  const auto done = jobs_.find(job);
  if (done == jobs_.end()) return;
  const Key key = done->second.key;
  if (done->second.counted) --preparing_;
  jobs_.erase(done);
  if (!sound) {
    forget(key);
    // A line that cannot be made is left out; a speak left with nothing
    // to say has failed.
    const auto wanted = std::remove(wanted_.begin(), wanted_.end(), key);
    if (wanted != wanted_.end()) {
      wanted_.erase(wanted, wanted_.end());
      if (wanted_.empty() && !handedAny_) failed_ = true;
    }
  } else {
    Entry& entry = cache_[key];
    entry.state = State::Ready;
    entry.sound = sound;
    bytes_ += bytesOf(sound);
    evict(&key);
  }
  advance();
  dispatch(true);
}

void OpenJTalkSpeech::playNow(const SoundPtr& sound) {
  audio_.load(kVoiceAlias, sound);
  audio_.play(kVoiceAlias);
}

void OpenJTalkSpeech::touch(const Key& key) {
  recent_.remove(key);
  recent_.push_front(key);
}

// Drops the least recently used sounds until the kept samples fit the bound;
// `keep`, just made, stays. A sound playing stays alive in the audio engine.
void OpenJTalkSpeech::evict(const Key* keep) {
  while (bytes_ > limit_) {
    const auto victim = std::find_if(recent_.rbegin(), recent_.rend(), [&](const Key& key) {
      return (!keep || !(key == *keep)) && cache_.at(key).state == State::Ready;
    });
    if (victim == recent_.rend()) return;
    forget(Key(*victim));
  }
}

}  // namespace sorane
