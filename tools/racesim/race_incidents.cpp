// The race's scripted incidents: spins, offs, stopped cars and contact, planned from the seed and
// played so that the positions alone show them.
//
// - A spin turns the car's nose once round (heading against direction of travel) in 1.4 s while
//   it slides on and loses most of its speed; it gathers itself, crawling, then drives on.
// - An off takes the car's centre past the road's edge (the path file's road limits) onto the
//   grass, where it is slow, and back.
// - A stopped car pulls to the road's edge and stands for several seconds; some retire there.
// - A contact: a car closes in on the one ahead until they are within a car length, and both
//   lose speed at once, the one hit more.
// Each incident is reported (a kIncident event) when it first shows: the nose swinging, the centre
// past the edge, the car standing, the touch. Offs are reported however they come about, also
// when a driver who runs wide (a mistake, in a race without incidents) crosses the edge.
// Cars drive round a car that is stopped, spun or off rather than queue behind it.
#include <algorithm>
#include <cmath>

#include "tools/racesim/race.h"

namespace racesim {

namespace {

constexpr std::uint32_t kSpinMs = 1400;     // one turn of the nose
constexpr double kSpinBraking = 30.0;       // m/s^2 while sliding round
constexpr double kSpinCrawl = 4.0;          // m/s while gathering itself
constexpr double kIncidentMinSpeed = 15.0;  // m/s: incidents come at speed
constexpr double kOffLateral = 9.5;         // metres from the centre: on the grass
constexpr double kOffRate = 7.0;            // m/s sideways going off
constexpr double kGrass = 0.55;             // share of the speed on the grass
constexpr double kVergeLateral = 4.5;       // where a stopping car pulls over
constexpr double kStandstill = 1.0;         // m/s
constexpr double kCloseRange = 25.0;        // metres: a contact needs a car this near ahead
constexpr std::uint32_t kCloseMaxMs = 6000;
constexpr double kTouch = 4.0;  // metres between centres: within a car length
constexpr std::uint32_t kAfterTouchMs = 1500;
constexpr double kDodge = 2.5;  // metres off the line past a car out of the way
constexpr double kDodgeRange = 40.0;

}  // namespace

const char* IncidentName(IncidentKind kind) {
  switch (kind) {
    case IncidentKind::kSpin:
      return "spin";
    case IncidentKind::kOff:
      return "off";
    case IncidentKind::kStopped:
      return "stopped";
    case IncidentKind::kContact:
      return "contact";
    case IncidentKind::kNone:
      break;
  }
  return "none";
}

void Race::PlanIncidents(const RaceOptions& options) {
  scripted_ = options.incidents > 0;
  const IncidentKind kinds[] = {IncidentKind::kSpin, IncidentKind::kOff, IncidentKind::kStopped,
                                IncidentKind::kContact};
  const std::uint32_t first = incidentRng_.Below(4);
  for (int k = 0; k < options.incidents; ++k) {
    PlannedIncident p;
    p.kind = kinds[(first + static_cast<std::uint32_t>(k)) % 4];
    p.car = static_cast<int>(incidentRng_.Below(static_cast<std::uint32_t>(cars_.size())));
    p.lap = static_cast<int>(incidentRng_.Below(static_cast<std::uint32_t>(laps_)));
    p.lapDist = track_.Length() * incidentRng_.Uniform(0.15, 0.85);
    p.side = incidentRng_.Chance(0.5) ? 1.0 : -1.0;
    p.retires = p.kind == IncidentKind::kStopped && incidentRng_.Chance(0.3);
    switch (p.kind) {
      case IncidentKind::kSpin:
        p.durationMs = kSpinMs + 1000 + incidentRng_.Below(1500);
        break;
      case IncidentKind::kOff:
        p.durationMs = 1500 + incidentRng_.Below(1500);
        break;
      case IncidentKind::kStopped:
        p.durationMs = 5000 + incidentRng_.Below(5000);
        break;
      default:
        p.durationMs = kCloseMaxMs;
        break;
    }
    plan_.push_back(p);
  }
}

bool Race::AllFinished() const {
  for (const Car& c : cars_) {
    if (!c.finished && !c.retired) return false;
  }
  return true;
}

bool Race::OutOfTheWay(int j) const {
  const Car& o = cars_[static_cast<std::size_t>(j)];
  return o.retired || o.incident == IncidentKind::kSpin || o.incident == IncidentKind::kOff ||
         o.incident == IncidentKind::kStopped;
}

double Race::LateralRate(const Car& c) const {
  return c.incident == IncidentKind::kOff ? kOffRate : 3.0;
}

bool Race::IncidentTarget(int i, double* target) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  if (c.retired) {
    *target = 0;
    return true;
  }
  switch (c.incident) {
    case IncidentKind::kSpin:
      *target = timeMs_ < c.incidentMs + kSpinMs ? 0.0 : std::min(*target, kSpinCrawl);
      return true;
    case IncidentKind::kOff:
      *target *= c.offRoad ? kGrass : 0.8;
      return true;
    case IncidentKind::kStopped:
      *target = 0;
      return true;
    default:
      return false;
  }
}

void Race::ClosingIn(int i, int ahead, double gap, double* target) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  if (ahead != c.contactWith || gap > kCloseRange * 1.5 || timeMs_ >= c.incidentUntilMs) {
    EndIncident(c);  // the chance has gone
    return;
  }
  const Car& a = cars_[static_cast<std::size_t>(ahead)];
  *target = a.speed + 3.0;
  c.lateralTarget = a.lateral;
}

void Race::StartIncident(int i, PlannedIncident& plan) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  if (plan.kind == IncidentKind::kContact) {
    // The nearest car ahead on the road, near enough to be caught.
    const double length = track_.Length();
    int ahead = -1;
    double best = kCloseRange;
    for (std::size_t j = 0; j < cars_.size(); ++j) {
      if (static_cast<int>(j) == i || cars_[j].pit != PitPhase::kNone || cars_[j].finished ||
          cars_[j].incident != IncidentKind::kNone || OutOfTheWay(static_cast<int>(j))) {
        continue;
      }
      const double d = std::fmod(cars_[j].dist - c.dist + 100 * length, length);
      if (d > 0.5 && d < best) {
        best = d;
        ahead = static_cast<int>(j);
      }
    }
    if (ahead < 0) return;  // alone on the road: wait for a car to catch
    c.contactWith = ahead;
  }
  plan.done = true;
  c.incident = plan.kind;
  c.incidentSide = plan.side;
  c.retires = plan.retires;
  c.incidentMs = 0;
  c.incidentUntilMs = timeMs_ + plan.durationMs;
  c.passing = -1;
  if (plan.kind == IncidentKind::kSpin) {
    c.incidentMs = timeMs_;
    c.lateralTarget = plan.side * kVergeLateral * 0.5;
    IncidentEvent(i, IncidentKind::kSpin, -1);
  } else if (plan.kind == IncidentKind::kOff) {
    c.lateralTarget = plan.side * kOffLateral;
  } else if (plan.kind == IncidentKind::kStopped) {
    c.lateralTarget = plan.side * kVergeLateral;
  }
}

void Race::EndIncident(Car& c) {
  c.incident = IncidentKind::kNone;
  c.incidentMs = 0;
  c.contactWith = -1;
  c.lateralTarget = 0;
}

void Race::Touch(int i) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  Car& o = cars_[static_cast<std::size_t>(c.contactWith)];
  const double closing = std::fabs(c.speed - o.speed);
  c.speed *= 0.65;
  o.speed *= 0.5;
  c.incidentMs = timeMs_;
  c.incidentUntilMs = timeMs_ + kAfterTouchMs;
  c.lateralTarget = 0;
  if (o.incident == IncidentKind::kNone) {
    o.incident = IncidentKind::kContact;
    o.incidentMs = timeMs_;
    o.incidentUntilMs = timeMs_ + kAfterTouchMs;
    o.contactWith = i;
  }
  IncidentEvent(i, IncidentKind::kContact, c.contactWith);
  events_.back().closingMs = closing;
}

void Race::CheckOffRoad(int i) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  const bool off = std::fabs(c.lateral) > kRoadHalfWidth;
  // Into the pit lane is no off, nor the way back from it onto the road.
  if (off && !c.offRoad && c.pit == PitPhase::kNone) {
    if (c.incident == IncidentKind::kOff) c.incidentMs = timeMs_;
    IncidentEvent(i, IncidentKind::kOff, -1);
  }
  c.offRoad = off;
}

void Race::IncidentsAfterMove(int i, double lapDist) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  CheckOffRoad(i);
  if (c.incident == IncidentKind::kSpin && timeMs_ < c.incidentMs + kSpinMs) {
    c.speed = std::max(0.0, c.speed - kSpinBraking * (kRaceStepMs / 1000.0));
  }
  if (c.incident == IncidentKind::kStopped && c.incidentMs == 0 && c.speed < kStandstill) {
    c.incidentMs = timeMs_;
    c.incidentUntilMs = std::max(c.incidentUntilMs, timeMs_ + 3000);
    IncidentEvent(i, IncidentKind::kStopped, -1);
  }
  if (c.incident == IncidentKind::kContact && c.incidentMs == 0 && c.contactWith >= 0) {
    const Pose a = Where(i), b = Where(c.contactWith);
    if (std::hypot(a.x - b.x, a.y - b.y) < kTouch) Touch(i);
  }
  const bool over = timeMs_ >= c.incidentUntilMs;
  if (c.incident == IncidentKind::kOff && over) {
    c.lateralTarget = 0;
    if (!c.offRoad) EndIncident(c);
  } else if (c.incident == IncidentKind::kStopped && c.incidentMs != 0 && over) {
    c.retired = c.retires;
    EndIncident(c);
    if (c.retired) c.lateralTarget = c.lateral;  // parked where it stands
  } else if ((c.incident == IncidentKind::kSpin || c.incident == IncidentKind::kContact) &&
             c.incidentMs != 0 && over) {
    EndIncident(c);
  }
  if (c.incident != IncidentKind::kNone || c.pit != PitPhase::kNone || c.finished || c.retired ||
      c.mistakeUntilMs > timeMs_ || c.speed < kIncidentMinSpeed) {
    return;
  }
  for (PlannedIncident& p : plan_) {
    if (p.done || p.car != i) continue;
    if (c.lapsDone > p.lap || (c.lapsDone == p.lap && lapDist >= p.lapDist)) {
      StartIncident(i, p);
      return;
    }
  }
}

void Race::IncidentEvent(int car, IncidentKind kind, int other) {
  RaceEvent e;
  e.kind = RaceEventKind::kIncident;
  e.incident = kind;
  e.car = car;
  e.other = other;
  e.timeMs = timeMs_;
  e.position = cars_[static_cast<std::size_t>(car)].position;
  e.retires = kind == IncidentKind::kStopped && cars_[static_cast<std::size_t>(car)].retires;
  events_.push_back(e);
}

void Race::ApplyIncidentPose(const Car& c, CarRecord* r) const {
  if (c.incident != IncidentKind::kSpin || timeMs_ >= c.incidentMs + kSpinMs) return;
  // The nose goes once round while the car slides on along its path.
  const double turn = static_cast<double>(timeMs_ - c.incidentMs) / kSpinMs;
  r->heading = static_cast<std::uint16_t>(
      r->heading + static_cast<std::int32_t>(std::lround(c.incidentSide * 65536.0 * turn)));
  // AngVel: 16384 a turn a second.
  r->angVel = static_cast<std::int16_t>(std::lround(c.incidentSide * 16384.0 * 1000.0 / kSpinMs));
}

void Race::Dodge(int i, int outOfTheWay, double gap) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  if (outOfTheWay >= 0 && gap < kDodgeRange && c.incident == IncidentKind::kNone) {
    const double side = cars_[static_cast<std::size_t>(outOfTheWay)].lateral > 0 ? -1.0 : 1.0;
    c.lateralTarget = side * kDodge;
    c.dodging = true;
  } else if (c.dodging) {
    c.dodging = false;
    if (c.mistakeUntilMs <= timeMs_ && c.passing < 0) c.lateralTarget = 0;
  }
}

}  // namespace racesim
