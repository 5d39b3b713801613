// The broadcast rule set in the director cycle: the leader at the start, the winner at the flag,
// incidents cutting through the hold, the shortest shot, no ping-pong and no pit lane. The
// battles are steered by setting the smoothed pair interest before each cycle.
#include "director/engine/broadcast_rules.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cycle_test_support.h"

namespace director {
namespace {

constexpr std::uint16_t kSpeed = 8521;      // 26 m/s: about a node per 200 ms set
constexpr std::uint16_t kSideways = 16384;  // heading a quarter turn off the direction of motion
constexpr std::uint32_t kStrong = 100000;

// Four cars at speed: 1 leads 2 at nodes 120 and 118, 3 leads 4 at nodes 60 and 58, all moving a
// node per set on lap `lap`, in a race of five laps under way.
class BroadcastRulesTest : public test::DirectorCycleTest {
 protected:
  BroadcastRulesTest() {
    rules->setTrack(track.get());
    cycle.useBroadcastRules(rules.get());
    report.raceInProgress = 1;
    report.raceLaps = 5;
    race.raceStarted = 1;
  }
  // One set: the pair to favour (0: cars 1 and 2, 2: cars 3 and 4) and a car that spins.
  CameraPositionRecord Set(int favour, std::uint8_t spinning = 0) {
    const int n = step_++;
    for (std::uint8_t plid = 1; plid <= 4; ++plid) {
      const int node = (plid <= 2 ? 120 : 60) - (plid % 2 == 0 ? 2 : 0) + n + base_;
      Sample(plid, node, lap_, kSpeed, plid == spinning ? kSideways : 0);
    }
    state.pairInterest[0] = favour == 0 ? kStrong : 0;
    state.pairInterest[1] = 0;
    state.pairInterest[2] = favour == 2 ? kStrong : 0;
    return Cycle();
  }
  // Sets until the start is over (8 s) and the director has turned to the back pair (the classic
  // scoring's own hold on the live camera may take a few seconds more).
  void PastTheStart() {
    for (int i = 0; i < 41; ++i) Set(2);
    while (!OnBackPair() && step_ < 200) Set(2);
  }
  std::string Reason() const { return state.reason.text; }
  bool OnBackPair() const { return state.chosenCar == 3 || state.chosenCar == 4; }
  bool OnFrontPair() const { return state.chosenCar == 1 || state.chosenCar == 2; }

  std::unique_ptr<BroadcastRules> rules = std::make_unique<BroadcastRules>();
  int step_ = 0;
  int base_ = 0;
  std::uint16_t lap_ = 2;
};

TEST_F(BroadcastRulesTest, TheLeaderOpensTheRaceThenTheBattlesDecide) {
  for (int i = 0; i < 40; ++i) {
    Set(2);
    ASSERT_EQ(state.chosenCar, 1) << i;
    EXPECT_EQ(Reason(), "leader at the start");
  }
  PastTheStart();
  EXPECT_TRUE(OnBackPair()) << state.chosenCar;
  EXPECT_EQ(Reason().rfind("battle for P3", 0), 0u) << Reason();
}

TEST_F(BroadcastRulesTest, AShotIsHeldFourSecondsAndAnIncidentCutsThroughTheHold) {
  PastTheStart();
  const std::int32_t back = state.chosenCar;
  ASSERT_TRUE(OnBackPair());
  // The front pair becomes the better fight at once; the shot on the back pair lasts 4 s.
  int held = 0;
  do {
    Set(0);
    ++held;
  } while (state.chosenCar == back && held < 100);
  EXPECT_TRUE(OnFrontPair());
  EXPECT_GE(held, 4000 / 200);
  EXPECT_EQ(state.cut, 1);

  // A second into the new shot, the other car of the pair spins: the director goes at once,
  // with a cut rather than a glide, though the camera stays the same.
  for (int i = 0; i < 5; ++i) Set(0);
  ASSERT_TRUE(OnFrontPair());
  const std::uint8_t other = state.chosenCar == 1 ? 2 : 1;
  const int camera = state.liveCamera;
  const CameraPositionRecord p = Set(0, other);
  EXPECT_EQ(state.chosenCar, other);
  EXPECT_EQ(state.liveCamera, camera);
  EXPECT_EQ(Reason(), "incident: #" + std::to_string(other) + " spun");
  EXPECT_EQ(state.cut, 1);
  EXPECT_EQ(p.time, 0);
}

// The simulator's own incidents: a yellow flag a car causes, a reset or a contact harder than a
// touch cuts to its car at once, through the hold.
TEST_F(BroadcastRulesTest, TheSimulatorsOwnIncidentsCutToTheirCar) {
  PastTheStart();
  ASSERT_TRUE(OnBackPair());
  rules->noteEvent(EventKind::kYellowFlag, 2);
  Set(2);
  EXPECT_EQ(state.chosenCar, 2);
  EXPECT_EQ(Reason(), "incident: yellow flag for #2");
  for (int i = 0; i < 40; ++i) Set(2);  // the flag's interest has faded: back to the battle
  EXPECT_TRUE(OnBackPair());
  rules->noteEvent(EventKind::kReset, 1);
  Set(2);
  EXPECT_EQ(state.chosenCar, 1);
  EXPECT_EQ(Reason(), "incident: #1 reset");

  for (int i = 0; i < 40; ++i) Set(2);
  ASSERT_TRUE(OnBackPair());
  rules->noteContact(1, 2, kContactClosingMs - 0.1);  // a touch is racing
  Set(2);
  EXPECT_TRUE(OnBackPair());
  rules->noteContact(1, 2, kContactClosingMs);
  Set(2);
  EXPECT_EQ(state.chosenCar, 1);
  EXPECT_EQ(Reason(), "incident: #1 and #2 in contact");

  // A contact of the car on screen keeps the shot on it: the other car is in its picture. (Back
  // to the back pair first, once the no-return time and the hold are over.)
  for (int i = 0; i < 80 && !OnBackPair(); ++i) Set(2);
  ASSERT_TRUE(OnBackPair());
  const std::int32_t shown = state.chosenCar;
  rules->noteContact(3, 4, 6.0);
  Set(2);
  EXPECT_EQ(state.chosenCar, shown);
  EXPECT_EQ(Reason(), "incident: #" + std::to_string(shown) + " and #" +
                          std::to_string(shown == 3 ? 4 : 3) + " in contact");
}

TEST_F(BroadcastRulesTest, NoCutBackToTheCarJustLeft) {
  PastTheStart();
  const std::int32_t back = state.chosenCar;
  while (state.chosenCar == back && step_ < 200) Set(0);  // on to the front pair after the hold
  ASSERT_TRUE(OnFrontPair());
  const std::uint32_t left = clock.Now();
  // The back pair is the better fight again at once: the car just left waits 8 s.
  bool backAgain = false;
  for (int i = 0; i < 60; ++i) {
    Set(2);
    if (clock.Now() - left < kPingPongMs) {
      EXPECT_NE(state.chosenCar, back) << i;
    }
    backAgain = backAgain || state.chosenCar == back;
  }
  EXPECT_TRUE(backAgain);
}

// An overtake by the car just left does not bring it back either; only an incident may.
TEST_F(BroadcastRulesTest, AnOvertakeByTheCarJustLeftWaitsItsTurn) {
  PastTheStart();
  const std::int32_t back = state.chosenCar;
  while (state.chosenCar == back && step_ < 200) Set(0);
  ASSERT_TRUE(OnFrontPair());
  const std::uint32_t left = clock.Now();
  for (int i = 0; i < 25; ++i) Set(0);  // the new shot is older than the hold
  rules->noteEvent(EventKind::kOvertake, static_cast<std::uint8_t>(back));
  Set(0);
  EXPECT_NE(state.chosenCar, back);
  while (clock.Now() - left < kPingPongMs) Set(0);
  rules->noteEvent(EventKind::kOvertake, static_cast<std::uint8_t>(back));
  Set(0);
  EXPECT_EQ(state.chosenCar, back) << "later, the overtake is shown";
  EXPECT_EQ(Reason().rfind("overtake: #" + std::to_string(back), 0), 0u) << Reason();
}

// Nor back to the fight just left by way of its other car: cars 3 and 4 run 0.4 s apart.
TEST_F(BroadcastRulesTest, NoCutBackToTheFightJustLeft) {
  PastTheStart();
  while (OnBackPair() && step_ < 200) Set(0);
  ASSERT_TRUE(OnFrontPair());
  const std::uint32_t left = clock.Now();
  int sets = 0;
  while (!OnBackPair() && sets < 100) {
    Set(2);
    ++sets;
  }
  EXPECT_GE(clock.Now() - left, kPingPongMs);
  EXPECT_LT(sets, 100);
}

TEST_F(BroadcastRulesTest, CarsInThePitLaneAreNotShown) {
  race.players[3].inPitLane = 1;
  race.players[4].inPitLane = 1;
  for (int i = 0; i < 80; ++i) {
    Set(2);
    EXPECT_NE(state.chosenCar, 3);
    EXPECT_NE(state.chosenCar, 4);
  }
}

TEST_F(BroadcastRulesTest, TheWinnerIsShownTakingTheFlag) {
  PastTheStart();
  ASSERT_TRUE(OnBackPair());
  // The leader on its last lap at 26 m/s, 5.24 m a node, from 60 nodes before the line: it is
  // shown from 8 s out (39 nodes) at the earliest, 2 s out (9 nodes) at the latest.
  lap_ = 5;
  base_ = 540 - 120 - step_;
  int toGo = 60;
  while (state.chosenCar != 1 && toGo > 0) {
    Set(2);
    --toGo;
  }
  EXPECT_LE(toGo, 39);
  EXPECT_GE(toGo, 9);
  EXPECT_EQ(Reason(), "winner at the flag");
  // Over the line, and 6 s more on the winner; then the battles again.
  int sets = 0;
  while (state.chosenCar == 1 && sets < 200) {
    Set(2);
    ++sets;
  }
  EXPECT_GE(sets, toGo + 6000 / 200 - 1);
  EXPECT_TRUE(OnBackPair());
}

// The followed car's incident keeps its shot for 2 s; a fresh incident elsewhere then takes it.
TEST_F(BroadcastRulesTest, AFreshIncidentElsewhereWaitsTwoSecondsOfTheIncidentShown) {
  PastTheStart();
  rules->noteEvent(EventKind::kYellowFlag, 2);
  Set(2);
  ASSERT_EQ(state.chosenCar, 2);
  for (int i = 0; i < 3; ++i) Set(2);
  rules->noteEvent(EventKind::kYellowFlag, 1);
  int sets = 4;
  while (state.chosenCar == 2 && sets < 40) {
    Set(2);
    ++sets;
  }
  EXPECT_EQ(sets, 2000 / 200 + 1);
  EXPECT_EQ(state.chosenCar, 1);
  EXPECT_EQ(Reason(), "incident: yellow flag for #1");
}

// In the leader's last 8 s an incident is shown while its shot can last 2 s before the line's
// shot (2 s out); the leader it left is not cut back to: the line's shot brings the winner back.
TEST_F(BroadcastRulesTest, TheLastSecondsBeforeTheFlag) {
  PastTheStart();
  for (int i = 0; i < 40; ++i) Set(2);  // the leader was left 8 s ago
  lap_ = 5;
  base_ = 560 - 120 - step_;  // the leader 40 nodes (8.05 s) from the line
  const auto toGo = [this] { return 600 - race.players[1].lapPosition; };
  while (state.chosenCar != 1 && toGo() > 29) Set(2);
  ASSERT_EQ(state.chosenCar, 1);
  EXPECT_EQ(Reason(), "winner at the flag");
  while (toGo() > 28) Set(2);
  rules->noteEvent(EventKind::kYellowFlag, 4);  // 28 nodes, 5.6 s out
  Set(2);
  EXPECT_EQ(state.chosenCar, 4);
  while (state.chosenCar == 4 && toGo() > 0) Set(2);
  EXPECT_EQ(state.chosenCar, 1);
  EXPECT_EQ(Reason(), "winner at the flag");
  EXPECT_EQ(toGo(), 9) << "back on the leader only for the line";
  EXPECT_TRUE(state.cut);
  // 19 nodes, 3.8 s out: too late for an incident, whose shot the line's would cut short.
  base_ = 581 - 120 - step_;
  rules->noteEvent(EventKind::kYellowFlag, 3);
  Set(2);
  EXPECT_EQ(state.chosenCar, 1);
}

// Between two races the front end sends no positions: the rules notice the next race by its
// cleared results and its leader back on lap 1, and show its start and its flag again.
TEST_F(BroadcastRulesTest, TheNextRaceOpensOnItsLeaderAndEndsOnItsWinner) {
  PastTheStart();
  lap_ = 6;  // every car over the line: car 1 has won
  for (int i = 0; i < 60; ++i) Set(2);
  ASSERT_TRUE(OnBackPair());
  race.resultCount = 4;
  Set(2);
  race.resultCount = 0;
  lap_ = 1;
  for (int i = 0; i < 40; ++i) {
    Set(2);
    ASSERT_EQ(state.chosenCar, 1) << i;
    EXPECT_EQ(Reason(), "leader at the start");
  }
  while (!OnBackPair() && step_ < 400) Set(2);
  ASSERT_TRUE(OnBackPair());
  lap_ = 5;
  base_ = 570 - 120 - step_;
  while (state.chosenCar != 1 && step_ < 500) Set(2);
  EXPECT_GE(600 - race.players[1].lapPosition, 9);
  EXPECT_EQ(Reason(), "winner at the flag");
}

// The hold on its own, on the rules' clock of 200 ms a set: a shot younger than 4 s keeps its car.
TEST(BroadcastRules, AYoungShotIsHeldAndAnOldOneIsNot) {
  auto rules = std::make_unique<BroadcastRules>();
  RaceState race;
  StateReport report;
  race.players[3].listed = 1;
  rules->observe(race, report);
  rules->noteShot(3, true);
  for (int set = 1; set < 20; ++set) rules->observe(race, report);
  Focus f = rules->focus(race, report, 3);
  EXPECT_EQ(rules->now(), 4000u);
  EXPECT_EQ(f.car, 3);
  EXPECT_TRUE(f.hold);
  EXPECT_EQ(f.reason.text[0], '\0');
  rules->observe(race, report);
  EXPECT_EQ(rules->focus(race, report, 3).car, -1);
  // Another camera on the same car is a new shot; a car in the pit lane is held for 2 s only.
  rules->noteShot(3, true);
  EXPECT_TRUE(rules->focus(race, report, 3).hold);
  race.players[3].inPitLane = 1;
  for (int set = 1; set < 10; ++set) rules->observe(race, report);
  EXPECT_TRUE(rules->focus(race, report, 3).hold);
  rules->observe(race, report);
  EXPECT_EQ(rules->focus(race, report, 3).car, -1);
}

// The start is shown from the lights: a grid that stands for 5 s does not use up its 8 s.
TEST(BroadcastRules, TheStartIsShownFromTheLeaderMovingOff) {
  auto rules = std::make_unique<BroadcastRules>();
  RaceState race;
  StateReport report;
  report.raceInProgress = 1;
  report.raceLaps = 5;
  race.raceStarted = 1;
  race.raceOrder.Append(3);
  race.players[3].listed = 1;
  race.players[3].carSample.lap = 1;
  for (int set = 0; set < 25; ++set) {
    rules->observe(race, report);
    EXPECT_EQ(rules->focus(race, report, -1).car, 3) << set;
  }
  race.players[3].carSample.speed = kSpeed;
  for (int set = 0; set < 40; ++set) {
    rules->observe(race, report);
    EXPECT_EQ(rules->focus(race, report, -1).car, 3) << set;
  }
  rules->observe(race, report);
  EXPECT_EQ(rules->focus(race, report, -1).car, -1);
}

// The fight left is the cars that ran within a second of the car left as it was left: after a
// change of order that puts another car between them, its other car is still not cut back to.
TEST(BroadcastRules, TheFightLeftIsTheCarsThatSharedItsPicture) {
  auto rules = std::make_unique<BroadcastRules>();
  RaceState race;
  StateReport report;
  const auto place = [&race](std::uint8_t id, double metres) {
    race.players[id].listed = 1;
    race.players[id].carSample.plid = id;
    race.players[id].carSample.speed = kSpeed;
    race.players[id].carSample.x = static_cast<std::int32_t>(metres * 65536);
  };
  for (std::uint8_t id : {1, 2, 3}) race.raceOrder.Append(id);
  place(1, 500.0);
  place(2, 100.0);
  place(3, 90.0);  // 0.4 s behind car 2
  place(5, 0.0);
  rules->observe(race, report);
  rules->noteShot(3, true);
  rules->quieten(race);
  rules->noteShot(1, true);  // the director leaves car 3 and its fight with car 2
  race.raceOrder.Append(5);
  race.raceOrder.ids[2] = 5;  // car 5 now runs between them, far from either
  race.raceOrder.ids[3] = 3;
  place(5, 60.0);
  place(3, 20.0);
  for (int set = 0; set < 39; ++set) {
    rules->observe(race, report);
    rules->quieten(race);
    ASSERT_TRUE(rules->excluded()[2]) << set;
    ASSERT_TRUE(rules->excluded()[3]) << set;
    ASSERT_FALSE(rules->excluded()[5]) << set;
  }
  rules->observe(race, report);  // 8 s after the cut
  rules->quieten(race);
  EXPECT_FALSE(rules->excluded()[2]);
  EXPECT_FALSE(rules->excluded()[3]);
}

// The leader near the line, on the rules alone: `toGo` nodes (5.24 m each) before the line of
// the last lap at 26 m/s, with the director on car 3 since a shot `shotSets` sets old.
class FlagTiming : public ::testing::Test {
 protected:
  FlagTiming() {
    rules->setTrack(track.get());
    report.raceInProgress = 1;
    report.raceLaps = 5;
    race.raceStarted = 1;
    for (std::uint8_t id : {1, 2, 3}) {
      race.raceOrder.Append(id);
      race.players[id].listed = 1;
      race.players[id].carSample.speed = kSpeed;
      race.players[id].carSample.lap = 3;
      race.players[id].lapFigure = 3;
    }
    for (int set = 0; set < 60; ++set) rules->observe(race, report);  // past the start
  }
  std::int32_t Focused(int toGo, int shotSets, std::int32_t followed = 3) {
    PlayerRecord& leader = race.players[1];
    leader.carSample.lap = 5;
    leader.lapFigure = 5;
    leader.lapPosition = static_cast<std::uint16_t>(600 - toGo);
    rules->noteShot(followed, true);
    for (int set = 0; set < shotSets; ++set) rules->observe(race, report);
    return rules->focus(race, report, followed).car;
  }

  std::vector<test::NodeCentre> centres = test::CircleCentres(600);
  std::unique_ptr<TrackPath> track = test::MakeTrack(centres);
  std::unique_ptr<BroadcastRules> rules = std::make_unique<BroadcastRules>();
  RaceState race;
  StateReport report;
};

// From 8 s before the line an old shot gives way to the leader; a young one is kept until it is
// 2 s old or the leader is 2 s from the line.
TEST_F(FlagTiming, AnOldShotGivesWayEightSecondsOutAYoungOneTwoSecondsOut) {
  EXPECT_EQ(Focused(40, 20), -1);  // 8.05 s out, the shot 4 s old: no hold, no flag
  EXPECT_EQ(Focused(39, 10), 1);   // 7.85 s out, the shot 2 s old
  EXPECT_EQ(Focused(30, 9), 3);    // 6.0 s out, the shot 1.8 s old: held
  EXPECT_EQ(Focused(10, 0), 3);    // 2.01 s out
  EXPECT_EQ(Focused(9, 0), 1);     // 1.8 s out: whatever the shot
  EXPECT_EQ(Focused(30, 0, 1), 1);  // already on the leader: it stays
}

// Just over the line the simulator's lap may already count the last lap while the car's node is
// still the one before the line: that is no approach to the flag.
TEST_F(FlagTiming, TheLapJustBegunIsNoApproach) {
  PlayerRecord& leader = race.players[1];
  leader.carSample.lap = 5;
  leader.lapFigure = 4;
  leader.lapPosition = 599;
  rules->noteShot(3, true);
  for (int set = 0; set < 15; ++set) rules->observe(race, report);
  EXPECT_EQ(rules->focus(race, report, 3).car, 3);  // held, 3 s old
}

// Two cars on one node at the line: the car the simulator puts first is the one shown.
TEST_F(FlagTiming, TheSimulatorsLeaderIsTheOneShown) {
  race.players[2].carSample.position = 1;
  race.players[2].carSample.lap = 5;
  race.players[2].lapFigure = 5;
  race.players[2].lapPosition = 590;
  race.players[1].carSample.position = 2;
  EXPECT_EQ(Focused(10, 10), 2);
}

}  // namespace
}  // namespace director
