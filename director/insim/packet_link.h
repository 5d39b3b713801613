// The link a packet goes out on, and the framing every InSim packet shares.
//
// Version 4 and version 10 packets start with Size, Type, ReqI and one more byte; Size counts
// bytes in version 4 and units of four bytes in version 10 (FrameSizeByte, PacketBytes). Packets
// are built with their length in bytes at byte 0 and InsimLink::Send writes the Size byte of the
// framing, so every framing decision sits in one place. Version 3 packets start with a four-byte
// identifier instead. Sends are fire and forget: a failed send is not reported.
#pragma once

#include <cstdint>

#include "director/insim/insim_constants.h"

namespace plat {
class Clock;
}

namespace director {

// Where the bytes of a packet go: the session's socket, or a capture in tests.
class PacketSink {
 public:
  virtual ~PacketSink() = default;
  virtual void SendPacket(const std::uint8_t* data, int size) = 0;
};

// The Size byte of a TCP packet of the given length: the length itself in version 4, the length
// in units of four bytes in version 10 (the length must then be a multiple of 4).
std::uint8_t FrameSizeByte(std::uint8_t version, int bytes);
// The length in bytes of a TCP packet whose Size byte is sizeByte.
int PacketBytes(std::uint8_t version, std::uint8_t sizeByte);

struct InsimLink {
  std::uint8_t version = 4;               // 3 (UDP), 4 or 10 (TCP)
  PacketSink* sink = nullptr;             // no sink: nothing is sent
  plat::Clock* clock = nullptr;           // version 3: the tick of each send
  std::uint32_t* lastSendTick = nullptr;  // version 3: LastSendTick
  const char* simVersion = nullptr;       // the simulator's version text once it has answered

  // Version 10: the packet goes out padded with zeros to a multiple of 4 bytes, its Size byte
  // counting units of 4 (FrameSizeByte); the other versions send the bytes as they stand.
  void Send(const std::uint8_t* data, int size);
  // Version 3: LastSendTick := now.
  void MarkSent();
};

// The four header bytes of a version 4 packet: size in bytes, type, ReqI and the fourth byte
// (a subtype, PLID or zero).
void PutHeader(std::uint8_t* p, int size, std::uint8_t type, std::uint8_t reqI, std::uint8_t byte3);
// A version 3 packet's identifier (V3Id).
void PutV3Id(std::uint8_t* p, std::uint32_t identifier);
// Copies text into a zero-padded field of fieldSize bytes, cut to fieldSize - 1 characters.
void PutText(std::uint8_t* field, int fieldSize, const char* text);
// Copies a fixed-width text field of width bytes into out (width + 1 bytes), zero-terminated.
void GetText(char* out, const std::uint8_t* field, int width);

}  // namespace director
