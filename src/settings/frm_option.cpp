#include "frm_option.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>

#include "chimei_ctl_b.h"
#include "companion.h"
#include "form1.h"
#include "frm_ctl.h"
#include "m_degit.h"
#include "mdl318_000.h"
#include "program.h"
#include "property_bag.h"
#include "twips.h"
#include "ui.h"

namespace sorane {
namespace {

template <typename W>
W* place(W* w, int left, int top, int width, int height) {
  w->setGeometry(twipsRect(left, top, width, height));
  return w;
}

QLabel* label(QWidget* parent, const QString& text, int l, int t, int w, int h) {
  auto* lb = place(new QLabel(text, parent), l, t, w, h);
  lb->setWordWrap(h > 300);
  lb->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return lb;
}

QLineEdit* textBox(QWidget* parent, int l, int t, int w, int h) {
  return place(new QLineEdit(parent), l, t, w, h);
}

QPushButton* button(QWidget* parent, const QString& text, int l, int t, int w, int h) {
  return place(new QPushButton(text, parent), l, t, w, h);
}

ColorButton* colorButton(QWidget* parent, ColorRef c, int l, int t, int w, int h) {
  auto* b = place(new ColorButton(parent), l, t, w, h);
  b->setBackColor(c);
  return b;
}

// Option buttons are stored as -1 (selected) or 0.
std::int16_t optionValue(const OptionButton* b) {
  return b->Value() ? -1 : 0;
}

void setColor(ColorButton* b, std::int32_t value) {
  b->setBackColor(checkedColor(value));
}

const QString kSoundChooser = QStringLiteral("...");

// A file chooser's filter: each description and pattern followed by NUL,
// and one more NUL at the end.
QString fileFilter(std::initializer_list<QString> items) {
  QString out;
  for (const QString& item : items) out += item + QChar(0);
  return out + QChar(0);
}

// The clear button of the plug-in path: a cross on a plain button face.
class CrossButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPushButton::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText),
        1.5));
    const int s = std::min(width(), height()) / 2 - 3;
    const QPointF c = QRectF(rect()).center() + (isDown() ? QPointF(1, 1) : QPointF());
    p.drawLine(c + QPointF(-s / 2.0, -s / 2.0), c + QPointF(s / 2.0, s / 2.0));
    p.drawLine(c + QPointF(-s / 2.0, s / 2.0), c + QPointF(s / 2.0, -s / 2.0));
  }
};

}  // namespace

frmOption::frmOption(Program& app) : QDialog(nullptr), app_(app) {
  setWindowTitle(QStringLiteral("オプション"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(twipsSize(9570, 5610));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(pal);
  setAutoFillBackground(true);

  const int pageTops[6] = {45, 900, 1740, 2580, 3420, 4260};
  const QString pageButtons[6] = {QStringLiteral("運賃データと　放送用データ"),
                                  QStringLiteral("パネルと整理券番号表示"),
                                  QStringLiteral("デジタル部品と情報用数字"),
                                  QStringLiteral("停名の設定"),
                                  QStringLiteral("サウンド"),
                                  QStringLiteral("　　整理券　　　プレビュー")};
  const QString pageTitles[6] = {
      QStringLiteral("運賃データと放送用データ"),
      QStringLiteral("パネルと整理券番号表示"),
      QStringLiteral("デジタル部品と情報用数字"),
      QStringLiteral("停名の設定"),
      QStringLiteral("サウンド（鳴らさなくてもいい項目にはファイル名を入れないで下さい）"),
      QStringLiteral("整理券プレビュー")};
  for (int i = 0; i < 6; ++i) {
    auto* b = place(new PushOption(QString(), this), 90, pageTops[i], 1250, 833);
    b->setText(pageButtons[i]);
    b->setStyleSheet(QStringLiteral("text-align: center;"));
    Option1[i] = b;
    auto* f = place(new Frame(pageTitles[i], this), 1455, 75, 8000, 5000);
    f->setAutoFillBackground(true);
    Frame1[i] = f;
  }
  Option1[0]->setValue(true);
  Command4 = button(this, QStringLiteral("OK"), 7995, 5145, 1380, 375);

  buildPage0();
  buildPage1();
  buildPage2();
  buildPage3();
  buildPage4();
  buildPage5();
  for (int i = 1; i < 6; ++i) Frame1[i]->hide();
  connectHandlers();
  chainTabs();
  // Enter means OK wherever the focus is; Space presses the focused button.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(false);
  Command4->setDefault(true);
}

void frmOption::buildPage0() {
  Frame* f = Frame1[0];
  Label3[0] = label(f, QStringLiteral("運賃データ(*.hy3)のあるフォルダー："), 270, 495, 2850, 300);
  Text2[0] = textBox(f, 465, 795, 6645, 315);
  Command3[0] = button(f, QStringLiteral("..."), 7140, 780, 735, 360);
  Command10[0] =
      button(f, QStringLiteral("上記運賃データの場所をエクスプローラで開く"), 495, 1200, 4425, 390);
  Label3[1] =
      label(f, QStringLiteral("放送用データ(*****Tp.csv)のあるフォルダー："), 285, 1875, 3765, 300);
  Text2[1] = textBox(f, 480, 2130, 6645, 315);
  Command3[1] = button(f, QStringLiteral("..."), 7155, 2115, 735, 360);
  Command10[1] = button(f, QStringLiteral("上記放送用データの場所をエクスプローラで開く"), 525,
                        2535, 4425, 390);
}

void frmOption::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  fillCheck1Background();
}

// Check1 lies over Frame3's top edge, filled with the page's colour as the
// style tints it (the colour beside Frame3). Reading it draws the page, so
// it waits for the dialog's first show rather than slowing the start.
void frmOption::fillCheck1Background() {
  if (check1Filled_) return;
  check1Filled_ = true;
  QWidget* page = Check1->parentWidget();
  QPalette filled = Check1->palette();
  const QPoint beside(Frame3->geometry().right() + 3, Check1->geometry().center().y());
  filled.setColor(QPalette::Window,
                  page->grab(QRect(beside, QSize(1, 1))).toImage().pixelColor(0, 0));
  Check1->setPalette(filled);
  Check1->setBackgroundRole(QPalette::Window);
  Check1->setAutoFillBackground(true);
}

void frmOption::buildPage1() {
  Frame* f = Frame1[1];
  Check1 =
      place(new CheckBox(QStringLiteral("整理券番号自動表示機能を使用"), f), 285, 315, 2835, 210);
  Check1->setValue(1);
  Frame3 = place(new Frame(QString(), f), 135, 300, 3495, 3885);
  Check1->raise();  // over the frame's top edge, filled when first shown
  Label15 =
      label(Frame3,
            QStringLiteral("※ユーザーパネルに直接番号をデザインしている場合には上記チェックをOFFに"
                           "してください。"),
            105, 300, 3255, 570);
  Label4[1] =
      label(Frame3, QStringLiteral("整理券番号のバックライトカラー(文字色)"), 150, 990, 3150, 255);
  Label4[2] = label(Frame3, QStringLiteral("OFF："), 165, 1275, 480, 255);
  Label4[3] = label(Frame3, QStringLiteral("ON1："), 1245, 1275, 480, 255);
  Label4[4] = label(Frame3, QStringLiteral("ON2："), 2310, 1275, 480, 255);
  const ColorRef ticketColor = colorRef(205, 209, 134);
  Command5[0] = colorButton(Frame3, ticketColor, 165, 1455, 960, 270);
  Command5[1] = colorButton(Frame3, ticketColor, 1215, 1455, 960, 270);
  Command5[2] = colorButton(Frame3, ticketColor, 2250, 1455, 960, 270);
  Label4[5] = label(Frame3, QStringLiteral("整理券番号表示設定"), 105, 1845, 1965, 225);
  Combo2 = place(new ComboBox(Frame3), 135, 2130, 3270, 300);
  Check2 = place(new CheckBox(QStringLiteral("数字が1桁の番号は頭に0を付け足す"), Frame3), 165,
                 2670, 3210, 210);

  Frame4 = place(new Frame(QStringLiteral("本体パネル"), f), 3720, 285, 4185, 3900);
  Option3[0] =
      place(new OptionButton(QStringLiteral("内蔵しているパネルを自動で割り当てる"), Frame4), 210,
            225, 3420, 195);
  Option3[1] =
      place(new OptionButton(QStringLiteral("個別に設定する"), Frame4), 210, 510, 1560, 195);
  Option3[0]->setValue(true);

  struct PanelFrame {
    const char16_t* title;
    int l, t, w, h;
    int builtIn, user;
    int bl, bt, bw, ul, ut, uw;
    int xl, xt, xw, cl, ct;
  };
  const PanelFrame frames[3] = {{u"バックライトOFF時の画像：", 150, 840, 3915, 885, 7, 6, 225, 225,
                                 1020, 1635, 225, 1560, 105, 480, 3225, 3405, 465},
                                {u"ON1の画像：", 150, 1815, 3915, 945, 3, 2, 240, 270, 780, 1650,
                                 270, 1560, 105, 510, 3255, 3420, 495},
                                {u"ON2の画像：", 150, 2880, 3930, 900, 4, 5, 255, 240, 780, 1650,
                                 225, 1875, 105, 480, 3240, 3405, 480}};
  for (int k = 0; k < 3; ++k) {
    const PanelFrame& p = frames[k];
    Frame* g = place(new Frame(QString::fromUtf16(p.title), Frame4), p.l, p.t, p.w, p.h);
    Frame6[k] = g;
    Option3[p.builtIn] = place(new OptionButton(QStringLiteral("内蔵"), g), p.bl, p.bt, p.bw, 195);
    Option3[p.user] =
        place(new OptionButton(QStringLiteral("ユーザーパネル"), g), p.ul, p.ut, p.uw, 195);
    Option3[p.builtIn]->setValue(true);
    txtSelectPanel[k] = textBox(g, p.xl, p.xt, p.xw, 285);
    Command6[k] = button(g, QStringLiteral("..."), p.cl, p.ct, 420, 300);
    g->setEnabled(false);
    g->hide();
  }

  Label12 = place(new QLabel(f), 420, 4305, 5040, 195);
  Label12->setAutoFillBackground(true);
  QPalette yellow = Label12->palette();
  yellow.setColor(QPalette::Window, QColor(255, 255, 0));
  Label12->setPalette(yellow);
  Label5[1] =
      label(f,
            QStringLiteral("※ユーザーパネルには、現在の機種に対応の画像をご使用ください。大きいパネ"
                           "ルの場合、はみ出た部分（右・下）が切り取られます。逆に小さいパネルの場"
                           "合は左上から表示され、余白部分はグレーになりますのでご注意ください。"),
            270, 4320, 7470, 525);
}

void frmOption::buildPage2() {
  Frame* f = Frame1[2];
  Frame5[0] = place(
      new Frame(QStringLiteral("デジタル部品の背景色と文字色（時計つきの場合はこの部分も同色と"
                               "なります）"),
                f),
      150, 285, 7710, 825);
  Frame* g = Frame5[0];
  Label6[0] = label(g, QStringLiteral("背景色："), 75, 450, 675, 225);
  Command8[0] = colorButton(g, M_Degit::kDefaultBackColor, 705, 390, 975, 285);
  Label6[1] = label(g, QStringLiteral("未発光時の文字色："), 1740, 465, 1575, 225);
  Command8[1] = colorButton(g, M_Degit::kDefaultBaseForeColor, 3270, 375, 975, 285);
  Label6[2] = label(g, QStringLiteral("発光時の文字色："), 4335, 465, 1380, 225);
  Command8[2] = colorButton(g, M_Degit::kDefaultDegitForeColor, 5700, 405, 975, 285);
  Label6[3] = label(g, QStringLiteral("プレビュー"), 6780, 165, 855, 225);
  M_Degit1 = new M_Degit(g);
  PropertyBag stored;
  stored.write(QStringLiteral("Value"), QStringLiteral("123"), 0);
  stored.write(QStringLiteral("UserSet"), false, true);
  M_Degit1->ReadProperties(stored);
  M_Degit1->setGeometry(twipsRect(6795, 390, 780, 300));

  Frame5[1] = place(new Frame(QStringLiteral("情報用数字の設定"), f), 150, 1245, 7755, 3060);
  Frame* h = Frame5[1];
  Check3[0] = place(
      new CheckBox(QStringLiteral("停留所の順番（区間・個数）を、　　　　　　  コマ目に表示する。"),
                   h),
      285, 435, 5100, 285);
  Combo4[0] = place(new ComboBox(h), 2865, 405, 825, 300);
  Check3[4] = place(new CheckBox(QStringLiteral("0から数える"), h), 5595, 450, 1245, 285);
  Check3[1] =
      place(new CheckBox(QStringLiteral("整理券番号を、  　　　　　　コマ目に表示する。"), h), 285,
            915, 4410, 285);
  Combo4[1] = place(new ComboBox(h), 1695, 900, 825, 300);
  Check3[2] = place(new CheckBox(QStringLiteral("系統番号を、  　　　　　　コマ目に表示する。"), h),
                    285, 1380, 4410, 285);
  Combo4[2] = place(new ComboBox(h), 1530, 1380, 825, 300);
  Check3[3] = place(
      new CheckBox(
          QStringLiteral("データの　　　  　　　　　列目の値を、  　　　　　　コマ目に表示する。"),
          h),
      285, 1890, 5415, 285);
  Combo4[4] = place(new ComboBox(h), 1410, 1875, 825, 300);
  Combo4[3] = place(new ComboBox(h), 3270, 1860, 825, 300);
  for (ComboBox* c : Combo4) {
    c->raise();  // the lists sit over the blanks of the captions
    c->setEnabled(false);
  }
  Check3[0]->setListsInCaption({Combo4[0]});
  Check3[1]->setListsInCaption({Combo4[1]});
  Check3[2]->setListsInCaption({Combo4[2]});
  Check3[3]->setListsInCaption({Combo4[4], Combo4[3]});
  Check3[4]->setEnabled(false);
  Label7 = label(
      h,
      QStringLiteral("デジタル数字の桁ずらし、ゼロ埋めの設定は各部品をダブルクリックして設定してく"
                     "ださい。また、これら情報用数字は運賃の表示よりも優先されます。"),
      270, 2505, 6825, 390);
}

void frmOption::buildPage3() {
  Frame* f = Frame1[3];
  Label8[0] = label(f, QStringLiteral("背景色："), 345, 405, 720, 240);
  Command9[0] = colorButton(f, colorRef(128, 128, 128), 1005, 345, 1275, 300);
  Label8[1] = label(f, QStringLiteral("文字色："), 2460, 390, 720, 240);
  Command9[1] = colorButton(f, colorRef(255, 255, 0), 3135, 330, 1275, 300);
  Label9 = label(f, QStringLiteral("フォントオプション："), 375, 1005, 1425, 255);
  Combo3 = place(new ComboBox(f), 1905, 960, 3765, 300);
  Combo3->addItems({QStringLiteral("ゴシック体"), QStringLiteral("明朝体"),
                    QStringLiteral("漢字はゴシック、それ以外は明朝"),
                    QStringLiteral("漢字は明朝、それ以外はゴシック"),
                    QStringLiteral("英数字はゴシック、それ以外は明朝")});
  Combo3->setCurrentIndex(-1);
  Check4 = place(new CheckBox(QStringLiteral("太字（表示の不具合はサポート対象外）"), f), 2025,
                 1395, 3600, 210);
}

void frmOption::buildPage4() {
  Frame* f = Frame1[4];
  auto soundRow = [&](QWidget* parent, int i, const QString& caption, std::array<int, 4> lab,
                      std::array<int, 4> box, std::array<int, 4> btn, int labelIndex) {
    Label1[labelIndex] = label(parent, caption, lab[0], lab[1], lab[2], lab[3]);
    txtSelectSound[i] = textBox(parent, box[0], box[1], box[2], box[3]);
    cmdSelectSound[i] = button(parent, kSoundChooser, btn[0], btn[1], btn[2], btn[3]);
  };
  soundRow(f, 0, QStringLiteral("系統設定時のサウンド："), {225, 315, 1815, 270},
           {2070, 285, 5385, 285}, {7500, 270, 435, 330}, 0);
  soundRow(f, 1, QStringLiteral("リセット時のサウンド："), {255, 720, 1815, 270},
           {2070, 675, 5385, 285}, {7500, 660, 435, 330}, 1);
  Option5[0] =
      place(new PushOption(QStringLiteral("放送前のサウンド..."), f), 2865, 1080, 2655, 375);
  Option5[1] =
      place(new PushOption(QStringLiteral("送り・戻し時のサウンド..."), f), 210, 1080, 2655, 375);
  Option5[1]->setValue(true);
  Label1[7] = label(
      f,
      QStringLiteral("「放送前のサウンド」再生時は、停名のスクロールが停止することがありますの"
                     "で、あらかじめご了承ください。"),
      255, 4500, 6240, 450);

  // Step sounds.
  Frame2[1] = place(new Frame(QStringLiteral("送り・戻し時のサウンド"), f), 180, 1530, 7725, 2925);
  Frame* s = Frame2[1];
  s->setAutoFillBackground(true);
  Frame8 = place(new Frame(QStringLiteral("再生方法"), s), 165, 225, 7380, 660);
  Option6[0] =
      place(new OptionButton(QStringLiteral("同期再生(サウンドが完全に再生された後で運賃切り替え)"),
                             Frame8),
            180, 210, 3690, 405);
  Option6[1] = place(
      new OptionButton(QStringLiteral("非同期再生(サウンドを再生しながら運賃切り替え)"), Frame8),
      4065, 210, 3120, 390);
  Option6[1]->setValue(true);
  Option2[0] = place(new OptionButton(QStringLiteral("常に右記のサウンドを鳴らす"), s), 165, 1020,
                     2520, 210);
  Option2[0]->setValue(true);
  txtSelectSound[7] = textBox(s, 2625, 945, 4575, 285);
  cmdSelectSound[7] = button(s, kSoundChooser, 7230, 930, 435, 330);
  Option2[1] = place(
      new OptionButton(QStringLiteral("運賃データ(*.hy3)の特定の列のデータから判断して、以下の指定"
                                      "したサウンドを鳴らす（指定した列のデータの内容が1～3以外"
                                      "の場合はサウンドは鳴りません）"),
                       s),
      165, 1275, 7335, 450);
  Combo1 = place(new ComboBox(s), 240, 2115, 840, 300);
  Label1[2] = place(new ListCaptionLabel(
                        QStringLiteral("運賃データの                        　　　　　　　　　列目 "
                                       "                    のデータが、"),
                        {Combo1}, s),
                    165, 1800, 1320, 975);
  Combo1->raise();
  soundRow(s, 8, QStringLiteral("「1」の場合"), {1605, 1815, 870, 270}, {2505, 1770, 4635, 285},
           {7185, 1755, 435, 330}, 3);
  soundRow(s, 9, QStringLiteral("「2」の場合"), {1605, 2190, 855, 270}, {2505, 2145, 4635, 285},
           {7185, 2145, 435, 330}, 4);
  soundRow(s, 10, QStringLiteral("「3」の場合"), {1605, 2550, 885, 270}, {2520, 2520, 4620, 285},
           {7185, 2520, 435, 330}, 5);

  // Announcement sounds.
  Frame2[0] =
      place(new Frame(QStringLiteral("放送前のサウンド：※音声合成放送機能が有効でない場合は以下の"
                                     "設定は意味を持ちません。"),
                      f),
            180, 1530, 7725, 2925);
  Frame* a = Frame2[0];
  a->setAutoFillBackground(true);
  Frame9 = place(new Frame(QStringLiteral("再生方法"), a), 255, 240, 7290, 720);
  Option7[0] = place(
      new OptionButton(QStringLiteral("同期再生(サウンドが完全に再生された後で放送開始)"), Frame9),
      195, 225, 3600, 405);
  Option7[1] =
      place(new OptionButton(QStringLiteral("非同期再生(サウンドを再生しながら放送開始)"), Frame9),
            4005, 225, 3135, 420);
  Option7[0]->setValue(true);
  Option2[2] = place(new OptionButton(QStringLiteral("常に右記のサウンドを鳴らす"), a), 120, 1095,
                     2520, 210);
  Option2[2]->setValue(true);
  txtSelectSound[3] = textBox(a, 2580, 1020, 4575, 285);
  cmdSelectSound[3] = button(a, kSoundChooser, 7185, 1005, 435, 330);
  Option2[3] = place(
      new OptionButton(QStringLiteral("放送データ(*.Tp.csv)内のフラグから判断して、以下の指定した"
                                      "サウンドを鳴らす（フラグの内容が1～3以外の場合はサウンドは"
                                      "鳴りません）"),
                       a),
      120, 1395, 7410, 375);
  soundRow(a, 4, QStringLiteral("「1」の場合"), {105, 1905, 915, 270}, {1005, 1845, 6135, 285},
           {7185, 1800, 435, 330}, 9);
  soundRow(a, 5, QStringLiteral("「2」の場合"), {105, 2235, 855, 270}, {1005, 2175, 6135, 285},
           {7185, 2145, 435, 330}, 10);
  soundRow(a, 6, QStringLiteral("「3」の場合"), {105, 2565, 885, 270}, {1005, 2520, 6135, 285},
           {7185, 2490, 435, 330}, 11);
  Frame2[0]->hide();
}

void frmOption::buildPage5() {
  Frame* f = Frame1[5];
  chkUseSeiriPrev =
      place(new CheckBox(QStringLiteral("整理券プレビュー機能を使用する"), f), 330, 225, 3210, 285);
  Frame10 = place(new Frame(QStringLiteral("整理券プラグイン設定"), f), 150, 540, 7740, 2640);
  Label2 =
      label(Frame10,
            QStringLiteral(
                "整理券プラグイン（整理券プレビューを使用しない場合は、何も入れないでください）："),
            150, 270, 7400, 225);
  txtSeiriPlgDir = textBox(Frame10, 150, 510, 6750, 285);
  Command1 = button(Frame10, QStringLiteral("..."), 6945, 495, 360, 315);
  Command11 = place(new CrossButton(Frame10), 7335, 495, 300, 315);
  Command11->setToolTip(QStringLiteral("プラグインの指定を解除します"));
  // The report is as wide as its longest line; the notes wrap beside it.
  Label11 = label(Frame10, QStringLiteral("上記プラグインのプロパティ："), 150, 870, 4500, 225);
  List1 = place(new QListWidget(Frame10), 150, 1110, 4500, 1440);
  List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Label13 = label(Frame10, QStringLiteral("上記プラグインの特記事項："), 4800, 870, 2790, 225);
  txtPlginComment = place(new QPlainTextEdit(Frame10), 4800, 1110, 2790, 1440);
  txtPlginComment->setReadOnly(true);
  QPalette grey = txtPlginComment->palette();
  grey.setColor(QPalette::Base, QColor(192, 192, 192));
  txtPlginComment->setPalette(grey);

  Frame7 = place(
      new Frame(
          QStringLiteral("日付の設定（整理券プラグインが日付の印字をサポートしているときに有効）"),
          f),
      150, 3285, 7740, 1635);
  Option4[0] = place(
      new OptionButton(QStringLiteral("システムの日付を使用（整理券印字と同時に日付を更新、デフォル"
                                      "ト）"),
                       Frame7),
      240, 240, 5850, 240);
  Option4[1] =
      place(new OptionButton(QStringLiteral("システムの日付を使用（系統設定した時点の日付を保持）"),
                             Frame7),
            240, 555, 5655, 240);
  Label14 =
      label(Frame7,
            QStringLiteral(
                "系統設定した際の日付が保持され、日付が途中で変わっても次回系統設定するまで整理"
                "券の日付変更を行いません。"),
            540, 810, 6945, 375);
  Option4[2] =
      place(new OptionButton(QStringLiteral("右記の日付に固定"), Frame7), 240, 1275, 1995, 240);
  Label10 = label(Frame7, QString(), 2235, 1275, 1335, 285);
  Command7 = button(Frame7, QStringLiteral("日付選択..."), 3630, 1245, 1170, 315);
  Option4[0]->setValue(true);
  for (Frame* g : {Frame10, Frame7}) {
    g->setEnabled(false);
    g->hide();
  }
}

void frmOption::connectHandlers() {
  // One page in front, the others hidden, so Tab stays on the page shown.
  // The focus follows the page chosen, however it was chosen.
  for (int i = 0; i < 6; ++i) {
    connect(Option1[i], &PushOption::Click, this, [this, i] {
      for (int j = 0; j < 6; ++j) Frame1[j]->setVisible(j == i);
      Option1[i]->setFocus();
    });
    connect(Option1[i], &QAbstractButton::clicked, Option1[i], [b = Option1[i]] { b->setFocus(); });
  }
  for (int i = 0; i < 2; ++i)
    connect(Option5[i], &PushOption::Click, this, [this, i] {
      for (int j = 0; j < 2; ++j) Frame2[j]->setVisible(j == i);
    });
  for (int i = 0; i < 2; ++i) {
    connect(Command3[i], &QPushButton::clicked, this, [this, i] { Command3_Click(i); });
    connect(Command10[i], &QPushButton::clicked, this, [this, i] { Command10_Click(i); });
  }
  for (int i = 0; i < 11; ++i)
    if (cmdSelectSound[i])
      connect(cmdSelectSound[i], &QPushButton::clicked, this,
              [this, i] { cmdSelectSound_Click(i); });
  for (int i = 0; i < 3; ++i) {
    connect(Command6[i], &QPushButton::clicked, this, [this, i] { Command6_Click(i); });
    connect(Command5[i], &QPushButton::clicked, this, [this, i] { GetBtnColor(Command5[i]); });
    connect(Command8[i], &QPushButton::clicked, this, [this, i] { Command8_Click(i); });
  }
  for (ColorButton* b : Command9)
    connect(b, &QPushButton::clicked, this, [this, b] { GetBtnColor(b); });
  connect(Command7, &QPushButton::clicked, this, &frmOption::Command7_Click);
  connect(Command1, &QPushButton::clicked, this, &frmOption::Command1_Click);
  connect(Command11, &QPushButton::clicked, this, &frmOption::Command11_Click);
  connect(Check1, &CheckBox::Click, this, [this] { Frame3->setEnabled(Check1->Value() != 0); });
  connect(Check3[0], &CheckBox::Click, this, [this] {
    Combo4[0]->setEnabled(Check3[0]->Value() != 0);
    Check3[4]->setEnabled(Check3[0]->Value() != 0);
  });
  connect(Check3[1], &CheckBox::Click, this,
          [this] { Combo4[1]->setEnabled(Check3[1]->Value() != 0); });
  connect(Check3[2], &CheckBox::Click, this,
          [this] { Combo4[2]->setEnabled(Check3[2]->Value() != 0); });
  connect(Check3[3], &CheckBox::Click, this, [this] {
    Combo4[3]->setEnabled(Check3[3]->Value() != 0);
    Combo4[4]->setEnabled(Check3[3]->Value() != 0);
  });
  for (OptionButton* o : Option3)
    connect(o, &OptionButton::Click, this, &frmOption::showPanelFrames);
  connect(chkUseSeiriPrev, &CheckBox::Click, this, [this] {
    const bool v = chkUseSeiriPrev->Value() != 0;
    Frame10->setEnabled(v);
    Frame10->setVisible(v);
    Frame7->setEnabled(v);
    Frame7->setVisible(v);
  });
  connect(Command4, &QPushButton::clicked, this, [this] {
    SetProp();
    hide();
    done(QDialog::Accepted);
  });
}

QString frmOption::GetPathString(const QString&) {
  return companion().Vk3FolderDlg(this, QStringLiteral("フォルダーを選択してください"));
}

void frmOption::GetBtnColor(ColorButton* button) {
  ColorRef colour = button->BackColor();
  if (companion().Vk3ChooseColor(this, colour, app_.record().CustColors) != 0)
    button->setBackColor(colour);
}

void frmOption::Command3_Click(int index) {
  const QString folder = GetPathString(QString());
  if (!folder.isEmpty()) Text2[index]->setText(folder);
}

void frmOption::Command10_Click(int index) {
  ui().openFolder(Text2[index]->text());
}

void frmOption::cmdSelectSound_Click(int index) {
  const QString file = companion().Vk3FileDlg(
      this, 0,
      fileFilter({QStringLiteral("Waveサウンド(*.wav)"), QStringLiteral("*.wav"),
                  QStringLiteral("MIDIサウンド(*.mid)"), QStringLiteral("*.mid")}),
      QString(), QStringLiteral("サウンドの選択"));
  if (!file.isEmpty()) txtSelectSound[index]->setText(file);
}

void frmOption::Command6_Click(int index) {
  const QString file = companion().Vk3FileDlg(
      this, 0,
      fileFilter({QStringLiteral("ビットマップ(*.bmp)"), QStringLiteral("*.bmp"),
                  QStringLiteral("GIF画像(*.gif)"), QStringLiteral("*.gif"),
                  QStringLiteral("JPEG画像(*.jpg)"), QStringLiteral("*.jpg")}),
      QString(), QStringLiteral("パネル画像の選択"));
  if (!file.isEmpty()) txtSelectPanel[index]->setText(file);
}

void frmOption::Command8_Click(int index) {
  GetBtnColor(Command8[index]);
  // The sample follows the three buttons, also after a cancel.
  M_Degit1->setBackColor(Command8[0]->BackColor());
  M_Degit1->setBaseForeColor(Command8[1]->BackColor());
  M_Degit1->setDegitForeColor(Command8[2]->BackColor());
}

void frmOption::Command7_Click() {
  DialogDate date;
  if (companion().Call_dlg111(this, date) == 0) return;
  const QLatin1Char zero('0');
  Label10->setText(QStringLiteral("%1/%2/%3")
                       .arg(date.year)
                       .arg(date.month, 2, 10, zero)
                       .arg(date.day, 2, 10, zero));
}

void frmOption::Command1_Click() {
  const QString file = companion().Vk3FileDlg(
      this, 0, fileFilter({QStringLiteral("整理券プラグイン(*.4SP)"), QStringLiteral("*.4SP")}),
      QString(), QStringLiteral("プラグインの選択"));
  if (file.isEmpty()) return;
  app_.ctl().Combo1->clear();
  if (SetPlgin(file) != 0) {
    txtSeiriPlgDir->setText(file);
    return;
  }
  ui().message(QStringLiteral("指定したファイルはプラグインでないか、内容が不正です"),
               QStringLiteral("プラグインロードエラー"), MsgButtons::Ok, MsgIcon::Critical, this);
}

void frmOption::Command11_Click() {
  txtSeiriPlgDir->clear();
  txtPlginComment->clear();
  List1->clear();
}

// Tab goes down the page selector, then through the page in front in the
// order of its rows, then to OK. Hidden pages are skipped.
void frmOption::chainTabs() {
  std::vector<QWidget*> order(Option1.begin(), Option1.end());
  auto add = [&](std::initializer_list<QWidget*> ws) { order.insert(order.end(), ws); };
  add({Text2[0], Command3[0], Command10[0], Text2[1], Command3[1], Command10[1]});
  add({Check1,     Command5[0], Command5[1],       Command5[2],
       Combo2,     Check2,      Option3[0],        Option3[1],
       Option3[7], Option3[6],  txtSelectPanel[0], Command6[0],
       Option3[3], Option3[2],  txtSelectPanel[1], Command6[1],
       Option3[4], Option3[5],  txtSelectPanel[2], Command6[2]});
  add({Command8[0], Command8[1], Command8[2], Check3[0], Combo4[0], Check3[4], Check3[1], Combo4[1],
       Check3[2], Combo4[2], Check3[3], Combo4[4], Combo4[3]});
  add({Command9[0], Command9[1], Combo3, Check4});
  add({txtSelectSound[0],
       cmdSelectSound[0],
       txtSelectSound[1],
       cmdSelectSound[1],
       Option5[1],
       Option5[0],
       Option6[0],
       Option6[1],
       Option2[0],
       txtSelectSound[7],
       cmdSelectSound[7],
       Option2[1],
       Combo1,
       txtSelectSound[8],
       cmdSelectSound[8],
       txtSelectSound[9],
       cmdSelectSound[9],
       txtSelectSound[10],
       cmdSelectSound[10],
       Option7[0],
       Option7[1],
       Option2[2],
       txtSelectSound[3],
       cmdSelectSound[3],
       Option2[3],
       txtSelectSound[4],
       cmdSelectSound[4],
       txtSelectSound[5],
       cmdSelectSound[5],
       txtSelectSound[6],
       cmdSelectSound[6]});
  add({chkUseSeiriPrev, txtSeiriPlgDir, Command1, Command11, List1, txtPlginComment, Option4[0],
       Option4[1], Option4[2], Command7});
  order.push_back(Command4);
  for (std::size_t i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void frmOption::showPanelFrames() {
  const bool v = !Option3[0]->Value();
  for (Frame* g : Frame6) {
    g->setEnabled(v);
    g->setVisible(v);
  }
}

void frmOption::Form_Load() {
  M_Degit1->setDegitSize(0);
  for (int n = 1; n <= 32; ++n)
    for (int k = 0; k < 4; ++k) Combo4[k]->addItem(QString::number(n));
  for (int k = 0; k < 4; ++k) Combo4[k]->setCurrentIndex(0);
  for (int n = 1; n <= 150; ++n) {
    Combo1->addItem(QString::number(n));
    Combo4[4]->addItem(QString::number(n));
  }
  Combo1->setCurrentIndex(0);
  Combo4[4]->setCurrentIndex(0);
  AddComboItem();
  Label10->setText(ui().today().toString(QStringLiteral("yyyy/MM/dd")));
}

void frmOption::AddComboItem() {
  struct Entry {
    const char16_t* text;
    int number;
  };
  static constexpr Entry entries[12] = {
      {u"1,2,3...", 32},           {u"0,1,2...", 31},           {u"「なし」、1,2...", 31},
      {u"「なし」、2,3...", 32},   {u"「無券」、1,2...", 31},   {u"「無券」、2,3...", 32},
      {u"「券なし」、1,2...", 31}, {u"「券なし」、2,3...", 32}, {u"「券無し」、1,2...", 31},
      {u"「券無し」、2,3...", 32}, {u"(無地)、1,2...", 31},     {u"(無地)、2,3...", 32}};
  Combo2->clear();
  for (int i = 0; i < 12; ++i) {
    QString text = QString::fromUtf16(entries[i].text) + QString::number(entries[i].number);
    if (i == 0) text += QStringLiteral(" （既定の表示）");
    Combo2->addItem(text);
  }
  Combo2->setCurrentIndex(0);
}

void frmOption::GetOptionInfo() {
  SettingsRecord& r = app_.record();
  r.folderInfo.FareDataDir = Text2[0]->text();
  r.folderInfo.TapeDataDir = Text2[1]->text();

  PanelInfo& p = r.panelInfo;
  p.AutoSeiriNum = Check1->Value();
  for (int k = 0; k < 3; ++k)
    p.BacklightColor[k] = static_cast<std::int32_t>(Command5[k]->BackColor());
  p.NumberingStyle = static_cast<std::int16_t>(Combo2->ListIndex());
  p.ZeroPad = Check2->Value();
  p.PanelAuto = optionValue(Option3[0]);
  p.PanelPerState = optionValue(Option3[1]);
  p.OffBuiltIn = optionValue(Option3[7]);
  p.OffUser = optionValue(Option3[6]);
  p.On1BuiltIn = optionValue(Option3[3]);
  p.On1User = optionValue(Option3[2]);
  p.On2BuiltIn = optionValue(Option3[4]);
  p.On2User = optionValue(Option3[5]);
  for (int k = 0; k < 3; ++k) p.PanelImage[k] = txtSelectPanel[k]->text();

  DigitInfo& d = r.digitInfo;
  d.DegitBackColor = static_cast<std::int32_t>(Command8[0]->BackColor());
  d.DegitBaseColor = static_cast<std::int32_t>(Command8[1]->BackColor());
  d.DegitLitColor = static_cast<std::int32_t>(Command8[2]->BackColor());
  d.ShowStopOrder = Check3[0]->Value();
  d.StopOrderCell = static_cast<std::int16_t>(Combo4[0]->ListIndex());
  d.CountFromZero = Check3[4]->Value();
  d.ShowTicketNumber = Check3[1]->Value();
  d.TicketNumberCell = static_cast<std::int16_t>(Combo4[1]->ListIndex());
  d.ShowRouteNumber = Check3[2]->Value();
  d.RouteNumberCell = static_cast<std::int16_t>(Combo4[2]->ListIndex());
  d.ShowDataColumn = Check3[3]->Value();
  d.DataColumn = static_cast<std::int16_t>(Combo4[4]->ListIndex());
  d.DataColumnCell = static_cast<std::int16_t>(Combo4[3]->ListIndex());

  ChimeiInfo& c = r.chimeiInfo;
  c.ChimeiBackColor = static_cast<std::int32_t>(Command9[0]->BackColor());
  c.ChimeiForeColor = static_cast<std::int32_t>(Command9[1]->BackColor());
  c.ChimeiFontOption = static_cast<std::int16_t>(Combo3->ListIndex());
  c.ChimeiBold = Check4->Value();

  SoundInfo& s = r.soundInfo;
  s.RouteSetSound = txtSelectSound[0]->text();
  s.ResetSound = txtSelectSound[1]->text();
  s.StepAlways = optionValue(Option2[0]);
  s.StepByColumn = optionValue(Option2[1]);
  s.StepWait = optionValue(Option6[0]);
  s.StepNoWait = optionValue(Option6[1]);
  s.StepSound = txtSelectSound[7]->text();
  s.StepFlagColumn = static_cast<std::int16_t>(Combo1->ListIndex());
  for (int k = 0; k < 3; ++k) s.StepFlagSound[k] = txtSelectSound[8 + k]->text();
  s.AnnounceAlways = optionValue(Option2[2]);
  s.AnnounceByFlag = optionValue(Option2[3]);
  s.AnnounceWait = optionValue(Option7[0]);
  s.AnnounceNoWait = optionValue(Option7[1]);
  s.AnnounceSound = txtSelectSound[3]->text();
  for (int k = 0; k < 3; ++k) s.AnnounceFlagSound[k] = txtSelectSound[4 + k]->text();

  PreviewInfo& v = r.previewInfo;
  v.UseSeiriPrev = chkUseSeiriPrev->Value();
  v.SeiriPlgPath = txtSeiriPlgDir->text();
  v.DateSystemEach = optionValue(Option4[0]);
  v.DateSystemHeld = optionValue(Option4[1]);
  v.DateFixed = optionValue(Option4[2]);
  v.FixedDate = Label10->text();
}

void frmOption::SetOptionInfo() {
  const SettingsRecord& r = app_.record();
  Text2[0]->setText(r.folderInfo.FareDataDir);
  Text2[1]->setText(r.folderInfo.TapeDataDir);

  const PanelInfo& p = r.panelInfo;
  Check1->setValue(p.AutoSeiriNum);
  for (int k = 0; k < 3; ++k) setColor(Command5[k], p.BacklightColor[k]);
  Combo2->setListIndex(p.NumberingStyle);
  Check2->setValue(p.ZeroPad);
  Option3[0]->setValue(p.PanelAuto != 0);
  Option3[1]->setValue(p.PanelPerState != 0);
  Option3[7]->setValue(p.OffBuiltIn != 0);
  Option3[6]->setValue(p.OffUser != 0);
  Option3[3]->setValue(p.On1BuiltIn != 0);
  Option3[2]->setValue(p.On1User != 0);
  Option3[4]->setValue(p.On2BuiltIn != 0);
  Option3[5]->setValue(p.On2User != 0);
  for (int k = 0; k < 3; ++k) txtSelectPanel[k]->setText(p.PanelImage[k]);

  frmCtl& ctl = app_.ctl();
  ctl.Option4_Click(ctl.backlightMode());

  const DigitInfo& d = r.digitInfo;
  setColor(Command8[0], d.DegitBackColor);
  setColor(Command8[1], d.DegitBaseColor);
  setColor(Command8[2], d.DegitLitColor);
  Check3[0]->setValue(d.ShowStopOrder);
  Combo4[0]->setListIndex(d.StopOrderCell);
  Check3[4]->setValue(d.CountFromZero);
  Check3[1]->setValue(d.ShowTicketNumber);
  Combo4[1]->setListIndex(d.TicketNumberCell);
  Check3[2]->setValue(d.ShowRouteNumber);
  Combo4[2]->setListIndex(d.RouteNumberCell);
  Check3[3]->setValue(d.ShowDataColumn);
  Combo4[4]->setListIndex(d.DataColumn);
  Combo4[3]->setListIndex(d.DataColumnCell);
  M_Degit1->setBackColor(Command8[0]->BackColor());
  M_Degit1->setBaseForeColor(Command8[1]->BackColor());
  M_Degit1->setDegitForeColor(Command8[2]->BackColor());

  const ChimeiInfo& c = r.chimeiInfo;
  setColor(Command9[0], c.ChimeiBackColor);
  setColor(Command9[1], c.ChimeiForeColor);
  Combo3->setListIndex(c.ChimeiFontOption);
  Check4->setValue(c.ChimeiBold);

  const SoundInfo& s = r.soundInfo;
  txtSelectSound[0]->setText(s.RouteSetSound);
  txtSelectSound[1]->setText(s.ResetSound);
  Option6[0]->setValue(s.StepWait != 0);
  Option6[1]->setValue(s.StepNoWait != 0);
  Option2[0]->setValue(s.StepAlways != 0);
  Option2[1]->setValue(s.StepByColumn != 0);
  txtSelectSound[7]->setText(s.StepSound);
  Combo1->setListIndex(s.StepFlagColumn);
  for (int k = 0; k < 3; ++k) txtSelectSound[8 + k]->setText(s.StepFlagSound[k]);
  Option7[0]->setValue(s.AnnounceWait != 0);
  Option7[1]->setValue(s.AnnounceNoWait != 0);
  Option2[2]->setValue(s.AnnounceAlways != 0);
  Option2[3]->setValue(s.AnnounceByFlag != 0);
  txtSelectSound[3]->setText(s.AnnounceSound);
  for (int k = 0; k < 3; ++k) txtSelectSound[4 + k]->setText(s.AnnounceFlagSound[k]);

  const PreviewInfo& v = r.previewInfo;
  chkUseSeiriPrev->setValue(v.UseSeiriPrev);
  txtSeiriPlgDir->setText(v.SeiriPlgPath);
  Option4[0]->setValue(v.DateSystemEach != 0);
  Option4[1]->setValue(v.DateSystemHeld != 0);
  Option4[2]->setValue(v.DateFixed != 0);
  Label10->setText(v.FixedDate);

  SetPlgin(txtSeiriPlgDir->text());
}

void frmOption::SetProp() {
  Form1& form = app_.form1();
  const bool showNumbers = Check1->Value() != 0;
  for (int i = 1; i <= 32; ++i) form.lblSeiriNum[i]->setVisible(showNumbers);

  const std::int16_t style = static_cast<std::int16_t>(Combo2->ListIndex());
  const std::int16_t pad = Check2->Value();
  mdl318_000::SeirikenNumSet(form, style, pad);

  frmCtl& ctl = app_.ctl();
  ColorRef numberColor = 0;
  for (int k = 0; k < 3; ++k)
    if (ctl.Option4[k]->Value()) numberColor = Command5[k]->BackColor();
  for (int i = 1; i <= 32; ++i) form.lblSeiriNum[i]->setTextColor(numberColor);

  auto paint = [this](M_Degit* d) {
    d->setBackColor(Command8[0]->BackColor());
    d->setBaseForeColor(Command8[1]->BackColor());
    d->setDegitForeColor(Command8[2]->BackColor());
  };
  for (int k = 1; k <= 32; ++k) paint(form.Degit[k]);
  for (M_Degit* t : form.TimeDegit) paint(t);

  ChimeiCtl_B* chimei = form.ChimeiCtl;
  chimei->setBackColor(Command9[0]->BackColor());
  chimei->setForeColor(Command9[1]->BackColor());
  chimei->setFontMode(static_cast<std::int16_t>(Combo3->ListIndex()));
  chimei->setFontBold(Check4->Value() == 1);

  ctl.Option4_Click(ctl.backlightMode());
}

std::int32_t frmOption::SetPlgin(const QString& fileName) {
  if (fileName.isEmpty()) return 0;
  PlgInfo info;
  if (companion().VK4_GetPlgInfo(fileName, info) == 0) return 0;
  txtPlginComment->setPlainText(companion().VK4_SetPlgComment(fileName));
  List1->clear();
  auto flag = [&](int n) {
    return info(n) == 1 ? QStringLiteral("---> 可能") : QStringLiteral("---> 不可");
  };
  List1->addItem(QStringLiteral("日付の印字 ") + flag(4));
  List1->addItem(QStringLiteral("時刻の印字 ") + flag(5));
  List1->addItem(QStringLiteral("系統番号の印字 ") + flag(6));
  List1->addItem(QStringLiteral("停名の印字 ") + flag(7));
  List1->addItem(QStringLiteral("バーコード印字 ") + flag(8));
  if (info(8) == 1) {
    List1->addItem(QStringLiteral("バーコード本数 ---> ") + QString::number(info(9)));
    List1->addItem(QStringLiteral("バーコード系統方式 ") +
                   (info(11) == 1 ? QStringLiteral("---> 連番式")
                                  : QStringLiteral("---> 系統番号＋往復フラグ")));
    List1->addItem(QStringLiteral("設定可能な系統範囲 ---> 1 ～ ") + QString::number(info(10)));
    List1->addItem(QStringLiteral("停留所認識範囲 ---> ") + QString::number(info(12)) +
                   QStringLiteral(" ～ ") + QString::number(info(13)));
  }
  List1->addItem(QStringLiteral("社名切り替え:") +
                 (info(14) >= 1 ? QStringLiteral("---> 可能") : QStringLiteral("---> 不可")));
  frmCtl& ctl = app_.ctl();
  ctl.picSeirikenPrev->resize(px(info(2)), ctl.picSeirikenPrev->height());
  ctl.picSeirikenPrev->resize(ctl.picSeirikenPrev->width(), px(info(3)));
  if (info(14) >= 1) ctl.Combo1->addItems(companion().VK4_SetCorpAddList(fileName));
  return 2;
}

}  // namespace sorane
