// The stand-in simulator: owns the track, the race, the InSim link, the trace and the live log,
// and plays the simulator's part towards the director.
//
// Time: the scenario clock starts when a director first introduces itself and has read the
// version reply (shown by its next packet; nothing else is sent before, so the reply is read
// alone), and then runs --speed times as fast as the wall clock. The front end lasts --lobby,
// then the game starts: the players join, the race starts (IS_RST) with the cars on the grid for
// --grid, the lights go out and the race clock runs. Car positions go out
// every interval the director asked for (IS_ISI Interval with ISF_MCI, or "NLI"), measured on the
// scenario clock, each set after the race has been moved up to that moment; laps, splits, pit stops
// and results go out as they happen. After the last car has finished and --after has passed, the
// simulator returns to its front end. Keep-alive probes (versions 4 and 10) and the director's
// idle time are measured on the wall clock.
//
// With --insim-version 10 it plays a 0.8 simulator: the version 10 framing (Frame10) and forms
// (16 cars a position packet), IS_REO before each race start, the race time in milliseconds. A
// program that introduces itself in the byte-counted framing of older versions has its version
// request answered in version 10's framing and nothing else: this stand-in has no compatibility
// mode.
//
// The director's packets are recorded in the trace and applied: camera packets move the
// simulator's camera, state flag packets switch the 2D display and the SHIFT+U option, texts and
// buttons are shown (in the live log), "/ctrlf" binds a function key and "/echo" echoes.
//
// The class is one, its parts are in their own files: simulator.cpp (preparing, the pass and the
// clocks), simulator_files.cpp (the files written), simulator_phases.cpp (the scenario's
// phases), simulator_race.cpp (the packets of the race and the state), simulator_link.cpp (the
// director's packets and the session), simulator_camera.cpp (the camera and the screen) and
// simulator_commands.cpp (commands and typed texts).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tools/racesim/insim_server.h"
#include "tools/racesim/live_log.h"
#include "tools/racesim/options.h"
#include "tools/racesim/packet_trace.h"
#include "tools/racesim/race.h"
#include "tools/racesim/track.h"
#include "tools/racesim/wire/camera.h"
#include "tools/racesim/wire/framing.h"
#include "tools/racesim/wire/insim_numbers.h"
#include "tools/racesim/wire/players.h"
#include "tools/racesim/wire/state.h"

namespace racesim {

enum class Phase { kWaiting, kLobby, kGrid, kRace, kAfter, kFrontEnd, kDone };

class Simulator final : public InsimListener {
 public:
  Simulator(const SimOptions& options, std::ostream& out);

  // Generates the track, writes the files, opens the link and the trace. False with a reason.
  bool Prepare(std::string* error);
  // One pass: the link, the clocks, the race and the schedule. Never blocks.
  void Tick();
  // A command from standard input or the schedule.
  void Command(const std::string& line);
  bool Done() const { return phase_ == Phase::kDone; }
  // Leaves the link in order and prints the summary (also to the trace).
  void Finish();

  std::uint16_t Port() const { return server_.Port(); }
  const Track& GetTrack() const { return *track_; }
  Phase CurrentPhase() const { return phase_; }

  // InsimListener
  void OnConnected() override;
  void OnPacket(const std::uint8_t* data, int size) override;
  void OnDisconnected(const std::string& why) override;

 private:
  // simulator.cpp
  void BecomeReadyOnceVersionRead(std::uint32_t now);
  void KeepAlive(std::uint32_t now);
  void ExpireAcks(std::uint32_t now);
  std::uint32_t WallMs() const;
  std::uint32_t RaceMs() const;
  void Log(const std::string& kind, const std::string& text);
  void TraceEvent(const std::string& name, const std::string& fields = "");
  PlayerInfo Player(int car) const;
  bool CarsOnTrack() const;

  // simulator_files.cpp
  bool WriteFiles(std::string* error);
  bool WritePathFile(std::string* error);
  bool WriteCameraFile(std::string* error);

  // simulator_phases.cpp
  void AdvanceScenario(double target);
  void RunRaceClock(double until);
  void LeavePhase();
  double PhaseDeadline() const;
  void EnterPhase(Phase phase);
  void EnterGrid();
  void NewRace();

  // simulator_race.cpp
  void SendPositions();
  // IS_PLA for every car that entered or left the pit lane since the last set.
  void SendPitLaneChanges();
  void HandleRaceEvents();
  void SendRaceEvent(const RaceEvent& e);
  // IS_CON for a contact, to a director that asked for it.
  void SendContact(const RaceEvent& e);
  // The ground truth of an incident, an overtake on the road or a pit stop, as a "truth" event.
  void TraceTruth(const RaceEvent& e);
  void SendResults();
  void SendPlayers(std::uint8_t reqI);
  void SendRaceStart(std::uint8_t reqI);
  void SendState(std::uint8_t reqI);
  void StateChanged();
  StateReport CurrentState() const;

  // simulator_link.cpp
  // In the framing of the simulator's InSim version (Frame10 for version 10).
  void Send(const Bytes& packet);
  Bytes VersionReply(std::uint8_t reqI) const;
  // Version 10: an older program's byte-counted packets before it is introduced.
  void HandleByteCounted(const std::uint8_t* p, int size);
  std::uint16_t NextAck(const char* what);
  void AnsweredVersion();
  void HandleV4(const std::uint8_t* p, int size);
  void HandleV4Init(const std::uint8_t* p, int size);
  void HandleDeleteButton(const std::uint8_t* p, int size);
  void HandleV3(const std::uint8_t* p, int size);
  void HandleV3Init(const std::uint8_t* p, int size);
  void HandleV3Request(std::uint32_t id, std::uint32_t value);
  void HandleAck(std::uint32_t value);
  void HandleMessage(const std::string& text);
  void HandleInit(const std::string& admin, std::uint16_t interval, bool positions,
                  const std::string& name);
  void HandleTiny(std::uint8_t reqI, std::uint8_t subT);
  void EndSession(const std::string& why, bool drop);

  // simulator_camera.cpp
  void HandleCamera(const CameraRecord& r);
  void HandleViewChange(std::uint8_t view, std::uint8_t plid, bool byDirector);
  void HandleStateFlag(std::uint16_t flag, bool on);
  void HandleButton(const std::uint8_t* p, int size);
  CameraRecord CameraReport() const;
  void MoveFreeCamera(double x, double y, double z, double heading);

  // simulator_commands.cpp
  void Typed(const std::string& raw, bool fromDirector);
  void BindKey(const std::string& text, const std::string& args);
  void Echo(const std::string& text, std::uint8_t userType, std::uint8_t textStart);
  void PressKey(const std::string& args);
  void SetReplaySpeed(const std::string& args);
  void FreeCameraCommand(const std::string& args);
  void ViewCommand(const std::string& args);
  void FlagCommand(const std::string& word, const std::string& args);
  void StatusCommand();
  void CutCommand();

  SimOptions options_;
  std::ostream& out_;
  std::unique_ptr<Track> track_;
  std::unique_ptr<Race> race_;
  std::vector<CameraSpot> cameras_;
  InsimServer server_;
  TraceWriter trace_;
  LiveLog log_;
  SummaryFacts facts_;

  std::uint32_t startWall_ = 0, lastWall_ = 0;
  bool started_ = false;
  double scenarioMs_ = 0;
  double phaseStartMs_ = 0;
  double raceClockMs_ = 0;  // race time fed so far, ms (fractions kept)
  std::uint32_t raceFedMs_ = 0;
  double nextPositionsMs_ = 0;
  double lastObservedMs_ = 0;  // scenario time of the last set the log saw
  std::size_t nextScheduled_ = 0;
  Phase phase_ = Phase::kWaiting;
  int raceIndex_ = 0;
  bool raceRan_ = false;

  // The link.
  bool connected_ = false;   // a TCP client (version 4)
  bool introduced_ = false;  // the director's init packet was accepted
  bool versionAnswered_ = false;
  bool heardAfterVersion_ = false;  // a packet came after the version reply went out
  std::uint32_t versionWall_ = 0;
  bool ready_ = false;  // introduced and its version question answered: packets may flow
  bool contacts_ = false;  // version 10: the director asked for contact reports (ISF_CON)
  std::uint32_t introducedWall_ = 0;
  std::uint32_t v3SourceIp_ = 0;
  std::uint16_t v3SourcePort_ = 0;
  std::uint16_t interval_ = 0;  // ms between position sets; 0: none
  int connections_ = 0;
  std::uint32_t lastFromDirectorWall_ = 0;
  std::uint32_t nextProbeWall_ = 0;
  bool probeOutstanding_ = false;
  std::uint32_t probeSentWall_ = 0;
  std::map<std::uint16_t, std::pair<std::string, std::uint32_t>> acksPending_;
  // The words start just below the top of the 16 bits, so the first packets already check that
  // the director returns high words unchanged and zero-extended, and the count wraps past 0.
  std::uint16_t nextAck_ = 0xFFF0;

  // The simulator.
  std::uint16_t baseFlags_ = ISS_SHOW_2D;  // 2D display, SHIFT+U option, speed-up
  bool paused_ = false;
  float replaySpeed_ = 1.0f;
  SimCamera camera_;
  StateReport lastState_;
  bool stateSent_ = false;
  std::map<int, std::string> bindings_;  // Ctrl+F1..F12
  std::vector<bool> inPitLane_;          // per car: in the pit lane at the last set sent
  std::vector<std::uint8_t> resultNum_;  // per car: result number sent + 1, 0 none
};

}  // namespace racesim
