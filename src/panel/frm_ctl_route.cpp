// The panel's route commands: route set, stepping, what a stop row puts on
// the board, display clear, settings and the tape buttons.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include "auto_drive.h"
#include "board_model.h"
#include "chimei_ctl_b.h"
#include "companion.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "mdl_snd_api.h"
#include "panel_keys.h"
#include "program.h"
#include "stop_request.h"
#include "ui.h"

namespace sorane {
namespace {

const QString kPanelAlias = QStringLiteral("S1");
const QString kStepAlias = QStringLiteral("S2");
const QString kSelecting = QStringLiteral("系統選別中");
constexpr int kLampTestMs = 3000;
const QString kTicketFailureTitle = QStringLiteral("プラグインエラー");
const QString kTicketFailure =
    QStringLiteral("整理券プラグインで券を描けません。\r\n\r\nプラグイン：%1\r\n\r\n理由：%2");

// The selected items of `lists` joined in order; a list without a
// selection adds nothing.
QString selectedDigits(const std::array<QListWidget*, 5>& lists, int count) {
  QString out;
  for (int i = 0; i < count; ++i) {
    const QList<QListWidgetItem*> items = lists[static_cast<std::size_t>(i)]->selectedItems();
    if (!items.isEmpty()) out += items.first()->text();
  }
  return out;
}

QString dateText(const QDate& d) {
  return d.toString(QStringLiteral("MM-dd-yyyy"));
}

}  // namespace

void frmCtl::Command1_Click(int index) {
  frmOption& o = app_.option();
  DataIo& io = app_.dataIo();
  const QString fareFolder = DataIo::withSlash(o.Text2[0]->text());
  const QString tapeFolder = DataIo::withSlash(o.Text2[1]->text());
  mdlSndAPI::PlaySnd(o.txtSelectSound[0]->text(), kPanelAlias, 0, 0);

  // A refused route changes nothing: the route, its section and its tape
  // stay those of the last route set.
  const QString routeBefore = io.RouteText;
  const std::int16_t sectionBefore = io.StartSection;
  const std::int16_t countBefore = io.RouteCount;
  io.RouteText.clear();
  int section = 0;
  if (index != 0) {
    io.RouteText = Label2[0]->text();
    section = Label2[2]->text().toInt();
  } else {
    io.RouteText = selectedDigits(List2, 5);
    std::array<QListWidget*, 5> sectionLists{List3[0], List3[1], List3[2], nullptr, nullptr};
    section = selectedDigits(sectionLists, 3).toInt();
  }
  if (section == 0) section = 1;
  if (section > 300) section = 300;
  io.StartSection = static_cast<std::int16_t>(section);

  if (!io.LoadRouteFile(fareFolder)) {
    io.RouteText = routeBefore;
    io.StartSection = sectionBefore;
    io.RouteCount = countBefore;
    return;
  }
  tape_->LoadTape(tapeFolder, DataIo::routeBaseName(io.RouteText));
  stopRequest_->clear();
  // Made while the lamp test runs, not at start.
  stopRequest_->prepare();

  BoardModel& board = app_.boardModel();
  board.setRoute(std::vector<RouteRow>(io.RouteData.begin() + 1,
                                       io.RouteData.begin() + 1 + io.lastRow()),
                 extrasFromStops(io.stops(), io.lastRow()));

  // Lamp test: every segment lit while the route is being chosen.
  app_.form1().ChimeiCtl->SetChimei(kSelecting);
  board.setLampTest(true);
  ui().processEvents();
  ui().pause(kLampTestMs);
  board.setLampTest(false);

  Command2[0]->setEnabled(true);
  Command2[1]->setEnabled(true);
  Check1->setEnabled(true);
  RouteSetDate = o.Option4[2]->Value() ? o.Label10->text() : dateText(ui().today());
  DispData(static_cast<std::int16_t>(io.CurrentIndex + 1));
  autoDrive_->routeSet();
}

void frmCtl::Command2_Click(int index) {
  DataIo& io = app_.dataIo();
  if (index == 0) {
    if (io.CurrentIndex <= 0) return;
    --io.CurrentIndex;
  } else {
    if (io.CurrentIndex >= io.lastRow() - 1) return;
    ++io.CurrentIndex;
    stopRequest_->clear();  // the bus has arrived
  }
  frmOption& o = app_.option();
  QString sound;
  if (const std::optional<int> column = stepFlagColumn(); !column) {
    sound = o.txtSelectSound[7]->text();
  } else {
    const int flag = io.row(io.CurrentIndex + 1).Values[static_cast<std::size_t>(*column)];
    if (flag >= 1 && flag <= 3)
      sound = o.txtSelectSound[static_cast<std::size_t>(7 + flag)]->text();
  }
  mdlSndAPI::PlaySnd(sound, kStepAlias, o.Option6[0]->Value() ? 1 : 0, 0);
  DispData(static_cast<std::int16_t>(io.CurrentIndex + 1));
}

void frmCtl::DispData(std::int16_t row) {
  // A display started while events are processed below is newer: its
  // name goes with its fares.
  const std::uint64_t display = ++displays_;
  DataIo& io = app_.dataIo();
  RouteRow& r = io.row(row);
  Form1& form = app_.form1();
  frmOption& o = app_.option();

  // Fares from the starting section on, doubled under the night fare; the
  // texts follow the first cell's options.
  BoardModel& board = app_.boardModel();
  const M_Degit* first = form.Degit[1];
  board.setDigitOptions(first->ZeroMode(), first->FillZero(), first->Shift());
  board.setCurrentRow(row);
  board.showFares(row, r, io.StartSection);

  // Information digits, each over whatever its cell holds. No selection
  // writes to the classic board's hidden spare cell 0, which no board shows.
  auto put = [&](ComboBox* chooser, const QVariant& value) {
    const int cell = chooser->ListIndex() + 1;
    if (cell == 0)
      form.Degit[0]->setValue(value);
    else
      board.setInfoDigit(cell, value);
  };
  if (o.Check3[0]->Value() == 1) put(o.Combo4[0], o.Check3[4]->Value() == 1 ? row - 1 : row);
  if (o.Check3[1]->Value() == 1) put(o.Combo4[1], r.Values[0]);
  if (o.Check3[2]->Value() == 1) put(o.Combo4[2], io.RouteText);
  if (o.Check3[3]->Value() == 1) {
    const int column = o.Combo4[4]->ListIndex() + 1;
    if (column >= 0 && column <= 150) put(o.Combo4[3], r.Values[static_cast<std::size_t>(column)]);
  }

  QString date;
  if (o.Option4[0]->Value())
    date = dateText(ui().today());
  else if (o.Option4[1]->Value())
    date = RouteSetDate;
  else
    date = o.Label10->text();

  // The ticket helper draws the ticket: the preview keeps what it shows
  // until the new one comes. The terminal's row (ticket 0) has no ticket.
  const std::uint64_t order = ++previewOrders_;
  if (o.chkUseSeiriPrev->Value() != 1 || r.Values[0] == 0) {
    picSeirikenPrev->Cls();
  } else {
    SeirikenOrder t;
    t.path = o.txtSeiriPlgDir->text();
    t.pixels = picSeirikenPrev->image().size();
    t.stopName = r.StopName;
    t.date = date;
    t.time = ui().now().toString(QStringLiteral("HH:mm:ss"));
    t.route = DataIo::routeBaseName(io.RouteText).toInt();
    t.ticket = r.Values[0];
    t.stopIndex = row;
    t.company = static_cast<std::int16_t>(Combo1->ListIndex());
    companion().VK4_DrawSeiriken(t, this, [this, order, plugin = t.path](const SeirikenPicture& p) {
      showTicket(order, plugin, p);
    });
  }

  ui().processEvents();
  if (display != displays_) return;
  form.ChimeiCtl->SetChimei(r.StopName);
}

std::optional<int> frmCtl::stepFlagColumn() {
  const frmOption& o = app_.option();
  if (o.Option2[0]->Value()) return std::nullopt;
  return o.Combo1->ListIndex() + 1;
}

void frmCtl::showTicket(std::uint64_t order, const QString& plugin, const SeirikenPicture& p) {
  if (order == previewOrders_) {
    QImage& kept = picSeirikenPrev->image();
    if (!p.image.isNull() && p.image.size() == kept.size()) {
      const qreal dpr = kept.devicePixelRatio();
      kept = p.image.convertToFormat(QImage::Format_RGB32);
      kept.setDevicePixelRatio(dpr);
      picSeirikenPrev->Refresh();
    } else {
      picSeirikenPrev->Cls();
    }
  }
  // Once a run for each plug-in: the preview stays empty meanwhile.
  if (p.failure.isEmpty() || failedPlugins_.contains(plugin)) return;
  failedPlugins_.insert(plugin);
  ui().message(kTicketFailure.arg(plugin, p.failure), kTicketFailureTitle, MsgButtons::Ok,
               MsgIcon::Exclamation, this);
}

void frmCtl::CommandButton1_Click(int index) {
  mdlSndAPI::PlaySnd(app_.option().txtSelectSound[1]->text(), kPanelAlias, 0, 0);
  if (index <= 9) {
    QLabel* display = KeypadTarget ? Label2[0] : Label2[2];
    const int limit = KeypadTarget ? 5 : 3;
    if (display->text().size() < limit) display->setText(display->text() + QString::number(index));
  } else if (index == 10) {
    KeypadTarget = true;
    Label2[0]->clear();
  } else {
    KeypadTarget = false;
    Label2[2]->clear();
  }
}

void frmCtl::List2_Click() {
  mdlSndAPI::PlaySnd(app_.option().txtSelectSound[1]->text(), kPanelAlias, 0, 0);
}

void frmCtl::List3_Click() {
  mdlSndAPI::PlaySnd(app_.option().txtSelectSound[0]->text(), kPanelAlias, 0, 0);
}

void frmCtl::Check1_Click() {
  Form1& form = app_.form1();
  const bool clear = Check1->Value() == 1;
  app_.boardModel().setCleared(clear);
  if (clear) {
    stopRequest_->clear();
    form.ChimeiCtl->SetChimei(QString());
    form.Timer1->stop();
    for (M_Degit* t : form.TimeDegit) t->setValue(QString());
  }
  for (QWidget* w : {static_cast<QWidget*>(Frame1[0]), static_cast<QWidget*>(Frame1[1]),
                     static_cast<QWidget*>(Command2[0]), static_cast<QWidget*>(Command2[1]),
                     static_cast<QWidget*>(Frame6)})
    w->setEnabled(!clear);
  if (clear) {
    grpM_Tape->setEnabled(false);
    return;
  }
  if (!form.TimeDegit[0]->isHidden()) form.Timer1->start();
  grpM_Tape->setEnabled(tape_->tapeEnabled());
  DispData(static_cast<std::int16_t>(app_.dataIo().CurrentIndex + 1));
}

void frmCtl::Command4_Click() {
  Form1& form = app_.form1();
  form.setEnabled(false);
  setEnabled(false);
  app_.option().exec();
  form.setEnabled(true);
  setEnabled(true);
  form.ChimeiCtl->SetChimei(QString());
  // While the display is cleared the board stays dark.
  if (Check1->Value() == 1) return;
  form.ChimeiCtl->SetChimei(app_.dataIo().row(app_.dataIo().CurrentIndex + 1).StopName);
}

void frmCtl::cmdTapeNext_Click() {
  tape_->TapeNext();
  if (tape_->GetTapeStepFlag(tape_->GetTapePos()) == 1) Command2_Click(1);
}

void frmCtl::cmdTapeBack_Click() {
  tape_->TapeBack();
  if (tape_->GetTapeStepFlag(tape_->GetTapePos()) == 1) Command2_Click(0);
}

bool frmCtl::alwaysPlaySound() {
  return app_.option().Option2[2]->Value();
}

QString frmCtl::selectSound(int index) {
  QLineEdit* box = app_.option().txtSelectSound[static_cast<std::size_t>(index)];
  return box ? box->text() : QString();
}

bool frmCtl::waitForSound() {
  return app_.option().Option7[0]->Value();
}

void frmCtl::setTapeCaption(const QString& caption) {
  grpM_Tape->setTitle(caption);
}

void frmCtl::setTapeFrameEnabled(bool enabled) {
  grpM_Tape->setEnabled(enabled);
}

void frmCtl::setTapeButtonsEnabled(bool enabled) {
  for (Button* b : {cmdTapeNext, cmdTapeBack, cmdTapeStop, cmdTapeSet}) b->setEnabled(enabled);
}

int frmCtl::shownRow() {
  const DataIo& io = app_.dataIo();
  return io.lastRow() > 0 ? io.CurrentIndex + 1 : 0;
}

int frmCtl::lastRow() {
  return app_.dataIo().lastRow();
}

QString frmCtl::englishStopName(int row) {
  return app_.dataIo().stops().name(row, StopLanguage::English);
}

void frmCtl::connectCommands() {
  // Each command runs under the keys' watch: a key or a click that its own
  // event processing delivers waits until it has returned.
  auto command = [this](QAbstractButton* button, auto handler) {
    return [this, button, handler] { keys_->runCommand(handler, button); };
  };
  // A step, tape or display-clear button pressed by hand ends automatic
  // driving, which calls the commands itself.
  auto byHand = [this, command](QAbstractButton* button, auto handler) {
    const auto run = command(button, handler);
    return [this, run] {
      autoDrive_->manualPress();
      run();
    };
  };
  for (int k = 0; k < 2; ++k) {
    connect(Command1[k], &QPushButton::clicked, this,
            command(Command1[k], [this, k] { Command1_Click(k); }));
    connect(Command2[k], &QPushButton::clicked, this,
            byHand(Command2[k], [this, k] { Command2_Click(k); }));
  }
  for (int i = 0; i < 12; ++i)
    connect(CommandButton1[i], &QPushButton::clicked, this,
            command(CommandButton1[i], [this, i] { CommandButton1_Click(i); }));
  for (QListWidget* l : List2)
    connect(l, &QListWidget::itemSelectionChanged, this, &frmCtl::List2_Click);
  for (QListWidget* l : List3)
    connect(l, &QListWidget::itemSelectionChanged, this, &frmCtl::List3_Click);
  // Switching 表示消去 off is the way back to the route buttons, not a step:
  // a drive armed meanwhile stays armed.
  connect(Check1, &ToggleButton::Click, this,
          [this, run = command(Check1, [this] { Check1_Click(); })] {
            if (Check1->Value() == 1) autoDrive_->manualPress();
            run();
          });
  connect(Command4, &QPushButton::clicked, this, command(Command4, [this] { Command4_Click(); }));
  connect(cmdTapeNext, &QPushButton::clicked, this,
          byHand(cmdTapeNext, [this] { cmdTapeNext_Click(); }));
  connect(cmdTapeBack, &QPushButton::clicked, this,
          byHand(cmdTapeBack, [this] { cmdTapeBack_Click(); }));
  connect(cmdTapeStop, &QPushButton::clicked, this,
          byHand(cmdTapeStop, [this] { tape_->TapeStop(); }));
  connect(cmdTapeSet, &QPushButton::clicked, this,
          command(cmdTapeSet, [this] { tape_->TapeSetDlg(); }));
}

}  // namespace sorane
