#include "sound_decode.h"

#include <fluidsynth.h>
#include <samplerate.h>
#include <sndfile.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "file_io.h"
#include "runtime_error.h"

namespace sorane {
namespace {

// libsndfile reads from memory through these callbacks.
struct MemoryFile {
  const QByteArray* bytes;
  sf_count_t pos = 0;
};

sf_count_t memLength(void* user) {
  return static_cast<MemoryFile*>(user)->bytes->size();
}

sf_count_t memSeek(sf_count_t offset, int whence, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  sf_count_t base = 0;
  if (whence == SEEK_CUR) base = f->pos;
  if (whence == SEEK_END) base = f->bytes->size();
  f->pos = std::clamp<sf_count_t>(base + offset, 0, f->bytes->size());
  return f->pos;
}

sf_count_t memRead(void* ptr, sf_count_t count, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  const sf_count_t n = std::clamp<sf_count_t>(f->bytes->size() - f->pos, 0, count);
  std::memcpy(ptr, f->bytes->constData() + f->pos, static_cast<std::size_t>(n));
  f->pos += n;
  return n;
}

sf_count_t memWrite(const void*, sf_count_t, void*) {
  return 0;
}
sf_count_t memTell(void* user) {
  return static_cast<MemoryFile*>(user)->pos;
}

// Rendering stops this long after the end of the piece even if notes ring on.
constexpr int kMaxTailMs = 4000;
// The tail ends when a block's peak falls below -60 dB.
constexpr float kSilence = 0.001f;
constexpr int kBlock = 512;
// Longest piece rendered, so a broken file cannot run forever.
constexpr int kMaxPieceSeconds = 600;

void quietFluidSynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
      fluid_set_log_function(level, nullptr, nullptr);
  });
}

}  // namespace

int Sound::durationMs() const {
  if (rate <= 0) return 0;
  return static_cast<int>((frames() * 1000 + rate - 1) / rate);
}

SoundPtr toOutputSound(const std::vector<float>& interleaved, int channels, int fromRate,
                       int rate) {
  if (channels <= 0 || fromRate <= 0 || rate <= 0) return nullptr;
  const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
  std::vector<float> stereo(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    const float* in = &interleaved[i * static_cast<std::size_t>(channels)];
    stereo[2 * i] = in[0];
    stereo[2 * i + 1] = channels > 1 ? in[1] : in[0];
  }
  auto sound = std::make_shared<Sound>();
  sound->rate = rate;
  if (fromRate == rate || frames == 0) {
    sound->samples = std::move(stereo);
    return sound;
  }
  const double ratio = static_cast<double>(rate) / fromRate;
  std::vector<float> out(static_cast<std::size_t>(std::ceil(frames * ratio)) * 2 + 64);
  SRC_DATA data{};
  data.data_in = stereo.data();
  data.input_frames = static_cast<long>(frames);
  data.data_out = out.data();
  data.output_frames = static_cast<long>(out.size() / 2);
  data.src_ratio = ratio;
  data.end_of_input = 1;
  if (src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 2) != 0) return nullptr;
  // The converter may run a frame over; the length stays the source's length.
  const long wanted = std::lround(static_cast<double>(frames) * ratio);
  out.resize(static_cast<std::size_t>(std::min(data.output_frames_gen, wanted)) * 2);
  sound->samples = std::move(out);
  return sound;
}

SoundPtr decodeSoundBytes(const QByteArray& bytes, int rate) {
  MemoryFile mem{&bytes};
  SF_VIRTUAL_IO io{memLength, memSeek, memRead, memWrite, memTell};
  SF_INFO info{};
  SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &mem);
  if (!file) return nullptr;
  std::vector<float> samples;
  if (info.channels > 0 && info.frames > 0 && info.frames < (sf_count_t{1} << 31)) {
    samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_float(file, samples.data(), info.frames);
    samples.resize(static_cast<std::size_t>(std::max<sf_count_t>(got, 0) * info.channels));
  }
  sf_close(file);
  if (info.channels <= 0) return nullptr;
  return toOutputSound(samples, info.channels, info.samplerate, rate);
}

SoundPtr decodeSoundFile(const QString& path, int rate) {
  try {
    return decodeSoundBytes(readWholeFile(path, kMaxWaveFileBytes), rate);
  } catch (const RuntimeError&) {
    return nullptr;
  }
}

QString findSoundFont() {
  const QDir dir(QStringLiteral("/usr/share/sounds/sf2"));
  for (const char* name : {"TimGM6mb.sf2", "default-GM.sf2"}) {
    const QString path = dir.filePath(QLatin1String(name));
    if (QFile::exists(path)) return path;
  }
  const QStringList others = dir.entryList({QStringLiteral("*.sf2")}, QDir::Files, QDir::Name);
  return others.isEmpty() ? QString() : dir.filePath(others.first());
}

struct MidiRenderer::Synth {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  int rate = 0;

  ~Synth() {
    if (synth) delete_fluid_synth(synth);
    if (settings) delete_fluid_settings(settings);
  }
};

MidiRenderer::MidiRenderer(QString soundFont) : soundFont_(std::move(soundFont)) {}
MidiRenderer::~MidiRenderer() = default;

std::unique_ptr<MidiRenderer::Synth> MidiRenderer::makeSynth(int rate) const {
  if (soundFont_.isEmpty()) return nullptr;
  quietFluidSynth();
  auto s = std::make_unique<Synth>();
  s->rate = rate;
  s->settings = new_fluid_settings();
  if (!s->settings) return nullptr;
  fluid_settings_setnum(s->settings, "synth.sample-rate", rate);
  // The default gain is far quieter than a sound file's usual level.
  fluid_settings_setnum(s->settings, "synth.gain", 0.8);
  // Without an audio driver the player must be clocked by the samples written.
  fluid_settings_setstr(s->settings, "player.timing-source", "sample");
  // Only the instruments a piece chooses are read in, in a quarter of the
  // time the whole font takes.
  fluid_settings_setint(s->settings, "synth.dynamic-sample-loading", 1);
  s->synth = new_fluid_synth(s->settings);
  if (!s->synth) return nullptr;
  if (fluid_synth_sfload(s->synth, QFile::encodeName(soundFont_).constData(), 1) == FLUID_FAILED)
    return nullptr;
  return s;
}

SoundPtr MidiRenderer::render(const QByteArray& midi, int rate) {
  if (midi.size() < 14 || !midi.startsWith("MThd")) return nullptr;
  std::lock_guard lock(mutex_);
  const std::unique_ptr<Synth> made = makeSynth(rate);
  if (!made) return nullptr;
  fluid_synth_t* synth = made->synth;

  fluid_player_t* player = new_fluid_player(synth);
  if (!player) return nullptr;
  if (fluid_player_add_mem(player, midi.constData(), static_cast<std::size_t>(midi.size())) !=
          FLUID_OK ||
      fluid_player_play(player) != FLUID_OK) {
    delete_fluid_player(player);
    return nullptr;
  }

  auto sound = std::make_shared<Sound>();
  sound->rate = rate;
  std::vector<float> left(kBlock), right(kBlock);
  auto writeBlock = [&] {
    fluid_synth_write_float(synth, kBlock, left.data(), 0, 1, right.data(), 0, 1);
    float peak = 0;
    for (int i = 0; i < kBlock; ++i) {
      sound->samples.push_back(left[static_cast<std::size_t>(i)]);
      sound->samples.push_back(right[static_cast<std::size_t>(i)]);
      peak = std::max({peak, std::abs(left[static_cast<std::size_t>(i)]),
                       std::abs(right[static_cast<std::size_t>(i)])});
    }
    return peak;
  };

  // The player reports the end of a piece seconds late: stop at its last tick.
  const qint64 maxPiece = static_cast<qint64>(rate) * kMaxPieceSeconds;
  bool loaded = false;
  while (sound->frames() < maxPiece) {
    writeBlock();
    if (fluid_player_get_status(player) != FLUID_PLAYER_PLAYING) break;
    const int total = fluid_player_get_total_ticks(player);
    if (total > 0) loaded = true;
    if (!loaded && sound->frames() > rate) break;
    if (loaded && fluid_player_get_current_tick(player) >= total) break;
  }
  fluid_player_stop(player);
  delete_fluid_player(player);

  const qint64 maxTail = sound->frames() + static_cast<qint64>(rate) * kMaxTailMs / 1000;
  while (sound->frames() < maxTail && fluid_synth_get_active_voice_count(synth) > 0) {
    if (writeBlock() < kSilence) break;
  }
  if (!loaded) return nullptr;
  return sound;
}

SoundPtr MidiRenderer::renderFile(const QString& path, int rate) {
  try {
    return render(readWholeFile(path, kMaxMidiFileBytes), rate);
  } catch (const RuntimeError&) {
    return nullptr;
  }
}

}  // namespace sorane
