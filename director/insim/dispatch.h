// Cutting received InSim data into packets and routing each to its handler.
//
// Versions 4 and 10: packets follow each other on the TCP stream, each starting with its Size
// byte (bytes in version 4, units of 4 bytes in version 10, PacketBytes). V4StreamCutter keeps
// the bytes of an incomplete packet across reads and walks the complete ones; a packet shorter
// than 4 bytes cannot be walked and makes the stream unusable. Version 10 has the version 4
// layouts of every packet the director reads but two: SMALL_RTP counts milliseconds (handed on
// in hundredths, as version 4 gives them) and IS_MCI carries up to 16 cars. Version 3: one datagram
// may hold several packets of fixed, assumed sizes (V3PacketInfo); the walk stops at an identifier
// that is not known. Packets that the director answers at once are answered here: TINY_NONE with
// TINY_NONE, IS_TOC with TINY_NPL, and version 3 packets with their "ACK".
#pragma once

#include <cstdint>

#include "director/insim/packets.h"
#include "director/insim/session_handlers.h"

namespace director {

// Routes one complete version 4 or version 10 packet (as the link's version says) of the given
// size in bytes (4..255, or 4..1020 in version 10). True when it was an IS_MCI that completed a
// set of car positions.
bool DispatchV4Packet(InsimLink& link, SessionHandlers& handlers, const std::uint8_t* packet,
                      int size);

// Walks one version 3 datagram. True when it held a "MCI" that completed a set.
bool WalkV3Datagram(InsimLink& link, SessionHandlers& handlers, const std::uint8_t* data,
                    int length);

class V4StreamCutter {
 public:
  static constexpr int kBufferSize = 10000;

  // Where the next read goes, behind the kept bytes, and how much fits there.
  std::uint8_t* FreeSpace() { return buffer_ + kept_; }
  int FreeCount() const { return kBufferSize - kept_; }
  int Kept() const { return kept_; }
  const std::uint8_t* Data() const { return buffer_; }
  void Reset() { kept_ = 0; }

  // Walks the kept bytes and count new ones written at FreeSpace, cut by the link's framing,
  // dispatches every complete packet and keeps the rest. False when a packet of less than 4
  // bytes was found: the stream cannot be cut.
  // setComplete is set when an IS_MCI completed a set.
  bool Received(int count, InsimLink& link, SessionHandlers& handlers, bool* setComplete);

  // Drops the first count bytes of the buffer, keeping the rest (count <= kept + received).
  void KeepAfter(int start, int end);

 private:
  std::uint8_t buffer_[kBufferSize] = {};
  int kept_ = 0;
};

}  // namespace director
