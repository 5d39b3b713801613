#include "director/insim/packet_state_flag.h"

#include "platform/bytes.h"

namespace director {

namespace {

constexpr int kFlag = 4;
constexpr int kOnOff = 6;

void SendStateFlag(InsimLink& link, std::uint16_t flag, std::uint8_t on, std::uint8_t reqI) {
  std::uint8_t p[kSfpSize] = {};
  if (link.version == kInsimV3) {
    PutV3Id(p, kV3SFP);
  } else {
    PutHeader(p, kSfpSize, ISP_SFP, reqI, 0);
  }
  plat::PutU16(p + kFlag, flag);
  p[kOnOff] = on;
  link.Send(p, kSfpSize);
}

}  // namespace

void SendShow2D(InsimLink& link, std::uint8_t on) { SendStateFlag(link, ISS_SHOW_2D, on, 1); }

void SendShiftUNoOpt(InsimLink& link) { SendStateFlag(link, ISS_SHIFTU_NO_OPT, 1, 0); }

}  // namespace director
