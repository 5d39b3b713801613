#include "director/insim/packet_race_events.h"

#include <cstring>

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kPlid = 3;

constexpr int kLapTime = 4;
constexpr int kLapElapsed = 8;
constexpr int kLapLapsDone = 12;
constexpr int kLapFlags = 14;
constexpr int kLapPenalty = 17;
constexpr int kLapStops = 18;

constexpr int kSpxTime = 4;
constexpr int kSpxElapsed = 8;
constexpr int kSpxSplit = 12;
constexpr int kSpxPenalty = 13;
constexpr int kSpxStops = 14;

constexpr int kPitLapsDone = 4;
constexpr int kPitFlags = 6;
constexpr int kPitPenalty = 9;
constexpr int kPitStops = 10;
constexpr int kPitTyres = 12;
constexpr int kPitWork = 16;

constexpr int kPlaFact = 4;
constexpr int kFlgOn = 4;
constexpr int kFlgFlag = 5;
constexpr int kFlgCarBehind = 6;

constexpr int kV3LapPlid = 89;

}  // namespace

LapDone DecodeLap(const std::uint8_t* lap) {
  LapDone d;
  d.plid = lap[kPlid];
  d.lapTime = plat::GetU32(lap + kLapTime);
  d.elapsed = plat::GetU32(lap + kLapElapsed);
  d.lapsDone = plat::GetU16(lap + kLapLapsDone);
  d.playerFlags = plat::GetU16(lap + kLapFlags);
  d.penalty = lap[kLapPenalty];
  d.stops = lap[kLapStops];
  return d;
}

void EncodeLap(const LapDone& lap, std::uint8_t out[kLapSize]) {
  std::memset(out, 0, kLapSize);
  PutHeader(out, kLapSize, ISP_LAP, 0, lap.plid);
  plat::PutU32(out + kLapTime, lap.lapTime);
  plat::PutU32(out + kLapElapsed, lap.elapsed);
  plat::PutU16(out + kLapLapsDone, lap.lapsDone);
  plat::PutU16(out + kLapFlags, lap.playerFlags);
  out[kLapPenalty] = lap.penalty;
  out[kLapStops] = lap.stops;
}

SplitPassed DecodeSplit(const std::uint8_t* spx) {
  SplitPassed d;
  d.plid = spx[kPlid];
  d.splitTime = plat::GetU32(spx + kSpxTime);
  d.elapsed = plat::GetU32(spx + kSpxElapsed);
  d.split = spx[kSpxSplit];
  d.penalty = spx[kSpxPenalty];
  d.stops = spx[kSpxStops];
  return d;
}

void EncodeSplit(const SplitPassed& split, std::uint8_t out[kSpxSize]) {
  std::memset(out, 0, kSpxSize);
  PutHeader(out, kSpxSize, ISP_SPX, 0, split.plid);
  plat::PutU32(out + kSpxTime, split.splitTime);
  plat::PutU32(out + kSpxElapsed, split.elapsed);
  out[kSpxSplit] = split.split;
  out[kSpxPenalty] = split.penalty;
  out[kSpxStops] = split.stops;
}

PitStop DecodePit(const std::uint8_t* pit) {
  PitStop d;
  d.plid = pit[kPlid];
  d.lapsDone = plat::GetU16(pit + kPitLapsDone);
  d.playerFlags = plat::GetU16(pit + kPitFlags);
  d.penalty = pit[kPitPenalty];
  d.stops = pit[kPitStops];
  std::memcpy(d.tyres, pit + kPitTyres, sizeof d.tyres);
  d.work = plat::GetU32(pit + kPitWork);
  return d;
}

void EncodePit(const PitStop& stop, std::uint8_t out[kPitSize]) {
  std::memset(out, 0, kPitSize);
  PutHeader(out, kPitSize, ISP_PIT, 0, stop.plid);
  plat::PutU16(out + kPitLapsDone, stop.lapsDone);
  plat::PutU16(out + kPitFlags, stop.playerFlags);
  out[kPitPenalty] = stop.penalty;
  out[kPitStops] = stop.stops;
  std::memcpy(out + kPitTyres, stop.tyres, sizeof stop.tyres);
  plat::PutU32(out + kPitWork, stop.work);
}

PitLaneChange DecodePitLane(const std::uint8_t* pla) {
  PitLaneChange d;
  d.plid = pla[kPlid];
  d.fact = pla[kPlaFact];
  return d;
}

void EncodePitLane(const PitLaneChange& change, std::uint8_t out[kPlaSize]) {
  std::memset(out, 0, kPlaSize);
  PutHeader(out, kPlaSize, ISP_PLA, 0, change.plid);
  out[kPlaFact] = change.fact;
}

RaceFlag DecodeRaceFlag(const std::uint8_t* flg) {
  RaceFlag d;
  d.plid = flg[kPlid];
  d.on = flg[kFlgOn];
  d.flag = flg[kFlgFlag];
  d.carBehind = flg[kFlgCarBehind];
  return d;
}

CarReset DecodeCarReset(const std::uint8_t* crs) { return CarReset{crs[kPlid]}; }

LapDoneV3 DecodeLapV3(const std::uint8_t* lap) {
  LapDoneV3 d;
  d.plid = lap[kV3LapPlid];
  std::memcpy(d.bytes, lap, kV3LapSize);
  return d;
}

}  // namespace director
