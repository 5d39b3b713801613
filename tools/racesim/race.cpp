#include "tools/racesim/race.h"

#include <algorithm>
#include <cmath>

namespace racesim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTopSpeed = 62.0;     // m/s
constexpr double kLateralGrip = 13.0;  // m/s^2 through a bend
constexpr double kBraking = 11.0;      // m/s^2 planned into the profile
constexpr double kHardBraking = 16.0;  // m/s^2 when a car has to slow at once
constexpr double kYawLagSeconds = 0.25;
constexpr double kPitSpeed = 20.0;     // m/s pit lane limit
constexpr double kPitBox = 40.0;       // metres after the line
// The track's pit lane, which its path file carries.
constexpr double kPitEntry = kPitLaneEntry;
constexpr double kPitExit = kPitLaneExit;
constexpr double kPitLane = kPitLaneOffset;
constexpr double kGridGap = 8.0;
constexpr double kGridFront = 12.0;
constexpr double kFollowGap = 9.0;
constexpr double kDraftRange = 40.0;
constexpr double kPassSide = 3.5;
constexpr double kLateralRate = 3.0;  // m/s sideways
constexpr double kStraight = 1.0 / 250.0;

const char* const kNames[kMaxCars] = {
    "^7Anna Berg",   "^1Speedy",      "^3Carlos Diaz",  "^7Mika Laine",   "^4Jonas Weber",
    "^7Sofia Marin", "^2Tom Hale",    "^7Lea Novak",    "^5Ravi Menon",   "^7Eva Lund",
    "^6Omar Haddad", "^7Ines Duarte", "^1Kai Brandt",   "^7Nina Petrova", "^3Luca Romano",
    "^7Yuki Sato",   "^4Pete Walsh",  "^7Mara Stein",   "^2Ole Hansen",   "^7Zoe Carter",
    "^7Ivan Sokol",  "^5Alba Ruiz",   "^7Finn Doyle",   "^6Hana Kim",     "^7Bruno Costa",
    "^1Ella Moss",   "^7Aron Fekete", "^3Tara Quinn",   "^7Nils Ek",      "^4Vera Blom",
    "^7Dan Frost",   "^2Rosa Vidal",  "^7Gus Lindgren", "^5Maya Adler",   "^7Leo Marsh",
    "^6Ada Nowak",   "^7Sam Okafor",  "^1Iris Falk",    "^7Hugo Brun",    "^3Lina Sova",
    "^7Per Aasen",   "^2Mona Grieg",  "^7Teo Varga",    "^4Uma Rao",      "^7Kit Moreau",
    "^5Bo Lind",     "^7Cleo Park",   "^1Rune Dahl",
};
const char* const kCars[] = {"XRG", "FXO", "RB4", "XFG"};

}  // namespace

std::vector<Driver> FieldOfDrivers(int n) {
  std::vector<Driver> field;
  for (int i = 0; i < n && i < kMaxCars; ++i) {
    Driver d;
    d.name = kNames[i];
    d.car = kCars[i % 4];
    d.flags = (i % 5 == 3) ? kSwapSideFlag : 0;
    field.push_back(d);
  }
  return field;
}

bool Race::CheckOptions(const RaceOptions& options, std::string* error) {
  const int most = options.maxCars < kMaxCars ? options.maxCars : kMaxCars;
  if (options.cars < 1 || options.cars > most) {
    *error = "the number of cars must be between 1 and " + std::to_string(most);
    return false;
  }
  if (options.laps < 1 || options.laps > 1000) {
    *error = "the number of laps must be between 1 and 1000";
    return false;
  }
  if (options.pitStops > options.cars) {
    *error = "more pit stops than cars";
    return false;
  }
  return true;
}

Race::Race(const Track& track, const RaceOptions& options)
    : track_(track),
      rng_(options.seed * 7919u + 17u),
      laps_(options.laps),
      incidentRng_(options.seed * 104729u + 5u) {
  const int n = track.NodeCount();
  // Speed profile: what the grip allows in each bend (curvature smoothed over a few nodes), then
  // braking distances carried back from every slow bend.
  profile_.assign(static_cast<std::size_t>(n), kTopSpeed);
  for (int i = 0; i < n; ++i) {
    double k = 0;
    for (int d = -2; d <= 2; ++d) k += std::fabs(track.Node(i + d).curvature);
    k /= 5;
    if (k > 1e-6)
      profile_[static_cast<std::size_t>(i)] = std::min(kTopSpeed, std::sqrt(kLateralGrip / k));
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = n - 1; i >= 0; --i) {
      const double next = profile_[static_cast<std::size_t>(track.Wrap(i + 1))];
      double& v = profile_[static_cast<std::size_t>(i)];
      v = std::min(v, std::sqrt(next * next + 2 * kBraking * track.Spacing()));
    }
  }

  const std::vector<Driver> field = FieldOfDrivers(options.cars);
  cars_.resize(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    Car& c = cars_[i];
    c.plid = static_cast<std::uint8_t>(i + 1);
    c.driver = field[i];
    c.pace = rng_.Uniform(0.955, 0.995);
    c.mistakeRate = rng_.Uniform(0.03, 0.16);
  }
  int stops = options.pitStops;
  if (stops < 0) stops = options.laps >= 2 ? (options.cars + 2) / 4 : 0;
  if (options.laps < 2) stops = 0;
  for (int k = 0; k < stops; ++k) {
    int pick = static_cast<int>(rng_.Below(static_cast<std::uint32_t>(cars_.size())));
    while (cars_[static_cast<std::size_t>(pick)].pitLap >= 0) pick = (pick + 1) % options.cars;
    Car& c = cars_[static_cast<std::size_t>(pick)];
    c.pitLap = 1 + static_cast<int>(rng_.Below(static_cast<std::uint32_t>(options.laps - 1)));
    c.pitStopMs = 4000 + rng_.Below(5000);
  }
  // The grid by a qualifying that the quicker drivers usually win, but not always.
  std::vector<std::pair<double, int>> quali;
  for (std::size_t i = 0; i < cars_.size(); ++i) {
    quali.push_back({cars_[i].pace * rng_.Uniform(0.975, 1.025), static_cast<int>(i)});
  }
  std::sort(quali.begin(), quali.end(), [](auto& a, auto& b) {
    return a.first > b.first || (a.first == b.first && a.second < b.second);
  });
  const int count = static_cast<int>(cars_.size());
  for (int slot = 0; slot < count; ++slot) {
    Car& c = cars_[static_cast<std::size_t>(quali[static_cast<std::size_t>(slot)].second)];
    c.dist = kGridFront + kGridGap * (count - 1 - slot);
    c.lateral = c.lateralTarget = (slot % 2 == 0) ? -2.0 : 2.0;
    PlanLap(c);
  }
  UpdateOrder(false);
  for (int i = 0; i < count; ++i) {
    const Pose p = Where(i);
    cars_[static_cast<std::size_t>(i)].direction = static_cast<std::uint16_t>(
        std::lround(std::atan2(-p.dy, -p.dx) * 32768.0 / kPi + 16384.0) & 0xFFFF);
  }
  PlanIncidents(options);
}

void Race::PlanLap(Car& car) {
  car.lapFactor = rng_.Uniform(0.994, 1.004);
  car.mistakeAt = -1;
  if (rng_.Chance(car.mistakeRate)) car.mistakeAt = track_.Length() * rng_.Uniform(0.1, 0.9);
}

void Race::Step(std::uint32_t dtMs) {
  pendingMs_ += dtMs;
  while (pendingMs_ >= kRaceStepMs) {
    pendingMs_ -= kRaceStepMs;
    if (started_) StepOnce();
  }
}

std::vector<RaceEvent> Race::TakeEvents() {
  std::vector<RaceEvent> out;
  out.swap(events_);
  return out;
}

int Race::NumFinished() const {
  int n = 0;
  for (const Car& c : cars_) n += c.finished ? 1 : 0;
  return n;
}

double Race::TargetSpeed(int i, const std::vector<double>& trackPos) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  const double length = track_.Length();
  const double lapDist = std::fmod(c.dist, length);
  const double s = trackPos[static_cast<std::size_t>(i)];
  const int node = track_.NodeAt(s);
  double target = profile_[static_cast<std::size_t>(node)] * c.pace * c.lapFactor;
  if (c.finished) target *= 0.55;  // the lap after the flag

  if (c.mistakeUntilMs > timeMs_) {
    target *= 0.4;
    // Wide, over the edge; with scripted incidents every off is the script's.
    c.lateralTarget = (scripted_ ? 5.0 : 7.0) * c.mistakeSide;
  } else if (c.mistakeUntilMs != 0 && c.pit == PitPhase::kNone && c.passing < 0) {
    c.mistakeUntilMs = 0;
    c.lateralTarget = 0;
  }

  if (IncidentTarget(i, &target)) return std::max(target, 0.0);

  // Pit stop right after the line at the end of the planned lap.
  if (!c.finished && c.pitLap >= 0) {
    if (c.pit == PitPhase::kNone && c.lapsDone == c.pitLap - 1 && lapDist >= length - kPitEntry) {
      c.pit = PitPhase::kIn;
      c.passing = -1;
    }
    if (c.pit == PitPhase::kIn || c.pit == PitPhase::kOut) {
      c.lateralTarget = kPitLane;
      target = std::min(target, kPitSpeed);
      if (c.pit == PitPhase::kIn && c.lapsDone == c.pitLap && lapDist >= kPitBox - 12.0) {
        // Brake into the box.
        target = std::min(target, std::max(0.0, (kPitBox - lapDist) * 1.5));
        if (lapDist >= kPitBox - 0.5) {
          c.pit = PitPhase::kStopped;
          c.speed = 0;
          c.pitReleaseMs = timeMs_ + c.pitStopMs;
          ++c.stops;
          RaceEvent e;
          e.kind = RaceEventKind::kPitStop;
          e.car = i;
          e.timeMs = timeMs_;
          e.lapsDone = c.lapsDone;
          e.stops = c.stops;
          events_.push_back(e);
        }
      }
      if (c.pit == PitPhase::kOut && c.lapsDone == c.pitLap && lapDist >= kPitExit) {
        c.pit = PitPhase::kNone;
        c.pitLap = -1;
        c.lateralTarget = 0;
        c.rejoining = true;
      }
    }
    if (c.pit == PitPhase::kStopped) {
      if (timeMs_ < c.pitReleaseMs) return 0;
      c.pit = PitPhase::kOut;
      target = std::min(target, kPitSpeed);
    }
  }
  if (c.pit != PitPhase::kNone) return target;

  // The nearest car ahead on the track, pit lane left out.
  int ahead = -1, aside = -1;
  double gap = 1e9, asideGap = 1e9;
  for (std::size_t j = 0; j < cars_.size(); ++j) {
    if (static_cast<int>(j) == i || cars_[j].pit != PitPhase::kNone) continue;
    double d = trackPos[j] - s;
    if (d < 0) d += length;
    if (OutOfTheWay(static_cast<int>(j))) {
      if (d < asideGap) {
        asideGap = d;
        aside = static_cast<int>(j);
      }
    } else if (d < gap) {
      gap = d;
      ahead = static_cast<int>(j);
    }
  }
  if (scripted_) Dodge(i, aside, asideGap);
  if (ahead < 0) return target;
  if (c.incident == IncidentKind::kContact && c.incidentMs == 0) {
    ClosingIn(i, ahead, gap, &target);
    return std::max(target, 0.0);
  }
  const Car& a = cars_[static_cast<std::size_t>(ahead)];
  const bool straight = track_.CurvatureAt(s) < kStraight && track_.CurvatureAt(s + 60) < kStraight;
  if (gap > 4.0 && gap < kDraftRange && straight) target *= 1.0 + 0.05 * (1.0 - gap / kDraftRange);

  if (c.passing >= 0 && c.passing != ahead) {
    // The car being passed is behind now (or gone): back onto the line.
    c.passing = -1;
    if (c.mistakeUntilMs <= timeMs_) c.lateralTarget = 0;
  }
  if (gap < kFollowGap) {
    const bool faster = target > a.speed + 0.3;
    if (c.passing == ahead) {
      if (!straight && gap < 2.0 && track_.CurvatureAt(s + 25) > 1.0 / 120.0) {
        c.passing = -1;  // ran out of straight: tuck in again
        c.lateralTarget = 0;
      }
    } else if (faster && straight && rng_.Chance(0.08)) {
      c.passing = ahead;
      c.lateralTarget = a.lateral > 0 ? -kPassSide : kPassSide;
    }
    if (c.passing != ahead) target = std::min(target, a.speed - (gap < 6.0 ? 1.0 : 0.0));
  }
  return std::max(target, 0.0);
}

void Race::StepOnce() {
  timeMs_ += kRaceStepMs;
  const double dt = kRaceStepMs / 1000.0;
  const double length = track_.Length();
  std::vector<double> trackPos(cars_.size());
  for (std::size_t i = 0; i < cars_.size(); ++i) {
    trackPos[i] = track_.WrapDistance(track_.FinishDistance() + cars_[i].dist);
  }
  std::vector<double> targets(cars_.size());
  for (std::size_t i = 0; i < cars_.size(); ++i)
    targets[i] = TargetSpeed(static_cast<int>(i), trackPos);

  for (std::size_t i = 0; i < cars_.size(); ++i) {
    Car& c = cars_[i];
    if (c.pit == PitPhase::kStopped || c.retired) continue;
    const Pose before = Where(static_cast<int>(i));
    const double target = targets[i];
    if (c.speed < target) {
      const double accel = std::max(1.5, 7.5 * (1.0 - c.speed / 80.0));
      c.speed = std::min(target, c.speed + accel * dt);
    } else {
      c.speed = std::max(target, c.speed - kHardBraking * dt);
    }
    const double oldLap = std::floor(c.dist / length);
    const double oldLapDist = c.dist - oldLap * length;
    c.dist += c.speed * dt;
    const double step = (scripted_ ? LateralRate(c) : kLateralRate) * dt;
    if (c.lateral < c.lateralTarget) c.lateral = std::min(c.lateralTarget, c.lateral + step);
    if (c.lateral > c.lateralTarget) c.lateral = std::max(c.lateralTarget, c.lateral - step);
    if (c.rejoining && std::fabs(c.lateral) <= kRoadHalfWidth) c.rejoining = false;

    const Pose after = Where(static_cast<int>(i));
    const double mx = after.x - before.x, my = after.y - before.y;
    if (std::hypot(mx, my) > 1e-4) {
      const std::uint16_t dir = static_cast<std::uint16_t>(
          std::lround(std::atan2(-my, -mx) * 32768.0 / kPi + 16384.0) & 0xFFFF);
      const std::int16_t turn = static_cast<std::int16_t>(dir - c.direction);
      // The path turns at once when a car starts across the road (a pass, a dodge); a car's
      // nose follows in a fraction of a second, so a change of line never yaws like a spin.
      c.yawRate += (turn / dt / 4.0 - c.yawRate) * std::min(1.0, dt / kYawLagSeconds);
      c.angVel = static_cast<std::int16_t>(std::clamp(c.yawRate, -32000.0, 32000.0));
      c.direction = dir;
    }

    const double lapDist = c.dist - std::floor(c.dist / length) * length;
    if (std::floor(c.dist / length) > oldLap) {
      CrossedLine(static_cast<int>(i));
    } else if (!c.finished) {
      for (int split = 1; split <= 2; ++split) {
        const double at = length * split / 3.0;
        if (oldLapDist < at && lapDist >= at && c.splitsDone < split) {
          c.splitsDone = split;
          RaceEvent e;
          e.kind = RaceEventKind::kSplit;
          e.car = static_cast<int>(i);
          e.timeMs = timeMs_;
          e.split = split;
          e.lapMs = timeMs_ - c.lapStartMs;
          e.elapsedMs = timeMs_;
          e.lapsDone = c.lapsDone;
          e.stops = c.stops;
          events_.push_back(e);
        }
      }
    }
    if (!c.finished && c.mistakeAt >= 0 && oldLapDist < c.mistakeAt && lapDist >= c.mistakeAt &&
        c.pit == PitPhase::kNone && c.incident == IncidentKind::kNone) {
      c.mistakeAt = -1;
      c.mistakeUntilMs = timeMs_ + 2000 + rng_.Below(1500);
      c.mistakeSide = rng_.Chance(0.5) ? 1.0 : -1.0;
      c.passing = -1;
      RaceEvent e;
      e.kind = RaceEventKind::kMistake;
      e.car = static_cast<int>(i);
      e.timeMs = timeMs_;
      events_.push_back(e);
    }
    IncidentsAfterMove(static_cast<int>(i), lapDist);
  }
  UpdateOrder(true);
}

void Race::CrossedLine(int i) {
  Car& c = cars_[static_cast<std::size_t>(i)];
  if (c.finished) return;
  ++c.lapsDone;
  const std::uint32_t lapMs = timeMs_ - c.lapStartMs;
  c.lapStartMs = timeMs_;
  c.splitsDone = 0;
  if (lapMs < c.bestLapMs) c.bestLapMs = lapMs;
  if (c.lapsDone >= laps_) chequered_ = true;
  if (chequered_) {
    c.finished = true;
    c.finishMs = timeMs_;
    c.passing = -1;
    c.mistakeUntilMs = 0;
    c.lateralTarget = 0;
  }
  UpdateOrder(false);
  RaceEvent e;
  e.kind = RaceEventKind::kLap;
  e.car = i;
  e.timeMs = timeMs_;
  e.lapMs = lapMs;
  e.elapsedMs = timeMs_;
  e.lapsDone = c.lapsDone;
  e.stops = c.stops;
  e.position = c.position;
  events_.push_back(e);
  if (c.finished) {
    e.kind = RaceEventKind::kFinish;
    events_.push_back(e);
  } else {
    PlanLap(c);
  }
}

void Race::UpdateOrder(bool emitOvertakes) {
  std::vector<int> order(cars_.size());
  for (std::size_t i = 0; i < cars_.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [this](int x, int y) {
    const Car& a = cars_[static_cast<std::size_t>(x)];
    const Car& b = cars_[static_cast<std::size_t>(y)];
    if (a.finished && b.finished) {
      if (a.lapsDone != b.lapsDone) return a.lapsDone > b.lapsDone;
      return a.finishMs < b.finishMs;
    }
    if (a.finished != b.finished && a.lapsDone == b.lapsDone) return a.finished;
    if (a.finished || b.finished) return a.lapsDone > b.lapsDone;
    return a.dist > b.dist;
  });
  std::vector<int> before(cars_.size());
  for (std::size_t i = 0; i < cars_.size(); ++i) before[i] = cars_[i].position;
  for (std::size_t p = 0; p < order.size(); ++p) {
    cars_[static_cast<std::size_t>(order[p])].position = static_cast<int>(p + 1);
  }
  if (emitOvertakes && !order_.empty()) {
    for (std::size_t i = 0; i < cars_.size(); ++i) {
      for (std::size_t j = 0; j < cars_.size(); ++j) {
        if (before[i] > before[j] && cars_[i].position < cars_[j].position && !cars_[i].finished &&
            !cars_[j].finished) {
          RaceEvent e;
          e.kind = RaceEventKind::kOvertake;
          e.car = static_cast<int>(i);
          e.other = static_cast<int>(j);
          e.otherInPits = cars_[j].pit != PitPhase::kNone;
          e.carInPits = cars_[i].pit != PitPhase::kNone;
          e.otherInIncident = OutOfTheWay(static_cast<int>(j));
          e.timeMs = timeMs_;
          e.position = cars_[i].position;
          events_.push_back(e);
        }
      }
    }
  }
  order_ = order;
}

std::vector<int> Race::Classification() const {
  std::vector<int> out;
  for (int i : order_) {
    if (cars_[static_cast<std::size_t>(i)].finished) out.push_back(i);
  }
  return out;
}

Pose Race::Where(int car) const {
  const Car& c = cars_[static_cast<std::size_t>(car)];
  return track_.At(track_.FinishDistance() + c.dist, c.lateral);
}

int Race::NodeOf(int car) const {
  return track_.NodeAt(track_.FinishDistance() + cars_[static_cast<std::size_t>(car)].dist);
}

CarRecord Race::Record(int car) const {
  const Car& c = cars_[static_cast<std::size_t>(car)];
  const Pose p = Where(car);
  CarRecord r;
  r.node = static_cast<std::uint16_t>(NodeOf(car));
  r.lap = static_cast<std::uint16_t>(c.lapsDone + 1);
  r.plid = c.plid;
  r.position = static_cast<std::uint8_t>(c.position);
  r.x = static_cast<std::int32_t>(std::lround(p.x * kWorldPerMetre));
  r.y = static_cast<std::int32_t>(std::lround(p.y * kWorldPerMetre));
  r.z = static_cast<std::int32_t>(std::lround(p.z * kWorldPerMetre));
  r.speed = static_cast<std::uint16_t>(std::lround(std::min(c.speed, 199.0) * kSpeedPerMs));
  r.direction = c.direction;
  // A car that runs wide slides: its nose points away from where it goes.
  const bool sliding = c.mistakeUntilMs > timeMs_;
  r.heading = static_cast<std::uint16_t>(c.direction + (sliding ? c.mistakeSide * 2500 : 0));
  r.angVel = c.angVel;
  ApplyIncidentPose(c, &r);
  return r;
}

}  // namespace racesim
