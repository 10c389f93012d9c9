#pragma once

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <array>

#include "chimei_ctl_b.h"
#include "m_degit.h"
#include "seiri_label.h"
#include "ui_timer.h"
#include "window_drag.h"

class QAction;
class QMenu;

namespace sorane {

class BoardModel;
class Program;

// The fare board: a borderless, panel-shaped window carrying the 32 ticket
// cells, two hidden clock elements and the stop-name strip. Its load handler
// is the program's start-up sequence.
class Form1 : public QWidget {
  Q_OBJECT
 public:
  explicit Form1(Program& app);
  ~Form1() override;

  // Index 0 of Degit and lblSeiriNum is a hidden spare; 1..32 are the cells.
  std::array<M_Degit*, 33> Degit{};
  std::array<QPointer<SeiriLabel>, 33> lblSeiriNum;
  std::array<M_Degit*, 2> TimeDegit{};
  ChimeiCtl_B* ChimeiCtl = nullptr;
  UiTimer* Timer1 = nullptr;
  // Picture holders, never shown themselves.
  std::array<QImage, 3> imgRes;

  void Form_Load();
  void Timer1_Timer();
  void GetFormInfo();
  // A saved position off every screen gives the start-up place.
  void SetFormInfo();
  // Where start-up puts the board: the screen's top-left corner.
  QPoint startPlace() const;
  void moveToStartPlace();
  void DeleteRgn();
  void Degit_DblClick(int index);

  // The board's state this window shows.
  BoardModel& model();
  // Cells first..last as the model holds them: lit during the lamp test,
  // blank, or the value written.
  void showCells(int first, int last);
  // The ticket-number captions as the model holds them.
  void showLabels();

  // The window's background picture, drawn from the top-left corner; the
  // rest of the window shows the form's grey.
  void setPicture(const QImage& picture);
  const QImage& picture() const { return picture_; }
  // The shape given to the window at start.
  QRegion shapeRegion() const { return shape_; }

  // The right-button menu of the board's face, the cells and the strip:
  // 表示倍率 1倍, 2倍, 3倍, the scale of this run checked; the board's style
  // (表示方式) and the LCD board's scheme (液晶の配色); English
  // announcements on or off; the lamp shown or not; automatic driving, its
  // wait and its timetable speed.
  QMenu* contextMenu() const { return menu_; }
  // Opens that menu at `globalPos`, its checks brought up to date: the
  // menu of whichever board is shown.
  void popupMenu(const QPoint& globalPos);
  // A scale chosen there: after a Yes, the program quits as it does on
  // request and starts again at `scale`. The scale of this run does nothing.
  void chooseScale(int scale);
  // The menu's 「GTFSから路線を作る...」: the import dialog, modal.
  void importGtfs();

  // Window position in twips of screen pixels, whatever the view scale.
  int leftTwips() const;
  int topTwips() const;
  void setLeftTwips(int twips);
  void setTopTwips(int twips);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void buildContextMenu();

  Program& app_;
  QImage picture_;
  QRegion shape_;
  WindowDrag drag_;
  QMenu* menu_ = nullptr;
  QAction* englishItem_ = nullptr;
  QAction* lampItem_ = nullptr;
  QAction* autoItem_ = nullptr;
  QAction* recordItem_ = nullptr;
  QMenu* waitMenu_ = nullptr;
  QMenu* speedMenu_ = nullptr;
  QMenu* styleMenu_ = nullptr;
  QMenu* schemeMenu_ = nullptr;
};

}  // namespace sorane
