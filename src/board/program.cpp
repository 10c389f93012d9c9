#include "program.h"

#include <QCoreApplication>
#include <QSettings>

#include "board_recording.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "panel_keys.h"
#include "screens.h"
#include "stop_lamp.h"
#include "stop_request.h"
#include "view_scale.h"

namespace sorane {
namespace {
const QString kBoardStartPlace = QStringLiteral("start_places/board");
const QString kPanelStartPlace = QStringLiteral("start_places/panel");

std::optional<QPoint> pointValue(const QSettings& ini, const QString& key) {
  const QStringList xy = ini.value(key).toStringList();
  bool xOk = false, yOk = false;
  const QPoint p(xy.value(0).toInt(&xOk), xy.value(1).toInt(&yOk));
  if (xy.size() != 2 || !xOk || !yOk) return std::nullopt;
  return p;
}
}  // namespace

Program::Program()
    : form1_(std::make_unique<Form1>(*this)),
      boardView_(std::make_unique<BoardView>(*this)),
      recording_(std::make_unique<BoardRecording>(*this)),
      endHandler_([] { QCoreApplication::exit(0); }) {}

Program::~Program() {
  recording_.reset();
  lamp_.reset();
  boardView_.reset();
  ctl_.reset();
  option_.reset();
  form1_.reset();
}

frmOption& Program::option() {
  if (!option_) {
    option_ = std::make_unique<frmOption>(*this);
    option_->Form_Load();
  }
  return *option_;
}

frmCtl& Program::ctl() {
  if (!ctl_) {
    ctl_ = std::make_unique<frmCtl>(*this);
    ctl_->Form_Load();
  }
  return *ctl_;
}

void Program::start() {
  BoardLook look;
  {
    const QSettings ini(viewSettingsFile(), QSettings::IniFormat);
    startPlaces_ = {pointValue(ini, kBoardStartPlace), pointValue(ini, kPanelStartPlace)};
    drive_ = DriveSettings::read(ini);
    look = BoardLook::read(ini);
  }
  form1_->Form_Load();
  boardView_->setScheme(look.scheme);
  boardView_->setStyle(look.style);
  boardView_->show();
  startLamp();
  announce_ = AnnounceSettings::load(viewSettingsFile());
  ctl().tape().setEnglish(announce_.english);
}

void Program::startLamp() {
  frmCtl& c = ctl();
  c.applyDriveSettings(drive_);
  lamp_ = std::make_unique<StopLamp>();
  QObject::connect(lamp_.get(), &StopLamp::pressed, &c, [&c] { c.stopRequest().press(); });
  QObject::connect(&c.stopRequest(), &StopRequest::litChanged, lamp_.get(), &StopLamp::setLit);
  QObject::connect(&c, &frmCtl::driveCaptionChanged, lamp_.get(), &StopLamp::setCaption);
  c.keys().watchWindow(lamp_.get());
  c.keys().addKeyAction(Qt::Key_V, QStringLiteral("V"), [this] { recording_->toggle(); });

  // Under the board at first; a kept place stays while it can be reached
  // and leaves the board uncovered (a board shown larger may reach it).
  const QPoint under = lampStartPlace();
  lamp_->move(drive_.lampPos ? *drive_.lampPos / viewScale() : under);
  if (isOffEveryScreen(lamp_->frameGeometry()) ||
      lamp_->frameGeometry().intersects(boardView_->window().frameGeometry()))
    lamp_->move(under);
  keepOnScreen(lamp_.get());
  lamp_->setVisible(drive_.lampShown);
}

QPoint Program::lampStartPlace() const {
  const QWidget& board = boardView_->window();
  return board.pos() + QPoint(0, board.frameGeometry().height() + 8);
}

void Program::setBoardStyle(BoardStyle style, bool keep) {
  if (style == boardView_->style()) return;
  // A lamp under the board stays under it; one the new board would cover
  // goes there too.
  const bool under = lamp_ && lamp_->pos() == lampStartPlace();
  boardView_->setStyle(style);
  if (lamp_ && (under || lamp_->frameGeometry().intersects(boardView_->window().frameGeometry()))) {
    lamp_->move(lampStartPlace());
    keepOnScreen(lamp_.get());
  }
  if (keep) keepBoardLook();
}

void Program::setBoardScheme(lcd::Scheme scheme) {
  boardView_->setScheme(scheme);
  keepBoardLook();
}

void Program::keepBoardLook() {
  BoardLook{boardView_->style(), boardView_->scheme()}.save(viewSettingsFile());
}

void Program::saveDrive() {
  // A lamp under the board stays under it at any scale.
  if (lamp_)
    drive_.lampPos = lamp_->pos() == lampStartPlace()
                         ? std::nullopt
                         : std::optional<QPoint>(lamp_->pos() * viewScale());
  drive_.save(viewSettingsFile());
}

void Program::keepStartPlaces() {
  QSettings ini(viewSettingsFile(), QSettings::IniFormat);
  auto keep = [&ini](const QString& key, bool atStart, std::int32_t left, std::int32_t top) {
    if (atStart)
      ini.setValue(key, QStringList{QString::number(left), QString::number(top)});
    else
      ini.remove(key);
  };
  keep(kBoardStartPlace, form1_->pos() == form1_->startPlace(), record_.formPos.Left,
       record_.formPos.Top);
  if (ctl_)
    keep(kPanelStartPlace, ctl_->pos() == ctl_->startPlace(), record_.panelState.Left,
         record_.panelState.Top);
}

void Program::setLampShown(bool shown) {
  drive_.lampShown = shown;
  if (lamp_) lamp_->setVisible(shown);
  saveDrive();
}

void Program::setEnglish(bool on) {
  announce_.english = on;
  announce_.save(viewSettingsFile());
  if (!ctl_) return;
  ctl_->tape().setEnglish(on);
  ctl_->stopRequest().prepare();
}

void Program::end() {
  if (ended_) return;
  ended_ = true;
  recording_->stop();
  keepStartPlaces();
  if (ctl_) ctl_->hide();
  if (option_) option_->hide();
  if (lamp_) {
    saveDrive();
    lamp_->hide();
  }
  boardView_->hide();
  if (endHandler_) endHandler_();
}

}  // namespace sorane
