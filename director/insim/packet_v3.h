// Version 3's requests and acknowledgements, and the sizes of the packets it reads.
//
// A request is 8 bytes: an identifier ("NLI", "SST", "SCP", "NPL", "ISC", "VER") and a 32-bit
// value. The simulator asks for an "ACK" of most packets it sends, with the 16-bit word found at a
// fixed offset of the packet; the acknowledgement is a request "ACK" carrying that word. A
// datagram may hold several packets one after the other, each of the size its identifier has
// (V3PacketInfo); there is no size byte. Every send sets LastSendTick (the keep-alive counts from
// it).
#pragma once

#include <cstdint>

#include "director/insim/packet_link.h"

namespace director {

// The assumed size of a version 3 packet read and the offset of its ACK word (-1: none).
struct V3PacketInfo {
  std::uint32_t identifier;
  std::uint16_t size;
  std::int16_t ackAt;
};
// Null for an identifier the director does not know.
const V3PacketInfo* FindV3Packet(std::uint32_t identifier);
// The ACK word of a packet of the given kind (0 when it has none).
std::uint16_t ReadAckWord(const V3PacketInfo& info, const std::uint8_t* packet);

// Version 3 only: identifier and a 32-bit value.
void SendRequest(InsimLink& link, std::uint32_t identifier, std::uint32_t value);
// Version 3 only.
void SendAck(InsimLink& link, std::uint16_t value);

}  // namespace director
