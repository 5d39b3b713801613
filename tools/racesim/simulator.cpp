#include "tools/racesim/simulator.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/thread.h"
#include "tools/racesim/wire/requests.h"

namespace racesim {

namespace {

constexpr std::uint32_t kVersionGraceMs = 1000;
constexpr std::uint32_t kV3IdleMs = 60000;
constexpr std::uint32_t kAckWaitMs = 5000;
constexpr std::uint32_t kFinalAckWaitMs = 1000;

bool Reached(std::uint32_t now, std::uint32_t when) {
  return static_cast<std::int32_t>(now - when) >= 0;
}

std::string WithSeparator(std::string dir) {
  if (!dir.empty() && dir.back() != plat::kPathSep) dir += plat::kPathSep;
  return dir;
}

}  // namespace

Simulator::Simulator(const SimOptions& options, std::ostream& out)
    : options_(options), out_(out), log_(out, options.quiet) {
  options_.simDir = WithSeparator(options_.simDir);
  options_.programDir = WithSeparator(options_.programDir);
  if (options_.mpSpeedup) baseFlags_ |= ISS_MPSPEEDUP;
}

std::uint32_t Simulator::WallMs() const { return plat::TickCount() - startWall_; }

std::uint32_t Simulator::RaceMs() const { return race_ ? race_->TimeMs() : 0; }

void Simulator::Log(const std::string& kind, const std::string& text) { log_.Note(kind, text); }

void Simulator::TraceEvent(const std::string& name, const std::string& fields) {
  trace_.Event(WallMs(), RaceMs(), name, fields);
}

bool Simulator::Prepare(std::string* error) {
  startWall_ = lastWall_ = plat::TickCount();
  track_ = std::make_unique<Track>(options_.track);
  if (!WriteFiles(error)) return false;
  if (!options_.tracePath.empty() && !trace_.Open(options_.tracePath)) {
    *error = "cannot write the trace file " + options_.tracePath;
    return false;
  }
  if (!server_.Open(options_.version, options_.port, error)) return false;
  log_.SetCameras(cameras_);
  if (!options_.simDir.empty() && options_.views) {
    log_.SetSimDirectory(options_.simDir, options_.simVersion);
  }
  NewRace();
  facts_.connection = "no director connected";
  char line[200];
  std::snprintf(line, sizeof(line),
                "InSim %d over %s on 127.0.0.1:%u, simulator version %s; waiting for the director",
                options_.version, options_.version == 3 ? "UDP" : "TCP", server_.Port(),
                options_.simVersion.c_str());
  Log("racesim", line);
  TraceEvent("listening", ",\"port\":" + std::to_string(server_.Port()) +
                              ",\"version\":" + std::to_string(options_.version));
  return true;
}

bool Simulator::CarsOnTrack() const {
  return phase_ == Phase::kGrid || phase_ == Phase::kRace || phase_ == Phase::kAfter;
}

PlayerInfo Simulator::Player(int car) const {
  const Car& c = race_->Cars()[static_cast<std::size_t>(car)];
  PlayerInfo p;
  p.plid = c.plid;
  p.flags = c.driver.flags;
  p.name = c.driver.name;
  p.car = c.driver.car;
  p.plate = "RS " + std::to_string(c.plid);
  return p;
}

void Simulator::Tick() {
  server_.Poll(*this);
  // Taken after the packets were handled: their arrival times are never later than now.
  const std::uint32_t now = plat::TickCount();
  const std::uint32_t dWall = now - lastWall_;
  lastWall_ = now;
  if (phase_ == Phase::kDone) return;
  if (options_.maxSeconds > 0 && now - startWall_ > options_.maxSeconds * 1000.0) {
    Log("racesim", "time limit reached");
    phase_ = Phase::kDone;
    return;
  }
  BecomeReadyOnceVersionRead(now);
  if (started_) AdvanceScenario(scenarioMs_ + dWall * options_.speed);
  KeepAlive(now);
  if (introduced_ && options_.version == 3 && now - lastFromDirectorWall_ > kV3IdleMs) {
    EndSession("nothing from the director for 60 s", true);
  }
  ExpireAcks(now);
}

void Simulator::BecomeReadyOnceVersionRead(std::uint32_t now) {
  // A director looks for its version in the first read after asking (an older one takes the
  // read's first bytes as the version), so the reply goes out alone: nothing else before the
  // director shows it has read it (its next packet, the greeting). A director that asks for no
  // version, or never speaks again, gets the packets after a grace.
  const bool versionRead =
      versionAnswered_ && (heardAfterVersion_ || now - versionWall_ >= kVersionGraceMs);
  if (!introduced_ || ready_ ||
      !(versionRead || (!versionAnswered_ && now - introducedWall_ >= kVersionGraceMs))) {
    return;
  }
  ready_ = true;
  if (!started_) {
    started_ = true;
    scenarioMs_ = 0;
    EnterPhase(Phase::kLobby);
  } else {
    StateChanged();
  }
  nextPositionsMs_ = scenarioMs_;
}

void Simulator::KeepAlive(std::uint32_t now) {
  if (!ready_ || options_.version == 3 || options_.keepAliveMs == 0 ||
      !Reached(now, nextProbeWall_)) {
    return;
  }
  if (probeOutstanding_) {
    EndSession("the director did not answer the keep-alive probe", true);
    return;
  }
  Send(EncodeTiny({0, TINY_NONE}));
  probeOutstanding_ = true;
  probeSentWall_ = now;
  ++facts_.keepAliveProbes;
  nextProbeWall_ = now + options_.keepAliveMs;
  TraceEvent("probe");
}

void Simulator::ExpireAcks(std::uint32_t now) {
  for (auto it = acksPending_.begin(); it != acksPending_.end();) {
    // Signed: a packet sent during this pass carries a later tick than now.
    if (static_cast<std::int32_t>(now - it->second.second) <=
        static_cast<std::int32_t>(kAckWaitMs)) {
      ++it;
      continue;
    }
    ++facts_.acksMissing;
    Log("link", "no ACK for " + it->second.first + " " + std::to_string(it->first));
    TraceEvent("ack_missing", ",\"packet\":" + JsonString(it->second.first) +
                                  ",\"word\":" + std::to_string(it->first));
    it = acksPending_.erase(it);
  }
}

void Simulator::Finish() {
  // Acknowledgements still on their way are waited for a moment before they count as missing.
  const std::uint32_t until = plat::TickCount() + kFinalAckWaitMs;
  while (!acksPending_.empty() && introduced_ && !Reached(plat::TickCount(), until)) {
    server_.Poll(*this);
    plat::SleepMs(2);
  }
  facts_.acksMissing += static_cast<int>(acksPending_.size());
  acksPending_.clear();
  facts_.simDir = options_.simDir;
  facts_.simVersion = options_.simVersion;
  const std::string json = log_.Summary(facts_, raceRan_ ? race_.get() : nullptr);
  TraceEvent("summary", json);
  server_.Drop();
}

}  // namespace racesim
