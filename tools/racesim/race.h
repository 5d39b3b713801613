// The race model: cars with their own pace, consistency and pit plan driving laps of a Track.
//
// The race runs in fixed steps of race time. Each car aims for the track's speed profile (fast on
// straights, braking for bends) scaled by its pace; a car within a few metres of the one ahead is
// held up unless it is faster on a straight, where it pulls out and passes; a car up to 40 m
// behind another on a straight gains from its slipstream. So the field bunches up into battles,
// and overtakes happen where a broadcast would want to show them. Now and then a driver makes a
// mistake, runs wide and loses time. About a quarter of the field makes one pit stop just after
// the line. The grid stands just after the finish line; a lap is counted each time a car passes
// the finish node. When the leader has done the laps the chequered flag is out and every car
// finishes the next time it crosses the line.
//
// Scripted incidents, when asked for, come on top (race_incidents.cpp): spins, offs, stopped cars
// (some retire) and contact, each reported as a kIncident event when it first shows in the
// positions.
//
// Everything follows from the seed: the same options give the same race, step for step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/racesim/rng.h"
#include "tools/racesim/track.h"
#include "tools/racesim/wire/positions.h"

namespace racesim {

inline constexpr int kMaxCars = 48;  // a 0.8 simulator's race; older ones take 40 (maxCars)
inline constexpr std::uint32_t kRaceStepMs = 20;
inline constexpr std::uint32_t kNoLapTime = 0xFFFFFFFFu;
inline constexpr std::uint16_t kSwapSideFlag = 1;  // player flag: left-hand drive

struct RaceOptions {
  int cars = 12;     // 1 .. maxCars
  int maxCars = 40;  // 48 with InSim version 10
  int laps = 3;      // 1 .. 1000
  std::uint32_t seed = 1;
  int pitStops = -1;  // cars that make one stop; -1: about a quarter when there are 2 laps or more
  // Scripted incidents (spins, offs, stopped cars, contact) a race; 0: none, and the race is the
  // one it always was. With incidents a driver who runs wide stays on the road, so that every
  // off is one of the script's.
  int incidents = 0;
};

// What can befall a car on track; each shows in its positions alone (race_incidents.cpp).
enum class IncidentKind { kNone, kSpin, kOff, kStopped, kContact };
// "spin", "off", "stopped", "contact" ("none").
const char* IncidentName(IncidentKind kind);

struct Driver {
  std::string name;  // as the simulator shows it, colour codes included (at most 23 characters)
  std::string car;   // three-letter car code
  std::uint16_t flags = 0;
};

enum class PitPhase { kNone, kIn, kStopped, kOut };

struct Car {
  std::uint8_t plid = 0;
  Driver driver;
  double pace = 1.0;         // share of the speed profile this driver reaches
  double mistakeRate = 0.1;  // chance of one mistake per lap
  int pitLap = -1;           // the stop comes right after completing this lap; -1 none
  std::uint32_t pitStopMs = 0;

  double dist = 0;                        // metres since the finish line, counted from the start
  double speed = 0;                       // m/s
  double lateral = 0, lateralTarget = 0;  // metres right of the racing line
  int lapsDone = 0;
  std::uint32_t lapStartMs = 0;
  std::uint32_t bestLapMs = kNoLapTime;
  int splitsDone = 0;  // in the current lap
  int stops = 0;
  bool finished = false;
  std::uint32_t finishMs = 0;
  int position = 0;  // 1 = leader
  double lapFactor = 1.0;
  double mistakeAt = -1;  // lap distance of this lap's mistake, -1 none
  std::uint32_t mistakeUntilMs = 0;
  double mistakeSide = 1;
  PitPhase pit = PitPhase::kNone;
  std::uint32_t pitReleaseMs = 0;
  int passing = -1;  // index of the car being passed
  bool rejoining = false;  // past the pit exit, still beside the road on the way back to it
  std::uint16_t direction = 0;
  std::int16_t angVel = 0;
  double yawRate = 0;  // AngVel units, following the turns of the path with the lag of a car

  // The incident under way (race_incidents.cpp).
  IncidentKind incident = IncidentKind::kNone;
  std::uint32_t incidentMs = 0;       // when it showed; 0 while a contact is still closing in
  std::uint32_t incidentUntilMs = 0;  // when the car drives on
  double incidentSide = 1;            // +1 right of the line, -1 left; a spin's sense
  int contactWith = -1;               // kContact: the car touched (or closed in on)
  bool retires = false;               // kStopped: the car stays where it stopped
  bool retired = false;
  bool offRoad = false;  // the car's centre is past the road's edge
  bool dodging = false;  // steering round a car out of the way
};

enum class RaceEventKind { kSplit, kLap, kPitStop, kFinish, kOvertake, kMistake, kIncident };

struct RaceEvent {
  RaceEventKind kind = RaceEventKind::kLap;
  int car = 0;  // index into Cars()
  std::uint32_t timeMs = 0;
  std::uint32_t lapMs = 0;  // kLap: the lap time; kSplit: time since the lap began
  std::uint32_t elapsedMs = 0;
  int lapsDone = 0;
  int split = 0;  // kSplit: 1 or 2
  int stops = 0;
  int position = 0;
  int other = -1;  // kOvertake: the car passed; kIncident: the other car of a contact
  bool otherInPits = false;
  bool carInPits = false;  // kOvertake: the passing car was in the pit lane
  // kOvertake: the car passed was stopped, spun, off or retired (no battle; a car that was
  // touched still races).
  bool otherInIncident = false;
  IncidentKind incident = IncidentKind::kNone;  // kIncident
  bool retires = false;                         // kIncident kStopped: the car stays there
  double closingMs = 0;                          // kIncident kContact: how fast they closed
};

// An overtake on the road: neither car in the pit lane, and the car passed not stopped, spun or
// off (a car that drives round an incident makes no overtake).
inline bool OnTrackOvertake(const RaceEvent& e) {
  return e.kind == RaceEventKind::kOvertake && !e.otherInPits && !e.carInPits &&
         !e.otherInIncident;
}

class Race {
 public:
  static bool CheckOptions(const RaceOptions& options, std::string* error);
  Race(const Track& track, const RaceOptions& options);

  // Lights out: from now on Step moves the cars.
  void Start() { started_ = true; }
  bool Started() const { return started_; }
  // Advances the race by dtMs of race time in steps of kRaceStepMs (a rest is kept for later).
  void Step(std::uint32_t dtMs);
  std::vector<RaceEvent> TakeEvents();

  std::uint32_t TimeMs() const { return timeMs_; }
  int Laps() const { return laps_; }
  const std::vector<Car>& Cars() const { return cars_; }
  // Car indexes by race position, leader first.
  const std::vector<int>& Order() const { return order_; }
  bool ChequeredFlag() const { return chequered_; }
  int NumFinished() const;
  // Every car has finished or retired.
  bool AllFinished() const;
  // Finished cars in classification order: more laps first, then the earlier finish.
  std::vector<int> Classification() const;

  // The car's position record for the car position packets (Info left 0).
  CarRecord Record(int car) const;
  // Where the car is now, metres.
  Pose Where(int car) const;
  int NodeOf(int car) const;
  // From the entry until the car is back on the road after the exit.
  bool InPitLane(int car) const {
    const Car& c = cars_[static_cast<std::size_t>(car)];
    return c.pit != PitPhase::kNone || c.rejoining;
  }
  bool InIncident(int car) const {
    return cars_[static_cast<std::size_t>(car)].incident != IncidentKind::kNone;
  }

 private:
  void StepOnce();
  double TargetSpeed(int i, const std::vector<double>& trackPos);
  void CrossedLine(int i);
  void PlanLap(Car& car);
  void UpdateOrder(bool emitOvertakes);
  // race_incidents.cpp
  struct PlannedIncident {
    IncidentKind kind = IncidentKind::kNone;
    int car = 0;
    int lap = 0;          // laps done when it may come
    double lapDist = 0;   // metres into that lap
    std::uint32_t durationMs = 0;
    double side = 1;
    bool retires = false;
    bool done = false;
  };
  void PlanIncidents(const RaceOptions& options);
  // The incident's say on the car's target speed; true when it alone decides it.
  bool IncidentTarget(int i, double* target);
  // A car closing in for a planned contact with the car ahead (gap metres).
  void ClosingIn(int i, int ahead, double gap, double* target);
  // After the car has moved: starts what is due, records what shows, ends what is over.
  void IncidentsAfterMove(int i, double lapDist);
  void StartIncident(int i, PlannedIncident& plan);
  void EndIncident(Car& c);
  void Touch(int i);
  void CheckOffRoad(int i);
  void IncidentEvent(int car, IncidentKind kind, int other);
  // A car others drive round rather than queue behind: stopped, spun or off the road.
  bool OutOfTheWay(int j) const;
  double LateralRate(const Car& c) const;
  // Steers round the nearest car out of the way ahead (index, or -1) gap metres on.
  void Dodge(int i, int outOfTheWay, double gap);
  // A spinning car's nose and turn rate in its position record.
  void ApplyIncidentPose(const Car& c, CarRecord* r) const;

  const Track& track_;
  Rng rng_;
  int laps_;
  std::vector<double> profile_;  // fastest sensible speed at each node
  std::vector<Car> cars_;
  std::vector<int> order_;
  std::vector<RaceEvent> events_;
  std::uint32_t timeMs_ = 0;
  std::uint32_t pendingMs_ = 0;
  bool started_ = false;
  bool chequered_ = false;
  Rng incidentRng_;  // apart from rng_, so a race without incidents is the one it always was
  std::vector<PlannedIncident> plan_;
  bool scripted_ = false;  // incidents were asked for
};

// The drivers of a field of n cars, the same for every seed (names with colour codes).
std::vector<Driver> FieldOfDrivers(int n);

}  // namespace racesim
