#include "board_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QSignalSpy>

#include "form1.h"
#include "lcd_board.h"
#include "program_fixture.h"
#include "screens.h"
#include "stop_lamp.h"
#include "view_scale.h"

namespace sorane {
namespace {

QStringList words(const char* line) {
  return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(BoardLook, CommandLine) {
  const struct {
    const char* arguments;
    std::optional<BoardStyle> style;
    bool error;
  } cases[] = {
      {"318", std::nullopt, false},
      {"318 --board lcd", BoardStyle::Lcd, false},
      {"318 --board=LED", BoardStyle::Led, false},
      {"318 --board lcd --scale 2 --board led", BoardStyle::Led, false},
      {"318 --board", std::nullopt, true},
      {"318 --board=", std::nullopt, true},
      {"318 --board oled", std::nullopt, true},
  };
  for (const auto& c : cases) {
    const BoardArgument a = findBoardArgument(words(c.arguments));
    EXPECT_EQ(a.style, c.style) << c.arguments;
    EXPECT_EQ(!a.error.isEmpty(), c.error) << c.arguments;
  }
  EXPECT_EQ(findBoardArgument(words("318 --board x")).error,
            QStringLiteral("--board には led か lcd を指定してください（指定: \"x\"）"));
}

TEST(BoardLook, KeptUnderBoardInViewIni) {
  const test::ConfigScope config;
  const QString file = viewSettingsFile();
  EXPECT_EQ(BoardLook::load(file), BoardLook{});
  ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
  const struct {
    const char* text;  // as a user may have written it
    BoardLook look;
  } cases[] = {
      {"[board]\nstyle=lcd\nscheme=white\n", {BoardStyle::Lcd, lcd::Scheme::White}},
      {"[board]\nstyle=LCD\n", {BoardStyle::Lcd, lcd::Scheme::Black}},
      {"[board]\nstyle=vfd\nscheme=red\n", {}},
      {"[other]\nstyle=lcd\n", {}},
  };
  for (const auto& c : cases) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.text);
    f.close();
    EXPECT_EQ(BoardLook::load(file), c.look) << c.text;
  }
  ASSERT_TRUE((BoardLook{BoardStyle::Lcd, lcd::Scheme::White}.save(file)));
  const QSettings ini(file, QSettings::IniFormat);
  EXPECT_EQ(ini.value("board/style").toString(), "lcd");
  EXPECT_EQ(ini.value("board/scheme").toString(), "white");
  EXPECT_EQ(ini.value("other/style").toString(), "lcd");  // the rest of the file stays
}

class BoardViewTest : public test::ProgramTest {
 protected:
  QMenu* subMenu(const QString& title) {
    for (QAction* a : program.form1().contextMenu()->actions())
      if (a->text() == title) return a->menu();
    return nullptr;
  }
  // The captions of a submenu and which one is checked, after the board's
  // menu was opened from `window`.
  QString choices(const QString& title, QWidget* window) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(window, &e);
    program.form1().contextMenu()->hide();
    QStringList out;
    for (QAction* a : subMenu(title)->actions())
      out << (a->isChecked() ? "[" + a->text() + "]" : a->text());
    return out.join(QLatin1Char(' '));
  }
  void choose(const QString& title, const QString& item) {
    for (QAction* a : subMenu(title)->actions())
      if (a->text() == item) a->trigger();
  }
};

TEST_F(BoardViewTest, TheMenuSwitchesTheStyleInPlaceKeepsItAndTheNextStartUsesIt) {
  Form1& form = program.form1();
  StopLamp& lamp = program.stopLamp();
  form.move(0, 30);
  lamp.move(form.pos() + QPoint(0, form.height() + 8));
  EXPECT_EQ(choices("表示方式", &form), "[LED] 液晶");
  EXPECT_EQ(choices("液晶の配色", &form), "[黒] 白");
  QSignalSpy changed(&program.boardView(), &BoardView::changed);

  choose("表示方式", "液晶");
  LcdBoard& lcd = program.boardView().lcd();
  EXPECT_TRUE(lcd.isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(&program.boardView().window(), &lcd);
  EXPECT_EQ(lcd.pos(), QPoint(0, 30));
  // Still under the board, as far as the screen allows.
  EXPECT_EQ(lamp.pos(), keptOnScreen(QRect(QPoint(0, 30 + lcd.height() + 8), lamp.size())));
  QCoreApplication::processEvents();
  EXPECT_EQ(changed.count(), 1);
  // The LCD board's right button opens the same menu.
  EXPECT_EQ(choices("表示方式", &lcd), "LED [液晶]");

  choose("液晶の配色", "白");
  EXPECT_EQ(lcd.scheme(), lcd::Scheme::White);
  const QSettings ini(viewSettingsFile(), QSettings::IniFormat);
  EXPECT_EQ(ini.value("board/style").toString(), "lcd");
  EXPECT_EQ(ini.value("board/scheme").toString(), "white");

  // Dragged, it takes the classic board with it: one place is kept.
  lcd.move(90, 70);
  EXPECT_EQ(form.pos(), QPoint(90, 70));
  Program next;
  next.setEndHandler([] {});
  next.start();
  EXPECT_EQ(next.boardView().style(), BoardStyle::Lcd);
  EXPECT_TRUE(next.boardView().lcd().isVisible());
  EXPECT_EQ(next.boardView().lcd().scheme(), lcd::Scheme::White);
  next.end();

  lamp.move(100, 100);  // where the classic board comes back: it goes under it
  choose("表示方式", "LED");
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(lcd.isVisible());
  EXPECT_EQ(form.pos(), QPoint(90, 70));
  EXPECT_EQ(lamp.pos(), QPoint(90, 70 + form.height() + 8));
}

TEST_F(BoardViewTest, ThePictureIsTheShownBoardAtTheViewScale) {
  BoardView& view = program.boardView();
  const QImage classic = program.boardPicture();
  EXPECT_EQ(classic.size(), program.form1().size() * viewScale());
  EXPECT_EQ(classic.devicePixelRatio(), viewScale());
  // Inside the rounded shape it is the board's own face.
  EXPECT_EQ(classic.pixelColor(300, 4), program.form1().grab().toImage().pixelColor(300, 4));
  EXPECT_EQ(classic.pixelColor(0, 0).alpha(), 0);  // outside it, nothing

  program.setBoardStyle(BoardStyle::Lcd);
  const QImage lcdFrame = program.boardPicture();
  EXPECT_EQ(lcdFrame.size(), QSize(lcd::kWidth, lcd::kHeight) * viewScale());
  EXPECT_EQ(lcdFrame, view.lcd().grabFrame());
  program.setBoardScheme(lcd::Scheme::White);
  EXPECT_NE(program.boardPicture(), lcdFrame);
}

}  // namespace
}  // namespace sorane
