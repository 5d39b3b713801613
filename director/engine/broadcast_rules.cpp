#include "director/engine/broadcast_rules.h"

#include <cmath>
#include <initializer_list>

#include "director/engine/director_math.h"
#include "director/engine/incident_reason.h"
#include "director/insim/packet_init.h"

namespace director {

namespace {

constexpr double kStillSpeedMs = 1.0;
// Neighbours closer than this in time are one fight.
constexpr double kFightGapSeconds = 1.0;
// RaceLaps from 100 on counts laps in tens or hours: no last lap to watch.
constexpr std::uint8_t kMaxPlainLaps = 99;

bool ValidCar(std::int32_t id) { return id > 0 && id < kPlayerCount; }

// The car the simulator puts first; where it names none, the first by distance. At the line two
// cars a few metres apart can share a node, and only the simulator knows which one is ahead.
std::int32_t RaceLeader(const RaceState& race) {
  const RaceOrder& order = race.raceOrder;
  for (int i = 0; i < order.count; ++i) {
    if (race.players[order.ids[i]].carSample.position == 1) return order.ids[i];
  }
  return order.count > 0 ? order.ids[0] : -1;
}

// The mean distance between neighbouring nodes, metres.
double MetresPerNode(const TrackLimitsView& view) {
  double sum = 0.0;
  for (std::uint32_t i = 0; i < view.count; ++i) {
    const TrackLimitNode& a = view.nodes[i];
    const TrackLimitNode& b = view.nodes[(i + 1) % view.count];
    const double dx = (static_cast<double>(b.x) - a.x) / kWorldUnitsPerMetre;
    const double dy = (static_cast<double>(b.y) - a.y) / kWorldUnitsPerMetre;
    sum += std::sqrt(dx * dx + dy * dy);
  }
  return view.count > 0 ? sum / view.count : 0.0;
}

}  // namespace

void BroadcastRules::reset() {
  detector_.reset();
  reported_.clear();
  for (int i = 0; i < kPlayerCount; ++i) {
    slow_[i] = false;
    excluded_[i] = false;
    fight_[i] = false;
    left_[i] = false;
  }
  running_ = false;
  moving_ = false;
  resultCount_ = 0;
  leaderLap_ = 0;
  winner_ = -1;
  shotCar_ = -1;
  previousCar_ = -1;
}

void BroadcastRules::setTrack(const TrackPath* track) {
  reset();
  nodeCount_ = 0;
  TrackLimitsView view;
  if (track != nullptr) {
    view = fillTrackLimits(*track, nodes_, kMaxPathNodes);
    nodeCount_ = view.count;
  }
  metresPerNode_ = MetresPerNode(view);
  detector_.setTrack(view);
}

void BroadcastRules::observe(const RaceState& race, const StateReport& report) {
  now_ += kPositionIntervalMs;
  const std::uint32_t now = now_;
  const bool running = race.raceStarted != 0 && report.RaceWithLaps();
  const RaceOrder& order = race.raceOrder;
  const std::uint16_t leaderLap =
      order.count > 0 ? race.players[order.ids[0]].carSample.lap : std::uint16_t{0};
  // Between two races the front end sends no positions, so the rules may see the next race
  // begin without a set in between: its results are gone and its leader is back on lap 1.
  const bool nextRace = (resultCount_ > 0 && race.resultCount == 0) ||
                        (leaderLap <= 1 && leaderLap_ > 1);
  if (running && (!running_ || nextRace)) {
    startMs_ = now;
    moving_ = false;
    winner_ = -1;
  }
  running_ = running;
  resultCount_ = race.resultCount;
  leaderLap_ = leaderLap;
  for (int i = 0; i < order.count; ++i) {
    const std::uint8_t id = order.ids[i];
    const PlayerRecord& r = race.players[id];
    samples_[i] = sampleFromCompCar(r.carSample, r.inPitLane != 0);
    const bool still = sampleSpeedMs(samples_[i]) < kStillSpeedMs;
    if (still && !slow_[id]) slowSince_[id] = now;
    slow_[id] = still;
  }
  // The start is shown from the lights (the leader moves off), however long the grid stood.
  if (running_ && !moving_ && order.count > 0 && !slow_[order.ids[0]]) {
    moving_ = true;
    startMs_ = now;
  }
  detector_.update(samples_, order.count, now, running);
  watchFlag(race, report);
}

void BroadcastRules::watchFlag(const RaceState& race, const StateReport& report) {
  if (!running_ || winner_ >= 0 || report.raceLaps > kMaxPlainLaps) return;
  const RaceOrder& order = race.raceOrder;
  for (int i = 0; i < order.count; ++i) {
    if (race.players[order.ids[i]].carSample.lap > report.raceLaps) {
      winner_ = order.ids[i];
      winnerMs_ = now_;
      return;
    }
  }
}

bool BroadcastRules::flagFocus(const RaceState& race, const StateReport& report, double seconds,
                               Focus* f) const {
  if (!running_) return false;
  if (winner_ >= 0) {
    if (now_ - winnerMs_ >= kFlagHoldMs) return false;
    f->car = winner_;
    reasonText(&f->reason, kReasonWinnerAtFlag);
    return true;
  }
  const std::int32_t lead = RaceLeader(race);
  if (lead < 0 || nodeCount_ == 0 || report.raceLaps > kMaxPlainLaps) return false;
  // The lap as the distance counts it: just over the line the simulator's lap may already be
  // the next one while its node is still the one before the line.
  const PlayerRecord& leader = race.players[lead];
  if (leader.lapFigure != report.raceLaps || leader.lapPosition > nodeCount_) return false;
  const double metres = (nodeCount_ - leader.lapPosition) * metresPerNode_;
  const double speed = sampleSpeedMs(sampleFromCompCar(leader.carSample, false));
  const double pace = speed > kStillSpeedMs ? speed : kStillSpeedMs;
  if (metres > seconds * pace) return false;
  f->car = lead;
  f->line = metres <= kLineShotSeconds * pace;
  reasonText(&f->reason, kReasonWinnerAtFlag);
  return true;
}

void BroadcastRules::liveEvents(std::int32_t followed, bool shotYoung,
                                const DetectedEvent** incident,
                                const DetectedEvent** overtake) const {
  *incident = nullptr;
  *overtake = nullptr;
  for (const EventLog* log : {&detector_.events(), &reported_}) {
    for (int i = 0; i < log->count(); ++i) {
      const DetectedEvent& e = log->newest(i);
      if (!eventLive(e, now_)) continue;
      const bool kind = isIncident(e.kind);
      const DetectedEvent** slot = kind ? incident : overtake;
      // The followed car's own event keeps the shot (its incident only until the shot has lasted
      // kShortestShotMs: a fresh incident elsewhere is then worth the cut); otherwise the most
      // interesting one wins.
      const std::int32_t keep = kind && !shotYoung ? -1 : followed;
      if (*slot == nullptr || e.plid == keep ||
          ((*slot)->plid != keep && eventInterest(e, now_) > eventInterest(**slot, now_))) {
        *slot = &e;
      }
    }
  }
}

bool BroadcastRules::eventFocus(const DetectedEvent* e, Focus* f) const {
  if (e == nullptr) return false;
  f->car = e->plid;
  formatEventReason(*e, nullptr, f->reason.text, sizeof f->reason.text);
  return true;
}

// An overtake by or on the car just left would cut straight back to it: only an incident may.
bool BroadcastRules::backToCarJustLeft(const DetectedEvent& e, std::int32_t followed) const {
  if (!ValidCar(previousCar_) || now_ - leftPreviousMs_ >= kPingPongMs) return false;
  if (e.plid == followed || e.other == followed) return false;
  return left_[e.plid] || left_[e.other];
}

Focus BroadcastRules::focus(const RaceState& race, const StateReport& report,
                            std::int32_t followed) const {
  const std::uint32_t now = now_;
  Focus f;
  if (flagFocus(race, report, kLineShotSeconds, &f)) return f;
  if (running_ && (!moving_ || now - startMs_ < kStartShowMs) && race.raceOrder.count > 0) {
    f.car = race.raceOrder.ids[0];
    reasonText(&f.reason, kReasonLeaderAtStart);
    return f;
  }
  const std::uint32_t age = shotCar_ < 0 ? kMinShotMs : now - shotStartMs_;
  const DetectedEvent* incident;
  const DetectedEvent* overtake;
  liveEvents(followed, age < kShortestShotMs, &incident, &overtake);
  Focus leader;
  if (flagFocus(race, report, kFlagApproachSeconds, &leader)) {
    return approachFocus(race, report, leader, incident, followed, age);
  }
  if (eventFocus(incident, &f)) return f;
  if (overtakeFocus(overtake, followed, age, &f)) return f;
  holdFocus(race, followed, age, kMinShotMs, &f);
  return f;
}

// The leader's last seconds before the flag: the director goes to the leader once its shot has
// lasted kShortestShotMs and stays there. An incident still cuts in while its shot can last
// kShortestShotMs before the line's shot; the leader left for it is not cut back to (that
// would be a ping-pong): the line's shot brings the winner back.
Focus BroadcastRules::approachFocus(const RaceState& race, const StateReport& report,
                                    const Focus& leader, const DetectedEvent* incident,
                                    std::int32_t followed, std::uint32_t age) const {
  Focus f;
  const double lastCut = kLineShotSeconds + kShortestShotMs / 1000.0;
  if (incident != nullptr && !flagFocus(race, report, lastCut, &f)) {
    eventFocus(incident, &f);
    return f;
  }
  if (leader.car == followed) return leader;
  const bool leftLeader = previousCar_ == leader.car && now_ - leftPreviousMs_ < kPingPongMs;
  if (age >= kShortestShotMs && !leftLeader) return leader;
  f = Focus();
  holdFocus(race, followed, age, UINT32_MAX, &f);  // nothing else cuts in
  return f;
}

void BroadcastRules::holdFocus(const RaceState& race, std::int32_t followed, std::uint32_t age,
                               std::uint32_t limit, Focus* f) const {
  if (!ValidCar(followed) || followed != shotCar_ || age >= limit) return;
  // A car that turns into the pit lane is left, once its shot has lasted kShortestShotMs.
  const PlayerRecord& r = race.players.records[followed];
  if (r.listed != 0 && (r.inPitLane == 0 || age < kShortestShotMs)) {
    f->car = followed;
    f->hold = true;
  }
}

bool BroadcastRules::overtakeFocus(const DetectedEvent* e, std::int32_t followed,
                                   std::uint32_t age, Focus* f) const {
  if (e == nullptr) return false;
  if (e->plid == followed || e->other == followed) {
    // The pass is in the picture already: the followed car stays, for the overtake.
    eventFocus(e, f);
    f->car = followed;
    return true;
  }
  return !backToCarJustLeft(*e, followed) && age >= kMinShotMs && eventFocus(e, f);
}

bool BroadcastRules::parked(std::uint8_t plid) const {
  return slow_[plid] && now_ - slowSince_[plid] >= kParkedAfterMs;
}

bool BroadcastRules::liveIncidentOn(std::uint8_t plid) const {
  for (const EventLog* log : {&detector_.events(), &reported_}) {
    for (int i = 0; i < log->count(); ++i) {
      const DetectedEvent& e = log->newest(i);
      if (isIncident(e.kind) && (e.plid == plid || e.other == plid) && eventLive(e, now_)) {
        return true;
      }
    }
  }
  return false;
}

void BroadcastRules::noteEvent(EventKind kind, std::uint8_t plid) { addReported(kind, plid, 0); }

void BroadcastRules::noteContact(std::uint8_t a, std::uint8_t b, double closingMs) {
  if (closingMs < kContactClosingMs || a == b) return;
  if (reported_.hasLive(EventKind::kContact, a, b, now_) ||
      reported_.hasLive(EventKind::kContact, b, a, now_)) {
    return;
  }
  // Both cars are in one picture: a shot on either of them stays on its car.
  const bool onB = shotCar_ == b;
  addReported(EventKind::kContact, onB ? b : a, onB ? a : b);
}

void BroadcastRules::addReported(EventKind kind, std::uint8_t plid, std::uint8_t other) {
  if (reported_.hasLive(kind, plid, other, now_)) return;
  DetectedEvent e;
  e.kind = kind;
  e.plid = plid;
  e.other = other;
  e.startMs = now_;
  reported_.add(e);
}

bool BroadcastRules::closeBehind(int ahead, int behind) const {
  const double speed = sampleSpeedMs(samples_[behind]);
  return speed >= kStillSpeedMs &&
         carDistanceMetres(samples_[ahead], samples_[behind]) < kFightGapSeconds * speed;
}

void BroadcastRules::markFight(const RaceOrder& order) {
  for (bool& f : fight_) f = false;
  int at = -1;
  for (int i = 0; i < order.count; ++i) {
    if (order.ids[i] == shotCar_) at = i;
  }
  if (at < 0) return;
  fight_[shotCar_] = true;
  for (int i = at - 1; i >= 0 && closeBehind(i, at); --i) fight_[order.ids[i]] = true;
  for (int i = at + 1; i < order.count && closeBehind(at, i); ++i) fight_[order.ids[i]] = true;
}

void BroadcastRules::quieten(RaceState& race) {
  const RaceOrder& order = race.raceOrder;
  markFight(order);
  const bool pingPong = ValidCar(previousCar_) && now_ - leftPreviousMs_ < kPingPongMs;
  for (int i = 0; i < order.count; ++i) {
    const std::uint8_t id = order.ids[i];
    PlayerRecord& r = race.players[id];
    // A car on the grid waiting for the lights stands still too, and is no parked car.
    const bool stillAway = running_ && parked(id) && !liveIncidentOn(id);
    // Not back to the fight just left either: its other cars would bring back the same picture.
    excluded_[id] = r.inPitLane != 0 || stillAway || (pingPong && left_[id]);
    if (excluded_[id]) r.interest = 0;
  }
}

void BroadcastRules::noteShot(std::int32_t car, bool cut) {
  const std::uint32_t now = now_;
  if (car != shotCar_) {
    if (shotCar_ >= 0) {
      previousCar_ = shotCar_;
      leftPreviousMs_ = now;
      for (int i = 0; i < kPlayerCount; ++i) left_[i] = fight_[i];
    }
    shotCar_ = car;
    shotStartMs_ = now;
  } else if (cut) {
    shotStartMs_ = now;  // another camera on the same car starts a new shot
  }
}

}  // namespace director
