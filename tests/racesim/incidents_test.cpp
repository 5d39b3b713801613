// Scripted incidents as the director sees them: each kind shows in the positions racesim sends
// (decoded with its own codec, alike in versions 3, 4 and 10), every spin-like nose and every
// crossing of the road's edge in them is one the ground truth records, and a fast car in a bend
// never looks like a spin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "tools/racesim/live_log.h"
#include "tools/racesim/race.h"
#include "tools/racesim/wire/framing.h"
#include "tools/racesim/wire/insim_numbers.h"
#include "tools/racesim/wire/positions.h"

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

// The positions of one step by player id, as a director of each version decodes them.
using Set = std::map<std::uint8_t, CarRecord>;

Set Decoded(const Race& race, int version) {
  std::vector<CarRecord> records;
  for (int i : race.Order()) records.push_back(race.Record(i));
  Set out;
  if (version == 3) {
    for (const Bytes& p : EncodeV3Mci(records)) {
      int total = 0, first = 0;
      std::vector<CarRecord> some;
      EXPECT_TRUE(DecodeV3Mci(p.data(), static_cast<int>(p.size()), &total, &first, &some));
      for (const CarRecord& r : some) out[r.plid] = r;
    }
    return out;
  }
  const int per = version == kInsim10 ? kCarsPerMci10 : kCarsPerMci;
  for (Bytes p : EncodeMci(records, per)) {
    if (version == kInsim10) p = Frame10(p);
    std::vector<CarRecord> some;
    EXPECT_TRUE(DecodeMci(p.data(), static_cast<int>(p.size()), &some));
    for (const CarRecord& r : some) out[r.plid] = r;
  }
  return out;
}

// Nose against direction of travel, in 65536ths of a turn.
int Slip(const CarRecord& r) {
  return std::abs(static_cast<std::int16_t>(static_cast<std::uint16_t>(r.heading - r.direction)));
}

double Speed(const CarRecord& r) { return r.speed / kSpeedPerMs; }

// Metres from the centre line at the nearest node, against the direction's right-hand normal.
double Lateral(const CarRecord& r) {
  const Track& t = TestTrack();
  const double x = r.x / kWorldPerMetre, y = r.y / kWorldPerMetre;
  int best = r.node;
  double bestD = 1e18;
  for (int i = r.node - 2; i <= r.node + 3; ++i) {
    const double d = std::hypot(t.Node(i).x - x, t.Node(i).y - y);
    if (d < bestD) {
      bestD = d;
      best = i;
    }
  }
  const PathPoint& n = t.Node(best);
  return (x - n.x) * n.dy - (y - n.y) * n.dx;
}

double Apart(const CarRecord& a, const CarRecord& b) {
  return std::hypot(a.x - b.x, a.y - b.y) / kWorldPerMetre;
}

// A race run in 20 ms steps with the positions of every step (version 4, after checking that
// versions 3 and 10 decode the same) and its events.
struct RaceRun {
  std::vector<Set> steps;
  std::vector<RaceEvent> events;
  std::vector<std::size_t> eventStep;
  std::vector<std::uint8_t> plids;
};

RaceRun RunRace(int cars, int laps, std::uint32_t seed, int incidents) {
  RaceOptions o;
  o.cars = cars;
  o.laps = laps;
  o.seed = seed;
  o.incidents = incidents;
  Race race(TestTrack(), o);
  RaceRun run;
  for (const Car& c : race.Cars()) run.plids.push_back(c.plid);
  race.Start();
  while (!race.AllFinished() && race.TimeMs() < 900000) {
    race.Step(kRaceStepMs);
    run.steps.push_back(Decoded(race, 4));
    if (run.steps.size() % 7 == 0) {
      for (int version : {3, 10}) {
        const Set other = Decoded(race, version);
        for (const auto& [plid, r] : run.steps.back()) {
          const CarRecord& o3 = other.at(plid);
          EXPECT_EQ(std::tie(r.x, r.y, r.speed, r.direction, r.heading, r.angVel),
                    std::tie(o3.x, o3.y, o3.speed, o3.direction, o3.heading, o3.angVel));
        }
      }
    }
    for (const RaceEvent& e : race.TakeEvents()) {
      if (e.kind != RaceEventKind::kIncident) continue;
      run.events.push_back(e);
      run.eventStep.push_back(run.steps.size() - 1);
    }
  }
  EXPECT_TRUE(race.AllFinished());
  return run;
}

const RaceRun& IncidentRace() {
  static const RaceRun run = RunRace(12, 3, 4, 8);
  return run;
}

std::uint8_t PlidOf(const RaceRun& run, int car) { return run.plids[static_cast<std::size_t>(car)]; }

TEST(Incidents, EveryKindShowsInThePositionsOfEveryVersion) {
  const RaceRun& run = IncidentRace();
  std::map<IncidentKind, int> seen;
  for (std::size_t k = 0; k < run.events.size(); ++k) {
    const RaceEvent& e = run.events[k];
    const std::size_t at = run.eventStep[k];
    const std::uint8_t plid = PlidOf(run, e.car);
    const auto rec = [&](std::size_t step) { return run.steps.at(step).at(plid); };
    ++seen[e.incident];
    SCOPED_TRACE(std::string(IncidentName(e.incident)) + " at " + std::to_string(e.timeMs));
    if (e.incident == IncidentKind::kSpin) {
      // Nose well round at speed within a second, most of the speed lost, then driving on.
      bool swung = false;
      double slowest = 1e9;
      for (std::size_t s = at; s < at + 50; ++s) {
        swung = swung || (Slip(rec(s)) > 16384 && Speed(rec(s)) > 5);
        slowest = std::min(slowest, Speed(rec(s)));
      }
      EXPECT_TRUE(swung);
      EXPECT_LT(slowest, 0.35 * Speed(rec(at - 1)));
      EXPECT_GT(Speed(rec(at + 500)), 15.0);
      EXPECT_LT(Slip(rec(at + 500)), 3000);
    } else if (e.incident == IncidentKind::kOff) {
      EXPECT_GT(std::fabs(Lateral(rec(at))), kRoadHalfWidth);
      EXPECT_LE(std::fabs(Lateral(rec(at - 1))), kRoadHalfWidth);
      EXPECT_LE(std::fabs(Lateral(rec(at + 750))), kRoadHalfWidth);  // back within 15 s
    } else if (e.incident == IncidentKind::kStopped) {
      for (std::size_t s = at; s < at + 150; ++s) EXPECT_LT(Speed(rec(s)), 1.0);
      EXPECT_LT(std::fabs(Lateral(rec(at))), kRoadHalfWidth);  // on the road
      if (e.retires) {
        EXPECT_EQ(rec(run.steps.size() - 1).speed, 0);
      } else {
        EXPECT_GT(Speed(rec(at + 1000)), 10.0);
      }
    } else if (e.incident == IncidentKind::kContact) {
      const std::uint8_t other = PlidOf(run, e.other);
      const auto rec2 = [&](std::size_t step) { return run.steps.at(step).at(other); };
      EXPECT_LT(Apart(rec(at), rec2(at)), 4.5);
      EXPECT_LT(Speed(rec(at)), 0.75 * Speed(rec(at - 1)));
      EXPECT_LT(Speed(rec2(at)), 0.6 * Speed(rec2(at - 1)));
      // The closing speed its contact report carries.
      EXPECT_NEAR(e.closingMs, std::fabs(Speed(rec(at - 1)) - Speed(rec2(at - 1))), 0.5);
    }
  }
  for (IncidentKind kind : {IncidentKind::kSpin, IncidentKind::kOff, IncidentKind::kStopped,
                            IncidentKind::kContact}) {
    EXPECT_GE(seen[kind], 1) << IncidentName(kind);
  }
}

// Every step at which a car's nose points far from its path at speed lies in a recorded spin,
// and every crossing of the road's edge away from the pit lane is a recorded off.
TEST(Incidents, TheGroundTruthHoldsEverySpinAndOffThePositionsShow) {
  const RaceRun& run = IncidentRace();
  std::map<std::pair<std::uint8_t, std::size_t>, IncidentKind> truth;
  for (std::size_t k = 0; k < run.events.size(); ++k) {
    truth[{PlidOf(run, run.events[k].car), run.eventStep[k]}] = run.events[k].incident;
  }
  const auto recorded = [&](std::uint8_t plid, std::size_t from, std::size_t to, IncidentKind k) {
    for (std::size_t s = from; s <= to; ++s) {
      const auto it = truth.find({plid, s});
      if (it != truth.end() && it->second == k) return true;
    }
    return false;
  };
  for (std::size_t s = 1; s < run.steps.size(); ++s) {
    for (const auto& [plid, r] : run.steps[s]) {
      if (Slip(r) > 8192 && Speed(r) > 5) {
        EXPECT_TRUE(recorded(plid, s > 75 ? s - 75 : 0, s, IncidentKind::kSpin))
            << "#" << int{plid} << " step " << s;
      }
      // Out from well inside the road, and not on into the pit lane (16 m aside; a car back
      // from it comes the other way).
      const std::size_t later = std::min(s + 150, run.steps.size() - 1);
      const bool crossed = s > 10 && std::fabs(Lateral(run.steps[s - 1].at(plid))) <= 6.0 &&
                           std::fabs(Lateral(r)) > 6.0 &&
                           std::fabs(Lateral(run.steps[s - 10].at(plid))) < 5.5 &&
                           std::fabs(Lateral(run.steps[later].at(plid))) < 12.0;
      if (crossed) {
        EXPECT_TRUE(recorded(plid, s - 10, s, IncidentKind::kOff)) << "#" << int{plid} << " " << s;
      }
    }
  }
}

TEST(Incidents, AFastCarInABendIsNoSpinAndARaceWithoutIncidentsHasNone) {
  const RaceRun run = RunRace(8, 2, 9, 0);
  int fastInBends = 0;
  for (const Set& set : run.steps) {
    for (const auto& [plid, r] : set) {
      EXPECT_LT(Slip(r), 3000) << "#" << int{plid};  // a wide run slides a little, no more
      const double bend = TestTrack().CurvatureAt(r.node * TestTrack().Spacing());
      fastInBends += bend > 1.0 / 120 && Speed(r) > 25;
    }
  }
  EXPECT_GT(fastInBends, 100);
  for (const RaceEvent& e : run.events) EXPECT_EQ(e.incident, IncidentKind::kOff);
}

// Passing, dodging and running wide move a car across the road, but its nose turns no faster
// than a car's does: at speed, a yaw rate of 180 degrees a second is a spin's, never a change of
// line's.
TEST(Incidents, AChangeOfLineTurnsTheNoseNoFasterThanACarCan) {
  const RaceRun run = RunRace(12, 3, 5, 0);
  int turning = 0;
  for (const Set& set : run.steps) {
    for (const auto& [plid, r] : set) {
      if (Speed(r) < 5) continue;  // getting going off the grid or the pit box
      EXPECT_LT(std::abs(static_cast<int>(r.angVel)), 16384 / 2)
          << "#" << int{plid} << " at " << Speed(r) << " m/s";
      turning += std::abs(static_cast<int>(r.angVel)) > 16384 / 36;  // 10 degrees a second
    }
  }
  EXPECT_GT(turning, 100);
}

// The live log's truth lines say what the events say, in a form read back here.
TEST(Incidents, TruthLinesInTheLiveLog) {
  RaceOptions o;
  o.cars = 6;
  o.laps = 2;
  o.seed = 3;
  o.incidents = 4;
  o.pitStops = 2;
  Race race(TestTrack(), o);
  std::ostringstream out;
  LiveLog log(out, false);
  race.Start();
  std::vector<std::string> expected;
  int pitPasses = 0;
  while (!race.AllFinished() && race.TimeMs() < 900000) {
    race.Step(200);
    for (const RaceEvent& e : race.TakeEvents()) {
      log.OnRaceEvent(e, race);
      const std::string plid = std::to_string(race.Cars()[static_cast<std::size_t>(e.car)].plid);
      const std::string at = " race_ms=" + std::to_string(e.timeMs) + " plid=" + plid;
      if (e.kind == RaceEventKind::kIncident) {
        std::string line = std::string("kind=") + IncidentName(e.incident) + at;
        if (e.other >= 0) line += " other=" + std::to_string(e.other + 1);
        if (e.retires) line += " retires=1";
        expected.push_back(line);
      } else if (e.kind == RaceEventKind::kPitStop) {
        expected.push_back("kind=pit" + at);
      } else if (e.kind == RaceEventKind::kOvertake) {
        // A pass in or of the pit lane, or of a car stopped, spun or off, is no overtake.
        const bool pits = e.otherInPits || e.carInPits;
        pitPasses += pits;
        if (!pits && !e.otherInIncident) {
          expected.push_back("kind=overtake" + at + " other=" + std::to_string(e.other + 1));
        }
      }
    }
  }
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) {
    const std::size_t at = line.find("] truth     ");
    if (at != std::string::npos) lines.push_back(line.substr(at + 12));
  }
  EXPECT_EQ(lines, expected);
  int pits = 0, incidents = 0;
  for (const std::string& l : lines) {
    pits += l.rfind("kind=pit", 0) == 0;
    incidents += l.rfind("kind=overtake", 0) != 0 && l.rfind("kind=pit", 0) != 0;
  }
  EXPECT_EQ(pits, 2);
  EXPECT_GT(pitPasses, 0);
  EXPECT_GE(incidents, 3);
}

}  // namespace
}  // namespace racesim
