// A car's progress through the race: a lap done, a split passed, a pit stop made.
//
// Version 4 (and 10, same layouts): IS_LAP (20 bytes) PLID at 3, the lap time at 4 and the total
// time at 8 (ms), the laps done at 12, the player flags at 14, the penalty at 17 and the number
// of stops at 18. IS_SPX (16 bytes) PLID at 3, the split time at 4 and the total time at 8, the
// split number at 12, the penalty at 13 and the stops at 14. IS_PIT (24 bytes) PLID at 3, the
// laps done at 4, the player flags at 6, the penalty at 9, the stops at 10, the tyres at 12-15
// and the work done at 16. IS_PLA (8 bytes) PLID at 3 and at 4 what happened in the pit lane
// (PITLANE_EXIT 0: the car left it; anything else: it is in it). Version 3's "LAP" (92 bytes) is
// kept whole; its player's id is at 89. IS_FLG (8 bytes): PLID at 3, on or off at 4, the flag at
// 5 (1 blue, 2 yellow) and the car behind at 6. IS_CRS (4 bytes): PLID at 3, a car reset.
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

inline constexpr int kLapSize = 20;
inline constexpr int kSpxSize = 16;
inline constexpr int kPitSize = 24;
inline constexpr int kPlaSize = 8;
inline constexpr std::uint8_t PITLANE_EXIT = 0;

struct LapDone {
  std::uint8_t plid = 0;
  std::uint32_t lapTime = 0;  // ms
  std::uint32_t elapsed = 0;  // ms since the start
  std::uint16_t lapsDone = 0;
  std::uint16_t playerFlags = 0;
  std::uint8_t penalty = 0;
  std::uint8_t stops = 0;
};
LapDone DecodeLap(const std::uint8_t* lap);
void EncodeLap(const LapDone& lap, std::uint8_t out[kLapSize]);

struct SplitPassed {
  std::uint8_t plid = 0;
  std::uint32_t splitTime = 0;  // ms
  std::uint32_t elapsed = 0;    // ms since the start
  std::uint8_t split = 0;
  std::uint8_t penalty = 0;
  std::uint8_t stops = 0;
};
SplitPassed DecodeSplit(const std::uint8_t* spx);
void EncodeSplit(const SplitPassed& split, std::uint8_t out[kSpxSize]);

struct PitStop {
  std::uint8_t plid = 0;
  std::uint16_t lapsDone = 0;
  std::uint16_t playerFlags = 0;
  std::uint8_t penalty = 0;
  std::uint8_t stops = 0;
  std::uint8_t tyres[4] = {};
  std::uint32_t work = 0;
};
PitStop DecodePit(const std::uint8_t* pit);
void EncodePit(const PitStop& stop, std::uint8_t out[kPitSize]);

struct PitLaneChange {
  std::uint8_t plid = 0;
  std::uint8_t fact = PITLANE_EXIT;  // PITLANE_EXIT, or why the car entered

  bool inPitLane() const { return fact != PITLANE_EXIT; }
};
PitLaneChange DecodePitLane(const std::uint8_t* pla);
void EncodePitLane(const PitLaneChange& change, std::uint8_t out[kPlaSize]);

inline constexpr int kFlgSize = 8;
inline constexpr int kCrsSize = 4;
inline constexpr std::uint8_t FLG_BLUE = 1;
inline constexpr std::uint8_t FLG_YELLOW = 2;

struct RaceFlag {
  std::uint8_t plid = 0;
  std::uint8_t on = 0;
  std::uint8_t flag = 0;  // FLG_BLUE or FLG_YELLOW
  std::uint8_t carBehind = 0;
};
RaceFlag DecodeRaceFlag(const std::uint8_t* flg);

struct CarReset {
  std::uint8_t plid = 0;
};
CarReset DecodeCarReset(const std::uint8_t* crs);

struct LapDoneV3 {
  std::uint8_t plid = 0;
  std::uint8_t bytes[kV3LapSize] = {};  // the packet whole, as the simulator sent it
};
LapDoneV3 DecodeLapV3(const std::uint8_t* lap);

}  // namespace director
