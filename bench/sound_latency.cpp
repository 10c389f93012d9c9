// Measures the sound and speech figures that a user notices:
//  - from a tape "next" to the first speech sample mixed into the output,
//    with the line pre-synthesised and cold;
//  - the same over 100 presses at an operator's pace, forward and back,
//    with route sets and voice changes among them, and for a short phrase
//    spoken outside the tape;
//  - from the last sample of a Japanese line to the first of its English
//    (English announcements on), prepared as the tape prepares and cold,
//    with voice changes among the presses, and Flite's time per sentence;
//  - how long a waited three-second WAV holds the caller on the real Ui;
//  - the process's resident memory with the speech engine loaded.
// Prints one line per figure. Run through bench/sound.sh.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <optional>
#include <random>

#include "app_info.h"
#include "audio_engine.h"
#include "cp932.h"
#include "english_speech.h"
#include "mdl_m_tape.h"
#include "mdl_snd_api.h"
#include "sound_services.h"
#include "speech_adjust_dialog.h"
#include "test_sounds.h"
#include "ui.h"

namespace {

using sorane::OpenJTalkSpeech;
using Clock = std::chrono::steady_clock;

long rssKb() {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toLong();
  return -1;
}

class BenchHost : public sorane::TapeHost {
 public:
  // A route of `english.size()` stops with these English names; the bench
  // steps `shown` as the panel would.
  QStringList english;
  int shown = 0;

  bool alwaysPlaySound() override { return false; }
  QString selectSound(int) override { return {}; }
  bool waitForSound() override { return false; }
  void setTapeCaption(const QString&) override {}
  void setTapeFrameEnabled(bool) override {}
  void setTapeButtonsEnabled(bool) override {}
  QWidget* tapeDialogOwner() override { return nullptr; }
  int shownRow() override { return shown; }
  int lastRow() override { return static_cast<int>(english.size()); }
  QString englishStopName(int row) override { return english.value(row - 1); }
};

// Passes everything on but never prepares: every line starts cold.
class ColdSpeech : public sorane::SpeechEngine {
 public:
  explicit ColdSpeech(std::unique_ptr<sorane::SpeechEngine> inner) : inner_(std::move(inner)) {}
  using SpeechEngine::prepare;
  using SpeechEngine::speak;
  void speak(const std::vector<sorane::SpeechLine>& lines) override { inner_->speak(lines); }
  void stop() override { inner_->stop(); }
  std::int32_t status() override { return inner_->status(); }
  void adjustDialog(QWidget* owner, const QString& title) override {
    inner_->adjustDialog(owner, title);
  }
  void prepare(const sorane::SpeechLine&) override {}
  bool speaks(sorane::SpeechLanguage language) const override { return inner_->speaks(language); }

 private:
  std::unique_ptr<sorane::SpeechEngine> inner_;
};

// Milliseconds from `start` until the first sample of `device` (speech by default) is mixed.
double untilFirstSample(sorane::AudioEngine& audio, Clock::time_point start,
                        const QString& device = OpenJTalkSpeech::kVoiceAlias) {
  const auto deadline = start + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    if (auto first = audio.firstFrameTime(device); first && *first >= start)
      return std::chrono::duration<double, std::milli>(*first - start).count();
    QThread::usleep(200);
  }
  return -1;
}

void report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / ms.size();
  std::printf("%-40s n=%zu median %.1f ms, mean %.1f ms, max %.1f ms\n", what, ms.size(),
              ms[ms.size() / 2], mean, ms.back());
}

// Milliseconds from one operator action to the next (a press, a route set,
// a voice change); `sound_latency --pace MS` changes it.
constexpr int kDefaultPaceMs = 500;
// A route set holds the program this long for the board's lamp test, so the
// first press after it comes this much later at the soonest.
constexpr int kLampTestMs = 3000;

void reportSpread(const char* what, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const auto over = std::count_if(ms.begin(), ms.end(), [](double v) { return v > 50; });
  std::printf("%-40s n=%zu min %.1f ms, median %.1f ms, max %.1f ms, %td over 50 ms\n", what,
              ms.size(), ms.front(), ms[ms.size() / 2], ms.back(), over);
}

// Handles events, as the program's event loop would, until `until`.
void idleUntil(Clock::time_point until) {
  while (Clock::now() < until) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::usleep(500);
  }
}

// 調整 as the user works it: the dialog opens, gets `voice` and is accepted.
void changeVoice(sorane::mdlM_Tape& tape, const sorane::VoiceSettings& voice) {
  QTimer::singleShot(0, [voice] {
    if (auto* dialog =
            qobject_cast<sorane::SpeechAdjustDialog*>(QApplication::activeModalWidget())) {
      dialog->setSettings(voice);
      dialog->accept();
    }
  });
  // Should the dialog not be found, it is closed after a while.
  QTimer::singleShot(5000, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  tape.TapeSetDlg();
}

const char* kLines[] = {
    "次は、市役所前です。",   "お降りの方は、お近くのボタンでお知らせください。",
    "次は、中央病院です。",   "このバスは、駅前行きです。",
    "次は、終点、駅前です。", "毎度ご乗車ありがとうございます。",
    "次は、図書館前です。",   "発車します。ご注意ください。",
};

// A second route, its greeting long as a real one is.
const char* kLines2[] = {
    "毎度ご乗車ありがとうございます。このバスは、中央病院経由、北野台団地行きです。",
    "次は、緑ヶ丘一丁目です。",
    "次は、桜台小学校です。",
    "次は、中央図書館前です。",
    "バスが止まってから、席をお立ちください。",
    "次は、本町三丁目です。",
    "次は、県立高校前です。",
    "次は、川端橋です。",
    "次は、水道局前です。",
    "次は、終点、北野台団地です。",
};

const char* kStopPhrase = "次、止まります。";

// 100 presses of 送り and 戻し, one every `paceMs`; routes are set before
// presses 0, 25, 50 and 75 (each followed by the lamp test) and the voice
// changed before 12, 37, 62 and 87, each `paceMs` before the press.
// The stop phrase, prepared once at the start, is spoken after presses 5,
// 12, 30, 37, 55, 62, 80 and 87.
void mixedPresses(sorane::AudioEngine& audio, const QString& folder, int paceMs) {
  BenchHost host;
  sorane::mdlM_Tape tape(host, sorane::speechEngineFactory());
  tape.InitTape();
  auto* speech = static_cast<OpenJTalkSpeech*>(tape.tapeVoice());
  const sorane::VoiceSettings voices[] = {{1.0, 0, 0}, {1.3, 2, 0}, {0.9, -2, -3}};
  std::mt19937 random(18);
  std::vector<double> all, forward, back, afterRoute, afterVoice, phrase;
  int routeSets = 0, voiceChanges = 0, phraseCold = 0;
  const auto pace = std::chrono::milliseconds(paceMs);
  std::printf("100 presses, one every %d ms; a route set adds its %d ms lamp test:\n", paceMs,
              kLampTestMs);
  auto next = Clock::now();
  speech->prepare(QString::fromUtf8(kStopPhrase));
  for (int press = 0; press < 100; ++press) {
    const bool routeSet = press % 25 == 0;
    const bool voiceChange = press % 25 == 12;
    if (routeSet) {
      tape.LoadTape(folder, QString::number(1 + routeSets++ % 2));
      idleUntil(next += std::chrono::milliseconds(kLampTestMs) + pace);
    }
    if (voiceChange) {
      changeVoice(tape, voices[++voiceChanges % std::size(voices)]);
      idleUntil(next += pace);
    }
    const int pos = tape.GetTapePos();
    const bool forwards =
        pos <= 1 || (pos < tape.GetTapeCount() && std::uniform_int_distribution(0, 3)(random) > 0);
    const auto start = Clock::now();
    forwards ? tape.TapeNext() : tape.TapeBack();
    const double ms = untilFirstSample(audio, start);
    all.push_back(ms);
    (forwards ? forward : back).push_back(ms);
    if (routeSet) afterRoute.push_back(ms);
    if (voiceChange) afterVoice.push_back(ms);
    if (ms > 50)
      std::printf("  over 50 ms: press %d, %s to route %d line %d%s: %.1f ms\n", press,
                  forwards ? "forward" : "back", 1 + (routeSets - 1) % 2, tape.GetTapePos(),
                  routeSet      ? " after a route set"
                  : voiceChange ? " after a voice change"
                                : "",
                  ms);
    idleUntil(next += pace);
    if (press % 25 == 5 || press % 25 == 12) {
      phraseCold += !speech->isCached(QString::fromUtf8(kStopPhrase));
      const auto asked = Clock::now();
      speech->speak(QString::fromUtf8(kStopPhrase));
      phrase.push_back(untilFirstSample(audio, asked));
      if (phrase.back() > 50)
        std::printf("  over 50 ms: the stop phrase after press %d: %.1f ms\n", press,
                    phrase.back());
      idleUntil(next += pace);
    }
  }
  std::printf("%zu forward, %zu back, %d route sets, %d voice changes\n", forward.size(),
              back.size(), routeSets, voiceChanges);
  reportSpread("tape press -> first sample, all:", all);
  reportSpread("  forward:", forward);
  reportSpread("  back:", back);
  reportSpread("  first press after a route set:", afterRoute);
  reportSpread("  first press after a voice change:", afterVoice);
  reportSpread("stop phrase -> first sample:", phrase);
  std::printf("%-40s %d of %zu not ready when asked\n", "", phraseCold, phrase.size());
  std::printf("speech cache: %zu sounds, %.1f MiB; RSS %ld kB\n", speech->cachedCount(),
              speech->cachedBytes() / 1048576.0, rssKb());
  tape.TapeStop();
  speech->waitForIdle(10000);
}

const char* kEnglishStops[] = {"Midorigaoka Depot",
                               "Midorigaoka 1-chome",
                               "Shimin Hospital",
                               "Sakuradai Elementary School",
                               "Sakuradai",
                               "Chuo Library",
                               "City Hall",
                               "Honmachi 3-chome",
                               "Sorane Station North Exit",
                               "Sorane Ekimae Bus Terminal",
                               "Higashimachi",
                               "Kenritsu Sorane High School",
                               "Kawabatabashi",
                               "Suidokyoku-mae",
                               "Kitano Shrine",
                               "Kitanodai Danchi",
                               "Nishigahara"};

// Milliseconds from the Japanese line's last sample to its English's
// first, over each forward press of a route of stepping lines with English
// announcements on; the voice is changed before every fifth press. Each
// press waits for the English to end, then `paceMs`.
std::vector<double> englishGaps(sorane::AudioEngine& audio, const QString& folder,
                                const sorane::SpeechEngineFactory& factory, int paceMs) {
  BenchHost host;
  for (const char* name : kEnglishStops) host.english << name;
  sorane::mdlM_Tape tape(host, factory);
  tape.InitTape();
  host.shown = 1;
  tape.LoadTape(folder, "3");
  tape.setEnglish(true);
  if (!tape.speaksEnglish()) return {};
  const sorane::VoiceSettings voices[] = {{1.0, 0, 0}, {1.4, 0, -3}, {0.8, 2, 0}};
  std::vector<double> gaps;
  int voiceChanges = 0;
  for (int press = 0; press < tape.GetTapeCount(); ++press) {
    if (press % 5 == 4) {
      changeVoice(tape, voices[++voiceChanges % std::size(voices)]);
      idleUntil(Clock::now() + std::chrono::milliseconds(paceMs));
    }
    tape.TapeNext();
    ++host.shown;
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    std::optional<double> gap;
    while (!(gap = audio.queuedGapMs(OpenJTalkSpeech::kVoiceAlias)) && Clock::now() < deadline) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
      QThread::usleep(200);
    }
    gaps.push_back(gap.value_or(-1));
    if (gaps.back() > 50 || gaps.back() < 0)
      std::printf("  over 50 ms: press %d (%s): %.1f ms\n", press,
                  qPrintable(host.english.value(host.shown - 1)), gaps.back());
    while (tape.tapeVoice()->status() == 1 && Clock::now() < deadline)
      idleUntil(Clock::now() + std::chrono::milliseconds(5));
    idleUntil(Clock::now() + std::chrono::milliseconds(paceMs));
  }
  tape.TapeStop();
  return gaps;
}

// What is heard between the voices: the Japanese line's silence after its
// last sound plus the English's before its first (the join itself adds
// nothing, as measured above).
std::vector<double> voicePauses(int rate) {
  std::vector<double> ms;
  sorane::EnglishSynthesizer* flite = sorane::fliteEnglish();
  const sorane::OpenJTalkSetup setup = sorane::OpenJTalkSetup::system();
  if (!flite || !setup.usable()) return ms;
  auto heard = [](const sorane::Sound& s, bool fromEnd) {
    const qint64 n = s.frames();
    for (qint64 k = 0; k < n; ++k) {
      const qint64 f = fromEnd ? n - 1 - k : k;
      if (std::abs(s.samples[static_cast<std::size_t>(2 * f)]) >= 0.003f) return k;
    }
    return n;
  };
  for (std::size_t i = 1; i < std::size(kLines2); ++i) {
    const sorane::SoundPtr japanese =
        sorane::synthesizeSpeech(setup, {}, QString::fromUtf8(kLines2[i]), rate);
    std::atomic<bool> done = false;
    sorane::SoundPtr english;
    flite->request(&ms, QStringLiteral("The next stop is %1.").arg(kEnglishStops[i]), {}, rate,
                   true, [&](sorane::SoundPtr s) {
                     english = std::move(s);
                     done = true;
                   });
    while (!done) QThread::usleep(100);
    if (!japanese || !english) continue;
    ms.push_back((heard(*japanese, true) + heard(*english, false)) * 1000.0 / rate);
  }
  return ms;
}

// Flite's own time for each English sentence of the route.
std::vector<double> fliteTimes() {
  std::vector<double> ms;
  sorane::EnglishSynthesizer* flite = sorane::fliteEnglish();
  if (!flite) return ms;
  for (const char* name : kEnglishStops) {
    std::atomic<bool> done = false;
    const auto start = Clock::now();
    flite->request(&ms, QStringLiteral("The next stop is %1.").arg(name), {}, 48000, true,
                   [&](sorane::SoundPtr) { done = true; });
    while (!done) QThread::usleep(100);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Voice changes are saved: keep them away from the user's own speech.ini.
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
  QApplication app(argc, argv);
  const int paceIndex = QCoreApplication::arguments().indexOf("--pace");
  const int paceMs =
      paceIndex > 0 ? QCoreApplication::arguments().value(paceIndex + 1).toInt() : kDefaultPaceMs;

  const long rssStart = rssKb();
  sorane::SoundServices sound;
  sorane::AudioEngine& audio = sound.audio();
  std::printf("output: %s, %d Hz, %d ms buffer\n",
              audio.driverName().isEmpty() ? "silent clock" : qPrintable(audio.driverName()),
              audio.rate(), audio.latencyMs());
  const long rssAudio = rssKb();

  QByteArray file;
  for (const char* line : kLines)
    file += sorane::cp932::encode(QString::fromUtf8(line)) + ",0,0\r\n";
  sorane::test::writeFile(dir.filePath("1tp.csv"), file);
  QByteArray file2;
  for (const char* line : kLines2)
    file2 += sorane::cp932::encode(QString::fromUtf8(line)) + ",0,0\r\n";
  sorane::test::writeFile(dir.filePath("2tp.csv"), file2);

  BenchHost host;
  {
    sorane::mdlM_Tape tape(host, sorane::speechEngineFactory());
    tape.InitTape();
    if (!tape.tapeEnabled()) {
      std::printf("speech unusable: Open JTalk is not installed\n");
      return 1;
    }
    tape.LoadTape(dir.path() + "/", "1");
    auto* speech = static_cast<OpenJTalkSpeech*>(tape.tapeVoice());
    std::vector<double> warm;
    for (std::size_t i = 0; i < std::size(kLines); ++i) {
      speech->waitForIdle(10000);
      const auto start = Clock::now();
      tape.TapeNext();
      warm.push_back(untilFirstSample(audio, start));
    }
    report("tape next -> first sample, prepared:", warm);
    std::printf("RSS: %ld kB at start, %ld kB with audio, %ld kB with speech loaded and used\n",
                rssStart, rssAudio, rssKb());
    tape.TapeStop();
    speech->waitForIdle(10000);
  }
  {
    auto factory = [] {
      std::unique_ptr<sorane::SpeechEngine> inner = sorane::speechEngineFactory()();
      return std::unique_ptr<sorane::SpeechEngine>(inner ? new ColdSpeech(std::move(inner))
                                                         : nullptr);
    };
    sorane::mdlM_Tape tape(host, factory);
    tape.InitTape();
    tape.LoadTape(dir.path() + "/", "1");
    std::vector<double> cold;
    for (std::size_t i = 0; i < std::size(kLines); ++i) {
      QThread::msleep(50);
      const auto start = Clock::now();
      tape.TapeNext();
      cold.push_back(untilFirstSample(audio, start));
    }
    report("tape next -> first sample, cold:", cold);
    tape.TapeStop();
  }
  mixedPresses(audio, dir.path() + "/", std::max(paceMs, 1));

  // English after Japanese.
  QByteArray file3;
  for (std::size_t i = 1; i < std::size(kLines2); ++i)
    file3 += sorane::cp932::encode(QString::fromUtf8(kLines2[i])) + ",1,0\r\n";
  for (const char* name : {"次は、西ヶ原です。", "次は、運動公園です。", "次は、ひばりが丘です。",
                           "次は、南山口です。", "次は、山の上温泉です。", "次は、北野神社です。",
                           "次は、終点、緑ヶ丘車庫です。"})
    file3 += sorane::cp932::encode(QString::fromUtf8(name)) + ",1,0\r\n";
  sorane::test::writeFile(dir.filePath("3tp.csv"), file3);
  if (!sorane::fliteEnglish()) {
    std::printf("English speech unusable: built without Flite\n");
  } else {
    reportSpread("Japanese end -> English, prepared:",
                 englishGaps(audio, dir.path() + "/", sorane::speechEngineFactory(), paceMs));
    auto coldFactory = [] {
      std::unique_ptr<sorane::SpeechEngine> inner = sorane::speechEngineFactory()();
      return std::unique_ptr<sorane::SpeechEngine>(inner ? new ColdSpeech(std::move(inner))
                                                         : nullptr);
    };
    reportSpread("Japanese end -> English, cold:",
                 englishGaps(audio, dir.path() + "/", coldFactory, paceMs));
    report("Flite, one sentence:", fliteTimes());
    report("heard between the voices:", voicePauses(audio.rate()));
  }

  // The stop-request chime on its own channel, as a press plays it: from
  // the press to its first sample mixed.
  const QString chime = dir.filePath("chime.wav");
  sorane::test::writeSineWav(chime, 22050, 1.8, 1319, 0.3);
  const QString chimeVoice = QStringLiteral("mci:") + sorane::programBaseName().toLower() + "s4";
  std::vector<double> chimes;
  for (int i = 0; i < 8; ++i) {
    const auto start = Clock::now();
    sorane::mdlSndAPI::PlaySnd(chime, "S4", 0, 0);
    chimes.push_back(untilFirstSample(audio, start, chimeVoice));
    idleUntil(Clock::now() + std::chrono::milliseconds(500));
  }
  reportSpread("stop request -> first chime sample:", chimes);

  const QString wav = dir.filePath("three.wav");
  sorane::test::writeSineWav(wav, 44100, 3.0, 440, 0.3);
  std::vector<double> held;
  for (int i = 0; i < 3; ++i) {
    QElapsedTimer timer;
    timer.start();
    sorane::mdlSndAPI::PlaySnd(wav, "S1", -1, 0);
    held.push_back(timer.nsecsElapsed() / 1e6);
  }
  report("waited 3 s WAV holds the caller:", held);
  sorane::mdlSndAPI::CloseAllSnd();
  return 0;
}
