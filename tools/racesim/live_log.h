// The readable log of the direction and its summary.
//
// The simulator hands over what happens: each set of car positions with the camera as it stands
// (Observe), the director's buttons and texts, race events and its own notes. From the camera
// the log works out the shot: a TV camera position (named "cam N" when it is one of the camera
// file's positions), an on-board view, or the simulator's own camera; and the car in the picture,
// which for a free camera is the car nearest to the middle of its field of view. A change of shot
// is a cut; a new car in the same shot (seen twice in a row) is a change of the followed car.
// Screen time is counted per car in scenario time (what a viewer sees) while the director drives
// the camera, from the grid to the finish.
// Race by race it also scores the direction against the race's ground truth (direction_score.h):
// each position set while the director drives the camera in a race is one sample, and the truth
// (incidents, overtakes on the road, pit stops) is written as "truth" lines (live_log_truth.cpp).
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tools/racesim/direction_score.h"
#include "tools/racesim/race.h"
#include "tools/racesim/track.h"

namespace racesim {

enum class CameraMode { kSimulator, kFree, kCar };

// The simulator's camera.
struct SimCamera {
  CameraMode mode = CameraMode::kSimulator;  // kSimulator: its own TV cameras on viewPlid
  std::uint8_t inGameCam = 2;
  std::uint8_t viewPlid = 0;
  std::int32_t x = 0, y = 0, z = 0;  // world units (free camera)
  std::uint16_t heading = 0, pitch = 0, roll = 0;
  float fov = 30.0f;
  std::uint16_t glideMs = 0;  // time of the last free-camera command: 0 = a cut, else a glide
  bool directed = false;      // the last change came from the director
};

// The car nearest to the middle of a free camera's picture: index into the race's cars, or -1.
// A gliding camera (glideMs > 0) is judged against where the cars will be when it gets there.
int CarInPicture(const SimCamera& camera, const Race& race);
// Every car a viewer sees in a free camera's picture, big enough to make out (bit n: player id
// n): an incident or a pass at the edge of the picture is on screen too.
std::uint64_t CarsInPicture(const SimCamera& camera, const Race& race);
// A text without the simulator's colour codes (^ and the character after it).
std::string StripColours(const std::string& text);

struct SummaryFacts {
  std::string connection;  // how the director was connected
  std::string track;       // what was written
  int keepAliveProbes = 0, keepAliveAnswered = 0;
  int acksExpected = 0, acksReceived = 0, acksMissing = 0;
  bool pathComplaint = false;  // "could not load pth file" seen
  bool raceRan = false;
  std::string simDir, simVersion;
  std::vector<std::string> cars;  // car codes with user view files written
};

class LiveLog {
 public:
  LiveLog(std::ostream& out, bool quiet) : out_(out), quiet_(quiet) {}

  void SetCameras(const std::vector<CameraSpot>& cameras) { cameras_ = cameras; }
  void SetSimDirectory(const std::string& simDir, const std::string& simVersion) {
    simDir_ = simDir;
    simVersion_ = simVersion;
  }
  // The clock shown at the start of each line (scenario ms).
  void SetTime(std::uint32_t ms) { timeMs_ = ms; }

  void Note(const std::string& kind, const std::string& text);
  // One set of positions: dtMs of scenario time since the last one.
  void Observe(const SimCamera& camera, const Race& race, std::uint32_t dtMs, bool raceRunning);
  void OnButton(std::uint8_t clickId, const std::string& text);
  void OnDeleteButton(std::uint8_t clickId);
  void OnText(const std::string& kind, const std::string& text);
  // Race events; incidents, overtakes on the road and pit stops also as ground truth lines,
  // "truth     kind=KIND race_ms=MS plid=N" with " other=N" for the second car (the car passed,
  // the car touched) and " retires=1" for a car that stops for good.
  void OnRaceEvent(const RaceEvent& e, const Race& race);
  // The lights go out / every car has finished: the direction's figures of one race.
  void StartRace() { score_.BeginRace(); }
  void EndRace() { score_.EndRace(); }
  const DirectionScore& Score() const { return score_; }

  int Cuts() const { return cuts_; }
  int OnboardShots() const { return onboard_; }
  int OverlayDisplays() const { return overlayDisplays_; }
  int ButtonPackets() const { return buttonPackets_; }
  const std::map<std::uint8_t, std::uint32_t>& ScreenTime() const { return screenMs_; }
  std::uint32_t DirectedMs() const { return directedMs_; }
  const std::vector<std::string>& Messages() const { return messages_; }

  // Prints the summary (live_log_summary.cpp); also returns its figures as JSON members for the
  // trace.
  std::string Summary(const SummaryFacts& facts, const Race* race);

 private:
  std::string ShotName(const SimCamera& camera) const;
  // live_log_summary.cpp
  void PrintLinkSummary(const SummaryFacts& facts);
  void PrintRaceSummary(const SummaryFacts& facts, const Race* race);
  void PrintScreenTime(const Race* race);
  void PrintNotSeen();
  std::string PlayerName(const Race* race, std::uint8_t plid) const;
  std::string SummaryJson(const SummaryFacts& facts, const Race* race) const;
  std::string CarName(const Race& race, int car) const;
  void Truth(const RaceEvent& e, const Race& race);
  std::string IncidentWords(const RaceEvent& e, const Race& race) const;
  void ScoreSampleOf(const Race& race, std::uint32_t dtMs, bool cut);
  void Print(const std::string& kind, const std::string& text);

  std::ostream& out_;
  bool quiet_;
  std::uint32_t timeMs_ = 0;
  std::vector<CameraSpot> cameras_;
  std::string simDir_, simVersion_;
  std::string shot_;
  int shownCar_ = -1, candidate_ = -1;
  std::uint64_t inPicture_ = 0;  // the cars in the picture at the last set
  int cuts_ = 0, onboard_ = 0;
  std::map<std::string, int> onboardKinds_;
  std::map<std::uint8_t, std::uint32_t> screenMs_;
  std::uint32_t directedMs_ = 0, noCarMs_ = 0;
  std::map<std::uint8_t, std::string> buttons_;
  std::map<std::string, int> displaysByGroup_;
  int overlayDisplays_ = 0, buttonPackets_ = 0;
  std::vector<std::string> messages_;
  int overtakes_ = 0, pitStops_ = 0, mistakes_ = 0;
  DirectionScore score_;
};

}  // namespace racesim
