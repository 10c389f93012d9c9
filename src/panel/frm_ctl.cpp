#include "frm_ctl.h"

#include <QCloseEvent>

#include "app_info.h"
#include "form1.h"
#include "mdl_ini_io.h"
#include "program.h"
#include "twips.h"
#include "ui.h"

namespace sorane {
namespace {
// Client area as designed; the window is 5385 twips wide with its frame.
constexpr int kClientWidthTwips = 5295;
constexpr int kClientHeightTwips = 2595;
}  // namespace

frmCtl::frmCtl(Program& app)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinimizeButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      app_(app) {
  setWindowTitle(QStringLiteral("集中操作盤"));
  setFixedSize(twipsSize(kClientWidthTwips, kClientHeightTwips));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::black);
  pal.setColor(QPalette::WindowText, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);
}

void frmCtl::Form_Load() {
  app_.form1().setWindowTitle(QStringLiteral("ソラネ - 型番:") + programBaseName());
}

int frmCtl::leftTwips() const { return twips(pos().x()); }
int frmCtl::topTwips() const { return twips(pos().y()); }
void frmCtl::setLeftTwips(int t) { move(px(t), pos().y()); }
void frmCtl::setTopTwips(int t) { move(pos().x(), px(t)); }

void frmCtl::closeEvent(QCloseEvent* event) {
  if (app_.hasEnded()) {
    event->accept();
    return;
  }
  event->ignore();
  if (ui().message(QStringLiteral("ソラネを終了しますか？"), QStringLiteral("ソラネの終了確認"),
                   MsgButtons::YesNo, MsgIcon::Question, this) != MsgAnswer::Yes)
    return;
  app_.form1().DeleteRgn();
  mdlIniIo::SaveSettings(app_);
  app_.end();
}

}  // namespace sorane
