#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

#include "cp932.h"
#include "dlg100.h"
#include "qt_companion.h"

namespace sorane {
namespace {

TEST(CompanionBytes, LenBCountsShiftJisBytesUpToNul) {
  EXPECT_EQ(Companion::LenB_ASCII(cp932::encode(QStringLiteral("運賃A"))), 5);
  EXPECT_EQ(Companion::LenB_ASCII(QByteArray()), 0);
  EXPECT_EQ(Companion::LenB_ASCII(QByteArray("ab\0cd", 5)), 2);
}

TEST(CompanionBytes, MidBTakesBytesFromAOneBasedStart) {
  const QByteArray s = cp932::encode(QStringLiteral("A運賃"));  // 41 89 5E 92 C0
  EXPECT_EQ(Companion::MidB_ASCII(s, 1, 2), QByteArray::fromHex("4189"));
  EXPECT_EQ(Companion::MidB_ASCII(s, 2, 2), QByteArray::fromHex("895e"));
  EXPECT_EQ(Companion::MidB_ASCII(s, 5, 2), QByteArray::fromHex("c0"));  // cut at the end
  EXPECT_EQ(Companion::MidB_ASCII(s, 6, 2), QByteArray());
  EXPECT_EQ(Companion::MidB_ASCII(s, 0, 2), QByteArray());
  EXPECT_EQ(Companion::MidB_ASCII(s, 1, 0), QByteArray());
}

TEST(CompanionOs, ReportsThisSystemsName) {
  QtCompanion c;
  EXPECT_EQ(c.GetOsInfo(), QStringLiteral("Linux"));
}

TEST(Dlg100, SeedsItsControlsAndKeepsThemInRange) {
  Dlg100 d(nullptr, 4, 2, 1, 3);
  EXPECT_EQ(d.zeroModeBox()->currentIndex(), 2);
  EXPECT_EQ(d.shiftBox()->value(), 1);
  EXPECT_EQ(d.shiftBox()->maximum(), 3);
  EXPECT_EQ(d.fillZeroBox()->maximum(), 4);
  EXPECT_EQ(d.fillZero(), 3);
  // A zero mode the list cannot show comes back unchanged.
  Dlg100 odd(nullptr, 4, -3, 0, 0);
  EXPECT_EQ(odd.zeroMode(), -3);
}

// Finds the open options dialog and closes it the way the user would.
void answerDialog(bool ok, int zeroMode, int shift, int fillZero) {
  QTimer::singleShot(0, [=] {
    auto* d = qobject_cast<Dlg100*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    d->zeroModeBox()->setCurrentIndex(zeroMode);
    d->shiftBox()->setValue(shift);
    d->fillZeroBox()->setValue(fillZero);
    ok ? d->accept() : d->reject();
  });
}

TEST(Dlg100, OkReturnsOneWithTheValues) {
  QtCompanion c;
  std::int16_t zm = 0, sh = 0, fz = 0;
  answerDialog(true, 1, 2, 3);
  EXPECT_EQ(c.Call_dlg100(nullptr, 4, zm, sh, fz), 1);
  EXPECT_EQ(zm, 1);
  EXPECT_EQ(sh, 2);
  EXPECT_EQ(fz, 3);
}

TEST(Dlg100, CancelReturnsZeroAndLeavesTheValues) {
  QtCompanion c;
  std::int16_t zm = 3, sh = 1, fz = 2;
  answerDialog(false, 0, 0, 0);
  EXPECT_EQ(c.Call_dlg100(nullptr, 4, zm, sh, fz), 0);
  EXPECT_EQ(zm, 3);
  EXPECT_EQ(sh, 1);
  EXPECT_EQ(fz, 2);
}

TEST(Dlg110, ShowsTheTextAndReturnsWhenClosed) {
  QtCompanion c;
  QString shown;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    for (QLabel* l : box->findChildren<QLabel*>()) shown += l->text() + "|";
    static_cast<QDialog*>(box)->accept();
  });
  c.Call_dlg110(nullptr, 1, QStringLiteral("型番：318\r\nバージョン：0.1.0"));
  EXPECT_EQ(shown, QStringLiteral("ソラネ|型番：318\nバージョン：0.1.0|"));
}

}  // namespace
}  // namespace sorane
