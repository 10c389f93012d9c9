#include "panel_keys.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "chimei_ctl_b.h"
#include "cp932.h"
#include "fake_media.h"
#include "fake_speech.h"
#include "form1.h"
#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"
#include "route_file.h"
#include "sound_services.h"

namespace sorane {
namespace {

// Every key and the button it presses, in an order that ends where it
// began: route 1 from section 1 set, stepping, the tape, every switch twice
// over the three passes or within one.
#define BUTTON(b) [](frmCtl& c) -> QAbstractButton* { return c.b; }
const struct {
  int key;
  Qt::KeyboardModifiers modifiers;
  QAbstractButton* (*button)(frmCtl&);
} kKeys[] = {
    {Qt::Key_R, Qt::NoModifier, BUTTON(CommandButton1[10])},
    {Qt::Key_1, Qt::NoModifier, BUTTON(CommandButton1[1])},
    {Qt::Key_S, Qt::NoModifier, BUTTON(CommandButton1[11])},
    {Qt::Key_0, Qt::KeypadModifier, BUTTON(CommandButton1[0])},
    {Qt::Key_Return, Qt::NoModifier, BUTTON(Command1[1])},
    {Qt::Key_Slash, Qt::KeypadModifier, BUTTON(CommandButton1[10])},
    {Qt::Key_1, Qt::KeypadModifier, BUTTON(CommandButton1[1])},
    {Qt::Key_Asterisk, Qt::ShiftModifier, BUTTON(CommandButton1[11])},
    {Qt::Key_9, Qt::NoModifier, BUTTON(CommandButton1[9])},
    {Qt::Key_Enter, Qt::KeypadModifier, BUTTON(Command1[1])},
    {Qt::Key_PageDown, Qt::NoModifier, BUTTON(Command2[1])},
    {Qt::Key_Right, Qt::NoModifier, BUTTON(Command2[1])},
    {Qt::Key_PageUp, Qt::NoModifier, BUTTON(Command2[0])},
    {Qt::Key_Left, Qt::NoModifier, BUTTON(Command2[0])},
    {Qt::Key_Down, Qt::NoModifier, BUTTON(cmdTapeNext)},
    {Qt::Key_Up, Qt::NoModifier, BUTTON(cmdTapeBack)},
    {Qt::Key_Escape, Qt::NoModifier, BUTTON(cmdTapeStop)},
    {Qt::Key_N, Qt::NoModifier, BUTTON(Check2)},
    {Qt::Key_F2, Qt::NoModifier, BUTTON(Option4[1])},
    {Qt::Key_F3, Qt::NoModifier, BUTTON(Option4[2])},
    {Qt::Key_F1, Qt::NoModifier, BUTTON(Option4[0])},
    {Qt::Key_P, Qt::NoModifier, BUTTON(Check4)},
    {Qt::Key_Delete, Qt::NoModifier, BUTTON(Check1)},
    {Qt::Key_Delete, Qt::NoModifier, BUTTON(Check1)},
};
#undef BUTTON

// Two stops; stop i shows 100 i + k in cell k.
QByteArray twoStops() {
  std::vector<RouteRow> rows(2);
  for (std::size_t i = 0; i < 2; ++i) {
    rows[i].StopName = i == 0 ? QStringLiteral("一番町") : QStringLiteral("二番町");
    for (std::size_t k = 1; k <= 32; ++k)
      rows[i].Values[k] = static_cast<std::int16_t>(100 * (i + 1) + k);
  }
  return encodeRouteFile(rows);
}

class PanelKeysTest : public test::ProgramTest {
 protected:
  PanelKeysTest() : ProgramTest(false) {
    previousFactory = installSpeechEngineFactory([this] { return std::make_unique<test::FakeSpeech>(speech); });
    write("1.hy3", twoStops());
    write("1Tp.csv", cp932::encode(QStringLiteral("次は、二番町です。,1,0\r\n")));
    write("click.wav", "RIFF");
    program.start();
    program.option().Text2[0]->setText(folder.dir.path());
    program.option().Text2[1]->setText(folder.dir.path());
    program.option().txtSelectSound[1]->setText(QDir(folder.dir.path()).filePath("click.wav"));
  }
  ~PanelKeysTest() override { installSpeechEngineFactory(std::move(previousFactory)); }

  void write(const char* name, const QByteArray& bytes) {
    QFile f(QDir(folder.dir.path()).filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  void key(QWidget* to, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(to, static_cast<Qt::Key>(k), m);
  }
  void keys(const QString& typed) {
    for (QChar c : typed) QTest::keyClick(&ctl(), c.toLatin1());
  }
  frmCtl& ctl() { return program.ctl(); }
  QString stopName() { return program.form1().ChimeiCtl->shownText(); }
  int current() { return program.dataIo().CurrentIndex; }

  test::MediaCommandsScope media;
  QStringList speech;
  SpeechEngineFactory previousFactory;
};

TEST_F(PanelKeysTest, EachKeyClicksItsButtonOnceFromTheBoardAndFromThePanel) {
  keys("r1s1");
  key(&ctl(), Qt::Key_Return);
  ASSERT_EQ(stopName(), QStringLiteral("一番町"));
  ASSERT_TRUE(ctl().cmdTapeNext->isEnabled());

  std::vector<std::unique_ptr<QSignalSpy>> spies;
  const QList<QAbstractButton*> buttons = ctl().findChildren<QAbstractButton*>();
  for (QAbstractButton* b : buttons)
    spies.push_back(std::make_unique<QSignalSpy>(b, &QAbstractButton::clicked));
  for (QWidget* to : {static_cast<QWidget*>(&ctl()), static_cast<QWidget*>(&program.form1()),
                      static_cast<QWidget*>(ctl().List3[0])}) {
    for (const auto& row : kKeys) {
      QAbstractButton* expected = row.button(ctl());
      for (auto& s : spies) s->clear();
      key(to, row.key, row.modifiers);
      for (qsizetype i = 0; i < buttons.size(); ++i)
        EXPECT_EQ(spies[static_cast<std::size_t>(i)]->count(), buttons[i] == expected ? 1 : 0)
            << "key " << QKeySequence(row.key).toString().toStdString() << " to "
            << to->metaObject()->className() << ", button " << buttons[i]->text().toStdString();
    }
  }
}

TEST_F(PanelKeysTest, DisabledOrHiddenButtonsRepeatsAndShortcutsPressNothing) {
  const int sounds = static_cast<int>(media.media.commands.size());
  key(&ctl(), Qt::Key_PageDown);  // no route yet: the step buttons are disabled
  key(&ctl(), Qt::Key_Delete);
  EXPECT_EQ(ctl().Check1->Value(), 0);
  key(&ctl(), Qt::Key_1, Qt::ControlModifier);
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, QStringLiteral("2"), true);
  QApplication::sendEvent(&ctl(), &repeat);
  EXPECT_EQ(ctl().Label2[2]->text(), QString());
  EXPECT_EQ(media.media.commands.size(), sounds);

  // With the digit lists in front, digits go to the focused list instead.
  ctl().Frame1_DblClick(1);
  key(ctl().List2[4], Qt::Key_3);
  key(&ctl(), Qt::Key_4);
  EXPECT_EQ(ctl().List2[4]->currentRow(), 3);
  EXPECT_EQ(ctl().Label2[2]->text(), QString());
  // Enter sets the route from the lists.
  ctl().List2[4]->setCurrentRow(1);
  key(&ctl(), Qt::Key_Return);
  EXPECT_EQ(program.dataIo().RouteText, QStringLiteral("1"));
  EXPECT_EQ(stopName(), QStringLiteral("一番町"));
}

TEST_F(PanelKeysTest, AKeyDeliveredDuringTheLampTestWaitsForTheRouteSetToEnd) {
  ui().onPause = [&](int ms) {
    if (ms != 3000) return;
    // Delivered by the route set's own event processing after the pause.
    QCoreApplication::postEvent(&ctl(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier));
  };
  keys("r1s1");
  key(&ctl(), Qt::Key_Return);
  EXPECT_EQ(current(), 0);
  EXPECT_EQ(stopName(), QStringLiteral("一番町"));
  QCoreApplication::processEvents();
  EXPECT_EQ(current(), 1);
  EXPECT_EQ(stopName(), QStringLiteral("二番町"));
  EXPECT_EQ(program.form1().Degit[1]->Value(), QVariant(201));
}

TEST_F(PanelKeysTest, AModalWindowHoldsTheKeys) {
  keys("r1s1");
  key(&ctl(), Qt::Key_Return);
  QDialog dialog;
  QTimer::singleShot(0, &dialog, [&] {
    key(&program.form1(), Qt::Key_PageDown);
    dialog.reject();
  });
  dialog.exec();
  EXPECT_EQ(current(), 0);
}

TEST_F(PanelKeysTest, TooltipsNameTheKeysUnderThePreviewSwitchsOwnText) {
  EXPECT_EQ(ctl().Command2[1]->toolTip(), QStringLiteral("キー：PageDown、→"));
  EXPECT_EQ(ctl().CommandButton1[10]->toolTip(), QStringLiteral("キー：/、R"));
  EXPECT_EQ(ctl().Command1[0]->toolTip(), ctl().Command1[1]->toolTip());
  for (const auto& row : kKeys) EXPECT_TRUE(row.button(ctl())->toolTip().contains("キー："));
  EXPECT_TRUE(ctl().Command4->toolTip().isEmpty());
  EXPECT_EQ(ctl().Check4->toolTip(), QStringLiteral("整理券プレビューを開きます\nキー：P"));
  key(&ctl(), Qt::Key_P);
  EXPECT_EQ(ctl().Check4->toolTip(), QStringLiteral("整理券プレビューを隠します\nキー：P"));
}

}  // namespace
}  // namespace sorane
