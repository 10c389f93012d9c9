#include "audio_engine.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "test_sounds.h"

namespace sorane {
namespace {

using namespace std::chrono_literals;

SoundPtr levelSound(int frames, float left, float right, int rate = 48000) {
  auto s = std::make_shared<Sound>();
  s->rate = rate;
  for (int i = 0; i < frames; ++i) {
    s->samples.push_back(left);
    s->samples.push_back(right);
  }
  return s;
}

// Holds an environment variable for the life of the object.
class EnvScope {
 public:
  EnvScope(const char* name, const QByteArray& value) : name_(name) { qputenv(name, value); }
  ~EnvScope() { qunsetenv(name_); }

 private:
  const char* name_;
};

// SDL's "disk" driver, writing what the device plays to a file of its own.
struct DiskOutput {
  QTemporaryDir dir;
  QString path = dir.filePath("heard.raw");
  EnvScope driver{"SDL_AUDIODRIVER", "disk"};
  EnvScope file{"SDL_DISKAUDIOFILE", QFile::encodeName(path)};
  EnvScope delay{"SDL_DISKAUDIODELAY", "0"};

  // Read once the engine is gone.
  std::vector<float> played() const {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    const auto* samples = reinterpret_cast<const float*>(bytes.constData());
    return std::vector<float>(samples, samples + bytes.size() / sizeof(float));
  }
};

bool waitUntilSilent(AudioEngine& engine, const QString& alias, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (engine.isPlaying(alias)) {
    if (std::chrono::steady_clock::now() > end) return false;
    QThread::msleep(2);
  }
  return true;
}

TEST(AudioEngine, ManualOutputMixesExactlyWhatIsPlaying) {
  auto engine = AudioEngine::openManual(48000);
  EXPECT_EQ(engine->output(), AudioEngine::Output::Manual);
  engine->load("a", levelSound(3, 0.25f, -0.5f));
  EXPECT_TRUE(engine->isOpen("a"));
  EXPECT_FALSE(engine->isPlaying("a"));
  EXPECT_EQ(engine->render(2), std::vector<float>({0, 0, 0, 0}));
  ASSERT_TRUE(engine->play("a"));
  EXPECT_EQ(engine->render(4),
            std::vector<float>({0.25f, -0.5f, 0.25f, -0.5f, 0.25f, -0.5f, 0, 0}));
  EXPECT_FALSE(engine->isPlaying("a"));
  EXPECT_TRUE(engine->isOpen("a"));
}

TEST(AudioEngine, AQueuedSoundStartsOnTheSampleAfterTheOneBefore) {
  auto engine = AudioEngine::openManual(1000);
  engine->load("v", levelSound(3, 0.5f, 0.5f, 1000));
  engine->play("v");
  engine->queue("v", levelSound(2, -0.25f, -0.25f, 1000));
  engine->queue("v", levelSound(1, 0.125f, 0.125f, 1000));
  EXPECT_EQ(engine->remainingMs("v"), 6);
  EXPECT_EQ(engine->queuedGapMs("v"), std::nullopt);
  EXPECT_EQ(engine->render(2), std::vector<float>({0.5f, 0.5f, 0.5f, 0.5f}));
  // One render call crosses both joins.
  EXPECT_EQ(engine->render(5),
            std::vector<float>({0.5f, 0.5f, -0.25f, -0.25f, -0.25f, -0.25f, 0.125f, 0.125f, 0, 0}));
  EXPECT_EQ(engine->queuedGapMs("v"), 0.0);
  EXPECT_FALSE(engine->isPlaying("v"));
}

TEST(AudioEngine, AQueueOnASilentDeviceStartsAtOnceAndCountsTheGap) {
  auto engine = AudioEngine::openManual(1000);
  engine->queue("new", levelSound(1, 0.5f, 0.5f, 1000));  // no device yet: made
  EXPECT_TRUE(engine->isPlaying("new"));
  EXPECT_EQ(engine->render(2), std::vector<float>({0.5f, 0.5f, 0, 0}));
  // Queued 40 ms after the sound before ended: the gap is what was heard.
  engine->render(40);
  engine->queue("new", levelSound(1, 0.25f, 0.25f, 1000));
  EXPECT_EQ(engine->render(1), std::vector<float>({0.25f, 0.25f}));
  EXPECT_EQ(engine->queuedGapMs("new"), 41.0);
}

TEST(AudioEngine, StopAndPlayDropWhatIsQueued) {
  auto engine = AudioEngine::openManual(1000);
  engine->load("v", levelSound(2, 0.5f, 0.5f, 1000));
  for (bool stopFirst : {true, false}) {
    engine->play("v");
    engine->queue("v", levelSound(2, -0.5f, -0.5f, 1000));
    if (stopFirst) {
      engine->stop("v");
      EXPECT_EQ(engine->render(4), std::vector<float>(8, 0.0f));
    } else {
      engine->play("v");  // from the start again, alone
      EXPECT_EQ(engine->render(3), std::vector<float>({0.5f, 0.5f, 0.5f, 0.5f, 0, 0}));
    }
  }
}

TEST(AudioEngine, PlayRestartsFromTheStartOrAnOffset) {
  auto engine = AudioEngine::openManual(1000);
  auto s = std::make_shared<Sound>();
  s->rate = 1000;
  for (int i = 0; i < 10; ++i) s->samples.insert(s->samples.end(), {i / 10.0f, 0});
  engine->load("a", s);
  engine->play("a");
  engine->render(6);
  engine->play("a");
  EXPECT_FLOAT_EQ(engine->render(1)[0], 0.0f);
  engine->play("a", 7);
  EXPECT_FLOAT_EQ(engine->render(1)[0], 0.7f);
  EXPECT_FALSE(engine->play("nobody"));
}

TEST(AudioEngine, StopSilencesAndCloseForgets) {
  auto engine = AudioEngine::openManual(48000);
  engine->load("a", levelSound(100, 0.5f, 0.5f));
  engine->play("a");
  EXPECT_TRUE(engine->stop("a"));
  EXPECT_FLOAT_EQ(engine->render(1)[0], 0.0f);
  EXPECT_TRUE(engine->close("a"));
  EXPECT_FALSE(engine->isOpen("a"));
  EXPECT_FALSE(engine->close("a"));
  EXPECT_FALSE(engine->stop("a"));
}

TEST(AudioEngine, RemainingTimeCountsDownWithTheOutput) {
  auto engine = AudioEngine::openManual(48000);
  engine->load("a", levelSound(48000, 0.1f, 0.1f));
  EXPECT_EQ(engine->remainingMs("a"), 0);
  engine->play("a");
  EXPECT_EQ(engine->remainingMs("a"), 1000);
  engine->render(12000);
  EXPECT_EQ(engine->remainingMs("a"), 750);
  EXPECT_EQ(engine->remainingMs("other"), 0);
}

TEST(AudioEngine, FirstFrameTimeIsSetWhenTheSoundIsFirstMixed) {
  auto engine = AudioEngine::openManual(48000);
  engine->load("a", levelSound(100, 0.1f, 0.1f));
  engine->play("a");
  EXPECT_FALSE(engine->firstFrameTime("a"));
  const auto before = std::chrono::steady_clock::now();
  engine->render(10);
  const auto first = engine->firstFrameTime("a");
  ASSERT_TRUE(first);
  EXPECT_GE(*first, before);
  engine->play("a");
  EXPECT_FALSE(engine->firstFrameTime("a"));
}

TEST(AudioEngine, OpenDecodesFilesAndKeepsTheDeviceOnFailure) {
  QTemporaryDir dir;
  const QString wav = dir.filePath("a.wav");
  ASSERT_TRUE(test::writeLevelWav(wav, 48000, 480, 0.5));
  auto engine = AudioEngine::openManual(48000);
  ASSERT_TRUE(engine->open("a", wav, SoundKind::Wave));
  EXPECT_FALSE(engine->open("a", dir.filePath("none.wav"), SoundKind::Wave));
  EXPECT_FALSE(engine->open("a", wav, SoundKind::Midi));
  EXPECT_TRUE(engine->isOpen("a"));
  engine->play("a");
  EXPECT_FLOAT_EQ(engine->render(1)[0], 0.5f);
}

TEST(AudioEngine, AChangedFileIsDecodedAfresh) {
  QTemporaryDir dir;
  const QString wav = dir.filePath("a.wav");
  ASSERT_TRUE(test::writeLevelWav(wav, 48000, 480, 0.5));
  auto engine = AudioEngine::openManual(48000);
  ASSERT_TRUE(engine->open("a", wav, SoundKind::Wave));
  ASSERT_TRUE(test::writeLevelWav(wav, 48000, 960, -0.25));
  ASSERT_TRUE(engine->open("a", wav, SoundKind::Wave));
  engine->play("a");
  EXPECT_FLOAT_EQ(engine->render(1)[0], -0.25f);
  EXPECT_EQ(engine->remainingMs("a"), 20);
}

TEST(AudioEngine, SilentClockLetsSoundsLastTheirRealLength) {
  auto engine = AudioEngine::openSilentClock(48000);
  EXPECT_EQ(engine->output(), AudioEngine::Output::SilentClock);
  engine->load("a", levelSound(48000 / 5, 0.1f, 0.1f));
  engine->play("a");
  EXPECT_TRUE(engine->isPlaying("a"));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(waitUntilSilent(*engine, "a", 2s));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 190ms);
  EXPECT_LT(took, 400ms);
  EXPECT_TRUE(engine->render(10).empty());
}

TEST(AudioEngine, WithoutAUsableDriverTheDummyDriverStillKeepsTime) {
  EnvScope driver("SDL_AUDIODRIVER", "no-such-driver");
  auto engine = AudioEngine::openSystem(48000);
  ASSERT_EQ(engine->output(), AudioEngine::Output::Device);
  EXPECT_EQ(engine->driverName(), "dummy");
  engine->load("a", levelSound(engine->rate() * 3 / 10, 0.1f, 0.1f, engine->rate()));
  engine->play("a");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(waitUntilSilent(*engine, "a", 3s));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 250ms);
}

TEST(AudioEngine, TheDiskDriverRecordsWhatWasHeard) {
  DiskOutput disk;
  {
    auto engine = AudioEngine::openSystem(48000);
    ASSERT_EQ(engine->driverName(), "disk");
    const int rate = engine->rate();
    engine->load("a", levelSound(rate / 10, 0.5f, -0.25f, rate));
    engine->load("b", levelSound(rate / 20, 0.25f, 0.25f, rate));
    engine->play("a");
    engine->play("b");
    ASSERT_TRUE(waitUntilSilent(*engine, "a", 5s));
    EXPECT_TRUE(engine->firstFrameTime("a").has_value());
  }
  const std::vector<float> samples = disk.played();
  // Both sounds start together: 2400 frames of the sum, then 2400 of "a" alone.
  std::size_t start = 0;
  while (start < samples.size() && samples[start] == 0.0f) ++start;
  ASSERT_LT(start + 9600, samples.size());
  ASSERT_EQ(start % 2, 0u);
  int sum = 0, alone = 0, after = 0;
  for (std::size_t i = start; i < samples.size(); i += 2) {
    if (samples[i] == 0.75f && samples[i + 1] == 0.0f)
      ++sum;
    else if (samples[i] == 0.5f && samples[i + 1] == -0.25f)
      ++alone;
    else if (samples[i] != 0.0f)
      ++after;
  }
  EXPECT_EQ(sum, 2400);
  EXPECT_EQ(alone, 2400);
  EXPECT_EQ(after, 0);
}

// Keeps everything the mix hands it.
class HeardTap : public AudioTap {
 public:
  void mixed(const float* samples, int frames) override {
    heard.insert(heard.end(), samples, samples + static_cast<std::ptrdiff_t>(frames) * 2);
  }
  std::vector<float> heard;
};

TEST(AudioTap, HearsExactlyWhatTheManualOutputMixesUntilRemoved) {
  auto engine = AudioEngine::openManual(48000);
  HeardTap tap;
  engine->load("a", levelSound(3, 0.75f, -0.25f));
  engine->load("b", levelSound(2, 0.5f, 0.5f));
  engine->play("a");
  engine->play("b");
  engine->render(1);  // before the tap: unheard
  engine->setTap(&tap);
  std::vector<float> mixed = engine->render(2);
  const std::vector<float> more = engine->render(2);
  mixed.insert(mixed.end(), more.begin(), more.end());
  // Summed and clipped to full scale, as the output has it.
  EXPECT_EQ(mixed, std::vector<float>({1.0f, 0.25f, 0.75f, -0.25f, 0, 0, 0, 0}));
  EXPECT_EQ(tap.heard, mixed);
  engine->setTap(nullptr);
  engine->play("a");
  engine->render(2);
  EXPECT_EQ(tap.heard.size(), 8u);
}

TEST(AudioTap, TheSilentClockMixesForItsTapAsTimePasses) {
  auto engine = AudioEngine::openSilentClock(48000);
  HeardTap tap;
  engine->load("a", levelSound(4800, 0.5f, -0.5f));
  engine->setTap(&tap);
  const auto start = std::chrono::steady_clock::now();
  engine->play("a");
  QThread::msleep(150);
  engine->catchUp();
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  engine->setTap(nullptr);
  const auto frames = static_cast<qint64>(tap.heard.size() / 2);
  EXPECT_GE(frames, 150 * 48);
  EXPECT_LE(frames, elapsed.count() * 48 / 1000 + 48 * 20);
  const auto first = std::find(tap.heard.begin(), tap.heard.end(), 0.5f);
  ASSERT_NE(first, tap.heard.end());
  // The whole sound, sample for sample, then silence.
  EXPECT_EQ(std::count(tap.heard.begin(), tap.heard.end(), 0.5f), 4800);
  EXPECT_EQ(std::count(tap.heard.begin(), tap.heard.end(), -0.5f), 4800);
  EXPECT_EQ(std::count(tap.heard.begin(), tap.heard.end(), 0.0f),
            static_cast<std::ptrdiff_t>(tap.heard.size()) - 9600);
}

TEST(AudioTap, HearsWhatTheDeviceWasHandedSampleForSample) {
  DiskOutput disk;
  HeardTap tap;
  {
    auto engine = AudioEngine::openSystem(48000);
    ASSERT_EQ(engine->driverName(), "disk");
    const int rate = engine->rate();
    engine->setTap(&tap);
    auto s = std::make_shared<Sound>();
    s->rate = rate;
    for (int i = 0; i < rate / 10; ++i) s->samples.insert(s->samples.end(), {i / 8000.0f, -0.25f});
    engine->load("a", s);
    engine->play("a");
    ASSERT_TRUE(waitUntilSilent(*engine, "a", 5s));
    engine->setTap(nullptr);
  }
  const std::vector<float> device = disk.played();
  auto firstSound = [](const std::vector<float>& v) {
    return std::find_if(v.begin(), v.end(), [](float x) { return x != 0.0f; });
  };
  const auto d = firstSound(device);
  const auto t = firstSound(tap.heard);
  ASSERT_GE(device.end() - d, 9600);
  ASSERT_GE(tap.heard.end() - t, 9600);
  EXPECT_TRUE(std::equal(d, d + 9600, t));
}

}  // namespace
}  // namespace sorane
