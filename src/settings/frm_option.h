#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "controls.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace sorane {

class M_Degit;
class Program;

// The settings dialog "オプション": loaded hidden at start and kept for the
// whole run. Its controls are the live store of every setting; the other
// windows read a setting from its control when they need it.
class frmOption : public QDialog {
  Q_OBJECT
 public:
  explicit frmOption(Program& app);

  void Form_Load();
  // Controls -> settings record fields, in file order.
  void GetOptionInfo();
  // Settings record fields -> controls, with the controls' own handlers.
  void SetOptionInfo();
  // Copies the display settings onto the fare board.
  void SetProp();
  // Checks a ticket plug-in and shows what it can do; 0 when it is not one.
  std::int32_t SetPlgin(const QString& fileName);
  void AddComboItem();
  // The folder chooser: the chosen folder, or an empty text when cancelled.
  // The argument is not used.
  QString GetPathString(const QString& defPath);
  // The colour chooser for one colour button; a cancel leaves its colour.
  void GetBtnColor(ColorButton* button);

  // Commands. Cancelling a chooser changes nothing.
  void Command3_Click(int index);
  void Command10_Click(int index);
  void cmdSelectSound_Click(int index);
  void Command6_Click(int index);
  void Command8_Click(int index);
  void Command7_Click();
  void Command1_Click();
  void Command11_Click();

  // Page selector, pages, OK.
  std::array<PushOption*, 6> Option1{};
  std::array<Frame*, 6> Frame1{};
  QPushButton* Command4 = nullptr;

  // Page 0: data folders.
  std::array<QLabel*, 2> Label3{};
  std::array<QLineEdit*, 2> Text2{};
  std::array<QPushButton*, 2> Command3{};
  std::array<QPushButton*, 2> Command10{};

  // Page 1: panel and ticket numbers.
  CheckBox* Check1 = nullptr;
  Frame* Frame3 = nullptr;
  QLabel* Label15 = nullptr;
  std::array<QLabel*, 6> Label4{};  // 1..5
  std::array<ColorButton*, 3> Command5{};
  ComboBox* Combo2 = nullptr;
  CheckBox* Check2 = nullptr;
  Frame* Frame4 = nullptr;
  std::array<OptionButton*, 8> Option3{};
  std::array<Frame*, 3> Frame6{};
  std::array<QLineEdit*, 3> txtSelectPanel{};
  std::array<QPushButton*, 3> Command6{};
  QLabel* Label12 = nullptr;
  std::array<QLabel*, 2> Label5{};  // 1

  // Page 2: digit elements and information digits.
  std::array<Frame*, 2> Frame5{};
  std::array<QLabel*, 4> Label6{};
  std::array<ColorButton*, 3> Command8{};
  M_Degit* M_Degit1 = nullptr;
  std::array<CheckBox*, 5> Check3{};
  std::array<ComboBox*, 5> Combo4{};
  QLabel* Label7 = nullptr;

  // Page 3: stop name.
  std::array<QLabel*, 2> Label8{};
  std::array<ColorButton*, 2> Command9{};
  QLabel* Label9 = nullptr;
  ComboBox* Combo3 = nullptr;
  CheckBox* Check4 = nullptr;

  // Page 4: sounds. txtSelectSound(2) does not exist.
  std::array<QLabel*, 12> Label1{};  // 0..5, 7, 9..11
  std::array<QLineEdit*, 11> txtSelectSound{};
  std::array<QPushButton*, 11> cmdSelectSound{};
  std::array<PushOption*, 2> Option5{};
  std::array<Frame*, 2> Frame2{};
  Frame* Frame8 = nullptr;
  Frame* Frame9 = nullptr;
  std::array<OptionButton*, 2> Option6{};
  std::array<OptionButton*, 2> Option7{};
  std::array<OptionButton*, 4> Option2{};
  ComboBox* Combo1 = nullptr;

  // Page 5: ticket preview.
  CheckBox* chkUseSeiriPrev = nullptr;
  Frame* Frame10 = nullptr;
  Frame* Frame7 = nullptr;
  std::array<OptionButton*, 3> Option4{};
  QLabel* Label14 = nullptr;
  QLabel* Label10 = nullptr;
  QPushButton* Command7 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* txtSeiriPlgDir = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command11 = nullptr;
  QLabel* Label11 = nullptr;
  QListWidget* List1 = nullptr;
  QLabel* Label13 = nullptr;
  QPlainTextEdit* txtPlginComment = nullptr;

 public slots:
  // A close that does not come through "OK" is ignored: the dialog holds
  // the live settings.
  void reject() override {}

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void buildPage0();
  void buildPage1();
  void buildPage2();
  void buildPage3();
  void buildPage4();
  void buildPage5();
  void connectHandlers();
  void chainTabs();
  void showPanelFrames();
  void fillCheck1Background();

  Program& app_;
  bool check1Filled_ = false;
};

}  // namespace sorane
