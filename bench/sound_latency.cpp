// Measures the sound and speech figures that a user notices:
//  - from a tape "next" to the first speech sample mixed into the output,
//    with the line pre-synthesised and cold;
//  - how long a waited three-second WAV holds the caller on the real Ui;
//  - the process's resident memory with the speech engine loaded.
// Prints one line per figure. Run through bench/sound.sh.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <numeric>

#include "audio_engine.h"
#include "cp932.h"
#include "mdl_m_tape.h"
#include "mdl_snd_api.h"
#include "sound_services.h"
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
  bool alwaysPlaySound() override { return false; }
  QString selectSound(int) override { return {}; }
  bool waitForSound() override { return false; }
  void setTapeCaption(const QString&) override {}
  void setTapeFrameEnabled(bool) override {}
  void setTapeButtonsEnabled(bool) override {}
  QWidget* tapeDialogOwner() override { return nullptr; }
};

// Passes everything on but never prepares: every line starts cold.
class ColdSpeech : public sorane::SpeechEngine {
 public:
  explicit ColdSpeech(std::unique_ptr<sorane::SpeechEngine> inner) : inner_(std::move(inner)) {}
  void speak(const QString& text) override { inner_->speak(text); }
  void stop() override { inner_->stop(); }
  std::int32_t status() override { return inner_->status(); }
  void adjustDialog(QWidget* owner, const QString& title) override {
    inner_->adjustDialog(owner, title);
  }
  void prepare(const QString&) override {}

 private:
  std::unique_ptr<sorane::SpeechEngine> inner_;
};

// Milliseconds from `start` until the speech's first sample is mixed.
double untilFirstSample(sorane::AudioEngine& audio, Clock::time_point start) {
  const auto deadline = start + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    if (auto first = audio.firstFrameTime(OpenJTalkSpeech::kVoiceAlias); first && *first >= start)
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

const char* kLines[] = {
    "次は、市役所前です。",   "お降りの方は、お近くのボタンでお知らせください。",
    "次は、中央病院です。",   "このバスは、駅前行きです。",
    "次は、終点、駅前です。", "毎度ご乗車ありがとうございます。",
    "次は、図書館前です。",   "発車します。ご注意ください。",
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;

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
