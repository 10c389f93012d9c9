#include "board_view.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPainter>
#include <QSettings>
#include <QTimer>

#include "form1.h"
#include "frm_ctl.h"
#include "lcd_board.h"
#include "panel_keys.h"
#include "program.h"
#include "screens.h"
#include "view_scale.h"

namespace sorane {
namespace {
const QString kStyleKey = QStringLiteral("board/style");
const QString kSchemeKey = QStringLiteral("board/scheme");
const QString kLed = QStringLiteral("led");
const QString kLcd = QStringLiteral("lcd");
const QString kBlack = QStringLiteral("black");
const QString kWhite = QStringLiteral("white");
const QString kBoardOption = QStringLiteral("--board");
}  // namespace

std::optional<BoardStyle> parseBoardStyle(const QString& text) {
  const QString t = text.trimmed().toLower();
  if (t == kLed) return BoardStyle::Led;
  if (t == kLcd) return BoardStyle::Lcd;
  return std::nullopt;
}

BoardLook BoardLook::read(const QSettings& ini) {
  BoardLook look;
  look.style = parseBoardStyle(ini.value(kStyleKey).toString()).value_or(BoardStyle::Led);
  if (ini.value(kSchemeKey).toString().trimmed().toLower() == kWhite)
    look.scheme = lcd::Scheme::White;
  return look;
}

BoardLook BoardLook::load(const QString& file) {
  if (!QFileInfo(file).isFile()) return {};
  return read(QSettings(file, QSettings::IniFormat));
}

bool BoardLook::save(const QString& file) const {
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
  QSettings ini(file, QSettings::IniFormat);
  ini.setValue(kStyleKey, style == BoardStyle::Lcd ? kLcd : kLed);
  ini.setValue(kSchemeKey, scheme == lcd::Scheme::White ? kWhite : kBlack);
  ini.sync();
  return ini.status() == QSettings::NoError;
}

BoardArgument findBoardArgument(const QStringList& arguments) {
  BoardArgument found;
  const std::optional<QString> value = lastOptionValue(arguments, kBoardOption);
  if (!value) return found;
  found.style = parseBoardStyle(*value);
  if (!found.style)
    found.error =
        QStringLiteral("--board には led か lcd を指定してください（指定: \"%1\"）").arg(*value);
  return found;
}

BoardView::BoardView(Program& app) : app_(app) {
  watchPaints(&app_.form1());
}

BoardView::~BoardView() = default;

void BoardView::watchPaints(QObject* object) {
  object->installEventFilter(this);
  for (QObject* child : object->children())
    if (child->isWidgetType()) watchPaints(child);
}

LcdBoard& BoardView::lcd() {
  if (!lcd_) {
    lcd_ = std::make_unique<LcdBoard>(app_.boardModel());
    lcd_->setScheme(look_.scheme);
    lcd_->setRunning(false);
    lcd_->installEventFilter(this);
    Form1& form = app_.form1();
    connect(lcd_.get(), &LcdBoard::menuRequested, &form, &Form1::popupMenu);
    connect(lcd_.get(), &LcdBoard::frameChanged, this, [this] {
      if (look_.style == BoardStyle::Lcd) notify();
    });
    app_.ctl().keys().watchWindow(lcd_.get());
  }
  return *lcd_;
}

QWidget& BoardView::window() const {
  if (look_.style == BoardStyle::Lcd && lcd_) return *lcd_;
  return app_.form1();
}

void BoardView::show() {
  shown_ = true;
  Form1& form = app_.form1();
  if (look_.style == BoardStyle::Led) {
    if (lcd_) {
      lcd_->setRunning(false);
      lcd_->hide();
    }
    form.show();
  } else {
    LcdBoard& board = lcd();
    board.setWindowTitle(form.windowTitle());
    board.move(form.pos());
    board.setRunning(true);
    if (!unseen_) {
      board.show();
      keepOnScreen(&board);
    }
    form.hide();
  }
  notify();
}

void BoardView::hide() {
  shown_ = false;
  app_.form1().hide();
  if (lcd_) {
    lcd_->setRunning(false);
    lcd_->hide();
  }
}

void BoardView::setStyle(BoardStyle style) {
  if (style == look_.style) return;
  look_.style = style;
  if (shown_) show();
}

void BoardView::setScheme(lcd::Scheme scheme) {
  if (scheme == look_.scheme) return;
  look_.scheme = scheme;
  if (lcd_) lcd_->setScheme(scheme);
  if (look_.style == BoardStyle::Lcd) notify();
}

QImage BoardView::picture() const {
  if (look_.style == BoardStyle::Lcd && lcd_) return lcd_->grabFrame();
  Form1& form = app_.form1();
  const int scale = viewScale();
  QImage image(form.size() * scale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  const QRegion shape = form.shapeRegion();
  drawing_ = true;
  form.render(&image, QPoint(), shape.isEmpty() ? QRegion(form.rect()) : shape);
  drawing_ = false;
  return image;
}

bool BoardView::eventFilter(QObject* watched, QEvent* event) {
  if (lcd_ && watched == lcd_.get()) {
    // The classic board keeps the place, for the settings file and for a
    // switch back.
    if (event->type() == QEvent::Move && look_.style == BoardStyle::Lcd)
      app_.form1().move(lcd_->pos());
  } else if (event->type() == QEvent::Paint && look_.style == BoardStyle::Led && !drawing_) {
    notify();
  }
  return false;
}

// Once per turn of the event loop, however many of the board's parts drew.
void BoardView::notify() {
  if (notifying_) return;
  notifying_ = true;
  QTimer::singleShot(0, this, [this] {
    notifying_ = false;
    emit changed();
  });
}

}  // namespace sorane
