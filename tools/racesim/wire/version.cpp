#include "tools/racesim/wire/version.h"

#include "platform/bytes.h"
#include "tools/racesim/wire/insim_numbers.h"

namespace racesim {

namespace {

constexpr int kIsiUdpPortAt = 4;
constexpr int kIsiFlagsAt = 6;
constexpr int kIsiInsimVerAt = 8;
constexpr int kIsiPrefixAt = 9;
constexpr int kIsiIntervalAt = 10;
constexpr int kIsiAdminAt = 12;
constexpr int kIsiNameAt = 28;
constexpr int kIsiTextWidth = 16;

constexpr int kV3IsiPortAt = 4;
constexpr int kV3IsiFlagsAt = 6;
constexpr int kV3IsiNodeSecondsAt = 7;
constexpr int kV3IsiAdminAt = 8;

constexpr int kVerVersionAt = 4;
constexpr int kVerVersionWidth = 8;
constexpr int kVerProductAt = 12;
constexpr int kVerProductWidth = 6;
constexpr int kVerInsimVerAt = 18;

void PutVersionTexts(std::uint8_t* p, const VersionPacket& v) {
  PutChars(p + kVerVersionAt, kVerVersionWidth, v.version);
  PutChars(p + kVerProductAt, kVerProductWidth, v.product);
}

void GetVersionTexts(const std::uint8_t* p, VersionPacket* v) {
  v->version = FieldText(p + kVerVersionAt, kVerVersionWidth);
  v->product = FieldText(p + kVerProductAt, kVerProductWidth);
}

}  // namespace

Bytes EncodeIsi(const InitPacket& init) {
  Bytes p = NewPacket(kIsiSize, ISP_ISI, init.reqI, 0);
  plat::PutU16(p.data() + kIsiUdpPortAt, init.udpPort);
  plat::PutU16(p.data() + kIsiFlagsAt, init.flags);
  p[kIsiInsimVerAt] = init.insimVer;
  p[kIsiPrefixAt] = init.prefix;
  plat::PutU16(p.data() + kIsiIntervalAt, init.interval);
  PutText(p.data() + kIsiAdminAt, kIsiTextWidth, init.admin);
  PutText(p.data() + kIsiNameAt, kIsiTextWidth, init.name);
  return p;
}

bool DecodeIsi(const std::uint8_t* p, int size, InitPacket* init) {
  if (size < kIsiSize || p[kTypeAt] != ISP_ISI) return false;
  init->reqI = p[kReqIAt];
  init->udpPort = plat::GetU16(p + kIsiUdpPortAt);
  init->flags = plat::GetU16(p + kIsiFlagsAt);
  init->insimVer = p[kIsiInsimVerAt];
  init->prefix = p[kIsiPrefixAt];
  init->interval = plat::GetU16(p + kIsiIntervalAt);
  init->admin = FieldText(p + kIsiAdminAt, kIsiTextWidth);
  init->name = FieldText(p + kIsiNameAt, kIsiTextWidth);
  return true;
}

Bytes EncodeV3Isi(const V3InitPacket& init) {
  Bytes p = NewV3Packet(kV3IsiSize, "ISI");
  plat::PutU16(p.data() + kV3IsiPortAt, init.replyPort);
  p[kV3IsiFlagsAt] = init.flags;
  p[kV3IsiNodeSecondsAt] = init.nodeSeconds;
  PutText(p.data() + kV3IsiAdminAt, kIsiTextWidth, init.admin);
  return p;
}

bool DecodeV3Isi(const std::uint8_t* p, int size, V3InitPacket* init) {
  if (size < kV3IsiSize || V3IdOf(p) != kV3ISI) return false;
  init->replyPort = plat::GetU16(p + kV3IsiPortAt);
  init->flags = p[kV3IsiFlagsAt];
  init->nodeSeconds = p[kV3IsiNodeSecondsAt];
  init->admin = FieldText(p + kV3IsiAdminAt, kIsiTextWidth);
  return true;
}

Bytes EncodeVer(const VersionPacket& version) {
  Bytes p = NewPacket(kVerSize, ISP_VER, version.reqI, 0);
  PutVersionTexts(p.data(), version);
  p[kVerInsimVerAt] = static_cast<std::uint8_t>(version.insimVer);
  return p;
}

bool DecodeVer(const std::uint8_t* p, int size, VersionPacket* version) {
  if (size < kVerSize || p[kTypeAt] != ISP_VER) return false;
  version->reqI = p[kReqIAt];
  GetVersionTexts(p, version);
  version->insimVer = p[kVerInsimVerAt];
  return true;
}

Bytes EncodeV3Ver(const VersionPacket& version) {
  Bytes p = NewV3Packet(kV3VerSize, "VER");
  PutVersionTexts(p.data(), version);
  plat::PutU16(p.data() + kVerInsimVerAt, static_cast<std::uint16_t>(version.insimVer));
  return p;
}

bool DecodeV3Ver(const std::uint8_t* p, int size, VersionPacket* version) {
  if (size < kV3VerSize || V3IdOf(p) != kV3VER) return false;
  version->reqI = 0;
  GetVersionTexts(p, version);
  version->insimVer = plat::GetU16(p + kVerInsimVerAt);
  return true;
}

}  // namespace racesim
