#include "frm_ctl.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>

#include "app_info.h"
#include "auto_drive.h"
#include "backlight.h"
#include "board_model.h"
#include "board_layout.h"
#include "chimei_ctl_b.h"
#include "companion.h"
#include "drive_settings.h"
#include "form1.h"
#include "frm_option.h"
#include "mdl_ini_io.h"
#include "mdl_snd_api.h"
#include "panel_keys.h"
#include "program.h"
#include "region.h"
#include "runtime_error.h"
#include "screens.h"
#include "sound_services.h"
#include "stop_request.h"
#include "twips.h"
#include "ui.h"
#include "view_scale.h"

namespace sorane {
namespace {

constexpr int kClientHeight = 173;
const QColor kYellow(255, 255, 0);
const QColor kGreen(0, 224, 0);
const QColor kKeyGrey(224, 224, 224);
const QColor kTapeGrey(160, 160, 160);

template <typename W>
W* at(W* w, int left, int top, int width, int height) {
  w->setGeometry(left, top, width, height);
  return w;
}

QLabel* label(QWidget* parent, const QString& text, int l, int t, int w, int h) {
  return at(new QLabel(text, parent), l, t, w, h);
}

Button* button(QWidget* parent, const QString& text, int l, int t, int w, int h, QColor face = {}) {
  auto* b = at(new Button(text, parent), l, t, w, h);
  if (face.isValid()) b->setFaceColor(face);
  return b;
}

QListWidget* digitList(QWidget* parent, int l, int t, int w, int h) {
  auto* list = at(new QListWidget(parent), l, t, w, h);
  for (int d = 0; d <= 9; ++d) list->addItem(QString::number(d));
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setFrameShape(QFrame::Box);
  return list;
}

void setColors(QWidget* w, const QColor& back, const QColor& text) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, back);
  pal.setColor(QPalette::WindowText, text);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

const QString kOpenPreviewTip = QStringLiteral("整理券プレビューを開きます");
const QString kHidePreviewTip = QStringLiteral("整理券プレビューを隠します");
const QString kDrivingTip = QStringLiteral("自動運行中：送りは自動で押されます(Aキーで止めます)");
const QString kDrivingCaption = QStringLiteral("自動運行中");
const QString kArmedCaption = QStringLiteral("自動運行：系統設定で開始します");

}  // namespace

KeyButton::KeyButton(const QString& text, QWidget* parent) : Button(text, parent) {}

void KeyButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QRect face(2, 2, 26, 23);
  QColor fill = faceColor().isValid() ? faceColor() : kKeyGrey;
  if (isDown()) fill = fill.darker(125);
  // The face with its corner pixels left out: rounded by two pixels.
  p.fillRect(face.adjusted(1, 0, -1, 0), fill);
  p.fillRect(face.adjusted(0, 1, 0, -1), fill);
  // Raised edges, light above and left, dark below and right.
  p.setPen(isDown() ? fill.darker(160) : fill.lighter(130));
  p.drawLine(face.left() + 1, face.top(), face.right() - 1, face.top());
  p.drawLine(face.left(), face.top() + 1, face.left(), face.bottom() - 1);
  p.setPen(isDown() ? fill.lighter(120) : fill.darker(170));
  p.drawLine(face.left() + 1, face.bottom(), face.right() - 1, face.bottom());
  p.drawLine(face.right(), face.top() + 1, face.right(), face.bottom() - 1);
  p.setPen(isEnabled() ? QColor(Qt::black) : QColor(128, 128, 128));
  const int shift = isDown() ? 1 : 0;
  p.drawText(face.translated(shift, shift), Qt::AlignCenter, text());
}

frmCtl::frmCtl(Program& app)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      app_(app) {
  setWindowTitle(QStringLiteral("集中操作盤"));
  setFixedSize(kNarrowWidth, kClientHeight);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);
  buildInputFrames();
  buildControls();
  keys_ = new PanelKeys(*this, app.form1());
  tape_ = std::make_unique<mdlM_Tape>(*this, speechEngineFactory());
  stopRequest_ = std::make_unique<StopRequest>([this] { return tape_->tapeVoice(); },
                                               [this] { return tape_->speaksEnglish(); });
  // The board shows the night fare and the stop request as they change.
  connect(Check2, &QCheckBox::toggled, &app.boardModel(), &BoardModel::setNightFare);
  connect(stopRequest_.get(), &StopRequest::litChanged, &app.boardModel(),
          &BoardModel::setStopRequest);
  autoDrive_ = new AutoDrive(*this, app.dataIo());
  connect(autoDrive_, &AutoDrive::stateChanged, this, &frmCtl::showDriveState);
  keys_->addKeyAction(Qt::Key_B, QStringLiteral("B"), [this] { stopRequest_->press(); });
  keys_->addKeyAction(Qt::Key_A, QStringLiteral("A"),
                      [this] { autoDrive_->setOn(!autoDrive_->isOn()); });
  connectCommands();
}

void frmCtl::applyDriveSettings(const DriveSettings& settings) {
  stopRequest_->setChime(stopChimePath(settings));
  autoDrive_->setWaitSeconds(settings.waitSeconds);
  autoDrive_->setTimetableSpeed(settings.timetableSpeed);
}

QString frmCtl::driveCaption() const {
  switch (autoDrive_->state()) {
    case AutoDrive::State::Running:
      return kDrivingCaption;
    case AutoDrive::State::Armed:
      return kArmedCaption;
    case AutoDrive::State::Off:
      break;
  }
  return {};
}

void frmCtl::showDriveState() {
  const bool running = autoDrive_->state() == AutoDrive::State::Running;
  cmdTapeNext->setToolTip(keys_->withKeys(running ? kDrivingTip : QString(), cmdTapeNext));
  emit driveCaptionChanged(driveCaption());
}

frmCtl::~frmCtl() = default;

void frmCtl::buildInputFrames() {
  for (int k = 0; k < 2; ++k) {
    Frame1[k] = at(new Frame(QString(), this), 2, -4, 133, 175);
    setColors(Frame1[k], Qt::black, Qt::white);
    connect(Frame1[k], &Frame::DblClick, this, [this, k] { Frame1_DblClick(k); });
  }
  Frame* lists = Frame1[0];
  Label5 = label(lists, QStringLiteral("系統設定"), 15, 17, 102, 25);
  QFont title = Label5->font();
  title.setPixelSize(16);
  title.setBold(true);
  Label5->setFont(title);
  Label5->setAlignment(Qt::AlignCenter);
  Label6 = label(lists, QStringLiteral("系　統"), 16, 47, 47, 16);
  Label7 = label(lists, QStringLiteral("区間"), 95, 47, 24, 16);
  const int routeLeft[5] = {6, 19, 32, 45, 58};
  for (int i = 0; i < 5; ++i) List2[i] = digitList(lists, routeLeft[i], 61, 31, 21);
  Picture1 = at(new QWidget(lists), 71, 55, 11, 31);
  setColors(Picture1, Qt::black, Qt::white);
  const int sectionLeft[3] = {82, 98, 114};
  for (int i = 0; i < 3; ++i) {
    List3[i] = digitList(lists, sectionLeft[i], 61, 15, 21);
    List3[i]->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  Command1[0] = button(lists, QStringLiteral("リセット"), 7, 97, 123, 21);

  Frame* keypad = Frame1[1];
  Label9 = label(keypad, QString(), 17, 11, 103, 22);
  setColors(Label9, QColor(24, 40, 24), Qt::white);
  Label2[0] = label(keypad, QString(), 15, 12, 54, 21);
  Label2[1] = label(keypad, QStringLiteral("-"), 75, 12, 10, 10);
  Label2[2] = label(keypad, QString(), 86, 12, 31, 18);
  QFont digits = Label2[0]->font();
  digits.setPixelSize(16);
  digits.setBold(true);
  for (QLabel* l : Label2) {
    l->setFont(digits);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  Label2[1]->setAlignment(Qt::AlignCenter);
  const int cols[3] = {22, 54, 86};
  const int rows[4] = {38, 65, 93, 121};
  const int layout[4][3] = {{7, 8, 9}, {4, 5, 6}, {1, 2, 3}, {0, 10, 11}};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 3; ++c) {
      const int i = layout[r][c];
      const QString text =
          i < 10 ? QString::number(i) : (i == 10 ? QStringLiteral("系統") : QStringLiteral("区間"));
      auto* key = at(new KeyButton(text, keypad), cols[c], rows[r], 30, i == 0 ? 27 : 26);
      key->setFaceColor(i < 10 ? kKeyGrey : kYellow);
      CommandButton1[i] = key;
    }
  }
  Command1[1] = button(keypad, QStringLiteral("リセット"), 22, 150, 92, 21);
}

void frmCtl::buildControls() {
  Check1 = at(new ToggleButton(QStringLiteral("表示消去"), this), 142, 5, 85, 25);
  Check1->setEnabled(false);
  Command2[0] = button(this, QStringLiteral("データ戻し"), 138, 33, 43, 50, kYellow);
  Command2[1] = button(this, QStringLiteral("データ送り"), 182, 33, 46, 50, kYellow);
  for (Button* b : Command2) b->setEnabled(false);

  grpM_Tape = at(new Frame(QStringLiteral("音合使用不可"), this), 139, 84, 86, 85);
  setColors(grpM_Tape, kTapeGrey, kYellow);
  grpM_Tape->setEnabled(false);
  cmdTapeBack = button(grpM_Tape, QStringLiteral("戻し"), 5, 15, 39, 46, kGreen);
  cmdTapeNext = button(grpM_Tape, QStringLiteral("送り"), 44, 15, 38, 46, kGreen);
  cmdTapeStop = button(grpM_Tape, QStringLiteral("■"), 5, 62, 39, 20);
  cmdTapeSet = button(grpM_Tape, QStringLiteral("調整"), 44, 62, 38, 20);
  for (Button* b : {cmdTapeBack, cmdTapeNext, cmdTapeStop, cmdTapeSet}) b->setEnabled(false);

  Frame2 = at(new Frame(QStringLiteral("バックライト"), this), 231, 4, 113, 48);
  setColors(Frame2, Qt::black, Qt::white);
  const QString names[3] = {QStringLiteral("OFF"), QStringLiteral("ON1"), QStringLiteral("ON2")};
  const QColor textColors[3] = {Qt::black, Qt::red, Qt::blue};
  const int lefts[3] = {5, 41, 76};
  for (int k = 0; k < 3; ++k) {
    Option4[k] = at(new PushOption(names[k], Frame2), lefts[k], 22, 34, 22);
    QPalette p = Option4[k]->palette();
    p.setColor(QPalette::ButtonText, textColors[k]);
    Option4[k]->setPalette(p);
    connect(Option4[k], &PushOption::Click, this, [this, k] { Option4_Click(k); });
  }
  Option4[0]->setValue(true);

  Frame6 = at(new Frame(QString(), this), 230, 52, 115, 94);
  setColors(Frame6, Qt::black, Qt::white);
  Label3[0] = label(Frame6, QStringLiteral("ｽｸﾛｰﾙ速度"), 4, 10, 65, 14);
  Label1[0] = label(Frame6, QStringLiteral("1"), 70, 9, 38, 16);
  HScroll1[0] = at(new QScrollBar(Qt::Horizontal, Frame6), 8, 27, 96, 12);
  HScroll1[0]->setRange(1, 2000);
  HScroll1[0]->setValue(1);
  Label3[1] = label(Frame6, QStringLiteral("ｽｸﾛｰﾙ間隔"), 4, 43, 64, 14);
  Label1[1] = label(Frame6, QStringLiteral("0"), 70, 41, 38, 16);
  HScroll1[1] = at(new QScrollBar(Qt::Horizontal, Frame6), 9, 60, 94, 12);
  HScroll1[1]->setRange(0, 3000);
  HScroll1[1]->setValue(0);
  for (int i = 0; i < 2; ++i) {
    Label1[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(HScroll1[i], &QScrollBar::valueChanged, this, [this, i] { HScroll1_Change(i); });
  }
  Check2 = at(new CheckBox(QStringLiteral("深夜料金"), Frame6), 7, 75, 101, 18);

  Command4 = button(this, QStringLiteral("設定..."), 230, 150, 56, 20);
  Command8 = button(this, QStringLiteral("ﾊﾞｰｼﾞｮﾝ"), 286, 150, 58, 20);
  connect(Command8, &QPushButton::clicked, this, &frmCtl::Command8_Click);

  Check4 = at(new ToggleButton(QStringLiteral(">>"), this), 329, 3, 22, 20);
  Check4->setToolTip(kOpenPreviewTip);
  connect(Check4, &ToggleButton::Click, this, &frmCtl::Check4_Click);
  Label4 = label(this, QStringLiteral("整理券プレビュー"), 358, 9, 90, 15);
  picSeirikenPrev = at(new PictureBox(this), 361, 26, 220, 93);
  picSeirikenPrev->setBackColor(Qt::white);
  Combo1 = at(new ComboBox(this), 362, 144, 200, 20);
  connect(picSeirikenPrev, &PictureBox::MouseDown, this, &frmCtl::picSeirikenPrev_MouseDown);
  MnuHide = new QMenu(this);
  MnuHideCopy = MnuHide->addAction(QStringLiteral("コピー(&C)"));
  connect(MnuHideCopy, &QAction::triggered, this, &frmCtl::MnuHideCopy_Click);
}

void frmCtl::Form_Load() {
  app_.form1().setWindowTitle(QStringLiteral("ソラネ - 型番:") + programBaseName());
  for (int i = 0; i < 12; ++i) {
    KeyRegions[i] = roundRectRegion(2, 2, 28, 25, 2, 2);
    CommandButton1[i]->setMask(KeyRegions[i]);
  }
  tape_->InitTape();
}

int frmCtl::backlightMode() const {
  if (Option4[0]->Value()) return 0;
  if (Option4[1]->Value()) return 1;
  return 2;
}

void frmCtl::Option4_Click(int index) {
  frmOption& option = app_.option();
  Form1& form = app_.form1();
  const ColorRef color = option.Command5[index]->BackColor();
  // The "user panel" option of each state: OFF Option3(6), ON1 (2), ON2 (5).
  static constexpr int kUserOption[3] = {6, 2, 5};
  try {
    if (option.Option3[1]->Value() && option.Option3[kUserOption[index]]->Value()) {
      const QString file = option.txtSelectPanel[index]->text();
      if (QFileInfo(file).isFile()) form.setPicture(loadPicture(file));
    } else {
      form.setPicture(form.imgRes[index]);
    }
  } catch (const RuntimeError& e) {
    ui().message(backlightErrorText(e.number()), QStringLiteral("エラー"), MsgButtons::Ok,
                 MsgIcon::Critical, this);
  }
  for (int i = 1; i <= board::kCells; ++i) form.lblSeiriNum[i]->setTextColor(color);
  app_.boardModel().setBacklight(static_cast<BoardModel::Backlight>(index));
}

void frmCtl::GetCtrlDataInfo() {
  PanelState& s = app_.record().panelState;
  s.Left = leftTwips();
  s.Top = topTwips();
  s.ScrollSpeed = HScroll1[0]->value();
  s.ScrollStartWait = HScroll1[1]->value();
  s.InputFrame = InputFrame;
  s.PreviewShown = Check4->Value();
  s.NightFare = Check2->Value();
}

void frmCtl::SetCtrlDataInfo() {
  const PanelState& s = app_.record().panelState;
  setLeftTwips(s.Left);
  setTopTwips(s.Top);
  if (isOffEveryScreen(frameGeometry()) || app_.startPlaces().panel == QPoint(s.Left, s.Top))
    moveToStartPlace();
  keepOnScreen(this);
  for (int i = 0; i < 2; ++i) {
    const std::int32_t v = i == 0 ? s.ScrollSpeed : s.ScrollStartWait;
    if (v < HScroll1[i]->minimum() || v > HScroll1[i]->maximum())
      throw RuntimeError(err::kInvalidPropertyValue);
    HScroll1[i]->setValue(v);
  }
  if (s.InputFrame < 0 || s.InputFrame > 1) throw RuntimeError(err::kSubscriptOutOfRange);
  InputFrame = s.InputFrame;
  Check4->setValue(s.PreviewShown);
  Check2->setValue(s.NightFare);
  Frame1_DblClick(InputFrame);
}

void frmCtl::HScroll1_Change(int index) {
  Label1[index]->setText(QString::number(HScroll1[index]->value()));
  ChimeiCtl_B* chimei = app_.form1().ChimeiCtl;
  chimei->setSpeed(static_cast<std::int16_t>(HScroll1[0]->value()));
  chimei->setScrollStartWait(HScroll1[1]->value());
}

void frmCtl::Check4_Click() {
  const bool shown = Check4->Value() == 1;
  setFixedWidth(shown ? kWideWidth : kNarrowWidth);
  Check4->setText(shown ? QStringLiteral("<<") : QStringLiteral(">>"));
  Check4->setToolTip(keys_->withKeys(shown ? kHidePreviewTip : kOpenPreviewTip, Check4));
  // The wide panel moves left just enough to keep the preview on its screen.
  if (shown) keepOnScreen(this);
}

void frmCtl::picSeirikenPrev_MouseDown(Qt::MouseButton button, QPoint globalPos) {
  if (button == Qt::RightButton) MnuHide->popup(globalPos);
}

void frmCtl::MnuHideCopy_Click() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setImage(picSeirikenPrev->image());
}

void frmCtl::Frame1_DblClick(int index) {
  InputFrame = static_cast<std::int16_t>(index);
  Frame1[index]->lower();
}

void frmCtl::Command8_Click() {
  const QString text = QStringLiteral("型番：") + programBaseName() + QStringLiteral("\r\n") +
                       QStringLiteral("バージョン：") + versionText() + QStringLiteral("\r\n\r\n") +
                       QStringLiteral("配布：ソラネ プロジェクト\r\n") +
                       QStringLiteral("開発：ソラネ開発チーム %1\r\n").arg(ui().today().year());
  Form1& form = app_.form1();
  form.setEnabled(false);
  companion().Call_dlg110(this, 1, text);
  form.setEnabled(true);
}

QPoint frmCtl::startPlace() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QSize panel = frameGeometry().size();
  return keptOnScreen(
      QRect(QPoint(area.right() + 1 - panel.width(), area.bottom() + 1 - panel.height()), panel));
}

void frmCtl::moveToStartPlace() {
  move(startPlace());
}

int frmCtl::leftTwips() const {
  return twipsFromWindowCoord(pos().x(), viewScale());
}
int frmCtl::topTwips() const {
  return twipsFromWindowCoord(pos().y(), viewScale());
}
void frmCtl::setLeftTwips(int t) {
  move(windowCoordFromTwips(t, viewScale()), pos().y());
}
void frmCtl::setTopTwips(int t) {
  move(pos().x(), windowCoordFromTwips(t, viewScale()));
}

void frmCtl::closeEvent(QCloseEvent* event) {
  if (app_.hasEnded()) {
    event->accept();
    return;
  }
  event->ignore();
  if (ui().message(QStringLiteral("ソラネを終了しますか？"), QStringLiteral("ソラネの終了確認"),
                   MsgButtons::YesNo, MsgIcon::Question, this) != MsgAnswer::Yes)
    return;
  quit();
}

void frmCtl::quit() {
  app_.form1().ChimeiCtl->SetChimei(QString());
  app_.form1().DeleteRgn();
  for (QRegion& r : KeyRegions) r = QRegion();
  mdlSndAPI::CloseAllSnd();
  tape_->TermTape();
  mdlIniIo::SaveSettings(app_);
  app_.end();
}

}  // namespace sorane
