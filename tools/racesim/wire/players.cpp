#include "tools/racesim/wire/players.h"

#include "platform/bytes.h"

namespace racesim {

namespace {

constexpr int kNameWidth = 24;
constexpr int kPlateWidth = 8;
constexpr int kCarWidth = 4;

constexpr int kNplFlagsAt = 6;
constexpr int kNplNameAt = 8;
constexpr int kNplPlateAt = 32;
constexpr int kNplCarAt = 40;
constexpr int kNplNumPAt = 73;

constexpr int kV3NplFlagsAt = 4;
constexpr int kV3NplNameAt = 28;
constexpr int kV3NplPlateAt = 52;
constexpr int kV3NplCarAt = 60;
constexpr int kV3NplPlidAt = 95;
constexpr int kV3NplIndexAt = 96;

constexpr int kResUserAt = 4;
constexpr int kResNameAt = 28;
constexpr int kResPlateAt = 52;
constexpr int kResCarAt = 60;
constexpr int kResTotalAt = 64;
constexpr int kResBestAt = 68;
constexpr int kResStopsAt = 73;
constexpr int kResConfirmAt = 74;
constexpr int kResLapsAt = 76;
constexpr int kResFlagsAt = 78;
constexpr int kResNumAt = 80;
constexpr int kResNumResAt = 81;

constexpr int kV3ResNameAt = 4;
constexpr int kV3ResCarAt = 28;
constexpr int kV3ResTotalAt = 32;
constexpr int kV3ResBestAt = 36;
constexpr int kV3ResLapsAt = 40;
constexpr int kV3ResStopsAt = 42;
constexpr int kV3ResConfirmAt = 43;
constexpr int kV3ResNumAt = 44;
constexpr int kV3ResPlidAt = 45;

constexpr int kReoIdsAt = 4;

}  // namespace

Bytes EncodeNpl(const NplPacket& npl) {
  const PlayerInfo& pl = npl.player;
  Bytes p = NewPacket(kNplSize, ISP_NPL, npl.reqI, pl.plid);
  plat::PutU16(p.data() + kNplFlagsAt, pl.flags);
  PutText(p.data() + kNplNameAt, kNameWidth, pl.name);
  PutChars(p.data() + kNplPlateAt, kPlateWidth, pl.plate);
  PutChars(p.data() + kNplCarAt, kCarWidth, pl.car);
  p[kNplNumPAt] = npl.numP;
  return p;
}

bool DecodeNpl(const std::uint8_t* p, int size, NplPacket* npl) {
  if (size < kNplSize || p[kTypeAt] != ISP_NPL) return false;
  npl->reqI = p[kReqIAt];
  npl->player.plid = p[kByte3At];
  npl->player.flags = plat::GetU16(p + kNplFlagsAt);
  npl->player.name = FieldText(p + kNplNameAt, kNameWidth);
  npl->player.plate = FieldText(p + kNplPlateAt, kPlateWidth);
  npl->player.car = FieldText(p + kNplCarAt, kCarWidth);
  npl->numP = p[kNplNumPAt];
  return true;
}

Bytes EncodeV3Npl(const PlayerInfo& player, std::uint8_t index, std::uint16_t ack) {
  Bytes p = NewV3Packet(kV3NplSize, "NPL");
  plat::PutU16(p.data() + kV3NplFlagsAt, player.flags);
  PutText(p.data() + kV3NplNameAt, kNameWidth, player.name);
  PutChars(p.data() + kV3NplPlateAt, kPlateWidth, player.plate);
  PutChars(p.data() + kV3NplCarAt, kCarWidth, player.car);
  p[kV3NplPlidAt] = player.plid;
  p[kV3NplIndexAt] = index;
  PutV3AckWord(p, ack);
  return p;
}

bool DecodeV3Npl(const std::uint8_t* p, int size, PlayerInfo* player, std::uint8_t* index) {
  if (size < kV3NplSize || V3IdOf(p) != kV3NPL) return false;
  player->flags = plat::GetU16(p + kV3NplFlagsAt);
  player->name = FieldText(p + kV3NplNameAt, kNameWidth);
  player->plate = FieldText(p + kV3NplPlateAt, kPlateWidth);
  player->car = FieldText(p + kV3NplCarAt, kCarWidth);
  player->plid = p[kV3NplPlidAt];
  *index = p[kV3NplIndexAt];
  return true;
}

Bytes EncodeRes(const ResultInfo& r) {
  Bytes p = NewPacket(kResSize, ISP_RES, 0, r.player.plid);
  PutText(p.data() + kResUserAt, kNameWidth, r.userName);
  PutText(p.data() + kResNameAt, kNameWidth, r.player.name);
  PutChars(p.data() + kResPlateAt, kPlateWidth, r.player.plate);
  PutChars(p.data() + kResCarAt, kCarWidth, r.player.car);
  plat::PutU32(p.data() + kResTotalAt, r.totalMs);
  plat::PutU32(p.data() + kResBestAt, r.bestLapMs);
  p[kResStopsAt] = r.stops;
  p[kResConfirmAt] = r.confirm;
  plat::PutU16(p.data() + kResLapsAt, r.lapsDone);
  plat::PutU16(p.data() + kResFlagsAt, r.player.flags);
  p[kResNumAt] = r.resultNum;
  p[kResNumResAt] = r.numRes;
  return p;
}

bool DecodeRes(const std::uint8_t* p, int size, ResultInfo* r) {
  if (size < kResSize || p[kTypeAt] != ISP_RES) return false;
  r->player.plid = p[kByte3At];
  r->userName = FieldText(p + kResUserAt, kNameWidth);
  r->player.name = FieldText(p + kResNameAt, kNameWidth);
  r->player.plate = FieldText(p + kResPlateAt, kPlateWidth);
  r->player.car = FieldText(p + kResCarAt, kCarWidth);
  r->totalMs = plat::GetU32(p + kResTotalAt);
  r->bestLapMs = plat::GetU32(p + kResBestAt);
  r->stops = p[kResStopsAt];
  r->confirm = p[kResConfirmAt];
  r->lapsDone = plat::GetU16(p + kResLapsAt);
  r->player.flags = plat::GetU16(p + kResFlagsAt);
  r->resultNum = p[kResNumAt];
  r->numRes = p[kResNumResAt];
  return true;
}

Bytes EncodeV3Res(const ResultInfo& r, std::uint16_t ack) {
  Bytes p = NewV3Packet(kV3ResSize, "RES");
  PutText(p.data() + kV3ResNameAt, kNameWidth, r.player.name);
  PutChars(p.data() + kV3ResCarAt, kCarWidth, r.player.car);
  plat::PutU32(p.data() + kV3ResTotalAt, r.totalMs);
  plat::PutU32(p.data() + kV3ResBestAt, r.bestLapMs);
  plat::PutU16(p.data() + kV3ResLapsAt, r.lapsDone);
  p[kV3ResStopsAt] = r.stops;
  p[kV3ResConfirmAt] = r.confirm;
  p[kV3ResNumAt] = r.resultNum;
  p[kV3ResPlidAt] = r.player.plid;
  PutV3AckWord(p, ack);
  return p;
}

bool DecodeV3Res(const std::uint8_t* p, int size, ResultInfo* r) {
  if (size < kV3ResSize || V3IdOf(p) != V3Id("RES")) return false;
  *r = ResultInfo{};
  r->userName.clear();
  r->player.name = FieldText(p + kV3ResNameAt, kNameWidth);
  r->player.car = FieldText(p + kV3ResCarAt, kCarWidth);
  r->totalMs = plat::GetU32(p + kV3ResTotalAt);
  r->bestLapMs = plat::GetU32(p + kV3ResBestAt);
  r->lapsDone = plat::GetU16(p + kV3ResLapsAt);
  r->stops = p[kV3ResStopsAt];
  r->confirm = p[kV3ResConfirmAt];
  r->resultNum = p[kV3ResNumAt];
  r->player.plid = p[kV3ResPlidAt];
  return true;
}

Bytes EncodeReo10(std::uint8_t reqI, const std::vector<std::uint8_t>& plids) {
  const std::size_t n = plids.size() < kReoIds10 ? plids.size() : kReoIds10;
  Bytes p = NewPacket(kReoSize10, ISP_REO, reqI, static_cast<std::uint8_t>(n));
  for (std::size_t i = 0; i < n; ++i) p[kReoIdsAt + i] = plids[i];
  return p;
}

bool DecodeReo10(const std::uint8_t* p, int size, std::uint8_t* reqI,
                 std::vector<std::uint8_t>* plids) {
  if (size < kReoSize10 || p[kTypeAt] != ISP_REO || p[kByte3At] > kReoIds10) return false;
  *reqI = p[kReqIAt];
  plids->assign(p + kReoIdsAt, p + kReoIdsAt + p[kByte3At]);
  return true;
}

}  // namespace racesim
