// The summary at the end of a run, line by line, and its figures in the trace.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tools/racesim/live_log.h"
#include "tools/racesim/race.h"

namespace racesim {
namespace {

const Track& SmallTrack() {
  static const Track track = [] {
    TrackOptions o;
    o.nodeCount = 300;
    return Track(o);
  }();
  return track;
}

std::string DriverOf(const Race& race, std::uint8_t plid) {
  for (const Car& c : race.Cars()) {
    if (c.plid == plid) return StripColours(c.driver.name);
  }
  return "?";
}

TEST(Summary, ADirectedRunWithItsLinkFiguresAndScreenTime) {
  RaceOptions ro;
  ro.cars = 3;
  ro.laps = 1;
  const Race race(SmallTrack(), ro);
  std::ostringstream out;
  LiveLog log(out, true);
  SimCamera camera;
  camera.mode = CameraMode::kCar;
  camera.inGameCam = 4;
  camera.viewPlid = 2;
  camera.directed = true;
  log.Observe(camera, race, 300, true);
  camera.viewPlid = 3;
  camera.inGameCam = 2;
  log.Observe(camera, race, 100, true);
  log.OnButton(1, "3 / 5");
  log.OnButton(30, "x");
  log.OnText("message", "^3Morvane: ^2active");
  SummaryFacts facts;
  facts.connection = "InSim 4 over TCP, 1 connection by \"Morvane\"";
  facts.track = "RS1 here";
  facts.keepAliveProbes = 2;
  facts.keepAliveAnswered = 1;
  facts.acksExpected = 3;
  facts.acksReceived = 2;
  facts.acksMissing = 1;
  facts.pathComplaint = true;
  const std::string json = log.Summary(facts, &race);
  EXPECT_EQ(out.str(),
            "\n=== Summary ===\n"
            "connection      InSim 4 over TCP, 1 connection by \"Morvane\"\n"
            "keep-alive      1 of 2 probes answered\n"
            "acknowledgements 2 of 3 packets acknowledged (1 missing)\n"
            "track           RS1 here\n"
            "                the director said \"could not load pth file\"\n"
            "cuts            2\n"
            "cars shown      2 of 3\n"
            "screen time     #2 " +
                DriverOf(race, 2) + " 75%   #3 " + DriverOf(race, 3) +
                " 25%   \n"
                "on-board shots  1 (unknown 1)\n"
                "overlay         2 displays (button 30 1, progress 1), 2 button packets\n"
                "messages        1\n");
  EXPECT_EQ(json,
            ",\"cuts\":2,\"cars_shown\":2,\"directed_ms\":400,\"screen_ms\":{\"2\":300,\"3\":100},"
            "\"onboard\":1,\"overlay_displays\":2,\"button_packets\":2,\"messages\":1,"
            "\"overtakes\":0,\"pit_stops\":0,\"keepalive_probes\":2,\"keepalive_answered\":1,"
            "\"acks_expected\":3,\"acks_received\":2,\"acks_missing\":1,\"path_complaint\":true,"
            "\"results\":[]");
}

TEST(Summary, WhatWasNeverSeenIsListed) {
  std::ostringstream out;
  LiveLog log(out, true);
  SummaryFacts facts;
  facts.connection = "no director connected";
  facts.track = "RS1";
  const std::string json = log.Summary(facts, nullptr);
  EXPECT_EQ(out.str(),
            "\n=== Summary ===\n"
            "connection      no director connected\n"
            "track           RS1\n"
            "cuts            0\n"
            "cars shown      0\n"
            "on-board shots  0\n"
            "overlay         0 displays, 0 button packets\n"
            "messages        0\n"
            "not seen        camera direction (no camera packet from the director)\n"
            "                on-board shots\n"
            "                the overlay (no buttons)\n"
            "                activation (the director never said \"active\")\n");
  EXPECT_EQ(json.substr(json.size() - 22), "\"path_complaint\":false");
}

// The direction's figures follow the race the log observed: a camera on the leader from the
// lights, one cut, and the race's ground truth.
TEST(Summary, TheDirectionOfARaceThatRan) {
  RaceOptions ro;
  ro.cars = 4;
  ro.laps = 1;
  ro.incidents = 2;
  Race race(SmallTrack(), ro);
  std::ostringstream out;
  LiveLog log(out, true);
  SimCamera camera;
  camera.mode = CameraMode::kCar;
  camera.inGameCam = 2;
  camera.directed = true;
  race.Start();
  log.StartRace();
  int truths = 0;
  while (!race.AllFinished()) {
    race.Step(200);
    camera.viewPlid = race.Cars()[static_cast<std::size_t>(race.Order().front())].plid;
    log.Observe(camera, race, 200, true);
    for (const RaceEvent& e : race.TakeEvents()) {
      log.OnRaceEvent(e, race);
      truths += e.kind == RaceEventKind::kIncident || OnTrackOvertake(e);
    }
  }
  log.EndRace();
  SummaryFacts facts;
  facts.raceRan = true;
  const std::string json = log.Summary(facts, &race);
  EXPECT_NE(out.str().find("leader at start yes\nwinner at flag  yes\n"), std::string::npos)
      << out.str();
  const DirectionFigures f = log.Score().Total();
  EXPECT_EQ(f.races, 1);
  EXPECT_EQ(f.incidents + f.overtakes, truths);
  EXPECT_GE(f.incidents, 2);
  EXPECT_EQ(f.screenMs, log.DirectedMs());
  EXPECT_NE(json.find(",\"direction\":{\"races\":1,"), std::string::npos) << json;
  EXPECT_NE(json.find(",\"direction_races\":[{\"races\":1,"), std::string::npos);
}

}  // namespace
}  // namespace racesim
