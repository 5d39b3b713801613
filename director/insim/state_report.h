// The simulator's last state report (IS_STA, the same layout in both InSim versions).
//
// The state handler keeps the whole 28-byte report; everything the director asks about the
// simulator's state (game or replay, paused, free view, replay speed, race in progress, race laps,
// the track) is read from this copy. Before the first report every field is zero. In version 10
// RaceLaps 255 marks an untimed race: no lap count and no time limit, so not a race with laps.
#pragma once

#include <cstdint>

#include "director/insim/insim_constants.h"

namespace director {

inline constexpr int kTrackNameSize = 6;  // the report's track field
inline constexpr std::uint8_t kV10RaceLapsUntimed = 255;

struct StateReport {
  std::uint8_t raw[kStaSize] = {};  // the report as it arrived
  float replaySpeed = 0.0f;
  std::uint16_t flags = 0;
  std::uint8_t inGameCam = 0;
  std::uint8_t viewPlid = 0;
  std::uint8_t numPlayers = 0;
  std::uint8_t numConnections = 0;
  std::uint8_t numFinished = 0;
  std::uint8_t raceInProgress = 0;
  std::uint8_t qualifyingMinutes = 0;
  std::uint8_t raceLaps = 0;
  char track[kTrackNameSize + 1] = {};  // zero-terminated even when all six bytes are used
  std::uint8_t weather = 0;
  std::uint8_t wind = 0;
  bool untimed = false;  // version 10: RaceLaps 255

  bool InGameOrReplay() const { return (flags & (ISS_GAME | ISS_REPLAY)) != 0; }
  bool Paused() const { return (flags & ISS_PAUSED) != 0; }
  bool FreeView() const { return (flags & ISS_SHIFTU) != 0; }
  // Race time from the simulator counts only at normal speed: not paused, replay speed exactly 1.
  bool NormalSpeed() const { return !Paused() && replaySpeed == 1.0f; }
  // A race is in progress and has a lap count (or a time limit).
  bool RaceWithLaps() const { return raceInProgress == 1 && raceLaps != 0 && !untimed; }
};

// Decodes a 28-byte report of the given InSim version.
StateReport ReadStateReport(const std::uint8_t* sta, std::uint8_t version = kInsimV4);

}  // namespace director
