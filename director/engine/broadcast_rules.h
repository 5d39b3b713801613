// The broadcast rule set: what it adds to the classic director's battles.
//
// Every cycle it is shown the sorted race order (observe): it feeds the incident and overtake
// detector and keeps per car how long it has stood still. Then focus says whether one car must be
// shown, and why, in this order:
// - the winner at the flag: the leader (the car the simulator puts first) in its last
//   kLineShotSeconds before the line of the last lap, awaited in a still shot of the line
//   (Focus::line), and the first car over the line for kFlagHoldMs after;
// - the leader at the start: on the grid, and for kStartShowMs after the lights (the leader
//   moving off); a race that follows another is noticed by its results being cleared or its
//   leader being back on lap 1;
// - from kFlagApproachSeconds before the line, the leader (approachFocus);
// - the car of the most interesting live incident (spin, off, stopped, contact, and those the
//   simulator reports: a reset, a yellow flag, a contact closing at kContactClosingMs or more):
//   an incident cuts through every hold; the followed car's own incident keeps its shot only for
//   kShortestShotMs;
// - the followed car while it passes or is passed (the pass is in its picture);
// - the passing car of a live overtake, once the current shot has lasted kMinShotMs, unless the
//   overtake is by or on a car of the fight the director cut away from less than kPingPongMs ago;
// - the followed car while its shot is younger than kMinShotMs ("hold"), in the pit lane only
//   while its shot is younger than kShortestShotMs.
// Without a focus the classic scoring chooses, after quieten has taken the interest of cars in
// the pit lane, of cars parked away from an incident, and of the car the director cut away from
// less than kPingPongMs ago and the cars it fought with (within a second ahead or behind as it
// left them: they shared its picture).
// noteShot tells it what the cycle showed. Fixed memory, no allocation; InSim thread only.
#pragma once

#include <cstdint>

#include "director/engine/incident_detector.h"
#include "director/engine/shot_reason.h"
#include "director/engine/track_path.h"
#include "director/insim/race_state.h"
#include "director/insim/state_report.h"

namespace director {

inline constexpr std::uint32_t kMinShotMs = 4000;
// Only an incident, the start or the line cut away from a shot younger than this.
inline constexpr std::uint32_t kShortestShotMs = 2000;
inline constexpr double kFlagApproachSeconds = 8.0;
// The camera waits on the line for the winner: a picture that follows the car lags it, and at
// the line a few metres decide who is in it.
inline constexpr double kLineShotSeconds = 2.0;
inline constexpr std::uint32_t kPingPongMs = 8000;
inline constexpr std::uint32_t kStartShowMs = 8000;
inline constexpr std::uint32_t kFlagHoldMs = 6000;
inline constexpr std::uint32_t kParkedAfterMs = 3000;
// A camera still frames a car this far away: at the narrowest zoom the car fills a tenth of the
// picture's width.
inline constexpr double kFramedMetres = 250.0;
// Cars the simulator reports in contact closed at least this fast (m/s) for an incident; a
// lighter touch is racing.
inline constexpr double kContactClosingMs = 3.0;

struct Focus {
  std::int32_t car = -1;  // the car to show; -1: let the scoring choose
  bool hold = false;      // the focus only keeps the current shot
  bool line = false;      // a still shot of the finish line, which the car is about to cross
  ShotReason reason;      // empty for a hold
};

class BroadcastRules {
 public:
  BroadcastRules() = default;
  BroadcastRules(const BroadcastRules&) = delete;
  BroadcastRules& operator=(const BroadcastRules&) = delete;

  // A new session or track: forgets cars, events and shots.
  void reset();
  void setTrack(const TrackPath* track);

  // One complete set of positions: the rules' clock moves on by the positions' interval.
  void observe(const RaceState& race, const StateReport& report);
  Focus focus(const RaceState& race, const StateReport& report, std::int32_t followed) const;
  // Takes the interest of the cars that must not be shown and marks them in excluded().
  void quieten(RaceState& race);
  void noteShot(std::int32_t car, bool cut);
  // An incident the simulator reports itself (kReset, kYellowFlag), once while it is live.
  void noteEvent(EventKind kind, std::uint8_t plid);
  // A contact the simulator reports (a and b, closing at closingMs m/s), once while it is live.
  void noteContact(std::uint8_t a, std::uint8_t b, double closingMs);

  // The rules' clock (ms): the simulator's time as the sets of positions tell it, so that a
  // replay or a race run faster than the wall clock keeps its holds and fades.
  std::uint32_t now() const { return now_; }

  const IncidentDetector& detector() const { return detector_; }
  // By player id: the car gets no shot this cycle.
  const bool* excluded() const { return excluded_; }

 private:
  bool parked(std::uint8_t plid) const;
  bool liveIncidentOn(std::uint8_t plid) const;
  // By place in the race order of the last set: the car behind runs within a second of the
  // car ahead.
  bool closeBehind(int ahead, int behind) const;
  // fight_: the followed car and the cars running within a second of it, ahead or behind.
  void markFight(const RaceOrder& order);
  // The winner over the line, or the leader within `seconds` of it on the last lap.
  bool flagFocus(const RaceState& race, const StateReport& report, double seconds,
                 Focus* f) const;
  // The live incident and overtake most worth a cut (null: none).
  void liveEvents(std::int32_t followed, bool shotYoung, const DetectedEvent** incident,
                  const DetectedEvent** overtake) const;
  bool eventFocus(const DetectedEvent* e, Focus* f) const;
  bool overtakeFocus(const DetectedEvent* e, std::int32_t followed, std::uint32_t age,
                     Focus* f) const;
  Focus approachFocus(const RaceState& race, const StateReport& report, const Focus& leader,
                      const DetectedEvent* incident, std::int32_t followed,
                      std::uint32_t age) const;
  // The followed car while its shot (age ms) is younger than limit, in the pit lane only while
  // it is younger than kShortestShotMs.
  void holdFocus(const RaceState& race, std::int32_t followed, std::uint32_t age,
                 std::uint32_t limit, Focus* f) const;
  bool backToCarJustLeft(const DetectedEvent& e, std::int32_t followed) const;
  void addReported(EventKind kind, std::uint8_t plid, std::uint8_t other);
  void watchFlag(const RaceState& race, const StateReport& report);

  std::uint32_t now_ = 0;
  IncidentDetector detector_;
  EventLog reported_;  // the simulator's own incidents
  TrackLimitNode nodes_[kMaxPathNodes];
  std::uint32_t nodeCount_ = 0;
  double metresPerNode_ = 0.0;
  CarSample samples_[kMaxRaceOrder];
  std::uint32_t slowSince_[kPlayerCount] = {};
  bool slow_[kPlayerCount] = {};
  bool excluded_[kPlayerCount] = {};
  bool fight_[kPlayerCount] = {};  // by player id, as markFight left it
  bool left_[kPlayerCount] = {};   // the fight the director cut away from last
  bool running_ = false;
  bool moving_ = false;  // the leader has moved off since the race began
  std::uint8_t resultCount_ = 0;
  std::uint16_t leaderLap_ = 0;
  std::uint32_t startMs_ = 0;
  std::int32_t winner_ = -1;
  std::uint32_t winnerMs_ = 0;
  std::int32_t shotCar_ = -1;
  std::uint32_t shotStartMs_ = 0;
  std::int32_t previousCar_ = -1;
  std::uint32_t leftPreviousMs_ = 0;
};

}  // namespace director
