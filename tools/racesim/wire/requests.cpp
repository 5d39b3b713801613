#include "tools/racesim/wire/requests.h"

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kSmallValueAt = 4;
constexpr int kV3ValueAt = 4;
constexpr int kFlagAt = 4;
constexpr int kFlagOnAt = 6;
constexpr int kSccExtraAt = 4;
constexpr int kSccViewAt = 5;
constexpr int kSccPlidAt = 6;

void PutFlag(std::uint8_t* p, const StateFlagPacket& flag) {
  plat::PutU16(p + kFlagAt, flag.flag);
  p[kFlagOnAt] = flag.on;
}

void GetFlag(const std::uint8_t* p, StateFlagPacket* flag) {
  flag->flag = plat::GetU16(p + kFlagAt);
  flag->on = p[kFlagOnAt];
}

}  // namespace

Bytes EncodeTiny(const TinyPacket& tiny) {
  return NewPacket(kTinySize, ISP_TINY, tiny.reqI, tiny.subT);
}

bool DecodeTiny(const std::uint8_t* p, int size, TinyPacket* tiny) {
  if (size < kTinySize || p[kTypeAt] != ISP_TINY) return false;
  tiny->reqI = p[kReqIAt];
  tiny->subT = p[kByte3At];
  return true;
}

Bytes EncodeSmall(const SmallPacket& small) {
  Bytes p = NewPacket(kSmallSize, ISP_SMALL, small.reqI, small.subT);
  plat::PutU32(p.data() + kSmallValueAt, small.value);
  return p;
}

bool DecodeSmall(const std::uint8_t* p, int size, SmallPacket* small) {
  if (size < kSmallSize || p[kTypeAt] != ISP_SMALL) return false;
  small->reqI = p[kReqIAt];
  small->subT = p[kByte3At];
  small->value = plat::GetU32(p + kSmallValueAt);
  return true;
}

Bytes EncodeV3Request(const V3Request& request) {
  Bytes p(kV3RequestSize, 0);
  plat::PutU32(p.data(), request.id);
  plat::PutU32(p.data() + kV3ValueAt, request.value);
  return p;
}

bool DecodeV3Request(const std::uint8_t* p, int size, V3Request* request) {
  if (size < kV3RequestSize) return false;
  request->id = V3IdOf(p);
  request->value = plat::GetU32(p + kV3ValueAt);
  return true;
}

Bytes EncodeSfp(const StateFlagPacket& flag) {
  Bytes p = NewPacket(kSfpSize, ISP_SFP, flag.reqI, 0);
  PutFlag(p.data(), flag);
  return p;
}

Bytes EncodeV3Sfp(const StateFlagPacket& flag) {
  Bytes p = NewV3Packet(kSfpSize, "SFP");
  PutFlag(p.data(), flag);
  return p;
}

bool DecodeSfp(const std::uint8_t* p, int size, StateFlagPacket* flag) {
  if (size < kSfpSize || p[kTypeAt] != ISP_SFP) return false;
  flag->reqI = p[kReqIAt];
  GetFlag(p, flag);
  return true;
}

bool DecodeV3Sfp(const std::uint8_t* p, int size, StateFlagPacket* flag) {
  if (size < kSfpSize || V3IdOf(p) != kV3SFP) return false;
  flag->reqI = 0;
  GetFlag(p, flag);
  return true;
}

Bytes EncodeV3Scc(const ViewChange& change) {
  Bytes p = NewV3Packet(kV3RequestSize, "SCC");
  p[kSccExtraAt] = change.extra;
  p[kSccViewAt] = change.view;
  p[kSccPlidAt] = change.plid;
  return p;
}

bool DecodeV3Scc(const std::uint8_t* p, int size, ViewChange* change) {
  if (size < kV3RequestSize || V3IdOf(p) != kV3SCC) return false;
  change->extra = p[kSccExtraAt];
  change->view = p[kSccViewAt];
  change->plid = p[kSccPlidAt];
  return true;
}

}  // namespace racesim
