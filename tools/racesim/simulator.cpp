#include "tools/racesim/simulator.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>

#include "link/message_queue.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "platform/thread.h"
#include "tools/racesim/view_files.h"
#include "tools/racesim/wire10.h"

namespace racesim {

using plat::GetI32;
using plat::GetU16;
using plat::GetU32;

namespace {

constexpr std::uint32_t kMinIntervalMs = 10;
constexpr std::uint32_t kVersionGraceMs = 1000;
constexpr std::uint32_t kV3IdleMs = 60000;
constexpr std::uint32_t kAckWaitMs = 5000;
constexpr char kHostName[] = "^7Host";
constexpr std::uint8_t kMsoSystem = 0;
constexpr std::uint8_t kMsoUser = 1;
constexpr char kPathComplaint[] = "could not load pth file";

constexpr std::uint32_t kMsPerRaceTimeUnit = 10;  // SMALL_RTP before version 10: hundredths

CarRecord10 Record10(const director::CompCar& c) {
  CarRecord10 r;
  r.node = c.node;
  r.lap = c.lap;
  r.plid = c.plid;
  r.position = c.position;
  r.info = c.info;
  r.x = c.x;
  r.y = c.y;
  r.z = c.z;
  r.speed = c.speed;
  r.direction = c.direction;
  r.heading = c.heading;
  r.angVel = c.angVel;
  return r;
}

bool Reached(std::uint32_t now, std::uint32_t when) {
  return static_cast<std::int32_t>(now - when) >= 0;
}

director::CameraPositionRecord ReadCamera(const std::uint8_t* p) {
  director::CameraPositionRecord r;
  r.x = GetI32(p + 4);
  r.y = GetI32(p + 8);
  r.z = GetI32(p + 12);
  r.heading = GetU16(p + 16);
  r.pitch = GetU16(p + 18);
  r.roll = GetU16(p + 20);
  r.viewPlid = p[22];
  r.inGameCam = p[23];
  r.fov = std::bit_cast<float>(GetU32(p + 24));
  r.time = GetU16(p + 28);
  r.flags = GetU16(p + 30);
  return r;
}

std::string WithSeparator(std::string dir) {
  if (!dir.empty() && dir.back() != plat::kPathSep) dir += plat::kPathSep;
  return dir;
}

std::string Trimmed(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && (s[a] == ' ' || s[a] == '\t' || s[a] == '\r' || s[a] == '\n')) ++a;
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t' || s[b - 1] == '\r' || s[b - 1] == '\n'))
    --b;
  return s.substr(a, b - a);
}

}  // namespace

Simulator::Simulator(const SimOptions& options, std::ostream& out)
    : options_(options), out_(out), log_(out, options.quiet) {
  options_.simDir = WithSeparator(options_.simDir);
  options_.programDir = WithSeparator(options_.programDir);
  if (options_.mpSpeedup) baseFlags_ |= director::ISS_MPSPEEDUP;
}

void Simulator::Send(const Bytes& packet) {
  server_.Send(options_.version == kInsim10 ? Frame10(packet) : packet);
}

Bytes Simulator::VersionReply(std::uint8_t reqI) const {
  if (options_.version == kInsim10) return BuildVer10(reqI, options_.simVersion, "S3");
  return BuildVer(reqI, options_.simVersion.c_str(), "S3", 4);
}

void Simulator::HandleByteCounted(const std::uint8_t* p, int size) {
  if (p[1] == director::ISP_ISI && size == director::kV4InitSize) {
    Log("link", "\"" + FieldText(p + 28, 16) +
                    "\" introduced itself in the byte-counted framing (InSim " +
                    std::to_string(p[8]) + "); this 0.8 simulator has no compatibility mode");
    TraceEvent("byte_counted_init", ",\"insimver\":" + std::to_string(p[8]));
  } else if (p[1] == director::ISP_TINY && p[3] == director::TINY_VER) {
    Send(VersionReply(p[2]));
  }
}

void Simulator::AnsweredVersion() {
  versionAnswered_ = true;
  heardAfterVersion_ = false;
  versionWall_ = plat::TickCount();
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

bool Simulator::WriteFiles(std::string* error) {
  const Track& t = *track_;
  char text[256];
  std::snprintf(text, sizeof(text), "%s: %d nodes, %.0f m a lap, finish line at node %d",
                t.Name().c_str(), t.NodeCount(), t.Length(), t.FinishNode());
  facts_.track = text;
  std::vector<std::string> cars;
  for (const Driver& d : FieldOfDrivers(options_.race.cars)) {
    if (std::find(cars.begin(), cars.end(), d.car) == cars.end()) cars.push_back(d.car);
  }
  if (!options_.simDir.empty()) {
    if (options_.writePath) {
      const std::string dir = options_.simDir + plat::NativePath("data\\smx");
      const std::string path = dir + plat::kPathSep + t.Name() + ".pth";
      const std::vector<std::uint8_t> bytes = t.PathFileBytes();
      if (!MakeDirectories(dir) ||
          !plat::WriteFileAtomic(
              path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        *error = "cannot write the track path file " + path;
        return false;
      }
      facts_.track += "; written to " + path;
    } else {
      facts_.track += "; no track path file written";
    }
    if (options_.views && !WriteUserViews(options_.simDir, options_.simVersion, cars, error)) {
      return false;
    }
  }
  if (!options_.programDir.empty()) {
    if (options_.cams > 0) {
      const std::string dir = options_.programDir + "cam";
      const std::string path = dir + plat::kPathSep + t.Name() + ".cam";
      if (plat::FileExists(path) && !options_.overwriteCams) {
        Log("racesim", "keeping the existing camera file " + path);
        facts_.track += "; camera file kept";
      } else {
        cameras_ = PlaceCameras(t, options_.cams, options_.track.seed);
        if (!MakeDirectories(dir) || !plat::WriteFileAtomic(path, CameraFileText(cameras_))) {
          *error = "cannot write the camera file " + path;
          return false;
        }
        facts_.track += "; " + std::to_string(cameras_.size()) + " camera positions in " + path;
      }
    }
    if (options_.views && !WriteViewSets(options_.programDir, options_.simVersion, cars, error)) {
      return false;
    }
  }
  if (options_.views && !options_.simDir.empty()) facts_.cars = cars;
  Log("racesim", "track " + facts_.track);
  return true;
}

void Simulator::NewRace() {
  RaceOptions ro = options_.race;
  ro.seed = options_.race.seed + static_cast<std::uint32_t>(raceIndex_) * 1000003u;
  race_ = std::make_unique<Race>(*track_, ro);
  raceClockMs_ = 0;
  raceFedMs_ = 0;
  resultNum_.assign(race_->Cars().size(), 0);
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

StateReport Simulator::CurrentState() const {
  StateReport s;
  s.flags = baseFlags_;
  if (CarsOnTrack()) {
    s.flags |= options_.replay ? director::ISS_REPLAY : director::ISS_GAME;
    s.numP = static_cast<std::uint8_t>(race_->Cars().size());
    s.numFinished = static_cast<std::uint8_t>(race_->NumFinished());
    s.raceInProg = 1;
    s.raceLaps = EncodeRaceLaps(race_->Laps());
    s.viewPlid = camera_.viewPlid;
  }
  if (paused_) s.flags |= director::ISS_PAUSED;
  if (camera_.mode == CameraMode::kFree) s.flags |= director::ISS_SHIFTU;
  s.replaySpeed = options_.replay ? replaySpeed_ : 1.0f;
  s.inGameCam = camera_.inGameCam;
  s.numConns = 1;
  s.track = track_->Name();
  return s;
}

void Simulator::SendState(std::uint8_t reqI) {
  const StateReport s = CurrentState();
  Send(options_.version == 3 ? BuildV3Sta(s) : BuildSta(reqI, s));
  lastState_ = s;
  stateSent_ = true;
}

void Simulator::StateChanged() {
  if (!ready_) return;
  if (!stateSent_ || !(CurrentState() == lastState_)) SendState(0);
}

std::uint16_t Simulator::NextAck(const char* what) {
  if (nextAck_ == 0) nextAck_ = 1;  // 0 is the director's keep-alive
  const std::uint16_t word = nextAck_++;
  acksPending_[word] = {what, plat::TickCount()};
  ++facts_.acksExpected;
  return word;
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
  // A director looks for its version in the first read after asking (an older one takes the
  // read's first bytes as the version), so the reply goes out alone: nothing else before the
  // director shows it has read it (its next packet, the greeting). A director that asks for no
  // version, or never speaks again, gets the packets after a grace.
  const bool versionRead =
      versionAnswered_ && (heardAfterVersion_ || now - versionWall_ >= kVersionGraceMs);
  if (introduced_ && !ready_ &&
      (versionRead || (!versionAnswered_ && now - introducedWall_ >= kVersionGraceMs))) {
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
  if (started_) AdvanceScenario(scenarioMs_ + dWall * options_.speed);

  if (ready_ && options_.version != 3 && options_.keepAliveMs > 0 && Reached(now, nextProbeWall_)) {
    if (probeOutstanding_) {
      EndSession("the director did not answer the keep-alive probe", true);
    } else {
      Send(BuildTiny(0, director::TINY_NONE));
      probeOutstanding_ = true;
      probeSentWall_ = now;
      ++facts_.keepAliveProbes;
      nextProbeWall_ = now + options_.keepAliveMs;
      TraceEvent("probe");
    }
  }
  if (introduced_ && options_.version == 3 && now - lastFromDirectorWall_ > kV3IdleMs) {
    EndSession("nothing from the director for 60 s", true);
  }
  for (auto it = acksPending_.begin(); it != acksPending_.end();) {
    // Signed: a packet sent during this pass carries a later tick than now.
    if (static_cast<std::int32_t>(now - it->second.second) >
        static_cast<std::int32_t>(kAckWaitMs)) {
      ++facts_.acksMissing;
      Log("link", "no ACK for " + it->second.first + " " + std::to_string(it->first));
      TraceEvent("ack_missing", ",\"packet\":" + JsonString(it->second.first) +
                                    ",\"word\":" + std::to_string(it->first));
      it = acksPending_.erase(it);
    } else {
      ++it;
    }
  }
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
  for (int guard = 0; guard < 100000 && phase_ != Phase::kDone; ++guard) {
    const bool positions = ready_ && interval_ > 0 && CarsOnTrack();
    if (positions && nextPositionsMs_ < scenarioMs_) nextPositionsMs_ = scenarioMs_;
    double stop = target;
    if (positions) stop = std::min(stop, nextPositionsMs_);
    const bool scheduled = nextScheduled_ < options_.schedule.size();
    if (scheduled)
      stop = std::min(stop, static_cast<double>(options_.schedule[nextScheduled_].atMs));
    const double deadline = PhaseDeadline();
    if (deadline >= 0) stop = std::min(stop, deadline);
    if (stop > scenarioMs_) {
      if ((phase_ == Phase::kRace || phase_ == Phase::kAfter) && !paused_) {
        raceClockMs_ += (stop - scenarioMs_) * replaySpeed_;
        const auto total = static_cast<std::uint32_t>(std::floor(raceClockMs_ + 1e-6));
        if (total > raceFedMs_) {
          race_->Step(total - raceFedMs_);
          raceFedMs_ = total;
          HandleRaceEvents();
        }
      }
      scenarioMs_ = stop;
    }
    log_.SetTime(static_cast<std::uint32_t>(scenarioMs_));
    if (scheduled && scenarioMs_ >= options_.schedule[nextScheduled_].atMs) {
      const std::string command = options_.schedule[nextScheduled_++].command;
      Command(command);
      continue;
    }
    if (deadline >= 0 && scenarioMs_ >= deadline) {
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
      continue;
    }
    if (positions && scenarioMs_ >= nextPositionsMs_) {
      SendPositions();
      nextPositionsMs_ += interval_;
      continue;
    }
    if (scenarioMs_ >= target) break;
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
    case Phase::kGrid: {
      Log("sim", std::string(options_.replay ? "replay" : "game") +
                     " starts: " + std::to_string(race_->Cars().size()) + " cars, " +
                     std::to_string(race_->Laps()) + " laps");
      if (camera_.mode == CameraMode::kSimulator || camera_.viewPlid == 0) {
        camera_.viewPlid = race_->Cars()[static_cast<std::size_t>(race_->Order().front())].plid;
      }
      StateChanged();
      if (ready_ && options_.version != 3) {
        for (int i = 0; i < static_cast<int>(race_->Cars().size()); ++i) {
          Send(BuildNpl(0, Player(i), static_cast<std::uint8_t>(race_->Cars().size())));
        }
      }
      if (ready_ && options_.version == kInsim10) {
        // A 0.8 simulator lists the start order before the race starts.
        std::vector<std::uint8_t> order;
        for (int i : race_->Order())
          order.push_back(race_->Cars()[static_cast<std::size_t>(i)].plid);
        Send(BuildReo10(0, order));
      }
      if (ready_) SendRaceStart(0);
      TraceEvent("race_start", ",\"race\":" + std::to_string(raceIndex_ + 1));
      nextPositionsMs_ = scenarioMs_;
      break;
    }
    case Phase::kRace:
      race_->Start();
      raceRan_ = true;
      facts_.raceRan = true;
      Log("race", "lights out");
      TraceEvent("lights_out");
      break;
    case Phase::kAfter:
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

void Simulator::SendPositions() {
  if (!CarsOnTrack()) return;
  const Race& race = *race_;
  const std::uint8_t leader = race.Cars()[static_cast<std::size_t>(race.Order().front())].plid;
  if (camera_.mode == CameraMode::kSimulator && camera_.viewPlid != leader) {
    camera_.viewPlid = leader;  // the simulator's own cameras stay with the leader
    StateChanged();
  }
  std::vector<director::CompCar> records;
  for (int i : race.Order()) records.push_back(race.Record(i));
  std::vector<CarRecord10> records10;
  if (options_.version == kInsim10) {
    for (const director::CompCar& c : records) records10.push_back(Record10(c));
  }
  const std::vector<Bytes> packets = options_.version == 3          ? BuildV3Mci(records)
                                     : options_.version == kInsim10 ? BuildMci10(records10)
                                                                    : BuildMci(records);
  for (const Bytes& p : packets) Send(p);
  // Screen time is what a viewer sees: scenario time between sets, on the grid and in the race.
  const double shown = std::min(scenarioMs_ - lastObservedMs_, 2.0 * interval_);
  lastObservedMs_ = scenarioMs_;
  log_.Observe(camera_, race, static_cast<std::uint32_t>(std::max(shown, 0.0)),
               (phase_ == Phase::kGrid || phase_ == Phase::kRace) && !race.AllFinished());
}

void Simulator::HandleRaceEvents() {
  const bool v3 = options_.version == 3;
  for (const RaceEvent& e : race_->TakeEvents()) {
    log_.OnRaceEvent(e, *race_);
    const Car& c = race_->Cars()[static_cast<std::size_t>(e.car)];
    const auto stops = static_cast<std::uint8_t>(e.stops);
    switch (e.kind) {
      case RaceEventKind::kSplit:
        if (ready_) {
          Send(
              v3 ? BuildV3Split(c.plid, static_cast<std::uint8_t>(e.split), e.lapMs, NextAck("SPn"))
                 : BuildSpx(c.plid, e.lapMs, e.elapsedMs, static_cast<std::uint8_t>(e.split),
                            stops));
        }
        break;
      case RaceEventKind::kLap:
        if (ready_) {
          const auto laps = static_cast<std::uint16_t>(e.lapsDone);
          Send(v3 ? BuildV3Lap(c.plid, e.lapMs, e.elapsedMs, laps, stops, NextAck("LAP"))
                  : BuildLap(c.plid, e.lapMs, e.elapsedMs, laps, stops));
        }
        break;
      case RaceEventKind::kPitStop:
        if (ready_) {
          Send(v3 ? BuildV3Pit(c.plid, stops, NextAck("PIT"))
                  : BuildPit(c.plid, static_cast<std::uint16_t>(e.lapsDone), stops));
        }
        TraceEvent("pit",
                   ",\"plid\":" + std::to_string(c.plid) + ",\"stops\":" + std::to_string(e.stops));
        break;
      case RaceEventKind::kFinish:
        SendResults();
        TraceEvent("finish", ",\"plid\":" + std::to_string(c.plid) +
                                 ",\"position\":" + std::to_string(e.position) +
                                 ",\"laps\":" + std::to_string(e.lapsDone));
        StateChanged();
        break;
      case RaceEventKind::kOvertake:
        TraceEvent("overtake",
                   ",\"plid\":" + std::to_string(c.plid) + ",\"passed\":" +
                       std::to_string(race_->Cars()[static_cast<std::size_t>(e.other)].plid) +
                       ",\"position\":" + std::to_string(e.position));
        break;
      case RaceEventKind::kMistake:
        break;
    }
  }
  if (phase_ == Phase::kRace && race_->AllFinished()) EnterPhase(Phase::kAfter);
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
    Send(options_.version == 3 ? BuildV3Res(r, NextAck("RES")) : BuildRes(r));
  }
}

void Simulator::SendPlayers(std::uint8_t reqI) {
  if (!CarsOnTrack()) return;
  const auto n = static_cast<std::uint8_t>(race_->Cars().size());
  for (int i = 0; i < n; ++i) Send(BuildNpl(reqI, Player(i), n));
}

void Simulator::SendRaceStart(std::uint8_t reqI) {
  const Track& t = *track_;
  const auto n = static_cast<std::uint8_t>(race_->Cars().size());
  const std::uint8_t laps = EncodeRaceLaps(race_->Laps());
  if (options_.version == 3) {
    Send(BuildV3Rst(laps, n, t.Name(), NextAck("RST")));
  } else {
    Send(BuildRst(reqI, laps, n, t.Name(), static_cast<std::uint16_t>(t.NodeCount()),
                  static_cast<std::uint16_t>(t.FinishNode()),
                  static_cast<std::uint16_t>(t.Wrap(t.FinishNode() + t.NodeCount() / 3)),
                  static_cast<std::uint16_t>(t.Wrap(t.FinishNode() + 2 * t.NodeCount() / 3))));
  }
}

void Simulator::OnConnected() {
  connected_ = true;
  Log("link", "a program connected; waiting for its IS_ISI");
  TraceEvent("tcp_accepted");
}

void Simulator::OnDisconnected(const std::string& why) {
  connected_ = false;
  EndSession(why, false);
}

void Simulator::EndSession(const std::string& why, bool drop) {
  if (introduced_ || connected_ || drop) {
    Log("link", why);
    TraceEvent("disconnected", ",\"reason\":" + JsonString(why));
  }
  introduced_ = false;
  ready_ = false;
  versionAnswered_ = false;
  interval_ = 0;
  probeOutstanding_ = false;
  stateSent_ = false;
  if (drop) server_.Drop();
  connected_ = false;
}

void Simulator::HandleInit(const std::string& admin, std::uint16_t interval, bool positions,
                           const std::string& name) {
  if (!options_.password.empty() && admin != options_.password) {
    Log("link", "wrong admin password from \"" + name + "\": refused");
    TraceEvent("refused", ",\"reason\":\"admin password\"");
    EndSession("connection refused", true);
    return;
  }
  introduced_ = true;
  versionAnswered_ = false;
  heardAfterVersion_ = false;
  introducedWall_ = plat::TickCount();
  lastFromDirectorWall_ = introducedWall_;
  nextProbeWall_ = introducedWall_ + options_.keepAliveMs;
  probeOutstanding_ = false;
  stateSent_ = false;
  interval_ =
      positions ? static_cast<std::uint16_t>(std::max<std::uint32_t>(interval, kMinIntervalMs)) : 0;
  ++connections_;
  const std::string how = options_.version == 3          ? "InSim 3 over UDP"
                          : options_.version == kInsim10 ? "InSim 10 over TCP"
                                                         : "InSim 4 over TCP";
  std::string text = "\"" + name + "\" connected, " + how;
  if (options_.version != 3) {
    text += positions ? ", positions every " + std::to_string(interval_) + " ms"
                      : ", no positions asked for";
  }
  Log("link", text);
  TraceEvent("connected", ",\"name\":" + JsonString(name));
  facts_.connection = how + ", " + std::to_string(connections_) + " connection" +
                      (connections_ == 1 ? "" : "s") + " by \"" + name + "\"";
}

void Simulator::OnPacket(const std::uint8_t* data, int size) {
  const bool v3 = options_.version == 3;
  if (v3) {
    // Only the director's own address counts once it has introduced itself.
    const bool isInit = size >= 4 && GetU32(data) == director::kV3ISI;
    if (introduced_ && !isInit &&
        (server_.LastDatagramIp() != v3SourceIp_ || server_.LastDatagramPort() != v3SourcePort_)) {
      return;
    }
  }
  trace_.Packet(WallMs(), RaceMs(), DecodeDirectorPacket(options_.version, data, size), size);
  lastFromDirectorWall_ = plat::TickCount();
  const bool afterVersion = versionAnswered_;
  if (v3) {
    HandleV3(data, size);
  } else {
    HandleV4(data, size);
  }
  if (afterVersion && versionAnswered_) heardAfterVersion_ = true;
}

void Simulator::HandleV4(const std::uint8_t* p, int size) {
  const std::uint8_t type = p[1];
  if (!introduced_) {
    if (options_.version == kInsim10 && server_.ClientByteCounted()) {
      HandleByteCounted(p, size);
      return;
    }
    if (type == director::ISP_ISI && size == director::kV4InitSize) {
      HandleInit(FieldText(p + 12, 16), GetU16(p + 10), (GetU16(p + 6) & director::ISF_MCI) != 0,
                 FieldText(p + 28, 16));
      if (introduced_ && p[2] != 0) {
        Send(VersionReply(p[2]));
        AnsweredVersion();
      }
    } else {
      Log("link", "packet type " + std::to_string(type) + " before IS_ISI ignored");
    }
    return;
  }
  switch (type) {
    case director::ISP_TINY:
      HandleTiny(p[2], p[3]);
      break;
    case director::ISP_SFP:
      if (size >= director::kSfpSize) HandleStateFlag(GetU16(p + 4), p[6] != 0);
      break;
    case director::ISP_CPP:
      if (size >= director::kCameraRecordSize) HandleCamera(ReadCamera(p));
      break;
    case director::ISP_MST:
      Typed(FieldText(p + 4, size - 4), true);
      break;
    case director::ISP_MSL: {
      const std::string text = FieldText(p + 4, size - 4);
      if (text.find(kPathComplaint) != std::string::npos) facts_.pathComplaint = true;
      log_.OnText("message", text);
      break;
    }
    case director::ISP_BTN:
      HandleButton(p, size);
      break;
    case director::ISP_BFN:
      if (size >= director::kBfnSize && p[3] == director::BFN_DEL_BTN) {
        log_.OnDeleteButton(p[5]);
      } else if (size >= director::kBfnSize) {
        Log("link", "IS_BFN subtype " + std::to_string(p[3]) + " ignored");
      }
      break;
    default:
      Log("link", "packet type " + std::to_string(type) + " ignored");
      break;
  }
}

void Simulator::HandleTiny(std::uint8_t reqI, std::uint8_t subT) {
  switch (subT) {
    case director::TINY_NONE:
      if (probeOutstanding_) {
        probeOutstanding_ = false;
        ++facts_.keepAliveAnswered;
      }
      break;
    case director::TINY_VER:
      Send(VersionReply(reqI));
      AnsweredVersion();
      break;
    case director::TINY_CLOSE:
      EndSession("the director closed InSim (TINY_CLOSE)", true);
      break;
    case director::TINY_SST:
      if (ready_ || versionAnswered_) SendState(reqI);
      break;
    case director::TINY_SCP:
      Send(BuildCpp(reqI, CameraReport()));
      break;
    case director::TINY_GTH:  // TINY_GTM of version 10: milliseconds
      Send(BuildSmall(reqI, director::SMALL_RTP,
                      options_.version == kInsim10 ? RaceMs() : RaceMs() / kMsPerRaceTimeUnit));
      break;
    case director::TINY_NPL:
      SendPlayers(reqI);
      break;
    case director::TINY_RST:
      if (CarsOnTrack()) SendRaceStart(reqI);
      break;
    default:
      Log("link", TinyName(subT) + " ignored");
      break;
  }
}

void Simulator::HandleV3(const std::uint8_t* p, int size) {
  if (size < 4) return;
  const std::uint32_t id = GetU32(p);
  if (id == director::kV3ISI) {
    if (size < director::kV3InitSize) return;
    if (introduced_) EndSession("the director started a new session", false);
    v3SourceIp_ = server_.LastDatagramIp();
    v3SourcePort_ = server_.LastDatagramPort();
    const std::uint16_t replyPort = GetU16(p + 4);
    server_.SetV3Peer(v3SourceIp_, replyPort != 0 ? replyPort : v3SourcePort_);
    HandleInit(FieldText(p + 8, 16), 0, false, "InSim 3 program");
    return;
  }
  if (!introduced_) return;
  const std::uint32_t value = size >= 8 ? GetU32(p + 4) : 0;
  if (id == director::kV3VER) {
    Send(BuildV3Ver(options_.simVersion.c_str(), "S2"));
    AnsweredVersion();
  } else if (id == director::kV3NLI) {
    interval_ =
        value == 0
            ? 0
            : static_cast<std::uint16_t>(std::clamp<std::uint32_t>(value, kMinIntervalMs, 60000));
    Log("link", value == 0 ? std::string("no positions asked for")
                           : "positions every " + std::to_string(interval_) + " ms");
  } else if (id == director::kV3SST) {
    SendState(0);
  } else if (id == director::kV3SCP) {
    Send(BuildV3Cpp(CameraReport()));
  } else if (id == director::kV3NPL) {
    if (CarsOnTrack() && value < race_->Cars().size()) {
      const int i = static_cast<int>(value);
      Send(BuildV3Npl(Player(i), static_cast<std::uint8_t>(i), NextAck("NPL")));
    }
  } else if (id == director::kV3ISC) {
    EndSession("the director closed InSim (\"ISC\")", true);
  } else if (id == director::kV3ACK) {
    if (value == 0) return;  // the director's keep-alive
    // The word is zero-extended: anything in the upper bytes answers no packet.
    const auto it =
        value > 0xFFFF ? acksPending_.end() : acksPending_.find(static_cast<std::uint16_t>(value));
    if (it != acksPending_.end()) {
      acksPending_.erase(it);
      ++facts_.acksReceived;
    } else {
      Log("link", "ACK " + std::to_string(value) + " for no packet");
    }
  } else if (id == director::kV3MTC && size >= director::kV3TextSize) {
    const std::string text = FieldText(p + 8, 64);
    if (text.find(kPathComplaint) != std::string::npos) facts_.pathComplaint = true;
    log_.OnText("message", text);
  } else if (id == director::kV3CPP && size >= director::kCameraRecordSize) {
    HandleCamera(ReadCamera(p));
  } else if (id == director::kV3SCC && size >= director::kV3RequestSize) {
    HandleViewChange(p[5], p[6], true);
  } else if (id == director::kV3SFP && size >= director::kV3RequestSize) {
    HandleStateFlag(GetU16(p + 4), p[6] != 0);
  } else {
    Log("link", "unknown packet \"" + FieldText(p, 4) + "\"");
  }
}

void Simulator::HandleCamera(const director::CameraPositionRecord& r) {
  if ((r.flags & director::ISS_SHIFTU) != 0) {
    camera_.mode = CameraMode::kFree;
    camera_.x = r.x;
    camera_.y = r.y;
    camera_.z = r.z;
    camera_.heading = r.heading;
    camera_.pitch = r.pitch;
    camera_.roll = r.roll;
    if (r.fov > 0.0f) camera_.fov = r.fov;
    camera_.glideMs = r.time;
    if (r.inGameCam != 0) camera_.inGameCam = r.inGameCam;
    if (r.viewPlid != 0) camera_.viewPlid = r.viewPlid;
    camera_.directed = true;
    StateChanged();
  } else {
    HandleViewChange(r.inGameCam, r.viewPlid, true);
  }
}

void Simulator::HandleViewChange(std::uint8_t view, std::uint8_t plid, bool byDirector) {
  camera_.inGameCam = view;
  if (plid != 0) camera_.viewPlid = plid;
  // The TV view without a car is the simulator's own choice of cameras, on the leader.
  camera_.mode = (view == 2 && plid == 0) ? CameraMode::kSimulator : CameraMode::kCar;
  camera_.directed = byDirector && camera_.mode != CameraMode::kSimulator;
  if (CarsOnTrack() && camera_.viewPlid == 0) {
    camera_.viewPlid = race_->Cars()[static_cast<std::size_t>(race_->Order().front())].plid;
  }
  StateChanged();
}

void Simulator::HandleStateFlag(std::uint16_t flag, bool on) {
  const char* what = nullptr;
  if (flag == director::ISS_SHOW_2D) what = "2D display";
  if (flag == director::ISS_SHIFTU_NO_OPT) what = "SHIFT+U buttons hidden";
  if (flag == director::ISS_MPSPEEDUP) what = "multiplayer speed-up";
  if (what == nullptr) {
    Log("link", "state flag " + std::to_string(flag) + " cannot be set");
    return;
  }
  const std::uint16_t before = baseFlags_;
  baseFlags_ = on ? static_cast<std::uint16_t>(baseFlags_ | flag)
                  : static_cast<std::uint16_t>(baseFlags_ & ~flag);
  if (before != baseFlags_) Log("sim", std::string(what) + (on ? ": on" : ": off"));
  StateChanged();
}

void Simulator::HandleButton(const std::uint8_t* p, int size) {
  if (size < 12) return;
  const std::string text = FieldText(p + 12, size - 12);
  const int expected = (12 + static_cast<int>(text.size()) + 1 + 3) & ~3;
  if (size != expected && static_cast<int>(text.size()) < size - 12) {
    Log("link", "IS_BTN of " + std::to_string(size) + " bytes for a text that needs " +
                    std::to_string(expected));
  }
  log_.OnButton(p[4], text);
}

void Simulator::Echo(const std::string& text, std::uint8_t userType, std::uint8_t textStart) {
  if (!ready_) return;
  Send(options_.version == 3 ? BuildV3Mso(text) : BuildMso(userType, textStart, text));
  log_.OnText("echo", text);
}

void Simulator::Typed(const std::string& raw, bool fromDirector) {
  const std::string text = Trimmed(raw);
  if (text.empty()) return;
  if (text[0] != '/') {
    // A chat line from the local user: "name : text", as every chat line reaches InSim.
    if (fromDirector) log_.OnText("says", text);
    const std::string prefix = std::string(kHostName) + " ^7: ^8";
    Echo(prefix + text, kMsoUser, static_cast<std::uint8_t>(prefix.size()));
    return;
  }
  std::istringstream in(text);
  std::string command;
  in >> command;
  std::string rest;
  std::getline(in, rest);
  rest = Trimmed(rest);
  if (command == "/ctrlf") {
    std::istringstream args(rest);
    int key = 0;
    args >> key;
    std::string bound;
    std::getline(args, bound);
    bound = Trimmed(bound);
    if (!args.fail() || !bound.empty() || (key >= 1 && key <= 12)) {
      if (key < 1 || key > 12) {
        Log("sim", "\"" + text + "\": the key must be 1 to 12");
        return;
      }
      if (bound.empty()) {
        bindings_.erase(key);
        Log("sim", "Ctrl+F" + std::to_string(key) + " unbound");
      } else {
        bindings_[key] = bound;
        Log("sim", "Ctrl+F" + std::to_string(key) + " bound to \"" + bound + "\"");
      }
      TraceEvent("bound", ",\"key\":" + std::to_string(key) + ",\"text\":" + JsonString(bound));
    }
  } else if (command == "/echo") {
    Echo(rest, kMsoSystem, 0);
  } else {
    Log("sim", "unknown command \"" + text + "\"");
  }
}

director::CameraPositionRecord Simulator::CameraReport() const {
  director::CameraPositionRecord r;
  r.heading = camera_.heading;
  r.pitch = camera_.pitch;
  r.roll = camera_.roll;
  r.viewPlid = camera_.viewPlid;
  r.inGameCam = camera_.inGameCam;
  r.fov = camera_.fov;
  if (camera_.mode == CameraMode::kFree) {
    r.x = camera_.x;
    r.y = camera_.y;
    r.z = camera_.z;
    r.flags = director::ISS_SHIFTU;
  } else if (CarsOnTrack()) {
    // Following a car: the camera is with that car.
    for (int i = 0; i < static_cast<int>(race_->Cars().size()); ++i) {
      if (race_->Cars()[static_cast<std::size_t>(i)].plid != camera_.viewPlid) continue;
      const director::CompCar c = race_->Record(i);
      r.x = c.x;
      r.y = c.y;
      r.z = c.z + 2 * 65536;
      r.heading = static_cast<std::uint16_t>(c.direction + 32768);
    }
  }
  return r;
}

void Simulator::Command(const std::string& line) {
  const std::string text = Trimmed(line);
  if (text.empty()) return;
  TraceEvent("command", ",\"text\":" + JsonString(text));
  std::istringstream in(text);
  std::string word;
  in >> word;
  std::string rest;
  std::getline(in, rest);
  rest = Trimmed(rest);
  if (word == "press") {
    int key = 0;
    std::istringstream(rest) >> key;
    const auto it = bindings_.find(key);
    if (it == bindings_.end()) {
      Log("sim", "Ctrl+F" + std::to_string(key) + " is not bound");
    } else {
      Log("sim", "Ctrl+F" + std::to_string(key) + " pressed");
      Typed(it->second, false);
    }
  } else if (word == "type" || word == "say") {
    Typed(rest, false);
  } else if (word == "pause" || word == "resume" || word == "unpause") {
    paused_ = word == "pause";
    Log("sim", paused_ ? "paused" : "running again");
    StateChanged();
  } else if (word == "replay-speed") {
    double speed = 0;
    std::istringstream(rest) >> speed;
    if (!options_.replay) {
      Log("sim", "not a replay: the speed cannot be changed");
    } else if (!(speed >= 0.01 && speed <= 16)) {
      Log("sim", "replay speed must be between 0.01 and 16");
    } else {
      replaySpeed_ = static_cast<float>(speed);
      Log("sim", "replay speed " + rest);
      StateChanged();
    }
  } else if (word == "freecam") {
    std::istringstream args(rest);
    std::string first;
    args >> first;
    double x = 0, y = 0, z = 0, h = 0;
    if (first == "node") {
      int node = 0;
      double lateral = 0;
      args >> node;
      if (args.fail()) {
        Log("sim", "freecam node N [L]");
        return;
      }
      args >> lateral;
      const Pose p = track_->At(track_->Wrap(node) * track_->Spacing(), args.fail() ? 0 : lateral);
      x = p.x;
      y = p.y;
      z = p.z + 5;
      h = std::atan2(p.dy, p.dx) / 3.14159265358979323846 * 32768.0 + 16384.0;
    } else {
      std::istringstream all(rest);
      all >> x >> y >> z;
      if (all.fail()) {
        Log("sim", "freecam X Y Z [H]");
        return;
      }
      all >> h;
    }
    camera_.mode = CameraMode::kFree;
    camera_.x = static_cast<std::int32_t>(std::lround(x * kWorldPerMetre));
    camera_.y = static_cast<std::int32_t>(std::lround(y * kWorldPerMetre));
    camera_.z = static_cast<std::int32_t>(std::lround(z * kWorldPerMetre));
    camera_.heading = static_cast<std::uint16_t>(static_cast<long>(std::lround(h)) & 0xFFFF);
    camera_.directed = false;
    Log("sim", "free camera at " + rest);
    StateChanged();
  } else if (word == "view") {
    int view = -1, plid = 0;
    std::istringstream args(rest);
    args >> view >> plid;
    if (view < 0 || view > 255) {
      Log("sim", "view N [PLID]");
      return;
    }
    HandleViewChange(static_cast<std::uint8_t>(view), static_cast<std::uint8_t>(plid), false);
  } else if (word == "2d" || word == "mpspeedup") {
    if (rest != "on" && rest != "off") {
      Log("sim", word + " on|off");
      return;
    }
    HandleStateFlag(word == "2d" ? director::ISS_SHOW_2D : director::ISS_MPSPEEDUP, rest == "on");
  } else if (word == "status") {
    std::string order;
    if (CarsOnTrack()) {
      for (int i : race_->Order()) {
        const Car& c = race_->Cars()[static_cast<std::size_t>(i)];
        order += " " + std::to_string(c.position) + ".#" + std::to_string(c.plid);
      }
    }
    Log("status", order.empty() ? std::string("no race") : "order" + order);
  } else if (word == "cut") {
    // A link that breaks inside a packet: the first half of a state report, then the end of the
    // connection. Over UDP there is no stream to break.
    if (options_.version == 3 || !server_.HasPeer()) {
      Log("sim", "cut: no TCP connection");
      return;
    }
    Bytes half = BuildSta(0, CurrentState());
    if (options_.version == kInsim10) half = Frame10(half);
    half.resize(half.size() / 2);
    server_.Send(half);
    EndSession("the simulator cut the connection inside a packet", true);
  } else if (word == "quit") {
    phase_ = Phase::kDone;
  } else if (word == "help") {
    PrintCommands(out_);
  } else {
    Log("sim", "unknown command \"" + text + "\" (try help)");
  }
}

void Simulator::Finish() {
  // Acknowledgements still on their way are waited for a moment before they count as missing.
  const std::uint32_t until = plat::TickCount() + 1000;
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
