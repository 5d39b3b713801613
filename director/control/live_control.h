// The user's switch of the director and the edit mode in which camera positions are laid out.
//
// Activate and Deactivate switch the director on and off with a message on the simulator's
// screen each time ("active", "inactive", or why not); activation hides the 2D display and backs
// up the user's custom view files, deactivation removes the overlay, hands the camera back to the
// simulator's TV camera, shows the 2D display and restores the view files. They are reached by the
// echoed texts "activate Morvane" / "deactivate Morvane" (the simulator's Ctrl+F keys over InSim
// version 4), by the director's own hotkeys over version 3 (Ctrl and an F-key, one action per
// press), and by the automatic activation a set race time (ActivationDelay, 1/100 s) after the
// race clock starts. Edit mode is entered with the chat command ": e" and left with ": x"; in it
// ": a", ": n", ": p", ": m" and ": d" add, step through, move and delete camera positions at the
// simulator's free camera, and leaving it saves the track's camera file. PostCars gives the GUI
// client the cars with the director's focus. Every message goes out with the "^3Morvane: ^2"
// prefix; GUI records only while GUI access is on. InSim thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "director/insim/director_settings.h"
#include "director/control/control_state.h"
#include "director/engine/director_cycle.h"
#include "director/engine/director_state.h"
#include "director/engine/track_path.h"
#include "director/insim/discovery.h"
#include "link/gui_post.h"
#include "director/insim/packets.h"
#include "director/insim/race_state.h"
#include "director/insim/state_report.h"
#include "platform/keys.h"

namespace director {

inline constexpr char kActivateCommand[] = "activate Morvane";
inline constexpr char kDeactivateCommand[] = "deactivate Morvane";

inline constexpr char kActiveText[] = "active";
inline constexpr char kInactiveText[] = "inactive";
inline constexpr char kInEditModeText[] = "currently in edit mode";
inline constexpr char kNoCamerasText[] = "no camera positions defined for this track";
inline constexpr char kSpeedupText[] = "please disable the multiplayer speedup option in LFS";
inline constexpr char kEditModeOnText[] = "switched into edit mode";
inline constexpr char kEditModeOffText[] = "leaving edit mode";
inline constexpr char kAddedText[] = "added a new cam position";
inline constexpr char kNextCamText[] = "switched to next cam";
inline constexpr char kPreviousCamText[] = "switched to previous cam";
inline constexpr char kMovedText[] = "moved camera to this new position";
inline constexpr char kFirstCamText[] = "created the first cam on this track";
inline constexpr char kDeletedText[] = "camera position deleted";
inline constexpr char kNextAfterDeleteText[] = "switched to next camera";
inline constexpr char kNoCameraHereText[] = "no camera at this position";
// Leaving edit mode could not write the camera file: the changes stay marked for the next save.
inline constexpr char kSaveFailedText[] = "could not save the cam positions";

// The edit-mode view of a track without camera positions: 2 m above the first car, looking back.
inline constexpr std::int32_t kEditViewHeight = 131072;
inline constexpr std::uint16_t kLookBack = 32768;

// Whether a key (a Windows virtual-key code) is held down right now.
using KeyReader = bool (*)(int virtualKey);

// What the switch and the edit mode ask of the rest of the director.
class ControlServices {
 public:
  virtual ~ControlServices() = default;
  // With active false: remove every overlay button and reset the overlay.
  virtual void OverlayUpdate(InsimLink& link, bool active) = 0;
  virtual void AnnounceDriver(InsimLink& link, const char* name, std::uint8_t position) = 0;
  // Null on success, else the message to show.
  virtual const char* InstallCustomView(std::uint8_t kind, std::uint8_t plid) = 0;
  virtual void BackupViews() = 0;
  virtual void RestoreViews() = 0;
  // A camera at the simulator's camera position; false when none was added (a full store has
  // told the user so already).
  virtual bool AddCameraAtView(InsimLink& link) = 0;
  // Writes the track's camera file when it has unsaved changes; false when that failed.
  virtual bool SaveCameras() = 0;
};

// The parts of the director this module works on.
struct ControlParts {
  const Settings& settings;          // GUI access, hotkeys, automatic activation
  const SimulatorConfig& simulator;  // ActivationDelay
  ControlState& control;
  DirectorState& director;            // chosenCar, followedCar, liveCamera, manual selection
  RaceState& race;                    // raceOrder, players, view position, race-started flag
  const StateReport& state;           // the simulator's last state report
  std::unique_ptr<TrackPath>& track;  // the current track path (null: none)
  glink::GuiPost& gui;
  ControlServices& services;
};

class LiveControl {
 public:
  explicit LiveControl(const ControlParts& parts) : p_(parts) {}

  // At Start: automatic activation armed when the setting is checked, else off. The InSim
  // thread's restarts (one per GUI client) keep the state, so a disarmed activation stays off.
  void ArmAutoActivation();

  void Activate(InsimLink& link);
  void Deactivate(InsimLink& link);
  void EnterEditMode(InsimLink& link);
  void LeaveEditMode(InsimLink& link);
  // Every message text from the simulator (changed in place: colour codes are removed).
  void HandleTextCommand(InsimLink& link, char* text);
  // Version 3: Ctrl and the activation or deactivation F-key, once per press.
  void PollHotkeys(InsimLink& link);
  // Race time reports (1/100 s) drive the automatic activation.
  void HandleRaceTime(InsimLink& link, std::uint32_t raceTime);
  // GLM_CARS with the first n cars of raceOrder (at most 40: the leaders) and their focus flags.
  void PostCars(std::uint8_t n);

  const ControlParts& Parts() const { return p_; }
  // The keyboard (tests replace it).
  KeyReader keyDown = &plat::KeyDown;

 private:
  void Show(InsimLink& link, const char* text);
  void SendCamera(InsimLink& link, CameraPositionRecord& packet);
  void RunEditCommand(InsimLink& link, const char* command);

  ControlParts p_;
};

}  // namespace director
