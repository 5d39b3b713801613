// The broadcast overlay's state between passes: what is on the simulator's screen (progress box,
// driver box, standings) and the timing of its displays. InSim thread only; the overlay's update
// and reset keep it.
#pragma once

#include <cstdint>

namespace director {

inline constexpr std::uint16_t kProgressNotShown = 65535;
// Shown seconds after the clock's progress box was removed for want of a race time: no race
// second can equal it, so the box comes back as soon as the time is known again.
inline constexpr std::uint32_t kNoSecondsShown = 0xFFFFFFFFu;
inline constexpr int kOverlayNameSize = 32;
inline constexpr int kStandingsSize = 256;
inline constexpr int kRowsPerPage = 8;

enum OverlayPhase : std::uint8_t {
  kOverlayIdle = 0,
  kOverlayPausing = 1,
  kOverlayStartPause = 2,
  kOverlayDriverBox = 3,
  kOverlayStandings = 4,
};

struct OverlaySnapshotRow {
  std::uint8_t plid = 0;
  std::uint16_t laps = 0;
  std::uint32_t time = 0;
};

struct OverlayState {
  std::uint8_t state = kOverlayIdle;  // OverlayPhase; 5 and 6 are held, others count as idle
  std::uint32_t pauseStart = 0;
  std::uint8_t finalPhase = 0;  // last lap, finished or the clock nearly run out: no standings
  std::uint16_t shownLap = kProgressNotShown;
  std::uint32_t shownSeconds = 0;
  char driverName[kOverlayNameSize] = {};
  std::uint8_t driverPosition = 0;  // 0: no driver to show
  std::uint32_t driverTick = 0;
  std::uint8_t standingsOrder[kStandingsSize] = {};
  std::uint16_t standingsCount = 0;  // entries of standingsOrder from the last sort
  OverlaySnapshotRow snapshot[kStandingsSize];
  std::uint16_t snapshotRows = 0;  // rows taken by the last complete snapshot
  std::uint8_t pageStart = 0;      // not a multiple of 8: a page turn is pending
  std::uint8_t rowsDone = 0;
  std::uint32_t rowTicks[kRowsPerPage] = {};
  std::uint8_t fullSnapshot = 0;  // the standings came from a complete snapshot
  std::uint8_t showStops = 0;
  std::uint8_t earlyShows = 0;      // progressive standings in a row
  std::uint8_t showingResults = 0;  // the standings on screen are the results
};

}  // namespace director
