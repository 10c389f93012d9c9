#include <QGroupBox>
#include <QLabel>
#include <QStyleOptionButton>
#include <QTextLayout>

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

}  // namespace
}  // namespace sorane
