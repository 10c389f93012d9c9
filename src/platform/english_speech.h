#pragma once

#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "sound_decode.h"
#include "speech_engine.h"

namespace sorane {

// Makes English speech off the UI thread.
class EnglishSynthesizer {
 public:
  using Done = std::function<void(SoundPtr sound)>;
  virtual ~EnglishSynthesizer() = default;
  // Asks for `text` as stereo at `rate`; `done` gets the sound (null on
  // failure) on the synthesizer's thread. Urgent requests go before the
  // others; `owner` names the asker for cancel().
  virtual void request(const void* owner, const QString& text, const VoiceSettings& settings,
                       int rate, bool urgent, Done done) = 0;
  // Drops `owner`'s requests not started, and waits for its running one.
  virtual void cancel(const void* owner) = 0;
};

// A synthesizer that runs `synthesize` on one thread of its own, urgent
// requests first, each group in the order asked.
class SerialSynthesizer : public EnglishSynthesizer {
 public:
  using Synthesize =
      std::function<SoundPtr(const QString& text, const VoiceSettings& settings, int rate)>;
  // `start` runs first, on the thread; when it returns false nothing is
  // synthesised and ready() is false.
  explicit SerialSynthesizer(Synthesize synthesize, std::function<bool()> start = {});
  ~SerialSynthesizer() override;
  SerialSynthesizer(const SerialSynthesizer&) = delete;
  SerialSynthesizer& operator=(const SerialSynthesizer&) = delete;

  bool ready() const { return ready_; }
  void request(const void* owner, const QString& text, const VoiceSettings& settings, int rate,
               bool urgent, Done done) override;
  void cancel(const void* owner) override;

 private:
  struct Request {
    const void* owner = nullptr;
    QString text;
    VoiceSettings settings;
    int rate = 0;
    bool urgent = false;
    Done done;
  };
  void run();

  Synthesize synthesize_;
  bool ready_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::deque<Request> queue_;
  const void* running_ = nullptr;
  bool stopping_ = false;
  std::thread thread_;
};

// `text` as Flite reads it: one line of plain ASCII, accents dropped
// (Ōsaka -> Osaka), anything else a blank.
QString englishSpeakableText(const QString& text);

// English by Flite's cmu_us_slt voice (16 kHz), linked into the program and
// run on one thread for the whole run, since Flite keeps global state.
// Made at the first call; null when the program was built without Flite or
// the voice cannot be loaded.
EnglishSynthesizer* fliteEnglish();

// The one line a start without English speech prints.
extern const char* const kNoEnglishNotice;

}  // namespace sorane
