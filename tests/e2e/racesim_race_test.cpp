// The race model: deterministic by seed, laps counted at the finish node, battles, pit stops and
// a finish for every car; the live log's choice of the car in a free camera's picture.
#include "tools/racesim/race.h"

#include <gtest/gtest.h>

#include <sstream>

#include "director/engine/camera_store.h"
#include "tools/racesim/live_log.h"

namespace racesim {
namespace {

Track MakeTrack(int nodes = 300) {
  TrackOptions o;
  o.nodeCount = nodes;
  return Track(o);
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
std::vector<RaceEvent> RunToEnd(Race& race, std::uint32_t limitMs = 3600000) {
  std::vector<RaceEvent> all;
  race.Start();
  while (!race.AllFinished() && race.TimeMs() < limitMs) {
    race.Step(200);
    for (const RaceEvent& e : race.TakeEvents()) all.push_back(e);
  }
  return all;
}

TEST(RaceModel, SameSeedSameRaceOtherSeedOtherRace) {
  const Track track = MakeTrack();
  Race a(track, Options(10, 3, 5)), b(track, Options(10, 3, 5)), c(track, Options(10, 3, 6));
  const std::vector<RaceEvent> ea = RunToEnd(a), eb = RunToEnd(b), ec = RunToEnd(c);
  ASSERT_EQ(ea.size(), eb.size());
  for (std::size_t i = 0; i < ea.size(); ++i) {
    EXPECT_EQ(ea[i].timeMs, eb[i].timeMs);
    EXPECT_EQ(ea[i].car, eb[i].car);
  }
  EXPECT_EQ(a.Classification(), b.Classification());
  EXPECT_TRUE(ea.size() != ec.size() || a.Classification() != c.Classification());
}

TEST(RaceModel, LapsCountWhenACarPassesTheFinishNode) {
  const Track track = MakeTrack();
  Race race(track, Options(4, 2, 1));
  race.Start();
  std::vector<director::CompCar> previous;
  for (int i = 0; i < 4; ++i) previous.push_back(race.Record(i));
  EXPECT_EQ(previous[0].lap, 1);  // the grid stands just after the line
  int crossings = 0;
  while (!race.AllFinished() && race.TimeMs() < 600000) {
    race.Step(kRaceStepMs);
    for (int i = 0; i < 4; ++i) {
      const director::CompCar now = race.Record(i);
      if (race.Cars()[static_cast<std::size_t>(i)].finished) continue;
      const director::CompCar& before = previous[static_cast<std::size_t>(i)];
      if (now.lap != before.lap) {
        ++crossings;
        EXPECT_EQ(now.lap, before.lap + 1);
        EXPECT_EQ(now.node, track.FinishNode()) << "car " << i;
        EXPECT_NE(before.node, track.FinishNode());
      } else {
        EXPECT_TRUE(now.node != track.FinishNode() || before.node == track.FinishNode());
      }
      previous[static_cast<std::size_t>(i)] = now;
    }
  }
  EXPECT_EQ(crossings, 4);  // one lap completed by each car before its finishing lap
  EXPECT_TRUE(race.AllFinished());
}

TEST(RaceModel, EveryCarFinishesInClassifiedOrder) {
  const Track track = MakeTrack();
  Race race(track, Options(12, 4, 3));
  const std::vector<RaceEvent> events = RunToEnd(race);
  ASSERT_TRUE(race.AllFinished());
  const std::vector<int> classified = race.Classification();
  ASSERT_EQ(classified.size(), 12u);
  const Car& winner = race.Cars()[static_cast<std::size_t>(classified[0])];
  EXPECT_EQ(winner.lapsDone, 4);
  for (std::size_t i = 1; i < classified.size(); ++i) {
    const Car& a = race.Cars()[static_cast<std::size_t>(classified[i - 1])];
    const Car& b = race.Cars()[static_cast<std::size_t>(classified[i])];
    EXPECT_TRUE(a.lapsDone > b.lapsDone || (a.lapsDone == b.lapsDone && a.finishMs <= b.finishMs));
    EXPECT_GE(b.lapsDone, 3);
  }
  int finishes = 0, overtakes = 0;
  for (const RaceEvent& e : events) {
    finishes += e.kind == RaceEventKind::kFinish;
    overtakes += e.kind == RaceEventKind::kOvertake && !e.otherInPits;
  }
  EXPECT_EQ(finishes, 12);
  EXPECT_GT(overtakes, 0);
}

TEST(RaceModel, PlannedPitStopsHappenOnceEachAndAreCounted) {
  const Track track = MakeTrack();
  Race race(track, Options(8, 4, 2, 3));
  const std::vector<RaceEvent> events = RunToEnd(race);
  std::vector<int> stops(8, 0);
  for (const RaceEvent& e : events) {
    if (e.kind != RaceEventKind::kPitStop) continue;
    ++stops[static_cast<std::size_t>(e.car)];
    EXPECT_EQ(e.stops, 1);
  }
  int stoppers = 0;
  for (int i = 0; i < 8; ++i) {
    EXPECT_LE(stops[static_cast<std::size_t>(i)], 1);
    stoppers += stops[static_cast<std::size_t>(i)];
    EXPECT_EQ(race.Cars()[static_cast<std::size_t>(i)].stops, stops[static_cast<std::size_t>(i)]);
  }
  EXPECT_EQ(stoppers, 3);
  // Lap reports after a stop carry the count.
  for (const RaceEvent& e : events) {
    if (e.kind == RaceEventKind::kLap && e.lapsDone == 4) {
      EXPECT_EQ(e.stops, stops[static_cast<std::size_t>(e.car)]);
    }
  }
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
  const Track track = MakeTrack();
  Race race(track, Options(6, 1, 1));
  const Pose pole = race.Where(race.Order()[0]);
  director::CameraPosition cam;
  cam.x = static_cast<std::int32_t>((pole.x + 40) * 65536);
  cam.y = static_cast<std::int32_t>((pole.y + 30) * 65536);
  SimCamera camera;
  camera.mode = CameraMode::kFree;
  camera.x = cam.x;
  camera.y = cam.y;
  camera.fov = 10.0f;
  // Aimed the way the director aims: headingTo the car.
  for (int k = 0; k < 6; ++k) {
    const Pose p = race.Where(race.Order()[static_cast<std::size_t>(k)]);
    camera.heading = cam.headingTo(static_cast<std::int32_t>(p.x * 65536),
                                   static_cast<std::int32_t>(p.y * 65536));
    EXPECT_EQ(CarInPicture(camera, race), race.Order()[static_cast<std::size_t>(k)]) << k;
  }
  camera.heading = static_cast<std::uint16_t>(camera.heading + 32768);  // looking away
  EXPECT_EQ(CarInPicture(camera, race), -1);
}

TEST(LiveLogPicture, AGlidingCameraSeesTheCarWhereItWillBe) {
  const Track track = MakeTrack();
  Race race(track, Options(1, 1, 1));
  race.Start();
  race.Step(5000);
  const int car = race.Order()[0];
  const double speed = race.Cars()[static_cast<std::size_t>(car)].speed;
  ASSERT_GT(speed, 20.0);
  const Pose now = race.Where(car);
  // A camera 60 m to the side, with a field of view too narrow to hold both places.
  director::CameraPosition cam;
  cam.x = static_cast<std::int32_t>((now.x - now.dy * 60) * 65536);
  cam.y = static_cast<std::int32_t>((now.y + now.dx * 60) * 65536);
  SimCamera camera;
  camera.mode = CameraMode::kFree;
  camera.x = cam.x;
  camera.y = cam.y;
  camera.fov = 10.0f;
  const double ahead = speed * 0.8;
  const std::int32_t aheadX = static_cast<std::int32_t>((now.x + now.dx * ahead) * 65536);
  const std::int32_t aheadY = static_cast<std::int32_t>((now.y + now.dy * ahead) * 65536);
  camera.heading = cam.headingTo(aheadX, aheadY);
  camera.glideMs = 1500;  // aimed ahead, as the director aims a gliding camera
  EXPECT_EQ(CarInPicture(camera, race), car);
  camera.glideMs = 0;  // the same aim as a cut: the car has not got there yet
  EXPECT_EQ(CarInPicture(camera, race), -1);
  camera.heading = cam.headingTo(static_cast<std::int32_t>(now.x * 65536),
                                 static_cast<std::int32_t>(now.y * 65536));
  EXPECT_EQ(CarInPicture(camera, race), car);  // a cut aims at the car itself
}

TEST(LiveLogPicture, CutsAndScreenTimeCountOnlyDirectedShots) {
  const Track track = MakeTrack();
  Race race(track, Options(3, 1, 1));
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
  EXPECT_EQ(log.ScreenTime().at(2), 400u);
  EXPECT_EQ(log.ScreenTime().count(1), 0u);
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
