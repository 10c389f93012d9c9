#include <QGroupBox>
#include <QLabel>
#include <QStyleOptionButton>
#include <QTextLayout>
#include <algorithm>
#include <map>

#include "frm_ctl.h"
#include "frm_option.h"
#include "program_fixture.h"

namespace sorane {
namespace {

// The lowest row of ink of `text` wrapped at `width`, counted from the top
// of its box: the last line's glyphs, not its empty descent, must fit.
int inkBottom(const QFont& font, const QString& text, int width) {
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(option);
  const QFontMetrics fm(font);
  int bottom = 0;
  layout.beginLayout();
  qreal y = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, y));
    const QString part = text.mid(line.textStart(), line.textLength()).trimmed();
    if (!part.isEmpty()) bottom = qRound(y + line.ascent()) + fm.tightBoundingRect(part).bottom();
    y += fm.height();
  }
  layout.endLayout();
  return bottom;
}

int indicatorRoom(const QAbstractButton* b, QStyle::SubElement contents) {
  QStyleOptionButton opt;
  opt.initFrom(b);
  return b->style()->subElementRect(contents, &opt, b).left();
}

// Why a caption does not fit its control, or nothing when it fits. A
// one-line caption must fit the control's width, a wrapped one its height;
// a caption laid out around lists must stay inside the control and off
// the lists.
QString misfit(QWidget* w) {
  const QFontMetrics fm(w->font());
  const int width = w->width(), height = w->height();
  auto tooWide = [&](const QString& text, int extra) -> QString {
    const int needs = fm.horizontalAdvance(text) + extra;
    return needs > width ? QStringLiteral("needs width %1, has %2").arg(needs).arg(width)
                         : QString();
  };
  auto tooHigh = [&](const QString& text, int room) -> QString {
    const int bottom = inkBottom(w->font(), text, room);
    return bottom >= height ? QStringLiteral("ink reaches row %1 of %2").arg(bottom).arg(height)
                            : QString();
  };
  auto aroundLists = [&](const std::vector<CaptionRun>& runs,
                         const std::vector<QRect>& lists) -> QString {
    for (const CaptionRun& r : runs) {
      if (!w->rect().contains(r.rect)) return QStringLiteral("\"%1\" leaves its box").arg(r.text);
      for (const QRect& l : lists)
        if (l.intersects(r.rect)) return QStringLiteral("\"%1\" lies under a list").arg(r.text);
    }
    return {};
  };
  if (auto* l = qobject_cast<ListCaptionLabel*>(w))
    return aroundLists(l->captionRuns(), l->listRects());
  if (auto* c = qobject_cast<CheckBox*>(w); c && !c->listRects().empty())
    return aroundLists(c->captionRuns(), c->listRects());
  if (auto* l = qobject_cast<QLabel*>(w))
    return l->wordWrap() ? tooHigh(l->text(), width) : tooWide(l->text(), 0);
  if (auto* o = qobject_cast<OptionButton*>(w)) {
    QStyleOptionButton opt;
    opt.initFrom(o);
    const int room = o->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &opt, o) + 4;
    return fm.horizontalAdvance(o->text()) + room <= width ? QString()
                                                           : tooHigh(o->text(), width - room);
  }
  if (auto* c = qobject_cast<QCheckBox*>(w))
    return tooWide(c->text(), indicatorRoom(c, QStyle::SE_CheckBoxContents));
  if (auto* b = qobject_cast<Button*>(w)) {
    const QRect box(0, 0, width - 4, 100000);
    const int needs =
        fm.boundingRect(box, Qt::TextWordWrap | Qt::TextWrapAnywhere, b->text()).height() + 2;
    return needs > height ? QStringLiteral("needs height %1, has %2").arg(needs).arg(height)
                          : QString();
  }
  if (auto* p = qobject_cast<QPushButton*>(w)) return tooWide(p->text(), 8);
  if (auto* g = qobject_cast<QGroupBox*>(w)) return tooWide(g->title(), 14);
  return {};
}

QString captionOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return {};
}

using CaptionFitTest = test::ProgramTest;

TEST_F(CaptionFitTest, EveryCaptionOfTheDialogAndThePanelFits) {
  program.option().chkUseSeiriPrev->setValue(1);
  program.option().Option3[1]->setValue(true);
  int captions = 0;
  for (QWidget* window :
       {static_cast<QWidget*>(&program.option()), static_cast<QWidget*>(&program.ctl())}) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (captionOf(w).isEmpty()) continue;
      ++captions;
      const QString why = misfit(w);
      EXPECT_TRUE(why.isEmpty()) << captionOf(w).toStdString() << ": " << why.toStdString();
    }
  }
  EXPECT_GE(captions, 140);  // the walk reached both windows whole
}

// A disabled caption is drawn in a grey that stands out from the grey
// dialog, as "0から数える" is until its box is ticked.
TEST_F(CaptionFitTest, DisabledCaptionsStayReadable) {
  CheckBox* fromZero = program.option().Check3[4];
  ASSERT_FALSE(fromZero->isEnabled());
  program.option().Frame1[2]->show();
  const QImage shot = fromZero->grab().toImage();
  int ink = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 20; x < shot.width(); ++x) ink += qGray(shot.pixel(x, y)) < 150;
  EXPECT_GT(ink, 30);
}


// The colour most of `image`'s pixels in `r` have.
QRgb commonColour(const QImage& image, const QRect& r) {
  std::map<QRgb, int> count;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) ++count[image.pixel(x, y)];
  return std::max_element(count.begin(), count.end(),
                          [](auto& a, auto& b) { return a.second < b.second; })
      ->first;
}

// Rows of `image` in columns [x0, x1) that differ from `back`.
std::pair<int, int> inkRows(const QImage& image, int x0, int x1, QRgb back) {
  int top = image.height(), bottom = -1;
  for (int y = 0; y < image.height(); ++y)
    for (int x = x0; x < x1; ++x)
      if (image.pixel(x, y) != back) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  return {top, bottom};
}

// A caption over a frame's edge has the page's own colour behind it, and a
// radio circle sits level with the middle of its caption's first line.
TEST_F(CaptionFitTest, CaptionsSitOnTheirPage) {
  frmOption& o = program.option();
  o.Option1[1]->setValue(true);
  o.show();
  const QImage page = o.Frame1[1]->grab().toImage();
  const QRect box = o.Check1->geometry();
  const QPoint outside = o.Frame3->geometry().bottomRight() + QPoint(3, -3);
  EXPECT_EQ(QColor(commonColour(page, box)), QColor(page.pixel(outside)));

  int radios = 0;
  for (int page = 0; page < 6; ++page) {
    o.Option1[page]->setValue(true);
    for (OptionButton* b : o.findChildren<OptionButton*>()) {
      if (!b->isVisible()) continue;
      ++radios;
      const QImage shot = b->grab().toImage();
      QStyleOptionButton opt;
      opt.initFrom(b);
      const int indicator = b->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &opt, b);
      const QRgb back = shot.pixel(shot.width() - 1, shot.height() - 1);
      const auto [circleTop, circleBottom] = inkRows(shot, 0, indicator, back);
      const auto [textTop, textBottom] = inkRows(shot.copy(0, 0, shot.width(), b->fontMetrics().height()),
                                                 indicator + 4, shot.width(), back);
      EXPECT_LE(std::abs((circleTop + circleBottom) - (textTop + textBottom)), 2)
          << b->text().toStdString() << ": circle " << circleTop << ".." << circleBottom
          << ", caption " << textTop << ".." << textBottom;
    }
  }
  EXPECT_GE(radios, 6);
}

}  // namespace
}  // namespace sorane
