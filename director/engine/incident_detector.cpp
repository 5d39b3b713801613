#include "director/engine/incident_detector.h"

namespace director {

IncidentDetector::IncidentDetector(const IncidentThresholds& limits) : limits_(limits) {}

void IncidentDetector::reset() {
  log_.clear();
  for (CarHistory& h : history_) h = CarHistory();
  setCount_ = 0;
  set_ = 0;
  raceWasRunning_ = false;
}

int IncidentDetector::update(const CarSample* cars, int count, std::uint32_t nowMs,
                             bool raceRunning) {
  ++set_;
  if (set_ == 0) set_ = 1;  // 0 stands for never seen
  now_ = nowMs;
  raised_ = 0;
  if (raceRunning && !raceWasRunning_) {
    for (CarHistory& h : history_) h.movedSinceStart = false;
  }
  raceWasRunning_ = raceRunning;

  setCount_ = takeSet(cars, count);
  for (int i = 0; i < setCount_; ++i) checkCar(setCars_[i], raceRunning);
  checkContacts();
  if (raceRunning) checkOvertakes();

  for (int i = 0; i < setCount_; ++i) {
    CarHistory& h = history_[setCars_[i].plid];
    h.previous = setCars_[i];
    h.progress = raceProgress(track_, setCars_[i].lap, setCars_[i].node);
    h.seenInSet = set_;
  }
  return raised_;
}

// Copies the set, first sample of each player id only.
int IncidentDetector::takeSet(const CarSample* cars, int count) {
  static_assert(kPlayerCount <= 256, "player ids are bytes");
  bool taken[kPlayerCount] = {};
  int n = 0;
  for (int i = 0; i < count && n < kMaxRaceOrder; ++i) {
    if (taken[cars[i].plid]) continue;
    taken[cars[i].plid] = true;
    setCars_[n++] = cars[i];
  }
  return n;
}

void IncidentDetector::checkCar(const CarSample& car, bool raceRunning) {
  CarHistory& h = history_[car.plid];
  if (!continuous(h)) {  // new, or back after a gap: nothing from before counts
    h.latches = 0;
    h.slow = false;
  }
  if (car.inPitLane) {
    h.pitLaneMs = now_;
    h.everInPitLane = true;
  }
  const bool checked = racing(car);
  latch(kSpinLatch, checked && isSpinning(car, limits_), EventKind::kSpin, car.plid);
  latch(kOffLatch, checked && offBy(car) > limits_.offMarginM, EventKind::kOff, car.plid);
  latch(kStoppedLatch, checked && stopped(car, h, raceRunning), EventKind::kStopped, car.plid);
}

bool IncidentDetector::stopped(const CarSample& car, CarHistory& h, bool raceRunning) {
  if (!raceRunning) {
    h.slow = false;
    return false;
  }
  if (!isCrawling(car, limits_)) {
    h.movedSinceStart = true;
    h.slow = false;
    return false;
  }
  if (!h.movedSinceStart) return false;
  if (!h.slow || !continuous(h)) {
    h.slow = true;
    h.slowSinceMs = now_;
  }
  return now_ - h.slowSinceMs >= limits_.stoppedAfterMs;
}

double IncidentDetector::offBy(const CarSample& car) const {
  if (track_.count == 0) return 0.0;
  const std::uint32_t i = nearestLimitNode(track_, car.x, car.y, car.node);
  const TrackLimitNode& node = track_.nodes[i];
  return node.hasLimits ? distanceBeyondEdge(node, car.x, car.y) : 0.0;
}

void IncidentDetector::checkContacts() {
  for (int a = 0; a < setCount_; ++a) {
    const CarSample& car = setCars_[a];
    const CarHistory& h = history_[car.plid];
    if (!racing(car) || !continuous(h) || h.previous.lagging) continue;
    if (!lostSpeedSuddenly(h.previous, car, limits_)) continue;
    int nearest = -1;
    double nearestDistance = limits_.contactDistanceM;
    for (int b = 0; b < setCount_; ++b) {
      const CarSample& other = setCars_[b];
      if (b == a || !other.onTrack || other.inPitLane) continue;
      double d = carDistanceMetres(car, other);
      const CarHistory& otherHistory = history_[other.plid];
      if (continuous(otherHistory)) {
        const double before = carDistanceMetres(h.previous, otherHistory.previous);
        if (before < d) d = before;
      }
      if (d <= nearestDistance) {
        nearest = b;
        nearestDistance = d;
      }
    }
    if (nearest < 0) continue;
    const std::uint8_t other = setCars_[nearest].plid;
    if (log_.hasLive(EventKind::kContact, other, car.plid, now_)) continue;
    raise(EventKind::kContact, car.plid, other, 0);
  }
}

bool IncidentDetector::clearOfPits(const CarSample& car, const CarHistory& h) const {
  if (!car.onTrack || car.inPitLane || !continuous(h)) return false;
  if (!h.previous.onTrack || h.previous.inPitLane) return false;
  return !h.everInPitLane || now_ - h.pitLaneMs > limits_.pitGraceMs;
}

void IncidentDetector::checkOvertakes() {
  for (int i = 0; i < setCount_; ++i) {
    const CarSample& car = setCars_[i];
    const CarHistory& h = history_[car.plid];
    OrderSample& o = order_[i];
    o.plid = car.plid;
    o.hasPrevious = continuous(h);
    o.eligible = clearOfPits(car, h);
    o.previousPosition = o.hasPrevious ? h.previous.position : 0;
    o.position = car.position;
    o.previousProgress = h.progress;
    o.progress = raceProgress(track_, car.lap, car.node);
  }
  const int n = findPasses(order_, setCount_, track_.count, passes_, kMaxRaceOrder);
  for (int i = 0; i < n; ++i) {
    raise(EventKind::kOvertake, passes_[i].passer, passes_[i].passed, passes_[i].position);
  }
}

void IncidentDetector::latch(std::uint8_t bit, bool condition, EventKind kind, std::uint8_t plid) {
  CarHistory& h = history_[plid];
  const bool wasOn = (h.latches & bit) != 0;
  h.latches = static_cast<std::uint8_t>(condition ? (h.latches | bit) : (h.latches & ~bit));
  if (condition && !wasOn) raise(kind, plid, 0, 0);
}

void IncidentDetector::raise(EventKind kind, std::uint8_t plid, std::uint8_t other,
                             std::uint8_t position) {
  if (log_.hasLive(kind, plid, other, now_)) return;
  DetectedEvent e;
  e.kind = kind;
  e.plid = plid;
  e.other = other;
  e.position = position;
  e.startMs = now_;
  log_.add(e);
  ++raised_;
}

}  // namespace director
