#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "sound_decode.h"

class QWidget;

namespace sorane {

class AudioEngine;
class EnglishSynthesizer;

enum class SpeechLanguage { Japanese, English };

// One text to speak, in its language.
struct SpeechLine {
  QString text;
  SpeechLanguage language = SpeechLanguage::Japanese;
  bool operator==(const SpeechLine&) const = default;
};

// A text-to-speech engine: what the announcement tape asks of one.
class SpeechEngine {
 public:
  virtual ~SpeechEngine() = default;
  // Starts speaking `lines`, each from the sample after the one before it
  // ends. Blank lines, and lines in a language the engine does not speak,
  // are left out; nothing left, nothing is spoken.
  virtual void speak(const std::vector<SpeechLine>& lines) = 0;
  // One Japanese text.
  void speak(const QString& text) { speak(std::vector<SpeechLine>{SpeechLine{text}}); }
  // Ends any speech in progress; harmless when silent.
  virtual void stop() = 0;
  // 1 while speaking (or about to), 0 when silent, -1 when the engine failed
  // to speak the last text (until the next speak or stop).
  virtual std::int32_t status() = 0;
  // The engine's own voice settings, as a modal dialog owned by `owner`.
  virtual void adjustDialog(QWidget* owner, const QString& title) = 0;
  // Prepares `line` in the background so that a later speak of it starts
  // at once.
  virtual void prepare(const SpeechLine& line) = 0;
  void prepare(const QString& text) { prepare(SpeechLine{text}); }
  // Whether lines in `language` can be spoken.
  virtual bool speaks(SpeechLanguage language) const = 0;
};

// Creates the engine; null when speech cannot be used.
using SpeechEngineFactory = std::function<std::unique_ptr<SpeechEngine>()>;

// The engine's own voice settings, kept apart from the program's settings.
// Speed and volume apply to English too; the pitch is the Japanese voice's.
struct VoiceSettings {
  double speed = 1.0;   // speaking rate, 1 = normal (0.5 .. 2)
  double pitch = 0.0;   // semitones (-12 .. 12)
  double volume = 0.0;  // dB (-20 .. 10)

  bool operator==(const VoiceSettings&) const = default;
  // Values outside the ranges above are brought into them.
  VoiceSettings clamped() const;
  // What of them the voice of `language` uses.
  VoiceSettings forLanguage(SpeechLanguage language) const;
  static VoiceSettings load(const QString& file);
  void save(const QString& file) const;
};

// Where Open JTalk and its dictionary and voice are.
struct OpenJTalkSetup {
  QString binary;
  QString dictionary;
  QString voice;

  // Debian's open-jtalk, its NAIST dictionary and the NIT voice.
  static OpenJTalkSetup system();
  // True when the binary runs, the dictionary folder holds a dictionary and
  // the voice file exists.
  bool usable() const;
  QStringList arguments(const VoiceSettings& settings) const;
};

// `text` as Open JTalk takes it: one line, trimmed; empty when there is
// nothing to speak.
QString speakableText(const QString& text);

// Open JTalk ends a text in some 0.6 s of silence; a line spoken after it
// (the English) should follow a breath later, not a pause. Silence after
// the last sound heard is cut to this.
inline constexpr int kTailMs = 150;
SoundPtr withShortTail(const SoundPtr& sound);

// Runs Open JTalk on one speakable text and decodes its output to stereo at
// `rate`, its silence at the end cut to kTailMs; null on failure. Blocks
// for the synthesis.
SoundPtr synthesizeSpeech(const OpenJTalkSetup& setup, const VoiceSettings& settings,
                          const QString& text, int rate);

// Speech by Open JTalk run as a child process on worker threads, and
// English by an English synthesizer (Flite) when there is one; the result
// plays through the audio engine on a device of its own. Sounds are kept by
// language, text and voice settings up to a bound on their samples, the
// least recently used dropped first.
class OpenJTalkSpeech : public QObject, public SpeechEngine {
  Q_OBJECT
 public:
  // The audio engine device that speech plays on.
  static const QString kVoiceAlias;
  // Samples kept, in bytes: about 22 s of speech at 48 kHz (stereo float,
  // 384,000 bytes a second), the last few announcements.
  static constexpr std::size_t kCacheBytes = std::size_t{8} << 20;
  // After a voice change, this many of the texts spoken last are made again
  // in the new voice.
  static constexpr std::size_t kRemadeTexts = 8;

  // Null when Open JTalk, its dictionary or the voice is missing. Without
  // `english` (no Flite) English lines are left out.
  static std::unique_ptr<OpenJTalkSpeech> create(AudioEngine& audio,
                                                 OpenJTalkSetup setup = OpenJTalkSetup::system(),
                                                 QString settingsFile = defaultSettingsFile(),
                                                 EnglishSynthesizer* english = nullptr);
  // speech.ini in the user's configuration folder for this program.
  static QString defaultSettingsFile();
  ~OpenJTalkSpeech() override;

  using SpeechEngine::prepare;
  using SpeechEngine::speak;
  void speak(const std::vector<SpeechLine>& lines) override;
  void stop() override;
  std::int32_t status() override;
  void adjustDialog(QWidget* owner, const QString& title) override;
  void prepare(const SpeechLine& line) override;
  bool speaks(SpeechLanguage language) const override;

  VoiceSettings voiceSettings() const { return settings_; }
  // Saves the settings; what is spoken from now on is made with them. Sounds
  // of the old settings stay for a switch back, and the texts spoken last are
  // made again in the background with the new ones.
  void setVoiceSettings(const VoiceSettings& settings);
  // Made and kept, with the current voice settings or with `settings`.
  bool isCached(const QString& text) const;
  bool isCached(const QString& text, const VoiceSettings& settings) const;
  bool isCached(const SpeechLine& line) const;
  std::size_t cachedCount() const;
  // The samples kept, in bytes, and their bound (kCacheBytes unless set).
  std::size_t cachedBytes() const { return bytes_; }
  void setCacheLimit(std::size_t bytes);
  // Handles events until no synthesis is pending; false after `timeoutMs`.
  bool waitForIdle(int timeoutMs);
  // The same for every engine there is.
  static bool waitForAllIdle(int timeoutMs);

 signals:
  // Emitted from a worker thread when synthesis `job` ends; `sound` is null
  // when it failed.
  void synthesized(quint64 job, sorane::SoundPtr sound);

 private:
  struct Key {
    QString text;
    VoiceSettings voice;
    SpeechLanguage language = SpeechLanguage::Japanese;
    bool operator==(const Key&) const = default;
    bool operator<(const Key& other) const;
  };
  enum class State { Waiting, Running, Ready };
  struct Entry {
    State state = State::Waiting;
    SoundPtr sound;
    quint64 spoken = 0;  // when last spoken, counted in speaks; 0 never
  };
  struct Job {
    Key key;
    bool background = false;
    bool counted = false;  // one of the Japanese prepares
  };

  OpenJTalkSpeech(AudioEngine& audio, OpenJTalkSetup setup, QString settingsFile,
                  EnglishSynthesizer* english);
  static std::vector<OpenJTalkSpeech*>& engines();
  void onSynthesized(quint64 job, const SoundPtr& sound);
  // The key of `line` in the current voice; nothing for a line not spoken.
  std::optional<Key> keyOf(const SpeechLine& line) const;
  void say(std::deque<Key> keys, bool handed);
  void advance();
  void startSynthesis(const Key& key, bool background);
  void dispatch(bool remakes);
  bool unqueue(const Key& key);
  void forget(const Key& key);
  void playNow(const SoundPtr& sound);
  void touch(const Key& key);
  void evict(const Key* keep);

  AudioEngine& audio_;
  OpenJTalkSetup setup_;
  QString settingsFile_;
  VoiceSettings settings_;
  QThreadPool pool_;
  std::map<Key, Entry> cache_;
  std::list<Key> recent_;    // every entry, most recent first
  std::deque<Key> asked_;    // prepares not started yet, in the order asked
  std::deque<Key> remakes_;  // texts of an old voice to make in the new one
  std::map<quint64, Job> jobs_;
  quint64 nextJob_ = 1;
  quint64 speaks_ = 0;
  int preparing_ = 0;
  std::size_t bytes_ = 0;
  std::size_t limit_ = kCacheBytes;
  EnglishSynthesizer* english_ = nullptr;
  // Lines still to be handed to the audio engine, in order; each plays
  // once its synthesis ends and the one before has been handed over.
  std::deque<Key> wanted_;
  bool handedAny_ = false;  // a line of the current speak has been handed over
  bool failed_ = false;
};

}  // namespace sorane
