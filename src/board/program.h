#pragma once

#include <QPoint>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "announce_settings.h"
#include "board_model.h"
#include "board_view.h"
#include "data_io.h"
#include "drive_settings.h"
#include "settings_record.h"

namespace sorane {

class Form1;
class frmCtl;
class frmOption;
class StopLamp;
class BoardRecording;

// The running program: its three windows, which live for the whole run and
// reach each other through it, and the state the modules share.
class Program {
 public:
  Program();
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  Form1& form1() { return *form1_; }
  // The fare board's state, which the panel updates and every board style
  // draws.
  BoardModel& boardModel() { return board_; }
  // The board on screen, in the style chosen.
  BoardView& boardView() { return *boardView_; }
  // The shown board's current picture at the view scale; boardView()'s
  // `changed` tells when it changed.
  QImage boardPicture() const { return boardView_->picture(); }
  // A style or an LCD scheme chosen: shown at once and kept in view.ini.
  // Kept in view.ini unless `keep` is false (a render's choice).
  void setBoardStyle(BoardStyle style, bool keep = true);
  void setBoardScheme(lcd::Scheme scheme);
  // The settings dialog and the operation panel are loaded on first use;
  // their load handlers run then.
  frmOption& option();
  frmCtl& ctl();
  bool isOptionLoaded() const { return option_ != nullptr; }
  bool isCtlLoaded() const { return ctl_ != nullptr; }

  // Recording the board and its sound.
  BoardRecording& recording() { return *recording_; }

  // The stop-request lamp's window; made at start.
  StopLamp& stopLamp() { return *lamp_; }
  // The stop request's and automatic driving's own settings (view.ini).
  DriveSettings& drive() { return drive_; }
  // Keeps them, the lamp's place included, in view.ini.
  void saveDrive();
  // Shows or hides the lamp, and keeps the choice.
  void setLampShown(bool shown);
  // What the announcements keep in view.ini (read at start).
  const AnnounceSettings& announce() const { return announce_; }
  // 「英語の放送」 on or off: used at once and kept.
  void setEnglish(bool on);

  // The positions (twips) the settings file holds for the board and the
  // panel when each was at its start-up place as it was saved. Such a
  // window takes its start-up place again, which moves with the scale.
  struct StartPlaces {
    std::optional<QPoint> board, panel;
  };
  const StartPlaces& startPlaces() const { return startPlaces_; }

  SettingsRecord& record() { return record_; }
  // The route-data store and route state.
  DataIo& dataIo() { return dataIo_; }

  // Start-up: the board's load handler, then the board is shown in the
  // style view.ini keeps, then the lamp.
  void start();
  // Ends the program at once, without further questions.
  void end();
  bool hasEnded() const { return ended_; }
  // What end() does after hiding the windows; quits the event loop unless
  // replaced (tests replace it).
  void setEndHandler(std::function<void()> handler) { endHandler_ = std::move(handler); }
  // Asks that the program be started again, with these arguments, once it
  // has ended.
  void setRestartArguments(const QStringList& arguments) { restart_ = arguments; }
  std::optional<QStringList> restartArguments() const { return restart_; }

 private:
  void startLamp();
  QPoint lampStartPlace() const;
  void keepStartPlaces();
  void keepBoardLook();

  SettingsRecord record_;
  DataIo dataIo_;
  BoardModel board_;
  std::unique_ptr<Form1> form1_;
  std::unique_ptr<BoardView> boardView_;
  std::unique_ptr<frmOption> option_;
  std::unique_ptr<frmCtl> ctl_;
  std::unique_ptr<StopLamp> lamp_;
  std::unique_ptr<BoardRecording> recording_;
  DriveSettings drive_;
  AnnounceSettings announce_;
  StartPlaces startPlaces_;
  std::function<void()> endHandler_;
  bool ended_ = false;
  std::optional<QStringList> restart_;
};

}  // namespace sorane
