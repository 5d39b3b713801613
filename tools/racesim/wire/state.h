// The simulator's state report: IS_STA and "STA" (28 bytes each, the same fields from byte 4),
// encoded and decoded side by side.
//
// 4-7 ReplaySpeed (float), 8-9 Flags, 10 InGameCam, 11 ViewPLID, 12 NumP, 13 NumConns,
// 14 NumFinished, 15 RaceInProg, 16 QualMins, 17 RaceLaps, 18-19 spare, 20-25 Track,
// 26 Weather, 27 Wind.
#pragma once

#include <cstdint>
#include <string>

#include "tools/racesim/wire/framing.h"

namespace racesim {

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

// RaceLaps as the state report and race start carry it: 1-99 laps as they are, 100-1000 laps as
// (laps + 900) / 10 (so they are rounded down to a multiple of 10).
std::uint8_t EncodeRaceLaps(int laps);

Bytes EncodeSta(std::uint8_t reqI, const StateReport& state);
Bytes EncodeV3Sta(const StateReport& state);
// Either version: the fields from byte 4 on.
bool DecodeSta(const std::uint8_t* p, int size, StateReport* state);

}  // namespace racesim
