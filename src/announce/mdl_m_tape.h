#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "speech_engine.h"
#include "tape_file.h"

class QWidget;

namespace sorane {

// What the tape needs of the windows: the sound settings of the settings
// dialog, read at every step, and the operation panel's frame `grpM_Tape`
// with its four buttons.
class TapeHost {
 public:
  virtual ~TapeHost() = default;
  // `Option2(2)` is chosen: the next operation always plays txtSelectSound(3).
  virtual bool alwaysPlaySound() = 0;
  // The text of `txtSelectSound(index)`, index 3..6.
  virtual QString selectSound(int index) = 0;
  // `Option7(0)` is chosen: the sound plays to its end before the speech.
  virtual bool waitForSound() = 0;
  // The caption of `grpM_Tape`.
  virtual void setTapeCaption(const QString& caption) = 0;
  virtual void setTapeFrameEnabled(bool enabled) = 0;
  // `cmdTapeNext`, `cmdTapeBack`, `cmdTapeStop` and `cmdTapeSet` together.
  virtual void setTapeButtonsEnabled(bool enabled) = 0;
  // The window that owns the voice-adjustment dialog (the operation panel).
  virtual QWidget* tapeDialogOwner() = 0;
  // The row the board shows, 1-based, and the route's last row; 0 for both
  // without a route.
  virtual int shownRow() = 0;
  virtual int lastRow() = 0;
  // The English name of `row` from the route's stop file; empty when none.
  virtual QString englishStopName(int row) = 0;
};

// The announcement tape: the route's announcement file spoken line by line
// through the speech engine, each line optionally after a sound.
class mdlM_Tape {
 public:
  static const QString kCaptionUsable;    // "音合使用可"
  static const QString kCaptionUnusable;  // "音合使用不可"
  static const QString kAdjustTitle;      // "音声の調節"
  static const QString kUnsupportedOs;    // "Windows Vista"
  // What the English voice says after a line, and the mark of a line of
  // its own ("[en]...").
  static const QString kNextStopEnglish;  // "The next stop is %1."
  static const QString kLastStopEnglish;  // "The next stop is %1, the last stop."
  static const QString kBoundForEnglish;  // "This bus is bound for %1."
  static const QString kEnglishMark;      // "[en]"

  mdlM_Tape(TapeHost& host, SpeechEngineFactory factory);

  void InitTape();
  // Reads strFolder + strRoute + "tp.csv"; strFolder already ends in "/".
  void LoadTape(const QString& strFolder, const QString& strRoute);
  void TapeNext();
  void TapeBack();
  // Speaks line `pos`, then in English the stop the board steps to in
  // `direction` (1 forward, -1 back) when the line steps it.
  void SpeakTape(std::int32_t pos, int direction = 1);
  void TapeStop();
  void TapeSetDlg();
  void TermTape();

  std::int32_t GetTapePos() const { return TapePos; }
  std::int32_t GetTapeCount() const { return TapeCount; }
  std::int16_t GetTapeStepFlag(std::int32_t pos) const;
  std::int16_t GetTapeSndFlag(std::int32_t pos) const;

  bool tapeEnabled() const { return TapeEnabled; }
  // English announcements (「英語の放送」): after each line that steps the
  // board, and `[en]` lines. Off at first.
  void setEnglish(bool on);
  bool english() const { return english_; }
  // English can be heard: it is on and the engine speaks it.
  bool speaksEnglish() const;
  // Entry `pos`, 1 .. GetTapeCount().
  const TapeEntry& tapeEntry(std::int32_t pos) const;
  SpeechEngine* tapeVoice() const { return TapeVoice.get(); }

 private:
  bool isUnsupportedOs() const;
  QString soundForFlag(std::int16_t flag);
  // What line `pos` says, the board showing `from` before its step in
  // `direction`.
  std::vector<SpeechLine> linesFor(std::int32_t pos, int from, int direction) const;
  // The row shown after line `pos` from `from` in `direction`: one further
  // when it steps and the route goes on, otherwise `from`.
  int rowAfter(std::int32_t pos, int from, int direction) const;
  // Prepares the lines a press may speak next, the board showing `shown`.
  void prepareAround(int shown);
  bool inRange(std::int32_t pos) const { return pos >= 1 && pos <= TapeCount; }

  TapeHost& host_;
  SpeechEngineFactory factory_;
  // Index 0 is unused: entries are numbered from 1 as in the file.
  std::vector<TapeEntry> TapeData{TapeEntry{}};
  std::int32_t TapeCount = 0;
  std::int32_t TapePos = 0;
  bool TapeEnabled = false;
  std::unique_ptr<SpeechEngine> TapeVoice;
  bool english_ = false;
};

}  // namespace sorane
