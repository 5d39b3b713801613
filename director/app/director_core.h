// The director's handler of the InSim session: it owns everything the InSim thread knows and
// carries out every packet and question of the session by calling the modules.
//
// It holds the race state with its handlers, the simulator directory and the two settings of
// "Morvane.cfg", the last state report, the current track path with its cameras, the director's
// state, the activation and edit-mode flags and the overlay state. The state report handler keeps
// the report, loads the track's path and cameras when the track changes (outside edit mode), tells
// the simulator "could not load pth file" while it is in a game or replay without a usable path,
// tells the GUI client about the track and the stopped race clock, and resets the race when the
// simulator returns to its front end. Only the InSim thread calls it.
//
// A few behaviours are carried out by the director cycle, the activation and edit mode
// (LiveControl, with the GUI client's requests), and the overlay; they are reached through the
// methods marked below, so every caller here already calls them where they belong.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "director/app/settings.h"
#include "director/control/control_state.h"
#include "director/control/live_control.h"
#include "director/engine/car_positions.h"
#include "director/engine/custom_views.h"
#include "director/engine/director_cycle.h"
#include "director/engine/director_state.h"
#include "director/engine/track_path.h"
#include "director/insim/discovery.h"
#include "director/insim/race_state.h"
#include "director/insim/session_handlers.h"
#include "director/insim/state_report.h"
#include "director/overlay/overlay_state.h"
#include "link/gui_post.h"
#include "web/web_publisher.h"
#include "link/message_queue.h"
#include "platform/thread.h"

namespace director {

inline constexpr char kNoPathText[] = "could not load pth file";

class DirectorCore : public SessionHandlers, public DriverAnnouncer, public ControlServices {
 public:
  DirectorCore(const Settings& settings, plat::Clock& clock, glink::MessageQueue& toGui,
               glink::MessageQueue& toDirector, const std::string& programDirectory);
  DirectorCore(const DirectorCore&) = delete;
  DirectorCore& operator=(const DirectorCore&) = delete;

  // --- The session's calls ---
  void OnThreadStart() override;
  void OnThreadEnd() override;
  void OnAttemptBegin() override;
  void OnGreeted(InsimLink& link) override;
  void OnAttemptEnd() override;
  void OnAttemptEndedActive() override;

  void OnState(InsimLink& link, const StateReport& report) override;
  void OnCameraPosition(const CameraPositionRecord& camera) override {
    tracker.CameraPosition(camera);
  }
  void OnRaceStart(InsimLink& link) override;
  void OnNewPlayerV4(const NewPlayerPacket& player) override { tracker.NewPlayerV4(player); }
  void OnNewPlayerV3(InsimLink& link, const NewPlayerPacketV3& player) override {
    tracker.NewPlayerV3(link, player);
  }
  void OnLapV4(const LapDone& lap) override { tracker.LapV4(lap); }
  void OnLapV3(const LapDoneV3& lap) override { tracker.LapV3(lap); }
  void OnSplit(const SplitPassed& split) override { tracker.Split(split); }
  void OnPit(const PitStop& stop) override { tracker.Pit(stop); }
  void OnPitLane(const PitLaneChange& change) override { tracker.PitLane(change); }
  // A yellow flag a car causes, and a car reset, are incidents for the broadcast rules.
  void OnRaceFlag(const RaceFlag& flag) override {
    if (flag.flag == FLG_YELLOW && flag.on != 0)
      broadcast->noteEvent(EventKind::kYellowFlag, flag.plid);
  }
  void OnCarReset(const CarReset& reset) override {
    broadcast->noteEvent(EventKind::kReset, reset.plid);
  }
  void OnContact(const CarContact& contact) override {
    broadcast->noteContact(contact.a.plid, contact.b.plid, contact.closingTenths / 10.0);
  }
  void OnResult(const ResultPacket& res) override { tracker.Result(res); }
  bool OnCarPositions(const CarPositions& positions) override {
    return takeCarPositions(race, track.get(), positions);
  }

  // Activation, hotkeys, text commands and the GUI client's requests.
  void PollHotkeys(InsimLink& link) override { live.PollHotkeys(link); }
  void HandleGuiRequests(InsimLink& link) override;
  void OnMessageText(InsimLink& link, char* text) override { live.HandleTextCommand(link, text); }
  void OnRaceTime(InsimLink& link, std::uint32_t time) override { live.HandleRaceTime(link, time); }
  void PostCars(std::uint8_t count) override { live.PostCars(count); }
  // The web view (when one is on) hears of every set of positions.
  void AfterPositionSet() override;

  bool DirectorActive() override { return control.directorActive != 0; }
  bool EditMode() override { return control.editMode != 0; }
  int CameraCount() override { return track ? track->cameras.count : 0; }
  std::uint16_t StoredStateFlags() override { return state.flags; }
  bool RaceWithLaps() override { return state.RaceWithLaps(); }
  // Outside a race with laps every car counts its laps from 1 again and has no stops.
  void ResetLapFigures() override;
  // The director's decision for this set of car positions (needs a track with cameras).
  void RunDirectorCycle(InsimLink& link, CameraPositionRecord* rec) override;
  // The race clock as it stands now, from its last reading; -1 without one.
  std::int64_t RaceClockNow();
  // GLM_SHOT_REASON when the reason of the shot has changed.
  void PostShotReason();
  void ClearLiveCamera() override { director.liveCamera = -1; }
  int RaceOrderCount() override { return race.raceOrder.count; }

  // --- Behaviours of the director cycle, activation and edit mode, and the overlay ---
  // Overlay: one pass, or with active false remove every button and reset.
  void OverlayUpdate(InsimLink& link, bool active) override;
  // Activation: switch the director off with its messages.
  void Deactivate(InsimLink& link) { live.Deactivate(link); }
  // Edit mode: leave it, saving the track's cameras.
  void LeaveEditMode(InsimLink& link) { live.LeaveEditMode(link); }
  // At Start (not at the InSim thread's restarts): automatic activation from the setting.
  void ArmAutoActivation() { live.ArmAutoActivation(); }
  // Overlay: remove its buttons and forget the race's displays when the simulator is back at its
  // front end.
  void ResetOverlayForNewRace(InsimLink& link);
  // Overlay: the director or the GUI client follows another driver.
  void AnnounceDriver(InsimLink& link, const char* name, std::uint8_t position) override;
  // Custom views: install a view kind for a car; null on success, else the message to show.
  // Kind 255 resets the installer.
  const char* InstallCustomView(std::uint8_t kind, std::uint8_t plid) override {
    return views.installCustomView(kind, plid);
  }
  // Custom views: keep the user's own view files while the director is active, and put them back.
  void BackupViews() override { views.backupViews(); }
  void RestoreViews() override { views.restoreViews(); }
  // Director: build its score curves.
  void BuildScoreCurves() { director::BuildScoreCurves(&director.curves); }

  // Edit mode's add: a camera at the simulator's camera position. On a full store nothing is
  // added and the user reads kCameraStoreFullText on the simulator's screen. False when nothing
  // was added (also without a track).
  bool AddCameraAtView(InsimLink& link) override;
  // Writes the current track's camera file when it has unsaved changes; true when nothing was
  // left unsaved (also without a track).
  bool SaveCameras() override;
  CameraStore* Cameras() { return track ? &track->cameras : nullptr; }

  const Settings& settings;
  plat::Clock& clock;
  glink::MessageQueue& toGui;
  glink::MessageQueue& toDirector;
  const std::string& programDirectory;

  glink::GuiPost gui;
  RaceState race;
  StateReport state;
  SimulatorConfig simulator;
  std::unique_ptr<TrackPath> track;  // null: no track path loaded
  DirectorState director;
  // The broadcast rule set's memory, kept whichever rule set runs (it is large: on the heap).
  std::unique_ptr<BroadcastRules> broadcast = std::make_unique<BroadcastRules>();
  ShotReason postedReason;  // the last reason the GUI client was told
  bool onboardShot = false;  // the director's last shot was an on-board view
  // Set by the program while the web view is on; the InSim thread's only link to it.
  std::atomic<WebPublisher*> web{nullptr};
  ControlState control;
  OverlayState overlay;
  RaceTracker tracker;
  // The custom view files of the on-board pictures, in the simulator's directory.
  CustomViews views{race.players, programDirectory, simulator.simulatorDirectory};
  // How the running simulator is found when "Path2LFS" is not set (tests replace it).
  SimulatorFinder simulatorFinder;
  // The switch, the edit mode and the GUI requests over the parts above.
  LiveControl live{
      ControlParts{settings, simulator, control, director, race, state, track, gui, *this}};
};

}  // namespace director
