#include "audio_engine.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>
#include <alsa/asoundlib.h>

#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace sorane {
namespace {

constexpr std::size_t kCacheSize = 8;
constexpr int kDeviceBufferFrames = 1024;
// The one line a start without sound output prints.
constexpr const char* kSilentNotice =
    "318: 音を出せる装置が見つかりません。音は鳴らさずに動きます。\n";

bool openDevice(int rate, SDL_AudioDeviceID& device, SDL_AudioSpec& have,
                SDL_AudioCallback callback, void* user) {
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = kDeviceBufferFrames;
  want.callback = callback;
  want.userdata = user;
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  return device != 0;
}

// alsa-lib reports every probe that fails (no card, no "default" PCM) on
// standard error; a failed probe is an answer here, not a fault.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

AudioEngine::AudioEngine(Output output, int rate)
    : output_(output), rate_(rate), clockMark_(Clock::now()) {}

std::unique_ptr<AudioEngine> AudioEngine::openSilentClock(int rate) {
  return std::unique_ptr<AudioEngine>(new AudioEngine(Output::SilentClock, rate));
}

std::unique_ptr<AudioEngine> AudioEngine::openManual(int rate) {
  return std::unique_ptr<AudioEngine>(new AudioEngine(Output::Manual, rate));
}

std::unique_ptr<AudioEngine> AudioEngine::openSystem(int preferredRate) {
  std::unique_ptr<AudioEngine> engine(new AudioEngine(Output::Device, preferredRate));
  SDL_SetMainReady();
  // SDL would otherwise take SIGINT and SIGTERM for itself, and the program
  // would no longer end when told to.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The desktop's sound servers first, then the card itself; SDL_AUDIODRIVER
  // in the environment still decides when set.
  SDL_SetHint(SDL_HINT_AUDIODRIVER, "pipewire,pulseaudio,alsa");
  snd_lib_error_set_handler(&quietAlsa);
  SDL_AudioDeviceID device = 0;
  SDL_AudioSpec have{};
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    engine->sdlSubsystem_ = true;
    if (!openDevice(preferredRate, device, have, &mixCallback, engine.get())) {
      // With no sound card SDL still picks a real driver and then fails here.
      SDL_AudioQuit();
      if (SDL_AudioInit("dummy") == 0)
        openDevice(preferredRate, device, have, &mixCallback, engine.get());
    }
  } else if (SDL_AudioInit("dummy") == 0) {
    engine->sdlDirectInit_ = true;
    openDevice(preferredRate, device, have, &mixCallback, engine.get());
  }
  const char* asked = SDL_getenv("SDL_AUDIODRIVER");
  const char* driver = SDL_GetCurrentAudioDriver();
  if ((device == 0 || (driver && std::strcmp(driver, "dummy") == 0)) &&
      !(asked && (std::strcmp(asked, "dummy") == 0 || std::strcmp(asked, "disk") == 0)))
    std::fputs(kSilentNotice, stderr);
  if (device == 0) {
    if (engine->sdlSubsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (engine->sdlDirectInit_) SDL_AudioQuit();
    engine->sdlSubsystem_ = engine->sdlDirectInit_ = false;
    return openSilentClock(preferredRate);
  }
  engine->device_ = device;
  engine->rate_ = have.freq;
  engine->latencyMs_ = have.freq > 0 ? static_cast<int>(have.samples * 1000 / have.freq) : 0;
  if (const char* name = SDL_GetCurrentAudioDriver()) engine->driver_ = QString::fromUtf8(name);
  SDL_PauseAudioDevice(device, 0);
  return engine;
}

AudioEngine::~AudioEngine() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (sdlSubsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  if (sdlDirectInit_) SDL_AudioQuit();
}

void AudioEngine::mixCallback(void* user, unsigned char* stream, int len) {
  auto* engine = static_cast<AudioEngine*>(user);
  std::lock_guard lock(engine->mutex_);
  engine->mixLocked(reinterpret_cast<float*>(stream), len / static_cast<int>(2 * sizeof(float)));
}

void AudioEngine::mixLocked(float* out, int frames) {
  // The silent clock mixes for nobody, unless a tap listens.
  if (!out && tap_) {
    constexpr int kChunk = 4096;
    tapScratch_.resize(kChunk * 2);
    for (int done = 0; done < frames; done += kChunk)
      mixLocked(tapScratch_.data(), std::min(kChunk, frames - done));
    return;
  }
  const std::size_t samples = static_cast<std::size_t>(frames) * 2;
  if (out) std::fill(out, out + samples, 0.0f);
  const auto now = Clock::now();
  for (auto& entry : voices_) {
    Voice& v = entry.second;
    // A queued sound starts on the sample after the one before it ends.
    for (qint64 done = 0; done < frames;) {
      if (!v.playing || !v.sound) break;
      const qint64 n = std::clamp<qint64>(v.sound->frames() - v.pos, 0, frames - done);
      if (out) {
        const float* src = v.sound->samples.data() + v.pos * 2;
        float* dst = out + done * 2;
        for (std::size_t i = 0; i < static_cast<std::size_t>(n) * 2; ++i) dst[i] += src[i];
      }
      if (n > 0 && !v.firstFrame) {
        v.firstFrame = now;
        v.startedAt = mixedFrames_ + done;
      }
      v.pos += n;
      done += n;
      if (v.pos < v.sound->frames()) continue;
      v.playing = false;
      v.endedAt = mixedFrames_ + done;
      if (v.queued.empty()) break;
      startQueuedLocked(v);
    }
  }
  mixedFrames_ += frames;
  if (!out) return;
  for (std::size_t i = 0; i < samples; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
  if (tap_) tap_->mixed(out, frames);
}

void AudioEngine::startQueuedLocked(Voice& v) {
  v.sound = std::move(v.queued.front());
  v.queued.pop_front();
  v.pos = 0;
  v.playing = v.sound && v.sound->frames() > 0;
  v.firstFrame.reset();
  v.followedAt = v.endedAt;
  v.startedAt = -1;
}

void AudioEngine::advanceClockLocked() {
  if (output_ != Output::SilentClock) return;
  const auto now = Clock::now();
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - clockMark_);
  const qint64 frames = elapsed.count() * rate_ / 1000000;
  if (frames <= 0) return;
  clockMark_ += std::chrono::microseconds(frames * 1000000 / rate_);
  mixLocked(nullptr, static_cast<int>(std::min<qint64>(frames, 1 << 30)));
}

SoundPtr AudioEngine::decode(const QString& path, SoundKind kind) {
  const QFileInfo info(path);
  if (!info.isFile()) return nullptr;
  const QString key = QStringLiteral("%1|%2|%3|%4")
                          .arg(kind == SoundKind::Midi ? 'M' : 'W')
                          .arg(info.size())
                          .arg(info.lastModified().toMSecsSinceEpoch())
                          .arg(info.absoluteFilePath());
  {
    std::lock_guard lock(cacheMutex_);
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
      if (it->key != key) continue;
      cache_.splice(cache_.begin(), cache_, it);
      return cache_.front().sound;
    }
  }
  SoundPtr sound;
  if (kind == SoundKind::Midi) {
    {
      std::lock_guard lock(cacheMutex_);
      if (!midi_) midi_ = std::make_unique<MidiRenderer>();
    }
    sound = midi_->renderFile(path, rate_);
  } else {
    sound = decodeSoundFile(path, rate_);
  }
  if (!sound) return nullptr;
  std::lock_guard lock(cacheMutex_);
  cache_.push_front({key, sound});
  if (cache_.size() > kCacheSize) cache_.pop_back();
  return sound;
}

bool AudioEngine::open(const QString& alias, const QString& path, SoundKind kind) {
  SoundPtr sound = decode(path, kind);
  if (!sound) return false;
  load(alias, std::move(sound));
  return true;
}

void AudioEngine::load(const QString& alias, SoundPtr sound) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  Voice voice;
  voice.sound = std::move(sound);
  voices_[alias] = std::move(voice);
}

void AudioEngine::queue(const QString& alias, SoundPtr sound) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  Voice& v = voices_[alias];
  v.queued.push_back(std::move(sound));
  if (!v.playing) startQueuedLocked(v);
}

bool AudioEngine::play(const QString& alias, int fromMs) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  const auto it = voices_.find(alias);
  if (it == voices_.end()) return false;
  Voice& v = it->second;
  v.queued.clear();
  v.followedAt = -1;
  const qint64 frames = v.sound ? v.sound->frames() : 0;
  v.pos = std::clamp<qint64>(static_cast<qint64>(std::max(fromMs, 0)) * rate_ / 1000, 0, frames);
  v.playing = v.pos < frames;
  v.firstFrame.reset();
  return true;
}

bool AudioEngine::stop(const QString& alias) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  const auto it = voices_.find(alias);
  if (it == voices_.end()) return false;
  it->second.playing = false;
  it->second.queued.clear();
  return true;
}

bool AudioEngine::close(const QString& alias) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  return voices_.erase(alias) > 0;
}

bool AudioEngine::isOpen(const QString& alias) {
  std::lock_guard lock(mutex_);
  return voices_.count(alias) > 0;
}

bool AudioEngine::isPlaying(const QString& alias) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  const auto it = voices_.find(alias);
  return it != voices_.end() && it->second.playing;
}

int AudioEngine::remainingMs(const QString& alias) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  const auto it = voices_.find(alias);
  if (it == voices_.end() || !it->second.playing) return 0;
  qint64 left = it->second.sound->frames() - it->second.pos;
  for (const SoundPtr& next : it->second.queued) left += next ? next->frames() : 0;
  return static_cast<int>((left * 1000 + rate_ - 1) / rate_) + latencyMs_;
}

std::optional<AudioEngine::Clock::time_point> AudioEngine::firstFrameTime(const QString& alias) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  const auto it = voices_.find(alias);
  if (it == voices_.end()) return std::nullopt;
  return it->second.firstFrame;
}

void AudioEngine::setTap(AudioTap* tap) {
  std::lock_guard lock(mutex_);
  // What the silent clock owes so far goes to the tap that was listening.
  advanceClockLocked();
  tap_ = tap;
}

void AudioEngine::catchUp() {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
}

std::optional<double> AudioEngine::queuedGapMs(const QString& alias) {
  std::lock_guard lock(mutex_);
  advanceClockLocked();
  const auto it = voices_.find(alias);
  if (it == voices_.end() || it->second.followedAt < 0 || it->second.startedAt < 0)
    return std::nullopt;
  return (it->second.startedAt - it->second.followedAt) * 1000.0 / rate_;
}

std::vector<float> AudioEngine::render(int frames) {
  if (output_ != Output::Manual || frames <= 0) return {};
  std::vector<float> out(static_cast<std::size_t>(frames) * 2);
  std::lock_guard lock(mutex_);
  mixLocked(out.data(), frames);
  return out;
}

}  // namespace sorane
