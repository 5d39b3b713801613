// The director cycle's test track and fixture, shared by the classic and the broadcast rules'
// tests: a 600-node circular track (finish at node 0) with twelve cameras, camera k covering
// nodes 50k to 50k + 49 from 20 m outside the track; cars report every 200 ms.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "director/engine/car_progress.h"
#include "director/engine/director_cycle.h"
#include "race_test_support.h"

namespace director {
namespace test {

class RecordingAnnouncer final : public DriverAnnouncer {
 public:
  void AnnounceDriver(InsimLink&, const char* name, std::uint8_t position) override {
    calls.emplace_back(name, position);
  }
  std::vector<std::pair<std::string, int>> calls;
};

class FakeViews final : public ViewInstaller {
 public:
  const char* installCustomView(std::uint8_t kind, std::uint8_t plid) override {
    calls.emplace_back(kind, plid);
    return result;
  }
  std::vector<std::pair<int, int>> calls;
  const char* result = nullptr;
};

class DirectorCycleTest : public ::testing::Test {
 protected:
  DirectorCycleTest() {
    BuildScoreCurves(&state.curves);
    CameraStore& store = track->cameras;
    for (int k = 0; k < 12; ++k) {
      const test::NodeCentre c = centres[50 * k + 25];
      store.cameras[k].x = c.x / 25 * 26;
      store.cameras[k].y = c.y / 25 * 26;
      store.cameras[k].rangeStart = static_cast<std::uint16_t>(50 * k);
      store.cameras[k].rangeEnd = static_cast<std::uint16_t>(50 * k + 49);
      store.cameras[k].nearestNode = static_cast<std::uint16_t>(50 * k + 25);
    }
    store.count = 12;
  }

  // One car sample at the centre of a node, taken as the race handlers take it; speed in the
  // simulator's units (32768 = 100 m/s), heading against the direction of motion in 1/65536 turns.
  void Sample(std::uint8_t plid, int node, std::uint16_t lap = 1, std::uint16_t speed = 0,
              std::uint16_t slip = 0) {
    CompCar c;
    c.speed = speed;
    c.heading = slip;
    c.node = static_cast<std::uint16_t>(node % 600);
    c.lap = static_cast<std::uint16_t>(lap + node / 600);
    c.plid = plid;
    c.x = centres[c.node].x;
    c.y = centres[c.node].y;
    PlayerRecord& r = race.players[plid];
    updateCarProgress(r, c, *track);
    if (r.listed == 0 && race.raceOrder.Append(plid)) r.listed = 1;
  }
  CameraPositionRecord Cycle() {
    clock.Advance(200);
    CameraPositionRecord p;
    cycle.runDirectorCycle(link, &p);
    return p;
  }
  // The cycle with what it printed on standard output.
  CameraPositionRecord Cycle(std::string* printed) {
    ::testing::internal::CaptureStdout();
    CameraPositionRecord p = Cycle();
    *printed = ::testing::internal::GetCapturedStdout();
    return p;
  }
  std::vector<std::uint8_t> Order() const {
    return {race.raceOrder.ids, race.raceOrder.ids + race.raceOrder.count};
  }
  static bool OnBoard(const CameraPositionRecord& p, std::uint8_t plid) {
    return p.inGameCam == kCustomViewCamera && p.viewPlid == plid && p.flags == 0 && p.time == 0 &&
           p.fov == 1.0f && p.x == 0 && p.heading == 0;
  }
  bool Tv(const CameraPositionRecord& p, int camera, std::uint16_t time) const {
    const CameraPosition& c = track->cameras.cameras[camera];
    return p.inGameCam == kTvCamera && p.flags == kFreeViewFlags && p.viewPlid == 0 &&
           p.time == time && p.x == c.x && p.y == c.y && p.fov >= 10.0f &&
           state.liveCamera == camera && c.active == 1;
  }

  std::vector<test::NodeCentre> centres = test::CircleCentres(600);
  std::unique_ptr<TrackPath> track = test::MakeTrack(centres);
  RaceState race;
  DirectorState state;
  StateReport report;
  plat::ManualClock clock{1000};
  RecordingAnnouncer announcer;
  FakeViews views;
  InsimLink link;
  DirectorCycle cycle{state, race, *track, report, clock, announcer, views};
};

}  // namespace test
}  // namespace director
