// The director as the InSim thread runs it, for the InSim fuzz targets: the real DirectorCore
// over a program directory with the track "RS1", GUI access on (so every GUI record is posted
// too), a test clock, a checking packet sink, and the session's own update step. One rig per
// input, so that every input starts from the state of a fresh connection.
#pragma once

#include <cstdint>
#include <memory>

#include "director/app/director_core.h"
#include "director/insim/session.h"
#include "fuzz/fuzz_support.h"
#include "link/message_queue.h"
#include "link/link_messages.h"
#include "platform/thread.h"

namespace fuzz {

inline const Install& TheInstall() {
  static const Install install;
  return install;
}

// The simulator is found in the scratch directory, never by scanning the machine's processes.
inline bool FindScratchSimulator(std::string* directory) {
  *directory = TheInstall().simulator;
  return true;
}

// Options taken from the first byte of an input.
inline constexpr std::uint8_t kOptActive = 0x01;           // the director is switched on
inline constexpr std::uint8_t kOptOverlayDisabled = 0x02;  // the overlay setting

struct DirectorRig {
  DirectorRig(std::uint8_t version, std::uint8_t options) : sink(version) {
    TheInstall().ResetCameras();
    settings.insimVersion = version;
    settings.guiAccess = 1;
    settings.overlayDisabled = (options & kOptOverlayDisabled) ? 1 : 0;
    core = std::make_unique<director::DirectorCore>(settings, clock, toGui, toDirector,
                                                    TheInstall().program);
    core->simulatorFinder = &FindScratchSimulator;
    thread = std::make_unique<director::InsimThread>(settings, clock, toGui, *core);
    link.version = version;
    link.sink = &sink;
    link.clock = &clock;
    link.lastSendTick = &lastSend;
    link.simVersion = "0.6T";
    glink::PostVersion(toGui, version);
    core->OnThreadStart();
    core->OnAttemptBegin();
    core->OnGreeted(link);
    core->control.directorActive = (options & kOptActive) ? 1 : 0;
  }
  ~DirectorRig() {
    core->OnAttemptEnd();
    DrainChecked(toGui);
  }

  // What must hold whatever the simulator or the client sent: a loaded track has nodes and a
  // valid camera store, every car is listed at most once, the manual selection fits its table.
  void CheckState() const {
    const director::DirectorCore& c = *core;
    if (c.track) {
      const director::TrackPath& t = *c.track;
      Check(t.nodeCount >= 1 && t.nodeCount <= director::kMaxPathNodes, "track nodes");
      const director::CameraStore& store = t.cameras;
      Check(store.count <= director::kMaxCameras, "camera count");
      Check(store.count == 0 || store.current < store.count, "current camera");
      for (int i = 0; i < store.count; ++i) {
        const director::CameraPosition& cam = store.cameras[i];
        Check(cam.rangeStart < t.nodeCount && cam.rangeEnd < t.nodeCount, "camera range");
        Check(cam.nearestNode < t.nodeCount, "camera node");
        Check(i == 0 || store.cameras[i - 1].nearestNode <= cam.nearestNode, "camera order");
      }
    }
    const director::RaceOrder& order = c.race.raceOrder;
    Check(order.count <= director::kMaxRaceOrder, "race order count");
    bool listed[256] = {};
    for (int i = 0; i < order.count; ++i) {
      Check(!listed[order.ids[i]], "a car listed twice in the race order");
      listed[order.ids[i]] = true;
    }
    Check(c.director.manual.count <= director::kMaxManualCars, "manual selection");
  }

  // What the receive loop does after a read: carry out GUI requests, run the update step when a
  // set of car positions was completed, and let the server take what was posted.
  void AfterRead(bool setComplete) {
    core->HandleGuiRequests(link);
    if (setComplete) thread->UpdateStep(link);
    clock.Advance(10);
    DrainChecked(toGui);
    CheckState();
  }

  director::Settings settings;
  plat::ManualClock clock{1000};
  glink::MessageQueue toGui;
  glink::MessageQueue toDirector;
  std::unique_ptr<director::DirectorCore> core;
  std::unique_ptr<director::InsimThread> thread;
  CheckedSink sink;
  std::uint32_t lastSend = 0;
  director::InsimLink link;
};

}  // namespace fuzz
