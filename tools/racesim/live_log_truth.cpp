// The live log's ground truth and its samples for the direction's figures: every incident,
// overtake on the road and pit stop as a "truth" line a program can read back, and per position
// set what a viewer saw against the race as it stood.
#include <algorithm>

#include "tools/racesim/live_log.h"

namespace racesim {

namespace {

constexpr double kBattleGapS = 1.0;  // neighbours closer than this are in a battle
constexpr double kParkedSpeed = 1.0;  // m/s

std::uint64_t Bit(std::uint8_t plid) { return plid < 64 ? std::uint64_t{1} << plid : 0; }

// A car that races on the road: not in the pit lane, not finished, not retired.
bool Racing(const Race& race, int i) {
  const Car& c = race.Cars()[static_cast<std::size_t>(i)];
  return !c.finished && !c.retired && !race.InPitLane(i);
}

}  // namespace

void LiveLog::Truth(const RaceEvent& e, const Race& race) {
  const char* kind = nullptr;
  if (e.kind == RaceEventKind::kIncident) {
    kind = IncidentName(e.incident);
  } else if (OnTrackOvertake(e)) {
    kind = "overtake";
  } else if (e.kind == RaceEventKind::kPitStop) {
    kind = "pit";
  }
  if (kind == nullptr) return;
  const auto plid = [&](int car) {
    return car < 0 ? std::uint8_t{0} : race.Cars()[static_cast<std::size_t>(car)].plid;
  };
  std::string text = std::string("kind=") + kind + " race_ms=" + std::to_string(e.timeMs) +
                     " plid=" + std::to_string(plid(e.car));
  if (e.other >= 0 && e.kind != RaceEventKind::kPitStop) {
    text += " other=" + std::to_string(plid(e.other));
  }
  if (e.retires) text += " retires=1";
  Print("truth", text);
  if (e.kind == RaceEventKind::kPitStop) return;
  TruthRecord t;
  t.kind = e.kind == RaceEventKind::kIncident ? TruthKind::kIncident : TruthKind::kOvertake;
  t.raceMs = e.timeMs;
  t.plid = plid(e.car);
  t.other = plid(e.other);
  score_.Truth(t);
}

void LiveLog::ScoreSampleOf(const Race& race, std::uint32_t dtMs, bool cut) {
  ScoreSample s;
  s.raceMs = race.TimeMs();
  s.dtMs = dtMs;
  s.cut = cut;
  const std::vector<Car>& cars = race.Cars();
  if (shownCar_ >= 0) s.shown = cars[static_cast<std::size_t>(shownCar_)].plid;
  s.inPicture = inPicture_ | Bit(s.shown);
  const std::vector<int>& order = race.Order();
  if (!order.empty()) s.leader = cars[static_cast<std::size_t>(order.front())].plid;
  for (std::size_t p = 0; p + 1 < order.size(); ++p) {
    const int a = order[p], b = order[p + 1];
    if (!Racing(race, a) || !Racing(race, b)) continue;
    const Car& behind = cars[static_cast<std::size_t>(b)];
    const double gap = cars[static_cast<std::size_t>(a)].dist - behind.dist;
    if (gap < kBattleGapS * std::max(behind.speed, 1.0)) {
      s.battling |= Bit(cars[static_cast<std::size_t>(a)].plid) | Bit(behind.plid);
    }
  }
  for (int i = 0; i < static_cast<int>(cars.size()); ++i) {
    const Car& c = cars[static_cast<std::size_t>(i)];
    if (race.InPitLane(i) || (c.speed < kParkedSpeed && !race.InIncident(i))) {
      s.pitOrParked |= Bit(c.plid);
    }
  }
  score_.Sample(s);
}

}  // namespace racesim
