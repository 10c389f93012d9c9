#include "speech_engine.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

#include "audio_engine.h"
#include "english_speech.h"
#include "qt_printers.h"
#include "speech_adjust_dialog.h"
#include "test_sounds.h"

namespace sorane {
namespace {

constexpr int kRate = 48000;
const QString kSentence = QString::fromUtf8("次は、市役所前です。");

double rms(const Sound& s) {
  double sum = 0;
  for (float v : s.samples) sum += double(v) * v;
  return s.samples.empty() ? 0 : std::sqrt(sum / s.samples.size());
}

double rms(const std::vector<float>& v) {
  double sum = 0;
  for (float x : v) sum += double(x) * x;
  return v.empty() ? 0 : std::sqrt(sum / v.size());
}

bool haveOpenJTalk() {
  return OpenJTalkSetup::system().usable();
}

#define REQUIRE_OPEN_JTALK() \
  if (!haveOpenJTalk()) GTEST_SKIP() << "open_jtalk, its dictionary or voice is not installed"

TEST(SpeakableText, OneTrimmedLineAndNothingForBlanks) {
  EXPECT_EQ(speakableText(""), "");
  EXPECT_EQ(speakableText(" \t\r\n "), "");
  EXPECT_EQ(speakableText("  次は\r\n終点 "), QString::fromUtf8("次は  終点"));
  EXPECT_EQ(speakableText("a\tb"), "a b");
}

TEST(VoiceSettings, ArgumentsCarrySpeedPitchAndVolume) {
  OpenJTalkSetup setup{"/bin/oj", "/dic", "/v.htsvoice"};
  EXPECT_EQ(setup.arguments(VoiceSettings{1.5, -2, 3}),
            QStringList({"-x", "/dic", "-m", "/v.htsvoice", "-r", "1.50", "-fm", "-2.0", "-g",
                         "3.0", "-ow", "/dev/stdout"}));
  EXPECT_EQ(setup.arguments(VoiceSettings{9, 99, -99}).mid(4, 6),
            QStringList({"-r", "2.00", "-fm", "12.0", "-g", "-20.0"}));
}

TEST(VoiceSettings, SavedAndLoadedFromTheirOwnFile) {
  QTemporaryDir dir;
  const QString file = dir.filePath("sub/speech.ini");
  EXPECT_EQ(VoiceSettings::load(file), VoiceSettings{});
  VoiceSettings{0.8, 3, -6}.save(file);
  EXPECT_EQ(VoiceSettings::load(file), (VoiceSettings{0.8, 3, -6}));
}

TEST(VoiceSettings, TheDefaultFileIsInTheUsersConfigurationFolder) {
  const QString file = OpenJTalkSpeech::defaultSettingsFile();
  EXPECT_TRUE(file.endsWith("/speech.ini"));
  EXPECT_TRUE(
      file.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
}

TEST(OpenJTalkSetup, EveryPieceMustBeThere) {
  QTemporaryDir dir;
  const OpenJTalkSetup real = OpenJTalkSetup::system();
  OpenJTalkSetup s = real;
  s.binary = dir.filePath("open_jtalk");
  EXPECT_FALSE(s.usable());
  s = real;
  s.dictionary = dir.path();
  EXPECT_FALSE(s.usable());
  s = real;
  s.voice = dir.filePath("none.htsvoice");
  EXPECT_FALSE(s.usable());
  auto audio = AudioEngine::openManual(kRate);
  EXPECT_EQ(OpenJTalkSpeech::create(*audio, s, dir.filePath("s.ini")), nullptr);
  s = real;
  s.binary.clear();
  EXPECT_EQ(OpenJTalkSpeech::create(*audio, s, dir.filePath("s.ini")), nullptr);
}

TEST(OpenJTalk, ASentenceComesBackAsSpeechOfPlausibleLength) {
  REQUIRE_OPEN_JTALK();
  const SoundPtr s = synthesizeSpeech(OpenJTalkSetup::system(), {}, kSentence, kRate);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->rate, kRate);
  // Ten morae or so: between one and five seconds.
  EXPECT_GT(s->durationMs(), 1000);
  EXPECT_LT(s->durationMs(), 5000);
  EXPECT_GT(rms(*s), 0.02);
}

TEST(OpenJTalk, ItsSilenceAtTheEndIsCutToABreath) {
  REQUIRE_OPEN_JTALK();
  const SoundPtr s = synthesizeSpeech(OpenJTalkSetup::system(), {}, kSentence, kRate);
  ASSERT_TRUE(s);
  qint64 last = s->frames() - 1;
  while (last > 0 && std::abs(s->samples[static_cast<std::size_t>(2 * last)]) < 0.003f) --last;
  EXPECT_EQ(s->frames() - 1 - last, kRate * kTailMs / 1000);
}

TEST(WithShortTail, KeepsTheSoundAndCutsOnlyTheSilenceAfterIt) {
  auto sound = std::make_shared<Sound>();
  sound->rate = 1000;
  // 10 frames heard (the last only on the right), then 400 of silence.
  sound->samples.assign(2 * 410, 0.0f);
  std::fill(sound->samples.begin(), sound->samples.begin() + 18, 0.5f);
  sound->samples[19] = -0.01f;
  const SoundPtr cut = withShortTail(sound);
  EXPECT_EQ(cut->frames(), 10 + kTailMs);
  EXPECT_EQ(cut->samples[19], -0.01f);
  // Nothing to cut: the very same sound.
  EXPECT_EQ(withShortTail(cut).get(), cut.get());
}

TEST(OpenJTalk, FasterSpeechIsShorter) {
  REQUIRE_OPEN_JTALK();
  const SoundPtr normal = synthesizeSpeech(OpenJTalkSetup::system(), {}, kSentence, kRate);
  const SoundPtr fast =
      synthesizeSpeech(OpenJTalkSetup::system(), VoiceSettings{2.0, 0, 0}, kSentence, kRate);
  ASSERT_TRUE(normal && fast);
  EXPECT_LT(fast->frames(), normal->frames() * 0.6);
}

TEST(OpenJTalk, BlankTextIsNeverSentToIt) {
  REQUIRE_OPEN_JTALK();
  EXPECT_FALSE(synthesizeSpeech(OpenJTalkSetup::system(), {}, " \r\n", kRate));
}

class SpeechTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_OPEN_JTALK();
    speech = OpenJTalkSpeech::create(*audio, OpenJTalkSetup::system(), dir.filePath("speech.ini"));
    ASSERT_TRUE(speech);
  }
  std::vector<float> hear(int frames) { return audio->render(frames); }

  QTemporaryDir dir;
  std::unique_ptr<AudioEngine> audio = AudioEngine::openManual(kRate);
  std::unique_ptr<OpenJTalkSpeech> speech;
};

TEST_F(SpeechTest, SpeakPlaysTheSentenceOnItsOwnDevice) {
  EXPECT_EQ(speech->status(), 0);
  speech->speak(kSentence);
  EXPECT_EQ(speech->status(), 1);
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_TRUE(audio->isPlaying(OpenJTalkSpeech::kVoiceAlias));
  EXPECT_EQ(speech->status(), 1);
  EXPECT_GT(rms(hear(kRate)), 0.02);
  hear(kRate * 6);
  EXPECT_EQ(speech->status(), 0);
}

TEST_F(SpeechTest, StopEndsTheSpeechAndAPendingOne) {
  speech->speak(kSentence);
  speech->stop();
  EXPECT_EQ(speech->status(), 0);
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_FALSE(audio->isPlaying(OpenJTalkSpeech::kVoiceAlias));
  speech->speak(kSentence);
  EXPECT_TRUE(audio->isPlaying(OpenJTalkSpeech::kVoiceAlias));
  speech->stop();
  EXPECT_EQ(speech->status(), 0);
  EXPECT_EQ(rms(hear(1000)), 0.0);
}

TEST_F(SpeechTest, PreparedTextStartsAtOnce) {
  speech->prepare(kSentence);
  EXPECT_FALSE(speech->isCached(kSentence));
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_TRUE(speech->isCached(kSentence));
  speech->speak(kSentence);
  EXPECT_TRUE(audio->isPlaying(OpenJTalkSpeech::kVoiceAlias));
  EXPECT_GT(rms(hear(kRate)), 0.02);
}

TEST_F(SpeechTest, BlankTextIsNotSpoken) {
  speech->speak("   ");
  speech->prepare("");
  EXPECT_EQ(speech->status(), 0);
  EXPECT_EQ(speech->cachedCount(), 0u);
  EXPECT_FALSE(audio->isOpen(OpenJTalkSpeech::kVoiceAlias));
}

TEST_F(SpeechTest, NewVoiceSettingsAreSavedAndUsedForTheNextSpeech) {
  speech->prepare(kSentence);
  ASSERT_TRUE(speech->waitForIdle(10000));
  speech->setVoiceSettings(VoiceSettings{2.0, 0, 0});
  EXPECT_EQ(VoiceSettings::load(dir.filePath("speech.ini")).speed, 2.0);
  EXPECT_FALSE(speech->isCached(kSentence));
  speech->speak(kSentence);
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_LT(audio->remainingMs(OpenJTalkSpeech::kVoiceAlias), 1600);
}

TEST_F(SpeechTest, AdjustDialogIsOwnedTitledAndSavesWhenAccepted) {
  QWidget owner;
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<SpeechAdjustDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen = true;
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("音声の調節"));
    EXPECT_EQ(dialog->parentWidget(), &owner);
    dialog->pitchSlider()->setValue(4);
    dialog->volumeSlider()->setValue(-3);
    dialog->accept();
  });
  speech->adjustDialog(&owner, QString::fromUtf8("音声の調節"));
  EXPECT_TRUE(seen);
  EXPECT_EQ(speech->voiceSettings(), (VoiceSettings{1.0, 4, -3}));
  EXPECT_EQ(VoiceSettings::load(dir.filePath("speech.ini")), (VoiceSettings{1.0, 4, -3}));
}

TEST_F(SpeechTest, CancelledAdjustDialogChangesNothing) {
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<SpeechAdjustDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->speedSlider()->setValue(150);
    dialog->reject();
  });
  speech->adjustDialog(nullptr, "t");
  EXPECT_EQ(speech->voiceSettings(), VoiceSettings{});
  EXPECT_FALSE(QFile::exists(dir.filePath("speech.ini")));
}

TEST(SpeechAdjustDialog, SlidersShowAndReturnTheSettings) {
  SpeechAdjustDialog dialog(nullptr, "t", VoiceSettings{1.25, -5, 6});
  EXPECT_EQ(dialog.speedSlider()->value(), 125);
  EXPECT_EQ(dialog.pitchSlider()->value(), -5);
  EXPECT_EQ(dialog.volumeSlider()->value(), 6);
  EXPECT_EQ(dialog.settings(), (VoiceSettings{1.25, -5, 6}));
  dialog.setSettings(VoiceSettings{});
  EXPECT_EQ(dialog.settings(), VoiceSettings{});
}

// An Open JTalk stand-in whose sound lasts 1 s / speed, whatever the text.
class CacheTest : public ::testing::Test {
 protected:
  static constexpr std::size_t kSecond = kRate * 2 * sizeof(float);

  void SetUp() override {
    const QString fake = dir.filePath("open_jtalk");
    ASSERT_TRUE(test::writeFile(fake,
                                "#!/bin/sh\n"
                                "while [ $# -gt 1 ]; do [ \"$1\" = -r ] && r=$2; shift; done\n"
                                "cat >/dev/null\n"
                                "exec cat \"$(dirname \"$0\")/r$r.wav\"\n"));
    QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(test::writeSineWav(dir.filePath("r1.00.wav"), kRate, 1.0, 440, 0.3));
    ASSERT_TRUE(test::writeSineWav(dir.filePath("r2.00.wav"), kRate, 0.5, 440, 0.3));
    ASSERT_TRUE(test::writeFile(dir.filePath("v.htsvoice"), "x"));
    QDir(dir.path()).mkdir("dic");
    ASSERT_TRUE(test::writeFile(dir.filePath("dic/sys.dic"), "x"));
    restart();
  }
  void restart(EnglishSynthesizer* english = nullptr) {
    speech.reset();
    speech = OpenJTalkSpeech::create(
        *audio, {dir.filePath("open_jtalk"), dir.filePath("dic"), dir.filePath("v.htsvoice")},
        dir.filePath("s.ini"), english);
    ASSERT_TRUE(speech);
  }
  int playingMs() { return audio->remainingMs(OpenJTalkSpeech::kVoiceAlias); }
  std::vector<float> hear(int frames) { return audio->render(frames); }

  QTemporaryDir dir;
  std::unique_ptr<AudioEngine> audio = AudioEngine::openManual(kRate);
  std::unique_ptr<OpenJTalkSpeech> speech;
};

TEST_F(CacheTest, ANewVoiceIsNeverServedTheOldSoundAndSwitchingBackIsWarm) {
  const VoiceSettings fast{2.0, 0, 0};
  speech->prepare("a");
  ASSERT_TRUE(speech->waitForIdle(10000));
  speech->setVoiceSettings(fast);
  EXPECT_FALSE(speech->isCached("a"));
  speech->speak("a");
  EXPECT_FALSE(audio->isPlaying(OpenJTalkSpeech::kVoiceAlias));
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_EQ(playingMs(), 500);
  speech->setVoiceSettings({});
  EXPECT_TRUE(speech->isCached("a"));
  EXPECT_TRUE(speech->isCached("a", fast));
  speech->speak("a");
  EXPECT_EQ(playingMs(), 1000);
}

TEST_F(CacheTest, TheLeastRecentlyUsedSoundGoesWhenTheBytesPassTheBound) {
  struct Row {
    const char* uses;  // each a prepare, or a speak when marked "!"
    const char* kept;
  };
  for (const Row& row : {Row{"a b c", "b c"}, Row{"a b a c", "a c"}, Row{"a b !a c", "a c"},
                         Row{"a b c d", "c d"}}) {
    SCOPED_TRACE(row.uses);
    restart();
    speech->setCacheLimit(kSecond * 5 / 2);
    for (const QString& use : QString(row.uses).split(' ')) {
      if (use.startsWith('!'))
        speech->speak(use.mid(1));
      else
        speech->prepare(use);
      ASSERT_TRUE(speech->waitForIdle(10000));
    }
    QStringList kept;
    for (const char* text : {"a", "b", "c", "d"})
      if (speech->isCached(text)) kept << text;
    EXPECT_EQ(kept.join(' '), row.kept);
    EXPECT_EQ(speech->cachedBytes(), 2 * kSecond);
  }
}

TEST_F(CacheTest, AfterAVoiceChangeWhatWasSpokenLastIsMadeInTheNewVoice) {
  // A phrase heard outside the tape, then a tape that asks for two lines
  // ahead of each line it speaks.
  const int lines = OpenJTalkSpeech::kRemadeTexts - 1;
  speech->speak("0");
  speech->speak("phrase");
  QStringList spokenLast{"phrase"};
  for (int line = 1; line <= lines; ++line) {
    speech->speak(QString::number(line));
    speech->prepare(QString::number(line + 1));
    speech->prepare(QString::number(line + 2));
    spokenLast << QString::number(line);
  }
  ASSERT_TRUE(speech->waitForIdle(10000));
  speech->setVoiceSettings(VoiceSettings{2.0, 0, 0});
  ASSERT_TRUE(speech->waitForIdle(10000));
  QStringList remade;
  for (int i = -1; i <= lines + 2; ++i) {
    const QString text = i < 0 ? "phrase" : QString::number(i);
    if (speech->isCached(text)) remade << text;
    EXPECT_TRUE(speech->isCached(text, VoiceSettings{})) << text.toStdString();
  }
  EXPECT_EQ(remade, spokenLast);
}

TEST(SpeechFailure, AFailingSynthesisMakesStatusMinusOne) {
  QTemporaryDir dir;
  const QString fake = dir.filePath("open_jtalk");
  ASSERT_TRUE(test::writeFile(fake, "#!/bin/sh\ncat >/dev/null\nexit 1\n"));
  QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QString voice = dir.filePath("v.htsvoice");
  ASSERT_TRUE(test::writeFile(voice, "x"));
  QDir(dir.path()).mkdir("dic");
  ASSERT_TRUE(test::writeFile(dir.filePath("dic/sys.dic"), "x"));
  auto audio = AudioEngine::openManual(kRate);
  auto speech = OpenJTalkSpeech::create(*audio, OpenJTalkSetup{fake, dir.filePath("dic"), voice},
                                        dir.filePath("s.ini"));
  ASSERT_TRUE(speech);
  speech->speak("こんにちは");
  EXPECT_EQ(speech->status(), 1);
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_EQ(speech->status(), -1);
  speech->stop();
  EXPECT_EQ(speech->status(), 0);
  EXPECT_FALSE(audio->isPlaying(OpenJTalkSpeech::kVoiceAlias));
}

// English by a stand-in on a thread of its own: a level of 0.7 for 0.25 s
// / speed, nothing for the text "fail". Japanese is the 1 s sine above.
class EnglishTest : public CacheTest {
 protected:
  static constexpr int kJapanese = kRate;
  static constexpr int kEnglish = kRate / 4;

  void SetUp() override {
    CacheTest::SetUp();
    restart(&english);
  }
  // The first frame from `from` on whose left sample is above the sine's
  // 0.3: the English.
  static int firstEnglishFrame(const std::vector<float>& mix, int from = 0) {
    for (std::size_t f = static_cast<std::size_t>(from); f < mix.size() / 2; ++f)
      if (mix[2 * f] > 0.5f) return static_cast<int>(f);
    return -1;
  }

  std::vector<QString> asked;
  std::vector<std::thread::id> threads;
  SerialSynthesizer english{
      [this](const QString& text, const VoiceSettings& s, int rate) -> SoundPtr {
        asked.push_back(text);
        threads.push_back(std::this_thread::get_id());
        if (text == "fail") return nullptr;
        auto sound = std::make_shared<Sound>();
        sound->rate = rate;
        sound->samples.assign(static_cast<std::size_t>(2 * kEnglish / s.speed), 0.7f);
        return sound;
      }};
};

TEST_F(EnglishTest, TheEnglishLineStartsOnTheSampleAfterTheJapaneseEnds) {
  EXPECT_TRUE(speech->speaks(SpeechLanguage::English));
  speech->speak(
      {SpeechLine{"a"}, SpeechLine{"The next stop is Tonkeshi.", SpeechLanguage::English}});
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_EQ(speech->status(), 1);
  const std::vector<float> mix = hear(kJapanese + kEnglish + 10);
  EXPECT_EQ(firstEnglishFrame(mix), kJapanese);
  EXPECT_EQ(mix[2 * (kJapanese + kEnglish - 1)], 0.7f);
  EXPECT_EQ(mix[2 * (kJapanese + kEnglish)], 0.0f);
  EXPECT_EQ(audio->queuedGapMs(OpenJTalkSpeech::kVoiceAlias), 0.0);
  EXPECT_EQ(speech->status(), 0);
}

TEST_F(EnglishTest, EnglishIsMadeAndPreparedOnOneThreadOfItsOwn) {
  speech->prepare(SpeechLine{"x", SpeechLanguage::English});
  speech->prepare(SpeechLine{"y", SpeechLanguage::English});
  speech->prepare(SpeechLine{"x"});
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_TRUE(speech->isCached(SpeechLine{"x", SpeechLanguage::English}));
  EXPECT_TRUE(speech->isCached(SpeechLine{"x"}));
  EXPECT_EQ(asked, (std::vector<QString>{"x", "y"}));
  ASSERT_EQ(threads.size(), 2u);
  EXPECT_EQ(threads[0], threads[1]);
  EXPECT_NE(threads[0], std::this_thread::get_id());
  // Prepared, it is not made again when spoken.
  speech->speak({SpeechLine{"y", SpeechLanguage::English}});
  EXPECT_EQ(firstEnglishFrame(hear(10)), 0);
  EXPECT_EQ(asked.size(), 2u);
}

TEST_F(EnglishTest, TheSpeedAppliesToEnglishAndThePitchDoesNot) {
  const SpeechLine line{"z", SpeechLanguage::English};
  speech->prepare(line);
  ASSERT_TRUE(speech->waitForIdle(10000));
  speech->setVoiceSettings(VoiceSettings{1.0, 5, 0});
  EXPECT_TRUE(speech->isCached(line));
  speech->setVoiceSettings(VoiceSettings{2.0, 5, 0});
  EXPECT_FALSE(speech->isCached(line));
  speech->speak({line});
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_EQ(playingMs(), 125);
}

TEST_F(EnglishTest, EnglishThatCannotBeMadeIsLeftOutAndTheJapaneseStays) {
  speech->speak({SpeechLine{"a"}, SpeechLine{"fail", SpeechLanguage::English}});
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_EQ(speech->status(), 1);
  EXPECT_EQ(firstEnglishFrame(hear(kJapanese + kEnglish)), -1);
  EXPECT_EQ(speech->status(), 0);
  // English alone, failing: the speak failed.
  speech->speak({SpeechLine{"fail", SpeechLanguage::English}});
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_EQ(speech->status(), -1);
}

TEST_F(EnglishTest, WithoutAnEnglishVoiceOnlyJapaneseIsSpoken) {
  restart(nullptr);
  EXPECT_FALSE(speech->speaks(SpeechLanguage::English));
  speech->prepare(SpeechLine{"x", SpeechLanguage::English});
  speech->speak({SpeechLine{"a"}, SpeechLine{"x", SpeechLanguage::English}});
  ASSERT_TRUE(speech->waitForIdle(10000));
  EXPECT_EQ(firstEnglishFrame(hear(kJapanese + kEnglish)), -1);
  EXPECT_TRUE(asked.empty());
  speech->speak({SpeechLine{"x", SpeechLanguage::English}});
  EXPECT_EQ(speech->status(), 0);
}

TEST(SerialSynthesizer, UrgentRequestsGoFirstAndCancelDropsWhatWaits) {
  std::mutex gate;
  gate.lock();  // holds the first request until the others are queued
  std::vector<QString> order;
  SerialSynthesizer serial([&](const QString& text, const VoiceSettings&, int) -> SoundPtr {
    if (text == "first") {
      std::lock_guard hold(gate);
    }
    order.push_back(text);
    return nullptr;
  });
  ASSERT_TRUE(serial.ready());
  std::atomic<int> done = 0;
  const int owner = 1, other = 2;
  auto ask = [&](const char* text, bool urgent, const void* who) {
    serial.request(who, text, {}, kRate, urgent, [&](SoundPtr) { ++done; });
  };
  ask("first", false, &other);
  QThread::msleep(20);  // "first" is running
  ask("p1", false, &owner);
  ask("p2", false, &other);
  ask("u1", true, &other);
  ask("u2", true, &other);
  ask("gone", false, &owner);
  serial.cancel(&owner);
  gate.unlock();
  while (done < 4) QThread::msleep(1);
  EXPECT_EQ(order, (std::vector<QString>{"first", "u1", "u2", "p2"}));
}

TEST(SerialSynthesizer, OneThatCannotStartAnswersNothing) {
  SerialSynthesizer serial([](const QString&, const VoiceSettings&, int) -> SoundPtr { return {}; },
                           [] { return false; });
  EXPECT_FALSE(serial.ready());
  bool answered = false;
  serial.request(nullptr, "x", {}, kRate, true, [&](SoundPtr s) { answered = !s; });
  EXPECT_TRUE(answered);
}

TEST(EnglishText, FliteGetsOneLineOfPlainLetters) {
  EXPECT_EQ(englishSpeakableText(QString::fromUtf8("  Ōsaka\r\nEkimae ")), "Osaka Ekimae");
  EXPECT_EQ(englishSpeakableText(QString::fromUtf8("駅 Station")), "Station");
  EXPECT_EQ(englishSpeakableText(QString::fromUtf8("Shin'osaka, 3-chome.")),
            "Shin'osaka, 3-chome.");
}

#define REQUIRE_FLITE() \
  if (!fliteEnglish()) GTEST_SKIP() << "the program was built without Flite"

TEST(Flite, SaysASentenceAtTheSpeedAndVolumeAsked) {
  REQUIRE_FLITE();
  auto audio = AudioEngine::openManual(kRate);
  QTemporaryDir dir;
  const QString sentence = "The next stop is Shimin Hospital.";
  SoundPtr normal, fast, quiet;
  std::atomic<int> done = 0;
  fliteEnglish()->request(&done, sentence, {}, kRate, true, [&](SoundPtr s) {
    normal = s;
    ++done;
  });
  fliteEnglish()->request(&done, sentence, {2.0, 0, 0}, kRate, true, [&](SoundPtr s) {
    fast = s;
    ++done;
  });
  fliteEnglish()->request(&done, sentence, {1.0, 0, -20}, kRate, true, [&](SoundPtr s) {
    quiet = s;
    ++done;
  });
  for (int i = 0; i < 1000 && done < 3; ++i) QThread::msleep(10);
  ASSERT_TRUE(normal && fast && quiet);
  EXPECT_EQ(normal->rate, kRate);
  EXPECT_GT(normal->durationMs(), 1200);
  EXPECT_LT(normal->durationMs(), 4000);
  EXPECT_GT(rms(*normal), 0.02);
  EXPECT_LT(fast->frames(), normal->frames() * 0.65);
  EXPECT_NEAR(rms(*quiet) / rms(*normal), 0.1, 0.01);
  // It starts a tenth of a second before the voice, not Flite's fifth.
  std::size_t first = 0;
  while (first < normal->samples.size() && std::abs(normal->samples[first]) < 0.01f) ++first;
  EXPECT_GE(first / 2, static_cast<std::size_t>(kRate / 10 - kRate / 100));
  EXPECT_LE(first / 2, static_cast<std::size_t>(kRate / 10 + kRate / 100));
}

}  // namespace
}  // namespace sorane
