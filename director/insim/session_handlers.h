// What the InSim session asks of the rest of the director.
//
// The session owns the link, cuts the packets and runs the update step; everything it learns or
// needs from race state, engine, edit mode and overlay goes through this interface, whose
// defaults do nothing (no camera positions, director inactive, no edit mode). All calls run on
// the InSim thread. Packets are handed over decoded, read from a buffer that holds at least the
// packet's stated or assumed size, zero-filled beyond what arrived.
#pragma once

#include <cstdint>
#include <cstdio>

#include "director/insim/packets.h"

namespace director {

class SessionHandlers {
 public:
  virtual ~SessionHandlers() = default;

  // Thread start: build the score curves, drop the manual selection.
  virtual void OnThreadStart() {}
  // Thread end: in edit mode leave it and save the track's cameras; release the track.
  virtual void OnThreadEnd() {}
  // Before each attempt: clear the director-active and race-started flags and ResultCount.
  virtual void OnAttemptBegin() {}
  // After the greeting: find the simulator, installCustomView(255, 0), load the alias table.
  virtual void OnGreeted(InsimLink& /*link*/) {}
  // End of an attempt that got past the greeting: empty the alias table.
  virtual void OnAttemptEnd() {}
  // After each attempt while the director is still active: restoreViews.
  virtual void OnAttemptEndedActive() {}

  // Receive loop hooks.
  virtual void PollHotkeys(InsimLink& /*link*/) {}  // version 3 only
  virtual void HandleGuiRequests(InsimLink& /*link*/) {}

  // Packets, each decoded by its module.
  virtual void OnState(InsimLink& /*link*/, const StateReport& /*state*/) {}
  virtual void OnCameraPosition(const CameraPositionRecord& /*camera*/) {}
  // HandleTextCommand; the text is zero-terminated and may be changed in place.
  virtual void OnMessageText(InsimLink& /*link*/, char* /*text*/) {}
  // HandleRaceTime with SMALL_RTP, in hundredths of a second (version 10's milliseconds are
  // converted before).
  virtual void OnRaceTime(InsimLink& /*link*/, std::uint32_t /*time*/) {}
  virtual void OnRaceStart(InsimLink& /*link*/) {}
  virtual void OnNewPlayerV4(const NewPlayerPacket& /*player*/) {}
  virtual void OnNewPlayerV3(InsimLink& /*link*/, const NewPlayerPacketV3& /*player*/) {}
  virtual void OnLapV4(const LapDone& /*lap*/) {}
  virtual void OnLapV3(const LapDoneV3& /*lap*/) {}
  virtual void OnSplit(const SplitPassed& /*split*/) {}
  virtual void OnPit(const PitStop& /*stop*/) {}
  virtual void OnPitLane(const PitLaneChange& /*change*/) {}
  virtual void OnRaceFlag(const RaceFlag& /*flag*/) {}
  virtual void OnCarReset(const CarReset& /*reset*/) {}
  virtual void OnContact(const CarContact& /*contact*/) {}
  virtual void OnResult(const ResultPacket& /*res*/) {}
  // True when the packet completes a set of car positions.
  virtual bool OnCarPositions(const CarPositions& /*positions*/) { return false; }

  // A diagnostic line of the session for the user (ends with a newline): standard output, as the
  // director's other diagnostic lines.
  virtual void Diagnostic(const char* line) {
    std::fputs(line, stdout);
    std::fflush(stdout);
  }

  // Questions and operations of the update step.
  virtual bool DirectorActive() { return false; }
  virtual bool EditMode() { return false; }
  // Camera positions of the loaded track; 0 without a track.
  virtual int CameraCount() { return 0; }
  // State flags of the stored state report.
  virtual std::uint16_t StoredStateFlags() { return 0; }
  // The stored state says a race is in progress (RaceInProg 1) with a lap count (RaceLaps not 0).
  virtual bool RaceWithLaps() { return false; }
  // runDirectorCycle: fills the camera record (FOV 0 when there is nothing to send).
  virtual void RunDirectorCycle(InsimLink& /*link*/, CameraPositionRecord* /*rec*/) {}
  virtual void OverlayUpdate(InsimLink& /*link*/, bool /*active*/) {}
  // Lap figure 1 and stop count 0 in every PlayerRecord.
  virtual void ResetLapFigures() {}
  // liveCamera := -1.
  virtual void ClearLiveCamera() {}
  virtual int RaceOrderCount() { return 0; }
  virtual void PostCars(std::uint8_t /*count*/) {}
  // A whole set of car positions has been handled (the director's cycle included).
  virtual void AfterPositionSet() {}
};

}  // namespace director
