#include "tools/racesim/wire/state.h"

#include <bit>

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kReplaySpeedAt = 4;
constexpr int kFlagsAt = 8;
constexpr int kInGameCamAt = 10;
constexpr int kViewPlidAt = 11;
constexpr int kNumPAt = 12;
constexpr int kNumConnsAt = 13;
constexpr int kNumFinishedAt = 14;
constexpr int kRaceInProgAt = 15;
constexpr int kQualMinsAt = 16;
constexpr int kRaceLapsAt = 17;
constexpr int kTrackAt = 20;
constexpr int kTrackWidth = 6;
constexpr int kWeatherAt = 26;
constexpr int kWindAt = 27;

void WriteState(std::uint8_t* p, const StateReport& s) {
  plat::PutU32(p + kReplaySpeedAt, std::bit_cast<std::uint32_t>(s.replaySpeed));
  plat::PutU16(p + kFlagsAt, s.flags);
  p[kInGameCamAt] = s.inGameCam;
  p[kViewPlidAt] = s.viewPlid;
  p[kNumPAt] = s.numP;
  p[kNumConnsAt] = s.numConns;
  p[kNumFinishedAt] = s.numFinished;
  p[kRaceInProgAt] = s.raceInProg;
  p[kQualMinsAt] = s.qualMins;
  p[kRaceLapsAt] = s.raceLaps;
  PutChars(p + kTrackAt, kTrackWidth, s.track);
  p[kWeatherAt] = s.weather;
  p[kWindAt] = s.wind;
}

}  // namespace

std::uint8_t EncodeRaceLaps(int laps) {
  if (laps <= 0) return 0;
  if (laps < 100) return static_cast<std::uint8_t>(laps);
  if (laps > 1000) laps = 1000;
  return static_cast<std::uint8_t>((laps + 900) / 10);
}

Bytes EncodeSta(std::uint8_t reqI, const StateReport& state) {
  Bytes p = NewPacket(kStaSize, ISP_STA, reqI, 0);
  WriteState(p.data(), state);
  return p;
}

Bytes EncodeV3Sta(const StateReport& state) {
  Bytes p = NewV3Packet(kV3StaSize, "STA");
  WriteState(p.data(), state);
  return p;
}

bool DecodeSta(const std::uint8_t* p, int size, StateReport* s) {
  if (size < kStaSize) return false;
  s->replaySpeed = std::bit_cast<float>(plat::GetU32(p + kReplaySpeedAt));
  s->flags = plat::GetU16(p + kFlagsAt);
  s->inGameCam = p[kInGameCamAt];
  s->viewPlid = p[kViewPlidAt];
  s->numP = p[kNumPAt];
  s->numConns = p[kNumConnsAt];
  s->numFinished = p[kNumFinishedAt];
  s->raceInProg = p[kRaceInProgAt];
  s->qualMins = p[kQualMinsAt];
  s->raceLaps = p[kRaceLapsAt];
  s->track = FieldText(p + kTrackAt, kTrackWidth);
  s->weather = p[kWeatherAt];
  s->wind = p[kWindAt];
  return true;
}

}  // namespace racesim
