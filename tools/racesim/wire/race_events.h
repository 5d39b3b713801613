// The race as it happens: race start (IS_RST / "RST"), laps (IS_LAP / "LAP"), splits (IS_SPX /
// "SP1", "SP2", "SP3") and pit stops (IS_PIT / "PIT"), encoded and decoded side by side. The
// version 3 forms end with the 16-bit word the director acknowledges (V3AckWord).
//
// IS_RST (28): 4 RaceLaps, 5 QualMins, 6 NumP, 7 Timing, 8-13 Track, 14 Weather, 15 Wind,
// 16-17 Flags, 18-19 NumNodes, 20-21 Finish, 22-23 Split1, 24-25 Split2, 26-27 Split3.
// "RST" (20): 4 race laps, 6 number of players, 8-13 track, 18-19 ACK word.
// IS_LAP (20): 3 PLID, 4-7 LTime, 8-11 ETime, 12-13 LapsDone, 14-15 Flags, 16 spare, 17 Penalty,
// 18 NumStops, 19 spare. "LAP" (92): 4-7 lap time, 8-11 elapsed, 12-13 laps done, 18 stops,
// 89 player id, 90-91 ACK word.
// IS_SPX (16): 3 PLID, 4-7 STime, 8-11 ETime, 12 Split, 13 Penalty, 14 NumStops, 15 spare.
// "SPn" (12): 4-7 split time, 9 player id, 10-11 ACK word.
// IS_PIT (24): 3 PLID, 4-5 LapsDone, 6-7 Flags, 8 FuelAdd, 9 Penalty, 10 NumStops, 11 spare,
// 12-15 Tyres, 16-19 Work, 20-23 spare. "PIT" (28): 4 player id, 5 stops, 26-27 ACK word.
#pragma once

#include <cstdint>
#include <string>

#include "tools/racesim/wire/framing.h"

namespace racesim {

struct RaceStart {
  std::uint8_t reqI = 0;
  std::uint8_t raceLaps = 0;  // EncodeRaceLaps
  std::uint8_t numP = 0;
  std::string track;
  std::uint16_t numNodes = 0;
  std::uint16_t finish = 0;
  std::uint16_t split1 = 0, split2 = 0;
  std::uint16_t split3 = 0xFFFF;  // none
};

struct LapPacket {
  std::uint8_t plid = 0;
  std::uint32_t lapMs = 0;
  std::uint32_t elapsedMs = 0;
  std::uint16_t lapsDone = 0;
  std::uint8_t stops = 0;
};

struct SplitPacket {
  std::uint8_t plid = 0;
  std::uint32_t splitMs = 0;
  std::uint32_t elapsedMs = 0;  // version 4 only
  std::uint8_t split = 1;       // 1, 2 or 3
  std::uint8_t stops = 0;       // version 4 only
};

struct PitPacket {
  std::uint8_t plid = 0;
  std::uint16_t lapsDone = 0;  // version 4 only
  std::uint8_t stops = 0;
};

// Version 3 "RST" carries only laps, players and track.
Bytes EncodeRst(const RaceStart& start);
bool DecodeRst(const std::uint8_t* p, int size, RaceStart* start);
Bytes EncodeV3Rst(const RaceStart& start, std::uint16_t ack);
bool DecodeV3Rst(const std::uint8_t* p, int size, RaceStart* start);

Bytes EncodeLap(const LapPacket& lap);
bool DecodeLap(const std::uint8_t* p, int size, LapPacket* lap);
Bytes EncodeV3Lap(const LapPacket& lap, std::uint16_t ack);
bool DecodeV3Lap(const std::uint8_t* p, int size, LapPacket* lap);

Bytes EncodeSpx(const SplitPacket& split);
bool DecodeSpx(const std::uint8_t* p, int size, SplitPacket* split);
Bytes EncodeV3Split(const SplitPacket& split, std::uint16_t ack);
bool DecodeV3Split(const std::uint8_t* p, int size, SplitPacket* split);

// IS_PLA (versions 4 and 10 only): a car enters the pit lane (fact PITLANE_ENTER) or leaves it
// (PITLANE_EXIT). 8 bytes: PLID at 3, the fact at 4.
inline constexpr std::uint8_t PITLANE_EXIT = 0;
inline constexpr std::uint8_t PITLANE_ENTER = 1;
struct PitLanePacket {
  std::uint8_t plid = 0;
  std::uint8_t fact = PITLANE_EXIT;
};
Bytes EncodePitLane(const PitLanePacket& lane);
bool DecodePitLane(const std::uint8_t* p, int size, PitLanePacket* lane);

Bytes EncodePit(const PitPacket& pit);
bool DecodePit(const std::uint8_t* p, int size, PitPacket* pit);
Bytes EncodeV3Pit(const PitPacket& pit, std::uint16_t ack);
bool DecodeV3Pit(const std::uint8_t* p, int size, PitPacket* pit);

}  // namespace racesim
