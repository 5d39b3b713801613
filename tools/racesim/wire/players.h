// The players and their results: IS_NPL / "NPL", IS_RES / "RES", and version 10's IS_REO,
// encoded and decoded side by side. The version 3 forms end with the 16-bit word the director
// acknowledges (V3AckWord).
//
// IS_NPL (76): 3 PLID, 4 UCID, 5 PType, 6-7 Flags, 8-31 PName, 32-39 Plate, 40-43 CName,
// 44-59 SName, 60-63 Tyres, 64 H_Mass, 65 H_TRes, 66 Model, 67 Pass, 68-71 spare, 72 SetF,
// 73 NumP, 74-75 spare.
// "NPL" (100): 4-5 flags, 28-51 name, 52-59 plate, 60-63 car, 95 player id, 96 player index,
// 98-99 ACK word.
// IS_RES (84): 3 PLID, 4-27 UName, 28-51 PName, 52-59 Plate, 60-63 CName, 64-67 TTime,
// 68-71 BTime, 72 SpA, 73 NumStops, 74 Confirm, 75 SpB, 76-77 LapsDone, 78-79 Flags,
// 80 ResultNum, 81 NumRes, 82-83 PSeconds.
// "RES" (108): 4-27 name, 28-31 car, 32-35 total time, 36-39 best lap, 40-41 laps done,
// 42 stops, 43 confirm, 44 result number, 45 player id, 106-107 ACK word.
// IS_REO (version 10, 52): 3 NumP, 4-51 the player ids in start order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/racesim/wire/framing.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

struct PlayerInfo {
  std::uint8_t plid = 0;
  std::uint16_t flags = 0;
  std::string name;  // at most 23 characters
  std::string car;   // at most 4 characters
  std::string plate;
};

struct NplPacket {
  std::uint8_t reqI = 0;
  PlayerInfo player;
  std::uint8_t numP = 0;
};

struct ResultInfo {
  std::string userName = "racesim";
  PlayerInfo player;
  std::uint32_t totalMs = 0, bestLapMs = 0;
  std::uint8_t stops = 0;
  std::uint8_t confirm = CONF_CONFIRMED;
  std::uint16_t lapsDone = 0;
  std::uint8_t resultNum = 0;
  std::uint8_t numRes = 0;
};

Bytes EncodeNpl(const NplPacket& npl);
bool DecodeNpl(const std::uint8_t* p, int size, NplPacket* npl);
Bytes EncodeV3Npl(const PlayerInfo& player, std::uint8_t index, std::uint16_t ack);
bool DecodeV3Npl(const std::uint8_t* p, int size, PlayerInfo* player, std::uint8_t* index);

// Version 3 "RES" has no user name, plate or flags; the decoder leaves them empty.
Bytes EncodeRes(const ResultInfo& result);
bool DecodeRes(const std::uint8_t* p, int size, ResultInfo* result);
Bytes EncodeV3Res(const ResultInfo& result, std::uint16_t ack);
bool DecodeV3Res(const std::uint8_t* p, int size, ResultInfo* result);

// At most 48 ids are sent.
Bytes EncodeReo10(std::uint8_t reqI, const std::vector<std::uint8_t>& plids);
bool DecodeReo10(const std::uint8_t* p, int size, std::uint8_t* reqI,
                 std::vector<std::uint8_t>* plids);

}  // namespace racesim
