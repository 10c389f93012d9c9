#include "speech_engine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>

#include "audio_engine.h"
#include "speech_adjust_dialog.h"

namespace sorane {
namespace {

constexpr int kSynthesisTimeoutMs = 30000;
// Speech waits behind at most two pre-syntheses, so it never queues behind them.
constexpr int kWorkers = 3;
constexpr int kSpeakPriority = 10;
constexpr int kPreparePriority = 0;

}  // namespace

const QString OpenJTalkSpeech::kVoiceAlias = QStringLiteral("speech");

VoiceSettings VoiceSettings::clamped() const {
  return VoiceSettings{std::clamp(speed, 0.5, 2.0), std::clamp(pitch, -12.0, 12.0),
                       std::clamp(volume, -20.0, 10.0)};
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
  return sound;
}

QString OpenJTalkSpeech::defaultSettingsFile() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
      .filePath(QStringLiteral("speech.ini"));
}

std::unique_ptr<OpenJTalkSpeech> OpenJTalkSpeech::create(AudioEngine& audio, OpenJTalkSetup setup,
                                                         QString settingsFile) {
  if (!setup.usable()) return nullptr;
  return std::unique_ptr<OpenJTalkSpeech>(
      new OpenJTalkSpeech(audio, std::move(setup), std::move(settingsFile)));
}

OpenJTalkSpeech::OpenJTalkSpeech(AudioEngine& audio, OpenJTalkSetup setup, QString settingsFile)
    : audio_(audio),
      setup_(std::move(setup)),
      settingsFile_(std::move(settingsFile)),
      settings_(VoiceSettings::load(settingsFile_)) {
  qRegisterMetaType<sorane::SoundPtr>("sorane::SoundPtr");
  pool_.setMaxThreadCount(kWorkers);
  connect(this, &OpenJTalkSpeech::synthesized, this, &OpenJTalkSpeech::onSynthesized,
          Qt::QueuedConnection);
}

OpenJTalkSpeech::~OpenJTalkSpeech() {
  pool_.clear();
  pool_.waitForDone();
  audio_.close(kVoiceAlias);
}

void OpenJTalkSpeech::startSynthesis(const QString& text, int priority) {
  cache_[text] = Entry{};
  touch(text);
  const quint64 generation = generation_;
  const OpenJTalkSetup setup = setup_;
  const VoiceSettings settings = settings_;
  const int rate = audio_.rate();
  pool_.start(
      [this, generation, setup, settings, text, rate] {
        emit synthesized(generation, text, synthesizeSpeech(setup, settings, text, rate));
      },
      priority);
}

void OpenJTalkSpeech::speak(const QString& text) {
  const QString line = speakableText(text);
  if (line.isEmpty()) return;
  failed_ = false;
  const auto it = cache_.find(line);
  if (it != cache_.end() && !it->second.pending) {
    wanted_.clear();
    touch(line);
    playNow(it->second.sound);
    return;
  }
  wanted_ = line;
  if (it == cache_.end()) startSynthesis(line, kSpeakPriority);
}

void OpenJTalkSpeech::prepare(const QString& text) {
  const QString line = speakableText(text);
  if (line.isEmpty()) return;
  if (cache_.count(line)) {
    touch(line);
    return;
  }
  startSynthesis(line, kPreparePriority);
}

void OpenJTalkSpeech::stop() {
  wanted_.clear();
  failed_ = false;
  audio_.stop(kVoiceAlias);
}

std::int32_t OpenJTalkSpeech::status() {
  if (failed_) return -1;
  return (!wanted_.isEmpty() || audio_.isPlaying(kVoiceAlias)) ? 1 : 0;
}

void OpenJTalkSpeech::adjustDialog(QWidget* owner, const QString& title) {
  SpeechAdjustDialog dialog(owner, title, settings_);
  if (dialog.exec() == QDialog::Accepted) setVoiceSettings(dialog.settings());
}

void OpenJTalkSpeech::setVoiceSettings(const VoiceSettings& settings) {
  const VoiceSettings s = settings.clamped();
  s.save(settingsFile_);
  if (s == settings_) return;
  settings_ = s;
  // Results of syntheses already running carry the old generation and are dropped.
  ++generation_;
  cache_.clear();
  recent_.clear();
  if (!wanted_.isEmpty()) startSynthesis(wanted_, kSpeakPriority);
}

bool OpenJTalkSpeech::isCached(const QString& text) const {
  const auto it = cache_.find(speakableText(text));
  return it != cache_.end() && !it->second.pending;
}

std::size_t OpenJTalkSpeech::cachedCount() const {
  return static_cast<std::size_t>(
      std::count_if(cache_.begin(), cache_.end(), [](const auto& e) { return !e.second.pending; }));
}

bool OpenJTalkSpeech::waitForIdle(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  auto pending = [this] {
    return std::any_of(cache_.begin(), cache_.end(),
                       [](const auto& e) { return e.second.pending; });
  };
  while (pending()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

void OpenJTalkSpeech::onSynthesized(quint64 generation, const QString& text,
                                    const SoundPtr& sound) {
  if (generation != generation_) return;
  const auto it = cache_.find(text);
  if (it == cache_.end()) return;
  const bool wanted = wanted_ == text;
  if (!sound) {
    cache_.erase(it);
    recent_.remove(text);
    if (wanted) {
      wanted_.clear();
      failed_ = true;
    }
    return;
  }
  it->second = Entry{sound, false};
  if (wanted) {
    wanted_.clear();
    playNow(sound);
  }
  evict();
}

void OpenJTalkSpeech::playNow(const SoundPtr& sound) {
  audio_.load(kVoiceAlias, sound);
  audio_.play(kVoiceAlias);
}

void OpenJTalkSpeech::touch(const QString& text) {
  recent_.remove(text);
  recent_.push_front(text);
}

void OpenJTalkSpeech::evict() {
  while (cachedCount() > kCacheSize) {
    auto victim = std::find_if(recent_.rbegin(), recent_.rend(), [this](const QString& t) {
      const auto it = cache_.find(t);
      return it != cache_.end() && !it->second.pending;
    });
    if (victim == recent_.rend()) return;
    cache_.erase(*victim);
    recent_.erase(std::next(victim).base());
  }
}

}  // namespace sorane
