// The broadcast rules' cameras: a new shot comes from the camera that will keep the car longest,
// the live camera keeps its car past its range while it still frames it, and the holds run on
// the race's time, not the wall clock's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "cycle_test_support.h"
#include "director/engine/broadcast_rules.h"
#include "director/engine/director_math.h"

namespace director {
namespace {

constexpr std::uint16_t kSpeed = 8521;  // 26 m/s: about a node per 200 ms set

// One car alone on the test circle (radius 500 m, 600 nodes of 5.2 m; camera k 20 m outside the
// road at node 50k + 25, covering nodes 50k to 50k + 49), a node further each set.
class BroadcastCameraTest : public test::DirectorCycleTest {
 protected:
  BroadcastCameraTest() {
    rules->setTrack(track.get());
    cycle.useBroadcastRules(rules.get());
    report.raceInProgress = 1;
    report.raceLaps = 5;
    race.raceStarted = 1;
  }
  CameraPositionRecord At(int node, std::uint16_t lap = 2, std::uint32_t wallMs = 200) {
    Sample(1, node, lap, kSpeed);
    clock.Advance(wallMs - 200);  // Cycle() adds 200
    return Cycle();
  }
  std::unique_ptr<BroadcastRules> rules = std::make_unique<BroadcastRules>();
};

TEST_F(BroadcastCameraTest, ACameraTakesTheCarItWillKeepLongestAndHoldsItWhileItFramesIt) {
  // At node 30 camera 0 covers the car, but it is leaving camera 0; camera 1, 45 nodes ahead
  // (235 m), sees it come and keeps it for longest.
  At(30);
  EXPECT_EQ(state.liveCamera, 1);
  EXPECT_EQ(state.chosenCar, 1);
  // Past the end of camera 1's range (node 99) the camera stays on the car ...
  for (int node = 31; node <= 120; ++node) {
    const CameraPositionRecord p = At(node);
    ASSERT_EQ(state.liveCamera, 1) << node;
    ASSERT_NE(p.time, 0) << node;  // no cut
  }
  // ... until it is more than 250 m away (48 nodes past the camera); then camera 2.
  At(121);
  At(122);
  EXPECT_EQ(state.liveCamera, 1);
  const CameraPositionRecord p = At(123);
  EXPECT_EQ(state.liveCamera, 2);
  EXPECT_EQ(p.time, 0);
}

TEST_F(BroadcastCameraTest, ACameraGoesLiveOnTheRacesTimeNotTheWallClocks) {
  // A race twenty times as fast as the clock: 4 s of wall clock a set.
  At(30, 2, 4000);
  ASSERT_EQ(state.liveCamera, 1);
  EXPECT_EQ(track->cameras.cameras[1].activeSince, rules->now());
  for (int node = 31; node <= 123; ++node) At(node, 2, 4000);
  ASSERT_EQ(state.liveCamera, 2);
  EXPECT_EQ(track->cameras.cameras[2].activeSince, rules->now());
  EXPECT_EQ(track->cameras.cameras[1].active, 0);
}

// A cut is aimed where the car will be at the next set: 0.2 s along its course (26 m/s on a
// direction of 0, which is +y), with the car in the middle of the picture: a car close behind
// does not pull the aim towards it.
TEST_F(BroadcastCameraTest, ACutAimsWhereTheCarWillBeAtTheNextSet) {
  Sample(2, 29, 2, kSpeed);
  const CameraPositionRecord p = At(30);
  ASSERT_EQ(p.time, 0);
  ASSERT_GT(state.chosenCar, 0);
  const CameraPosition& cam = track->cameras.cameras[state.liveCamera];
  const CompCar& c = race.players[state.chosenCar].carSample;
  const std::int32_t ahead = c.y + static_cast<std::int32_t>(26.0 * 0.2 * 65536);
  EXPECT_LE(std::abs(AngleDiff(p.heading, cam.headingTo(c.x, ahead))), 2);
  EXPECT_GT(std::abs(AngleDiff(p.heading, cam.headingTo(c.x, c.y))), 100);
}

// In its last 2 s before the line (52 m, 10 nodes) the winner is awaited in a still picture of
// the line, 30 m wide, sent without a glide; over the line the camera follows the car again.
TEST_F(BroadcastCameraTest, TheWinnerIsAwaitedInAStillPictureOfTheLine) {
  for (int node = 530; node <= 589; ++node) At(node, 5);
  const CameraPositionRecord before = At(590, 5);
  ASSERT_NE(before.time, 0);  // 2.01 s out: still following the car
  for (int node = 591; node < 600; ++node) {
    const CameraPositionRecord p = At(node, 5);
    const CameraPosition& cam = track->cameras.cameras[state.liveCamera];
    EXPECT_EQ(p.heading, cam.headingTo(centres[0].x, centres[0].y)) << node;
    EXPECT_EQ(p.time, 0) << node;
    const double d = std::hypot(centres[0].x - cam.x, centres[0].y - cam.y);
    EXPECT_NEAR(p.fov, std::atan2(30.0 * 65536, d) * 180.0 / 3.14159265358979, 0.01) << node;
    EXPECT_EQ(std::string(state.reason.text), "winner at the flag");
  }
  const CameraPositionRecord after = At(600, 5);  // over the line: lap 6
  EXPECT_NE(after.heading, track->cameras.cameras[state.liveCamera].headingTo(centres[0].x,
                                                                               centres[0].y));
}

// Half a lap behind, cars 2 and 3 fight for a little interest: less than the hold the followed
// car has on its live camera, so it stays, also past its camera's range.
TEST_F(BroadcastCameraTest, TheHoldOnTheLiveCameraLastsWhileItFramesItsCar) {
  const auto set = [this](int node) {
    Sample(1, node, 2, kSpeed);
    Sample(2, node + 300, 1, kSpeed);
    Sample(3, node + 298, 1, kSpeed);
    state.pairInterest[0] = 0;
    state.pairInterest[1] = 1600;  // about 760 each after smoothing and halving
    Cycle();
  };
  for (int node = 30; node <= 120; ++node) {
    set(node);
    ASSERT_EQ(state.chosenCar, 1) << node;
    ASSERT_EQ(state.liveCamera, 1) << node;
  }
  EXPECT_GT(race.players[2].interest, 700u);
}

}  // namespace
}  // namespace director
