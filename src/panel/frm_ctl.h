#pragma once

#include <QRegion>
#include <QSet>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "companion.h"
#include "controls.h"
#include "mdl_m_tape.h"

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QScrollBar;

namespace sorane {

class AutoDrive;
class PanelKeys;
class Program;
class StopRequest;
struct DriveSettings;

// A keypad key: a 26 x 23 face with 2-pixel rounded corners.
class KeyButton : public Button {
  Q_OBJECT
 public:
  explicit KeyButton(const QString& text, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The operation panel "集中操作盤". Closing it quits the program, after
// asking. It hosts the announcement tape in its frame `grpM_Tape`.
class frmCtl : public QWidget, public TapeHost {
  Q_OBJECT
 public:
  explicit frmCtl(Program& app);
  ~frmCtl() override;

  void Form_Load();

  // Route set from the lists (0) or the keypad (1).
  void Command1_Click(int index);
  // Step back (0) or forward (1).
  void Command2_Click(int index);
  // Puts stop row `row` on the board.
  void DispData(std::int16_t row);
  void CommandButton1_Click(int index);
  void List2_Click();
  void List3_Click();
  // Display clear.
  void Check1_Click();
  // "設定...": the settings dialog, modal.
  void Command4_Click();
  void cmdTapeNext_Click();
  void cmdTapeBack_Click();

  mdlM_Tape& tape() { return *tape_; }
  // A passenger's stop request (key B, a click on the lamp).
  StopRequest& stopRequest() { return *stopRequest_; }
  // Automatic driving (key A, the board's menu).
  AutoDrive& autoDrive() { return *autoDrive_; }
  // The chime, the wait and the timetable speed kept in view.ini.
  void applyDriveSettings(const DriveSettings& settings);
  // What the lamp's caption says about automatic driving.
  QString driveCaption() const;
  // The keys that press the panel's buttons.
  PanelKeys& keys() { return *keys_; }
  // The fare file's column whose values choose the step sound; none when
  // the settings play one sound at every step.
  std::optional<int> stepFlagColumn();

  // TapeHost
  bool alwaysPlaySound() override;
  QString selectSound(int index) override;
  bool waitForSound() override;
  void setTapeCaption(const QString& caption) override;
  void setTapeFrameEnabled(bool enabled) override;
  void setTapeButtonsEnabled(bool enabled) override;
  QWidget* tapeDialogOwner() override { return this; }
  int shownRow() override;
  int lastRow() override;
  QString englishStopName(int row) override;

  // Backlight OFF, ON1, ON2: the board's picture and ticket-number colour.
  void Option4_Click(int index);
  // 0, 1 or 2: the backlight option selected now.
  int backlightMode() const;
  // Panel values <-> the saved panel state. A saved position off every
  // screen gives the start-up place.
  void GetCtrlDataInfo();
  void SetCtrlDataInfo();
  // Where start-up puts the panel: the bottom-right corner of the screen's
  // available area.
  QPoint startPlace() const;
  void moveToStartPlace();
  void HScroll1_Change(int index);
  void Check4_Click();
  // Double-click on input frame k shows the other one.
  void Frame1_DblClick(int index);
  // The About box.
  void Command8_Click();
  // A right-button press on the ticket preview pops up its menu.
  void picSeirikenPrev_MouseDown(Qt::MouseButton button, QPoint globalPos);
  // "コピー(&C)": the preview's kept image onto the clipboard.
  void MnuHideCopy_Click();

  // The quit sequence without its question: the settings are saved and
  // the program ends.
  void quit();

  // Window position in twips of screen pixels, whatever the view scale.
  int leftTwips() const;
  int topTwips() const;
  void setLeftTwips(int twips);
  void setTopTwips(int twips);

  // Route and section entry.
  std::array<Frame*, 2> Frame1{};
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  std::array<QListWidget*, 5> List2{};
  QWidget* Picture1 = nullptr;
  std::array<QListWidget*, 3> List3{};
  std::array<Button*, 2> Command1{};
  QLabel* Label9 = nullptr;
  std::array<QLabel*, 3> Label2{};
  std::array<KeyButton*, 12> CommandButton1{};
  // Stepping and display.
  ToggleButton* Check1 = nullptr;
  std::array<Button*, 2> Command2{};
  // Speech tape.
  Frame* grpM_Tape = nullptr;
  Button* cmdTapeBack = nullptr;
  Button* cmdTapeNext = nullptr;
  Button* cmdTapeStop = nullptr;
  Button* cmdTapeSet = nullptr;
  // Backlight.
  Frame* Frame2 = nullptr;
  std::array<PushOption*, 3> Option4{};
  // Scroll controls and night fare.
  Frame* Frame6 = nullptr;
  std::array<QLabel*, 2> Label3{};
  std::array<QLabel*, 2> Label1{};
  std::array<QScrollBar*, 2> HScroll1{};
  CheckBox* Check2 = nullptr;
  Button* Command4 = nullptr;
  Button* Command8 = nullptr;
  // Ticket preview column.
  ToggleButton* Check4 = nullptr;
  QLabel* Label4 = nullptr;
  PictureBox* picSeirikenPrev = nullptr;
  ComboBox* Combo1 = nullptr;
  QMenu* MnuHide = nullptr;
  QAction* MnuHideCopy = nullptr;

  // Shapes of the twelve keypad keys.
  std::array<QRegion, 12> KeyRegions;
  bool KeypadTarget = false;
  std::int16_t InputFrame = 0;
  QString RouteSetDate;

  // Client widths with the preview column hidden and shown.
  static constexpr int kNarrowWidth = 353;
  static constexpr int kWideWidth = 594;

 signals:
  void driveCaptionChanged(const QString& caption);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildInputFrames();
  void buildControls();
  void connectCommands();
  void showDriveState();
  // A ticket from the helper for preview order `order`.
  void showTicket(std::uint64_t order, const QString& plugin, const SeirikenPicture& picture);

  Program& app_;
  std::unique_ptr<mdlM_Tape> tape_;
  PanelKeys* keys_ = nullptr;
  std::unique_ptr<StopRequest> stopRequest_;
  AutoDrive* autoDrive_ = nullptr;
  // Counts DispData calls.
  std::uint64_t displays_ = 0;
  // Counts the preview's orders: only the last one's ticket is shown.
  std::uint64_t previewOrders_ = 0;
  // Plug-ins that could not draw a ticket this run, each told once.
  QSet<QString> failedPlugins_;
};

}  // namespace sorane
