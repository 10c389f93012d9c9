#include "m_degit.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "fake_companion.h"
#include "property_bag.h"

namespace sorane {
namespace {

class MDegitTest : public ::testing::Test {
 protected:
  MDegitTest() { d.InitProperties(); }
  test::CompanionScope companion;
  M_Degit d;
};

TEST_F(MDegitTest, DefaultsOfANewElement) {
  EXPECT_EQ(d.BaseForeColor(), 0x969696u);
  EXPECT_EQ(d.DegitForeColor(), 0x72D2F8u);
  EXPECT_EQ(d.BackColor(), 0x808080u);
  EXPECT_EQ(d.Keta(), 4);
  EXPECT_EQ(d.Value(), QVariant(0));
  EXPECT_TRUE(d.UserSet());
  EXPECT_EQ(d.size(), QSize(52, 20));
}

TEST_F(MDegitTest, SettersClampOrSubstitute) {
  d.setKeta(0);
  EXPECT_EQ(d.Keta(), 4);
  EXPECT_EQ(d.width(), 52);
  d.setKeta(16);
  EXPECT_EQ(d.Keta(), 4);
  d.setKeta(2);
  EXPECT_EQ(d.size(), QSize(26, 20));
  d.setKeta(4);
  d.setFillZero(9);
  EXPECT_EQ(d.FillZero(), 4);
  d.setShift(9);
  EXPECT_EQ(d.Shift(), 3);
  d.setShift(-2);
  EXPECT_EQ(d.Shift(), 0);
  // 4 and above become 0; 3 and below stay, negative ones too.
  for (const auto& [given, kept] : {std::pair{3, 3}, {4, 0}, {5, 0}, {7, 0}, {-3, -3}}) {
    d.setZeroMode(static_cast<std::int16_t>(given));
    EXPECT_EQ(d.ZeroMode(), kept) << given;
  }
  d.setDegitSize(7);
  EXPECT_EQ(d.DegitSize(), 0);
  d.setDegitSize(2);
  EXPECT_EQ(d.size(), QSize(76, 29));
  d.setDegitStyle(5);  // stored as given, drawn as face A
  EXPECT_EQ(d.DegitStyle(), 5);
}

TEST_F(MDegitTest, EdgeCasesShowWhatAPassengerWouldRead) {
  d.setValue(120);
  EXPECT_EQ(d.shownText(), QStringLiteral("120"));
  d.setValue(12345);
  EXPECT_EQ(d.shownText(), QStringLiteral("2345"));
  d.setShift(1);
  d.setValue(50);
  EXPECT_EQ(d.shownText(), QStringLiteral("50 "));
  d.setShift(0);
  d.setValue(0);
  EXPECT_EQ(d.shownText(), QString());
  d.setZeroMode(1);
  d.setValue(0);
  EXPECT_EQ(d.shownText(), QStringLiteral("0"));
  d.setFillZero(2);
  d.setValue(0);
  EXPECT_EQ(d.shownText(), QStringLiteral("00"));
}

TEST_F(MDegitTest, OptionSettersWaitForTheNextRedraw) {
  d.setValue(50);
  const QImage before = d.surface();
  d.setShift(1);
  d.setZeroMode(1);
  d.setFillZero(3);
  EXPECT_EQ(d.surface(), before);
  EXPECT_EQ(d.shownText(), QStringLiteral("50"));
  d.setBackColor(0x000000);  // a colour assignment redraws with the new options
  EXPECT_EQ(d.shownText(), QStringLiteral("050 "));
}

TEST_F(MDegitTest, ResetDegitLightsEverythingAndKeepsTheOptions) {
  d.setShift(1);
  d.setZeroMode(2);
  d.setFillZero(3);
  d.ResetDegit(true);
  EXPECT_EQ(d.shownText(), QStringLiteral("8888"));
  EXPECT_EQ(d.Shift(), 1);
  EXPECT_EQ(d.ZeroMode(), 2);
  EXPECT_EQ(d.FillZero(), 3);
  d.ResetDegit(false);
  EXPECT_EQ(d.shownText(), QString());
  EXPECT_EQ(d.Value(), QVariant(QString()));
}

TEST_F(MDegitTest, ColoursReachThePicture) {
  d.setBackColor(0x000000);
  d.setBaseForeColor(0x202020);
  d.setDegitForeColor(0x0000FF);  // red
  d.setValue(8);
  const QImage img = d.surface();
  bool red = false, grey = false;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor c(img.pixel(x, y));
      red |= c == QColor(255, 0, 0);
      grey |= c == QColor(32, 32, 32);
    }
  EXPECT_TRUE(red);
  EXPECT_TRUE(grey);
  EXPECT_EQ(QColor(img.pixel(0, 0)), QColor(0, 0, 0));
}

TEST_F(MDegitTest, EveryAssignmentMarksItsPropertyChanged) {
  QSignalSpy spy(&d, &M_Degit::propertyChanged);
  d.setKeta(3);
  d.setValue(1);
  d.setUserSet(false);
  d.setShift(1);
  ASSERT_EQ(spy.count(), 4);
  EXPECT_EQ(spy.at(0).at(0).toString(), QStringLiteral("Keta"));
  EXPECT_EQ(spy.at(1).at(0).toString(), QStringLiteral("Value"));
  EXPECT_EQ(spy.at(2).at(0).toString(), QStringLiteral("UserSet"));
  EXPECT_EQ(spy.at(3).at(0).toString(), QStringLiteral("Shift"));
}

TEST_F(MDegitTest, ShowSetDlgStoresTheDialogsValuesUnclampedAndReturnsItsResult) {
  companion.companion.dlg100Result = 1;
  companion.companion.dlg100ZeroMode = 6;
  companion.companion.dlg100Shift = 9;
  companion.companion.dlg100FillZero = 2;
  d.setZeroMode(1);
  d.setValue(7);
  QSignalSpy spy(&d, &M_Degit::propertyChanged);
  EXPECT_EQ(d.ShowSetDlg(), 1);
  ASSERT_EQ(companion.companion.dlg100Calls.size(), 1u);
  const auto& call = companion.companion.dlg100Calls[0];
  EXPECT_EQ(call.owner, &d);
  EXPECT_EQ(call.keta, 4);
  EXPECT_EQ(call.zeroMode, 1);
  EXPECT_EQ(d.ZeroMode(), 6);
  EXPECT_EQ(d.Shift(), 9);
  EXPECT_EQ(d.FillZero(), 2);
  EXPECT_EQ(spy.count(), 0);
  companion.companion.dlg100Result = 0;
  EXPECT_EQ(d.ShowSetDlg(), 0);
}

TEST_F(MDegitTest, PropertiesAreSavedByNameWithoutDefaults) {
  PropertyBag bag;
  d.WriteProperties(bag);
  EXPECT_TRUE(bag.keys().isEmpty());
  d.setKeta(2);
  d.setUserSet(false);
  d.setValue(QStringLiteral("123"));
  d.WriteProperties(bag);
  EXPECT_EQ(bag.keys(), (QStringList{"Keta", "Value", "UserSet"}));

  M_Degit other;
  other.ReadProperties(bag);
  EXPECT_EQ(other.Keta(), 2);
  EXPECT_FALSE(other.UserSet());
  EXPECT_EQ(other.Value().toString(), QStringLiteral("123"));
  EXPECT_EQ(other.BackColor(), 0x808080u);
}

TEST_F(MDegitTest, ReadPropertiesDoesNoRangeChecks) {
  PropertyBag bag;
  bag.write(QStringLiteral("keta"), 40, 4);
  bag.write(QStringLiteral("ZEROMODE"), 9, 0);
  d.ReadProperties(bag);
  EXPECT_EQ(d.Keta(), 40);
  EXPECT_EQ(d.ZeroMode(), 9);
}

TEST_F(MDegitTest, DoubleClickRaisesDblClick) {
  QSignalSpy spy(&d, &M_Degit::DblClick);
  QTest::mouseDClick(&d, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(spy.count(), 1);
}

}  // namespace
}  // namespace sorane
