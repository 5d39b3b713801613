// The small general packets of versions 4 and 10: IS_TINY (4 bytes, the subtype at byte 3) asks
// or answers, IS_SMALL (8 bytes, a 32-bit value at byte 4) carries one number. The director reads
// one IS_SMALL: SMALL_RTP, the race time, in hundredths of a second in version 4 and in
// milliseconds in version 10.
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

// Version 4 and 10 only (nothing is sent in version 3).
void SendTiny(InsimLink& link, std::uint8_t reqI, std::uint8_t subT);

// The race time of a SMALL_RTP in hundredths of a second, whatever the version counts in.
std::uint32_t ReadRaceTime(std::uint8_t version, const std::uint8_t* small);

}  // namespace director
