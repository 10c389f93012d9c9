#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "lcd_scene.h"

class QSettings;
class QWidget;

namespace sorane {

class Form1;
class LcdBoard;
class Program;

// The two looks of the fare board.
enum class BoardStyle { Led, Lcd };

// "led" or "lcd" (any case) -> the style; anything else -> nothing.
std::optional<BoardStyle> parseBoardStyle(const QString& text);

// The board's look as view.ini keeps it, under [board]: style=led|lcd and
// scheme=black|white. A missing or unknown value is the default.
struct BoardLook {
  BoardStyle style = BoardStyle::Led;
  lcd::Scheme scheme = lcd::Scheme::Black;

  static BoardLook read(const QSettings& ini);
  static BoardLook load(const QString& file);
  bool save(const QString& file) const;
  bool operator==(const BoardLook&) const = default;
};

// "--board led|lcd" or "--board=..." among `arguments` (the program first);
// the last one counts. `error` is a one-line message for a bad value.
struct BoardArgument {
  std::optional<BoardStyle> style;
  QString error;
};
BoardArgument findBoardArgument(const QStringList& arguments);

// The board on screen: the classic board (Form1) or the LCD board, both
// views of the program's one BoardModel. The LCD board is made the first
// time it is shown, takes the classic board's place, and the classic board
// follows it when it is dragged, so the settings file keeps one position.
class BoardView : public QObject {
  Q_OBJECT
 public:
  explicit BoardView(Program& app);
  ~BoardView() override;

  BoardStyle style() const { return look_.style; }
  lcd::Scheme scheme() const { return look_.scheme; }
  // Shows `style` in place of the one shown (when the board is shown).
  void setStyle(BoardStyle style);
  void setScheme(lcd::Scheme scheme);

  // Shows or hides the window of the chosen style.
  void show();
  void hide();
  // A render: the LCD board draws its frames, but no window shows them (its
  // copy would be 9.5 MB more at Full HD). The classic board is still shown
  // on the (offscreen) screen, since its paints tell its changes.
  void setUnseen(bool unseen) { unseen_ = unseen; }
  // The window of the chosen style.
  QWidget& window() const;
  // The LCD board, made on first use.
  LcdBoard& lcd();

  // The shown board's current picture at the view scale (its device pixel
  // ratio is the scale), drawn from the board's widgets without grabbing
  // the screen.
  QImage picture() const;

 signals:
  // The shown board's picture changed: it drew something new, or the style
  // or the scheme changed.
  void changed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void watchPaints(QObject* object);
  void notify();

  Program& app_;
  BoardLook look_;
  std::unique_ptr<LcdBoard> lcd_;
  bool shown_ = false;
  bool unseen_ = false;
  bool notifying_ = false;
  mutable bool drawing_ = false;  // our own render's paints are no change
};

}  // namespace sorane
