#include "director/insim/packet_tiny.h"

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kSmallValue = 4;
constexpr std::uint32_t kMsPerRaceTimeUnit = 10;

}  // namespace

void SendTiny(InsimLink& link, std::uint8_t reqI, std::uint8_t subT) {
  if (link.version == kInsimV3) return;
  std::uint8_t p[kTinySize];
  PutHeader(p, kTinySize, ISP_TINY, reqI, subT);
  link.Send(p, kTinySize);
}

std::uint32_t ReadRaceTime(std::uint8_t version, const std::uint8_t* small) {
  const std::uint32_t time = plat::GetU32(small + kSmallValue);
  return version == kInsimV10 ? time / kMsPerRaceTimeUnit : time;
}

}  // namespace director
