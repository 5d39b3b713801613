// The first packet of a session. Version 3's "ISI" (24 bytes): the init flags at byte 6 and the
// admin password at byte 8. Version 4's IS_ISI (44 bytes): the flags (local, car positions) at
// byte 6, the InSim version the program speaks at byte 8 (0 in version 4, 10 in version 10), the
// interval of car positions at byte 10, the admin password at byte 12 and the program's name at
// byte 28. The password holds at most 14 characters.
//
// Contact reports (ISF_CON) are asked for only in version 10 and only when the caller wants them:
// the 0.8 simulators know the flag, while what an older simulator makes of it is not known.
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

// The interval of car positions the director asks for, in the simulator's time: version 4 and
// 10 in IS_ISI, version 3 with its "NLI" request.
inline constexpr std::uint16_t kPositionIntervalMs = 200;

void SendInit(InsimLink& link, const char* password, bool contacts = false);

}  // namespace director
