// The short packets of both directions: IS_TINY and IS_SMALL, the version 3 requests with their
// 32-bit value ("VER", "NLI", "SST", "SCP", "NPL", "ISC", "ACK"), the state flag packets (IS_SFP,
// "SFP") and the version 3 view change ("SCC"), encoded and decoded side by side.
//
// IS_TINY (4): 3 SubT. IS_SMALL (8): 3 SubT, 4-7 UVal.
// Version 3 request (8): 0-3 identifier, 4-7 value ("ACK": a 16-bit word, zero-extended).
// IS_SFP / "SFP" (8): 4-5 Flag, 6 OffOn, 7 spare; IS_SFP has ReqI at 2.
// "SCC" (8): 4 extra byte, 5 view number, 6 player id, 7 spare.
#pragma once

#include <cstdint>

#include "tools/racesim/wire/framing.h"

namespace racesim {

struct TinyPacket {
  std::uint8_t reqI = 0;
  std::uint8_t subT = 0;
};

struct SmallPacket {
  std::uint8_t reqI = 0;
  std::uint8_t subT = 0;
  std::uint32_t value = 0;
};

struct V3Request {
  std::uint32_t id = 0;  // V3Id("VER"), ...
  std::uint32_t value = 0;
};

struct StateFlagPacket {
  std::uint8_t reqI = 0;  // version 4 only
  std::uint16_t flag = 0;
  std::uint8_t on = 0;
};

struct ViewChange {
  std::uint8_t extra = 0;
  std::uint8_t view = 0;
  std::uint8_t plid = 0;
};

Bytes EncodeTiny(const TinyPacket& tiny);
bool DecodeTiny(const std::uint8_t* p, int size, TinyPacket* tiny);
Bytes EncodeSmall(const SmallPacket& small);
bool DecodeSmall(const std::uint8_t* p, int size, SmallPacket* small);

Bytes EncodeV3Request(const V3Request& request);
// Any 8-byte version 3 packet read as identifier and value.
bool DecodeV3Request(const std::uint8_t* p, int size, V3Request* request);

Bytes EncodeSfp(const StateFlagPacket& flag);
Bytes EncodeV3Sfp(const StateFlagPacket& flag);
// Both versions: the flag fields from byte 4 (ReqI read in version 4 only).
bool DecodeSfp(const std::uint8_t* p, int size, StateFlagPacket* flag);
bool DecodeV3Sfp(const std::uint8_t* p, int size, StateFlagPacket* flag);

Bytes EncodeV3Scc(const ViewChange& change);
bool DecodeV3Scc(const std::uint8_t* p, int size, ViewChange* change);

}  // namespace racesim
