#include "web/web_timing.h"

#include <gtest/gtest.h>

#include "tests/webview/web_test_support.h"

namespace director {
namespace {

using webtest::AddCar;

struct Race {
  RaceState race;
  WebTiming timing;
  void Lap(std::uint8_t plid, std::uint16_t laps, std::uint32_t time) {
    race.players[plid].lapsDone = laps;
    race.players[plid].totalTime = time;
    timing.Update(race.players, race.raceOrder);
  }
};

TEST(WebTiming, GapIsTakenAtTheCarsLastLineAgainstTheLeadersTimeThere) {
  Race r;
  AddCar(r.race, 1, "lead", 1);
  AddCar(r.race, 2, "second", 2);
  std::int32_t gap = 0;
  std::uint16_t down = 9;
  EXPECT_FALSE(r.timing.Gap(1, 2, &gap, &down)) << "nobody has crossed the line";
  r.Lap(1, 1, 60000);
  EXPECT_FALSE(r.timing.Gap(1, 2, &gap, &down)) << "the car behind has not crossed yet";
  r.Lap(2, 1, 61500);
  ASSERT_TRUE(r.timing.Gap(1, 2, &gap, &down));
  EXPECT_EQ(gap, 1500);
  EXPECT_EQ(down, 0);
  // The leader's next lap does not change the gap at the last common line.
  r.Lap(1, 2, 120000);
  ASSERT_TRUE(r.timing.Gap(1, 2, &gap, &down));
  EXPECT_EQ(gap, 1500);
  EXPECT_EQ(r.timing.TimeAt(1, 1), 60000);
  EXPECT_EQ(r.timing.TimeAt(1, 2), 120000);
  EXPECT_EQ(r.timing.TimeAt(1, 3), -1);
}

TEST(WebTiming, ACarIsLapsDownWhenTheLeaderCompletedLaterLapsBeforeIt) {
  Race r;
  AddCar(r.race, 1, "lead", 1);
  AddCar(r.race, 2, "slow", 2);
  r.Lap(1, 1, 60000);
  r.Lap(1, 2, 120000);
  r.Lap(1, 3, 180000);
  r.Lap(2, 1, 125000);  // the leader had finished lap 2 five seconds before
  std::int32_t gap = 0;
  std::uint16_t down = 0;
  ASSERT_TRUE(r.timing.Gap(1, 2, &gap, &down));
  EXPECT_EQ(down, 1);
  EXPECT_EQ(gap, 65000);
  r.Lap(2, 2, 179000);  // one second ahead of the leader's third lap: not lapped again
  ASSERT_TRUE(r.timing.Gap(1, 2, &gap, &down));
  EXPECT_EQ(down, 0);
  EXPECT_EQ(gap, 59000);
}

TEST(WebTiming, FewerLapsThanBeforeForgetTheCarsTimes) {
  Race r;
  AddCar(r.race, 1, "lead", 1);
  r.Lap(1, 1, 60000);
  r.Lap(1, 2, 120000);
  r.Lap(1, 0, 0);  // a new race
  EXPECT_EQ(r.timing.TimeAt(1, 1), -1);
  r.Lap(1, 1, 58000);
  EXPECT_EQ(r.timing.TimeAt(1, 1), 58000);
  EXPECT_EQ(r.timing.TimeAt(1, 2), -1);
  // Laps older than the history are no longer known.
  for (std::uint16_t lap = 2; lap <= kTimedLaps + 2; ++lap) r.Lap(1, lap, 58000u * lap);
  EXPECT_EQ(r.timing.TimeAt(1, 2), -1);
  EXPECT_EQ(r.timing.TimeAt(1, 3), 58000 * 3);
}

}  // namespace
}  // namespace director
