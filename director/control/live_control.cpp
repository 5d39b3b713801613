#include "director/control/live_control.h"

#include <cstring>

#include "link/link_messages.h"

namespace director {

void LiveControl::ArmAutoActivation() {
  p_.control.autoActivation =
      p_.settings.autoActivate != 0 ? kAutoActivationArmed : kAutoActivationOff;
  p_.control.firstRaceTime = 0;
}

void LiveControl::Show(InsimLink& link, const char* text) { SendText(link, text, true); }

void LiveControl::SendCamera(InsimLink& link, CameraPositionRecord& packet) {
  SendCameraPosition(link, packet);
  link.MarkSent();
}

void LiveControl::Activate(InsimLink& link) {
  ControlState& c = p_.control;
  if (c.editMode != 0) {
    Show(link, kInEditModeText);
    return;
  }
  if (c.directorActive != 0) {
    Show(link, kActiveText);
  } else {
    if (!p_.track) return;
    if (p_.track->cameras.count == 0) {
      Show(link, kNoCamerasText);
      return;
    }
    if (p_.race.raceStarted == 0) {
      // Without the race start the director would not know the players' race figures.
      if (link.version == 3) {
        SendRequest(link, kV3NPL, 0);
      } else {
        SendTiny(link, 1, TINY_RST);
      }
    }
    c.directorActive = 1;
    p_.director.followedCar = -1;
    Show(link, kActiveText);
    SendShow2D(link, 0);
    link.MarkSent();
    p_.services.BackupViews();
  }
  if ((p_.state.flags & ISS_MPSPEEDUP) != 0) Show(link, kSpeedupText);
}

void LiveControl::Deactivate(InsimLink& link) {
  ControlState& c = p_.control;
  if (c.editMode != 0) {
    Show(link, kInEditModeText);
    return;
  }
  if (c.directorActive == 0) {
    Show(link, kInactiveText);
    return;
  }
  c.directorActive = 0;
  if (c.autoActivation != kAutoActivationOff) c.autoActivation = kAutoActivationDisarmed;
  if (p_.gui.On()) PostCars(0);
  Show(link, kInactiveText);
  p_.services.OverlayUpdate(link, false);
  if ((p_.state.flags & ISS_SHIFTU) != 0) {
    // Back to the simulator's TV camera on the leader; with no car on track the simulator
    // chooses the car itself.
    const RaceOrder& order = p_.race.raceOrder;
    SendViewCamera(link, kTvCamera, order.count > 0 ? order.ids[0] : 0, 0);
    link.MarkSent();
  }
  SendShow2D(link, 1);
  link.MarkSent();
  p_.services.RestoreViews();
}

void LiveControl::EnterEditMode(InsimLink& link) {
  if (!p_.track) return;  // every caller has a track; there is nothing to edit without one
  CameraStore& store = p_.track->cameras;
  p_.services.OverlayUpdate(link, false);
  p_.control.editMode = 1;
  Show(link, kEditModeOnText);
  if (p_.gui.On()) {
    // The client empties its camera list on this record and rebuilds it from the ones after.
    if (glink::MessageQueue* q = p_.gui.Queue())
      glink::PostEditMode(*q, glink::GLM_EDIT_MODE, true);
    for (std::uint16_t i = 0; i < store.count; ++i) store.Announce(i);
  }
  store.current = 0;
  CameraPositionRecord packet;
  if (store.count > 0) {
    store.makeCameraPacket(&packet);
  } else {
    packet.inGameCam = kTvCamera;
    packet.fov = kCameraPacketFov;
    packet.flags = ISS_SHIFTU;
    const RaceOrder& order = p_.race.raceOrder;
    if (order.count > 0) {
      const CompCar& car = p_.race.players[order.ids[0]].carSample;
      packet.x = car.x;
      packet.y = car.y;
      packet.z = car.z + kEditViewHeight;
      packet.heading = static_cast<std::uint16_t>(car.heading + kLookBack);
    } else {
      // No car to look at: the free camera starts where the simulator's camera last was.
      packet.x = p_.race.viewPosition.x;
      packet.y = p_.race.viewPosition.y;
      packet.z = p_.race.viewPosition.z;
    }
  }
  SendCamera(link, packet);
}

void LiveControl::LeaveEditMode(InsimLink& link) {
  p_.control.editMode = 0;
  Show(link, kEditModeOffText);
  if (glink::MessageQueue* q = p_.gui.Queue()) glink::PostEditMode(*q, glink::GLM_EDIT_MODE, false);
  if (!p_.services.SaveCameras()) Show(link, kSaveFailedText);
  p_.director.liveCamera = -1;
  if (!p_.track || p_.track->cameras.count == 0) {
    Show(link, kNoCamerasText);
    if (p_.control.directorActive != 0) Deactivate(link);
  }
}

void LiveControl::HandleTextCommand(InsimLink& link, char* text) {
  if (!p_.state.InGameOrReplay() || !p_.track) return;
  if (std::strcmp(text, kActivateCommand) == 0) {
    Activate(link);
    return;
  }
  if (std::strcmp(text, kDeactivateCommand) == 0) {
    Deactivate(link);
    return;
  }
  ColourStrip(text);
  // A chat line reads "name : text"; the commands include the colon.
  const char* command = std::strchr(text, ':');
  if (command == nullptr) return;
  if (p_.control.editMode == 0) {
    if (std::strcmp(command, ": e") == 0) EnterEditMode(link);
    return;
  }
  RunEditCommand(link, command);
}

void LiveControl::RunEditCommand(InsimLink& link, const char* command) {
  CameraStore& store = p_.track->cameras;
  const SimCameraPosition& view = p_.race.viewPosition;
  CameraPositionRecord packet;
  if (std::strcmp(command, ": a") == 0) {
    if (p_.services.AddCameraAtView(link)) Show(link, kAddedText);
  } else if (std::strcmp(command, ": n") == 0) {
    if (store.Next(&packet)) {
      SendCamera(link, packet);
      Show(link, kNextCamText);
    }
  } else if (std::strcmp(command, ": p") == 0) {
    if (store.Previous(&packet)) {
      SendCamera(link, packet);
      Show(link, kPreviousCamText);
    }
  } else if (std::strcmp(command, ": m") == 0) {
    if (store.count > 0) {
      if (store.MoveCurrent(view.x, view.y, view.z)) Show(link, kMovedText);
    } else if (p_.services.AddCameraAtView(link)) {
      Show(link, kFirstCamText);
    }
  } else if (std::strcmp(command, ": d") == 0) {
    if (store.DeleteNear(view.x, view.y, view.z, &packet)) {
      Show(link, kDeletedText);
      if (store.count > 0) {
        SendCamera(link, packet);
        Show(link, kNextAfterDeleteText);
      }
    } else {
      Show(link, kNoCameraHereText);
    }
  } else if (std::strcmp(command, ": x") == 0) {
    LeaveEditMode(link);
  }
}

void LiveControl::PollHotkeys(InsimLink& link) {
  const Settings& s = p_.settings;
  ControlState& c = p_.control;
  const bool ctrl = keyDown(plat::kKeyControl);
  // The poll runs every 10 ms, so a press lasts many passes: it acts once, and the same key for
  // both toggles once per press instead of on every pass.
  if (c.hotkeyHeld != 0 && !(ctrl && keyDown(c.hotkeyHeld))) c.hotkeyHeld = 0;
  const bool active = c.directorActive != 0;
  const int key = plat::kKeyF1 + (active ? s.deactivateKey : s.activateKey);
  if (!ctrl || key == c.hotkeyHeld || !keyDown(key)) return;
  c.hotkeyHeld = static_cast<std::uint8_t>(key);
  if (active) {
    char text[sizeof(kDeactivateCommand)];
    std::memcpy(text, kDeactivateCommand, sizeof(text));
    HandleTextCommand(link, text);
  } else {
    Activate(link);
  }
}

void LiveControl::HandleRaceTime(InsimLink& link, std::uint32_t raceTime) {
  ControlState& c = p_.control;
  if (c.autoActivation == kAutoActivationArmed) {
    if (raceTime != 0) {
      c.firstRaceTime = raceTime;
      c.autoActivation = kAutoActivationTiming;
    }
    return;
  }
  if (c.autoActivation != kAutoActivationTiming) return;
  const std::uint32_t delay = p_.simulator.activationDelay;
  if (delay == 0 || raceTime - c.firstRaceTime <= delay) return;
  // A report that was on its way when the user switched the director on, or one that arrives
  // while the user edits cameras, must not answer with a message five times a second.
  if (c.directorActive != 0 || c.editMode != 0) return;
  Activate(link);
  // A track without cameras refuses every attempt: say it once and wait for the next race.
  if (c.directorActive == 0 && p_.track && p_.track->cameras.count == 0) {
    c.autoActivation = kAutoActivationDisarmed;
  }
}

void LiveControl::PostCars(std::uint8_t n) {
  if (!p_.gui.On()) return;
  const RaceOrder& order = p_.race.raceOrder;
  const ManualSelection& manual = p_.director.manual;
  int count = n < order.count ? n : order.count;
  if (count > glink::kMaxLinkCars) count = glink::kMaxLinkCars;
  const int selected = manual.count < kMaxManualCars ? manual.count : kMaxManualCars;
  glink::CarEntry cars[glink::kMaxLinkCars];
  for (int i = 0; i < count; ++i) {
    const std::uint8_t plid = order.ids[i];
    bool focus = false;
    if (selected > 0) {
      for (int k = 0; k < selected && !focus; ++k) focus = manual.plids[k] == plid;
    } else {
      focus = p_.director.chosenCar == plid;
    }
    const CompCar& sample = p_.race.players[plid].carSample;
    cars[i] = {plid, static_cast<std::uint8_t>(focus ? glink::kCarFocus : 0), sample.x, sample.y};
  }
  if (glink::MessageQueue* q = p_.gui.Queue()) glink::PostCarTable(*q, count, cars);
}

}  // namespace director
