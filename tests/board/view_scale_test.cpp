#include "view_scale.h"

#include "form1.h"
#include "frm_ctl.h"
#include "program_fixture.h"

namespace sorane {
namespace {

// A run at `scale`, with a configuration folder of its own.
class ViewScaleTest : public test::ProgramTest {
 protected:
  ViewScaleTest() : savedConfigHome(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  }
  ~ViewScaleTest() override {
    setViewScale(1);
    if (savedConfigHome.isNull())
      qunsetenv("XDG_CONFIG_HOME");
    else
      qputenv("XDG_CONFIG_HOME", savedConfigHome);
  }

  QTemporaryDir config;
  QByteArray savedConfigHome;
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

}  // namespace
}  // namespace sorane
