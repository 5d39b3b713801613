#include "tools/racesim/wire/race_events.h"

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kTrackWidth = 6;

constexpr int kRstLapsAt = 4;
constexpr int kRstNumPAt = 6;
constexpr int kRstTrackAt = 8;
constexpr int kRstNodesAt = 18;
constexpr int kRstFinishAt = 20;
constexpr int kRstSplit1At = 22;
constexpr int kRstSplit2At = 24;
constexpr int kRstSplit3At = 26;

constexpr int kLapTimeAt = 4;
constexpr int kLapElapsedAt = 8;
constexpr int kLapLapsAt = 12;
constexpr int kLapStopsAt = 18;
constexpr int kV3LapPlidAt = 89;

constexpr int kSpxTimeAt = 4;
constexpr int kSpxElapsedAt = 8;
constexpr int kSpxSplitAt = 12;
constexpr int kSpxStopsAt = 14;
constexpr int kV3SplitTimeAt = 4;
constexpr int kV3SplitPlidAt = 9;

constexpr int kPitLapsAt = 4;
constexpr int kPitStopsAt = 10;
constexpr int kPlaFactAt = 4;
constexpr int kV3PitPlidAt = 4;
constexpr int kV3PitStopsAt = 5;

bool IsV3Split(std::uint32_t id) {
  return id == V3Id("SP1") || id == V3Id("SP2") || id == V3Id("SP3");
}

}  // namespace

Bytes EncodeRst(const RaceStart& s) {
  Bytes p = NewPacket(kRstSize, ISP_RST, s.reqI, 0);
  p[kRstLapsAt] = s.raceLaps;
  p[kRstNumPAt] = s.numP;
  PutChars(p.data() + kRstTrackAt, kTrackWidth, s.track);
  plat::PutU16(p.data() + kRstNodesAt, s.numNodes);
  plat::PutU16(p.data() + kRstFinishAt, s.finish);
  plat::PutU16(p.data() + kRstSplit1At, s.split1);
  plat::PutU16(p.data() + kRstSplit2At, s.split2);
  plat::PutU16(p.data() + kRstSplit3At, s.split3);
  return p;
}

bool DecodeRst(const std::uint8_t* p, int size, RaceStart* s) {
  if (size < kRstSize || p[kTypeAt] != ISP_RST) return false;
  s->reqI = p[kReqIAt];
  s->raceLaps = p[kRstLapsAt];
  s->numP = p[kRstNumPAt];
  s->track = FieldText(p + kRstTrackAt, kTrackWidth);
  s->numNodes = plat::GetU16(p + kRstNodesAt);
  s->finish = plat::GetU16(p + kRstFinishAt);
  s->split1 = plat::GetU16(p + kRstSplit1At);
  s->split2 = plat::GetU16(p + kRstSplit2At);
  s->split3 = plat::GetU16(p + kRstSplit3At);
  return true;
}

Bytes EncodeV3Rst(const RaceStart& s, std::uint16_t ack) {
  Bytes p = NewV3Packet(kV3RstSize, "RST");
  p[kRstLapsAt] = s.raceLaps;
  p[kRstNumPAt] = s.numP;
  PutChars(p.data() + kRstTrackAt, kTrackWidth, s.track);
  PutV3AckWord(p, ack);
  return p;
}

bool DecodeV3Rst(const std::uint8_t* p, int size, RaceStart* s) {
  if (size < kV3RstSize || V3IdOf(p) != V3Id("RST")) return false;
  *s = RaceStart{};
  s->raceLaps = p[kRstLapsAt];
  s->numP = p[kRstNumPAt];
  s->track = FieldText(p + kRstTrackAt, kTrackWidth);
  return true;
}

Bytes EncodeLap(const LapPacket& lap) {
  Bytes p = NewPacket(kLapSize, ISP_LAP, 0, lap.plid);
  plat::PutU32(p.data() + kLapTimeAt, lap.lapMs);
  plat::PutU32(p.data() + kLapElapsedAt, lap.elapsedMs);
  plat::PutU16(p.data() + kLapLapsAt, lap.lapsDone);
  p[kLapStopsAt] = lap.stops;
  return p;
}

bool DecodeLap(const std::uint8_t* p, int size, LapPacket* lap) {
  if (size < kLapSize || p[kTypeAt] != ISP_LAP) return false;
  lap->plid = p[kByte3At];
  lap->lapMs = plat::GetU32(p + kLapTimeAt);
  lap->elapsedMs = plat::GetU32(p + kLapElapsedAt);
  lap->lapsDone = plat::GetU16(p + kLapLapsAt);
  lap->stops = p[kLapStopsAt];
  return true;
}

Bytes EncodeV3Lap(const LapPacket& lap, std::uint16_t ack) {
  Bytes p = NewV3Packet(kV3LapSize, "LAP");
  plat::PutU32(p.data() + kLapTimeAt, lap.lapMs);
  plat::PutU32(p.data() + kLapElapsedAt, lap.elapsedMs);
  plat::PutU16(p.data() + kLapLapsAt, lap.lapsDone);
  p[kLapStopsAt] = lap.stops;
  p[kV3LapPlidAt] = lap.plid;
  PutV3AckWord(p, ack);
  return p;
}

bool DecodeV3Lap(const std::uint8_t* p, int size, LapPacket* lap) {
  if (size < kV3LapSize || V3IdOf(p) != V3Id("LAP")) return false;
  lap->lapMs = plat::GetU32(p + kLapTimeAt);
  lap->elapsedMs = plat::GetU32(p + kLapElapsedAt);
  lap->lapsDone = plat::GetU16(p + kLapLapsAt);
  lap->stops = p[kLapStopsAt];
  lap->plid = p[kV3LapPlidAt];
  return true;
}

Bytes EncodeSpx(const SplitPacket& s) {
  Bytes p = NewPacket(kSpxSize, ISP_SPX, 0, s.plid);
  plat::PutU32(p.data() + kSpxTimeAt, s.splitMs);
  plat::PutU32(p.data() + kSpxElapsedAt, s.elapsedMs);
  p[kSpxSplitAt] = s.split;
  p[kSpxStopsAt] = s.stops;
  return p;
}

bool DecodeSpx(const std::uint8_t* p, int size, SplitPacket* s) {
  if (size < kSpxSize || p[kTypeAt] != ISP_SPX) return false;
  s->plid = p[kByte3At];
  s->splitMs = plat::GetU32(p + kSpxTimeAt);
  s->elapsedMs = plat::GetU32(p + kSpxElapsedAt);
  s->split = p[kSpxSplitAt];
  s->stops = p[kSpxStopsAt];
  return true;
}

Bytes EncodeV3Split(const SplitPacket& s, std::uint16_t ack) {
  Bytes p = NewV3Packet(kV3SplitSize, s.split == 1 ? "SP1" : s.split == 2 ? "SP2" : "SP3");
  plat::PutU32(p.data() + kV3SplitTimeAt, s.splitMs);
  p[kV3SplitPlidAt] = s.plid;
  PutV3AckWord(p, ack);
  return p;
}

bool DecodeV3Split(const std::uint8_t* p, int size, SplitPacket* s) {
  if (size < kV3SplitSize || !IsV3Split(V3IdOf(p))) return false;
  *s = SplitPacket{};
  s->split = static_cast<std::uint8_t>(p[2] - '0');
  s->splitMs = plat::GetU32(p + kV3SplitTimeAt);
  s->plid = p[kV3SplitPlidAt];
  return true;
}

Bytes EncodePitLane(const PitLanePacket& lane) {
  Bytes p = NewPacket(kPlaSize, ISP_PLA, 0, lane.plid);
  p[kPlaFactAt] = lane.fact;
  return p;
}

bool DecodePitLane(const std::uint8_t* p, int size, PitLanePacket* lane) {
  if (size < kPlaSize || p[kTypeAt] != ISP_PLA) return false;
  lane->plid = p[kByte3At];
  lane->fact = p[kPlaFactAt];
  return true;
}

Bytes EncodePit(const PitPacket& pit) {
  Bytes p = NewPacket(kPitSize, ISP_PIT, 0, pit.plid);
  plat::PutU16(p.data() + kPitLapsAt, pit.lapsDone);
  p[kPitStopsAt] = pit.stops;
  return p;
}

bool DecodePit(const std::uint8_t* p, int size, PitPacket* pit) {
  if (size < kPitSize || p[kTypeAt] != ISP_PIT) return false;
  pit->plid = p[kByte3At];
  pit->lapsDone = plat::GetU16(p + kPitLapsAt);
  pit->stops = p[kPitStopsAt];
  return true;
}

Bytes EncodeV3Pit(const PitPacket& pit, std::uint16_t ack) {
  Bytes p = NewV3Packet(kV3PitSize, "PIT");
  p[kV3PitPlidAt] = pit.plid;
  p[kV3PitStopsAt] = pit.stops;
  PutV3AckWord(p, ack);
  return p;
}

bool DecodeV3Pit(const std::uint8_t* p, int size, PitPacket* pit) {
  if (size < kV3PitSize || V3IdOf(p) != V3Id("PIT")) return false;
  *pit = PitPacket{};
  pit->plid = p[kV3PitPlidAt];
  pit->stops = p[kV3PitStopsAt];
  return true;
}

}  // namespace racesim
