// The scenario's phases: front end, grid, race, after the finish, front end again, and done. The
// scenario clock is advanced to each next moment something happens (a position set, a scheduled
// command, the end of a phase), and the race clock runs with it while the race is on.
#include <algorithm>
#include <cmath>

#include "tools/racesim/simulator.h"
#include "tools/racesim/wire/players.h"

namespace racesim {

namespace {
constexpr int kMaxStepsPerPass = 100000;
constexpr std::uint32_t kRaceSeedStride = 1000003u;
}  // namespace

void Simulator::NewRace() {
  RaceOptions ro = options_.race;
  ro.seed = options_.race.seed + static_cast<std::uint32_t>(raceIndex_) * kRaceSeedStride;
  race_ = std::make_unique<Race>(*track_, ro);
  inPitLane_.clear();
  raceClockMs_ = 0;
  raceFedMs_ = 0;
  resultNum_.assign(race_->Cars().size(), 0);
}

double Simulator::PhaseDeadline() const {
  switch (phase_) {
    case Phase::kLobby:
      return phaseStartMs_ + options_.lobbyMs;
    case Phase::kGrid:
      return phaseStartMs_ + options_.gridMs;
    case Phase::kAfter:
      return phaseStartMs_ + options_.afterMs;
    case Phase::kFrontEnd:
      return phaseStartMs_ + options_.lingerMs;
    default:
      return -1;
  }
}

void Simulator::AdvanceScenario(double target) {
  for (int guard = 0; guard < kMaxStepsPerPass && phase_ != Phase::kDone; ++guard) {
    const bool positions = ready_ && interval_ > 0 && CarsOnTrack();
    if (positions && nextPositionsMs_ < scenarioMs_) nextPositionsMs_ = scenarioMs_;
    double stop = target;
    if (positions) stop = std::min(stop, nextPositionsMs_);
    const bool scheduled = nextScheduled_ < options_.schedule.size();
    if (scheduled) {
      stop = std::min(stop, static_cast<double>(options_.schedule[nextScheduled_].atMs));
    }
    const double deadline = PhaseDeadline();
    if (deadline >= 0) stop = std::min(stop, deadline);
    if (stop > scenarioMs_) {
      RunRaceClock(stop);
      scenarioMs_ = stop;
    }
    log_.SetTime(static_cast<std::uint32_t>(scenarioMs_));
    if (scheduled && scenarioMs_ >= options_.schedule[nextScheduled_].atMs) {
      const std::string command = options_.schedule[nextScheduled_++].command;
      Command(command);
    } else if (deadline >= 0 && scenarioMs_ >= deadline) {
      LeavePhase();
    } else if (positions && scenarioMs_ >= nextPositionsMs_) {
      SendPositions();
      nextPositionsMs_ += interval_;
    } else if (scenarioMs_ >= target) {
      break;
    }
  }
}

void Simulator::RunRaceClock(double until) {
  if ((phase_ != Phase::kRace && phase_ != Phase::kAfter) || paused_) return;
  raceClockMs_ += (until - scenarioMs_) * replaySpeed_;
  const auto total = static_cast<std::uint32_t>(std::floor(raceClockMs_ + 1e-6));
  if (total > raceFedMs_) {
    race_->Step(total - raceFedMs_);
    raceFedMs_ = total;
    HandleRaceEvents();
  }
}

void Simulator::LeavePhase() {
  switch (phase_) {
    case Phase::kLobby:
      EnterPhase(Phase::kGrid);
      break;
    case Phase::kGrid:
      EnterPhase(Phase::kRace);
      break;
    case Phase::kAfter:
      EnterPhase(Phase::kFrontEnd);
      break;
    case Phase::kFrontEnd:
      if (++raceIndex_ < options_.races) {
        NewRace();
        EnterPhase(Phase::kGrid);
      } else {
        EnterPhase(Phase::kDone);
      }
      break;
    default:
      break;
  }
}

void Simulator::EnterPhase(Phase phase) {
  phase_ = phase;
  phaseStartMs_ = scenarioMs_;
  log_.SetTime(static_cast<std::uint32_t>(scenarioMs_));
  switch (phase) {
    case Phase::kLobby:
      Log("sim", "front end (track " + track_->Name() + ")");
      camera_.viewPlid = 0;
      StateChanged();
      break;
    case Phase::kGrid:
      EnterGrid();
      break;
    case Phase::kRace:
      race_->Start();
      log_.StartRace();
      raceRan_ = true;
      facts_.raceRan = true;
      Log("race", "lights out");
      TraceEvent("lights_out");
      break;
    case Phase::kAfter:
      log_.EndRace();
      Log("race", "every car has finished");
      TraceEvent("all_finished");
      break;
    case Phase::kFrontEnd:
      Log("sim", "back to the front end");
      camera_.viewPlid = 0;
      paused_ = false;
      StateChanged();
      TraceEvent("front_end");
      break;
    case Phase::kDone:
    case Phase::kWaiting:
      break;
  }
}

void Simulator::EnterGrid() {
  const auto cars = static_cast<std::uint8_t>(race_->Cars().size());
  Log("sim", std::string(options_.replay ? "replay" : "game") + " starts: " + std::to_string(cars) +
                 " cars, " + std::to_string(race_->Laps()) + " laps");
  if (camera_.mode == CameraMode::kSimulator || camera_.viewPlid == 0) {
    camera_.viewPlid = race_->Cars()[static_cast<std::size_t>(race_->Order().front())].plid;
  }
  StateChanged();
  if (ready_ && options_.version != 3) {
    for (int i = 0; i < cars; ++i) Send(EncodeNpl({0, Player(i), cars}));
  }
  if (ready_ && options_.version == kInsim10) {
    // A 0.8 simulator lists the start order before the race starts.
    std::vector<std::uint8_t> order;
    for (int i : race_->Order()) order.push_back(race_->Cars()[static_cast<std::size_t>(i)].plid);
    Send(EncodeReo10(0, order));
  }
  if (ready_) SendRaceStart(0);
  TraceEvent("race_start", ",\"race\":" + std::to_string(raceIndex_ + 1));
  nextPositionsMs_ = scenarioMs_;
}

}  // namespace racesim
