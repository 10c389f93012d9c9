#include "demo_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <limits>

#include "colorref.h"
#include "frm_option.h"
#include "program.h"
#include "settings_file.h"

namespace sorane {
namespace {

// No screen is known where the file is made (a tool may run before there
// is a display, or on another one). Positions that lie off every screen
// make the program put both windows at its start-up place on the screen it
// starts on: the board top left, the panel bottom right.
void placeWindows(SettingsRecord& r) {
  constexpr std::int32_t kNowhere = std::numeric_limits<std::int32_t>::min();
  r.formPos = {kNowhere, kNowhere};
  r.panelState = {0, 1, 0, 0, 0, kNowhere, kNowhere};
}

}  // namespace

QByteArray demoSettingsFile(const QString& demoFolder) {
  const QDir demo(QFileInfo(demoFolder).absoluteFilePath());
  auto file = [&](const char* name) { return demo.filePath(QString::fromLatin1(name)); };

  // A program of its own, never shown: its settings dialog holds the
  // designed values.
  Program program;
  frmOption& o = program.option();
  o.Text2[0]->setText(demo.path());
  o.Text2[1]->setText(demo.path());
  o.txtSelectSound[0]->setText(file("set.wav"));
  o.txtSelectSound[1]->setText(file("click.wav"));
  o.txtSelectSound[7]->setText(file("step1.wav"));
  // Step chimes chosen by column 33 of the demo route.
  o.Option2[1]->setValue(true);
  o.Combo1->setListIndex(32);
  o.txtSelectSound[8]->setText(file("step1.wav"));
  o.txtSelectSound[9]->setText(file("step2.wav"));
  o.txtSelectSound[10]->setText(file("step3.wav"));
  // Sounds before announcements chosen by each line's flag.
  o.Option2[3]->setValue(true);
  o.txtSelectSound[3]->setText(file("before.wav"));
  o.txtSelectSound[4]->setText(file("before.wav"));
  o.txtSelectSound[5]->setText(file("announce.mid"));
  o.txtSelectSound[6]->setText(file("before.wav"));
  // The first demo ticket plug-in, shown by 整理券プレビュー.
  o.chkUseSeiriPrev->setValue(1);
  o.txtSeiriPlgDir->setText(file("seiriken_basic.4SP"));
  // Ticket numbers that visibly change with the backlight: OFF as designed,
  // ON1 a warm white, ON2 an amber.
  o.Command5[1]->setBackColor(colorRef(255, 250, 235));
  o.Command5[2]->setBackColor(colorRef(255, 176, 48));
  o.GetOptionInfo();

  SettingsRecord& r = program.record();
  placeWindows(r);
  return encodeSettings(r);
}

}  // namespace sorane
