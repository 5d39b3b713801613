#include "director/engine/director_cycle.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cycle_test_support.h"

namespace director {
namespace {

using test::DirectorCycleTest;

TEST(ScoreCurves, InterpolateInIntegersAndHoldTheirEnds) {
  ScoreCurves c;
  BuildScoreCurves(&c);
  struct Case {
    const ScoreCurve& curve;
    std::int64_t v;
    std::int32_t expected;
  };
  const Case cases[] = {
      {c.gapCurve, -5, 10000},      {c.gapCurve, 2, 7500},       {c.gapCurve, 4, 4429},
      {c.gapCurve, 11, 500},        {c.gapCurve, 400, 0},        {c.gapTrendCurve, -9, 0},
      {c.gapTrendCurve, -6, 4000},  {c.gapTrendCurve, 0, 10000}, {c.gapTrendCurve, 4, 5000},
      {c.holdCurve, 1000, 11000},   {c.holdCurve, 4001, 5498},   {c.holdCurve, 6000, 0},
      {c.holdCurve, 4000000000, 0}, {c.sweepCurve, -3731, 5000}, {c.sweepCurve, 100, 10000},
      {c.sweepCurve, 7281, 0},
  };
  for (const Case& k : cases) EXPECT_EQ(k.curve(k.v), k.expected) << k.v;
  ScoreCurve empty;
  EXPECT_EQ(empty(5), 0);
}

TEST_F(DirectorCycleTest, ABattleIsRatedSmoothedHalvedAndFollowed) {
  // Two cars 2 nodes apart, neither gaining: 7500 per cycle, smoothed in at 5 %.
  const std::uint32_t smoothed[] = {375, 731, 1069, 1390};
  for (int i = 0; i < 4; ++i) {
    Sample(2, 100 + i);  // reported first, but behind
    Sample(1, 102 + i);
    const CameraPositionRecord p = Cycle();
    EXPECT_EQ(Order(), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(state.pairInterest[0], smoothed[i]);
    // The leader is not halved; from the second cycle he is followed and gets a tenth more.
    const std::uint32_t lead = smoothed[i] + (i > 0 ? smoothed[i] / 10 : 0);
    EXPECT_EQ(race.players[1].interest, lead);
    EXPECT_EQ(race.players[2].interest, smoothed[i] / 2);
    EXPECT_EQ(state.chosenCar, 1);
    EXPECT_EQ(state.followedCar, 1);
    EXPECT_TRUE(Tv(p, 2, i == 0 ? 0 : kGlideTimeMs)) << i;
  }
}

TEST_F(DirectorCycleTest, EveryCutCarriesItsReason) {
  // Car 1 leads car 2 by two nodes (10.5 m) at 20 m/s: the fight is for P1, half a second apart.
  Sample(2, 100, 1, 6554);
  Sample(1, 102, 1, 6554);
  Cycle();
  EXPECT_STREQ(state.reason.text, "battle for P1, 0.5 s");
  EXPECT_EQ(state.cut, 1);
  // The same shot goes on: no cut, and the reason stays even with the cars standing.
  Sample(2, 101);
  Sample(1, 103);
  Cycle();
  EXPECT_EQ(state.cut, 0);
  EXPECT_STREQ(state.reason.text, "battle for P1, 0.5 s");
  // A third car right behind the second, which is now the followed car's fight: for P2.
  Sample(2, 102);
  Sample(1, 110);
  Sample(3, 101);
  state.manual.count = 1;
  state.manual.plids[0] = 3;
  Cycle();
  EXPECT_STREQ(state.reason.text, "manual");
  EXPECT_EQ(state.cut, 1);
  state.manual.count = 0;
  state.pairInterest[0] = 0;
  state.pairInterest[1] = 100000;
  Sample(2, 103);
  Sample(1, 111);
  Sample(3, 102);
  Cycle();
  EXPECT_EQ(state.chosenCar, 2);
  EXPECT_STREQ(state.reason.text, "battle for P2");
}

TEST_F(DirectorCycleTest, CamerasScoreCoverageLookAheadAndTheLiveShot) {
  PlayerRecord& car = race.players[4];
  car.node = 102;
  car.carSample.x = car.predictedX = centres[102].x;
  car.carSample.y = car.predictedY = centres[102].y;
  car.interest = 800;
  const int followed = 4, other = 9;
  EXPECT_EQ(cycle.cameraScore(3, 4, followed, false, 0), 0u);    // not covered
  EXPECT_EQ(cycle.cameraScore(2, 4, followed, false, 0), 801u);  // 8 nodes ahead and more
  car.node = 146;
  EXPECT_EQ(cycle.cameraScore(2, 4, followed, false, 0), 301u);  // 3 nodes left
  car.interest = 0;
  EXPECT_EQ(cycle.cameraScore(2, 4, followed, false, 0), 1u);  // covering scores at least 1

  // The live camera on the followed car holds it strongly for 2 s, then less and less.
  CameraPosition& live = track->cameras.cameras[2];
  live.active = 1;
  live.activeSince = 5000;
  car.interest = 800;
  EXPECT_EQ(cycle.cameraScore(2, 4, followed, false, 6000), 800u + 12000);
  EXPECT_EQ(cycle.cameraScore(2, 4, followed, false, 9000), 800u + 5500 + 1000);
  EXPECT_EQ(cycle.cameraScore(2, 4, followed, false, 11000), 800u + 1000);
  // Another car counts on the live camera only while it is in the shot (within 3 degrees).
  const std::uint16_t h = live.headingTo(car.carSample.x, car.carSample.y);
  live.lastHeading = static_cast<std::uint16_t>(h + 545);
  EXPECT_EQ(cycle.cameraScore(2, 4, other, false, 6000), 800u);
  live.lastHeading = static_cast<std::uint16_t>(h - 546);
  EXPECT_EQ(cycle.cameraScore(2, 4, other, false, 6000), 0u);
  EXPECT_EQ(cycle.cameraScore(2, 4, other, true, 6000), 800u);  // on board: the shot is not shown
}

TEST_F(DirectorCycleTest, SixCutsOnOneCarGoOnBoardAndALongRunMakesItRarer) {
  report.raceInProgress = 1;
  report.raceLaps = 5;
  std::snprintf(race.players[7].name, sizeof race.players[7].name, "^1Kim");
  // Ten nodes per set: a new camera every fifth set.
  std::string printed;
  for (int set = 0; set < 56; ++set) {
    const int node = 5 + 10 * set;
    Sample(7, node);
    const CameraPositionRecord p = Cycle(&printed);
    const int camera = node % 600 / 50;
    const int cut = node / 50;  // cuts on this car so far, the first shot included
    SCOPED_TRACE(testing::Message() << "node " << node);
    if (cut >= 6 && cut <= 10) {
      EXPECT_TRUE(OnBoard(p, 7));
    } else {
      EXPECT_TRUE(Tv(p, camera, node % 50 == 5 ? 0 : kGlideTimeMs));
    }
    if (node == 305) {
      EXPECT_EQ(printed, "P=-906, N=905\n");  // the leader: nothing ahead, nothing behind
      EXPECT_STREQ(state.reason.text, "on board: sixth cut on #7");
      EXPECT_EQ(views.calls, (std::vector<std::pair<int, int>>{{kViewInCar, 7}}));
    } else {
      EXPECT_EQ(printed, "");
    }
    // The first shot of the car, its on-board view and the end of the long run.
    EXPECT_EQ(announcer.calls.size(), 1u + (cut >= 6) + (cut >= 11));
    if (cut == 11) {
      EXPECT_EQ(state.onboardInterval, 2);
      EXPECT_EQ(state.sameCarCuts, 0);
    }
  }
  EXPECT_EQ(announcer.calls, (std::vector<std::pair<std::string, int>>(3, {"^1Kim", 1})));
  // From now on the on-board view waits for twelve cuts.
  EXPECT_EQ(state.onboardInterval, 2);
}

TEST_F(DirectorCycleTest, AViewThatCannotBeInstalledIsTriedAtTheNextCut) {
  views.result = kViewFileNotFoundText;
  std::string printed;
  for (int set = 0; set < 36; ++set) {
    Sample(7, 5 + 10 * set);
    const CameraPositionRecord p = Cycle(&printed);
    EXPECT_EQ(p.inGameCam, kTvCamera);
  }
  // Cuts 6 and 7 each tried the view; outside a race nothing was announced.
  EXPECT_EQ(views.calls.size(), 2u);
  EXPECT_EQ(state.sameCarCuts, 5);
  EXPECT_TRUE(announcer.calls.empty());
  views.result = nullptr;
  for (int set = 36; set < 40; ++set) {
    Sample(7, 5 + 10 * set);
    Cycle();
  }
  Sample(7, 405);  // the next cut
  EXPECT_TRUE(OnBoard(Cycle(&printed), 7));
  EXPECT_EQ(views.calls.size(), 3u);
  EXPECT_EQ(state.sameCarCuts, 6);
  // Going on board is announced in any case.
  EXPECT_EQ(announcer.calls, (std::vector<std::pair<std::string, int>>{{"", 1}}));
}

TEST_F(DirectorCycleTest, RunningLevelWithAnotherCarEndsTheOnBoardView) {
  std::string printed;
  int node = 5;
  for (; node <= 305; node += 10) {
    Sample(1, node + 3);
    Sample(2, node);
    Cycle(&printed);
  }
  // Three nodes behind: the rear view.
  EXPECT_EQ(printed, "P=-909, N=3\n");
  EXPECT_EQ(views.calls, (std::vector<std::pair<int, int>>{{kViewRear, 1}}));
  // Now side by side: seven level cycles on board, then back to the live TV camera.
  for (int level = 1; level <= 8; ++level) {
    Sample(1, 308 + level);
    Sample(2, 308 + level);
    const CameraPositionRecord p = Cycle();
    SCOPED_TRACE(level);
    if (level <= 7) {
      EXPECT_TRUE(OnBoard(p, 1));
    } else {
      EXPECT_TRUE(Tv(p, 6, kGlideTimeMs));
    }
  }
  EXPECT_EQ(state.sameCarCuts, 0);
  EXPECT_EQ(state.onboardInterval, 1);
}

TEST_F(DirectorCycleTest, ManualSelectionsOverrideTheChoiceOfCar) {
  auto sampleBoth = [&] {
    Sample(1, 420);
    Sample(2, 410);
  };
  sampleBoth();
  Cycle();
  ASSERT_EQ(state.liveCamera, 8);

  // A view choice shows the first selected car on board, whatever the cameras.
  state.manual.viewChoice = kViewFront;
  state.manual.count = 1;
  state.manual.plids[0] = 2;
  sampleBoth();
  EXPECT_TRUE(OnBoard(Cycle(), 2));
  EXPECT_EQ(state.liveCamera, -1);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(track->cameras.cameras[k].active, 0);

  // A group is shown from the camera that reaches furthest beyond its centre (node 415); the
  // count is bounded by the 40 ids the selection holds.
  CameraPosition& wide = track->cameras.cameras[12];
  wide = track->cameras.cameras[8];
  wide.rangeStart = 390;
  wide.rangeEnd = 470;
  track->cameras.count = 13;
  state.manual.viewChoice = 0;
  state.manual.count = 63;
  for (int i = 0; i < kMaxManualCars; ++i) {
    state.manual.plids[i] = static_cast<std::uint8_t>(1 + i % 2);
  }
  sampleBoth();
  CameraPositionRecord p = Cycle();
  EXPECT_EQ(state.liveCamera, 12);
  EXPECT_EQ(p.time, 0);
  EXPECT_EQ(p.heading, wide.headingTo((centres[420].x + centres[410].x) / 2,
                                      (centres[420].y + centres[410].y) / 2));
  sampleBoth();
  EXPECT_EQ(Cycle().time, kGlideTimeMs);

  // A group whose centre no camera covers: the on-board view of the car the director chose.
  track->cameras.count = 8;  // nodes 0 to 399 only
  sampleBoth();
  EXPECT_TRUE(OnBoard(Cycle(), 1));
  EXPECT_EQ(state.liveCamera, -1);

  // Count 0 is automatic direction again: no camera covers either car and none is live, so the
  // chosen car is shown on board.
  state.manual.count = 0;
  sampleBoth();
  EXPECT_TRUE(OnBoard(Cycle(), 1));
}

TEST_F(DirectorCycleTest, ACarThatStopsReportingLeavesTheRaceOrderAtOnce) {
  // No car on track: nothing to send.
  const CameraPositionRecord none = Cycle();
  EXPECT_EQ(none.fov, 0.0f);
  EXPECT_EQ(std::make_tuple(none.inGameCam, none.time, none.flags),
            std::make_tuple(kTvCamera, kGlideTimeMs, kFreeViewFlags));

  Sample(3, 90);
  Sample(1, 110);
  Sample(2, 100);
  Cycle();
  EXPECT_EQ(Order(), (std::vector<std::uint8_t>{1, 2, 3}));
  PlayerRecord& gone = race.players[2];
  gone.stopCount = 2;
  gone.lapsDone = 4;
  gone.totalTime = 90000;
  gone.bestLap = 61000;
  Sample(3, 91);
  Sample(1, 111);
  Cycle();
  EXPECT_EQ(Order(), (std::vector<std::uint8_t>{1, 3}));
  EXPECT_EQ(std::make_tuple(gone.listed, gone.lapFigure, gone.interest, gone.stopCount,
                            gone.lapsDone, gone.totalTime, gone.bestLap),
            std::make_tuple(0, 1, 0u, 0, 0, 0u, kNoBestLap));
  EXPECT_EQ(race.players[1].updated, 0);

  // Back on track it is listed again.
  Sample(2, 95);
  Cycle();
  EXPECT_EQ(Order(), (std::vector<std::uint8_t>{2}));
}

}  // namespace
}  // namespace director
