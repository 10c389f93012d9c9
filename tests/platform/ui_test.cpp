#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "qt_ui.h"
#include "scripted_ui.h"

namespace sorane {
namespace {

TEST(QtUi, PauseHoldsTheCallerWhileTimersRun) {
  QtUi qt;
  int ticks = 0;
  QTimer timer;
  timer.setInterval(5);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start();
  QElapsedTimer clock;
  clock.start();
  qt.pause(80);
  EXPECT_GE(clock.elapsed(), 79);
  EXPECT_GE(ticks, 4);
}

TEST(QtUi, ZeroPauseReturnsAtOnce) {
  QtUi qt;
  QElapsedTimer clock;
  clock.start();
  qt.pause(0);
  qt.pause(-5);
  EXPECT_LT(clock.elapsed(), 20);
}

TEST(ScriptedUi, RecordsMessagesAnswersInTurnAndRunsAVirtualClock) {
  test::UiScope scope;
  scope.ui.answers = {MsgAnswer::Yes};
  EXPECT_EQ(ui().message("q1", "t", MsgButtons::YesNo, MsgIcon::Question), MsgAnswer::Yes);
  EXPECT_EQ(ui().message("q2", "t", MsgButtons::YesNo, MsgIcon::Question), MsgAnswer::No);
  EXPECT_EQ(ui().message("m", "", MsgButtons::Ok, MsgIcon::None), MsgAnswer::Ok);
  ASSERT_EQ(scope.ui.messages.size(), 3u);
  EXPECT_EQ(scope.ui.messages[1].text, QStringLiteral("q2"));
  const QDateTime before = ui().now();
  ui().pause(3000);
  EXPECT_EQ(before.msecsTo(ui().now()), 3000);
  EXPECT_EQ(scope.ui.pauses, std::vector<int>{3000});
}

}  // namespace
}  // namespace sorane
