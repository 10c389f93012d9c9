#include "board_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "scripted_ui.h"

namespace sorane {
namespace {

// A route of `count` rows named 停留所1.., ticket numbers from `firstTicket`
// (none for 0) and the fare 100 * (row - cell + 1) in cells up to the row.
std::vector<RouteRow> route(int count, int firstTicket = 1) {
  std::vector<RouteRow> rows(static_cast<std::size_t>(count));
  for (int r = 1; r <= count; ++r) {
    RouteRow& row = rows[static_cast<std::size_t>(r - 1)];
    row.StopName = QStringLiteral("停留所%1").arg(r);
    row.Values[0] = static_cast<std::int16_t>(firstTicket ? firstTicket + r - 1 : 0);
    for (int k = 1; k <= std::min(r, 32); ++k)
      row.Values[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(100 * (r - k + 1));
  }
  return rows;
}

TEST(NextStop, IsTheRowAfterTheCurrentOneAndTheTerminusAtTheLast) {
  struct Row {
    int current, count;
    NextStop expected;
  };
  const Row rows[] = {
      {1, 25, {2, false}}, {10, 25, {11, false}}, {24, 25, {25, false}}, {25, 25, {25, true}},
      {1, 1, {1, true}},   {0, 25, {0, false}},   {26, 25, {0, false}},  {1, 0, {0, false}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(nextStopFor(r.current, r.count), r.expected) << r.current << " of " << r.count;
}

TEST(BoardModel, HeadsignIsTheLastStopsNameWithGyo) {
  test::UiScope scope;
  BoardModel m;
  EXPECT_EQ(m.headsign(), QString());
  m.setRoute(route(3));
  EXPECT_EQ(m.headsign(), QStringLiteral("停留所3行"));
}

TEST(BoardModel, ShowsTheCellsUpToTheHighestTicketNumber) {
  test::UiScope scope;
  struct Row {
    const char* what;
    int rows;
    int firstTicket;
    int infoCell;  // 0: none
    bool shiftedCaptions;
    int expected;
  };
  const Row rows[] = {
      {"10 tickets", 10, 1, 0, false, 10},
      {"32 tickets", 32, 1, 0, false, 32},
      {"more tickets than cells", 40, 1, 0, false, 32},
      {"numbers from 5", 3, 5, 0, false, 7},
      {"an information digit further on", 10, 1, 20, false, 20},
      {"an information digit inside", 10, 1, 4, false, 10},
      {"captions shifted a cell to the right", 10, 1, 0, true, 11},
      {"no ticket numbers: the cells with fares", 6, 0, 0, false, 6},
  };
  for (const Row& r : rows) {
    BoardModel m;
    m.setRoute(route(r.rows, r.firstTicket));
    if (r.shiftedCaptions) {
      std::array<QString, 33> labels;
      labels[1] = QStringLiteral("な し");
      for (int k = 2; k <= 32; ++k) labels[static_cast<std::size_t>(k)] = QString::number(k - 1);
      m.setCellLabels(labels);
    }
    if (r.infoCell) m.setInfoDigit(r.infoCell, 7);
    EXPECT_EQ(m.shownCells(), r.expected) << r.what;
  }
}

TEST(BoardModel, CellsShowWhatTheClassicElementShows) {
  test::UiScope scope;
  struct Row {
    std::int16_t zeroMode;
    std::int16_t fare;
    std::optional<std::int16_t> ic;
    bool night;
    const char* cash;
    const char* icText;
  };
  const Row rows[] = {
      {0, 230, std::nullopt, false, "230", "230"},  // no IC fare: the cash fare
      {0, 230, 228, false, "230", "228"},
      {0, 230, 228, true, "460", "456"},  // night doubles both tiers
      {0, 0, std::nullopt, false, "", ""},
      {0, -1, -1, true, "-1", "-1"},  // the marker is never doubled
      {1, 0, std::nullopt, false, "0", "0"},
      {2, 0, std::nullopt, false, "", ""},
      {2, -1, std::nullopt, true, "0", "0"},
      {3, 0, 0, false, "0", "0"},
      {0, 12345, std::nullopt, false, "2345", "2345"},  // four digit places
  };
  for (const Row& r : rows) {
    BoardModel m;
    RouteRow values;
    values.Values[3] = r.fare;
    StopExtras extras;
    extras.ic[3] = r.ic;
    m.setRoute({values}, {extras});
    m.setDigitOptions(r.zeroMode, 0, 0);
    m.setNightFare(r.night);
    m.showFares(1, values, 1);
    EXPECT_EQ(m.cell(3).cash, QString::fromUtf8(r.cash)) << r.zeroMode << " " << r.fare;
    EXPECT_EQ(m.cell(3).ic, QString::fromUtf8(r.icText)) << r.zeroMode << " " << r.fare;
    EXPECT_EQ(m.hasIc(), r.ic.has_value());
  }
}

TEST(BoardModel, FaresFromTheStartingSectionLeaveTheCellsBefore) {
  test::UiScope scope;
  BoardModel m;
  const std::vector<RouteRow> rows = route(10);
  m.setRoute(rows);
  m.setDigitOptions(1, 0, 0);
  m.setLampTest(true);
  m.setLampTest(false);
  m.showFares(8, rows[7], 5);
  EXPECT_EQ(m.cell(4).cash, QStringLiteral("0"));  // the lamp test's 0
  EXPECT_EQ(m.cell(5).cash, QStringLiteral("400"));
  EXPECT_EQ(m.cell(8).cash, QStringLiteral("100"));
  m.setInfoDigit(2, QStringLiteral("00012"));
  EXPECT_EQ(m.cell(2), (BoardModel::Cell{QStringLiteral("0012"), QString(), true}));
  m.setCleared(true);
  EXPECT_EQ(m.cell(5), BoardModel::Cell{});
  EXPECT_EQ(m.cell(2), BoardModel::Cell{});
}

TEST(BoardModel, AnnouncesAgainWhenWhatTheBandSaysChanges) {
  test::UiScope scope;
  BoardModel m;
  QSignalSpy changed(&m, &BoardModel::changed);
  m.setRoute(route(5));
  m.setCurrentRow(1);
  scope.ui.clockMs = 7000;
  m.setCurrentRow(2);
  EXPECT_EQ(m.announcedSince(), scope.ui.now());
  scope.ui.clockMs = 9000;
  m.setNightFare(true);
  m.setBacklight(BoardModel::Backlight::On2);
  m.setCurrentRow(2);  // no change
  EXPECT_EQ(m.announcedSince(), scope.ui.start.addMSecs(7000));
  m.setStopRequest(true);
  EXPECT_EQ(m.announcedSince(), scope.ui.now());
  EXPECT_EQ(changed.count(), 6);
}

}  // namespace
}  // namespace sorane
