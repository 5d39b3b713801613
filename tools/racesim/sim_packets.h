// The packets the stand-in sends to the director, in InSim version 4 (Size, Type, ReqI, ...) or
// version 3 (a four-byte identifier and a fixed size), built with explicit little-endian writes at
// their offsets. The director's own constants, record layouts and helpers are reused, so the two
// sides cannot drift apart.
//
// Version 3 packets that the director acknowledges carry a 16-bit word in their last two bytes;
// the stand-in puts a fresh number there and expects it back in an "ACK".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "director/insim/packets.h"

namespace racesim {

using Bytes = std::vector<std::uint8_t>;

// Packet types the director does not send or read but the stand-in does.
inline constexpr std::uint8_t ISP_PLL = 23;
inline constexpr std::uint8_t CONF_CONFIRMED = 0x02;

// Sizes of the packets built here.
inline constexpr int kVerSize = 20;
inline constexpr int kStaSize = 28;
inline constexpr int kRstSize = 28;
inline constexpr int kNplSize = 76;
inline constexpr int kLapSize = 20;
inline constexpr int kSpxSize = 16;
inline constexpr int kPitSize = 24;
inline constexpr int kResSize = 84;
inline constexpr int kMsoSize = 136;
inline constexpr int kSmallSize = 8;
inline constexpr int kV3MciSize = 204;
inline constexpr int kV3MsoSize = 132;
inline constexpr int kV3NplSize = 100;
inline constexpr int kV3LapSize = 92;
inline constexpr int kV3RstSize = 20;
inline constexpr int kV3PitSize = 28;
inline constexpr int kV3ResSize = 108;
inline constexpr int kV3SplitSize = 12;

// The simulator's state as its state report gives it.
struct StateReport {
  float replaySpeed = 1.0f;
  std::uint16_t flags = 0;
  std::uint8_t inGameCam = 0;
  std::uint8_t viewPlid = 0;
  std::uint8_t numP = 0;
  std::uint8_t numConns = 1;
  std::uint8_t numFinished = 0;
  std::uint8_t raceInProg = 0;
  std::uint8_t qualMins = 0;
  std::uint8_t raceLaps = 0;
  std::string track;  // at most 6 characters
  std::uint8_t weather = 0;
  std::uint8_t wind = 0;

  bool operator==(const StateReport&) const = default;
};

struct PlayerInfo {
  std::uint8_t plid = 0;
  std::uint16_t flags = 0;
  std::string name;  // at most 23 characters
  std::string car;   // at most 4 characters
  std::string plate;
};

// RaceLaps as the state report and race start carry it: 1-99 laps as they are, 100-1000 laps as
// (laps + 900) / 10 (so they are rounded down to a multiple of 10).
std::uint8_t EncodeRaceLaps(int laps);

// Version 4.
Bytes BuildVer(std::uint8_t reqI, const char* version, const char* product, std::uint8_t insimVer);
Bytes BuildTiny(std::uint8_t reqI, std::uint8_t subT);
Bytes BuildSmall(std::uint8_t reqI, std::uint8_t subT, std::uint32_t value);
Bytes BuildSta(std::uint8_t reqI, const StateReport& state);
Bytes BuildCpp(std::uint8_t reqI, const director::CameraPositionRecord& camera);
Bytes BuildMso(std::uint8_t userType, std::uint8_t textStart, const std::string& text);
Bytes BuildNpl(std::uint8_t reqI, const PlayerInfo& player, std::uint8_t numP);
Bytes BuildRst(std::uint8_t reqI, std::uint8_t raceLaps, std::uint8_t numP,
               const std::string& track, std::uint16_t numNodes, std::uint16_t finish,
               std::uint16_t split1, std::uint16_t split2);
Bytes BuildLap(std::uint8_t plid, std::uint32_t lapMs, std::uint32_t elapsedMs,
               std::uint16_t lapsDone, std::uint8_t stops);
Bytes BuildSpx(std::uint8_t plid, std::uint32_t splitMs, std::uint32_t elapsedMs,
               std::uint8_t split, std::uint8_t stops);
Bytes BuildPit(std::uint8_t plid, std::uint16_t lapsDone, std::uint8_t stops);
struct ResultInfo {
  PlayerInfo player;
  std::uint32_t totalMs = 0, bestLapMs = 0;
  std::uint8_t stops = 0;
  std::uint8_t confirm = CONF_CONFIRMED;
  std::uint16_t lapsDone = 0;
  std::uint8_t resultNum = 0;
  std::uint8_t numRes = 0;
};
Bytes BuildRes(const ResultInfo& result);
// Up to 8 cars per packet; the last record of the whole set carries CCI_LAST.
std::vector<Bytes> BuildMci(const std::vector<director::CompCar>& cars);

// Version 3.
Bytes BuildV3Ver(const char* version, const char* product);
Bytes BuildV3Sta(const StateReport& state);
Bytes BuildV3Cpp(const director::CameraPositionRecord& camera);
Bytes BuildV3Mso(const std::string& text);
Bytes BuildV3Npl(const PlayerInfo& player, std::uint8_t index, std::uint16_t ack);
Bytes BuildV3Rst(std::uint8_t raceLaps, std::uint8_t numP, const std::string& track,
                 std::uint16_t ack);
Bytes BuildV3Lap(std::uint8_t plid, std::uint32_t lapMs, std::uint32_t elapsedMs,
                 std::uint16_t lapsDone, std::uint8_t stops, std::uint16_t ack);
// "SP1" or "SP2" for split 1 or 2.
Bytes BuildV3Split(std::uint8_t plid, std::uint8_t split, std::uint32_t splitMs, std::uint16_t ack);
Bytes BuildV3Pit(std::uint8_t plid, std::uint8_t stops, std::uint16_t ack);
Bytes BuildV3Res(const ResultInfo& result, std::uint16_t ack);
// Eight 24-byte records per packet with the total car count and the index of the first.
std::vector<Bytes> BuildV3Mci(const std::vector<director::CompCar>& cars);
// The 24-byte version 3 car record: node in the low 13 bits of the first word with the lap's top
// 3 bits above it, the lap's low byte, the player id, then X .. AngVel.
void WriteV3Car(const director::CompCar& car, std::uint8_t* out);

}  // namespace racesim
