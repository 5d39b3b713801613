// What the simulator sends as the race goes on: the position sets, laps, splits, pit stops,
// contact reports and results, the players and the race start when they are asked for, and the
// state report whenever what it reports has changed.
#include <algorithm>
#include <cmath>
#include <utility>

#include "tools/racesim/simulator.h"
#include "tools/racesim/wire/contact.h"
#include "tools/racesim/wire/positions.h"
#include "tools/racesim/wire/race_events.h"

namespace racesim {

void Simulator::SendPositions() {
  if (!CarsOnTrack()) return;
  const Race& race = *race_;
  const std::uint8_t leader = race.Cars()[static_cast<std::size_t>(race.Order().front())].plid;
  if (camera_.mode == CameraMode::kSimulator && camera_.viewPlid != leader) {
    camera_.viewPlid = leader;  // the simulator's own cameras stay with the leader
    StateChanged();
  }
  std::vector<CarRecord> records;
  for (int i : race.Order()) records.push_back(race.Record(i));
  const std::vector<Bytes> packets =
      options_.version == 3
          ? EncodeV3Mci(records)
          : EncodeMci(records, options_.version == kInsim10 ? kCarsPerMci10 : kCarsPerMci);
  for (const Bytes& p : packets) Send(p);
  SendPitLaneChanges();
  // Screen time is what a viewer sees: scenario time between sets, on the grid and in the race.
  const double shown = std::min(scenarioMs_ - lastObservedMs_, 2.0 * interval_);
  lastObservedMs_ = scenarioMs_;
  log_.Observe(camera_, race, static_cast<std::uint32_t>(std::max(shown, 0.0)),
               (phase_ == Phase::kGrid || phase_ == Phase::kRace) && !race.AllFinished());
}

void Simulator::SendPitLaneChanges() {
  // Version 3 has no pit lane packet; the newer versions say when a car enters and leaves.
  const Race& race = *race_;
  if (inPitLane_.size() != race.Cars().size()) inPitLane_.assign(race.Cars().size(), false);
  for (std::size_t i = 0; i < race.Cars().size(); ++i) {
    const bool in = race.InPitLane(static_cast<int>(i));
    if (in == inPitLane_[i]) continue;
    inPitLane_[i] = in;
    if (options_.version != 3) {
      Send(EncodePitLane({race.Cars()[i].plid, in ? PITLANE_ENTER : PITLANE_EXIT}));
    }
  }
}

void Simulator::HandleRaceEvents() {
  for (const RaceEvent& e : race_->TakeEvents()) {
    log_.OnRaceEvent(e, *race_);
    TraceTruth(e);
    SendRaceEvent(e);
  }
  if (phase_ == Phase::kRace && race_->AllFinished()) EnterPhase(Phase::kAfter);
}

void Simulator::SendRaceEvent(const RaceEvent& e) {
  const bool v3 = options_.version == 3;
  const Car& c = race_->Cars()[static_cast<std::size_t>(e.car)];
  const auto stops = static_cast<std::uint8_t>(e.stops);
  const auto laps = static_cast<std::uint16_t>(e.lapsDone);
  const std::string who = ",\"plid\":" + std::to_string(c.plid);
  switch (e.kind) {
    case RaceEventKind::kSplit: {
      const SplitPacket split{c.plid, e.lapMs, e.elapsedMs, static_cast<std::uint8_t>(e.split),
                              stops};
      if (ready_) Send(v3 ? EncodeV3Split(split, NextAck("SPn")) : EncodeSpx(split));
      break;
    }
    case RaceEventKind::kLap: {
      const LapPacket lap{c.plid, e.lapMs, e.elapsedMs, laps, stops};
      if (ready_) Send(v3 ? EncodeV3Lap(lap, NextAck("LAP")) : EncodeLap(lap));
      break;
    }
    case RaceEventKind::kPitStop:
      if (ready_) {
        const PitPacket pit{c.plid, laps, stops};
        Send(v3 ? EncodeV3Pit(pit, NextAck("PIT")) : EncodePit(pit));
      }
      TraceEvent("pit", who + ",\"stops\":" + std::to_string(e.stops));
      break;
    case RaceEventKind::kFinish:
      SendResults();
      TraceEvent("finish", who + ",\"position\":" + std::to_string(e.position) +
                               ",\"laps\":" + std::to_string(e.lapsDone));
      StateChanged();
      break;
    case RaceEventKind::kOvertake:
      TraceEvent("overtake",
                 who + ",\"passed\":" +
                     std::to_string(race_->Cars()[static_cast<std::size_t>(e.other)].plid) +
                     ",\"position\":" + std::to_string(e.position));
      break;
    case RaceEventKind::kIncident:
      if (e.incident == IncidentKind::kContact) SendContact(e);
      break;
    case RaceEventKind::kMistake:
      break;
  }
}

namespace {

// A car of IS_CON from its position record: m/s, 256ths of a turn, 16ths of a metre.
ContactCar ContactOf(const CarRecord& r) {
  const auto metres16 = [](std::int32_t world) {
    const std::int32_t v = world / (static_cast<std::int32_t>(kWorldPerMetre) / 16);
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
  };
  ContactCar c;
  c.plid = r.plid;
  c.speed = static_cast<std::uint8_t>(std::min(255L, std::lround(r.speed / kSpeedPerMs)));
  c.direction = static_cast<std::uint8_t>(r.direction >> 8);
  c.heading = static_cast<std::uint8_t>(r.heading >> 8);
  c.x = metres16(r.x);
  c.y = metres16(r.y);
  return c;
}

}  // namespace

void Simulator::SendContact(const RaceEvent& e) {
  if (!contacts_ || !ready_ || e.other < 0) return;
  ContactPacket con;
  con.closingTenths = static_cast<std::uint16_t>(std::min(4095L, std::lround(e.closingMs * 10)));
  con.time = static_cast<std::uint16_t>(e.timeMs / 10);
  con.a = ContactOf(race_->Record(e.car));
  con.b = ContactOf(race_->Record(e.other));
  if (con.b.plid < con.a.plid) std::swap(con.a, con.b);  // A is the lower player id
  Send(EncodeContact(con));
  TraceEvent("contact_report", ",\"plids\":[" + std::to_string(con.a.plid) + "," +
                                   std::to_string(con.b.plid) +
                                   "],\"closing\":" + std::to_string(con.closingTenths));
}

void Simulator::TraceTruth(const RaceEvent& e) {
  std::string kind;
  if (e.kind == RaceEventKind::kIncident) {
    kind = IncidentName(e.incident);
  } else if (OnTrackOvertake(e)) {
    kind = "overtake";
  } else if (e.kind == RaceEventKind::kPitStop) {
    kind = "pit";
  } else {
    return;
  }
  const auto plid = [this](int car) {
    return std::to_string(race_->Cars()[static_cast<std::size_t>(car)].plid);
  };
  std::string fields = ",\"kind\":\"" + kind + "\",\"race\":" + std::to_string(raceIndex_ + 1) +
                       ",\"at_ms\":" + std::to_string(e.timeMs) + ",\"plid\":" + plid(e.car);
  if (e.other >= 0 && e.kind != RaceEventKind::kPitStop) fields += ",\"other\":" + plid(e.other);
  if (e.kind == RaceEventKind::kIncident && e.incident == IncidentKind::kStopped) {
    fields += std::string(",\"retires\":") + (e.retires ? "true" : "false");
  }
  TraceEvent("truth", fields);
}

void Simulator::SendResults() {
  const std::vector<int> classified = race_->Classification();
  for (std::size_t i = 0; i < classified.size(); ++i) {
    const int car = classified[i];
    std::uint8_t& sent = resultNum_[static_cast<std::size_t>(car)];
    if (sent == i + 1) continue;
    sent = static_cast<std::uint8_t>(i + 1);
    if (!ready_) continue;
    const Car& c = race_->Cars()[static_cast<std::size_t>(car)];
    ResultInfo r;
    r.player = Player(car);
    r.totalMs = c.finishMs;
    r.bestLapMs = c.bestLapMs;
    r.stops = static_cast<std::uint8_t>(c.stops);
    r.lapsDone = static_cast<std::uint16_t>(c.lapsDone);
    r.resultNum = static_cast<std::uint8_t>(i);
    r.numRes = static_cast<std::uint8_t>(classified.size());
    Send(options_.version == 3 ? EncodeV3Res(r, NextAck("RES")) : EncodeRes(r));
  }
}

void Simulator::SendPlayers(std::uint8_t reqI) {
  if (!CarsOnTrack()) return;
  const auto n = static_cast<std::uint8_t>(race_->Cars().size());
  for (int i = 0; i < n; ++i) Send(EncodeNpl({reqI, Player(i), n}));
}

void Simulator::SendRaceStart(std::uint8_t reqI) {
  const Track& t = *track_;
  RaceStart start;
  start.reqI = reqI;
  start.raceLaps = EncodeRaceLaps(race_->Laps());
  start.numP = static_cast<std::uint8_t>(race_->Cars().size());
  start.track = t.Name();
  if (options_.version == 3) {
    Send(EncodeV3Rst(start, NextAck("RST")));
    return;
  }
  start.numNodes = static_cast<std::uint16_t>(t.NodeCount());
  start.finish = static_cast<std::uint16_t>(t.FinishNode());
  start.split1 = static_cast<std::uint16_t>(t.Wrap(t.FinishNode() + t.NodeCount() / 3));
  start.split2 = static_cast<std::uint16_t>(t.Wrap(t.FinishNode() + 2 * t.NodeCount() / 3));
  Send(EncodeRst(start));
}

StateReport Simulator::CurrentState() const {
  StateReport s;
  s.flags = baseFlags_;
  if (CarsOnTrack()) {
    s.flags |= options_.replay ? ISS_REPLAY : ISS_GAME;
    s.numP = static_cast<std::uint8_t>(race_->Cars().size());
    s.numFinished = static_cast<std::uint8_t>(race_->NumFinished());
    s.raceInProg = 1;
    s.raceLaps = EncodeRaceLaps(race_->Laps());
    s.viewPlid = camera_.viewPlid;
  }
  if (paused_) s.flags |= ISS_PAUSED;
  if (camera_.mode == CameraMode::kFree) s.flags |= ISS_SHIFTU;
  s.replaySpeed = options_.replay ? replaySpeed_ : 1.0f;
  s.inGameCam = camera_.inGameCam;
  s.numConns = 1;
  s.track = track_->Name();
  return s;
}

void Simulator::SendState(std::uint8_t reqI) {
  const StateReport s = CurrentState();
  Send(options_.version == 3 ? EncodeV3Sta(s) : EncodeSta(reqI, s));
  lastState_ = s;
  stateSent_ = true;
}

void Simulator::StateChanged() {
  if (!ready_) return;
  if (!stateSent_ || !(CurrentState() == lastState_)) SendState(0);
}

}  // namespace racesim
