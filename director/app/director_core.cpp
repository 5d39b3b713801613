#include "director/app/director_core.h"

#include <cstdio>
#include <cstring>

#include "director/control/gui_requests.h"
#include "director/insim/packets.h"
#include "director/overlay/overlay.h"
#include "platform/sim_discovery.h"

namespace director {

namespace {

constexpr std::uint8_t kResetViewInstaller = 255;

}  // namespace

DirectorCore::DirectorCore(const Settings& settingsIn, plat::Clock& clockIn,
                           glink::MessageQueue& toGuiIn, glink::MessageQueue& toDirectorIn,
                           const std::string& programDirectoryIn)
    : settings(settingsIn),
      clock(clockIn),
      toGui(toGuiIn),
      toDirector(toDirectorIn),
      programDirectory(programDirectoryIn),
      gui(toGui, settings.guiAccess),
      tracker(race, state, gui, clock),
      simulatorFinder(&plat::FindRunningSimulator) {}

void DirectorCore::OnThreadStart() {
  BuildScoreCurves();
  director.manual.count = 0;
  postedReason = ShotReason{};  // a new GUI client hears the reason afresh
}

void DirectorCore::OnThreadEnd() {
  if (!track) return;
  // Cameras changed in edit mode are kept; the thread ends without the edit mode's messages.
  if (control.editMode != 0) {
    control.editMode = 0;
    SaveCameras();
  }
  track.reset();
  broadcast->setTrack(nullptr);
}

void DirectorCore::OnAttemptBegin() {
  control.directorActive = 0;
  race.raceStarted = 0;
  race.resultCount = 0;
}

void DirectorCore::OnGreeted(InsimLink& link) {
  views.SetSimVersion(link.simVersion);
  DiscoverSimulator(programDirectory, &simulator, simulatorFinder);
  InstallCustomView(kResetViewInstaller, 0);
  tracker.LoadAliasTable(programDirectory);
}

void DirectorCore::OnAttemptEnd() {
  tracker.ClearAliasTable();
  if (WebPublisher* publisher = web.load(); publisher != nullptr) publisher->LinkLost();
}

void DirectorCore::OnAttemptEndedActive() { RestoreViews(); }

void DirectorCore::OnState(InsimLink& link, const StateReport& report) {
  state = report;
  const bool inGame = state.InGameOrReplay();

  if (control.editMode != 0) {
    OverlayUpdate(link, false);
    if (!state.FreeView() || !inGame) LeaveEditMode(link);
  } else {
    if (!track || std::strcmp(track->name, state.track) != 0) {
      // Cameras can only have changed in edit mode, which saved them when it ended.
      track.reset();
      track = LoadTrackPath(state.track, simulator.simulatorDirectory, programDirectory, &gui);
      broadcast->setTrack(track.get());
    }
    if (inGame && !track) SendText(link, kNoPathText, true);
  }

  if (gui.On()) {
    if (inGame && track) {
      gui.Track(state.track, track->nodeCount, track->finishNode);
    } else {
      gui.NoTrack();
      director.manual.count = 0;
    }
  }

  if (!state.NormalSpeed() || !inGame) {
    race.raceTime.time = 0;
    gui.RaceClock(0);
  }

  if (!inGame) {
    if (control.directorActive != 0) Deactivate(link);
    if (control.autoActivation != kAutoActivationOff) control.autoActivation = kAutoActivationArmed;
    ResetOverlayForNewRace(link);
    race.raceStarted = 0;
    tracker.ClearRaceFields();
  }
}

void DirectorCore::OnRaceStart(InsimLink& link) {
  director.followedCar = -1;
  tracker.BeginRace();
  OverlayUpdate(link, false);
  tracker.FinishRaceStart(link);
}

void DirectorCore::ResetLapFigures() {
  for (PlayerRecord& record : race.players.records) {
    record.lapFigure = 1;
    record.stopCount = 0;
  }
}

bool DirectorCore::AddCameraAtView(InsimLink& link) {
  if (!track) return false;
  const SimCameraPosition& view = race.viewPosition;
  if (track->cameras.Add(view.x, view.y, view.z)) return true;
  SendText(link, kCameraStoreFullText, true);
  return false;
}

bool DirectorCore::SaveCameras() {
  if (!track) return true;
  return track->cameras.WriteCameraFile(CameraFile(programDirectory, track->name));
}

void DirectorCore::OverlayUpdate(InsimLink& link, bool active) {
  director::OverlayUpdate(overlay, {link, clock, race, state, simulator.overlayColour}, active);
}

void DirectorCore::HandleGuiRequests(InsimLink& link) {
  director::HandleGuiRequests(link, toDirector, live);
}

void DirectorCore::ResetOverlayForNewRace(InsimLink& link) {
  director::ResetOverlayForNewRace(overlay, {link, clock, race, state, simulator.overlayColour});
}

void DirectorCore::AnnounceDriver(InsimLink& link, const char* name, std::uint8_t position) {
  director::AnnounceDriver(overlay, {link, clock, race, state, simulator.overlayColour}, name,
                           position);
}

void DirectorCore::PostShotReason() {
  // While the director directs, the GUI client hears of every new reason; when it stops, the
  // reason is withdrawn once.
  const char* reason = control.directorActive != 0 ? director.reason.text : "";
  if (std::strcmp(reason, postedReason.text) == 0) return;
  reasonText(&postedReason, reason);
  gui.ShotReason(reason);
}

void DirectorCore::RunDirectorCycle(InsimLink& link, CameraPositionRecord* rec) {
  if (!track) {
    *rec = CameraPositionRecord{};
    return;
  }
  // An inactive director's cycles cut on every set (nothing is live), and its decisions are not
  // shown: it must not copy custom views over the user's files before they are backed up.
  DirectorCycle cycle(director, race, *track, state, clock, *this, views,
                      control.directorActive != 0);
  if (settings.rules == kRulesBroadcast) cycle.useBroadcastRules(broadcast.get());
  cycle.runDirectorCycle(link, rec);
  if (rec->fov != 0.0f) onboardShot = rec->inGameCam == kCustomViewCamera;
  PostShotReason();
  if (settings.printReasons != 0 && control.directorActive != 0 && director.cut != 0) {
    char line[2 * kShotReasonSize];
    const int camera = rec->inGameCam == kCustomViewCamera ? -1 : director.liveCamera;
    formatCutLine(director.chosenCar, camera, director.reason, line, sizeof line);
    std::fputs(line, stdout);
    std::fflush(stdout);
  }
}

std::int64_t DirectorCore::RaceClockNow() {
  if (race.raceTime.time == 0) return -1;
  std::int64_t now = race.raceTime.time;
  if (state.raceInProgress != 0 && state.NormalSpeed()) now += clock.Now() - race.raceTime.tick;
  return now;
}

void DirectorCore::AfterPositionSet() {
  WebPublisher* publisher = web.load();
  if (publisher == nullptr) return;
  const WebSources sources{race, state, director, track.get(), control.directorActive != 0,
                           onboardShot};
  publisher->AfterPositions(sources, RaceClockNow());
}

}  // namespace director
