// The broadcast overlay's state between passes: what is on the simulator's screen (progress box,
// driver box, standings) and the timing of its displays. InSim thread only; the overlay's update
// and reset keep it.
#pragma once

#include <cstdint>

namespace director {

inline constexpr std::uint16_t kProgressNotShown = 65535;

struct OverlaySnapshotRow {
  std::uint8_t plid = 0;
  std::uint16_t laps = 0;
  std::uint32_t time = 0;
};

struct OverlayState {
  std::uint8_t state = 0;  // 0 idle, 1 pausing, 2 start a pause, 3 driver box, 4 standings
  std::uint32_t pauseStart = 0;
  std::uint8_t finalPhase = 0;
  std::uint16_t shownLap = kProgressNotShown;
  std::uint32_t shownSeconds = 0;
  char driverName[32] = {};
  std::uint8_t driverPosition = 0;
  std::uint32_t driverTick = 0;
  std::uint8_t standingsOrder[256] = {};
  OverlaySnapshotRow snapshot[256];
  std::uint8_t pageStart = 0;
  std::uint8_t rowsDone = 0;
  std::uint32_t rowTicks[8] = {};
  std::uint8_t fullSnapshot = 0;
  std::uint8_t showStops = 0;
  std::uint8_t earlyShows = 0;
};

}  // namespace director
