// Switching one of the simulator's state flags: version 3's "SFP" and version 4's IS_SFP, the
// flag as a 16-bit word at byte 4 and on or off at byte 6 (8 bytes in both).
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

// The simulator's 2D display (ISS_SHOW_2D) on or off, with ReqI 1 in version 4.
void SendShow2D(InsimLink& link, std::uint8_t on);
// Sets ISS_SHIFTU_NO_OPT ("SFP" flag 0x40 on / IS_SFP with ReqI 0).
void SendShiftUNoOpt(InsimLink& link);

}  // namespace director
