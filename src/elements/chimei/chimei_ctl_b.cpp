#include "chimei_ctl_b.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <algorithm>
#include <limits>

#include "companion.h"
#include "cp932.h"
#include "dot16.h"
#include "property_bag.h"
#include "ui.h"

namespace sorane {
namespace {

constexpr QSize kElementSize(35, 192);
constexpr QSize kViewportSize(36, 192);
constexpr QSize kViewportFlatSize(35, 185);
constexpr QSize kViewport3DSize(37, 195);
constexpr int kDotPitch = 2;
constexpr int kRasterSize = 16;
// Longer gaps between ticks mean the program was held up; a held-up
// program holds the scroll too, so the name does not leap afterwards.
constexpr std::int64_t kMaxCatchUpMs = 1000;
constexpr int kMaxTickIntervalMs = 500;

std::int32_t clampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int64_t nowMs() {
  return ui().now().toMSecsSinceEpoch();
}

}  // namespace

ChimeiStrip::ChimeiStrip(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChimeiStrip::reset(int width, int height, QColor back) {
  back_ = back;
  if (surface_.size() != QSize(width, height))
    surface_ = QImage(width, height, QImage::Format_RGB32);
  if (!surface_.isNull()) surface_.fill(back);
  resize(width, std::min(height, QWIDGETSIZE_MAX));
  update();
}

void ChimeiStrip::clear(QColor back) {
  back_ = back;
  if (!surface_.isNull()) surface_.fill(back);
  update();
}

void ChimeiStrip::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  // On a scaled board each dot becomes a square of device pixels.
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const QRect r = event->rect();
  if (surface_.isNull())
    p.fillRect(r, back_);
  else
    p.drawImage(r.topLeft(), surface_, r);
}

ChimeiCtl_B::ChimeiCtl_B(QWidget* parent) : QWidget(parent) {
  resize(kElementSize);
  picture2_ = new QFrame(this);
  picture2_->setGeometry(QRect(QPoint(0, 0), kViewportSize));
  picture2_->setAutoFillBackground(true);
  client_ = new QWidget(picture2_);
  picture1_ = new ChimeiStrip(client_);
  picture1_->reset(kChimeiStripWidth, kChimeiColumnHeight, toQColor(backColor_));
  picture3_ = QImage(kRasterSize, kRasterSize, QImage::Format_RGB32);
  picture3_.fill(Qt::white);
  applyAppearanceStyle();
  applyBackColor();

  scrollTimer_ = new UiTimer(this);
  scrollTimer_->setSingleShot(true);
  connect(scrollTimer_, &UiTimer::timeout, this, &ChimeiCtl_B::scrollTick);
}

ChimeiCtl_B::~ChimeiCtl_B() = default;

void ChimeiCtl_B::setBackColor(ColorRef c) {
  backColor_ = c;
  changed("BackColor");
  applyBackColor();
}

void ChimeiCtl_B::setForeColor(ColorRef c) {
  foreColor_ = c;
  changed("ForeColor");
}

void ChimeiCtl_B::setSpeed(std::int16_t v) {
  // Steps taken so far ran at the old speed.
  if (!bStopScroll) catchUp();
  speed_ = v;
  changed("Speed");
  if (!bStopScroll) scheduleTick();
}

void ChimeiCtl_B::setScrollStartWait(std::int32_t v) {
  if (!bStopScroll) catchUp();
  scrollStartWait_ = v;
  changed("ScrollStartWait");
}

void ChimeiCtl_B::setMode(std::int16_t v) {
  mode_ = v;
  changed("Mode");
}

void ChimeiCtl_B::setAppearance(std::int16_t v) {
  if (!bStopScroll) catchUp();
  appearance_ = v != 0 ? 1 : 0;
  applyAppearanceStyle();
  changed("Appearance");
  applyBackColor();
  picture2_->resize(appearance_ ? kViewport3DSize : kViewportFlatSize);
  client_->setGeometry(picture2_->contentsRect());
  if (!bStopScroll) scheduleTick();
}

void ChimeiCtl_B::setFontMode(std::int16_t v) {
  fontMode_ = v;
  changed("FontMode");
}

void ChimeiCtl_B::setFontBold(bool v) {
  fontBold_ = v;
  changed("FontBold");
}

void ChimeiCtl_B::SetChimei(const QString& strText) {
  // A newer name set while events are processed is the one that stands.
  const std::uint64_t generation = ++generation_;
  // What the caller did before is on screen before the name changes.
  ui().processEvents();
  if (generation != generation_) return;
  shownText_ = strText;
  // A new name ends the running scroll before the strip changes, so no step
  // of the old scroll can displace it; "" leaves the scroll running.
  if (!strText.isEmpty()) stopScroll();
  applyBackColor();
  if (strText.isEmpty()) {
    picture1_->move(0, 0);
    return;
  }

  const QByteArray bytes = cp932::encode(strText);
  const std::int32_t n = Companion::LenB_ASCII(bytes);
  const ChimeiLayout layout = chimeiLayout(n, mode_);
  stripHeight_ = layout.stripHeight;
  picture1_->reset(kChimeiStripWidth, stripHeight_, toQColor(backColor_));
  picture1_->move(0, layout.scrolls() ? picture2_->height() : 0);
  // Units past the last byte are empty and draw nothing.
  for (std::int64_t i = 1; 2 * i - 1 <= n; ++i) {
    QByteArray unit = Companion::MidB_ASCII(bytes, clampToInt32(2 * i - 1), 2);
    DrawDot16(kChimeiCellLeft, clampToInt32(layout.unitTop(i)), unit);
  }
  picture1_->update();
  ui().processEvents();
  if (generation != generation_) return;
  bStopScroll = true;
  if (layout.scrolls()) startScroll();
}

void ChimeiCtl_B::DrawDot16(std::int32_t X, std::int32_t Y, QByteArray& strText) {
  const DotCell cell = renderDot16(strText, fontMode_, fontBold_);
  picture3_ = cell.scratch;
  if (strText.isEmpty()) return;
  if (strText == longVowelUnit()) strText = verticalStrokeUnit();

  QImage& strip = picture1_->surface();
  if (strip.isNull() || cell.raster.empty()) return;
  const QRgb fore = toQColor(foreColor_).rgb();
  const std::int64_t w = strip.width();
  const std::int64_t h = strip.height();
  uchar* bits = strip.bits();
  const qsizetype bytesPerLine = strip.bytesPerLine();
  for (int c = 0; c < kRasterSize; ++c) {
    for (int r = 0; r < kRasterSize; ++r) {
      if (!cell.raster.lit(c, r)) continue;
      // A turned unit is mirrored on its main diagonal.
      const std::int64_t x = X + std::int64_t{kDotPitch} * (cell.turned ? r : c);
      const std::int64_t y = Y + std::int64_t{kDotPitch} * (cell.turned ? c : r);
      if (x < 0 || y < 0 || x >= w || y >= h) continue;
      reinterpret_cast<QRgb*>(bits + y * bytesPerLine)[x] = fore;
    }
  }
}

void ChimeiCtl_B::Refresh() {
  picture1_->repaint();
}

// Presses on the column are the element's own; they do not drag the host.
void ChimeiCtl_B::mousePressEvent(QMouseEvent* event) {
  event->accept();
}

void ChimeiCtl_B::InitProperties() {
  stopScroll();
  backColor_ = kDefaultBackColor;
  foreColor_ = kDefaultForeColor;
  speed_ = kDefaultSpeed;
  scrollStartWait_ = kDefaultScrollStartWait;
  mode_ = kDefaultMode;
  appearance_ = kDefaultAppearance;
  fontMode_ = kDefaultFontMode;
  fontBold_ = kDefaultFontBold;
  applyAppearanceStyle();
  applyBackColor();
}

void ChimeiCtl_B::ReadProperties(const PropertyBag& bag) {
  auto i16 = [&](const char* key, int def) {
    return static_cast<std::int16_t>(bag.read(QString::fromLatin1(key), def).toInt());
  };
  auto color = [&](const char* key, ColorRef def) {
    return static_cast<ColorRef>(bag.read(QString::fromLatin1(key), def).toUInt());
  };
  stopScroll();
  backColor_ = color("BackColor", kDefaultBackColor);
  foreColor_ = color("ForeColor", kDefaultForeColor);
  speed_ = i16("Speed", kDefaultSpeed);
  scrollStartWait_ = bag.read(QStringLiteral("ScrollStartWait"), kDefaultScrollStartWait).toInt();
  mode_ = i16("Mode", kDefaultMode);
  // The viewport takes the stored look, not the let's sizes.
  appearance_ = i16("Appearance", kDefaultAppearance) != 0 ? 1 : 0;
  fontMode_ = i16("FontMode", kDefaultFontMode);
  fontBold_ = bag.read(QStringLiteral("FontBold"), kDefaultFontBold).toBool();
  applyAppearanceStyle();
  applyBackColor();
}

void ChimeiCtl_B::WriteProperties(PropertyBag& bag) const {
  bag.write(QStringLiteral("BackColor"), backColor_, kDefaultBackColor);
  bag.write(QStringLiteral("ForeColor"), foreColor_, kDefaultForeColor);
  bag.write(QStringLiteral("Speed"), int{speed_}, int{kDefaultSpeed});
  bag.write(QStringLiteral("ScrollStartWait"), scrollStartWait_, kDefaultScrollStartWait);
  bag.write(QStringLiteral("Mode"), int{mode_}, int{kDefaultMode});
  bag.write(QStringLiteral("Appearance"), int{appearance_}, int{kDefaultAppearance});
  bag.write(QStringLiteral("FontMode"), int{fontMode_}, int{kDefaultFontMode});
  bag.write(QStringLiteral("FontBold"), fontBold_, kDefaultFontBold);
}

void ChimeiCtl_B::scrollTick() {
  if (bStopScroll) return;
  catchUp();
  scheduleTick();
}

void ChimeiCtl_B::applyBackColor() {
  const QColor back = toQColor(backColor_);
  picture1_->clear(back);
  QPalette pal = picture2_->palette();
  pal.setColor(QPalette::Window, back);
  picture2_->setPalette(pal);
}

void ChimeiCtl_B::applyAppearanceStyle() {
  picture2_->setFrameStyle(appearance_ ? QFrame::WinPanel | QFrame::Sunken : QFrame::NoFrame);
  client_->setGeometry(picture2_->contentsRect());
}

void ChimeiCtl_B::stopScroll() {
  bStopScroll = true;
  scrollTimer_->stop();
}

void ChimeiCtl_B::startScroll() {
  bStopScroll = false;
  scroll_.start(picture2_->height(), scrollStartWait_);
  lastTickMs_ = nowMs();
  picture1_->move(picture1_->x(), scroll_.top());
  picture2_->update();
  scheduleTick();
}

void ChimeiCtl_B::catchUp() {
  const std::int64_t now = nowMs();
  const std::int64_t elapsed = std::clamp<std::int64_t>(now - lastTickMs_, 0, kMaxCatchUpMs);
  lastTickMs_ = now;
  ScrollInputs in = scrollInputs();
  scroll_.advance(elapsed, in);
  if (in.speed != speed_) {
    speed_ = in.speed;
    changed("Speed");
  }
  // Only a change of whole pixel repaints.
  if (picture1_->y() != scroll_.top()) picture1_->move(picture1_->x(), scroll_.top());
}

void ChimeiCtl_B::scheduleTick() {
  const std::int64_t wait = scroll_.msUntilMove(scrollInputs());
  if (bStopScroll || wait < 0) {
    scrollTimer_->stop();
    return;
  }
  const std::int64_t interval =
      std::clamp<std::int64_t>(wait, frameIntervalMs(), kMaxTickIntervalMs);
  scrollTimer_->start(static_cast<int>(interval));
}

ScrollInputs ChimeiCtl_B::scrollInputs() const {
  ScrollInputs in;
  in.speed = speed_;
  in.startWait = scrollStartWait_;
  in.viewportHeight = picture2_->height();
  in.stripHeight = stripHeight_;
  return in;
}

int ChimeiCtl_B::frameIntervalMs() const {
  const QScreen* s = screen();
  const qreal hz = s ? s->refreshRate() : 0.0;
  return hz >= 10.0 && hz <= 250.0 ? qRound(1000.0 / hz) : 16;
}

}  // namespace sorane
