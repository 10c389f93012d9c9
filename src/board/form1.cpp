#include "form1.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <array>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "auto_drive.h"
#include "board_layout.h"
#include "board_recording.h"
#include "board_view.h"
#include "fonts.h"
#include "frm_ctl.h"
#include "gtfs_import_dialog.h"
#include "mdl318_000.h"
#include "mdl_ini_io.h"
#include "program.h"
#include "property_bag.h"
#include "region.h"
#include "screens.h"
#include "twips.h"
#include "ui.h"
#include "view_scale.h"

namespace sorane {
namespace {
// Dark grey: shows below and right of a picture smaller than the window.
const QColor kFormBack(64, 64, 66);
constexpr int kShapeEllipse = 7;
const QString kScaleMenuTitle = QStringLiteral("表示倍率");
const QString kScaleItem = QStringLiteral("%1倍");
const QString kScaleQuestion =
    QStringLiteral("表示倍率を%1倍に変えるため、ソラネを再起動します。よろしいですか？");
const QString kScaleQuestionTitle = QStringLiteral("表示倍率の変更");
const QString kStyleMenuTitle = QStringLiteral("表示方式");
const QString kSchemeMenuTitle = QStringLiteral("液晶の配色");
// Each choice's caption and the value it stands for.
const std::array<std::pair<QString, int>, 2> kStyleItems{
    {{QStringLiteral("LED"), int(BoardStyle::Led)},
     {QStringLiteral("液晶"), int(BoardStyle::Lcd)}}};
const std::array<std::pair<QString, int>, 2> kSchemeItems{
    {{QStringLiteral("黒"), int(lcd::Scheme::Black)},
     {QStringLiteral("白"), int(lcd::Scheme::White)}}};
const QString kEnglishItem = QStringLiteral("英語の放送");
const QString kLampItem = QStringLiteral("降車合図灯を表示");
const QString kAutoItem = QStringLiteral("自動運行");
const QString kWaitMenuTitle = QStringLiteral("自動運行の待ち時間");
const QString kWaitItem = QStringLiteral("%1秒");
const QString kSpeedMenuTitle = QStringLiteral("時刻表の速さ");
const QString kSpeedItem = QStringLiteral("×%1");

// A submenu of exclusive choices, each a caption and the value it stands
// for; `chosen` gets the value picked.
QMenu* namedChoiceMenu(QMenu* parent, const QString& title,
                       std::span<const std::pair<QString, int>> items,
                       std::function<void(int)> chosen) {
  QMenu* menu = parent->addMenu(title);
  auto* group = new QActionGroup(menu);
  for (const auto& [caption, value] : items) {
    QAction* a = menu->addAction(caption);
    a->setCheckable(true);
    a->setData(value);
    group->addAction(a);
  }
  QObject::connect(menu, &QMenu::triggered, menu,
                   [chosen = std::move(chosen)](QAction* a) { chosen(a->data().toInt()); });
  return menu;
}

// A menu of numbered choices: `item` filled with each value.
QMenu* choiceMenu(QMenu* parent, const QString& title, const QString& item,
                  std::span<const int> values, std::function<void(int)> chosen) {
  std::vector<std::pair<QString, int>> items;
  for (int v : values) items.emplace_back(item.arg(v), v);
  return namedChoiceMenu(parent, title, items, std::move(chosen));
}

void checkValue(QMenu* menu, int value) {
  for (QAction* a : menu->actions()) a->setChecked(a->data().toInt() == value);
}
}  // namespace

Form1::Form1(Program& app) : QWidget(nullptr, Qt::FramelessWindowHint), app_(app), drag_(*this) {
  setWindowTitle(QStringLiteral("Form2"));
  setFixedSize(twipsSize(board::kClientWidthTwips, board::kClientHeightTwips));
  setAttribute(Qt::WA_OpaquePaintEvent);

  for (int i = 0; i <= board::kCells; ++i) {
    auto* d = new M_Degit(this);
    d->InitProperties();
    d->move(board::degitRect(i).topLeft());
    connect(d, &M_Degit::DblClick, this, [this, i] { Degit_DblClick(i); });
    Degit[static_cast<std::size_t>(i)] = d;

    auto* l = new SeiriLabel(this);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setFace(kFaceNum5, 12);
    l->setTextColor(colorRef(205, 209, 134));
    l->setGeometry(board::labelRect(i));
    lblSeiriNum[static_cast<std::size_t>(i)] = l;
  }
  Degit[0]->hide();
  lblSeiriNum[0]->hide();

  PropertyBag clockProps;
  clockProps.write(QStringLiteral("Keta"), 2, 4);
  for (int k = 0; k < 2; ++k) {
    auto* t = new M_Degit(this);
    t->ReadProperties(clockProps);
    const QRect r = board::timeDegitRectTwips(k);
    t->setGeometry(twipsRect(r.x(), r.y(), r.width(), r.height()));
    t->hide();
    TimeDegit[static_cast<std::size_t>(k)] = t;
  }

  PropertyBag chimeiProps;
  chimeiProps.write(QStringLiteral("ForeColor"), ColorRef{0x0080C0FF},
                    ChimeiCtl_B::kDefaultForeColor);
  chimeiProps.write(QStringLiteral("Appearance"), 0, int{ChimeiCtl_B::kDefaultAppearance});
  ChimeiCtl = new ChimeiCtl_B(this);
  ChimeiCtl->ReadProperties(chimeiProps);
  const QRect c = board::chimeiRectTwips();
  ChimeiCtl->setGeometry(twipsRect(c.x(), c.y(), c.width(), c.height()));

  Timer1 = new UiTimer(this);
  Timer1->setInterval(1000);
  connect(Timer1, &UiTimer::timeout, this, &Form1::Timer1_Timer);

  buildContextMenu();

  connect(&model(), &BoardModel::cellsChanged, this, &Form1::showCells);
  connect(&model(), &BoardModel::labelsChanged, this, &Form1::showLabels);
  showLabels();
}

Form1::~Form1() = default;

BoardModel& Form1::model() {
  return app_.boardModel();
}

void Form1::showCells(int first, int last) {
  const BoardModel& m = model();
  for (int k = std::max(first, 1); k <= std::min(last, board::kCells); ++k) {
    M_Degit* d = Degit[static_cast<std::size_t>(k)];
    const QVariant value = m.cellValue(k);
    if (m.lampTest())
      d->ResetDegit(true);
    else if (!value.isValid())
      d->ResetDegit(false);
    else
      d->setValue(value);
  }
}

void Form1::showLabels() {
  for (int k = 1; k <= board::kCells; ++k)
    if (SeiriLabel* l = lblSeiriNum[static_cast<std::size_t>(k)]) l->setText(model().cellLabel(k));
}

void Form1::Form_Load() {
  mdl318_000::InitBoardCells(*this);
  mdl318_000::InitPanelDefaults(app_);
  app_.option();  // loaded, hidden, for the whole run

  frmCtl& ctl = app_.ctl();
  ctl.show();
  ctl.raise();

  moveToStartPlace();
  ctl.moveToStartPlace();

  shape_ = roundRectRegion(0, 0, width(), height(), kShapeEllipse, kShapeEllipse);
  setMask(shape_);
  update();

  mdlIniIo::LoadSettings(app_);
}

void Form1::Timer1_Timer() {
  const QString now = ui().now().toString(QStringLiteral("HH:mm:ss"));
  TimeDegit[0]->setValue(now.mid(0, 2).toInt());
  TimeDegit[1]->setValue(now.mid(3, 2).toInt());
}

void Form1::GetFormInfo() {
  app_.record().formPos.Left = leftTwips();
  app_.record().formPos.Top = topTwips();
}

void Form1::SetFormInfo() {
  setLeftTwips(app_.record().formPos.Left);
  setTopTwips(app_.record().formPos.Top);
  const QPoint saved(app_.record().formPos.Left, app_.record().formPos.Top);
  if (isOffEveryScreen(frameGeometry()) || app_.startPlaces().board == saved) moveToStartPlace();
  keepOnScreen(this);
}

QPoint Form1::startPlace() const {
  return {0, 0};
}

void Form1::moveToStartPlace() {
  move(startPlace());
}

// The shape region belongs to the window system once applied; nothing to free.
void Form1::DeleteRgn() {}

void Form1::Degit_DblClick(int index) {
  M_Degit* cell = Degit[static_cast<std::size_t>(index)];
  if (!cell->UserSet()) return;
  frmCtl& ctl = app_.ctl();
  ctl.setEnabled(false);
  if (cell->ShowSetDlg() == 1) {
    const std::int16_t zeroMode = cell->ZeroMode();
    const std::int16_t shift = cell->Shift();
    const std::int16_t fillZero = cell->FillZero();
    for (int k = 1; k <= board::kCells; ++k) {
      M_Degit* d = Degit[static_cast<std::size_t>(k)];
      const QVariant v = d->Value();
      d->setShift(shift);
      d->setFillZero(fillZero);
      d->setZeroMode(zeroMode);
      d->setValue(v);
    }
    model().setDigitOptions(zeroMode, fillZero, shift);
  }
  ctl.setEnabled(true);
}

void Form1::setPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void Form1::buildContextMenu() {
  menu_ = new QMenu(this);
  QMenu* scales = menu_->addMenu(kScaleMenuTitle);
  auto* group = new QActionGroup(scales);
  for (int n = kMinViewScale; n <= kMaxViewScale; ++n) {
    QAction* a = scales->addAction(kScaleItem.arg(n));
    a->setCheckable(true);
    a->setData(n);
    group->addAction(a);
    connect(a, &QAction::triggered, this, [this, n] { chooseScale(n); });
  }
  menu_->addAction(GtfsImportDialog::kMenuText, this, &Form1::importGtfs);
  styleMenu_ = namedChoiceMenu(menu_, kStyleMenuTitle, kStyleItems,
                               [this](int v) { app_.setBoardStyle(static_cast<BoardStyle>(v)); });
  schemeMenu_ = namedChoiceMenu(menu_, kSchemeMenuTitle, kSchemeItems, [this](int v) {
    app_.setBoardScheme(static_cast<lcd::Scheme>(v));
  });

  menu_->addSeparator();
  englishItem_ = menu_->addAction(kEnglishItem);
  englishItem_->setCheckable(true);
  connect(englishItem_, &QAction::triggered, this, [this](bool on) { app_.setEnglish(on); });
  lampItem_ = menu_->addAction(kLampItem);
  lampItem_->setCheckable(true);
  connect(lampItem_, &QAction::triggered, this, [this](bool on) { app_.setLampShown(on); });
  autoItem_ = menu_->addAction(kAutoItem);
  autoItem_->setCheckable(true);
  connect(autoItem_, &QAction::triggered, this,
          [this](bool on) { app_.ctl().autoDrive().setOn(on); });
  // A choice is used at once and kept.
  auto keep = [this](int DriveSettings::*field) {
    return [this, field](int v) {
      app_.drive().*field = v;
      app_.ctl().applyDriveSettings(app_.drive());
      app_.saveDrive();
    };
  };
  waitMenu_ = choiceMenu(menu_, kWaitMenuTitle, kWaitItem, DriveSettings::kWaits,
                         keep(&DriveSettings::waitSeconds));
  speedMenu_ = choiceMenu(menu_, kSpeedMenuTitle, kSpeedItem, DriveSettings::kTimetableSpeeds,
                          keep(&DriveSettings::timetableSpeed));
  menu_->addSeparator();
  recordItem_ =
      menu_->addAction(BoardRecording::kStartItem, this, [this] { app_.recording().toggle(); });
}

void Form1::contextMenuEvent(QContextMenuEvent* event) {
  popupMenu(event->globalPos());
}

void Form1::popupMenu(const QPoint& globalPos) {
  // The check follows the scale of this run, whatever was clicked before.
  checkValue(menu_->actions().front()->menu(), viewScale());
  checkValue(styleMenu_, int(app_.boardView().style()));
  checkValue(schemeMenu_, int(app_.boardView().scheme()));
  // The other checks follow what they stand for.
  englishItem_->setChecked(app_.announce().english);
  // Without an English voice there is nothing to switch.
  const SpeechEngine* voice = app_.ctl().tape().tapeVoice();
  englishItem_->setEnabled(voice && voice->speaks(SpeechLanguage::English));
  lampItem_->setChecked(app_.drive().lampShown);
  autoItem_->setChecked(app_.ctl().autoDrive().isOn());
  checkValue(waitMenu_, app_.drive().waitSeconds);
  checkValue(speedMenu_, app_.drive().timetableSpeed);
  recordItem_->setText(app_.recording().isRecording() ? BoardRecording::kStopItem
                                                      : BoardRecording::kStartItem);
  recordItem_->setEnabled(app_.recording().canRecord());
  menu_->popup(globalPos);
}

void Form1::chooseScale(int scale) {
  if (scale == viewScale() || app_.hasEnded()) return;
  if (ui().message(kScaleQuestion.arg(scale), kScaleQuestionTitle, MsgButtons::YesNo,
                   MsgIcon::Question, this) != MsgAnswer::Yes)
    return;
  saveViewScale(viewSettingsFile(), scale);
  app_.setRestartArguments(argumentsForScale(QCoreApplication::arguments(), scale));
  app_.ctl().quit();
}

void Form1::importGtfs() {
  GtfsImportDialog dialog(app_, this);
  dialog.exec();
}

int Form1::leftTwips() const {
  return twipsFromWindowCoord(pos().x(), viewScale());
}
int Form1::topTwips() const {
  return twipsFromWindowCoord(pos().y(), viewScale());
}
void Form1::setLeftTwips(int t) {
  move(windowCoordFromTwips(t, viewScale()), pos().y());
}
void Form1::setTopTwips(int t) {
  move(pos().x(), windowCoordFromTwips(t, viewScale()));
}

void Form1::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kFormBack);
  // The built-in picture comes at the screen's pixel ratio; a user's
  // picture is enlarged pixel for pixel, never smoothed.
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (!picture_.isNull()) p.drawImage(QPoint(0, 0), picture_);
}

void Form1::mousePressEvent(QMouseEvent* event) {
  drag_.press(*event);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
  drag_.move(*event);
}

void Form1::mouseReleaseEvent(QMouseEvent* event) {
  drag_.release(*event);
}

// The board has no close of its own: a close request asks the panel's
// quit question.
void Form1::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (!app_.hasEnded()) app_.ctl().close();
}

}  // namespace sorane
