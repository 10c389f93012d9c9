#include "view_scale.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>

#include "form1.h"
#include "frm_ctl.h"
#include "program_fixture.h"
#include "stop_lamp.h"

namespace sorane {
namespace {

// A run at `scale`, with a configuration folder of its own.
class ViewScaleTest : public test::ProgramTest {
 protected:
  ~ViewScaleTest() override { setViewScale(1); }
  QMenu* scaleMenu() { return program.form1().contextMenu()->actions().front()->menu(); }
  // A right-button press on `w`, as the window system reports it.
  void rightPress(QWidget* w) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &e);
  }
};

TEST_F(ViewScaleTest, SavedPositionsMeanTheSameScreenPixelsAtEveryScale) {
  const struct {
    int scale;
    QPoint board, panel;                    // window coordinates
    QPoint boardSavedBack, panelSavedBack;  // twips written at quit
  } cases[] = {
      {1, {200, 101}, {300, 201}, {3000, 1515}, {4500, 3015}},
      {2, {100, 51}, {150, 101}, {3000, 1530}, {4500, 3030}},
      {3, {67, 34}, {100, 67}, {3015, 1530}, {4500, 3015}},
  };
  Form1& form = program.form1();
  frmCtl& ctl = program.ctl();
  SettingsRecord& r = program.record();
  for (const auto& c : cases) {
    setViewScale(c.scale);
    r.formPos = {3000, 1515};
    r.panelState = {0, 1, 0, 0, 0, 4500, 3015};
    form.SetFormInfo();
    ctl.SetCtrlDataInfo();
    EXPECT_EQ(form.pos(), c.board) << c.scale;
    EXPECT_EQ(ctl.pos(), c.panel) << c.scale;
    form.GetFormInfo();
    ctl.GetCtrlDataInfo();
    EXPECT_EQ(QPoint(r.formPos.Left, r.formPos.Top), c.boardSavedBack) << c.scale;
    EXPECT_EQ(QPoint(r.panelState.Left, r.panelState.Top), c.panelSavedBack) << c.scale;
  }
  // Off every screen at this scale: the start-up place.
  r.formPos = {15 * 2 * 20000, 0};
  form.SetFormInfo();
  EXPECT_EQ(form.pos(), QPoint(0, 0));
}

TEST_F(ViewScaleTest, RightPressOnTheFaceCellsLabelsOrStripOffersTheScales) {
  Form1& form = program.form1();
  QMenu* menu = form.contextMenu();
  ASSERT_FALSE(menu->actions().isEmpty());
  EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("表示倍率"));
  EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("GTFSから路線を作る..."));
  const QWidget* targets[] = {&form, form.Degit[5], form.lblSeiriNum[9].data(),
                              form.ChimeiCtl->Picture1()};
  for (int scale : {1, 2, 3}) {
    setViewScale(scale);
    for (const QWidget* target : targets) {
      rightPress(const_cast<QWidget*>(target));
      EXPECT_TRUE(menu->isVisible()) << scale << " " << target->metaObject()->className();
      menu->hide();
      QStringList texts, checked;
      for (const QAction* a : scaleMenu()->actions()) {
        texts << a->text();
        if (a->isChecked()) checked << a->text();
      }
      EXPECT_EQ(texts, (QStringList{"1倍", "2倍", "3倍"}));
      EXPECT_EQ(checked, QStringList{QStringLiteral("%1倍").arg(scale)});
    }
  }
}

TEST_F(ViewScaleTest, AnotherScaleAsksThenQuitsAsOnRequestAndStartsAgain) {
  const QString kept = viewSettingsFile();
  Form1& form = program.form1();

  scaleMenu()->actions()[0]->trigger();  // the scale of this run
  EXPECT_TRUE(ui().messages.empty());

  ui().answers = {MsgAnswer::No};
  scaleMenu()->actions()[1]->trigger();
  ASSERT_EQ(ui().messages.size(), 1u);
  EXPECT_EQ(ui().messages[0].text,
            QStringLiteral("表示倍率を2倍に変えるため、ソラネを再起動します。よろしいですか？"));
  EXPECT_EQ(ui().messages[0].buttons, MsgButtons::YesNo);
  EXPECT_FALSE(QFile::exists(kept));
  EXPECT_FALSE(QFile::exists(folder.settingsPath()));
  EXPECT_EQ(endCalls, 0);
  EXPECT_FALSE(program.restartArguments());
  rightPress(&form);  // the check is back on this run's scale
  form.contextMenu()->hide();
  EXPECT_TRUE(scaleMenu()->actions()[0]->isChecked());

  ui().answers = {MsgAnswer::Yes};
  scaleMenu()->actions()[2]->trigger();
  EXPECT_EQ(ui().messages.size(), 2u);  // no quit question
  EXPECT_EQ(loadViewScale(kept), 3);
  EXPECT_TRUE(QFile::exists(folder.settingsPath()));
  EXPECT_EQ(endCalls, 1);
  ASSERT_TRUE(program.restartArguments());
  EXPECT_EQ(program.restartArguments()->mid(program.restartArguments()->size() - 2),
            (QStringList{"--scale", "3"}));
}

// Quit and started again at another scale, a window at its start-up place
// takes the start-up place of the new scale; one moved by hand keeps its
// screen pixels.
TEST_F(ViewScaleTest, WindowsAtTheirStartPlacesTakeThemAgainAtAnotherScale) {
  const struct {
    const char* what;
    std::vector<int> scales;
    std::optional<QPoint> panelMovedTo;  // at the first scale, in window coordinates
  } kRuns[] = {
      {"1x, 2x and back", {1, 2, 1}, std::nullopt},
      {"2x, 3x, 1x", {2, 3, 1}, std::nullopt},
      {"a panel moved by hand", {1, 2, 1}, QPoint(120, 80)},
  };
  for (const auto& r : kRuns) {
    SCOPED_TRACE(r.what);
    QFile::remove(folder.settingsPath());
    QFile::remove(viewSettingsFile());
    for (std::size_t i = 0; i < r.scales.size(); ++i) {
      const int scale = r.scales[i];
      SCOPED_TRACE(scale);
      setViewScale(scale);
      Program run;
      run.setEndHandler([] {});
      run.start();
      Form1& form = run.form1();
      frmCtl& ctl = run.ctl();
      EXPECT_EQ(form.pos(), QPoint(0, 0));
      EXPECT_EQ(run.stopLamp().pos(), QPoint(0, form.frameGeometry().height() + 8));
      if (!r.panelMovedTo)
        EXPECT_EQ(ctl.pos(), ctl.startPlace());
      else if (i == 0)
        ctl.move(*r.panelMovedTo);
      else
        EXPECT_EQ(ctl.pos() * scale, *r.panelMovedTo * r.scales[0]);
      ui().answers.push_back(MsgAnswer::Yes);
      ctl.close();
      ASSERT_TRUE(run.hasEnded());
    }
  }
}

}  // namespace
}  // namespace sorane
