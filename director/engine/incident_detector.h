// The broadcast rules' eyes: fed once per position set, it notices spins, cars off the track,
// stopped cars, contact between two cars and overtakes, and keeps them in an EventLog.
//
// update() takes the whole set (at most kMaxRaceOrder cars; a repeated player id counts once),
// the tick of the set and whether the race is under way (lights out). Per car it checks:
// - spin and off (motion checks in incident_motion.h; off only where the track view has limits),
//   for cars on track, out of the pit lane and not lagging;
// - stopped: crawling for stoppedAfterMs while the race is under way, once the car has moved
//   since the start, so the grid waiting for the lights is never a stopped car (a car that never
//   leaves the grid is not reported either);
// - contact: a car that lost speed suddenly within contactDistanceM of another car (now or in the
//   set before), reported with the nearest such car;
// - overtake: a change of order between this set and the one before (incident_overtake.h), only
//   while the race is under way, never with a car in the pit lane or within pitGraceMs of it.
// An event is raised when its condition begins, and not again while the condition lasts or while
// an event of the same kind for the same car(s) is live. A car missing from a set loses its
// history: nothing is compared across the gap. All memory is in the object; nothing is allocated.
#pragma once

#include <cstdint>

#include "director/engine/incident_event.h"
#include "director/engine/incident_motion.h"
#include "director/engine/incident_overtake.h"
#include "director/engine/incident_sample.h"
#include "director/engine/incident_track.h"
#include "director/insim/race_state.h"

namespace director {

class IncidentDetector {
 public:
  explicit IncidentDetector(const IncidentThresholds& limits = IncidentThresholds());

  // The track's nodes; the view must stay valid until the next setTrack. An empty view: no offs,
  // and order changes only from race positions.
  void setTrack(const TrackLimitsView& track) { track_ = track; }
  // Forgets every car and every event (a new session).
  void reset();
  // Returns the number of events raised by this set.
  int update(const CarSample* cars, int count, std::uint32_t nowMs, bool raceRunning);

  const EventLog& events() const { return log_; }
  const IncidentThresholds& limits() const { return limits_; }

 private:
  enum Latch : std::uint8_t { kSpinLatch = 1, kOffLatch = 2, kStoppedLatch = 4 };

  struct CarHistory {
    CarSample previous;
    std::uint32_t seenInSet = 0;  // the number of the last set the car was in; 0: never
    std::uint32_t slowSinceMs = 0;
    std::uint32_t pitLaneMs = 0;  // the last tick the car was in the pit lane
    std::uint64_t progress = 0;
    bool slow = false;
    bool movedSinceStart = false;
    bool everInPitLane = false;
    std::uint8_t latches = 0;
  };

  bool continuous(const CarHistory& h) const { return h.seenInSet != 0 && h.seenInSet + 1 == set_; }
  bool racing(const CarSample& car) const { return car.onTrack && !car.inPitLane && !car.lagging; }
  int takeSet(const CarSample* cars, int count);
  void checkCar(const CarSample& car, bool raceRunning);
  bool stopped(const CarSample& car, CarHistory& h, bool raceRunning);
  double offBy(const CarSample& car) const;
  void checkContacts();
  void checkOvertakes();
  bool clearOfPits(const CarSample& car, const CarHistory& h) const;
  void latch(std::uint8_t bit, bool condition, EventKind kind, std::uint8_t plid);
  void raise(EventKind kind, std::uint8_t plid, std::uint8_t other, std::uint8_t position);

  IncidentThresholds limits_;
  TrackLimitsView track_;
  EventLog log_;
  CarHistory history_[kPlayerCount];
  CarSample setCars_[kMaxRaceOrder];
  OrderSample order_[kMaxRaceOrder];
  OrderPass passes_[kMaxRaceOrder];
  int setCount_ = 0;
  std::uint32_t set_ = 0;  // the number of the current set, from 1
  std::uint32_t now_ = 0;
  bool raceWasRunning_ = false;
  int raised_ = 0;
};

}  // namespace director
