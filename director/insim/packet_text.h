// Texts both ways. Out: version 3's "MTC" (72 bytes, the text at byte 8), version 4's IS_MST
// (68 bytes, 64 characters: a plain text, which the simulator may take as a command) and IS_MSL
// (132 bytes, 128 characters: a message shown locally, used for the director's own messages with
// their prefix). In: the message text of version 3's "MSO" (at byte 4) and version 4's IS_MSO (at
// byte 8), 128 bytes that may lack their terminating zero.
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

inline constexpr char kMessagePrefix[] = "^3Morvane: ^2";

// Sends text, after the prefix when withPrefix; the cut takes the end of the text, never the
// prefix. Version 3 sets LastSendTick.
void SendText(InsimLink& link, const char* text, bool withPrefix);

// The message text of a received "MSO" / IS_MSO in the link's version, zero-terminated in out.
void ReadMessageText(std::uint8_t version, const std::uint8_t* mso, char out[kMessageTextSize + 1]);

}  // namespace director
