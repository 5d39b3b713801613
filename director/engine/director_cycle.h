// The director's decision, once per complete set of car positions.
//
// runDirectorCycle cleans raceOrder of cars that missed the last set and sorts it by race
// distance, leader first; rates every pair of neighbours for how close and how steady their
// fight is (smoothed at 5 % per cycle, halved for everyone but the leader, a tenth more for the
// followed car); picks the best car and the best covering camera (cameraScore, with a strong
// preference for the camera already live on the followed car); and builds the camera packet:
// a TV camera aimed at the car (time 1500 while the camera stays, 0 on a cut) or the on-board
// view of the car (in-game camera 4). After six cuts on the same car it shows the car on board
// (chooseOnboardView installs the custom view that fits the gaps ahead and behind) until the
// cuts pass ten, or the car runs level with another for more than six cycles; each long run on
// one car makes the on-board view rarer. The GUI client's manual selection overrides the choice
// of car: one car, a group (aimed at its centre from the camera reaching furthest past it) or an
// on-board view. Changes of the followed car during a race are announced on the overlay.
//
// The cycle runs as named steps over one CycleChoice: StartPacket, CleanAndSortRaceOrder,
// RateBattles, ChooseCar, ChooseCamera, then ManualOverride or DirectAutomatically, BuildPacket and
// EndOfCycleReset. Each is its own function so that a later rule set can replace one (its signals
// and weights) and keep the others.
//
// Everything is in fixed tables; a cycle allocates nothing. InSim thread only.
#pragma once

#include <cstdint>

#include "director/engine/broadcast_rules.h"
#include "director/engine/custom_views.h"
#include "director/engine/director_state.h"
#include "director/engine/score_curve.h"
#include "director/engine/track_path.h"
#include "director/engine/view_numbers.h"
#include "director/insim/packets.h"
#include "director/insim/race_state.h"
#include "director/insim/state_report.h"
#include "platform/thread.h"

namespace director {

inline constexpr std::uint16_t kGlideTimeMs = 1500;
inline constexpr std::uint16_t kFreeViewFlags = ISS_SHIFTU;  // SHIFT+U free view
inline constexpr int kOnboardCuts = 6;                       // times onboardInterval
inline constexpr int kLongRunCuts = 10;                      // times onboardInterval
inline constexpr std::uint8_t kMaxOnboardInterval = 10;
inline constexpr std::uint8_t kMaxLevelCycles = 6;
inline constexpr int kInShotHeading = 546;  // 3 degrees
inline constexpr std::uint16_t kLookAheadNodes = 8;

// The overlay's announcement of the driver the director has started to follow; position 0 with
// an empty name withdraws it.
class DriverAnnouncer {
 public:
  virtual ~DriverAnnouncer() = default;
  virtual void AnnounceDriver(InsimLink& link, const char* name, std::uint8_t position) = 0;
};

// What the steps of a cycle have chosen so far, besides chosenCar in the director state.
struct CycleChoice {
  int camera = -1;   // index in the CameraStore; -1: none, or the on-board view
  int position = 0;  // the chosen car's 1-based place in raceOrder; 0: no car chosen this cycle
};

class DirectorCycle {
 public:
  // onboardViews false: the director is not directing, so the on-board view is never chosen and
  // no custom view file is touched (the user's own files are only backed up on activation).
  DirectorCycle(DirectorState& state, RaceState& race, TrackPath& track, const StateReport& report,
                plat::Clock& clock, DriverAnnouncer& announcer, ViewInstaller& views,
                bool onboardViews = true)
      : st_(state),
        race_(race),
        track_(track),
        report_(report),
        clock_(clock),
        announcer_(announcer),
        views_(views),
        onboardViews_(onboardViews) {}

  // The broadcast rule set decides with the classic scoring; null (the default): classic alone.
  void useBroadcastRules(BroadcastRules* rules) { broadcast_ = rules; }

  // Fills the packet; its field of view stays 0.0 (nothing to send) when no car is on track.
  // Leaves the shot's reason in the director state, and whether the cycle cut.
  void runDirectorCycle(InsimLink& link, CameraPositionRecord* packet);

  // The score of showing the car from camera k (0: the camera does not cover the car).
  std::uint32_t cameraScore(int k, std::uint8_t car, std::int32_t followed, bool onboard,
                            std::uint32_t now) const;
  // Installs the custom view for the car at the 1-based place of raceOrder that suits its gaps
  // to the cars ahead and behind; false when it is level with one of them or nothing could be
  // installed. Writes "P=%d, N=%d" to standard output.
  bool chooseOnboardView(int position);

 private:
  // The steps of runDirectorCycle, in their order.
  static void StartPacket(CameraPositionRecord* packet);
  void CleanAndSortRaceOrder();
  void RateBattles();
  CycleChoice ChooseCar();
  // excluded (by player id) leaves cars out; null: every car in raceOrder is scored.
  void ChooseCamera(std::uint32_t now, CycleChoice* choice, const bool* excluded = nullptr);
  // The broadcast rules' choice of car and camera (director_cycle_broadcast.cpp), and the
  // reason they give once the shot is decided.
  CycleChoice ChooseByBroadcastRules(std::uint32_t now, Focus* focus);
  CycleChoice CameraFor(std::uint8_t car) const;
  // Nodes from the car to the end of what camera k frames of the track (its range and half its
  // length more on either side, within kFramedMetres of the camera); -1 when k does not frame it.
  int FramedReach(int k, std::uint8_t car) const;
  // The same for a node and a point of it (world units).
  int FramedReachAt(int k, std::int32_t node, double x, double y, double z) const;
  // The camera for a still shot of the finish line; -1 when none frames it.
  int LineCamera() const;
  bool FramedByAny(std::uint8_t car) const;
  // The broadcast rules' choice of car without a focus (or against a hold): into chosenCar.
  void ChooseBroadcastCar(std::uint32_t now);
  void ExplainBroadcastShot(const Focus& focus, bool heldAgainst);
  int ManualCount() const;
  void ManualOverride(int count, std::uint32_t now, CycleChoice* choice,
                      CameraPositionRecord* packet);
  void DirectAutomatically(InsimLink& link, std::uint32_t now, CycleChoice* choice,
                           CameraPositionRecord* packet);
  void BuildPacket(int camera, int manualCount, CameraPositionRecord* packet);
  void EndOfCycleReset();

  // Helpers of the steps.
  std::uint16_t GroupCentreNode(int count) const;
  int CameraReachingFurthest(std::uint16_t g) const;
  bool TakeCamera(int chosen, std::uint32_t now, CameraPositionRecord* packet);
  void CountSameCarCut(InsimLink& link, int position);
  void CountLevelCycles();
  void SetActive(int k, bool on, std::uint32_t now);
  void Announce(InsimLink& link, int position);
  bool LevelWithAnother(std::uint8_t car) const;
  void ExplainBattle(int position);

  DirectorState& st_;
  RaceState& race_;
  TrackPath& track_;
  const StateReport& report_;
  plat::Clock& clock_;
  DriverAnnouncer& announcer_;
  ViewInstaller& views_;
  bool onboardViews_;
  BroadcastRules* broadcast_ = nullptr;
  bool heldAgainst_ = false;  // the broadcast hold kept a shot the scoring would have left
  bool lineShot_ = false;     // this cycle's camera waits on the finish line
};

// A player record that stopped receiving samples: off the race order, race figures cleared.
void ResetMissingCar(PlayerRecord& record);

}  // namespace director
