// The race model: deterministic by seed, laps counted at the finish node, battles, pit stops and
// a finish for every car; the live log's choice of the car in a free camera's picture.
#include "tools/racesim/race.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tools/racesim/live_log.h"

namespace racesim {
namespace {

const Track& TestTrack() {
  static const Track track = [] {
    TrackOptions o;
    o.nodeCount = 300;
    return Track(o);
  }();
  return track;
}

RaceOptions Options(int cars, int laps, std::uint32_t seed, int pits = -1) {
  RaceOptions o;
  o.cars = cars;
  o.laps = laps;
  o.seed = seed;
  o.pitStops = pits;
  return o;
}

// Runs the race to its end (or the limit) and returns all its events.
std::vector<RaceEvent> RunToEnd(Race& race) {
  std::vector<RaceEvent> all;
  race.Start();
  while (!race.AllFinished() && race.TimeMs() < 3600000) {
    race.Step(200);
    for (const RaceEvent& e : race.TakeEvents()) all.push_back(e);
  }
  return all;
}

const Car& CarAt(const Race& race, int i) { return race.Cars()[static_cast<std::size_t>(i)]; }

std::int32_t World(double metres) { return static_cast<std::int32_t>(metres * 65536); }

// A free camera at a point (metres) aimed the way the director aims at the target: a heading of
// 16384 + atan2(dy, dx) in units of 32768 per pi, with pi taken as 3.141.
SimCamera FreeCamera(double x, double y, double targetX, double targetY) {
  SimCamera camera;
  camera.mode = CameraMode::kFree;
  camera.x = World(x);
  camera.y = World(y);
  camera.fov = 10.0f;
  const double dx = static_cast<double>(World(targetX)) - camera.x;
  const double dy = static_cast<double>(World(targetY)) - camera.y;
  const double h = std::atan2(dy, dx) * (1.0 / 3.141) * 32768 + 16384;
  camera.heading = static_cast<std::uint16_t>(static_cast<std::int32_t>(h));
  return camera;
}

TEST(RaceModel, SameSeedSameRaceOtherSeedOtherRace) {
  const auto run = [](std::uint32_t seed) {
    Race race(TestTrack(), Options(10, 3, seed));
    std::vector<std::pair<std::uint32_t, int>> events;
    for (const RaceEvent& e : RunToEnd(race)) events.emplace_back(e.timeMs, e.car);
    return std::pair(events, race.Classification());
  };
  EXPECT_EQ(run(5), run(5));
  EXPECT_NE(run(5), run(6));
}

TEST(RaceModel, LapsCountWhenACarPassesTheFinishNode) {
  const Track& track = TestTrack();
  Race race(track, Options(4, 2, 1));
  race.Start();
  std::vector<CarRecord> previous;
  for (int i = 0; i < 4; ++i) previous.push_back(race.Record(i));
  EXPECT_EQ(previous[0].lap, 1);  // the grid stands just after the line
  int crossings = 0;
  while (!race.AllFinished() && race.TimeMs() < 600000) {
    race.Step(kRaceStepMs);
    for (int i = 0; i < 4; ++i) {
      const CarRecord now = race.Record(i);
      CarRecord& before = previous[static_cast<std::size_t>(i)];
      if (CarAt(race, i).finished) continue;
      if (now.lap != before.lap) {
        ++crossings;
        EXPECT_EQ(now.lap, before.lap + 1);
        EXPECT_EQ(now.node, track.FinishNode()) << "car " << i;
        EXPECT_NE(before.node, track.FinishNode());
      } else {
        EXPECT_TRUE(now.node != track.FinishNode() || before.node == track.FinishNode());
      }
      before = now;
    }
  }
  EXPECT_EQ(crossings, 4);  // one lap completed by each car before its finishing lap
  EXPECT_TRUE(race.AllFinished());
}

TEST(RaceModel, EveryCarFinishesInClassifiedOrderAndPlannedStopsAreMadeOnce) {
  Race race(TestTrack(), Options(12, 4, 3, 3));
  const std::vector<RaceEvent> events = RunToEnd(race);
  ASSERT_TRUE(race.AllFinished());
  const std::vector<int> classified = race.Classification();
  ASSERT_EQ(classified.size(), 12u);
  EXPECT_EQ(CarAt(race, classified[0]).lapsDone, 4);
  for (std::size_t i = 1; i < classified.size(); ++i) {
    const Car& a = CarAt(race, classified[i - 1]);
    const Car& b = CarAt(race, classified[i]);
    EXPECT_TRUE(a.lapsDone > b.lapsDone || (a.lapsDone == b.lapsDone && a.finishMs <= b.finishMs));
    EXPECT_GE(b.lapsDone, 3);
  }
  int finishes = 0, overtakes = 0;
  std::vector<int> stops(12, 0);
  for (const RaceEvent& e : events) {
    finishes += e.kind == RaceEventKind::kFinish;
    overtakes += e.kind == RaceEventKind::kOvertake && !e.otherInPits;
    if (e.kind == RaceEventKind::kPitStop) {
      EXPECT_EQ(e.stops, 1);
      ++stops[static_cast<std::size_t>(e.car)];
    }
    // Lap reports after a stop carry the count.
    if (e.kind == RaceEventKind::kLap && e.lapsDone == 4) {
      EXPECT_EQ(e.stops, stops[static_cast<std::size_t>(e.car)]);
    }
  }
  EXPECT_EQ(finishes, 12);
  EXPECT_GT(overtakes, 0);
  int stoppers = 0;
  for (int i = 0; i < 12; ++i) {
    EXPECT_LE(stops[static_cast<std::size_t>(i)], 1);
    EXPECT_EQ(CarAt(race, i).stops, stops[static_cast<std::size_t>(i)]);
    stoppers += stops[static_cast<std::size_t>(i)];
  }
  EXPECT_EQ(stoppers, 3);
}

// A car beside the road after its stop is in the pit lane (told to the director as such) until
// it is back on the road, so the way back from the exit is never taken for an off.
TEST(RaceModel, ACarIsInThePitLaneUntilItIsBackOnTheRoad) {
  Race race(TestTrack(), Options(12, 4, 3, 3));
  race.Start();
  const double length = TestTrack().Length();
  int rejoining = 0;
  std::vector<int> stopLap(12, -1);
  while (!race.AllFinished() && race.TimeMs() < 900000) {
    race.Step(kRaceStepMs);
    for (int i = 0; i < 12; ++i) {
      const Car& c = CarAt(race, i);
      if (c.pit == PitPhase::kStopped) stopLap[static_cast<std::size_t>(i)] = c.lapsDone;
      const double lapDist = c.dist - std::floor(c.dist / length) * length;
      // Just after the line on the lap of its stop, with no wide run of its own lately.
      if (stopLap[static_cast<std::size_t>(i)] != c.lapsDone || lapDist > 600 ||
          std::fabs(c.lateral) <= kRoadHalfWidth || c.mistakeUntilMs + 5000 > race.TimeMs()) {
        continue;
      }
      EXPECT_TRUE(race.InPitLane(i)) << "#" << int{c.plid} << " at " << race.TimeMs() << " ms";
      rejoining += c.pit == PitPhase::kNone;
    }
  }
  EXPECT_GT(rejoining, 10);
}

TEST(RaceModel, OptionLimits) {
  std::string error;
  EXPECT_FALSE(Race::CheckOptions(Options(41, 3, 1), &error));
  EXPECT_EQ(error, "the number of cars must be between 1 and 40");
  EXPECT_FALSE(Race::CheckOptions(Options(4, 0, 1), &error));
  EXPECT_EQ(error, "the number of laps must be between 1 and 1000");
  EXPECT_TRUE(Race::CheckOptions(Options(40, 1000, 1), &error));
}

TEST(LiveLogPicture, TheCarNearestTheMiddleOfTheFieldOfView) {
  Race race(TestTrack(), Options(6, 1, 1));
  const Pose pole = race.Where(race.Order()[0]);
  SimCamera camera;
  for (int car : race.Order()) {
    const Pose p = race.Where(car);
    camera = FreeCamera(pole.x + 40, pole.y + 30, p.x, p.y);
    EXPECT_EQ(CarInPicture(camera, race), car);
  }
  camera.heading = static_cast<std::uint16_t>(camera.heading + 32768);  // looking away
  EXPECT_EQ(CarInPicture(camera, race), -1);
}

// A camera aimed at one car of the grid sees its neighbours in the picture as well; a car too
// small to make out, or outside the field of view, is not in it.
TEST(LiveLogPicture, EveryCarInThePictureBigEnoughToMakeOut) {
  Race race(TestTrack(), Options(6, 1, 1));
  const int pole = race.Order()[0], second = race.Order()[1];
  const Pose a = race.Where(pole), b = race.Where(second);
  const auto bit = [&](int car) {
    return std::uint64_t{1} << CarAt(race, car).plid;
  };
  // 100 m behind the pole along the grid, looking at the pole: the car behind it on the grid is
  // in the picture too.
  const double dx = a.x - b.x, dy = a.y - b.y, d = std::hypot(dx, dy);
  SimCamera camera = FreeCamera(a.x - dx / d * 100, a.y - dy / d * 100, a.x, a.y);
  camera.fov = 40.0f;
  const std::uint64_t cars = CarsInPicture(camera, race);
  EXPECT_EQ(CarInPicture(camera, race), second);  // nearest the middle: the one in front of it
  EXPECT_NE(cars & bit(pole), 0u);
  EXPECT_NE(cars & bit(second), 0u);
  // The same aim from 300 m with a wide lens: the cars are specks.
  camera = FreeCamera(a.x - dx / d * 300, a.y - dy / d * 300, a.x, a.y);
  camera.fov = 40.0f;
  EXPECT_EQ(CarsInPicture(camera, race), 0u);
  camera.fov = 10.0f;
  EXPECT_NE(CarsInPicture(camera, race) & bit(pole), 0u);
  camera.heading = static_cast<std::uint16_t>(camera.heading + 32768);  // looking away
  EXPECT_EQ(CarsInPicture(camera, race), 0u);
}

TEST(LiveLogPicture, AGlidingCameraSeesTheCarWhereItWillBe) {
  Race race(TestTrack(), Options(1, 1, 1));
  race.Start();
  race.Step(5000);
  const int car = race.Order()[0];
  const double speed = CarAt(race, car).speed;
  ASSERT_GT(speed, 20.0);
  const Pose now = race.Where(car);
  // A camera 60 m to the side, with a field of view too narrow to hold both places, aimed where
  // the car will be as the director aims a gliding camera.
  const double camX = now.x - now.dy * 60, camY = now.y + now.dx * 60, ahead = speed * 0.8;
  SimCamera camera = FreeCamera(camX, camY, now.x + now.dx * ahead, now.y + now.dy * ahead);
  camera.glideMs = 1500;
  EXPECT_EQ(CarInPicture(camera, race), car);
  camera.glideMs = 0;  // the same aim as a cut: the car has not got there yet
  EXPECT_EQ(CarInPicture(camera, race), -1);
  camera = FreeCamera(camX, camY, now.x, now.y);  // a cut aims at the car itself
  EXPECT_EQ(CarInPicture(camera, race), car);
}

TEST(LiveLogPicture, CutsAndScreenTimeCountOnlyDirectedShots) {
  Race race(TestTrack(), Options(3, 1, 1));
  std::ostringstream out;
  LiveLog log(out, false);
  SimCamera camera;  // the simulator's own cameras on car 1
  camera.viewPlid = 1;
  log.Observe(camera, race, 200, true);
  camera.mode = CameraMode::kCar;
  camera.inGameCam = 4;
  camera.viewPlid = 2;
  camera.directed = true;
  log.Observe(camera, race, 200, true);
  log.Observe(camera, race, 200, true);
  EXPECT_EQ(log.Cuts(), 1);
  EXPECT_EQ(log.OnboardShots(), 1);
  EXPECT_EQ(log.DirectedMs(), 400u);
  EXPECT_EQ(log.ScreenTime(), (std::map<std::uint8_t, std::uint32_t>{{2, 400u}}));
  EXPECT_NE(out.str().find("cut       on-board #2 -> #2"), std::string::npos) << out.str();
  log.OnButton(1, "3 / 5");
  log.OnButton(1, "2 / 5");
  log.OnDeleteButton(1);
  log.OnButton(1, "last lap");
  EXPECT_EQ(log.OverlayDisplays(), 2);
  EXPECT_EQ(log.ButtonPackets(), 3);
  EXPECT_EQ(StripColours("^7Jo^3hn^"), "John");
}

}  // namespace
}  // namespace racesim
